// Andrew's monotone chain for the hull, and the smallest rectangle about it found with
// one side on a hull edge.
#include "ConvexHull.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace islands {

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

double squareTurn(const std::vector<Point>& hull) {
    auto longer = [&](double turn) {
        const double c = std::cos(turn), s = std::sin(turn);
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        for (const Point& p : hull) {
            const double u = c * p.u - s * p.v, v = s * p.u + c * p.v;
            lo[0] = std::min(lo[0], u), hi[0] = std::max(hi[0], u);
            lo[1] = std::min(lo[1], v), hi[1] = std::max(hi[1], v);
        }
        return std::max(hi[0] - lo[0], hi[1] - lo[1]);
    };
    // The best of even steps over a quarter turn and the turns that lay an edge along u,
    // then narrowed down by golden sections around it.
    const double pi = std::numbers::pi, step = pi / 128;
    double best = 0, least = longer(0);
    auto tryTurn = [&](double turn) {
        if (const double side = longer(turn); side < least) least = side, best = turn;
    };
    for (int k = 1; k < 64; ++k) tryTurn(k * step);
    for (size_t i = 0; i < hull.size(); ++i) {
        const Point &p = hull[i], &q = hull[(i + 1) % hull.size()];
        tryTurn(-std::atan2(q.v - p.v, q.u - p.u));
    }
    double a = best - step, b = best + step;
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    for (int k = 0; k < 40; ++k) {
        const double x = b - ratio * (b - a), y = a + ratio * (b - a);
        if (longer(x) < longer(y)) b = y;
        else a = x;
    }
    tryTurn(0.5 * (a + b));
    return best;
}

}  // namespace islands
