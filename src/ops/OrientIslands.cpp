// Orient Islands: each selected island turns so that its smallest bounding rectangle
// (found on the convex hull: one of its sides lies on a hull edge) stands axis-aligned,
// long side along u.
#include "ConvexHull.h"
#include "IslandMotion.h"
#include "IslandTools.h"

#include <cmath>

namespace {

using namespace islands;

// The working arrays, kept from call to call.
struct OrientWork {
    std::vector<Point> points, hull;
};

// The corners of the listed members as points, less those that cannot be on the hull.
void hullCandidates(const FaceSet& set, const int* members, int count, std::vector<Point>& points) {
    islands::hullCandidates(3 * count, [&](int k) {
        const float* uv = &set.uv[6 * size_t(members[k / 3]) + 2 * size_t(k % 3)];
        return Point{uv[0], uv[1]};
    }, points);
}

}  // namespace

EditResult orientIslands(UVModel& model, float epsilon) {
    UVEdit edit(model, keepingSteps(L"Orient Islands"));
    return onKeptIslands(model, edit, epsilon, Winding::Any, [&](IslandWork& work) {
        const FaceSet& set = work.set;
        const PartList& list = work.list;
        OrientWork& kept = model.scratch.slots.get<OrientWork>();
        std::vector<Point>& points = kept.points;
        std::vector<Point>& hull = kept.hull;
        for (int p = 0; p < work.parts; ++p) {
            const int* members = &list.members[size_t(list.first[size_t(p)])];
            const int count = list.first[size_t(p) + 1] - list.first[size_t(p)];
            if (anyLocked(edit, set, members, count) || !allFinite(set, members, count)) continue;
            hullCandidates(set, members, count, points);
            convexHull(points, hull);
            if (hull.size() < 3) continue;
            double cu = 0, cv = 0;
            const double turn = uprightTurn(hull, cu, cv);
            // Turns this small move no corner by a visible amount; leaving them keeps a
            // second Orient from rewriting the last bits.
            if (std::fabs(turn) < 1e-6) continue;
            edit.changed += moveMembers(edit, set, members, count, turnAbout(cu, cv, turn));
        }
    });
}
