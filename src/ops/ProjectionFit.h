// What the projection mappings share: the corner's vertex position, the running bounds
// of the projected UVs and the fitting of those bounds into a target rectangle.
#pragma once

#include "EditProtocol.h"

#include <algorithm>

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
    UVPoint uv[3];
    unsigned corners = 0;  // bit c: corner c passed the test, named a vertex and was projected
    int fit = 0;           // which of the mapping's fits applies (the box mapping's side)

    bool projected(int c) const { return (corners >> c) & 1u; }
};

// Every vertex's projection, made once however many corners share the vertex (about
// six on a closed mesh), in the model's scratch memory. Vertex indices are 16-bit, so
// no corner reaches past the first 65536 vertices.
class VertexProjections {
public:
    // projectAll(UVPoint* out, int count) fills out[i] for vertex i; ready() is false when
    // the memory could not be had.
    template <class ProjectAll>
    VertexProjections(UVModel::Scratch& scratch, UVWalk& walk, ProjectAll&& projectAll)
        : uvs_(scratch.vertexUVs.take(size_t(std::clamp(walk.vertexCount(), 0, 65536)))) {
        if (uvs_) projectAll(uvs_, std::clamp(walk.vertexCount(), 0, 65536));
    }
    bool ready() const { return uvs_ != nullptr; }
    // The projection of a vertex whose index is below the vertex count.
    UVPoint of(unsigned index) const { return uvs_[index]; }

private:
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

// The mappings walk twice: the first walk only measures the projected UVs, the second
// projects again, fits and writes. Projecting twice costs less than reading and writing
// every record twice, and the fit sees exactly the values it would have read back.
inline UVPoint fitted(const Matrix4& fit, UVPoint projected) {
    float u, v, w;
    fit.transformPoint(projected.u, projected.v, 0.0f, u, v, w);
    return {u, v};
}

inline void setCornerUV(FaceRecord& face, int c, UVPoint p) {
    face.uv[c][0] = p.u;
    face.uv[c][1] = p.v;
}

// The second walk: projectFace(face, faceIndex) -> ProjectedFace again, each projected
// corner through fits[its fit], counted as changed.
template <class ProjectFace>
void writeFitted(UVEdit& edit, const Matrix4* fits, ProjectFace&& projectFace) {
    edit.forEachFace([&](FaceRecord& face, int index) {
        const ProjectedFace projected = projectFace(face, index);
        for (int c = 0; c < 3; ++c) {
            if (!projected.projected(c)) continue;
            setCornerUV(face, c, fitted(fits[projected.fit], projected.uv[c]));
            ++edit.changed;
        }
    });
}
