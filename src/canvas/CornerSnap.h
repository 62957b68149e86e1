// Snap to Corners: while a move or scale drag runs, the dragged corner nearest the
// press point lands exactly on a visible corner that is not dragged when it comes near.
#pragma once

#include "model/UVGeometry.h"
#include "model/UVWalk.h"

#include <vector>

struct CornerSnap {
    // Pixel radius within which the dragged corner is caught.
    static constexpr float kRadius = 8.0f;

    // Visible corners that the drag leaves where they are, sorted by u. The storage is
    // kept from drag to drag, so that a step allocates nothing.
    std::vector<UVPoint> targets;
    UVPoint corner{0, 0};  // the dragged corner nearest the press, where it was at the press
    bool active = false;   // there is a dragged corner and a target

    // At the press: pixelsPerU, pixelsPerV are the client pixels per UV unit. The
    // dragged corners are the selected, visible, unlocked ones. Throws std::bad_alloc.
    void begin(UVWalk& walk, UVPoint press, float pixelsPerU, float pixelsPerV);
    void end() { active = false; }

    // The target nearest to p within kRadius pixels; false when none is.
    bool nearest(UVPoint p, UVPoint& found) const;

    float pixelsPerU = 1, pixelsPerV = 1;
};
