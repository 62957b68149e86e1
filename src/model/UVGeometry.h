// Small UV-space helpers shared by the operations, the canvas and the dialogs.
#pragma once

#include "Records.h"

#include <cmath>

// One (u, v) pair.
struct UVPoint {
    float u;
    float v;
};
static_assert(sizeof(UVPoint) == 8);

// Host data may hold NaN or infinite UVs; drawing and hit tests leave such corners out.
inline bool cornerFinite(const FaceRecord& face, int c) {
    return std::isfinite(face.uv[c][0]) && std::isfinite(face.uv[c][1]);
}
inline bool faceFinite(const FaceRecord& face) {
    return cornerFinite(face, 0) && cornerFinite(face, 1) && cornerFinite(face, 2);
}

inline UVPoint cornerUV(const FaceRecord& face, int c) { return {face.uv[c][0], face.uv[c][1]}; }

// (b - a) x (q - a): positive when q lies left of the line from a to b, that is when a,
// b, q turn counter-clockwise (v up); 0 on the line, NaN from non-finite input.
inline float uvCross(UVPoint a, UVPoint b, UVPoint q) {
    return (b.u - a.u) * (q.v - a.v) - (b.v - a.v) * (q.u - a.u);
}
