// Flattening islands by least-squares conformal maps, cutting non-disc islands along
// shortest edge paths, charts by normal deviation, and the Unwrap and Auto Unwrap
// commands.
#include "Islands.h"

#include <model/Angles.h>

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <new>
#include <numeric>
#include <queue>

namespace islands {

namespace {

// Mean angle error (degrees) above which a flattened part is split where splitting is
// allowed: a conformal map of a surface that is not too curved stays well below it.
constexpr double MOST_ANGLE_ERROR = 1.5;
// Boundary loops beyond which a part is opened by one cut along the complement of a
// spanning tree rather than by a shortest path to each further loop.
constexpr size_t MOST_PATH_CUT_LOOPS = 8;
// Height over longest edge below which a flattened face counts as a sliver: thinner,
// its UV area does not survive the rounding of stored and written coordinates.
constexpr double SLIVER_HEIGHT = 1e-3;

struct Point3 {
    double x = 0, y = 0, z = 0;
};
Point3 operator-(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point3 operator+(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point3 operator*(Point3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Point3 a, Point3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point3 cross(Point3 a, Point3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(Point3 a) { return std::sqrt(dot(a, a)); }

// Members of an unwrap have valid vertex indices, so their positions can be read.
Point3 positionOf(UVWalk& walk, const FaceRecord& face, int c) {
    const float* p = walk.vertexOf(face, c)->position;
    return {p[0], p[1], p[2]};
}

// Twice the face's area along its normal.
Point3 areaNormal(UVWalk& walk, const FaceRecord& face) {
    const Point3 p0 = positionOf(walk, face, 0);
    return cross(positionOf(walk, face, 1) - p0, positionOf(walk, face, 2) - p0);
}

bool finiteUV(const FaceRecord& face, int c) { return std::isfinite(face.uv[c][0]) && std::isfinite(face.uv[c][1]); }

// The UV vertices of one part and the edges between them, for shortest paths.
struct PartGraph {
    std::vector<int> vertexOf;  // per corner 3 k + c of the listed members
    int vertexCount = 0;
    std::vector<Point3> position;
    std::vector<int> first, to, edgeOf;  // adjacency: neighbour vertex and local edge 3 k + e
    std::vector<double> length;
};

PartGraph graphOf(UVWalk& walk, FaceSet& set, const int* members, int count) {
    PartGraph g;
    g.vertexCount = joinCorners(set, members, count, g.vertexOf);
    g.position.resize(size_t(g.vertexCount));
    g.first.assign(size_t(g.vertexCount) + 1, 0);
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) {
            g.position[size_t(g.vertexOf[size_t(3 * k + c)])] = positionOf(walk, face, c);
            g.first[size_t(g.vertexOf[size_t(3 * k + c)]) + 1] += 2;
        }
    }
    std::partial_sum(g.first.begin(), g.first.end(), g.first.begin());
    g.to.resize(size_t(g.first.back()));
    g.edgeOf.resize(g.to.size());
    g.length.resize(g.to.size());
    std::vector<int> next(g.first.begin(), g.first.end() - 1);
    for (int k = 0; k < count; ++k)
        for (int e = 0; e < 3; ++e) {
            const int a = g.vertexOf[size_t(3 * k + e)], b = g.vertexOf[size_t(3 * k + (e + 1) % 3)];
            const double d = length(g.position[size_t(a)] - g.position[size_t(b)]);
            for (auto [from, dest] : {std::pair{a, b}, std::pair{b, a}}) {
                const size_t i = size_t(next[size_t(from)]++);
                g.to[i] = dest, g.edgeOf[i] = 3 * k + e, g.length[i] = d;
            }
        }
    return g;
}

// Shortest edge paths from the sources (distance 0) until `isTarget` holds for a reached
// vertex; answers that vertex (or the farthest one when none is a target) and leaves the
// edge each vertex was reached by in `via`.
int shortestPaths(const PartGraph& g, const std::vector<int>& sources, const std::function<bool(int)>& isTarget,
                  std::vector<int>& via, std::vector<int>& from) {
    std::vector<double> distance(size_t(g.vertexCount), std::numeric_limits<double>::infinity());
    via.assign(size_t(g.vertexCount), -1);
    from.assign(size_t(g.vertexCount), -1);
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    for (int s : sources) {
        distance[size_t(s)] = 0;
        queue.push({0.0, s});
    }
    int last = sources.empty() ? -1 : sources.front();
    while (!queue.empty()) {
        auto [d, v] = queue.top();
        queue.pop();
        if (d > distance[size_t(v)]) continue;
        last = v;
        if (isTarget(v)) return v;
        for (int i = g.first[size_t(v)]; i < g.first[size_t(v) + 1]; ++i) {
            const int w = g.to[size_t(i)];
            const double dw = d + g.length[size_t(i)];
            if (dw < distance[size_t(w)]) {
                distance[size_t(w)] = dw, via[size_t(w)] = g.edgeOf[size_t(i)], from[size_t(w)] = v;
                queue.push({dw, w});
            }
        }
    }
    return isTarget(last) ? last : (sources.empty() ? -1 : last);
}

// Unlinks the edges of a path found by shortestPaths, from `end` back to a source.
bool cutPath(FaceSet& set, const int* members, const std::vector<int>& via, const std::vector<int>& from, int end) {
    bool cut = false;
    for (int v = end; v >= 0 && via[size_t(v)] >= 0; v = from[size_t(v)]) {
        const int edge = 3 * members[via[size_t(v)] / 3] + via[size_t(v)] % 3;
        cut = cut || set.neighbour[size_t(edge)] >= 0;
        set.unlink(edge);
    }
    return cut;
}

// A part of genus above zero: cut along the edges that no spanning tree of the faces
// crosses, less the branches that end nowhere; what remains opens the part into a disc.
void cutAlongTreeComplement(UVWalk& walk, FaceSet& set, const int* members, int count, const PartGraph& g) {
    std::vector<int>& slot = set.slot;
    if (slot.size() != set.faces.size()) slot.assign(set.faces.size(), -1);
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = k;
    std::vector<char> crossed(3 * size_t(count), 0), seen(size_t(count), 0);
    std::vector<int> stack{0};
    seen[0] = 1;
    while (!stack.empty()) {
        const int k = stack.back();
        stack.pop_back();
        for (int e = 0; e < 3; ++e) {
            const int other = set.neighbour[size_t(3 * members[k] + e)];
            if (other < 0 || slot[size_t(other / 3)] < 0 || seen[size_t(slot[size_t(other / 3)])]) continue;
            const int k2 = slot[size_t(other / 3)];
            seen[size_t(k2)] = 1;
            crossed[size_t(3 * k + e)] = crossed[size_t(3 * k2 + other % 3)] = 1;
            stack.push_back(k2);
        }
    }
    // Candidate edges: linked and not crossed (each once), plus the boundary, which stays.
    std::vector<int> degree(size_t(g.vertexCount), 0);
    std::vector<char> candidate(3 * size_t(count), 0);
    for (int k = 0; k < count; ++k)
        for (int e = 0; e < 3; ++e) {
            const int edge = 3 * members[k] + e, other = set.neighbour[size_t(edge)];
            if (crossed[size_t(3 * k + e)] || (other >= 0 && other < edge)) continue;
            candidate[size_t(3 * k + e)] = other >= 0;
            ++degree[size_t(g.vertexOf[size_t(3 * k + e)])];
            ++degree[size_t(g.vertexOf[size_t(3 * k + (e + 1) % 3)])];
        }
    for (bool pruned = true; pruned;) {
        pruned = false;
        for (int i = 0; i < 3 * count; ++i) {
            if (!candidate[size_t(i)]) continue;
            const int a = g.vertexOf[size_t(i)], b = g.vertexOf[size_t(i - i % 3 + (i % 3 + 1) % 3)];
            if (degree[size_t(a)] > 1 && degree[size_t(b)] > 1) continue;
            candidate[size_t(i)] = 0, --degree[size_t(a)], --degree[size_t(b)], pruned = true;
        }
    }
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = -1;
    for (int i = 0; i < 3 * count; ++i)
        if (candidate[size_t(i)]) set.unlink(3 * members[i / 3] + i % 3);
    (void)walk;
}

// Cuts a part that is not a disc (closed, a tube, with holes or handles) along shortest
// edge paths until it is one: a closed part is slit between two far-apart vertices, and
// each further boundary loop is joined to the first by the shortest path between them.
void cutToDisc(UVWalk& walk, FaceSet& set, const int* members, int count) {
    for (int round = 0; round < 64; ++round) {
        const PartGraph g = graphOf(walk, set, members, count);
        UnionFind loops(size_t(g.vertexCount));
        std::vector<char> onBoundary(size_t(g.vertexCount), 0);
        int edges = 0;
        for (int k = 0; k < count; ++k)
            for (int e = 0; e < 3; ++e) {
                const int edge = 3 * members[k] + e, other = set.neighbour[size_t(edge)];
                if (other >= 0) {
                    edges += other > edge;
                    continue;
                }
                ++edges;
                const int a = g.vertexOf[size_t(3 * k + e)], b = g.vertexOf[size_t(3 * k + (e + 1) % 3)];
                loops.join(a, b);
                onBoundary[size_t(a)] = onBoundary[size_t(b)] = 1;
            }
        std::vector<int> loopRoots;
        for (int v = 0; v < g.vertexCount; ++v)
            if (onBoundary[size_t(v)] && loops.root(v) == v) loopRoots.push_back(v);
        const int euler = g.vertexCount - edges + count;
        if (euler == 1 && loopRoots.size() == 1) return;
        std::vector<int> via, from;
        if (loopRoots.empty()) {
            std::vector<int> farthest{shortestPaths(g, {0}, [](int) { return false; }, via, from)};
            const int end = shortestPaths(g, farthest, [](int) { return false; }, via, from);
            if (!cutPath(set, members, via, from, end)) return;
        } else if (loopRoots.size() > MOST_PATH_CUT_LOOPS) {
            // Many holes (a scattered selection): one cut through all of them at once,
            // as a round per hole would take as many passes over the part.
            cutAlongTreeComplement(walk, set, members, count, g);
        } else if (loopRoots.size() > 1) {
            const int firstLoop = loopRoots.front();
            std::vector<int> sources;
            for (int v = 0; v < g.vertexCount; ++v)
                if (onBoundary[size_t(v)] && loops.root(v) == firstLoop) sources.push_back(v);
            auto onOtherLoop = [&](int v) { return onBoundary[size_t(v)] && loops.root(v) != firstLoop; };
            const int end = shortestPaths(g, sources, onOtherLoop, via, from);
            if (end < 0 || !onOtherLoop(end) || !cutPath(set, members, via, from, end)) return;
        } else {
            cutAlongTreeComplement(walk, set, members, count, g);
            const PartGraph after = graphOf(walk, set, members, count);
            if (after.vertexCount == g.vertexCount) return;  // nothing left to open
        }
    }
}

// The new UVs of one part's corners, NaN where a corner keeps its UV.
struct Flat {
    bool solved = false;
    int pins = 0;            // locked corners used as pins (distinct UV vertices)
    int pinCorner = -1;      // with one pin: a corner of it
    float pinUV[2] = {0, 0};
    std::vector<double> uv;  // 2 per corner 3 k + c
    double area3D = 0;       // of the flattened faces
    double areaUV = 0;       // of the result
    double previousArea = 0; // UV area before, over the corners with finite UVs
    double angleError = 0;   // mean |UV angle - 3D angle| of the corners, degrees, by 3D area
    double previousBox[4] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
};

double signedArea(const double* a, const double* b, const double* c) {
    return 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
}

// Stored v runs down the image, so a face that turns counter-clockwise about its normal
// turns clockwise in stored UVs, as the texture shows it from the front: the map is
// solved with v up and mirrored into stored UVs.
//
// Least-squares conformal map of one part: per face, the complex equation
// sum_j W_j U_j = 0 (W_j the opposite edge in the face's own plane) in the least-squares
// sense, weighted by the face's area; at least two UV vertices pinned.
Flat flatten(UVWalk& walk, FaceSet& set, const int* members, int count) {
    Flat flat;
    std::vector<int> vertexOf;
    const int vertexCount = joinCorners(set, members, count, vertexOf);
    std::vector<Point3> position(static_cast<size_t>(vertexCount));
    std::vector<char> pinned(static_cast<size_t>(vertexCount), 0), used(size_t(vertexCount), 0);
    std::vector<double> pinUV(2 * size_t(vertexCount), 0.0);
    std::vector<int> energy;
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) position[size_t(vertexOf[size_t(3 * k + c)])] = positionOf(walk, face, c);
        const Point3 n = areaNormal(walk, face);
        const double twiceArea = length(n);
        const Point3 p0 = positionOf(walk, face, 0);
        const double scale = dot(positionOf(walk, face, 1) - p0, positionOf(walk, face, 1) - p0) +
                             dot(positionOf(walk, face, 2) - p0, positionOf(walk, face, 2) - p0);
        if (!(twiceArea > 1e-9 * scale) || !std::isfinite(twiceArea)) continue;  // degenerate
        energy.push_back(k);
        flat.area3D += 0.5 * twiceArea;
        for (int c = 0; c < 3; ++c) used[size_t(vertexOf[size_t(3 * k + c)])] = 1;
        bool previousFinite = true;
        double previous[3][2];
        for (int c = 0; c < 3; ++c) {
            previousFinite = previousFinite && finiteUV(face, c);
            previous[c][0] = face.uv[c][0], previous[c][1] = face.uv[c][1];
        }
        if (previousFinite) {
            flat.previousArea += std::abs(signedArea(previous[0], previous[1], previous[2]));
            for (int c = 0; c < 3; ++c) {
                flat.previousBox[0] = std::min(flat.previousBox[0], previous[c][0]);
                flat.previousBox[1] = std::min(flat.previousBox[1], previous[c][1]);
                flat.previousBox[2] = std::max(flat.previousBox[2], previous[c][0]);
                flat.previousBox[3] = std::max(flat.previousBox[3], previous[c][1]);
            }
        }
    }
    if (energy.empty()) return flat;
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) {
            const int v = vertexOf[size_t(3 * k + c)];
            if (!(face.flags & (UV_LOCKED << c)) || !finiteUV(face, c) || !used[size_t(v)] || pinned[size_t(v)]) continue;
            pinned[size_t(v)] = 1;
            pinUV[size_t(2 * v)] = face.uv[c][0], pinUV[size_t(2 * v + 1)] = -face.uv[c][1];
            if (++flat.pins == 1) flat.pinCorner = 3 * k + c, flat.pinUV[0] = face.uv[c][0], flat.pinUV[1] = face.uv[c][1];
        }
    }
    // Fewer than two pins: two far apart along the part's longest extent, as far apart
    // in UV as in space so that the result is near its true size.
    if (flat.pins < 2) {
        std::fill(pinned.begin(), pinned.end(), 0);
        Point3 low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
        for (int v = 0; v < vertexCount; ++v)
            if (used[size_t(v)]) {
                const Point3& p = position[size_t(v)];
                low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
                high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
            }
        const Point3 extent = high - low;
        const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : (extent.y >= extent.z ? 1 : 2);
        auto along = [&](int v) {
            const Point3& p = position[size_t(v)];
            return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
        };
        int a = -1, b = -1;
        for (int v = 0; v < vertexCount; ++v)
            if (used[size_t(v)] && (a < 0 || along(v) < along(a))) a = v;
        // The pins bend the map around them a little; at the two ends of the part's
        // longest span that bending keeps the layout's outline most even.
        auto farthestFrom = [&](int from) {
            int best = from;
            for (int v = 0; v < vertexCount; ++v)
                if (used[size_t(v)] && length(position[size_t(v)] - position[size_t(from)]) >
                                           length(position[size_t(best)] - position[size_t(from)]))
                    best = v;
            return best;
        };
        b = farthestFrom(a);
        a = farthestFrom(b);
        const double span = length(position[size_t(b)] - position[size_t(a)]);
        if (a == b || !(span > 0)) return flat;
        pinned[size_t(a)] = pinned[size_t(b)] = 1;
        pinUV[size_t(2 * a)] = pinUV[size_t(2 * a + 1)] = 0;
        pinUV[size_t(2 * b)] = span, pinUV[size_t(2 * b + 1)] = 0;
    }
    std::vector<int> unknown(static_cast<size_t>(vertexCount), -1);
    int unknowns = 0;
    for (int v = 0; v < vertexCount; ++v)
        if (used[size_t(v)] && !pinned[size_t(v)]) unknown[size_t(v)] = unknowns++;
    std::vector<double> solution(2 * size_t(vertexCount), std::numeric_limits<double>::quiet_NaN());
    for (int v = 0; v < vertexCount; ++v)
        if (pinned[size_t(v)]) solution[size_t(2 * v)] = pinUV[size_t(2 * v)], solution[size_t(2 * v + 1)] = pinUV[size_t(2 * v + 1)];
    if (unknowns > 0) {
        // The faces' equations as complex numbers, U = u + i v; the normal equations
        // A^H A U = A^H b are then Hermitian with one unknown per UV vertex, which
        // factors several times faster than the real system of twice the size.
        using Complex = std::complex<double>;
        std::vector<Eigen::Triplet<Complex>> entries;
        entries.reserve(energy.size() * 6);
        Eigen::VectorXcd rhs = Eigen::VectorXcd::Zero(unknowns);
        for (int k : energy) {
            const int v[3] = {vertexOf[size_t(3 * k)], vertexOf[size_t(3 * k + 1)], vertexOf[size_t(3 * k + 2)]};
            const Point3 p0 = position[size_t(v[0])];
            // The face in its own plane, counter-clockwise about its normal.
            const Point3 e1 = position[size_t(v[1])] - p0, e2 = position[size_t(v[2])] - p0;
            const Point3 n = cross(e1, e2);
            const Point3 xAxis = e1 * (1.0 / length(e1));
            const Point3 yAxis = cross(n, xAxis) * (1.0 / length(n));
            const Complex q[3] = {{0, 0}, {length(e1), 0}, {dot(e2, xAxis), dot(e2, yAxis)}};
            const double weight = 1.0 / std::sqrt(length(n));
            Complex w[3], pinnedSum{0, 0};
            for (int j = 0; j < 3; ++j) {
                w[j] = weight * (q[(j + 2) % 3] - q[(j + 1) % 3]);
                if (unknown[size_t(v[j])] < 0) pinnedSum += w[j] * Complex(pinUV[size_t(2 * v[j])], pinUV[size_t(2 * v[j] + 1)]);
            }
            for (int a = 0; a < 3; ++a) {
                const int row = unknown[size_t(v[a])];
                if (row < 0) continue;
                rhs[row] -= std::conj(w[a]) * pinnedSum;
                for (int b = 0; b < 3; ++b) {
                    const int column = unknown[size_t(v[b])];
                    if (column >= 0 && column <= row) entries.emplace_back(row, column, std::conj(w[a]) * w[b]);
                }
            }
        }
        Eigen::VectorXcd x(unknowns);
        if (unknowns == 1) {
            // One free vertex (a lone face): a division, without a solver's set-up.
            Complex diagonal{0, 0};
            for (const Eigen::Triplet<Complex>& entry : entries) diagonal += entry.value();
            x[0] = rhs[0] / diagonal;
            if (!x.allFinite()) return flat;
        } else {
            Eigen::SparseMatrix<Complex> normal(unknowns, unknowns);
            normal.setFromTriplets(entries.begin(), entries.end());
            entries = {};
            Eigen::SimplicialLDLT<Eigen::SparseMatrix<Complex>, Eigen::Lower> solver(normal);
            if (solver.info() != Eigen::Success) return flat;
            x = solver.solve(rhs);
            if (solver.info() != Eigen::Success || !x.allFinite()) return flat;
        }
        for (int i = 0; i < vertexCount; ++i)
            if (unknown[size_t(i)] >= 0)
                solution[size_t(2 * i)] = x[unknown[size_t(i)]].real(), solution[size_t(2 * i + 1)] = x[unknown[size_t(i)]].imag();
    }
    for (int i = 0; i < vertexCount; ++i) solution[size_t(2 * i + 1)] = -solution[size_t(2 * i + 1)];
    // Corners that only degenerate faces reach take the mean of their face's solved corners.
    flat.uv.assign(size_t(6) * size_t(count), std::numeric_limits<double>::quiet_NaN());
    for (int k = 0; k < count; ++k) {
        double sum[2] = {0, 0};
        int solved = 0;
        for (int c = 0; c < 3; ++c) {
            const int v = vertexOf[size_t(3 * k + c)];
            if (!used[size_t(v)]) continue;
            flat.uv[size_t(6 * k + 2 * c)] = solution[size_t(2 * v)];
            flat.uv[size_t(6 * k + 2 * c + 1)] = solution[size_t(2 * v + 1)];
            sum[0] += solution[size_t(2 * v)], sum[1] += solution[size_t(2 * v + 1)], ++solved;
        }
        for (int c = 0; c < 3 && solved > 0; ++c)
            if (!used[size_t(vertexOf[size_t(3 * k + c)])])
                flat.uv[size_t(6 * k + 2 * c)] = sum[0] / solved, flat.uv[size_t(6 * k + 2 * c + 1)] = sum[1] / solved;
    }
    for (int k : energy) {
        const double* uv = &flat.uv[size_t(6 * k)];
        flat.areaUV += std::abs(signedArea(uv, uv + 2, uv + 4));
        const Point3 p[3] = {position[size_t(vertexOf[size_t(3 * k)])], position[size_t(vertexOf[size_t(3 * k + 1)])],
                             position[size_t(vertexOf[size_t(3 * k + 2)])]};
        double error = 0;
        for (int c = 0; c < 3; ++c) {
            const Point3 a = p[(c + 1) % 3] - p[c], b = p[(c + 2) % 3] - p[c];
            const double* o = uv + 2 * c;
            const double* ua = uv + 2 * ((c + 1) % 3);
            const double* ub = uv + 2 * ((c + 2) % 3);
            const double da[2] = {ua[0] - o[0], ua[1] - o[1]}, db[2] = {ub[0] - o[0], ub[1] - o[1]};
            error += std::abs(std::atan2(length(cross(a, b)), dot(a, b)) -
                              std::atan2(std::abs(da[0] * db[1] - da[1] * db[0]), da[0] * db[0] + da[1] * db[1]));
        }
        flat.angleError += 0.5 * length(cross(p[1] - p[0], p[2] - p[0])) * error / 3 * RADIANS_TO_DEGREES;
    }
    flat.angleError /= flat.area3D;
    flat.solved = flat.areaUV > 0 && std::isfinite(flat.areaUV);
    return flat;
}

// Turns the points so that their bounding rectangle has the least area: one side of
// that rectangle lies along an edge of their convex hull.
void turnToSmallestBox(std::vector<double>& uv) {
    std::vector<std::pair<double, double>> points;
    for (size_t i = 0; i + 1 < uv.size(); i += 2)
        if (std::isfinite(uv[i])) points.emplace_back(uv[i], uv[i + 1]);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) return;
    auto turn = [](const auto& o, const auto& a, const auto& b) {
        return (a.first - o.first) * (b.second - o.second) - (a.second - o.second) * (b.first - o.first);
    };
    std::vector<std::pair<double, double>> hull(2 * points.size());
    size_t h = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        while (h >= 2 && turn(hull[h - 2], hull[h - 1], points[i]) <= 0) --h;
        hull[h++] = points[i];
    }
    for (size_t i = points.size() - 1, lower = h + 1; i-- > 0;) {
        while (h >= lower && turn(hull[h - 2], hull[h - 1], points[i]) <= 0) --h;
        hull[h++] = points[i];
    }
    hull.resize(h - 1);
    double bestArea = std::numeric_limits<double>::infinity(), bestCos = 1, bestSin = 0;
    for (size_t i = 0; i < hull.size(); ++i) {
        const auto& a = hull[i];
        const auto& b = hull[(i + 1) % hull.size()];
        const double dx = b.first - a.first, dy = b.second - a.second, len = std::hypot(dx, dy);
        if (!(len > 0)) continue;
        const double cs = dx / len, sn = dy / len;
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        for (const auto& p : hull) {
            const double x = p.first * cs + p.second * sn, y = -p.first * sn + p.second * cs;
            lo[0] = std::min(lo[0], x), hi[0] = std::max(hi[0], x), lo[1] = std::min(lo[1], y), hi[1] = std::max(hi[1], y);
        }
        const double area = (hi[0] - lo[0]) * (hi[1] - lo[1]);
        if (area < bestArea) bestArea = area, bestCos = cs, bestSin = sn;
    }
    for (size_t i = 0; i + 1 < uv.size(); i += 2) {
        const double x = uv[i], y = uv[i + 1];
        uv[i] = x * bestCos + y * bestSin;
        uv[i + 1] = -x * bestSin + y * bestCos;
    }
}


// Whether a flattened part lies in the plane without folding: no face turned over and
// no two edges of its outline crossing.
bool embedded(const FaceSet& set, const std::vector<int>& members, const Flat& flat) {
    struct Segment {
        double a[2], b[2];
    };
    std::vector<Segment> outline;
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (size_t k = 0; k < members.size(); ++k) {
        const double* uv = &flat.uv[6 * k];
        if (signedArea(uv, uv + 2, uv + 4) > 0) return false;  // stored faces turn clockwise
        for (int e = 0; e < 3; ++e) {
            if (set.neighbour[size_t(3 * members[k] + e)] >= 0) continue;
            const double* a = uv + 2 * e;
            const double* b = uv + 2 * ((e + 1) % 3);
            if (!std::isfinite(a[0] + a[1] + b[0] + b[1])) continue;
            outline.push_back({{a[0], a[1]}, {b[0], b[1]}});
            box[0] = std::min({box[0], a[0], b[0]}), box[1] = std::min({box[1], a[1], b[1]});
            box[2] = std::max({box[2], a[0], b[0]}), box[3] = std::max({box[3], a[1], b[1]});
        }
    }
    if (outline.size() < 4) return true;
    // The outline's edges in a grid of about one cell per edge; crossings are sought
    // among the edges of one cell.
    const int cells = std::max(1, int(std::sqrt(double(outline.size()))));
    const double size = std::max({box[2] - box[0], box[3] - box[1], 1e-300}) / cells;
    std::vector<std::vector<int>> grid(size_t(cells) * size_t(cells));
    auto cellOf = [&](double x, double low) { return std::clamp(int((x - low) / size), 0, cells - 1); };
    for (size_t i = 0; i < outline.size(); ++i) {
        const Segment& g = outline[i];
        for (int cx = cellOf(std::min(g.a[0], g.b[0]), box[0]); cx <= cellOf(std::max(g.a[0], g.b[0]), box[0]); ++cx)
            for (int cy = cellOf(std::min(g.a[1], g.b[1]), box[1]); cy <= cellOf(std::max(g.a[1], g.b[1]), box[1]); ++cy)
                grid[size_t(cx) * size_t(cells) + size_t(cy)].push_back(int(i));
    }
    auto side = [](const double* p, const double* q, const double* r) {
        return (q[0] - p[0]) * (r[1] - p[1]) - (r[0] - p[0]) * (q[1] - p[1]);
    };
    for (const std::vector<int>& cell : grid)
        for (size_t x = 0; x < cell.size(); ++x)
            for (size_t y = x + 1; y < cell.size(); ++y) {
                const Segment& g = outline[size_t(cell[x])];
                const Segment& h = outline[size_t(cell[y])];
                if (side(g.a, g.b, h.a) * side(g.a, g.b, h.b) < 0 && side(h.a, h.b, g.a) * side(h.a, h.b, g.b) < 0)
                    return false;
            }
    return true;
}

// Splits a connected part in two around its two faces farthest apart (in steps across
// edges); the edges between the halves are unlinked.
std::pair<std::vector<int>, std::vector<int>> halve(FaceSet& set, const std::vector<int>& members) {
    std::vector<int>& slot = set.slot;
    if (slot.size() != set.faces.size()) slot.assign(set.faces.size(), -1);
    const int count = int(members.size());
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = k;
    std::vector<int> label(static_cast<size_t>(count)), queue;
    // Grows from the seeds, each face taking the label of the face it was reached from;
    // answers the face reached last.
    auto grow = [&](std::initializer_list<int> seeds) {
        std::fill(label.begin(), label.end(), -1);
        queue.clear();
        int next = 0;
        for (int seed : seeds) label[size_t(seed)] = next++, queue.push_back(seed);
        for (size_t head = 0; head < queue.size(); ++head)
            for (int e = 0; e < 3; ++e) {
                const int other = set.neighbour[size_t(3 * members[size_t(queue[head])] + e)];
                if (other < 0 || slot[size_t(other / 3)] < 0 || label[size_t(slot[size_t(other / 3)])] >= 0) continue;
                label[size_t(slot[size_t(other / 3)])] = label[size_t(queue[head])];
                queue.push_back(slot[size_t(other / 3)]);
            }
        return queue.back();
    };
    const int distant = grow({0});
    int farther = grow({distant});
    if (farther == distant) farther = distant == 0 ? 1 : 0;
    grow({distant, farther});
    std::pair<std::vector<int>, std::vector<int>> halves;
    for (int k = 0; k < count; ++k) {
        (label[size_t(k)] == 1 ? halves.second : halves.first).push_back(members[size_t(k)]);
        for (int e = 0; e < 3; ++e) {
            const int edge = 3 * members[size_t(k)] + e, other = set.neighbour[size_t(edge)];
            if (other >= 0 && slot[size_t(other / 3)] >= 0 && label[size_t(slot[size_t(other / 3)])] != label[size_t(k)])
                set.unlink(edge);
        }
    }
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = -1;
    return halves;
}

}  // namespace

int growCharts(UVWalk& walk, FaceSet& set, std::vector<int>& part, double maxDegrees) {
    const int n = set.size();
    std::vector<Point3> normal(static_cast<size_t>(n));
    std::vector<double> area(static_cast<size_t>(n));
    for (int m = 0; m < n; ++m) {
        const Point3 a = areaNormal(walk, walk.face(set.faces[size_t(m)]));
        area[size_t(m)] = length(a);
        if (area[size_t(m)] > 0 && std::isfinite(area[size_t(m)])) normal[size_t(m)] = a * (1.0 / area[size_t(m)]);
        else area[size_t(m)] = 0;
    }
    const double limit = std::cos(maxDegrees * DEGREES_TO_RADIANS);
    // Faces with a locked corner make charts of their own: what stays pinned does not
    // hold free faces in place, which then pack around it.
    auto lockedFace = [&](int m) { return (walk.face(set.faces[size_t(m)]).flags & UV_LOCKED_ALL) != 0; };
    // Larger faces seed first: their normals say most about the surface around them.
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return area[size_t(a)] > area[size_t(b)]; });
    part.assign(size_t(n), -1);
    std::vector<int> queue;
    int count = 0;
    for (int seed : order) {
        if (part[size_t(seed)] >= 0) continue;
        part[size_t(seed)] = count;
        Point3 sum = normal[size_t(seed)] * area[size_t(seed)];
        queue.assign(1, seed);
        for (size_t head = 0; head < queue.size(); ++head) {
            const int m = queue[head];
            const double len = length(sum);
            const Point3 mean = len > 0 ? sum * (1.0 / len) : Point3{};
            for (int e = 0; e < 3; ++e) {
                const int other = set.neighbour[size_t(3 * m + e)];
                if (other < 0 || part[size_t(other / 3)] >= 0) continue;
                const int m2 = other / 3;
                // Degenerate faces have no normal and go with whichever chart meets them first.
                if (area[size_t(m2)] > 0 && dot(normal[size_t(m2)], mean) < limit) continue;
                if (lockedFace(m2) != lockedFace(seed)) continue;
                part[size_t(m2)] = count;
                sum = sum + normal[size_t(m2)] * area[size_t(m2)];
                queue.push_back(m2);
            }
        }
        ++count;
    }
    for (int edge = 0; edge < 3 * n; ++edge) {
        const int other = set.neighbour[size_t(edge)];
        if (other >= 0 && part[size_t(edge / 3)] != part[size_t(other / 3)]) set.unlink(edge);
    }
    return count;
}

int freeSlivers(UVWalk& walk, FaceSet& set, std::vector<int>& part, int partCount, int& written) {
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
        if (-2 * area > SLIVER_HEIGHT * longest * longest) {
            uvArea -= area, area3D += 0.5 * length(areaNormal(walk, face)), ++good;
        } else if (!(face.flags & UV_LOCKED_ALL)) {
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
        const Point3 p[3] = {positionOf(walk, face, 0), positionOf(walk, face, 1), positionOf(walk, face, 2)};
        int base = 0;
        for (int e = 1; e < 3; ++e)
            if (length(p[(e + 1) % 3] - p[e]) > length(p[(base + 1) % 3] - p[base])) base = e;
        const Point3 edge = p[(base + 1) % 3] - p[base], side = p[(base + 2) % 3] - p[base];
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

int flattenParts(UVWalk& walk, FaceSet& set, std::vector<int>& part, int partCount, bool splitOverlaps,
                 int& written) {
    const PartList list = listParts(part, partCount);
    const int origins = partCount;
    std::vector<std::vector<int>> pieces(static_cast<size_t>(partCount)), done;
    for (int p = 0; p < partCount; ++p)
        pieces[size_t(p)].assign(list.members.begin() + list.first[size_t(p)], list.members.begin() + list.first[size_t(p) + 1]);
    // Pieces split from one part remember it: they are laid out side by side where it was.
    std::vector<int> originOf(pieces.size()), doneOrigin;
    std::iota(originOf.begin(), originOf.end(), 0);
    std::vector<Flat> flats;
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::vector<int> members = std::move(pieces[i]);
        if (members.size() > 1) cutToDisc(walk, set, members.data(), int(members.size()));
        Flat flat = flatten(walk, set, members.data(), int(members.size()));
        // A part that folds, overlaps itself or bends angles too far is split in two.
        if (splitOverlaps && members.size() > 1 && flat.solved &&
            (flat.angleError > MOST_ANGLE_ERROR || !embedded(set, members, flat))) {
            auto [first, second] = halve(set, members);
            pieces.push_back(std::move(first));
            pieces.push_back(std::move(second));
            originOf.insert(originOf.end(), 2, originOf[i]);
            continue;
        }
        done.push_back(std::move(members));
        doneOrigin.push_back(originOf[i]);
        flats.push_back(std::move(flat));
    }
    partCount = int(done.size());
    for (int p = 0; p < partCount; ++p)
        for (int m : done[size_t(p)]) part[size_t(m)] = p;
    // Parts without two pins share the UV area they had before by their 3D areas, so the
    // texel density is even; without a usable previous area they share half the square.
    double previous = 0, area3D = 0;
    for (const Flat& flat : flats)
        if (flat.solved && flat.pins < 2) previous += flat.previousArea, area3D += flat.area3D;
    if (!(previous > 0) || !std::isfinite(previous)) previous = 0.5;
    std::vector<std::array<double, 4>> boxes(flats.size());
    for (size_t p = 0; p < flats.size(); ++p) {
        Flat& flat = flats[p];
        if (!flat.solved || flat.pins >= 2) continue;
        turnToSmallestBox(flat.uv);
        const double scale = std::sqrt(previous * flat.area3D / area3D / flat.areaUV);
        boxes[p] = {1e300, 1e300, -1e300, -1e300};
        for (size_t i = 0; i + 1 < flat.uv.size(); i += 2) {
            if (!std::isfinite(flat.uv[i])) continue;
            flat.uv[i] *= scale, flat.uv[i + 1] *= scale;
            boxes[p][0] = std::min(boxes[p][0], flat.uv[i]), boxes[p][2] = std::max(boxes[p][2], flat.uv[i]);
            boxes[p][1] = std::min(boxes[p][1], flat.uv[i + 1]), boxes[p][3] = std::max(boxes[p][3], flat.uv[i + 1]);
        }
    }
    // One pin stays where it is. Otherwise a part keeps the centre it had; the pieces of a
    // split part stand in a row about that centre, a tenth of the tallest apart.
    std::vector<double> shifts(2 * flats.size(), 0.0);
    const PartList byOrigin = listParts(doneOrigin, origins);
    for (size_t p = 0; p < flats.size(); ++p) {
        const Flat& flat = flats[p];
        if (!flat.solved || flat.pins >= 2) continue;
        if (flat.pins == 1) {
            shifts[2 * p] = flat.pinUV[0] - flat.uv[size_t(2 * flat.pinCorner)];
            shifts[2 * p + 1] = flat.pinUV[1] - flat.uv[size_t(2 * flat.pinCorner + 1)];
            continue;
        }
        const int origin = doneOrigin[p];
        if (byOrigin.members[size_t(byOrigin.first[size_t(origin)])] != int(p))
            continue;  // placed with the first piece of its part
        std::vector<size_t> row;
        double was[4] = {1e300, 1e300, -1e300, -1e300}, tallest = 0, width = 0;
        for (int i = byOrigin.first[size_t(origin)]; i < byOrigin.first[size_t(origin) + 1]; ++i) {
            const size_t q = size_t(byOrigin.members[size_t(i)]);
            if (!flats[q].solved || flats[q].pins != 0) continue;
            row.push_back(q);
            for (int axis = 0; axis < 2; ++axis) {
                was[axis] = std::min(was[axis], flats[q].previousBox[axis]);
                was[axis + 2] = std::max(was[axis + 2], flats[q].previousBox[axis + 2]);
            }
            tallest = std::max(tallest, boxes[q][3] - boxes[q][1]);
        }
        const double gap = 0.1 * tallest;
        for (size_t q : row) width += boxes[q][2] - boxes[q][0] + gap;
        const bool hadBox = was[0] <= was[2];
        double x = (hadBox ? 0.5 * (was[0] + was[2]) : 0.5) - 0.5 * (width - gap);
        const double y = hadBox ? 0.5 * (was[1] + was[3]) : 0.5;
        for (size_t q : row) {
            shifts[2 * q] = x - boxes[q][0];
            shifts[2 * q + 1] = y - 0.5 * (boxes[q][1] + boxes[q][3]);
            x += boxes[q][2] - boxes[q][0] + gap;
        }
    }
    for (int p = 0; p < partCount; ++p) {
        Flat& flat = flats[size_t(p)];
        if (!flat.solved) continue;
        for (size_t i = 0; i + 1 < flat.uv.size(); i += 2)
            flat.uv[i] += shifts[2 * size_t(p)], flat.uv[i + 1] += shifts[2 * size_t(p) + 1];
        const std::vector<int>& members = done[size_t(p)];
        for (size_t k = 0; k < members.size(); ++k) {
            FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
            for (int c = 0; c < 3; ++c) {
                const double u = flat.uv[size_t(6 * k + 2 * c)], v = flat.uv[size_t(6 * k + 2 * c + 1)];
                if (!(face.flags & (UV_LOCKED << c)) && std::isfinite(u) && std::isfinite(v))
                    written += writeUV(face, c, u, v);
            }
        }
    }
    return partCount;
}

}  // namespace islands

bool unwrap(UVModel& model, float epsilon) {
    UVEdit edit(model, {L"Unwrap", EDIT_FACE_DATA});
    islands::onSelectedIslands(edit, epsilon, true, [&](islands::FaceSet& set, std::vector<int>& part, int parts) {
        islands::flattenParts(edit, set, part, parts, true, edit.changed);
    });
    return edit.finish();
}

bool autoUnwrap(UVModel& model, float epsilon) {
    UVEdit edit(model, {L"Auto Unwrap", EDIT_FACE_DATA});
    try {
        islands::FaceSet set = islands::selectedFaces(edit);
        islands::linkEdges(edit, set, epsilon, false, true);
        std::vector<int> part;
        int parts = islands::growCharts(edit, set, part, CHART_ANGLE_DEGREES);
        parts = islands::flattenParts(edit, set, part, parts, true, edit.changed);
        parts = islands::freeSlivers(edit, set, part, parts, edit.changed);
        islands::packParts(edit, set, part, parts, PACK_MARGIN, edit.changed);
    } catch (const std::bad_alloc&) {
        // What was written before the memory ran out stays counted.
    }
    return edit.finish();
}
