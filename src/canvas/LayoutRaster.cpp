#include "canvas/LayoutRaster.h"

#include <algorithm>
#include <utility>

namespace {
using Wide = long long;

// Floor division for any signs (b > 0).
Wide floorDiv(Wide a, Wide b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

void fillRow(const PixelImage& image, int y, Wide left, Wide right, std::uint32_t colour) {
    // [left, right] inclusive, already known to lie on row y of the image.
    left = std::max<Wide>(left, 0);
    right = std::min<Wide>(right, image.width - 1);
    std::uint32_t* row = image.pixels + static_cast<size_t>(y) * static_cast<size_t>(image.width);
    for (Wide x = left; x <= right; ++x) row[x] = colour;
}

// plot(pixel) for each pixel whose centre lies inside the triangle, clipped to the image.
template <class Plot>
void forEachTrianglePixel(const PixelImage& image, const POINT p[3], Plot&& plot) {
    // Doubled coordinates put the pixel centres on integers.
    Wide x[3], y[3];
    for (int c = 0; c < 3; ++c) x[c] = 2 * Wide(p[c].x), y[c] = 2 * Wide(p[c].y);
    const Wide area = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
    if (area == 0) return;
    if (area < 0) std::swap(x[1], x[2]), std::swap(y[1], y[2]);
    const Wide left = std::max<Wide>(std::min({p[0].x, p[1].x, p[2].x}), 0);
    const Wide right = std::min<Wide>(std::max({p[0].x, p[1].x, p[2].x}), image.width);
    const Wide top = std::max<Wide>(std::min({p[0].y, p[1].y, p[2].y}), 0);
    const Wide bottom = std::min<Wide>(std::max({p[0].y, p[1].y, p[2].y}), image.height);
    if (left >= right || top >= bottom) return;
    // Edge e from corner e to e + 1: inside where its function is at least 0, or above 0
    // for the edges that leave ties to their neighbour.
    Wide rowStart[3], stepX[3], stepY[3];
    for (int e = 0; e < 3; ++e) {
        const int f = (e + 1) % 3;
        const Wide dx = x[f] - x[e], dy = y[f] - y[e];
        const bool keepsTies = dy > 0 || (dy == 0 && dx > 0);
        rowStart[e] = dx * (2 * top + 1 - y[e]) - dy * (2 * left + 1 - x[e]) - (keepsTies ? 0 : 1);
        stepX[e] = -2 * dy;
        stepY[e] = 2 * dx;
    }
    for (Wide row = top; row < bottom; ++row) {
        std::uint32_t* line = image.pixels + size_t(row) * size_t(image.width);
        Wide e0 = rowStart[0], e1 = rowStart[1], e2 = rowStart[2];
        for (Wide column = left; column < right; ++column) {
            if ((e0 | e1 | e2) >= 0) plot(line[column]);
            e0 += stepX[0], e1 += stepX[1], e2 += stepX[2];
        }
        for (int e = 0; e < 3; ++e) rowStart[e] += stepY[e];
    }
}
}  // namespace

void drawLine(const PixelImage& image, POINT a, POINT b, std::uint32_t colour) {
    const int width = image.width, height = image.height;
    if (a.y == b.y) {
        if (a.y < 0 || a.y >= height) return;
        if (a.x <= b.x)
            fillRow(image, a.y, a.x, Wide(b.x) - 1, colour);
        else
            fillRow(image, a.y, Wide(b.x) + 1, a.x, colour);
        return;
    }
    if (a.x == b.x) {
        if (a.x < 0 || a.x >= width) return;
        Wide top = a.y <= b.y ? a.y : Wide(b.y) + 1, bottom = a.y <= b.y ? Wide(b.y) - 1 : a.y;
        top = std::max<Wide>(top, 0);
        bottom = std::min<Wide>(bottom, height - 1);
        for (Wide y = top; y <= bottom; ++y) image.pixels[size_t(y) * size_t(width) + size_t(a.x)] = colour;
        return;
    }

    // Bresenham along the major axis. Ties step toward the minor axis only for the
    // directions that take a bias, so that a line and its reverse cover the pixels a
    // pen covers: octants counted anticlockwise from +x with y down, 3, 5, 6 and 8.
    const Wide dx = Wide(b.x) - a.x, dy = Wide(b.y) - a.y;
    int octant;
    if (dy > 0)
        octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    else
        octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
    const Wide bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    const bool xMajor = octant == 1 || octant == 4 || octant == 5 || octant == 8;

    const Wide major = xMajor ? (dx < 0 ? -dx : dx) : (dy < 0 ? -dy : dy);
    const Wide minor = xMajor ? (dy < 0 ? -dy : dy) : (dx < 0 ? -dx : dx);
    const int majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1, minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const Wide majorStart = xMajor ? a.x : a.y, minorStart = xMajor ? a.y : a.x;
    const Wide majorSize = xMajor ? width : height, minorSize = xMajor ? height : width;

    // Pixel k (0 <= k < major) lies at major offset k and minor offset
    // n(k) = floor((2 minor k + c) / (2 major)), which never decreases.
    const Wide c = major - 1 + bias;
    Wide first = 0, last = major - 1, n = 0;
    const bool inside = a.x >= 0 && a.y >= 0 && b.x >= 0 && b.y >= 0 && a.x < width && b.x < width &&
                        a.y < height && b.y < height;
    if (!inside) {
        // Inside along the major axis.
        if (majorSign > 0) {
            first = std::max(first, -majorStart);
            last = std::min(last, majorSize - 1 - majorStart);
        } else {
            first = std::max(first, majorStart - (majorSize - 1));
            last = std::min(last, majorStart);
        }
        // Inside along the minor axis: n(k) within [low, high].
        const Wide low = minorSign > 0 ? -minorStart : minorStart - (minorSize - 1);
        const Wide high = minorSign > 0 ? minorSize - 1 - minorStart : minorStart;
        if (low > 0) first = std::max(first, floorDiv(2 * major * low - c + 2 * minor - 1, 2 * minor));
        last = std::min(last, floorDiv(2 * major * (high + 1) - c - 1, 2 * minor));
        if (first > last) return;
        n = floorDiv(2 * minor * first + c, 2 * major);
    }
    Wide error = 2 * minor * (first + 1) - major - 2 * major * n;
    const Wide stepBoth = 2 * minor - 2 * major, stepMajor = 2 * minor;
    const std::ptrdiff_t rowStep = width;
    const std::ptrdiff_t majorStep = xMajor ? majorSign : majorSign * rowStep;
    const std::ptrdiff_t minorStep = xMajor ? minorSign * rowStep : minorSign;
    const Wide x0 = xMajor ? majorStart + majorSign * first : minorStart + minorSign * n;
    const Wide y0 = xMajor ? minorStart + minorSign * n : majorStart + majorSign * first;
    std::uint32_t* p = image.pixels + y0 * rowStep + x0;
    for (Wide k = first;; ++k) {
        *p = colour;
        if (k == last) break;
        if (error + bias > 0) {
            p += minorStep;
            error += stepBoth;
        } else {
            error += stepMajor;
        }
        p += majorStep;
    }
}

void addTintLayer(const PixelImage& layer, const POINT p[3], std::uint32_t tint) {
    forEachTrianglePixel(layer, p, [tint](std::uint32_t& pixel) {
        const std::uint32_t count = std::min<std::uint32_t>((pixel >> 24) + 1, 4);
        pixel = (count << 24) | (tint + ((pixel >> 2) & 0x003F3F3Fu));
    });
}

void applyTintLayer(const PixelImage& image, const std::uint32_t* layer) {
    // What of the background shows through 1, 2, 3 or 4 tints: b / 4^count per channel.
    constexpr std::uint32_t kShown[5] = {0x00FFFFFFu, 0x003F3F3Fu, 0x000F0F0Fu, 0x00030303u, 0};
    const size_t count = size_t(image.width) * size_t(image.height);
    for (size_t i = 0; i < count; ++i) {
        const std::uint32_t cover = layer[i] >> 24;
        if (cover) image.pixels[i] = (layer[i] & 0x00FFFFFFu) + ((image.pixels[i] >> (2 * cover)) & kShown[cover]);
    }
}

void readStamp(const std::uint32_t* first, const std::uint32_t* second, SIZE size, int originX, int originY,
               Stamp& stamp) {
    stamp.runs.clear();
    stamp.extent = RECT{0, 0, 0, 0};
    bool any = false;
    auto marked = [&](int x, int y) {
        const size_t i = size_t(y) * size_t(size.cx) + size_t(x);
        return (first[i] & 0x00FFFFFFu) != 0 || (second[i] & 0x00FFFFFFu) != 0x00FFFFFFu;
    };
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx;) {
            if (!marked(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < size.cx && marked(end, y)) ++end;
            const StampRun run = {y - originY, x - originX, end - originX};
            if (!any) {
                stamp.extent = RECT{run.x0, run.dy, run.x1, run.dy + 1};
                stamp.colour = first[size_t(y) * size_t(size.cx) + size_t(x)] & 0x00FFFFFFu;
                any = true;
            }
            stamp.extent.left = std::min<LONG>(stamp.extent.left, run.x0);
            stamp.extent.right = std::max<LONG>(stamp.extent.right, run.x1);
            stamp.extent.bottom = run.dy + 1;
            stamp.runs.push_back(run);
            x = end;
        }
    }
}

void drawStamp(const PixelImage& image, const Stamp& stamp, int x, int y) {
    const RECT& e = stamp.extent;
    const Wide left = Wide(x) + e.left, right = Wide(x) + e.right, top = Wide(y) + e.top, bottom = Wide(y) + e.bottom;
    if (right <= 0 || bottom <= 0 || left >= image.width || top >= image.height) return;
    const size_t width = size_t(image.width);
    if (left >= 0 && top >= 0 && right <= image.width && bottom <= image.height) {
        std::uint32_t* origin = image.pixels + size_t(y) * width + size_t(x);
        for (const StampRun& run : stamp.runs) {
            std::uint32_t* row = origin + std::ptrdiff_t(run.dy) * std::ptrdiff_t(width);
            for (int i = run.x0; i < run.x1; ++i) row[i] = stamp.colour;
        }
        return;
    }
    for (const StampRun& run : stamp.runs) {
        const Wide row = Wide(y) + run.dy;
        if (row < 0 || row >= image.height) continue;
        fillRow(image, int(row), Wide(x) + run.x0, Wide(x) + run.x1 - 1, stamp.colour);
    }
}
