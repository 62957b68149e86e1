// Charts by normal deviation: Auto Unwrap's cut of a surface into parts that each turn
// little enough to flatten well.
#include "UnwrapSteps.h"

#include <model/Angles.h>

#include <algorithm>
#include <numeric>

namespace islands {

int growCharts(UVWalk& walk, FaceSet& set, std::vector<int>& part, double maxDegrees) {
    const int n = set.size();
    std::vector<Vector3d> normal(static_cast<size_t>(n));
    std::vector<double> area(static_cast<size_t>(n));
    for (int m = 0; m < n; ++m) {
        const Vector3d a = areaNormal(walk, walk.face(set.faces[size_t(m)]));
        area[size_t(m)] = length(a);
        if (area[size_t(m)] > 0 && std::isfinite(area[size_t(m)])) normal[size_t(m)] = a * (1.0 / area[size_t(m)]);
        else area[size_t(m)] = 0;
    }
    const double limit = std::cos(maxDegrees * DEGREES_TO_RADIANS);
    // Faces with a locked corner make charts of their own: what stays pinned does not
    // hold free faces in place, which then pack around it.
    auto lockedFace = [&](int m) { return (walk.face(set.faces[size_t(m)]).flags & UV_LOCKED_ALL) != 0; };
    // Larger faces seed first: their normals say most about the surface around them.
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return area[size_t(a)] > area[size_t(b)]; });
    part.assign(size_t(n), -1);
    std::vector<int> queue;
    int count = 0;
    for (int seed : order) {
        if (part[size_t(seed)] >= 0) continue;
        part[size_t(seed)] = count;
        Vector3d sum = normal[size_t(seed)] * area[size_t(seed)];
        queue.assign(1, seed);
        for (size_t head = 0; head < queue.size(); ++head) {
            const int m = queue[head];
            const double len = length(sum);
            const Vector3d mean = len > 0 ? sum * (1.0 / len) : Vector3d{};
            for (int e = 0; e < 3; ++e) {
                const int other = set.neighbour[size_t(3 * m + e)];
                if (other < 0 || part[size_t(other / 3)] >= 0) continue;
                const int m2 = other / 3;
                // Degenerate faces have no normal and go with whichever chart meets them first.
                if (area[size_t(m2)] > 0 && dot(normal[size_t(m2)], mean) < limit) continue;
                if (lockedFace(m2) != lockedFace(seed)) continue;
                part[size_t(m2)] = count;
                sum = sum + normal[size_t(m2)] * area[size_t(m2)];
                queue.push_back(m2);
            }
        }
        ++count;
    }
    for (int edge = 0; edge < 3 * n; ++edge) {
        const int other = set.neighbour[size_t(edge)];
        if (other >= 0 && part[size_t(edge / 3)] != part[size_t(other / 3)]) set.unlink(edge);
    }
    return count;
}

}  // namespace islands
