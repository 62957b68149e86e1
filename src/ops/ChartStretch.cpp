// Evening out a flattened part: its conformal map is the start of the stretch solver,
// held at its locked corners, on the UV vertices the flattening numbered.
#include "StretchSolve.h"
#include "UnwrapSteps.h"

#include <algorithm>
#include <cmath>

namespace islands {

namespace {

// Kept in the model's scratch: a large part evened out again allocates nothing.
struct ChartStretch {
    StretchMap map;
    StretchWork work;
};

}  // namespace

void evenOutStretch(UVWalk& walk, FaceSet& set, const std::vector<int>& members, const PartVertices& vertices,
                    Flat& flat, const UnwrapOptions& options, ScratchSlots& kept) {
    const int count = int(members.size());
    if (!flat.solved || count == 0 || !(flat.area3D > 0)) return;
    const std::vector<int>& vertexOf = vertices.of;
    ChartStretch& chart = kept.get<ChartStretch>();
    StretchMap& map = chart.map;
    map.uv.assign(2 * size_t(vertices.count), 0.0);
    map.held.assign(size_t(vertices.count), 0);
    map.corners.clear(), map.rest.clear();
    map.corners.reserve(3 * size_t(count)), map.rest.reserve(3 * size_t(count));
    // The rest shapes at the map's own density, so that the solver keeps its size.
    const double scale = std::sqrt(flat.areaUV / flat.area3D);
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[size_t(k)])]);
        double p[3][3], rest[3];
        for (int c = 0; c < 3; ++c) {
            const float* q = walk.vertexOf(face, c)->position;  // members have valid vertices
            p[c][0] = q[0], p[c][1] = q[1], p[c][2] = q[2];
            const size_t v = size_t(vertexOf[size_t(3 * k + c)]);
            map.uv[2 * v] = flat.uv[size_t(6 * k + 2 * c)], map.uv[2 * v + 1] = flat.uv[size_t(6 * k + 2 * c + 1)];
            if (face.flags & (UV_LOCKED << c)) map.held[v] = 1;
        }
        if (restShape(p[0], p[1], p[2], scale, rest)) {
            for (int c = 0; c < 3; ++c) map.corners.push_back(vertexOf[size_t(3 * k + c)]), map.rest.push_back(rest[c]);
        } else {
            // A face without 3D area does not steer the others, and its corners stay.
            for (int c = 0; c < 3; ++c) map.held[size_t(vertexOf[size_t(3 * k + c)])] = 1;
        }
    }
    // Fewer steps on large parts, where each costs most; the first step gains the most.
    StretchOptions stretch = options.stretch;
    stretch.iterations = std::clamp(options.stretchWork / count, 1, stretch.iterations);
    if (reduceStretch(map, stretch, chart.work).steps == 0) return;
    const double conformalArea = flat.areaUV;
    flat.areaUV = 0;
    for (int k = 0; k < count; ++k) {
        for (int c = 0; c < 3; ++c) {
            const size_t v = size_t(vertexOf[size_t(3 * k + c)]);
            if (!map.held[v]) flat.uv[size_t(6 * k + 2 * c)] = map.uv[2 * v], flat.uv[size_t(6 * k + 2 * c + 1)] = map.uv[2 * v + 1];
        }
        const double* uv = &flat.uv[size_t(6 * k)];
        flat.areaUV += std::abs(signedArea(uv, uv + 2, uv + 4));
    }
    // An outline that now crosses itself keeps the conformal map.
    if (!embedded(set, members, flat) || !(flat.areaUV > 0)) restoreConformal(count, flat, kept), flat.areaUV = conformalArea;
}

}  // namespace islands
