// Orient Islands: each selected island turns so that its smallest bounding rectangle
// (found on the convex hull: one of its sides lies on a hull edge) stands axis-aligned,
// long side along u.
#include "IslandMotion.h"
#include "IslandTools.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using namespace islands;

struct Point {
    double u, v;
    bool operator<(const Point& o) const { return u != o.u ? u < o.u : v < o.v; }
    bool operator==(const Point& o) const { return u == o.u && v == o.v; }
};

double cross(const Point& o, const Point& a, const Point& b) {
    return (a.u - o.u) * (b.v - o.v) - (a.v - o.v) * (b.u - o.u);
}

// The working arrays, kept from call to call.
struct OrientWork {
    std::vector<Point> points, hull;
};

// The corners of the listed members as points, less those strictly inside the polygon
// of the extreme corners in eight directions, which cannot be on the hull. Extremes that
// coincide (a square island's) make no side of that polygon.
void hullCandidates(const FaceSet& set, const int* members, int count, std::vector<Point>& points) {
    const double dir[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    auto corner = [&](int k, int c) {
        const float* uv = &set.uv[6 * size_t(members[k]) + 2 * size_t(c)];
        return Point{uv[0], uv[1]};
    };
    Point extreme[8];
    double most[8];
    for (int d = 0; d < 8; ++d) extreme[d] = corner(0, 0), most[d] = dir[d][0] * extreme[d].u + dir[d][1] * extreme[d].v;
    for (int k = 0; k < count; ++k)
        for (int c = 0; c < 3; ++c) {
            const Point p = corner(k, c);
            for (int d = 0; d < 8; ++d)
                if (const double along = dir[d][0] * p.u + dir[d][1] * p.v; along > most[d]) most[d] = along, extreme[d] = p;
        }
    Point side[8];
    int sides = 0;
    for (int d = 0; d < 8; ++d)
        if (!(extreme[d] == extreme[(d + 1) % 8])) side[sides++] = extreme[d];
    points.clear();
    for (int k = 0; k < count; ++k)
        for (int c = 0; c < 3; ++c) {
            const Point p = corner(k, c);
            bool inside = sides >= 3 && count > 21;  // a few points are sorted as they are
            for (int d = 0; d < sides && inside; ++d) inside = cross(side[d], side[(d + 1) % sides], p) > 0;
            if (!inside) points.push_back(p);
        }
}

// Counter-clockwise hull of the points (which it sorts) without collinear points.
void convexHull(std::vector<Point>& points, std::vector<Point>& hull) {
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) {
        hull = points;
        return;
    }
    // Andrew's monotone chain: the lower hull left to right, then the upper right to left.
    hull.resize(2 * points.size());
    size_t k = 0;
    auto add = [&](const Point& p, size_t least) {
        while (k >= least && cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
        hull[k++] = p;
    };
    for (const Point& p : points) add(p, 2);
    const size_t lower = k + 1;
    for (size_t i = points.size() - 1; i-- > 0;) add(points[i], lower);
    hull.resize(k - 1);
}

// The turn (radians, in [-pi/2, pi/2]) that stands the smallest bounding rectangle of
// the hull upright, long side along u, and the rectangle's centre. Among rectangles of
// (almost) the same area the smallest turn wins, so an upright island stays.
double uprightTurn(const std::vector<Point>& hull, double& cu, double& cv) {
    const double pi = std::numbers::pi;
    double bestArea = 1e300, bestTurn = 0;
    for (size_t i = 0; i < hull.size(); ++i) {
        const Point& p = hull[i];
        const Point& q = hull[(i + 1) % hull.size()];
        const double length = std::hypot(q.u - p.u, q.v - p.v);
        if (!(length > 0)) continue;
        const double du = (q.u - p.u) / length, dv = (q.v - p.v) / length;
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        for (const Point& h : hull) {
            const double along = h.u * du + h.v * dv, across = h.v * du - h.u * dv;
            lo[0] = std::min(lo[0], along), hi[0] = std::max(hi[0], along);
            lo[1] = std::min(lo[1], across), hi[1] = std::max(hi[1], across);
        }
        const double width = hi[0] - lo[0], height = hi[1] - lo[1], area = width * height;
        // Turning by -angle lays the edge along u; a quarter turn more when it is the short side.
        double turn = -std::atan2(dv, du) + (height > width * (1 + 1e-6) ? pi / 2 : 0);
        turn = std::remainder(turn, pi);  // a half turn more is the same rectangle
        const bool smaller = area < bestArea * (1 - 1e-9);
        if (smaller || (area <= bestArea * (1 + 1e-9) && std::fabs(turn) < std::fabs(bestTurn))) {
            if (smaller || area < bestArea) bestArea = area;
            bestTurn = turn;
            const double a = 0.5 * (lo[0] + hi[0]), b = 0.5 * (lo[1] + hi[1]);
            cu = a * du - b * dv, cv = a * dv + b * du;
        }
    }
    return bestTurn;
}

}  // namespace

bool orientIslands(UVModel& model, float epsilon) {
    UVEdit edit(model, {L"Orient Islands", EDIT_FACE_DATA});
    onKeptIslands(model, edit, epsilon, false, [&](IslandWork& work) {
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
    return edit.finish();
}
