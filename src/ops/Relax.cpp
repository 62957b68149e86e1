// Relax: UV vertices of the selection, held where they meet the rest, measured at their
// island's density, and the stretch solver on them.
#include "Relax.h"

#include "IslandsInternal.h"

#include <model/UVGeometry.h>

#include <cmath>
#include <new>
#include <numeric>

namespace {

// Kept in the model's scratch, so that relaxing a large mesh again allocates nothing.
struct RelaxWork {
    std::vector<int> node, first, corners, next, firstCorners;
    islands::UnionFind island;
    std::vector<double> area3D, areaUV, shape, density, start;
    std::vector<char> measured;
    StretchMap map;
    StretchWork stretch;
};

// The UV vertices of every face in the array: corners of one vertex whose UVs meet within
// epsilon share a number (corners without a vertex or a finite UV get -1). Answers the
// count.
int numberUVVertices(UVWalk& walk, float epsilon, RelaxWork& work) {
    const int n = walk.faceCount();
    const unsigned vertexCount = unsigned(walk.vertexCount());
    std::vector<int>&node = work.node, &first = work.first, &corners = work.corners, &next = work.next;
    node.assign(3 * size_t(n), -1);
    first.assign(size_t(vertexCount) + 1, 0);
    auto vertexOf = [&](int corner) { return unsigned(walk.face(corner / 3).vertex[corner % 3]); };
    auto usable = [&](int corner) { return vertexOf(corner) < vertexCount && cornerFinite(walk.face(corner / 3), corner % 3); };
    for (int corner = 0; corner < 3 * n; ++corner)
        if (usable(corner)) ++first[vertexOf(corner) + 1];
    std::partial_sum(first.begin(), first.end(), first.begin());
    corners.resize(size_t(first.back()));
    next.assign(first.begin(), first.end() - 1);
    for (int corner = 0; corner < 3 * n; ++corner)
        if (usable(corner)) corners[size_t(next[vertexOf(corner)]++)] = corner;
    const float epsilonSquared = epsilon * epsilon;
    int count = 0;
    std::vector<int>& firstCorners = work.firstCorners;  // of the current vertex's UV vertices so far
    for (unsigned v = 0; v < vertexCount; ++v) {
        firstCorners.clear();
        for (int k = first[v]; k < first[v + 1]; ++k) {
            const int corner = corners[size_t(k)];
            const float* uv = walk.face(corner / 3).uv[corner % 3];
            for (int other : firstCorners) {
                const float* at = walk.face(other / 3).uv[other % 3];
                const float du = uv[0] - at[0], dv = uv[1] - at[1];
                if (du * du + dv * dv <= epsilonSquared) {
                    node[size_t(corner)] = node[size_t(other)];
                    break;
                }
            }
            if (node[size_t(corner)] < 0) node[size_t(corner)] = count++, firstCorners.push_back(corner);
        }
    }
    return count;
}

double uvArea(const FaceRecord& face) {
    return 0.5 * std::abs((double(face.uv[1][0]) - face.uv[0][0]) * (double(face.uv[2][1]) - face.uv[0][1]) -
                          (double(face.uv[2][0]) - face.uv[0][0]) * (double(face.uv[1][1]) - face.uv[0][1]));
}

// The face's 3D corners, when its three vertices exist and are finite.
bool positions(UVWalk& walk, const FaceRecord& face, double (&p)[3][3]) {
    for (int c = 0; c < 3; ++c) {
        const VertexRecord* vertex = walk.vertexOf(face, c);
        if (!vertex) return false;
        for (int k = 0; k < 3; ++k) p[c][k] = vertex->position[k];
    }
    return std::isfinite(p[0][0] + p[0][1] + p[0][2] + p[1][0] + p[1][1] + p[1][2] + p[2][0] + p[2][1] + p[2][2]);
}

int relaxSelection(UVWalk& walk, float epsilon, const StretchOptions& options, RelaxWork& work) {
    const int n = walk.faceCount();
    const int nodes = numberUVVertices(walk, epsilon, work);
    const std::vector<int>& node = work.node;
    auto selected = [&](const FaceRecord& face) {
        return walk.filter().passes(face.flags) && FACES_WHOLLY_SELECTED.passes(face.flags);
    };
    // Islands through shared UV vertices, and each one's UV area per 3D area.
    islands::UnionFind& island = work.island;
    island.reset(size_t(nodes));
    std::vector<double>&area3D = work.area3D, &areaUV = work.areaUV, &shape = work.shape;
    area3D.assign(size_t(nodes), 0.0), areaUV.assign(size_t(nodes), 0.0), shape.assign(3 * size_t(n), 0.0);
    std::vector<char>& measured = work.measured;
    measured.assign(size_t(n), 0);
    for (int m = 0; m < n; ++m) {
        const int* at = &node[3 * size_t(m)];
        if (at[0] < 0 || at[1] < 0 || at[2] < 0) continue;
        island.join(at[0], at[1]), island.join(at[0], at[2]);
        double p[3][3];
        const FaceRecord& face = walk.face(m);
        if (!positions(walk, face, p) || !restShape(p[0], p[1], p[2], 1.0, &shape[3 * size_t(m)])) continue;
        const double area = uvArea(face);
        if (!(area > 0) || !std::isfinite(area)) continue;
        measured[size_t(m)] = 1;
        area3D[size_t(at[0])] += 0.5 * shape[3 * size_t(m)] * shape[3 * size_t(m) + 2];
        areaUV[size_t(at[0])] += area;
    }
    std::vector<double>& density = work.density;
    density.assign(size_t(nodes), 0.0);
    for (int v = 0; v < nodes; ++v)
        if (const int root = island.root(v); root != v)
            area3D[size_t(root)] += area3D[size_t(v)], areaUV[size_t(root)] += areaUV[size_t(v)];
    for (int v = 0; v < nodes; ++v)
        if (v == island.root(v) && area3D[size_t(v)] > 0) density[size_t(v)] = std::sqrt(areaUV[size_t(v)] / area3D[size_t(v)]);

    // What cannot move: locked corners, corners of faces outside the selection, and the
    // corners of selected faces that cannot be measured.
    StretchMap& map = work.map;
    std::vector<char>& held = map.held;
    held.assign(size_t(nodes), 0);
    map.corners.clear(), map.rest.clear();
    map.corners.reserve(3 * size_t(n)), map.rest.reserve(3 * size_t(n));
    for (int m = 0; m < n; ++m) {
        const FaceRecord& face = walk.face(m);
        const bool takesPart = selected(face) && measured[size_t(m)] && node[3 * size_t(m)] >= 0 &&
                               density[size_t(island.root(node[3 * size_t(m)]))] > 0;
        for (int c = 0; c < 3; ++c) {
            const int v = node[3 * size_t(m) + size_t(c)];
            if (v >= 0 && (!takesPart || (face.flags & (UV_LOCKED << c)))) held[size_t(v)] = 1;
        }
        if (!takesPart) continue;
        const double scale = density[size_t(island.root(node[3 * size_t(m)]))];
        for (int c = 0; c < 3; ++c) {
            map.corners.push_back(node[3 * size_t(m) + size_t(c)]);
            map.rest.push_back(shape[3 * size_t(m) + size_t(c)] * scale);
        }
    }
    // Solver vertices are the UV vertices themselves, at their first corner's UV.
    map.uv.assign(2 * size_t(nodes), 0.0);
    for (int corner = 3 * n - 1; corner >= 0; --corner)
        if (node[size_t(corner)] >= 0) {
            const float* uv = walk.face(corner / 3).uv[corner % 3];
            map.uv[2 * size_t(node[size_t(corner)])] = uv[0], map.uv[2 * size_t(node[size_t(corner)]) + 1] = uv[1];
        }
    std::vector<double>& start = work.start;
    start.assign(map.uv.begin(), map.uv.end());
    const StretchResult solved = reduceStretch(map, options, work.stretch);
    if (solved.steps == 0) return 0;

    // Stored UVs are floats: a face whose rounded corners no longer keep its turn keeps
    // everything as it was.
    auto roundedArea = [&](int m, const std::vector<double>& uv) {
        float p[3][2];
        for (int c = 0; c < 3; ++c) {
            const int v = node[3 * size_t(m) + size_t(c)];
            p[c][0] = float(uv[2 * size_t(v)]), p[c][1] = float(uv[2 * size_t(v) + 1]);
        }
        return (double(p[1][0]) - p[0][0]) * (double(p[2][1]) - p[0][1]) - (double(p[2][0]) - p[0][0]) * (double(p[1][1]) - p[0][1]);
    };
    for (int m = 0; m < n; ++m) {
        const int* at = &node[3 * size_t(m)];
        if (at[0] < 0 || at[1] < 0 || at[2] < 0 || (held[size_t(at[0])] && held[size_t(at[1])] && held[size_t(at[2])])) continue;
        if (!(roundedArea(m, start) * roundedArea(m, map.uv) > 0)) return 0;
    }
    // Nor may the rounding give back what the steps gained: each Relax lowers the energy
    // of what is stored by at least the tolerance's share of its excess, so repeating it
    // comes to rest.
    // What is written is rounded the same way.
    for (double& x : map.uv) x = float(x);
    const double gain = solved.before - reduceStretch(map, {0}, work.stretch).before;
    if (!(gain > 0) || gain < options.tolerance * (solved.before - 4 * solved.area)) return 0;
    int written = 0;
    for (int corner = 0; corner < 3 * n; ++corner) {
        const int v = node[size_t(corner)];
        if (v >= 0 && !held[size_t(v)])
            written += islands::writeUV(walk.face(corner / 3), corner % 3, map.uv[2 * size_t(v)], map.uv[2 * size_t(v) + 1]);
    }
    return written;
}

}  // namespace

// Nothing is written before the last loop, which allocates nothing.
EditResult relax(UVModel& model, float epsilon, const wchar_t* description, const RelaxOptions& options) {
    UVEdit edit(model, {description, EDIT_FACE_DATA});
    return edit.run([&] { edit.changed += relaxSelection(edit, epsilon, options.stretch, model.scratch.slots.get<RelaxWork>()); });
}
