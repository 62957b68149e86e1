// Shape packing on a bit raster: rows of 64-bit words, a set bit a cell that no island's
// own cell may cover (taken by another island or within the margin of one). A place for
// an island is found a row at a time for all columns at once: the columns where a run of
// its cells fits are those where the row has as many free cells in a row, found by
// eroding the row's free bits by the run's length.
//
// Sections:
//   Raster rows  setRange, longestClear, erode
//   Rasterising  coverTriangle, maskOf, orderRows, halfTurn
//   Islands      reserve, addIsland, addTriangle, addObstacle, prepare, rasterise
//   Search       firstFit, nextRow, nextRoom, search
//   Stamping     stamp (the mask and its margin), updateRows, clearRows
//   Packing      pack, place, fit
#include "ShapeFit.h"

#include "ConvexHull.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// ---- Raster rows ----

constexpr uint64_t kAll = ~uint64_t(0);

// Sets cells [c0, c1] of a row.
void setRange(uint64_t* row, int c0, int c1) {
    const int w0 = c0 >> 6, w1 = c1 >> 6;
    const uint64_t low = kAll << (c0 & 63), high = kAll >> (63 - (c1 & 63));
    if (w0 == w1) {
        row[w0] |= low & high;
        return;
    }
    row[w0] |= low;
    for (int w = w0 + 1; w < w1; ++w) row[w] = kAll;
    row[w1] |= high;
}

// The longest run of clear bits in a row of `words` words.
int longestClear(const uint64_t* row, int words) {
    int best = 0, run = 0;
    for (int w = 0; w < words; ++w) {
        const uint64_t bits = row[w];
        if (bits == 0) {
            run += 64;
            continue;
        }
        int p = std::countr_zero(bits);
        best = std::max(best, run + p);
        run = 0;
        for (;;) {
            const uint64_t clear = ~bits & (kAll << p);  // the first clear bit after the set ones at p
            if (!clear) break;
            const int z = std::countr_zero(clear);
            const uint64_t set = bits & (kAll << z);
            if (!set) {
                run = 64 - z;
                break;
            }
            p = std::countr_zero(set);
            best = std::max(best, p - z);
        }
    }
    return std::max(best, run);
}

// a &= a shifted down by `shift` bits (bit i + shift to bit i), over n words with clear
// bits beyond; in place, front to back, each word read before it is written.
void andShiftedDown(uint64_t* a, int n, int shift) {
    const int q = shift >> 6, s = shift & 63;
    for (int i = 0; i < n; ++i) {
        const uint64_t lowPart = i + q < n ? a[i + q] : 0, highPart = i + q + 1 < n ? a[i + q + 1] : 0;
        a[i] &= s ? (lowPart >> s) | (highPart << (64 - s)) : lowPart;
    }
}

// Bit i stays set only where bits i ... i + length - 1 all are: doubling spans.
void erode(uint64_t* a, int n, int length) {
    for (int span = 1; span < length;) {
        const int step = std::min(span, length - span);
        andShiftedDown(a, n, step);
        span += step;
    }
}

// ---- Rasterising ----

// Sets the cells a triangle touches (p: three corners, in cells) in a raster of
// rows x columns cells, `words` per row; parts outside the raster are left out. Each row
// takes the triangle's extent across the row's band: its corners inside the band and
// where its edges cross the band's bounds.
void coverTriangle(const double* p, uint64_t* bits, int words, int rows, int columns) {
    const double low = std::min({p[1], p[3], p[5]}), high = std::max({p[1], p[3], p[5]});
    if (!(high >= 0) || !(low < rows)) return;
    // Clamped before the conversion: corners may lie far outside.
    auto cellOf = [](double x, int count) { return int(std::clamp(std::floor(x), 0.0, double(count - 1))); };
    const int r0 = cellOf(low, rows), r1 = cellOf(high, rows);
    for (int r = r0; r <= r1; ++r) {
        const double y0 = std::max(low, double(r)), y1 = std::min(high, double(r + 1));
        double x0 = std::numeric_limits<double>::infinity(), x1 = -x0;
        for (int k = 0; k < 3; ++k) {
            const double* a = p + 2 * k;
            const double* b = p + 2 * ((k + 1) % 3);
            if (a[1] >= y0 && a[1] <= y1) x0 = std::min(x0, a[0]), x1 = std::max(x1, a[0]);
            if (a[1] == b[1]) continue;
            for (const double y : {y0, y1})
                if ((y - a[1]) * (y - b[1]) <= 0) {
                    const double x = a[0] + (y - a[1]) * (b[0] - a[0]) / (b[1] - a[1]);
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                }
        }
        if (!(x1 >= 0) || !(x0 < columns)) continue;
        setRange(bits + size_t(r) * size_t(words), cellOf(x0, columns), cellOf(x1, columns));
    }
}

// The mask of the set bits of a raster of width x height cells, `words` per row.
void maskOf(const uint64_t* bits, int words, int width, int height, ShapeFit::Mask& mask) {
    mask.width = width, mask.height = height;
    mask.rowStart.assign(1, 0);
    mask.runs.clear(), mask.longest.clear();
    for (int r = 0; r < height; ++r) {
        const uint64_t* row = bits + size_t(r) * size_t(words);
        int longest = 0;
        for (int p = 0; p < width;) {
            int w = p >> 6;
            uint64_t set = row[w] & (kAll << (p & 63));
            while (!set && ++w < words) set = row[w];
            if (!set) break;
            const int start = w * 64 + std::countr_zero(set);
            uint64_t clear = ~row[w] & (kAll << (start & 63));
            while (!clear && ++w < words) clear = ~row[w];
            const int stop = clear ? w * 64 + std::countr_zero(clear) : words * 64;
            mask.runs.push_back(start), mask.runs.push_back(stop - start);
            longest = std::max(longest, stop - start);
            p = stop;
        }
        mask.rowStart.push_back(int(mask.runs.size() / 2));
        mask.longest.push_back(longest);
    }
}

// The widest row first, then rows spread over the mask, coarse to fine: neighbouring
// rows are much alike, and a place is most quickly ruled out by rows far apart.
void orderRows(ShapeFit::Mask& mask) {
    const int height = mask.height;
    const int widest = int(std::max_element(mask.longest.begin(), mask.longest.end()) - mask.longest.begin());
    mask.order.assign(1, widest);
    if (widest) mask.order.push_back(0);
    int top = 1;
    while (top < height) top *= 2;
    // Each row r > 0 once, at the step of the largest power of two dividing it.
    for (int step = top / 2; step >= 1; step /= 2)
        for (int r = step; r < height; r += 2 * step)
            if (r != widest) mask.order.push_back(r);
}

// The mask turned a half turn: cell (c, r) to (width - 1 - c, height - 1 - r).
void halfTurn(const ShapeFit::Mask& from, ShapeFit::Mask& to) {
    to.width = from.width, to.height = from.height;
    to.rowStart.assign(1, 0);
    to.runs.clear(), to.longest.clear();
    for (int r = from.height - 1; r >= 0; --r) {
        for (int k = from.rowStart[size_t(r) + 1] - 1; k >= from.rowStart[size_t(r)]; --k)
            to.runs.push_back(from.width - from.runs[2 * size_t(k)] - from.runs[2 * size_t(k) + 1]),
                to.runs.push_back(from.runs[2 * size_t(k) + 1]);
        to.rowStart.push_back(int(to.runs.size() / 2));
        to.longest.push_back(from.longest[size_t(r)]);
    }
    orderRows(to);
}

}  // namespace

// ---- Islands ----

void ShapeFit::reserve(int islands, int triangles) {
    islands_.reserve(size_t(std::max(islands, 0)));
    corners_.reserve(6 * size_t(std::max(triangles, 0)));
}

void ShapeFit::addIsland() {
    Island island;
    island.first = island.end = int(corners_.size() / 6);
    islands_.push_back(island);
}

void ShapeFit::addTriangle(const double* a, const double* b, const double* c) {
    corners_.insert(corners_.end(), {a[0], a[1], b[0], b[1], c[0], c[1]});
    islands_.back().end = int(corners_.size() / 6);
}

void ShapeFit::addObstacle(const double* a, const double* b, const double* c) {
    obstacles_.insert(obstacles_.end(), {a[0], a[1], b[0], b[1], c[0], c[1]});
}

// Turns each island so that its smallest rectangle stands upright, its least corner at
// the origin, and orders them largest first.
void ShapeFit::prepare() {
    std::vector<islands::Point> points, hull;
    for (Island& island : islands_) {
        double* corner = &corners_[6 * size_t(island.first)];
        const int count = 3 * (island.end - island.first);
        islands::hullCandidates(count, [&](int k) { return islands::Point{corner[2 * k], corner[2 * k + 1]}; }, points);
        islands::convexHull(points, hull);
        // One island alone fills the square best turned to its smallest square about it.
        double cu = 0, cv = 0;
        const bool alone = islands_.size() == 1 && obstacles_.empty();
        const double turn = hull.size() < 3 ? 0.0 : alone ? islands::squareTurn(hull) : islands::uprightTurn(hull, cu, cv);
        island.turnCos = std::cos(turn), island.turnSin = std::sin(turn);
        double low[2] = {1e300, 1e300}, high[2] = {-1e300, -1e300};
        for (int k = 0; k < count; ++k) {
            const double u = corner[2 * k], v = corner[2 * k + 1];
            corner[2 * k] = island.turnCos * u - island.turnSin * v;
            corner[2 * k + 1] = island.turnSin * u + island.turnCos * v;
            for (int axis = 0; axis < 2; ++axis)
                low[axis] = std::min(low[axis], corner[2 * k + axis]), high[axis] = std::max(high[axis], corner[2 * k + axis]);
        }
        for (int k = 0; k < count; ++k) corner[2 * k] -= low[0], corner[2 * k + 1] -= low[1];
        if (!count) low[0] = low[1] = high[0] = high[1] = 0;
        island.lowU = low[0], island.lowV = low[1];
        island.width = high[0] - low[0], island.height = high[1] - low[1];
    }
    order_.resize(islands_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        const Island &p = islands_[size_t(a)], &q = islands_[size_t(b)];
        return p.width * p.height > q.width * q.height;
    });
}

void ShapeFit::rasterise(const Island& island, double scale, Mask& mask) {
    const double toCells = scale / cell_;
    const int width = int(std::floor(island.width * toCells)) + 1, height = int(std::floor(island.height * toCells)) + 1;
    mask.width = width, mask.height = height;
    if (width > size_ || height > size_) return;
    const int words = (width + 63) / 64;
    bits_.assign(size_t(words) * size_t(height), 0);
    for (int t = island.first; t < island.end; ++t) {
        double p[6];
        for (int k = 0; k < 6; ++k) p[k] = corners_[6 * size_t(t) + size_t(k)] * toCells;
        coverTriangle(p, bits_.data(), words, height, width);
    }
    work_ += double(island.end - island.first) + double(words) * height;
    maskOf(bits_.data(), words, width, height, mask);
    orderRows(mask);
}

// ---- Search ----

int ShapeFit::firstFit(const Mask& mask, int y, int& blocking) const {
    const int last = size_ - mask.width;  // the rightmost column the mask may start at
    if (last < 0) return -1;
    valid_.assign(size_t(words_), 0);
    int lo = 0, hi = (last >> 6) + 1;  // words of valid_ that may have set bits
    for (int w = 0; w < hi; ++w) valid_[size_t(w)] = kAll;
    valid_[size_t(hi - 1)] = kAll >> (63 - (last & 63));
    // The row that blocked the last place tried goes first: it most likely blocks this one too.
    for (int step = -1; step < mask.height; ++step) {
        const int k = step < 0 ? blocking : mask.order[size_t(step)];
        if (step >= 0 && k == blocking) continue;
        const uint64_t* row = &taken_[size_t(y + k) * size_t(words_)];
        for (int r = mask.rowStart[size_t(k)]; r < mask.rowStart[size_t(k) + 1]; ++r) {
            const int start = mask.runs[2 * size_t(r)], length = mask.runs[2 * size_t(r) + 1];
            // Free cells from the first column that matters to the last the run can reach.
            const int from = lo + (start >> 6), to = std::min(words_, hi + ((start + length + 63) >> 6) + 1);
            const int n = to - from;
            span_.resize(size_t(std::max(n, 0)) + 1);
            for (int i = 0; i < n; ++i) span_[size_t(i)] = ~row[from + i];
            erode(span_.data(), n, length);
            work_ += n * std::bit_width(unsigned(length)) + (hi - lo);
            // Column x fits the run when cell x + start is the start of a long enough free run.
            const int s = start & 63;
            for (int i = lo; i < hi; ++i) {
                const int j = i - lo;
                const uint64_t lowPart = j < n ? span_[size_t(j)] : 0, highPart = j + 1 < n ? span_[size_t(j) + 1] : 0;
                valid_[size_t(i)] &= s ? (lowPart >> s) | (highPart << (64 - s)) : lowPart;
            }
        }
        while (lo < hi && !valid_[size_t(lo)]) ++lo;
        while (hi > lo && !valid_[size_t(hi) - 1]) --hi;
        if (lo == hi) {
            blocking = k;
            return -1;
        }
    }
    return lo * 64 + std::countr_zero(valid_[size_t(lo)]);
}

int ShapeFit::nextRow(int from, int need) const {
    if (from >= size_) return size_;
    int i = from + leaves_;
    if (most_[size_t(i)] < need) {
        // Up to the first subtree to the right that has such a row, then down its leftmost.
        for (;;) {
            if (i == 1) return size_;
            if (!(i & 1) && most_[size_t(i) + 1] >= need) {
                ++i;
                break;
            }
            i >>= 1;
        }
        while (i < leaves_) i = most_[2 * size_t(i)] >= need ? 2 * i : 2 * i + 1;
    }
    return std::min(i - leaves_, size_);
}

int ShapeFit::nextRoom(const Mask& mask, int y) const {
    while (y + mask.height <= size_) {
        bool room = true;
        work_ += 1;
        for (const int k : mask.order)
            if (freeRun_[size_t(y + k)] < mask.longest[size_t(k)]) {
                // Nowhere below the next row that has a run that long can row k go.
                y = nextRow(y + k + 1, mask.longest[size_t(k)]) - k;
                room = false;
                break;
            }
        if (room) return y;
    }
    return -1;
}

// The lowest place for any of the four turns, judged by the top of the mask (so that a
// turn lying flat goes before one standing up), then by its left side.
bool ShapeFit::search(const Mask* turns, Spot& spot) const {
    int y[4], blocking[4] = {0, 0, 0, 0};
    for (int q = 0; q < 4; ++q) y[q] = nextRoom(turns[q], lowestOpen_);
    for (;;) {
        int top = size_ + 1;
        for (int q = 0; q < 4; ++q)
            if (y[q] >= 0) top = std::min(top, y[q] + turns[q].height);
        if (top > size_) return false;
        int bestX = -1;
        for (int q = 0; q < 4; ++q) {
            if (y[q] < 0 || y[q] + turns[q].height != top) continue;
            const int x = firstFit(turns[q], y[q], blocking[q]);
            if (x < 0) y[q] = nextRoom(turns[q], y[q] + 1);
            else if (bestX < 0 || x < bestX) bestX = x, spot.x = x, spot.y = y[q], spot.quarters = q;
        }
        if (bestX >= 0) return true;
    }
}

// ---- Stamping ----

namespace {

// Whether every cell of mask row k is a cell of row j too.
bool rowWithin(const ShapeFit::Mask& mask, int k, int j) {
    if (j < 0 || j >= mask.height) return false;
    int other = mask.rowStart[size_t(j)];
    const int otherEnd = mask.rowStart[size_t(j) + 1];
    for (int r = mask.rowStart[size_t(k)]; r < mask.rowStart[size_t(k) + 1]; ++r) {
        const int start = mask.runs[2 * size_t(r)], end = start + mask.runs[2 * size_t(r) + 1];
        while (other < otherEnd && mask.runs[2 * size_t(other)] + mask.runs[2 * size_t(other) + 1] < end) ++other;
        if (other == otherEnd || mask.runs[2 * size_t(other)] > start) return false;
    }
    return true;
}

}  // namespace

// Takes the mask's cells and all that lies within the margin of them. The margin reaches
// no farther across as it reaches farther up or down, so what a row adds above itself a
// row just above it that holds all its cells adds too (and likewise below).
void ShapeFit::stamp(const Mask& mask, int x, int y) {
    const int reach = int(reach_.size()) - 1;
    for (int k = 0; k < mask.height; ++k) {
        const int down = rowWithin(mask, k, k - 1) ? 0 : -reach, up = rowWithin(mask, k, k + 1) ? 0 : reach;
        for (int r = mask.rowStart[size_t(k)]; r < mask.rowStart[size_t(k) + 1]; ++r) {
            const int start = x + mask.runs[2 * size_t(r)], end = start + mask.runs[2 * size_t(r) + 1] - 1;
            for (int d = down; d <= up; ++d) {
                const int row = y + k + d;
                if (row < 0 || row >= size_) continue;
                const int across = reach_[size_t(std::abs(d))];
                work_ += 1 + (end - start + 2 * across) / 64;
                setRange(&taken_[size_t(row) * size_t(words_)], std::max(0, start - across),
                         std::min(size_ - 1, end + across));
            }
        }
    }
    updateRows(y - reach, y + mask.height + reach);
}

void ShapeFit::updateRows(int from, int to) {
    work_ += double(words_) * std::max(0, std::min(size_, to) - std::max(0, from));
    for (int r = std::max(0, from); r < std::min(size_, to); ++r) {
        freeRun_[size_t(r)] = longestClear(&taken_[size_t(r) * size_t(words_)], words_);
        size_t i = size_t(r + leaves_);
        for (most_[i] = freeRun_[size_t(r)]; i > 1; i >>= 1) most_[i >> 1] = std::max(most_[i], most_[i ^ 1]);
    }
    while (lowestOpen_ < size_ && freeRun_[size_t(lowestOpen_)] == 0) ++lowestOpen_;
}

void ShapeFit::clearRows() {
    freeRun_.assign(size_t(size_), 0);
    for (leaves_ = 1; leaves_ < size_;) leaves_ *= 2;
    most_.assign(2 * size_t(leaves_), -1);
    lowestOpen_ = 0;
}

// ---- Packing ----

bool ShapeFit::pack(double scale, std::vector<Spot>& spots) {
    taken_ = fixed_;
    clearRows();
    updateRows(0, size_);
    Mask turns[4];
    spots.resize(islands_.size());
    for (const int i : order_) {
        rasterise(islands_[size_t(i)], scale, turns[0]);
        if (turns[0].width > size_ || turns[0].height > size_) return false;
        // A quarter turn counter-clockwise: cell (c, r) to (height - 1 - r, c).
        const Mask& flat = turns[0];
        const int words = (flat.height + 63) / 64;
        bits_.assign(size_t(words) * size_t(flat.width), 0);
        for (int r = 0; r < flat.height; ++r) {
            const int column = flat.height - 1 - r;
            for (int k = flat.rowStart[size_t(r)]; k < flat.rowStart[size_t(r) + 1]; ++k)
                for (int c = flat.runs[2 * size_t(k)]; c < flat.runs[2 * size_t(k)] + flat.runs[2 * size_t(k) + 1]; ++c)
                    bits_[size_t(c) * size_t(words) + size_t(column >> 6)] |= uint64_t(1) << (column & 63);
        }
        maskOf(bits_.data(), words, flat.height, flat.width, turns[1]);
        orderRows(turns[1]);
        halfTurn(turns[0], turns[2]);
        halfTurn(turns[1], turns[3]);
        Spot& spot = spots[size_t(i)];
        if (work_ > options_.workBudget || !search(turns, spot)) return false;
        stamp(turns[spot.quarters], spot.x, spot.y);
        spot.width = flat.width, spot.height = flat.height;
    }
    return true;
}

// The placements of a packing at `scale`. Without obstacles the whole layout then grows
// to meet the square's sides: the raster's cells leave a sliver free at the far sides,
// and growing only widens the gaps.
void ShapeFit::place(const std::vector<Spot>& spots, double scale) {
    placements_.assign(islands_.size(), Placement{});
    for (size_t i = 0; i < islands_.size(); ++i) {
        const Island& island = islands_[i];
        const Spot& spot = spots[i];
        // The upright island at the scale, least corner at the origin: a u - b v + tu, ...
        double a = scale * island.turnCos, b = scale * island.turnSin;
        double tu = -scale * island.lowU, tv = -scale * island.lowV;
        // Quarter turns within the mask's bounds (w x h cells): (x, y) -> (h - y, x).
        double w = spot.width * cell_, h = spot.height * cell_;
        for (int q = 0; q < spot.quarters; ++q) {
            const double na = -b, nb = a, ntu = h - tv, ntv = tu;
            a = na, b = nb, tu = ntu, tv = ntv;
            std::swap(w, h);
        }
        placements_[i] = {a, b, tu + spot.x * cell_, tv + spot.y * cell_};
    }
    if (!obstacles_.empty()) return;
    double low[2] = {1e300, 1e300}, high[2] = {-1e300, -1e300};
    for (size_t i = 0; i < islands_.size(); ++i) {
        const Island& island = islands_[i];
        const Placement& p = placements_[i];
        for (int k = 3 * island.first; k < 3 * island.end; ++k) {
            // corners_ holds the upright corners: back to the island's own first.
            const double x = corners_[2 * size_t(k)] + island.lowU, y = corners_[2 * size_t(k) + 1] + island.lowV;
            const double u = island.turnCos * x + island.turnSin * y, v = -island.turnSin * x + island.turnCos * y;
            const double out[2] = {p.a * u - p.b * v + p.tu, p.b * u + p.a * v + p.tv};
            for (int axis = 0; axis < 2; ++axis) low[axis] = std::min(low[axis], out[axis]), high[axis] = std::max(high[axis], out[axis]);
        }
    }
    const double span = std::max(high[0] - low[0], high[1] - low[1]);
    if (!(span > 0) || !(span <= 1)) return;
    for (Placement& p : placements_)
        p = {p.a / span, p.b / span, (p.tu - low[0]) / span, (p.tv - low[1]) / span};
}

double ShapeFit::fit(double hint, double hintMargin) {
    const int count = int(islands_.size());
    if (count == 0 || count > options_.shapeIslands) return 0;
    options_.workBudget = std::clamp(options_.workBudget, 1e6, 1e12);
    work_ = 0;
    prepare();
    double longest = 0, area = 0, roots = 0;  // roots: the sum of the islands' areas' square roots
    for (const Island& island : islands_) {
        longest = std::max({longest, island.width, island.height});
        double own = 0;
        for (int t = island.first; t < island.end; ++t) {
            const double* p = &corners_[6 * size_t(t)];
            own += 0.5 * std::fabs((p[2] - p[0]) * (p[5] - p[1]) - (p[4] - p[0]) * (p[3] - p[1]));
        }
        area += own, roots += std::sqrt(own);
    }
    // Never larger than lets the longest island fit, nor than the islands' area allows.
    double top = longest > 0 ? 1 / longest : 1;
    if (area > 0) top = std::min(top, 1 / std::sqrt(area));
    if (count == 1 && obstacles_.empty()) {
        // One island alone fills the square along its long side.
        place({Spot{}}, top);
        marginUsed_ = std::clamp(options_.margin, 0.0, 0.25);
        return std::hypot(placements_[0].a, placements_[0].b);
    }
    // Finer for fewer islands: the work grows with the cells an island covers times the
    // places tried, and the cells every island adds at its edges matter less.
    const int resolution = options_.shapeResolution > 0 ? options_.shapeResolution : count <= 400 ? 2048 : count <= 2000 ? 1536 : 1024;
    size_ = std::clamp((resolution + 63) / 64 * 64, 64, 2048);
    words_ = size_ / 64;
    cell_ = 1.0 / size_;
    std::vector<uint64_t> obstacleCells;
    if (!obstacles_.empty()) {
        obstacleCells.assign(size_t(size_) * size_t(words_), 0);
        for (size_t t = 0; t < obstacles_.size(); t += 6) {
            double p[6];
            for (int k = 0; k < 6; ++k) p[k] = obstacles_[t + size_t(k)] / cell_;
            coverTriangle(p, obstacleCells.data(), words_, size_, size_);
        }
    }
    const double precision = std::clamp(options_.precision, 1e-4, 0.1);
    const int tries = std::clamp(options_.scaleTries, 2, 40);
    const double margin = std::clamp(options_.margin, 0.0, 0.25);
    std::vector<Spot> spots, best;
    double before = -1;
    for (const double tried : {margin, margin / 4, margin / 16, 0.0}) {
        // Less margin than the hint keeps would not be taken.
        if (tried == before || (hint > 0 && tried < hintMargin)) continue;
        if (work_ > options_.workBudget) break;
        before = tried;
        // Columns the margin reaches at each row offset: a cell is within the margin of
        // another when the nearest points of the two come closer than it.
        const double cells = tried / cell_ * (1 + 1e-6);
        reach_.assign(1, 0);
        if (tried > 0) {
            reach_[0] = int(std::ceil(cells));
            for (int d = 1; d - 1 < cells; ++d) {
                const double across = d == 1 ? cells : std::sqrt(cells * cells - double(d - 1) * (d - 1));
                reach_.push_back(int(std::ceil(across)));
            }
        }
        // Islands of a cell each, a margin apart, fill the square at best this densely.
        const double pitch = 1 + 0.7 * cells;
        if (double(count) * pitch * pitch > double(size_) * double(size_)) continue;
        fixed_.assign(size_t(size_) * size_t(words_), 0);
        if (!obstacleCells.empty()) {
            taken_.assign(fixed_.size(), 0);
            clearRows();
            Mask fixedMask;
            maskOf(obstacleCells.data(), words_, size_, size_, fixedMask);
            stamp(fixedMask, 0, 0);
            fixed_ = taken_;
        }
        // Grown by half the margin the islands lie apart inside the square grown by it, and
        // an island of area A so grown has at least (sqrt(A) + sqrt(pi) margin / 2)^2.
        double most = top;
        if (area > 0) {
            const double b = std::sqrt(std::numbers::pi) * tried * roots,
                         c = count * std::numbers::pi * tried * tried / 4 - (1 + tried) * (1 + tried);
            most = std::min(top, (std::sqrt(b * b - 4 * area * c) - b) / (2 * area));
        }
        if (!(most > 0)) continue;  // not even points fit this far apart
        const double least = longest > 0 ? std::min(most, 0.999 * cell_ / longest) : most;
        double low = 0, high = most, scale = std::clamp(hint > 0 ? hint : 0.7 * most, least, most);
        // Steps out from the first scale until one fits and one does not, then halves
        // the gap between them.
        bool bounded = false;
        double step = 1.08;
        for (int t = 0; t < tries && work_ <= options_.workBudget; ++t) {
            if (pack(scale, spots)) low = scale, best = spots;
            else high = scale, bounded = true;
            if (low == 0) {
                if (scale <= least) break;
                scale = std::max(least, 0.8 * scale);
                continue;
            }
            if (low * (1 + precision) >= high) break;
            scale = bounded ? std::sqrt(low * high) : std::min(high, step * low);
            step *= step;
        }
        if (low > 0) {
            place(best, low);
            marginUsed_ = tried;
            return placements_.empty() ? 0 : std::hypot(placements_[0].a, placements_[0].b);
        }
    }
    return 0;
}
