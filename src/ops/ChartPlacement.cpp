// Placing the flattened parts: each turned to its smallest bounding rectangle, scaled
// so that all share the UV area their parts had by their 3D areas, and moved to where
// its part was.
#include "UnwrapSteps.h"

#include <algorithm>
#include <array>

namespace islands {

namespace {

// Turns the points so that their bounding rectangle has the least area: one side of
// that rectangle lies along an edge of their convex hull.
void turnToSmallestBox(std::vector<double>& uv) {
    auto turn = [](const auto& o, const auto& a, const auto& b) {
        return (a.first - o.first) * (b.second - o.second) - (a.second - o.second) * (b.first - o.first);
    };
    // Points strictly inside the quadrilateral of the extreme points in u and v are no
    // corners of the hull: only the rest are sorted.
    using Point = std::pair<double, double>;
    Point extreme[4] = {{INFINITY, 0}, {0, INFINITY}, {-INFINITY, 0}, {0, -INFINITY}};
    for (size_t i = 0; i + 1 < uv.size(); i += 2) {
        if (!std::isfinite(uv[i])) continue;
        const Point p{uv[i], uv[i + 1]};
        if (p.first < extreme[0].first) extreme[0] = p;
        if (p.second < extreme[1].second) extreme[1] = p;
        if (p.first > extreme[2].first) extreme[2] = p;
        if (p.second > extreme[3].second) extreme[3] = p;
    }
    std::vector<Point> points;
    for (size_t i = 0; i + 1 < uv.size(); i += 2) {
        if (!std::isfinite(uv[i])) continue;
        const Point p{uv[i], uv[i + 1]};
        if (!(turn(extreme[0], extreme[1], p) > 0 && turn(extreme[1], extreme[2], p) > 0 &&
              turn(extreme[2], extreme[3], p) > 0 && turn(extreme[3], extreme[0], p) > 0))
            points.push_back(p);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) return;
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

}  // namespace

void placeFlats(UVWalk& walk, const FaceSet& set, FlatParts& parts, int& written) {
    std::vector<Flat>& flats = parts.flats;
    const std::vector<int>& doneOrigin = parts.origin;
    const int partCount = int(flats.size());
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
    const PartList byOrigin = listParts(doneOrigin, parts.origins);
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
        const std::vector<int>& members = parts.members[size_t(p)];
        for (size_t k = 0; k < members.size(); ++k) {
            FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
            for (int c = 0; c < 3; ++c) {
                const double u = flat.uv[size_t(6 * k + 2 * c)], v = flat.uv[size_t(6 * k + 2 * c + 1)];
                if (!(face.flags & (UV_LOCKED << c)) && std::isfinite(u) && std::isfinite(v))
                    written += writeUV(face, c, u, v);
            }
        }
    }
}

}  // namespace islands
