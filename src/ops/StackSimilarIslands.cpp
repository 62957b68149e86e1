// Stack Similar Islands. Two islands are matched without knowing which corner is which:
// the other island's corner farthest from its area centre must land on a corner of this
// one at the same distance from this one's centre, which leaves few turns to try; a turn
// whose every corner lands near a corner is refined by a least-squares fit over those
// pairs, and kept when the corners then lie within the tolerance both ways.
#include "IslandMotion.h"
#include "IslandTools.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace islands;

// Points (u, v interleaved) in square cells, for nearest-point questions within a radius.
class PointGrid {
public:
    void build(const std::vector<double>& points, double cell) {
        points_ = &points;
        const size_t n = points.size() / 2;
        double low[2] = {1e300, 1e300}, high[2] = {-1e300, -1e300};
        for (size_t i = 0; i < 2 * n; ++i) low[i % 2] = std::min(low[i % 2], points[i]), high[i % 2] = std::max(high[i % 2], points[i]);
        u0_ = low[0], v0_ = low[1];
        // At most 1024 cells a side, whatever the cell asked for.
        cell_ = std::max({cell, (high[0] - low[0]) / 1024, (high[1] - low[1]) / 1024, 1e-30});
        columns_ = int((high[0] - low[0]) / cell_) + 1, rows_ = int((high[1] - low[1]) / cell_) + 1;
        start_.assign(size_t(columns_) * size_t(rows_) + 1, 0);
        for (size_t i = 0; i < n; ++i) ++start_[cellOf(points[2 * i], points[2 * i + 1]) + 1];
        for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
        order_.resize(n);
        next_.assign(start_.begin(), start_.end() - 1);
        for (size_t i = 0; i < n; ++i) order_[size_t(next_[cellOf(points[2 * i], points[2 * i + 1])]++)] = int(i);
    }
    // The point nearest to (u, v) no farther than radius, or -1.
    int nearest(double u, double v, double radius) const {
        const int c0 = std::max(0, int(std::floor((u - radius - u0_) / cell_)));
        const int c1 = std::min(columns_ - 1, int(std::floor((u + radius - u0_) / cell_)));
        const int r0 = std::max(0, int(std::floor((v - radius - v0_) / cell_)));
        const int r1 = std::min(rows_ - 1, int(std::floor((v + radius - v0_) / cell_)));
        int best = -1;
        double bestDistance = radius * radius;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                const size_t cell = size_t(r) * size_t(columns_) + size_t(c);
                for (int k = start_[cell]; k < start_[cell + 1]; ++k) {
                    const int i = order_[size_t(k)];
                    const double du = (*points_)[2 * size_t(i)] - u, dv = (*points_)[2 * size_t(i) + 1] - v;
                    if (du * du + dv * dv <= bestDistance) bestDistance = du * du + dv * dv, best = i;
                }
            }
        return best;
    }

private:
    size_t cellOf(double u, double v) const {
        const int c = std::clamp(int((u - u0_) / cell_), 0, columns_ - 1), r = std::clamp(int((v - v0_) / cell_), 0, rows_ - 1);
        return size_t(r) * size_t(columns_) + size_t(c);
    }
    const std::vector<double>* points_ = nullptr;
    double u0_ = 0, v0_ = 0, cell_ = 1;
    int columns_ = 1, rows_ = 1;
    std::vector<int> start_, order_, next_;
};

// One island as the matching sees it.
struct Shape {
    const int* members = nullptr;
    int count = 0;
    std::vector<double> corners;  // u, v of each corner
    double cu = 0, cv = 0;        // area centre
    double tolerance = 0;         // StackOptions::tolerance of its bounding box's diagonal
    double reach = 0, spread = 0; // largest and root mean square distance of a corner from the centre
    int farthest = 0;             // the corner at `reach`
    bool locked = false;
    PointGrid grid;               // of `corners`, built when first matched against
    bool gridBuilt = false;
};

// The shape emptied for another island, keeping the storage of its corners and grid.
void reuse(Shape& s) {
    std::vector<double> corners = std::move(s.corners);
    PointGrid grid = std::move(s.grid);
    s = Shape{};
    corners.clear();
    s.corners = std::move(corners);
    s.grid = std::move(grid);
}

void describe(Shape& s, const FaceSet& set, double tolerance) {
    s.corners.reserve(6 * size_t(s.count));
    double area = 0, u = 0, v = 0, low[2] = {1e300, 1e300}, high[2] = {-1e300, -1e300};
    for (int k = 0; k < s.count; ++k) {
        const float* p = &set.uv[6 * size_t(s.members[k])];
        const double a = std::fabs((double(p[2]) - p[0]) * (double(p[5]) - p[1]) - (double(p[4]) - p[0]) * (double(p[3]) - p[1]));
        area += a, u += a * (double(p[0]) + p[2] + p[4]) / 3, v += a * (double(p[1]) + p[3] + p[5]) / 3;
        for (int i = 0; i < 6; ++i) {
            s.corners.push_back(p[i]);
            low[i % 2] = std::min(low[i % 2], double(p[i])), high[i % 2] = std::max(high[i % 2], double(p[i]));
        }
    }
    const size_t n = s.corners.size() / 2;
    if (area > 0) {
        s.cu = u / area, s.cv = v / area;
    } else {
        for (size_t i = 0; i < n; ++i) s.cu += s.corners[2 * i] / double(n), s.cv += s.corners[2 * i + 1] / double(n);
    }
    s.tolerance = tolerance * std::hypot(high[0] - low[0], high[1] - low[1]);
    for (size_t i = 0; i < n; ++i) {
        const double d = std::hypot(s.corners[2 * i] - s.cu, s.corners[2 * i + 1] - s.cv);
        s.spread += d * d / double(n);
        if (d > s.reach) s.reach = d, s.farthest = int(i);
    }
    s.spread = std::sqrt(s.spread);
}

// Whether every point of `from`, moved, lies within radius of a point of `onto`'s grid;
// the pairs found are collected.
bool lands(const std::vector<double>& from, const Motion& motion, const PointGrid& onto,
           const std::vector<double>& ontoPoints, double radius, PointPairs* pairs) {
    for (size_t i = 0; i < from.size() / 2; ++i) {
        double u, v;
        motion.apply(from[2 * i], from[2 * i + 1], u, v);
        const int hit = onto.nearest(u, v, radius);
        if (hit < 0) return false;
        if (pairs) pairs->add(from[2 * i], from[2 * i + 1], ontoPoints[2 * size_t(hit)], ontoPoints[2 * size_t(hit) + 1]);
    }
    return true;
}

// The working arrays of the matching, kept from call to call.
struct MatchWork {
    std::vector<std::pair<double, double>> candidates;
    std::vector<double> moved;
    PointGrid movedGrid;
    PointPairs pairs;
};

// The rigid motion that lays `from` onto `onto` within onto's tolerance, if there is one.
bool match(Shape& from, Shape& onto, Motion& found, MatchWork& work) {
    const double tolerance = onto.tolerance;
    if (from.count != onto.count || !(tolerance > 0) || std::fabs(from.reach - onto.reach) > 2 * tolerance ||
        std::fabs(from.spread - onto.spread) > 2 * tolerance)
        return false;
    if (!onto.gridBuilt) onto.grid.build(onto.corners, tolerance), onto.gridBuilt = true;
    const double toU = onto.corners[2 * size_t(onto.farthest)] - onto.cu;
    const double toV = onto.corners[2 * size_t(onto.farthest) + 1] - onto.cv;
    // Candidate corners for the farthest one: distinct positions at its distance.
    std::vector<std::pair<double, double>>& candidates = work.candidates;
    candidates.clear();
    for (size_t i = 0; i < from.corners.size() / 2 && candidates.size() < 32; ++i) {
        const std::pair<double, double> p{from.corners[2 * i], from.corners[2 * i + 1]};
        if (std::fabs(std::hypot(p.first - from.cu, p.second - from.cv) - onto.reach) <= tolerance &&
            std::find(candidates.begin(), candidates.end(), p) == candidates.end())
            candidates.push_back(p);
    }
    std::vector<double>& moved = work.moved;
    PointGrid& movedGrid = work.movedGrid;
    PointPairs& pairs = work.pairs;
    for (bool mirror : {false, true})
        for (const auto& [u, v] : candidates) {
            const double sign = mirror ? -1 : 1;
            const double turn = std::atan2(toV, toU) - std::atan2(sign * (v - from.cv), u - from.cu);
            Motion motion;
            motion.mirror = mirror, motion.a = std::cos(turn), motion.b = std::sin(turn);
            double cu, cv;
            motion.apply(from.cu, from.cv, cu, cv);
            motion.tu = onto.cu - cu, motion.tv = onto.cv - cv;
            pairs.from.clear(), pairs.to.clear();
            if (!lands(from.corners, motion, onto.grid, onto.corners, 2 * tolerance, &pairs)) continue;
            motion = fitMotion(pairs, mirror, Fit::Turn);
            if (!lands(from.corners, motion, onto.grid, onto.corners, tolerance, nullptr)) continue;
            // And back: no corner of `onto` is left without one of `from` near it.
            moved.resize(from.corners.size());
            for (size_t i = 0; i < moved.size() / 2; ++i)
                motion.apply(from.corners[2 * i], from.corners[2 * i + 1], moved[2 * i], moved[2 * i + 1]);
            movedGrid.build(moved, tolerance);
            if (!lands(onto.corners, Motion{}, movedGrid, moved, tolerance, nullptr)) continue;
            found = motion;
            return true;
        }
    return false;
}

// The working arrays of the whole, kept from call to call.
struct StackWork {
    std::vector<Shape> shapes;
    std::vector<int> kinds, kindOf;
    std::vector<Motion> ontoKind;
    MatchWork match;
};

// The largest distance a corner of the shape moves by the motion.
double largestStep(const Shape& s, const Motion& motion) {
    double most = 0;
    for (size_t i = 0; i < s.corners.size() / 2; ++i) {
        double u, v;
        motion.apply(s.corners[2 * i], s.corners[2 * i + 1], u, v);
        most = std::max(most, std::hypot(u - s.corners[2 * i], v - s.corners[2 * i + 1]));
    }
    return most;
}

}  // namespace

EditResult stackSimilarIslands(UVModel& model, float epsilon, StackCount* count, const StackOptions& options) {
    StackCount counted;
    UVEdit edit(model, keepingSteps(L"Stack Similar Islands"));
    const EditResult result = onKeptIslands(model, edit, epsilon, Winding::Any, [&](IslandWork& island) {
        const FaceSet& set = island.set;
        const PartList& list = island.list;
        const int parts = island.parts;
        StackWork& work = model.scratch.slots.get<StackWork>();
        std::vector<Shape>& shapes = work.shapes;
        std::vector<int>& kinds = work.kinds;
        std::vector<int>& kindOf = work.kindOf;
        std::vector<Motion>& ontoKind = work.ontoKind;  // lays the island onto the first of its kind
        shapes.resize(size_t(parts));
        kinds.clear();
        kindOf.assign(size_t(parts), -1);
        ontoKind.assign(size_t(parts), Motion{});
        for (int p = 0; p < parts; ++p) {
            Shape& s = shapes[size_t(p)];
            reuse(s);
            s.members = &list.members[size_t(list.first[size_t(p)])];
            s.count = list.first[size_t(p) + 1] - list.first[size_t(p)];
            if (!allFinite(set, s.members, s.count)) continue;
            s.locked = anyLocked(edit, set, s.members, s.count);
            describe(s, set, options.tolerance);
            if (!(s.tolerance > 0)) continue;
            for (int k : kinds)
                if (match(s, shapes[size_t(k)], ontoKind[size_t(p)], work.match)) {
                    kindOf[size_t(p)] = k;
                    break;
                }
            if (kindOf[size_t(p)] < 0) kindOf[size_t(p)] = p, kinds.push_back(p);
        }
        for (int k : kinds) {
            // A locked island of the kind cannot move: the others come to it.
            int target = k;
            for (int p = k; p < parts && target == k; ++p)
                if (kindOf[size_t(p)] == k && shapes[size_t(p)].locked) target = p;
            const Motion fromKind = ontoKind[size_t(target)].inverse();
            bool stackedOnto = false;
            for (int p = k; p < parts; ++p) {
                const Shape& s = shapes[size_t(p)];
                if (kindOf[size_t(p)] != k || p == target || s.locked) continue;
                const Motion motion = fromKind.after(ontoKind[size_t(p)]);
                // An island already in place (within rounding) is left as it is.
                if (largestStep(s, motion) <= options.settled * s.tolerance) continue;
                const int written = moveMembers(edit, set, s.members, s.count, motion);
                if (written == 0) continue;
                edit.changed += written;
                ++counted.stacked, stackedOnto = true;
            }
            counted.onto += stackedOnto;
        }
    });
    if (count) *count = result == EditResult::OutOfMemory ? StackCount{} : counted;
    return result;
}
