// Packing islands into the unit square: bounding boxes on shelves, first fit by
// decreasing height, at the largest common scale found by bisection. Islands with a
// locked corner are obstacles that the shelves flow around.
#include "Islands.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace islands {

namespace {

struct Item {
    int part;
    double box[4];  // (min u, min v, max u, max v) as the island lies now
    double x = 0, y = 0;
    bool turned = false;

    double width() const { return box[2] - box[0]; }
    double height() const { return box[3] - box[1]; }
};

struct Rect {
    double x0, y0, x1, y1;
};

// The first x at or after `x` where a w x h rectangle at height y meets no obstacle.
double clearX(double x, double y, double w, double h, const std::vector<Rect>& obstacles) {
    for (bool moved = true; moved;) {
        moved = false;
        for (const Rect& o : obstacles)
            if (x < o.x1 && x + w > o.x0 && y < o.y1 && y + h > o.y0) x = o.x1, moved = true;
    }
    return x;
}

// Places every item, `margin` apart, inside the square at `scale`. Each island takes a
// cell of its size plus the margin to its right and top; the square grows by the margin
// so that islands may touch its far sides. Shelves are filled lying flat, and an item
// stands upright where that fits the shelf's height.
bool shelve(std::vector<Item>& items, double scale, double margin, const std::vector<Rect>& obstacles) {
    struct Shelf {
        double y, height, x;
    };
    const double side = 1.0 + margin;
    std::vector<Shelf> shelves;
    double top = 0;
    for (Item& item : items) {
        const double a = item.width() * scale + margin, b = item.height() * scale + margin;
        const double low = std::min(a, b), high = std::max(a, b);
        bool placed = false;
        for (Shelf& shelf : shelves) {
            for (int upright = 1; upright >= 0 && !placed; --upright) {
                const double w = upright ? low : high, h = upright ? high : low;
                if (h > shelf.height) continue;
                const double x = clearX(shelf.x, shelf.y, w, h, obstacles);
                if (x + w > side) continue;
                item.x = x, item.y = shelf.y, item.turned = w != a;
                shelf.x = x + w;
                placed = true;
            }
            if (placed) break;
        }
        if (placed) continue;
        // Wider than the square at this scale: no band can hold it (and a flat item
        // would otherwise climb no higher than the top and search forever).
        if (!(high <= side)) return false;
        double y = top, x = clearX(0, y, high, low, obstacles);
        while (x + high > side) {
            // The band is blocked: start above the lowest obstacle top that blocks it.
            double next = side;
            for (const Rect& o : obstacles)
                if (o.y1 > y && o.y0 < y + low) next = std::min(next, o.y1);
            if (next <= y) return false;
            y = next;
            if (y + low > side) return false;
            x = clearX(0, y, high, low, obstacles);
        }
        if (y + low > side) return false;
        item.x = x, item.y = y, item.turned = high != a;
        shelves.push_back({y, low, x + high});
        top = y + low;
    }
    return true;
}

bool finiteBox(const double box[4]) {
    return std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) && std::isfinite(box[3]);
}

}  // namespace

void packParts(UVWalk& walk, const FaceSet& set, const std::vector<int>& part, int partCount, double margin,
               int& written) {
    const PartList list = listParts(part, partCount);
    std::vector<Item> items;
    std::vector<Rect> fixed;
    for (int p = 0; p < partCount; ++p) {
        Item item{p, {1e300, 1e300, -1e300, -1e300}};
        bool locked = false, finite = true;
        for (int i = list.first[size_t(p)]; i < list.first[size_t(p) + 1]; ++i) {
            const FaceRecord& face = walk.face(set.faces[size_t(list.members[size_t(i)])]);
            locked = locked || (face.flags & UV_LOCKED_ALL);
            for (int c = 0; c < 3; ++c) {
                const double u = face.uv[c][0], v = face.uv[c][1];
                finite = finite && std::isfinite(u) && std::isfinite(v);
                item.box[0] = std::min(item.box[0], u), item.box[1] = std::min(item.box[1], v);
                item.box[2] = std::max(item.box[2], u), item.box[3] = std::max(item.box[3], v);
            }
        }
        // An island with a NaN or infinite corner has no place to go and is left alone.
        if (!finite || !finiteBox(item.box)) continue;
        if (locked)
            fixed.push_back({item.box[0], item.box[1], item.box[2] + margin, item.box[3] + margin});
        else
            items.push_back(item);
    }
    if (items.empty()) return;
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        const double lowA = std::min(a.width(), a.height()), lowB = std::min(b.width(), b.height());
        return lowA != lowB ? lowA > lowB : std::max(a.width(), a.height()) > std::max(b.width(), b.height());
    });
    double area = 0, largest = 0;
    for (const Item& item : items)
        area += item.width() * item.height(), largest = std::max({largest, item.width(), item.height()});
    // Tried with less margin when the islands cannot all fit with the full one.
    std::vector<Item> best;
    double bestScale = 0;
    for (double tried : {margin, margin / 4, margin / 16, 0.0}) {
        double high = largest > 0 ? 1.0 / largest : 1.0;
        if (area > 0) high = std::min(high, 1.0 / std::sqrt(area));
        double low = 0;
        if (shelve(items, high, tried, fixed)) best = items, bestScale = high;
        else
            for (int step = 0; step < 24; ++step) {
                const double middle = 0.5 * (low + high);
                if (shelve(items, middle, tried, fixed)) best = items, bestScale = low = middle;
                else high = middle;
            }
        if (!best.empty()) break;
    }
    if (best.empty()) return;
    for (const Item& item : best) {
        for (int i = list.first[size_t(item.part)]; i < list.first[size_t(item.part) + 1]; ++i) {
            FaceRecord& face = walk.face(set.faces[size_t(list.members[size_t(i)])]);
            for (int c = 0; c < 3; ++c) {
                double x = face.uv[c][0] - item.box[0], y = face.uv[c][1] - item.box[1];
                if (item.turned) {
                    // A quarter turn counter-clockwise keeps the faces' winding.
                    const double turnedX = item.height() - y;
                    y = x, x = turnedX;
                }
                written += writeUV(face, c, item.x + x * bestScale, item.y + y * bestScale);
            }
        }
    }
}

}  // namespace islands

bool packIslands(UVModel& model, float epsilon) {
    UVEdit edit(model, {L"Pack Islands", EDIT_FACE_DATA});
    islands::onSelectedIslands(edit, epsilon, false, [&](islands::FaceSet& set, std::vector<int>& part, int parts) {
        islands::packParts(edit, set, part, parts, PACK_MARGIN, edit.changed);
    });
    return edit.finish();
}
