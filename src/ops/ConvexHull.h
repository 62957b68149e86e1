// Convex hulls of UV points and the smallest rectangle about one, shared by Orient
// Islands and the packing.
#pragma once

#include <vector>

namespace islands {

struct Point {
    double u, v;
    bool operator<(const Point& o) const { return u != o.u ? u < o.u : v < o.v; }
    bool operator==(const Point& o) const { return u == o.u && v == o.v; }
};

inline double cross(const Point& o, const Point& a, const Point& b) {
    return (a.u - o.u) * (b.v - o.v) - (a.v - o.v) * (b.u - o.u);
}

// The points corner(0) ... corner(count - 1), less those strictly inside the polygon of
// the extreme points in eight directions, which cannot be on the hull. Extremes that
// coincide (a square island's) make no side of that polygon.
template <class Corner>
void hullCandidates(int count, Corner&& corner, std::vector<Point>& points) {
    const double dir[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    points.clear();
    if (count <= 0) return;
    Point extreme[8];
    double most[8];
    for (int d = 0; d < 8; ++d) extreme[d] = corner(0), most[d] = dir[d][0] * extreme[d].u + dir[d][1] * extreme[d].v;
    for (int k = 0; k < count; ++k) {
        const Point p = corner(k);
        for (int d = 0; d < 8; ++d)
            if (const double along = dir[d][0] * p.u + dir[d][1] * p.v; along > most[d]) most[d] = along, extreme[d] = p;
    }
    Point side[8];
    int sides = 0;
    for (int d = 0; d < 8; ++d)
        if (!(extreme[d] == extreme[(d + 1) % 8])) side[sides++] = extreme[d];
    for (int k = 0; k < count; ++k) {
        const Point p = corner(k);
        bool inside = sides >= 3 && count > 63;  // a few points are sorted as they are
        for (int d = 0; d < sides && inside; ++d) inside = cross(side[d], side[(d + 1) % sides], p) > 0;
        if (!inside) points.push_back(p);
    }
}

// Counter-clockwise hull of the points (which it sorts) without collinear points.
void convexHull(std::vector<Point>& points, std::vector<Point>& hull);

// The turn (radians, in [-pi/2, pi/2]) that stands the smallest bounding rectangle of
// the hull upright, long side along u, and the rectangle's centre. Among rectangles of
// (almost) the same area the smallest turn wins, so an upright island stays.
double uprightTurn(const std::vector<Point>& hull, double& cu, double& cv);

// The turn (radians) after which the longer side of the hull's axis-aligned bounds is
// shortest: the side of the smallest square about the hull.
double squareTurn(const std::vector<Point>& hull);

}  // namespace islands
