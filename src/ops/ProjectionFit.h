// What the projection mappings share: the corner's vertex position, the running bounds
// of the projected UVs and the fitting of those bounds into a target rectangle.
#pragma once

#include "EditProtocol.h"

// Extents at or below this are centred but not scaled.
constexpr float FIT_THRESHOLD = 0.0001f;

// Running bounds: minima start high, maxima low, and move only on strictly better values.
struct UVRange {
    float minU = 9999999.0f;
    float minV = 9999999.0f;
    float maxU = -9999999.0f;
    float maxV = -9999999.0f;

    void addU(float u) {
        if (u < minU) minU = u;
        if (u > maxU) maxU = u;
    }
    void add(float u, float v) {
        addU(u);
        if (v < minV) minV = v;
        if (v > maxV) maxV = v;
    }
    float centreU() const { return (minU + maxU) * 0.5f; }
    float centreV() const { return (minV + maxV) * 0.5f; }
};

// The position of corner c's vertex; false when the host's index names no vertex,
// and the projections then leave the corner alone.
inline bool cornerPosition(UVWalk& walk, const FaceRecord& face, int c, Vector3& position) {
    const VertexRecord* vertex = walk.vertexOf(face, c);
    if (!vertex) return false;
    position = Vector3(vertex->position[0], vertex->position[1], vertex->position[2]);
    return true;
}

inline Vector3 faceNormal(const FaceRecord& face) {
    return Vector3(face.normal[0], face.normal[1], face.normal[2]);
}

// T(-centre of source) x S(sx, sy, 1) x T(target).
inline Matrix4 fitMatrix(const UVRange& source, float sx, float sy, float targetU, float targetV) {
    Matrix4 fit = translation(-source.centreU(), -source.centreV(), 0.0f);
    Matrix4 scale;
    scale.setScale(sx, sy, 1.0f);
    fit.multiply(scale);
    fit.multiply(translation(targetU, targetV, 0.0f));
    return fit;
}

// Independent factors in u and v: the projection is stretched to fill rect.
inline Matrix4 stretchFit(const UVRange& source, const float rect[4]) {
    float sx = 1.0f, sy = 1.0f;
    if (source.maxU - source.minU > FIT_THRESHOLD) sx = (rect[2] - rect[0]) / (source.maxU - source.minU);
    if (source.maxV - source.minV > FIT_THRESHOLD) sy = (rect[3] - rect[1]) / (source.maxV - source.minV);
    return fitMatrix(source, sx, sy, (rect[0] + rect[2]) * 0.5f, (rect[1] + rect[3]) * 0.5f);
}

inline void fitCorner(const Matrix4& fit, FaceRecord& face, int c) {
    float u, v, w;
    fit.transformPoint(face.uv[c][0], face.uv[c][1], 0.0f, u, v, w);
    face.uv[c][0] = u;
    face.uv[c][1] = v;
}

// The fitting pass: every projected corner through fit, counted as changed.
inline void fitProjectedCorners(UVEdit& edit, uint16_t mask, uint16_t value, const Matrix4& fit) {
    edit.forEachCorner(mask, value, [&](FaceRecord& face, int c) {
        if (!edit.vertexOf(face, c)) return;
        fitCorner(fit, face, c);
        ++edit.changed;
    });
}
