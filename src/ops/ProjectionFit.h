// What the projection mappings share: the corner's vertex position, the running bounds
// of the projected UVs and the fitting of those bounds into a target rectangle.
#pragma once

#include "EditProtocol.h"

#include <algorithm>
#include <cstdint>

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
    void add(UVPoint p) { add(p.u, p.v); }
    float centreU() const { return (minU + maxU) * 0.5f; }
    float centreV() const { return (minV + maxV) * 0.5f; }
};

inline Vector3 positionOf(const VertexRecord& vertex) {
    return Vector3(vertex.position[0], vertex.position[1], vertex.position[2]);
}

// One face as a mapping projects it.
struct ProjectedFace {
    UVPoint uv[3] = {};
    unsigned corners = 0;  // bit c: corner c passed the test, named a vertex and was projected
    int fit = 0;           // which of the mapping's fits applies (the box mapping's side)

    bool projected(int c) const { return (corners >> c) & 1u; }
};

// Every vertex's projection, made once however many corners share the vertex (about
// six on a closed mesh), and once fitted, in the model's scratch memory. Vertex indices
// are 16-bit, so no corner reaches past the first 65536 vertices.
class VertexProjections {
public:
    // projectAll(UVPoint* out, int count) fills out[i] for vertex i; ready() is false when
    // the memory could not be had.
    template <class ProjectAll>
    VertexProjections(UVModel::Scratch& scratch, UVWalk& walk, ProjectAll&& projectAll)
        : count_(size_t(std::clamp(walk.vertexCount(), 0, 65536))), uvs_(scratch.vertexUVs.take(2 * count_)) {
        if (uvs_) projectAll(uvs_, int(count_));
    }
    bool ready() const { return uvs_ != nullptr; }
    // The projection of a vertex whose index is below the vertex count.
    UVPoint of(unsigned index) const { return uvs_[index]; }
    // Every vertex's projection through fit, read with fittedOf.
    void fitAll(const Matrix4& fit);
    UVPoint fittedOf(unsigned index) const { return uvs_[count_ + index]; }

private:
    size_t count_;
    UVPoint* uvs_;
};

// Projects the corners of a face that pass the test and name a vertex, with
// project(vertexIndex) -> UVPoint; a corner whose index names no vertex is left alone.
template <class Project>
void projectCorners(UVWalk& walk, const FaceRecord& face, CornerTest test, ProjectedFace& out,
                    Project&& project) {
    for (int c = 0; c < 3; ++c) {
        if (!test.passes(face.flags, c)) continue;
        if (!walk.vertexOf(face, c)) continue;
        out.uv[c] = project(unsigned(face.vertex[c]));
        out.corners |= 1u << c;
    }
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

// The mappings walk the records twice: the first walk measures the projected UVs and
// marks each face with what the second needs (its projected corners and the mapping's
// choice for it), the second writes the fitted UVs of the marked corners only. Both
// make the same projections, so the fit sees exactly the values it writes.
inline UVPoint fitted(const Matrix4& fit, UVPoint projected) {
    float u, v, w;
    fit.transformPoint(projected.u, projected.v, 0.0f, u, v, w);
    return {u, v};
}

inline void VertexProjections::fitAll(const Matrix4& fit) {
    for (size_t i = 0; i < count_; ++i) uvs_[count_ + i] = fitted(fit, uvs_[i]);
}

inline void setCornerUV(FaceRecord& face, int c, UVPoint p) {
    face.uv[c][0] = p.u;
    face.uv[c][1] = p.v;
}

// A face's mark: bits 0 to 2 the corners the first walk projected, the bits above the
// mapping's own (0 for a face the first walk left alone).
constexpr unsigned MARK_CORNERS = 7u;
constexpr int MARK_SHIFT = 3;

// Room for a mark per face, all 0, followed by extra bytes of the caller's; null when the
// memory could not be had.
inline uint8_t* takeFaceMarks(UVModel::Scratch& scratch, int faceCount, size_t extra = 0) {
    const size_t faces = size_t(std::max(faceCount, 0));
    uint8_t* marks = scratch.bytes.take(faces + extra);
    if (marks) std::fill(marks, marks + faces, uint8_t(0));
    return marks;
}

// The second walk: each marked corner of each face gets fittedUV(vertexIndex, mark, corner),
// counted as changed. A marked corner's vertex index was checked by the first walk.
template <class FittedUV>
void writeMarked(UVEdit& edit, const uint8_t* marks, FittedUV&& fittedUV) {
    const int count = edit.faceCount();
    for (int i = 0; i < count; ++i) {
        const unsigned mark = marks[i];
        if (!(mark & MARK_CORNERS)) continue;
        FaceRecord& face = edit.face(i);
        for (int c = 0; c < 3; ++c) {
            if (!((mark >> c) & 1u)) continue;
            setCornerUV(face, c, fittedUV(unsigned(face.vertex[c]), mark, c));
            ++edit.changed;
        }
    }
}
