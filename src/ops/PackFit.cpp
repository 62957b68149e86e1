// Shelf packing of island bounds around a raster of the fixed islands: first fit by
// decreasing height, the first fitting shelf found in logarithmic time, at the largest
// common scale found by bisection.
#include "PackFit.h"

#include <algorithm>
#include <cmath>

Occupancy::Occupancy(const PackOptions& options)
    : size_(std::clamp(options.resolution, 16, 4096)),
      cell_((1.0 + options.margin) / size_),
      margin_(options.margin),
      cells_(size_t(size_) * size_t(size_), 0) {}

int Occupancy::cellsOf(double x) const {
    const double c = std::floor(x / cell_);
    return c < 0 ? 0 : (c >= size_ ? size_ - 1 : int(c));
}

void Occupancy::addTriangle(const double* a, const double* b, const double* c) {
    const double* p[3] = {a, b, c};
    double low[2], high[2];
    for (int axis = 0; axis < 2; ++axis) {
        low[axis] = std::min({a[axis], b[axis], c[axis]}), high[axis] = std::max({a[axis], b[axis], c[axis]});
        if (!std::isfinite(low[axis]) || !std::isfinite(high[axis])) return;
        // Wholly outside the raster: nothing of the square to cover.
        if (high[axis] < 0 || low[axis] > size_ * cell_) return;
    }
    // A cell is covered when no edge normal of the triangle separates it from the
    // triangle (its bounds already overlap the cell's range).
    for (int cy = cellsOf(low[1]); cy <= cellsOf(high[1]); ++cy)
        for (int cx = cellsOf(low[0]); cx <= cellsOf(high[0]); ++cx) {
            const double x0 = cx * cell_, y0 = cy * cell_, x1 = x0 + cell_, y1 = y0 + cell_;
            bool separated = false;
            for (int e = 0; e < 3 && !separated; ++e) {
                const double nx = p[(e + 1) % 3][1] - p[e][1], ny = p[e][0] - p[(e + 1) % 3][0];
                const double t[3] = {nx * a[0] + ny * a[1], nx * b[0] + ny * b[1], nx * c[0] + ny * c[1]};
                const double r[4] = {nx * x0 + ny * y0, nx * x1 + ny * y0, nx * x0 + ny * y1, nx * x1 + ny * y1};
                separated = std::max({r[0], r[1], r[2], r[3]}) < std::min({t[0], t[1], t[2]}) ||
                            std::min({r[0], r[1], r[2], r[3]}) > std::max({t[0], t[1], t[2]});
            }
            if (!separated) cells_[size_t(cy) * size_t(size_) + size_t(cx)] = 1, empty_ = false;
        }
}

void Occupancy::finish() {
    const size_t stride = size_t(size_) + 1;
    auto sumUp = [&] {
        sums_.assign(stride * stride, 0);
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x)
                sums_[(size_t(y) + 1) * stride + size_t(x) + 1] = cells_[size_t(y) * size_t(size_) + size_t(x)] +
                                                                    sums_[size_t(y) * stride + size_t(x) + 1] +
                                                                    sums_[(size_t(y) + 1) * stride + size_t(x)] -
                                                                    sums_[size_t(y) * stride + size_t(x)];
    };
    if (empty_) return;
    sumUp();
    // Grown by the margin: a cell within the margin's cells of a covered one is covered.
    const int grow = int(std::ceil(margin_ / cell_));
    for (int y = 0; y < size_; ++y)
        for (int x = 0; x < size_; ++x)
            cells_[size_t(y) * size_t(size_) + size_t(x)] = covered(x - grow, y - grow, x + grow, y + grow) > 0;
    sumUp();
    nextFree_.resize(cells_.size());
    for (size_t row = 0; row < size_t(size_); ++row)
        for (int x = size_ - 1, next = size_; x >= 0; --x) {
            const size_t i = row * size_t(size_) + size_t(x);
            next = cells_[i] ? next : x;
            nextFree_[i] = next;
        }
}

long long Occupancy::covered(int c0, int r0, int c1, int r1) const {
    c0 = std::max(c0, 0), r0 = std::max(r0, 0), c1 = std::min(c1, size_ - 1), r1 = std::min(r1, size_ - 1);
    if (c0 > c1 || r0 > r1) return 0;
    const size_t stride = size_t(size_) + 1;
    return (long long)sums_[(size_t(r1) + 1) * stride + size_t(c1) + 1] - sums_[size_t(r0) * stride + size_t(c1) + 1] -
           sums_[(size_t(r1) + 1) * stride + size_t(c0)] + sums_[size_t(r0) * stride + size_t(c0)];
}

namespace {

// Cells met by [x0, x1]: a range that only touches a cell's edge does not meet it.
void cellRange(double x0, double x1, double cell, int& c0, int& c1) {
    c0 = int(std::floor(x0 / cell + 1e-9)), c1 = std::max(c0, int(std::floor(x1 / cell - 1e-9)));
}

}  // namespace

bool Occupancy::free(double x0, double y0, double x1, double y1) const {
    if (empty_) return true;
    int c0, c1, r0, r1;
    cellRange(x0, x1, cell_, c0, c1);
    cellRange(y0, y1, cell_, r0, r1);
    return covered(c0, r0, c1, r1) == 0;
}

double Occupancy::clearX(double x, double y, double w, double h) const {
    if (empty_) return x;
    const double end = size_ * cell_;
    int r0, r1;
    cellRange(y, y + h, cell_, r0, r1);
    while (x <= end) {
        int c0, c1;
        cellRange(x, x + w, cell_, c0, c1);
        if (covered(c0, r0, c1, r1) == 0) return x;
        // Past the last covered column the rectangle meets: the count of covered cells
        // from column c to c1 falls as c grows.
        int lo = c0, hi = c1;
        while (lo < hi) {
            const int middle = (lo + hi + 1) / 2;
            if (covered(middle, r0, c1, r1) > 0) lo = middle;
            else hi = middle - 1;
        }
        // Nor can it start before every row it spans has a free cell.
        int next = lo + 1;
        if (c0 < size_)
            for (int r = std::max(r0, 0); r <= std::min(r1, size_ - 1); ++r)
                next = std::max(next, nextFree_[size_t(r) * size_t(size_) + size_t(std::max(c0, 0))]);
        x = std::max(std::nextafter(x, 2 * end), next * cell_);
    }
    return x;
}

namespace {

// Maxima of the shelves' free widths, to find the first shelf with enough room.
class RoomTree {
public:
    explicit RoomTree(size_t count) {
        while (leaves_ < count) leaves_ *= 2;
        room_.assign(2 * leaves_, -1.0);
    }
    void set(size_t i, double room) {
        for (i += leaves_, room_[i] = room; i > 1; i /= 2) room_[i / 2] = std::max(room_[i], room_[i ^ 1]);
    }
    // The first shelf in [from, end) with at least `need` room, or `end`.
    size_t first(size_t from, size_t end, double need) const { return find(1, 0, leaves_, from, end, need); }

private:
    size_t find(size_t node, size_t lo, size_t hi, size_t from, size_t end, double need) const {
        if (hi <= from || lo >= end || room_[node] < need) return end;
        if (hi - lo == 1) return lo;
        const size_t middle = (lo + hi) / 2;
        const size_t left = find(2 * node, lo, middle, from, end, need);
        return left < end ? left : find(2 * node + 1, middle, hi, from, end, need);
    }

    size_t leaves_ = 1;
    std::vector<double> room_;
};

// Places every box, `margin` apart, inside the square at `scale`. Each island takes a
// cell of its size plus the margin to its right and top; the square grows by the margin
// so that islands may touch its far sides. Shelves are filled lying flat, and a box
// stands upright where that fits the shelf's height. Shelves are made in order of
// falling height, so those tall enough for a box are a prefix of them.
bool shelve(std::vector<FitBox>& boxes, double scale, double margin, const Occupancy& fixed, RoomTree& tree) {
    struct Shelf {
        double y, height, x;
    };
    const double side = 1.0 + margin;
    std::vector<Shelf> shelves;
    double top = 0;
    auto tallEnough = [&](double h) {
        return size_t(std::partition_point(shelves.begin(), shelves.end(), [&](const Shelf& s) { return s.height >= h; }) -
                      shelves.begin());
    };
    for (FitBox& box : boxes) {
        const double a = box.width * scale + margin, b = box.height * scale + margin;
        const double low = std::min(a, b), high = std::max(a, b);
        // Room is side - x; the exact test below decides, the tree only skips shelves.
        const double slack = 1e-12;
        const size_t forFlat = tallEnough(low), forUpright = tallEnough(high);
        bool placed = false;
        for (size_t from = 0; !placed;) {
            const size_t flat = tree.first(from, forFlat, high - slack), upright = tree.first(from, forUpright, low - slack);
            const size_t s = std::min(flat < forFlat ? flat : shelves.size(), upright < forUpright ? upright : shelves.size());
            if (s >= shelves.size()) break;
            Shelf& shelf = shelves[s];
            for (int up = 1; up >= 0 && !placed; --up) {
                const double w = up ? low : high, h = up ? high : low;
                if (h > shelf.height) continue;
                const double x = fixed.clearX(shelf.x, shelf.y, w, h);
                if (x + w > side) continue;
                box.x = x, box.y = shelf.y, box.turned = w != a;
                shelf.x = x + w;
                tree.set(s, side - shelf.x);
                placed = true;
            }
            from = s + 1;
        }
        if (placed) continue;
        // Wider than the square at this scale: no band can hold it.
        if (!(high <= side)) return false;
        double y = top, x = fixed.clearX(0, y, high, low);
        while (x + high > side) {
            // The band is blocked: try the next one up, a step of the raster higher.
            y = std::max(std::nextafter(y, 2.0), y + side / 1024);
            if (y + low > side) return false;
            x = fixed.clearX(0, y, high, low);
        }
        if (y + low > side) return false;
        box.x = x, box.y = y, box.turned = high != a;
        shelves.push_back({y, low, x + high});
        tree.set(shelves.size() - 1, side - (x + high));
        top = y + low;
    }
    return true;
}

}  // namespace

double fitBoxes(std::vector<FitBox>& boxes, const Occupancy& fixed, const PackOptions& options, double* marginUsed) {
    if (boxes.empty()) return 0;
    std::stable_sort(boxes.begin(), boxes.end(), [](const FitBox& a, const FitBox& b) {
        const double lowA = std::min(a.width, a.height), lowB = std::min(b.width, b.height);
        return lowA != lowB ? lowA > lowB : std::max(a.width, a.height) > std::max(b.width, b.height);
    });
    double area = 0, largest = 0;
    for (const FitBox& box : boxes) area += box.width * box.height, largest = std::max({largest, box.width, box.height});
    std::vector<FitBox> best;
    double bestScale = 0;
    RoomTree tree(boxes.size());
    auto tryScale = [&](double scale, double margin) {
        tree = RoomTree(boxes.size());
        return shelve(boxes, scale, margin, fixed, tree);
    };
    // Tried with less margin when the islands cannot all fit with the full one.
    const double margin = options.margin;
    for (double tried : {margin, margin / 4, margin / 16, 0.0}) {
        double high = largest > 0 ? 1.0 / largest : 1.0;
        if (area > 0) high = std::min(high, 1.0 / std::sqrt(area));
        double low = 0;
        if (tryScale(high, tried)) best = boxes, bestScale = high;
        else
            for (int step = 0; step < std::clamp(options.scaleSteps, 1, 40); ++step) {
                const double middle = 0.5 * (low + high);
                if (tryScale(middle, tried)) best = boxes, bestScale = low = middle;
                else high = middle;
            }
        if (!best.empty()) {
            if (marginUsed) *marginUsed = tried;
            break;
        }
    }
    if (!best.empty()) boxes = std::move(best);
    return bestScale;
}
