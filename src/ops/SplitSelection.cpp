// Split Selection: the selected faces are cut from their islands, and each piece moves a
// pack margin away from the faces it was cut from so that the cut shows.
#include "IslandMotion.h"
#include "IslandTools.h"

#include <cmath>
#include <new>

namespace {

using namespace islands;

// What a piece of selected faces knows about its cut: sums to be averaged.
struct Cut {
    double edgeU = 0, edgeV = 0;  // midpoints of the cut edges
    double restU = 0, restV = 0;  // centres of the faces across them
    int edges = 0;
};

// The working arrays, kept from call to call.
struct SplitWork {
    FaceSet set;
    std::vector<char> chosen;
    std::vector<std::pair<int, int>> crossing;  // (edge of a chosen face, its partner)
    std::vector<int> part;
    std::vector<Cut> cuts;
    PartList list;
};

double faceCentre(const FaceSet& set, int member, int axis) {
    const float* uv = &set.uv[6 * size_t(member)];
    return (double(uv[axis]) + uv[2 + axis] + uv[4 + axis]) / 3;
}

// The way from the cut into the piece: from the cut edges' middle to the piece's centre,
// or, where those meet (a piece cut out of the middle), from the faces it was cut from.
void awayFromCut(const FaceSet& set, const int* members, int count, const Cut& cut, double& du, double& dv) {
    double u = 0, v = 0, low[2] = {1e300, 1e300}, high[2] = {-1e300, -1e300};
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < 6; ++i) {
            const double x = set.uv[6 * size_t(members[k]) + size_t(i)];
            (i % 2 ? v : u) += x;
            low[i % 2] = std::fmin(low[i % 2], x), high[i % 2] = std::fmax(high[i % 2], x);
        }
    u /= 3.0 * count, v /= 3.0 * count;
    const double size = std::hypot(high[0] - low[0], high[1] - low[1]), least = 1e-6 * size + 1e-12;
    du = u - cut.edgeU / cut.edges, dv = v - cut.edgeV / cut.edges;
    if (std::hypot(du, dv) > least) return;
    du = u - cut.restU / cut.edges, dv = v - cut.restV / cut.edges;
    if (std::hypot(du, dv) > least) return;
    du = 1, dv = 0;
}

}  // namespace

EditResult splitSelection(UVModel& model, float epsilon, const SplitOptions& options) {
    UVEdit edit(model, keepingSteps(L"Split Selection"));
    return edit.run([&] {
        SplitWork& work = model.scratch.slots.get<SplitWork>();
        FaceSet& set = work.set;
        gatherFaces(edit, [](const FaceRecord&) { return true; }, set);
        linkEdges(edit, set, epsilon, EdgeLink::VerticesAndUVs, Winding::Any);
        const int n = set.size();
        std::vector<char>& chosen = work.chosen;
        chosen.resize(size_t(n));
        for (int m = 0; m < n; ++m)
            chosen[size_t(m)] =
                (edit.face(set.faces[size_t(m)]).flags & (UV_SELECTED_ALL | UV_HIDDEN_ALL)) == UV_SELECTED_ALL;
        // The links across the cut go; what stays linked among chosen faces are the pieces.
        std::vector<std::pair<int, int>>& crossing = work.crossing;
        crossing.clear();
        for (int edge = 0; edge < 3 * n; ++edge) {
            const int other = set.neighbour[size_t(edge)];
            if (other >= 0 && chosen[size_t(edge / 3)] && !chosen[size_t(other / 3)]) crossing.push_back({edge, other});
        }
        for (const auto& [edge, other] : crossing) set.unlink(edge);
        std::vector<int>& part = work.part;
        const int parts = findParts(set, part);
        std::vector<Cut>& cuts = work.cuts;
        cuts.assign(size_t(parts), Cut{});
        for (const auto& [edge, other] : crossing) {
            Cut& cut = cuts[size_t(part[size_t(edge / 3)])];
            const int end = edge - edge % 3 + (edge + 1) % 3;
            cut.edgeU += 0.5 * (double(set.uv[2 * size_t(edge)]) + set.uv[2 * size_t(end)]);
            cut.edgeV += 0.5 * (double(set.uv[2 * size_t(edge) + 1]) + set.uv[2 * size_t(end) + 1]);
            cut.restU += faceCentre(set, other / 3, 0), cut.restV += faceCentre(set, other / 3, 1);
            ++cut.edges;
        }
        PartList& list = work.list;
        listParts(part, parts, list);
        for (int p = 0; p < parts; ++p) {
            const int* members = &list.members[size_t(list.first[size_t(p)])];
            const int count = list.first[size_t(p) + 1] - list.first[size_t(p)];
            // Pieces not cut from anything (and the unchosen parts) stay.
            if (cuts[size_t(p)].edges == 0 || anyLocked(edit, set, members, count) || !allFinite(set, members, count))
                continue;
            double du, dv;
            awayFromCut(set, members, count, cuts[size_t(p)], du, dv);
            const double length = std::hypot(du, dv);
            Motion shift;
            shift.tu = options.gap * du / length, shift.tv = options.gap * dv / length;
            edit.changed += moveMembers(edit, set, members, count, shift);
        }
    });
}
