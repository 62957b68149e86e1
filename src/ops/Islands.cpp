// Island structure (which member edges meet, which corners share a UV vertex) and the
// Select Island command.
#include "IslandsInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <numeric>

namespace islands {

void UnionFind::reset(size_t count) {
    parent.resize(count);
    std::iota(parent.begin(), parent.end(), 0);
}

namespace {

bool coincide(const float* a, const float* b, float epsilonSquared) {
    const float du = a[0] - b[0], dv = a[1] - b[1];
    return du * du + dv * dv <= epsilonSquared;
}

}  // namespace

void linkEdges(UVWalk& walk, FaceSet& set, float epsilon, EdgeLink link, Winding winding) {
    const bool throughUVs = link == EdgeLink::VerticesAndUVs, sameWinding = winding == Winding::Same;
    const int n = set.size();
    const unsigned vertexCount = unsigned(walk.vertexCount());
    const std::vector<uint16_t>& vertex = set.vertex;
    set.neighbour.assign(3 * size_t(n), -1);
    // The corners on each vertex, vertex by vertex.
    std::vector<int>& first = set.vertexStart;
    first.assign(size_t(vertexCount) + 1, 0);
    for (uint16_t v : vertex)
        if (v < vertexCount) ++first[size_t(v) + 1];
    std::partial_sum(first.begin(), first.end(), first.begin());
    std::vector<int>& corners = set.vertexCorners;
    corners.resize(size_t(first.back()));
    for (int corner = 0; corner < 3 * n; ++corner)
        if (vertex[size_t(corner)] < vertexCount) corners[size_t(first[vertex[size_t(corner)]]++)] = corner;
    // Each start was advanced to the next vertex's; step back.
    for (unsigned v = vertexCount; v > 0; --v) first[v] = first[v - 1];
    first[0] = 0;
    const float epsilonSquared = epsilon * epsilon;
    auto uvOf = [&](int corner) { return &set.uv[2 * size_t(corner)]; };
    for (int m = 0; m < n; ++m) {
        for (int e = 0; e < 3; ++e) {
            const int edge = 3 * m + e, end = 3 * m + (e + 1) % 3;
            const unsigned a = vertex[size_t(edge)], b = vertex[size_t(end)];
            if (set.neighbour[size_t(edge)] >= 0 || a >= vertexCount || b >= vertexCount || a == b) continue;
            for (int k = first[a]; k < first[a + 1]; ++k) {
                const int atA = corners[size_t(k)], m2 = atA / 3, c2 = atA % 3;
                if (m2 <= m) continue;
                // The other face's edge between the two vertices, in either direction.
                const int before = 3 * m2 + (c2 + 2) % 3, after = 3 * m2 + (c2 + 1) % 3;
                int other = -1, atB = -1;
                if (vertex[size_t(before)] == b) other = atB = before;
                else if (vertex[size_t(after)] == b && !sameWinding) other = atA, atB = after;
                if (other < 0 || set.neighbour[size_t(other)] >= 0) continue;
                if (throughUVs && !(coincide(uvOf(edge), uvOf(atA), epsilonSquared) &&
                                    coincide(uvOf(end), uvOf(atB), epsilonSquared)))
                    continue;
                set.neighbour[size_t(edge)] = other;
                set.neighbour[size_t(other)] = edge;
                break;
            }
        }
    }
}

FaceSet selectedFaces(UVWalk& walk) {
    FaceSet set;
    selectedFaces(walk, set);
    return set;
}

void selectedFaces(UVWalk& walk, FaceSet& set) {
    gatherFaces(walk, [&](const FaceRecord& face) {
        if ((face.flags & (UV_SELECTED_ALL | UV_HIDDEN_ALL)) != UV_SELECTED_ALL) return false;
        for (int c = 0; c < 3; ++c) {
            const VertexRecord* v = walk.vertexOf(face, c);
            if (!v || !std::isfinite(v->position[0]) || !std::isfinite(v->position[1]) ||
                !std::isfinite(v->position[2]))
                return false;
        }
        return true;
    }, set);
}

int selectedIslands(UVWalk& walk, float epsilon, Winding winding, FaceSet& set, std::vector<int>& part) {
    selectedFaces(walk, set);
    linkEdges(walk, set, epsilon, EdgeLink::VerticesAndUVs, winding);
    return findParts(set, part);
}

int findParts(FaceSet& set, std::vector<int>& part) {
    const int n = set.size();
    part.assign(size_t(n), -1);
    std::vector<int>& stack = set.stack;
    stack.clear();
    int count = 0;
    for (int seed = 0; seed < n; ++seed) {
        if (part[size_t(seed)] >= 0) continue;
        part[size_t(seed)] = count;
        stack.push_back(seed);
        while (!stack.empty()) {
            const int m = stack.back();
            stack.pop_back();
            for (int e = 0; e < 3; ++e) {
                const int other = set.neighbour[size_t(3 * m + e)];
                if (other >= 0 && part[size_t(other / 3)] < 0) {
                    part[size_t(other / 3)] = count;
                    stack.push_back(other / 3);
                }
            }
        }
        ++count;
    }
    return count;
}

PartList listParts(const std::vector<int>& part, int partCount) {
    PartList list;
    listParts(part, partCount, list);
    return list;
}

void listParts(const std::vector<int>& part, int partCount, PartList& list) {
    list.first.assign(size_t(partCount) + 1, 0);
    for (int p : part) ++list.first[size_t(p) + 1];
    std::partial_sum(list.first.begin(), list.first.end(), list.first.begin());
    list.members.resize(part.size());
    for (size_t m = 0; m < part.size(); ++m) list.members[size_t(list.first[size_t(part[m])]++)] = int(m);
    // Each start was advanced to the next part's; step back.
    for (size_t p = size_t(partCount); p > 0; --p) list.first[p] = list.first[p - 1];
    list.first[0] = 0;
}

int joinCorners(FaceSet& set, const int* members, int count, std::vector<int>& vertexOf) {
    // Where each member sits in the list, for the members reached across an edge; the
    // scratch is reset afterwards so that many small lists cost no more than one large.
    std::vector<int>& slot = set.slot;
    if (slot.size() != set.faces.size()) slot.assign(set.faces.size(), -1);
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = k;
    UnionFind& joins = set.joins;
    joins.reset(size_t(3) * size_t(count));
    for (int k = 0; k < count; ++k) {
        const int m = members[k];
        for (int e = 0; e < 3; ++e) {
            const int other = set.neighbour[size_t(3 * m + e)];
            if (other < 0 || slot[size_t(other / 3)] < 0) continue;
            const int m2 = other / 3, k2 = slot[size_t(m2)], e2 = other % 3;
            for (int end : {e, (e + 1) % 3})
                for (int end2 : {e2, (e2 + 1) % 3})
                    if (set.vertex[size_t(3 * m2 + end2)] == set.vertex[size_t(3 * m + end)])
                        joins.join(3 * k + end, 3 * k2 + end2);
        }
    }
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = -1;
    vertexOf.assign(size_t(3) * size_t(count), -1);
    int numbers = 0;
    for (int corner = 0; corner < 3 * count; ++corner) {
        const int root = joins.root(corner);
        if (vertexOf[size_t(root)] < 0) vertexOf[size_t(root)] = numbers++;
        vertexOf[size_t(corner)] = vertexOf[size_t(root)];
    }
    return numbers;
}

}  // namespace islands

// Faces with a hidden corner are neither crossed nor selected.
EditResult selectIsland(UVModel& model, float epsilon, bool sync) {
    UVEdit edit(model, {L"Select Island", selectionScope(sync)});
    return edit.run([&] {
        islands::FaceSet set =
            islands::gatherFaces(edit, [](const FaceRecord& face) { return (face.flags & UV_HIDDEN_ALL) == 0; });
        islands::linkEdges(edit, set, epsilon, islands::EdgeLink::VerticesAndUVs, islands::Winding::Any);
        std::vector<int> part;
        const int parts = islands::findParts(set, part);
        std::vector<char> chosen(static_cast<size_t>(parts), 0);
        for (int m = 0; m < set.size(); ++m)
            if (edit.face(set.faces[size_t(m)]).flags & UV_SELECTED_ALL) chosen[size_t(part[size_t(m)])] = 1;
        for (int m = 0; m < set.size(); ++m) {
            if (!chosen[size_t(part[size_t(m)])]) continue;
            edit.changed += islands::setWholeFaceSelected(edit, edit.face(set.faces[size_t(m)]), true, {sync});
        }
    });
}
