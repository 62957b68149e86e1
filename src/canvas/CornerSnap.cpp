// The corners a drag can land on, and the nearest one to the dragged corner.
#include "canvas/CornerSnap.h"

#include <algorithm>
#include <cmath>

void CornerSnap::begin(UVWalk& walk, UVPoint press, float perU, float perV) {
    active = false;
    targets.clear();
    pixelsPerU = perU, pixelsPerV = perV;
    float best = INFINITY;
    walk.forEachCorner(CORNERS_VISIBLE, [&](FaceRecord& face, int c) {
        if (!cornerFinite(face, c)) return;
        const UVPoint p = cornerUV(face, c);
        if (!CORNERS_EDITABLE.passes(face.flags, c)) {
            targets.push_back(p);
            return;
        }
        const float du = (p.u - press.u) * perU, dv = (p.v - press.v) * perV, d = du * du + dv * dv;
        if (d < best) best = d, corner = p;
    });
    std::sort(targets.begin(), targets.end(), [](const UVPoint& a, const UVPoint& b) { return a.u < b.u; });
    active = best < INFINITY && !targets.empty() && perU > 0 && perV > 0;
}

bool CornerSnap::nearest(UVPoint p, UVPoint& found) const {
    if (!active || !std::isfinite(p.u) || !std::isfinite(p.v)) return false;
    const float reach = kRadius / pixelsPerU;
    auto at = std::lower_bound(targets.begin(), targets.end(), p.u - reach,
                               [](const UVPoint& t, float u) { return t.u < u; });
    float best = kRadius * kRadius;
    bool any = false;
    for (; at != targets.end() && at->u <= p.u + reach; ++at) {
        const float du = (at->u - p.u) * pixelsPerU, dv = (at->v - p.v) * pixelsPerV, d = du * du + dv * dv;
        if (d <= best) best = d, found = *at, any = true;
    }
    return any;
}
