// The transform handles around the selection box: the hit codes of the handle test and
// their cursors, the scale parameters of each handle, and the plain geometry of the
// drag steps (grid snapping, angles, scale factors).
#pragma once

#include <windows.h>

#include <cstdint>

#include "canvas/CanvasTool.h"
#include "model/Angles.h"

// Hit codes of the handle test.
enum HandleHit : int {
    HIT_NONE = -1,
    HIT_INSIDE = 0,  // inside the box: whether a selected corner or triangle is there decides
    HIT_SELECTION = 1,
    HIT_EDGE_V = 2,  // top or bottom edge band
    HIT_EDGE_U = 3,  // left or right edge band
    HIT_ROTATE = 4,
    HIT_INNER_TOP_LEFT = 5,  // then clockwise to inner left (12)
    HIT_INNER_LEFT = 12,
    HIT_OUTER_TOP_LEFT = 13,  // then clockwise to outer bottom-left (16)
    HIT_OUTER_BOTTOM_LEFT = 16,
};

// The selection box in client pixels, as drawn and as hit-tested: corners widened to
// at least kMinBoxSide pixels about the centre, which keeps its unwidened value.
constexpr int kMinBoxSide = 30;
struct HandleBox {
    int x0, y0, x1, y1;
    int cx, cy;
};
HandleBox handleBox(POINT topLeft, POINT bottomRight);

// Which handle of the box lies under pixel (x, y) for handles of side s: a hit code,
// HIT_INSIDE within the box, or HIT_NONE.
int handleRingHit(const HandleBox& box, int x, int y, int s);

// The drag state a hit starts, and the cursor resource of a hit code (0: the system
// cross-hair).
int dragToolOfHit(int hit);
int cursorOfHit(int hit);

// Point (u, v) inside triangle uv: the three edge tests have the same sign. A point on
// an edge is outside; a degenerate triangle contains every point.
bool triangleContains(const float uv[3][2], float u, float v);

// The multiple of spacing nearest to a, halves away from zero; spacing < 1 leaves a.
float snapToGrid(float a, int spacing);

// One scale handle. Corners are indices into the press bounds: 0 the minimum, 1 the
// maximum (x from the u bounds, y from the v bounds).
struct ScaleHandle {
    int anchor[2];
    int start[2];
    int pivot[2];  // the fixed point handed to the scale, in UV
    bool axisU, axisV;
    bool flipU, flipV;
    bool uniform;
};
// The parameters of scale drag tool 10 to 21, or null for another tool.
const ScaleHandle* scaleHandleOf(int tool);

// The press displacement (dx, dy) in canvas units, snapped so that the start point
// lands on the grid (spacing < 1: no snapping).
void snapDisplacement(float& dx, float& dy, const float start[2], int spacing);

// One move step: updates now from start and the displacement along the axes; true
// when the step changed the handle position.
bool moveStep(const float start[2], float now[2], float dx, float dy, bool axisU, bool axisV);

// Scale factors of handle h for the displacement (dx, dy) of its start point.
struct ScaleFactors {
    float su, sv;
};
ScaleFactors scaleFactors(const ScaleHandle& h, const float start[2], const float anchor[2], float dx, float dy);
// One scale step: updates now and boxSize; true when the box size changed.
bool scaleStep(const ScaleHandle& h, const float start[2], const float anchor[2], float now[2], float boxSize[2],
               float dx, float dy);
