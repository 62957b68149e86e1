// Splitting a flattened part that folds or overlaps itself: the test that a map lies
// flat, and the cut of a part into two halves around its two faces farthest apart.
#include "UnwrapSteps.h"

#include <algorithm>
#include <initializer_list>

namespace islands {

// Whether a flattened part lies in the plane without folding: no face turned over and
// no two edges of its outline crossing.
bool embedded(const FaceSet& set, const std::vector<int>& members, const Flat& flat) {
    struct Segment {
        double a[2], b[2];
    };
    std::vector<Segment> outline;
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (size_t k = 0; k < members.size(); ++k) {
        const double* uv = &flat.uv[6 * k];
        if (signedArea(uv, uv + 2, uv + 4) > 0) return false;  // stored faces turn clockwise
        for (int e = 0; e < 3; ++e) {
            if (set.neighbour[size_t(3 * members[k] + e)] >= 0) continue;
            const double* a = uv + 2 * e;
            const double* b = uv + 2 * ((e + 1) % 3);
            if (!std::isfinite(a[0] + a[1] + b[0] + b[1])) continue;
            outline.push_back({{a[0], a[1]}, {b[0], b[1]}});
            box[0] = std::min({box[0], a[0], b[0]}), box[1] = std::min({box[1], a[1], b[1]});
            box[2] = std::max({box[2], a[0], b[0]}), box[3] = std::max({box[3], a[1], b[1]});
        }
    }
    if (outline.size() < 4) return true;
    // The outline's edges in a grid of about one cell per edge; crossings are sought
    // among the edges of one cell.
    const int cells = std::max(1, int(std::sqrt(double(outline.size()))));
    const double size = std::max({box[2] - box[0], box[3] - box[1], 1e-300}) / cells;
    std::vector<std::vector<int>> grid(size_t(cells) * size_t(cells));
    auto cellOf = [&](double x, double low) { return std::clamp(int((x - low) / size), 0, cells - 1); };
    for (size_t i = 0; i < outline.size(); ++i) {
        const Segment& g = outline[i];
        for (int cx = cellOf(std::min(g.a[0], g.b[0]), box[0]); cx <= cellOf(std::max(g.a[0], g.b[0]), box[0]); ++cx)
            for (int cy = cellOf(std::min(g.a[1], g.b[1]), box[1]); cy <= cellOf(std::max(g.a[1], g.b[1]), box[1]); ++cy)
                grid[size_t(cx) * size_t(cells) + size_t(cy)].push_back(int(i));
    }
    auto side = [](const double* p, const double* q, const double* r) {
        return (q[0] - p[0]) * (r[1] - p[1]) - (r[0] - p[0]) * (q[1] - p[1]);
    };
    for (const std::vector<int>& cell : grid)
        for (size_t x = 0; x < cell.size(); ++x)
            for (size_t y = x + 1; y < cell.size(); ++y) {
                const Segment& g = outline[size_t(cell[x])];
                const Segment& h = outline[size_t(cell[y])];
                if (side(g.a, g.b, h.a) * side(g.a, g.b, h.b) < 0 && side(h.a, h.b, g.a) * side(h.a, h.b, g.b) < 0)
                    return false;
            }
    return true;
}

// Splits a connected part in two around its two faces farthest apart (in steps across
// edges); the edges between the halves are unlinked.
std::pair<std::vector<int>, std::vector<int>> halve(FaceSet& set, const std::vector<int>& members) {
    std::vector<int>& slot = set.slot;
    if (slot.size() != set.faces.size()) slot.assign(set.faces.size(), -1);
    const int count = int(members.size());
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = k;
    std::vector<int> label(static_cast<size_t>(count)), queue;
    // Grows from the seeds, each face taking the label of the face it was reached from;
    // answers the face reached last.
    auto grow = [&](std::initializer_list<int> seeds) {
        std::fill(label.begin(), label.end(), -1);
        queue.clear();
        int next = 0;
        for (int seed : seeds) label[size_t(seed)] = next++, queue.push_back(seed);
        for (size_t head = 0; head < queue.size(); ++head)
            for (int e = 0; e < 3; ++e) {
                const int other = set.neighbour[size_t(3 * members[size_t(queue[head])] + e)];
                if (other < 0 || slot[size_t(other / 3)] < 0 || label[size_t(slot[size_t(other / 3)])] >= 0) continue;
                label[size_t(slot[size_t(other / 3)])] = label[size_t(queue[head])];
                queue.push_back(slot[size_t(other / 3)]);
            }
        return queue.back();
    };
    const int distant = grow({0});
    int farther = grow({distant});
    if (farther == distant) farther = distant == 0 ? 1 : 0;
    grow({distant, farther});
    std::pair<std::vector<int>, std::vector<int>> halves;
    for (int k = 0; k < count; ++k) {
        (label[size_t(k)] == 1 ? halves.second : halves.first).push_back(members[size_t(k)]);
        for (int e = 0; e < 3; ++e) {
            const int edge = 3 * members[size_t(k)] + e, other = set.neighbour[size_t(edge)];
            if (other >= 0 && slot[size_t(other / 3)] >= 0 && label[size_t(slot[size_t(other / 3)])] != label[size_t(k)])
                set.unlink(edge);
        }
    }
    for (int k = 0; k < count; ++k) slot[size_t(members[k])] = -1;
    return halves;
}

}  // namespace islands
