#include "UVPointGrid.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float CELL = 1.0f / float(UVPointGrid::SIZE);  // exact: a power of two
}  // namespace

int32_t UVPointGrid::cellOf(float coordinate) {
    // Decided in float, so NaN and huge values never reach the integer conversion.
    float scaled = float(SIZE) * coordinate;
    if (!(scaled >= 1.0f)) return 0;
    if (scaled >= float(SIZE - 1)) return SIZE - 1;
    return int32_t(scaled);
}

bool UVPointGrid::reset(float epsilon, int32_t capacity) {
    count_ = capacity_ = 0;
    epsilonSquared_ = epsilon * epsilon;
    if (capacity < 0) return false;
    int32_t* heads = heads_.take(size_t(SIZE) * size_t(SIZE));
    if (!heads || !entries_.take(size_t(capacity))) return false;
    std::fill(heads, heads + size_t(SIZE) * size_t(SIZE), -1);
    capacity_ = capacity;
    exactCopyDecides_ = epsilonSquared_ > 0.0f && epsilon <= CELL;
    return true;
}

int32_t UVPointGrid::find(UVPoint p, int32_t column, int32_t row) const {
    const Entry* entries = entries_.data();
    for (int32_t i = heads_.data()[row * SIZE + column]; i >= 0; i = entries[i].next) {
        const UVPoint& q = entries[i].point;
        float du = p.u - q.u;
        float dv = p.v - q.v;
        if (du * du + dv * dv < epsilonSquared_) return i;
    }
    return -1;
}

int32_t UVPointGrid::findOrAdd(UVPoint p) {
    const int32_t column = cellOf(p.u);
    const int32_t row = cellOf(p.v);
    // With epsilon at most a cell, two points within epsilon are always in each other's
    // search, so no point ever joins the grid within epsilon of an earlier one. A point
    // equal to p is then the only one within epsilon of p, and the search would answer
    // it: found in p's own cell, it is the answer without the search. (Most corners of a
    // welded layout repeat a position already seen.) An infinite position is not within
    // epsilon of its copy.
    if (exactCopyDecides_ && std::isfinite(p.u) && std::isfinite(p.v)) {
        const Entry* entries = entries_.data();
        for (int32_t i = heads_.data()[row * SIZE + column]; i >= 0; i = entries[i].next)
            if (entries[i].point.u == p.u && entries[i].point.v == p.v) return i;
    }
    // A point of a neighbouring cell lies beyond the cell side between, so its distance
    // from p is at least p's distance from that side. Rounding is monotonic, so a cell
    // whose sides alone keep it epsilon away holds no match and is not searched; this
    // changes no answer. (The gaps are never negative for a neighbour inside the grid;
    // NaN gaps never skip.)
    const float gapLeft = p.u - float(column) * CELL, gapRight = float(column + 1) * CELL - p.u;
    const float gapBelow = p.v - float(row) * CELL, gapAbove = float(row + 1) * CELL - p.v;
    const float squaredU[3] = {gapLeft * gapLeft, 0.0f, gapRight * gapRight};
    const float squaredV[3] = {gapBelow * gapBelow, 0.0f, gapAbove * gapAbove};
    for (int32_t dy = -1; dy <= 1; ++dy) {
        const int32_t r = row + dy;
        if (r < 0 || r >= SIZE) continue;
        for (int32_t dx = -1; dx <= 1; ++dx) {
            const int32_t c = column + dx;
            if (c < 0 || c >= SIZE || squaredU[dx + 1] + squaredV[dy + 1] >= epsilonSquared_) continue;
            const int32_t index = find(p, c, r);
            if (index >= 0) return index;
        }
    }
    if (count_ >= capacity_) return -1;
    int32_t& head = heads_.data()[row * SIZE + column];
    entries_.data()[count_] = {p, head};
    head = count_;
    return count_++;
}
