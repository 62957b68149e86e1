// Stitch: islands that meet in 3D along edges of the selection are sewn together. The
// islands are joined like a spanning tree, the pairs sharing most edges first: each join
// moves the smaller side (with what is already sewn to it) by the motion that fits its
// seam corners to their partners, and at the end each set of partner corners takes one
// position. Working positions are kept apart from the records until all is decided.
#include "IslandMotion.h"
#include "IslandTools.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numeric>

namespace {

using namespace islands;

// One pair of partner edges: corners side[0][k] and side[1][k] are on one vertex.
struct Seam {
    int island[2];
    int corner[2][2];
    bool sameWay;  // both faces run the edge in the same direction (the mesh winds unevenly there)
    int kept = -2; // once sewn: the side that did not move (whose corners the others meet), or -1
};

// The islands a sewing works on, with the working positions of every corner; kept from
// call to call.
struct Sewing {
    FaceSet set;
    std::vector<int> meshPartner;  // per edge: the member edge on the same two vertices, or -1
    std::vector<int> island;       // per member
    std::vector<char> pinned;      // per corner: locked or hidden, it never moves
    std::vector<char> finite;      // per island: every UV finite
    std::vector<double> position;  // per corner: u, v
    std::vector<Seam> seams;
    double area(int member) const {
        const double* p = &position[6 * size_t(member)];
        return (p[2] - p[0]) * (p[5] - p[1]) - (p[4] - p[0]) * (p[3] - p[1]);
    }
};

int sign(double x) { return (x > 0) - (x < 0); }

// The partner edges of edges of the selection that lie on two islands, each pair once.
void findSeams(UVWalk& walk, Sewing& s, float epsilon) {
    const std::vector<int>& meshPartner = s.meshPartner;
    const FaceSet& set = s.set;
    auto selected = [&](int edge) {
        const uint16_t flags = walk.face(set.faces[size_t(edge / 3)]).flags;
        const int c = edge % 3;
        return CORNERS_SELECTED.passes(flags, c) && CORNERS_SELECTED.passes(flags, (c + 1) % 3);
    };
    auto apart = [&](int a, int b) {
        return std::hypot(s.position[2 * size_t(a)] - s.position[2 * size_t(b)],
                          s.position[2 * size_t(a) + 1] - s.position[2 * size_t(b) + 1]) > epsilon;
    };
    std::vector<Seam>& seams = s.seams;
    seams.clear();
    for (int edge = 0; edge < 3 * set.size(); ++edge) {
        const int other = meshPartner[size_t(edge)];
        if (other < 0 || !selected(edge) || (other < edge && selected(other))) continue;
        const int m = edge / 3, m2 = other / 3;
        Seam seam{{s.island[size_t(m)], s.island[size_t(m2)]}, {}, false};
        if (seam.island[0] == seam.island[1]) continue;
        const int end = 3 * m + (edge + 1) % 3, otherEnd = 3 * m2 + (other + 1) % 3;
        seam.sameWay = set.vertex[size_t(other)] == set.vertex[size_t(edge)];
        seam.corner[0][0] = edge, seam.corner[0][1] = end;
        seam.corner[1][0] = seam.sameWay ? other : otherEnd, seam.corner[1][1] = seam.sameWay ? otherEnd : other;
        if (apart(edge, seam.corner[1][0]) || apart(end, seam.corner[1][1])) seams.push_back(seam);
    }
}

// Islands joined so far: their faces, whether one cannot move, and their members.
struct Joins {
    UnionFind groups;
    std::vector<int> faces;
    std::vector<char> pinned;
    std::vector<std::vector<int>> members;  // of each group's root
    explicit Joins(int islands) : groups(size_t(islands)), faces(size_t(islands)), pinned(size_t(islands)), members(size_t(islands)) {}
};

// Moves the group by the motion fitted to the seams; false when it would leave the
// finite numbers.
bool moveOnto(Sewing& s, const std::vector<Seam>& seams, size_t first, size_t last, int moving, Joins& joins) {
    PointPairs pairs;
    int aligned = 0;
    for (size_t i = first; i < last; ++i) {
        const Seam& seam = seams[i];
        const int side = joins.groups.root(seam.island[0]) == moving ? 0 : 1;
        for (int k = 0; k < 2; ++k) {
            const size_t from = size_t(seam.corner[side][k]), to = size_t(seam.corner[1 - side][k]);
            pairs.add(s.position[2 * from], s.position[2 * from + 1], s.position[2 * to], s.position[2 * to + 1]);
        }
        // Faces on either side of an edge that the mesh runs both ways wind alike in UV.
        const int turns = sign(s.area(seam.corner[0][0] / 3)) * sign(s.area(seam.corner[1][0] / 3));
        aligned += seam.sameWay ? -turns : turns;
    }
    const Motion motion = fitMotion(pairs, aligned < 0, Fit::TurnAndScale);
    std::vector<double> moved;
    for (int m : joins.members[size_t(moving)])
        for (int c = 0; c < 3; ++c) {
            double u, v;
            motion.apply(s.position[6 * size_t(m) + 2 * size_t(c)], s.position[6 * size_t(m) + 2 * size_t(c) + 1], u, v);
            if (!(std::fabs(u) <= 1e30 && std::fabs(v) <= 1e30)) return false;
            moved.push_back(u), moved.push_back(v);
        }
    size_t k = 0;
    for (int m : joins.members[size_t(moving)])
        for (int i = 0; i < 6; ++i) s.position[6 * size_t(m) + size_t(i)] = moved[k++];
    return true;
}

// Partner corners of the sewn seams meet: a corner that cannot move holds its set in
// place, else the set meets where its UV vertices on the sides that stayed are (so that an
// island that did not move keeps its UVs to the bit), else at the mean of its UV vertices.
// A set that would turn a face over stays apart; answers the positions.
std::vector<double> closeSeams(Sewing& s, const std::vector<Seam>& seams) {
    const int n = s.set.size();
    std::vector<int> all(static_cast<size_t>(n)), uvVertex;
    std::iota(all.begin(), all.end(), 0);
    const int count = joinCorners(s.set, all.data(), n, uvVertex);
    UnionFind meets(static_cast<size_t>(count));
    std::vector<int> size(static_cast<size_t>(count), 1);
    std::vector<char> stayed(static_cast<size_t>(count), 0);  // per UV vertex
    for (const Seam& seam : seams)
        if (seam.kept != -2)
            for (int k = 0; k < 2; ++k) {
                const int a = meets.root(uvVertex[size_t(seam.corner[0][k])]);
                const int b = meets.root(uvVertex[size_t(seam.corner[1][k])]);
                if (a != b) meets.parent[size_t(a)] = b, size[size_t(b)] += size[size_t(a)];
                if (seam.kept >= 0) stayed[size_t(uvVertex[size_t(seam.corner[seam.kept][k])])] = 1;
            }
    // Per UV vertex, then per set of them: sums of (u, v, count), free and held.
    std::vector<double> vertexSum(3 * size_t(count)), free(3 * size_t(count)), held(3 * size_t(count)),
        kept(3 * size_t(count));
    for (int corner = 0; corner < 3 * n; ++corner) {
        double* sum = &vertexSum[3 * size_t(uvVertex[size_t(corner)])];
        sum[0] += s.position[2 * size_t(corner)], sum[1] += s.position[2 * size_t(corner) + 1], sum[2] += 1;
        if (s.pinned[size_t(corner)]) {
            double* h = &held[3 * size_t(meets.root(uvVertex[size_t(corner)]))];
            h[0] += s.position[2 * size_t(corner)], h[1] += s.position[2 * size_t(corner) + 1], h[2] += 1;
        }
    }
    for (int v = 0; v < count; ++v) {
        double* f = &(stayed[size_t(v)] ? kept : free)[3 * size_t(meets.root(v))];
        const double* sum = &vertexSum[3 * size_t(v)];
        f[0] += sum[0] / sum[2], f[1] += sum[1] / sum[2], f[2] += 1;
    }
    std::vector<char> open(size_t(count), 0);  // per set: left apart
    std::vector<double> result;
    for (int round = 0;; ++round) {
        result = s.position;
        for (int corner = 0; corner < 3 * n; ++corner) {
            const int set = meets.root(uvVertex[size_t(corner)]);
            if (size[size_t(set)] < 2 || open[size_t(set)] || s.pinned[size_t(corner)]) continue;
            const double* target = held[3 * size_t(set) + 2] > 0   ? &held[3 * size_t(set)]
                                   : kept[3 * size_t(set) + 2] > 0 ? &kept[3 * size_t(set)]
                                                                   : &free[3 * size_t(set)];
            result[2 * size_t(corner)] = target[0] / target[2], result[2 * size_t(corner) + 1] = target[1] / target[2];
        }
        bool turned = false;
        for (int m = 0; m < n; ++m) {
            const double* p = &result[6 * size_t(m)];
            const int before = sign(s.area(m));
            const int after = sign((p[2] - p[0]) * (p[5] - p[1]) - (p[4] - p[0]) * (p[3] - p[1]));
            if (before == 0 || after == before) continue;
            turned = true;
            for (int c = 0; c < 3; ++c) open[size_t(meets.root(uvVertex[size_t(3 * m + c)]))] = 1;
        }
        if (!turned) return result;
        if (round == 8) return s.position;
    }
}

void sew(Sewing& s, UVWalk& walk, float epsilon, int& written) {
    gatherFaces(walk, [](const FaceRecord&) { return true; }, s.set);
    const int n = s.set.size();
    linkEdges(walk, s.set, epsilon, EdgeLink::Vertices, Winding::Any);
    s.meshPartner.assign(s.set.neighbour.begin(), s.set.neighbour.end());
    linkEdges(walk, s.set, epsilon, EdgeLink::VerticesAndUVs, Winding::Any);
    const int islandCount = findParts(s.set, s.island);
    s.position.assign(s.set.uv.begin(), s.set.uv.end());
    s.pinned.resize(3 * size_t(n));
    std::vector<char>& finite = s.finite;
    finite.assign(size_t(islandCount), 1);
    for (int m = 0; m < n; ++m) {
        const int i = s.island[size_t(m)];
        const uint16_t flags = walk.face(s.set.faces[size_t(m)]).flags;
        for (int c = 0; c < 3; ++c) {
            s.pinned[3 * size_t(m) + size_t(c)] = (flags & ((UV_LOCKED | UV_HIDDEN) << c)) != 0;
            finite[size_t(i)] &= cornerFinite(walk.face(s.set.faces[size_t(m)]), c);
        }
    }
    findSeams(walk, s, epsilon);
    std::vector<Seam>& seams = s.seams;
    std::erase_if(seams, [&](const Seam& seam) { return !finite[size_t(seam.island[0])] || !finite[size_t(seam.island[1])]; });
    if (seams.empty()) return;
    Joins joins(islandCount);
    for (int m = 0; m < n; ++m) {
        const int i = s.island[size_t(m)];
        for (int c = 0; c < 3; ++c) joins.pinned[size_t(i)] |= s.pinned[3 * size_t(m) + size_t(c)];
        ++joins.faces[size_t(i)];
        joins.members[size_t(i)].push_back(m);
    }
    // Seams by pair of islands; the pairs sharing most edges are joined first.
    for (Seam& seam : seams)
        if (seam.island[0] > seam.island[1]) {
            std::swap(seam.island[0], seam.island[1]);
            for (int k = 0; k < 2; ++k) std::swap(seam.corner[0][k], seam.corner[1][k]);
        }
    std::sort(seams.begin(), seams.end(), [](const Seam& a, const Seam& b) {
        return a.island[0] != b.island[0] ? a.island[0] < b.island[0] : a.island[1] < b.island[1];
    });
    std::vector<std::pair<size_t, size_t>> pairs;  // [first, last) seams of a pair of islands
    for (size_t i = 0, j; i < seams.size(); i = j) {
        for (j = i + 1; j < seams.size() && seams[j].island[0] == seams[i].island[0] && seams[j].island[1] == seams[i].island[1];) ++j;
        pairs.push_back({i, j});
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](auto a, auto b) { return a.second - a.first > b.second - b.first; });
    for (const auto& [first, last] : pairs) {
        const int a = joins.groups.root(seams[first].island[0]), b = joins.groups.root(seams[first].island[1]);
        if (a == b) continue;  // already joined through other islands: this seam stays open
        const bool pinA = joins.pinned[size_t(a)], pinB = joins.pinned[size_t(b)];
        const int moving = pinA && pinB ? -1 : pinA ? b : pinB ? a : joins.faces[size_t(a)] < joins.faces[size_t(b)] ? a : b;
        if (moving >= 0 && !moveOnto(s, seams, first, last, moving, joins)) continue;
        const int kept = moving == a ? b : a, gone = kept == a ? b : a;
        joins.groups.parent[size_t(gone)] = kept;
        joins.faces[size_t(kept)] += joins.faces[size_t(gone)];
        joins.pinned[size_t(kept)] |= joins.pinned[size_t(gone)];
        std::vector<int>& into = joins.members[size_t(kept)];
        into.insert(into.end(), joins.members[size_t(gone)].begin(), joins.members[size_t(gone)].end());
        std::vector<int>().swap(joins.members[size_t(gone)]);
        for (size_t i = first; i < last; ++i) seams[i].kept = moving < 0 ? -1 : moving == a ? 1 : 0;
    }
    const std::vector<double> result = closeSeams(s, seams);
    for (int m = 0; m < n; ++m) {
        FaceRecord& face = walk.face(s.set.faces[size_t(m)]);
        for (int c = 0; c < 3; ++c)
            if (!s.pinned[3 * size_t(m) + size_t(c)])
                written += writeUV(face, c, result[6 * size_t(m) + 2 * size_t(c)], result[6 * size_t(m) + 2 * size_t(c) + 1]);
    }
}

}  // namespace

// Nothing is written before all is decided.
EditResult stitch(UVModel& model, float epsilon) {
    UVEdit edit(model, {L"Stitch", EDIT_FACE_DATA});
    return edit.run([&] { sew(model.scratch.slots.get<Sewing>(), edit, epsilon, edit.changed); });
}
