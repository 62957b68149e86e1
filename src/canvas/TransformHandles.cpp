#include "canvas/TransformHandles.h"

#include "canvas/UVCanvas.h"
#include "model/Angles.h"
#include "model/MeshLock.h"
#include "ops/UVModel.h"
#include "ops/EditProtocol.h"
#include "resource.h"

#include <cmath>
#include <new>

HandleBox handleBox(POINT topLeft, POINT bottomRight) {
    HandleBox box = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y, (topLeft.x + bottomRight.x) / 2,
                     (topLeft.y + bottomRight.y) / 2};
    if (box.x1 - box.x0 < kMinBoxSide) {
        box.x0 = box.cx - kMinBoxSide / 2;
        box.x1 = box.cx + kMinBoxSide / 2;
    }
    if (box.y1 - box.y0 < kMinBoxSide) {
        box.y0 = box.cy - kMinBoxSide / 2;
        box.y1 = box.cy + kMinBoxSide / 2;
    }
    return box;
}

namespace {
bool within(int a, int low, int high) { return low <= a && a <= high; }

// The outer ring: corner squares and rotation circles, o1 to o2 pixels out.
int outerRingHit(const HandleBox& b, int x, int y, int s) {
    const int h = s / 2, o1 = s + h, o2 = 2 * s + h;
    const bool onMiddleRow = within(y, b.cy - h, b.cy + h);
    if (b.x0 - o2 <= x && x < b.x0 - o1) {
        if (b.y0 - o2 <= y && y < b.y0 - o1) return HIT_OUTER_TOP_LEFT;
        if (b.y1 + o1 < y && y < b.y1 + o2) return HIT_OUTER_BOTTOM_LEFT;
        return onMiddleRow ? HIT_ROTATE : HIT_NONE;
    }
    if (b.x1 + o1 < x && x <= b.x1 + o2) {
        if (b.y0 - o2 <= y && y < b.y0 - o1) return HIT_OUTER_TOP_LEFT + 1;
        if (b.y1 + o1 < y && y < b.y1 + o2) return HIT_OUTER_TOP_LEFT + 2;
        return onMiddleRow ? HIT_ROTATE : HIT_NONE;
    }
    if (within(x, b.x0, b.x1)) {
        const bool aboveOrBelow = (b.y0 - o2 <= y && y < b.y0 - o1) || (b.y1 + o1 < y && y <= b.y1 + o2);
        return aboveOrBelow && within(x, b.cx - h, b.cx + h) ? HIT_ROTATE : HIT_NONE;
    }
    return HIT_NONE;
}
}  // namespace

int handleRingHit(const HandleBox& b, int x, int y, int s) {
    const int h = s / 2;
    const bool onMiddleRow = within(y, b.cy - h, b.cy + h);
    const bool onMiddleColumn = within(x, b.cx - h, b.cx + h);
    if (b.x0 - s <= x && x < b.x0) {  // left handle column
        if (b.y0 - s <= y && y < b.y0) return HIT_INNER_TOP_LEFT;
        if (b.y1 < y && y < b.y1 + s) return HIT_INNER_TOP_LEFT + 6;  // bottom-left
        if (onMiddleRow) return HIT_INNER_LEFT;
        if (within(y, b.y0, b.y1)) return HIT_EDGE_U;
        return outerRingHit(b, x, y, s);
    }
    if (b.x1 < x && x <= b.x1 + s) {  // right handle column
        if (b.y0 - s <= y && y < b.y0) return HIT_INNER_TOP_LEFT + 2;  // top-right
        if (b.y1 < y && y < b.y1 + s) return HIT_INNER_TOP_LEFT + 4;   // bottom-right
        if (onMiddleRow) return HIT_INNER_TOP_LEFT + 3;                // right
        if (within(y, b.y0, b.y1)) return HIT_EDGE_U;
        return outerRingHit(b, x, y, s);
    }
    if (within(x, b.x0, b.x1)) {
        if (b.y0 - s <= y && y < b.y0) return onMiddleColumn ? HIT_INNER_TOP_LEFT + 1 : HIT_EDGE_V;  // top
        if (b.y1 < y && y <= b.y1 + s) return onMiddleColumn ? HIT_INNER_TOP_LEFT + 5 : HIT_EDGE_V;  // bottom
        if (within(y, b.y0, b.y1)) return HIT_INSIDE;
    }
    return outerRingHit(b, x, y, s);
}

int dragToolOfHit(int hit) {
    switch (hit) {
        case HIT_SELECTION: return TOOL_DRAG_MOVE;
        case HIT_EDGE_V: return TOOL_DRAG_MOVE_V;
        case HIT_EDGE_U: return TOOL_DRAG_MOVE_U;
        case HIT_ROTATE: return TOOL_DRAG_ROTATE;
        default:
            if (hit >= HIT_INNER_TOP_LEFT && hit <= HIT_OUTER_BOTTOM_LEFT)
                return hit - HIT_INNER_TOP_LEFT + TOOL_DRAG_SCALE_FIRST;
            return 0;
    }
}

int cursorOfHit(int hit) {
    static constexpr int kCursors[] = {
        IDC_CURSOR_MOVE,              // 1 selection
        IDC_CURSOR_MOVE_V,            // 2 top or bottom band
        IDC_CURSOR_MOVE_U,            // 3 left or right band
        IDC_CURSOR_ROTATE,            // 4
        IDC_CURSOR_SCALE_TOP_LEFT,    // 5 inner, clockwise
        IDC_CURSOR_SCALE_TOP,         IDC_CURSOR_SCALE_TOP_RIGHT,   IDC_CURSOR_SCALE_RIGHT,
        IDC_CURSOR_SCALE_BOTTOM_RIGHT, IDC_CURSOR_SCALE_BOTTOM,     IDC_CURSOR_SCALE_BOTTOM_LEFT,
        IDC_CURSOR_SCALE_LEFT,
        IDC_CURSOR_SCALE_TOP_LEFT,    // 13 outer, clockwise
        IDC_CURSOR_SCALE_TOP_RIGHT,   IDC_CURSOR_SCALE_BOTTOM_RIGHT, IDC_CURSOR_SCALE_BOTTOM_LEFT,
    };
    if (hit < HIT_SELECTION || hit > HIT_OUTER_BOTTOM_LEFT) return 0;
    return kCursors[hit - HIT_SELECTION];
}

bool triangleContains(const float uv[3][2], float u, float v) {
    int classes[3];
    for (int e = 0; e < 3; ++e) {
        const float* a = uv[e];
        const float* b = uv[(e + 1) % 3];
        const float d = (v - a[1]) * (b[0] - a[0]) - (u - a[0]) * (b[1] - a[1]);
        classes[e] = d > 0 ? 1 : (d < 0 ? -1 : 0);
    }
    return classes[0] == classes[1] && classes[1] == classes[2];
}

float snapToGrid(float a, int spacing) {
    if (spacing < 1) return a;
    const float g = static_cast<float>(spacing);
    return (a > 0 ? std::trunc(a / g + 0.5f) : std::trunc(a / g - 0.5f)) * g;
}

const ScaleHandle* scaleHandleOf(int tool) {
    // anchor, start, pivot, axis u, axis v, flip u, flip v, uniform
    static constexpr ScaleHandle kHandles[12] = {
        {{1, 1}, {0, 0}, {1, 1}, true, true, true, true, false},      // 10 inner top-left
        {{0, 1}, {0, 0}, {0, 1}, false, true, false, true, false},    // 11 inner top
        {{0, 1}, {1, 0}, {0, 1}, true, true, false, true, false},     // 12 inner top-right
        {{0, 1}, {1, 0}, {0, 1}, true, false, false, false, false},   // 13 inner right
        {{0, 0}, {1, 1}, {0, 0}, true, true, false, false, false},    // 14 inner bottom-right
        {{0, 0}, {1, 1}, {0, 0}, false, true, false, false, false},   // 15 inner bottom
        {{1, 0}, {0, 1}, {1, 0}, true, true, true, false, false},     // 16 inner bottom-left
        {{1, 1}, {0, 0}, {1, 0}, true, false, true, false, false},    // 17 inner left
        {{1, 1}, {0, 0}, {1, 1}, true, true, true, true, true},       // 18 outer top-left
        {{0, 1}, {1, 0}, {0, 1}, true, true, false, true, true},      // 19 outer top-right
        {{0, 0}, {1, 1}, {0, 0}, true, true, false, false, true},     // 20 outer bottom-right
        {{1, 0}, {0, 1}, {1, 0}, true, true, true, false, true},      // 21 outer bottom-left
    };
    if (!isScaleTool(tool)) return nullptr;
    return &kHandles[tool - TOOL_DRAG_SCALE_FIRST];
}

void snapDisplacement(float& dx, float& dy, const float start[2], int spacing) {
    if (spacing < 1) return;
    dx = snapToGrid(dx + start[0], spacing) - start[0];
    dy = snapToGrid(dy + start[1], spacing) - start[1];
}

namespace {
float lengthSquared(const float p[2]) { return p[0] * p[0] + p[1] * p[1]; }
}  // namespace

bool moveStep(const float start[2], float now[2], float dx, float dy, bool axisU, bool axisV) {
    const float before = lengthSquared(now);
    if (axisU) now[0] = start[0] + dx;
    if (axisV) now[1] = start[1] + dy;
    return lengthSquared(now) != before;
}

ScaleFactors scaleFactors(const ScaleHandle& h, const float start[2], const float anchor[2], float dx, float dy) {
    ScaleFactors f = {1.0f, 1.0f};
    if (start[0] != anchor[0]) {
        const float t = start[0] + dx;
        f.su = h.flipU ? (anchor[0] - t) / (anchor[0] - start[0]) : (t - anchor[0]) / (start[0] - anchor[0]);
    }
    if (start[1] != anchor[1]) {
        const float t = start[1] + dy;
        f.sv = h.flipV ? (anchor[1] - t) / (anchor[1] - start[1]) : (t - anchor[1]) / (start[1] - anchor[1]);
    }
    if (h.uniform) {
        const float larger = std::fabs(f.su) > std::fabs(f.sv) ? f.su : f.sv;
        f.su = f.sv = larger;
    }
    if (!h.axisU) f.su = 1.0f;
    if (!h.axisV) f.sv = 1.0f;
    return f;
}

bool scaleStep(const ScaleHandle& h, const float start[2], const float anchor[2], float now[2], float boxSize[2],
               float dx, float dy) {
    const float before = lengthSquared(boxSize);
    now[0] = start[0] + dx;
    now[1] = start[1] + dy;
    if (h.axisU) boxSize[0] = now[0] - anchor[0];
    if (h.axisV) boxSize[1] = now[1] - anchor[1];
    return lengthSquared(boxSize) != before;
}

// ---- The canvas side: hit test on the records, press, steps and end ----

namespace {
bool cornersFinite(const FaceRecord& face) {
    for (int c = 0; c < 3; ++c)
        if (!std::isfinite(face.uv[c][0]) || !std::isfinite(face.uv[c][1])) return false;
    return true;
}

const wchar_t* descriptionOfDrag(int tool) {
    if (isMoveTool(tool)) return L"Move UV Coords";
    if (tool == TOOL_DRAG_ROTATE) return L"Rotate UV Coords";
    return L"Scale UV Coords";
}
}  // namespace

int UVCanvas::handleTest(int x, int y, const float bounds[4]) {
    const HandleBox box = handleBox(canvasToPixel(bounds[0], bounds[1]), canvasToPixel(bounds[2], bounds[3]));
    const int hit = handleRingHit(box, x, y, view.handleSize);
    if (hit != HIT_INSIDE) return hit;

    // Inside the box only a selected corner (tool 1) or a fully selected triangle
    // (tool 2) starts a move.
    float u = 0, v = 0;
    pixelToUV(x, y, u, v);
    const FaceFilter visible = {uint16_t(view.faceFilter.mask | UV_HIDDEN_ALL),
                                uint16_t(view.faceFilter.value & ~UV_HIDDEN_ALL)};
    const float r =
        extentWidth_ > 0 ? static_cast<float>(view.vertexSize) / view.zoom / static_cast<float>(extentWidth_) : 0.0f;
    MeshLock lock(mesh_.Get());
    for (int i = 0; i < lock.faceCount; ++i) {
        const FaceRecord& face = lock.faces[i];
        if (!visible.passes(face.flags) || !(face.flags & UV_SELECTED_ALL)) continue;
        if (view.tool == TOOL_SELECT_UV_TRIANGLES) {
            if ((face.flags & UV_SELECTED_ALL) == UV_SELECTED_ALL && cornersFinite(face) &&
                triangleContains(face.uv, u, v))
                return HIT_SELECTION;
        } else {
            for (int c = 0; c < 3; ++c) {
                if (!cornerSelected(face.flags, c)) continue;
                const float du = face.uv[c][0] - u, dv = face.uv[c][1] - v;
                if (du * du + dv * dv <= r * r) return HIT_SELECTION;
            }
        }
    }
    return HIT_NONE;
}

bool UVCanvas::handlePress(int x, int y) {
    UVModel* m = model();
    float rect[4];
    if (!m || !m->bounds(CORNERS_SELECTED, rect)) return false;
    const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
    for (int i = 0; i < 4; ++i) drag_.pressBounds[i] = rect[i];
    const float box[4] = {rect[0] * w, rect[1] * h, rect[2] * w, rect[3] * h};
    drag_.boxSize[0] = box[2] - box[0];
    drag_.boxSize[1] = box[3] - box[1];
    drag_.handleStart[0] = drag_.handleNow[0] = box[0];
    drag_.handleStart[1] = drag_.handleNow[1] = box[1];
    const int hit = handleTest(x, y, box);
    if (hit == HIT_NONE) return false;

    m->clearSnapshot();
    m->fillSnapshot(mesh_.Get());
    view.tool = dragToolOfHit(hit);
    if (const ScaleHandle* handle = scaleHandleOf(view.tool)) {
        drag_.anchor[0] = box[handle->anchor[0] * 2];
        drag_.anchor[1] = box[handle->anchor[1] * 2 + 1];
        drag_.handleStart[0] = drag_.handleNow[0] = box[handle->start[0] * 2];
        drag_.handleStart[1] = drag_.handleNow[1] = box[handle->start[1] * 2 + 1];
    }
    cornerSnap_.end();
    if (view.snapToCorners && (isMoveTool(view.tool) || isScaleTool(view.tool))) {
        try {
            UVWalk walk(mesh_.Get(), view.faceFilter);
            UVPoint press;
            pixelToUV(x, y, press.u, press.v);
            cornerSnap_.begin(walk, press, w * view.zoom, h * view.zoom);
        } catch (const std::bad_alloc&) {
            cornerSnap_.end();  // the drag goes on without it
        }
    }
    // One history entry for the whole drag; each step only notifies.
    const wchar_t* description = descriptionOfDrag(view.tool);
    if (document_) document_->BeginUndoGroup(description);
    if (mesh_) mesh_->BeginEdit(EDIT_FACE_DATA.scopeA, EDIT_FACE_DATA.kind, EDIT_FACE_DATA.scopeB, description);
    return true;
}

void UVCanvas::dragStep(int x, int y) {
    UVModel* m = model();
    if (!m || extentWidth_ < 1 || extentHeight_ < 1) return;
    const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
    if (view.tool == TOOL_DRAG_ROTATE) {
        float pu, pv, cu, cv;
        pixelToUV(drag_.pressX, drag_.pressY, pu, pv);
        pixelToUV(x, y, cu, cv);
        const UVPoint centre = {(drag_.pressBounds[0] + drag_.pressBounds[2]) * 0.5f,
                                (drag_.pressBounds[1] + drag_.pressBounds[3]) * 0.5f};
        float angle = polarDegrees(cu - centre.u, cv - centre.v) - polarDegrees(pu - centre.u, pv - centre.v);
        if (view.snapAngles) angle = snapAngle(angle, view.angleStep);
        const bool changed = angle != drag_.lastAngle;
        drag_.lastAngle = angle;
        if (changed)
            m->rotateSnapshot(degreesToRadians(angle), CORNERS_SELECTED, false, &centre);
        return;
    }
    float dx = static_cast<float>(x - drag_.pressX) / view.zoom, dy = static_cast<float>(y - drag_.pressY) / view.zoom;
    // A corner within reach wins over the grid.
    UVPoint move{0, 0};
    const bool onCorner = snapToCorner(dx, dy, move);
    if (view.snapToGrid && !onCorner) snapDisplacement(dx, dy, drag_.handleStart, view.gridSpacing);
    if (isMoveTool(view.tool)) {
        const bool axisU = view.tool != TOOL_DRAG_MOVE_V, axisV = view.tool != TOOL_DRAG_MOVE_U;
        if (!onCorner) move = {dx / w, dy / h};
        if (moveStep(drag_.handleStart, drag_.handleNow, dx, dy, axisU, axisV))
            m->moveSnapshot(axisU ? move.u : 0.0f, axisV ? move.v : 0.0f, CORNERS_SELECTED, false);
    } else if (const ScaleHandle* handle = scaleHandleOf(view.tool)) {
        const ScaleFactors f = scaleFactors(*handle, drag_.handleStart, drag_.anchor, dx, dy);
        if (scaleStep(*handle, drag_.handleStart, drag_.anchor, drag_.handleNow, drag_.boxSize, dx, dy)) {
            const float* bounds = drag_.pressBounds;
            const UVPoint pivot = {bounds[handle->pivot[0] * 2], bounds[handle->pivot[1] * 2 + 1]};
            m->scaleSnapshot(f.su, f.sv, CORNERS_SELECTED, false, &pivot);
        }
    }
}

bool UVCanvas::snapToCorner(float& dx, float& dy, UVPoint& move) {
    if (!view.snapToCorners || !cornerSnap_.active) return false;
    const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
    const UVPoint p = cornerSnap_.corner;
    UVPoint target;
    if (isMoveTool(view.tool)) {
        const bool axisU = view.tool != TOOL_DRAG_MOVE_V, axisV = view.tool != TOOL_DRAG_MOVE_U;
        if (!cornerSnap_.nearest({axisU ? p.u + dx / w : p.u, axisV ? p.v + dy / h : p.v}, target)) return false;
        move = {target.u - p.u, target.v - p.v};
        dx = move.u * w, dy = move.v * h;
        return true;
    }
    const ScaleHandle* handle = scaleHandleOf(view.tool);
    if (!handle) return false;
    const ScaleFactors f = scaleFactors(*handle, drag_.handleStart, drag_.anchor, dx, dy);
    const UVPoint pivot = {drag_.pressBounds[handle->pivot[0] * 2], drag_.pressBounds[handle->pivot[1] * 2 + 1]};
    if (!cornerSnap_.nearest({pivot.u + (p.u - pivot.u) * f.su, pivot.v + (p.v - pivot.v) * f.sv}, target))
        return false;
    // The factors that take the corner onto the target, and the handle motion that gives them.
    const float from[2] = {p.u - pivot.u, p.v - pivot.v}, to[2] = {target.u - pivot.u, target.v - pivot.v};
    const bool axis[2] = {handle->axisU, handle->axisV};
    float s[2] = {f.su, f.sv};
    for (int a = 0; a < 2; ++a)
        if (axis[a] && from[a] != 0) s[a] = to[a] / from[a];
    if (handle->uniform) s[0] = s[1] = std::fabs(from[0] * w) >= std::fabs(from[1] * h) ? s[0] : s[1];
    dx = (s[0] - 1) * (drag_.handleStart[0] - drag_.anchor[0]);
    dy = (s[1] - 1) * (drag_.handleStart[1] - drag_.anchor[1]);
    return true;
}

void UVCanvas::endDrag() {
    cornerSnap_.end();
    // Kept even when nothing moved: the press opened it.
    if (document_) document_->EndUndoGroup(TRUE);
}
