// Opening a part into a disc before it is flattened: closed parts are slit along a
// shortest edge path, further boundary loops joined to the first by shortest paths, and
// parts of many holes or handles cut along the complement of a spanning tree.
#include "UnwrapSteps.h"

#include <functional>
#include <limits>
#include <numeric>
#include <queue>

namespace islands {

namespace {

// Boundary loops beyond which a part is opened by one cut along the complement of a
// spanning tree rather than by a shortest path to each further loop.
constexpr size_t MOST_PATH_CUT_LOOPS = 8;

// The UV vertices of one part and the edges between them, for shortest paths.
struct PartGraph {
    const int* vertexOf = nullptr;  // per corner 3 k + c of the listed members
    int vertexCount = 0;
    std::vector<Vector3d> position;
    std::vector<int> first, to, edgeOf;  // adjacency: neighbour vertex and local edge 3 k + e
    std::vector<double> length;
};

PartGraph graphOf(UVWalk& walk, FaceSet& set, const int* members, int count, const PartVertices& vertices) {
    PartGraph g;
    g.vertexOf = vertices.of.data();
    g.vertexCount = vertices.count;
    g.position.resize(size_t(g.vertexCount));
    g.first.assign(size_t(g.vertexCount) + 1, 0);
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) {
            g.position[size_t(g.vertexOf[3 * k + c])] = positionOf(walk, face, c);
            g.first[size_t(g.vertexOf[3 * k + c]) + 1] += 2;
        }
    }
    std::partial_sum(g.first.begin(), g.first.end(), g.first.begin());
    g.to.resize(size_t(g.first.back()));
    g.edgeOf.resize(g.to.size());
    g.length.resize(g.to.size());
    std::vector<int> next(g.first.begin(), g.first.end() - 1);
    for (int k = 0; k < count; ++k)
        for (int e = 0; e < 3; ++e) {
            const int a = g.vertexOf[3 * k + e], b = g.vertexOf[3 * k + (e + 1) % 3];
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

}  // namespace

void cutToDisc(UVWalk& walk, FaceSet& set, const int* members, int count, PartVertices& vertices) {
    for (int round = 0; round < 64; ++round) {
        // Whether the part is a disc needs only its UV vertices; the graph for the
        // shortest paths is built when there is something to cut.
        const int vertexCount = vertices.count = joinCorners(set, members, count, vertices.of);
        const int* vertexOf = vertices.of.data();
        UnionFind loops{size_t(vertexCount)};
        std::vector<char> onBoundary(size_t(vertexCount), 0);
        int edges = 0;
        for (int k = 0; k < count; ++k)
            for (int e = 0; e < 3; ++e) {
                const int edge = 3 * members[k] + e, other = set.neighbour[size_t(edge)];
                if (other >= 0) {
                    edges += other > edge;
                    continue;
                }
                ++edges;
                const int a = vertexOf[3 * k + e], b = vertexOf[3 * k + (e + 1) % 3];
                loops.join(a, b);
                onBoundary[size_t(a)] = onBoundary[size_t(b)] = 1;
            }
        std::vector<int> loopRoots;
        for (int v = 0; v < vertexCount; ++v)
            if (onBoundary[size_t(v)] && loops.root(v) == v) loopRoots.push_back(v);
        const int euler = vertexCount - edges + count;
        if (euler == 1 && loopRoots.size() == 1) return;
        const PartGraph g = graphOf(walk, set, members, count, vertices);
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
            vertices.count = joinCorners(set, members, count, vertices.of);
            if (vertices.count == vertexCount) return;  // nothing left to open
        }
    }
    vertices.count = joinCorners(set, members, count, vertices.of);
}

void joinCoincidentCorners(UVWalk& walk, const FaceSet& set, const int* members, int count, PartVertices& vertices) {
    std::vector<int>& of = vertices.of;
    UnionFind joins;
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) {
            const int d = (c + 1) % 3;
            const int a = of[size_t(3 * k + c)], b = of[size_t(3 * k + d)];
            const float* p = walk.vertexOf(face, c)->position;
            const float* q = walk.vertexOf(face, d)->position;
            if (a == b || p[0] != q[0] || p[1] != q[1] || p[2] != q[2]) continue;
            if (joins.parent.empty()) joins.reset(size_t(vertices.count));
            joins.join(a, b);
        }
    }
    if (joins.parent.empty()) return;
    std::vector<int> number(size_t(vertices.count), -1);
    int next = 0;
    for (int i = 0; i < 3 * count; ++i) {
        int& to = number[size_t(joins.root(of[size_t(i)]))];
        if (to < 0) to = next++;
        of[size_t(i)] = to;
    }
    vertices.count = next;
}

}  // namespace islands
