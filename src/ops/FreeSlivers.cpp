// Faces an unwrap left turned over or without UV area become parts of their own, laid
// out by their own 3D shape.
#include "UnwrapSteps.h"

#include <algorithm>

namespace islands {

namespace {

// Whether two corners of the face lie at one 3D point and share their UV: the face lies
// flat in its part as it does in 3D (the flattening joins such corners).
bool collapsed(UVWalk& walk, const FaceRecord& face) {
    for (int c = 0; c < 3; ++c) {
        const int d = (c + 1) % 3;
        const float *p = walk.vertexOf(face, c)->position, *q = walk.vertexOf(face, d)->position;
        if (p[0] == q[0] && p[1] == q[1] && p[2] == q[2] && face.uv[c][0] == face.uv[d][0] && face.uv[c][1] == face.uv[d][1])
            return true;
    }
    return false;
}

}  // namespace

int freeSlivers(UVWalk& walk, FaceSet& set, std::vector<int>& part, int partCount, const UnwrapOptions& options,
                int& written) {
    const int n = set.size();
    auto uvOf = [&](const FaceRecord& face, double* uv) {
        for (int c = 0; c < 3; ++c) uv[2 * c] = face.uv[c][0], uv[2 * c + 1] = face.uv[c][1];
        return std::isfinite(uv[0] + uv[1] + uv[2] + uv[3] + uv[4] + uv[5]);
    };
    // Stored faces seen from the front turn clockwise: a negative area.
    double uvArea = 0, area3D = 0;
    int good = 0;
    std::vector<int> slivers;
    for (int m = 0; m < n; ++m) {
        const FaceRecord& face = walk.face(set.faces[size_t(m)]);
        double uv[6];
        if (!uvOf(face, uv)) continue;
        const double area = signedArea(uv, uv + 2, uv + 4);
        double longest = 0;
        for (int e = 0; e < 3; ++e)
            longest = std::max(longest, std::hypot(uv[2 * ((e + 1) % 3)] - uv[2 * e], uv[2 * ((e + 1) % 3) + 1] - uv[2 * e + 1]));
        if (-2 * area > options.sliverHeight * longest * longest) {
            uvArea -= area, area3D += 0.5 * length(areaNormal(walk, face)), ++good;
        } else if (!(face.flags & UV_LOCKED_ALL) && !collapsed(walk, face)) {
            slivers.push_back(m);
        }
    }
    if (slivers.empty()) return partCount;
    const double perUnit = area3D > 0 && uvArea > 0 ? std::sqrt(uvArea / area3D) : 1.0;
    const double least = 0.25 * (good > 0 ? std::sqrt(uvArea / good) : 0.01);
    for (int m : slivers) {
        FaceRecord& face = walk.face(set.faces[size_t(m)]);
        // The longest edge lies along u; the third corner stands off it by its height,
        // at least a tenth of that edge.
        const Vector3d p[3] = {positionOf(walk, face, 0), positionOf(walk, face, 1), positionOf(walk, face, 2)};
        int base = 0;
        for (int e = 1; e < 3; ++e)
            if (length(p[(e + 1) % 3] - p[e]) > length(p[(base + 1) % 3] - p[base])) base = e;
        const Vector3d edge = p[(base + 1) % 3] - p[base], side = p[(base + 2) % 3] - p[base];
        const double longest = length(edge);
        double along = 0.5, height = 0.1;
        if (longest > 0 && std::isfinite(longest))
            along = dot(side, edge) / (longest * longest), height = std::max(0.1, length(cross(edge, side)) / (longest * longest));
        const double size = std::max(longest * perUnit, least);
        double uv[6], centre[2] = {0, 0};
        uvOf(face, uv);
        for (int c = 0; c < 3; ++c) centre[0] += uv[2 * c] / 3, centre[1] += uv[2 * c + 1] / 3;
        // Laid out with v up, so mirrored into stored UVs.
        const double flat[3][2] = {{0, 0}, {size, 0}, {along * size, -height * size}};
        for (int k = 0; k < 3; ++k) {
            const int c = (base + k) % 3;
            written += writeUV(face, c, centre[0] + flat[k][0] - 0.5 * size, centre[1] + flat[k][1] + 0.5 * height * size);
        }
        for (int e = 0; e < 3; ++e) set.unlink(3 * m + e);
        part[size_t(m)] = partCount++;
    }
    return partCount;
}

}  // namespace islands
