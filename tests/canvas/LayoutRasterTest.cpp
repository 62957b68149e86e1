// The back-buffer rasteriser against the platform's own pens: the same lines and boxes
// drawn both ways into images of the same size must set the same pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <random>
#include <vector>

#include "canvas/LayoutRaster.h"

namespace {

// A top-down 32-bit DIB selected into a memory context with a solid pen: what the
// pens draw into.
struct PenImage {
    PenImage(int w, int h, int penWidth, COLORREF colour) : width(w), height(h) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0);
        pen = CreatePen(PS_SOLID, penWidth, colour);
        previousBitmap = SelectObject(dc, bitmap);
        previousPen = SelectObject(dc, pen);
    }
    ~PenImage() {
        SelectObject(dc, previousPen);
        SelectObject(dc, previousBitmap);
        DeleteObject(pen);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void clear(std::uint32_t value) {
        GdiFlush();
        std::fill(pixels, pixels + size_t(width) * size_t(height), value);
    }
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HPEN pen;
    HGDIOBJ previousBitmap, previousPen;
    std::uint32_t* pixels = nullptr;
};

TEST(LayoutRasterTest, LinesSetThePixelsOfAOnePixelPen) {
    PenImage pen(61, 47, 1, RGB(255, 255, 255));
    std::vector<std::uint32_t> ours(size_t(pen.width) * size_t(pen.height));
    const PixelImage image = {ours.data(), pen.width, pen.height};
    std::mt19937 random(7);
    // Short lines inside, lines crossing the border, and long ones from far away.
    const int reach[] = {70, 200, 100000, 100000000};
    int differing = 0;
    for (int i = 0; i < 4000 && differing < 5; ++i) {
        std::uniform_int_distribution<int> coordinate(-reach[i % 4] / 2, reach[i % 4] / 2 + 50);
        const POINT a = {coordinate(random), coordinate(random)}, b = {coordinate(random), coordinate(random)};
        pen.clear(0);
        MoveToEx(pen.dc, a.x, a.y, nullptr);
        LineTo(pen.dc, b.x, b.y);
        GdiFlush();
        std::fill(ours.begin(), ours.end(), 0u);
        drawLine(image, a, b, 0x00FFFFFFu);
        for (size_t p = 0; p < ours.size(); ++p)
            if (ours[p] != (pen.pixels[p] & 0x00FFFFFFu)) {
                ADD_FAILURE() << "line (" << a.x << ", " << a.y << ") - (" << b.x << ", " << b.y << ") differs at "
                              << p % size_t(pen.width) << ", " << p / size_t(pen.width);
                ++differing;
                break;
            }
    }
}

TEST(LayoutRasterTest, TintsCoverThePixelCentresInsideOnceAcrossSharedEdges) {
    // The square of pixels 4 .. 11 cut along either diagonal, each half given in either
    // winding: a pixel centre on the cut belongs to one half only. The background then
    // shows a quarter of itself under one tint.
    std::vector<std::uint32_t> layer(16 * 16), image(16 * 16);
    const POINT a{4, 4}, b{12, 4}, c{12, 12}, d{4, 12};
    const POINT halves[4][2][3] = {{{a, b, c}, {a, c, d}}, {{a, c, b}, {a, d, c}}, {{a, b, d}, {b, c, d}}, {{d, b, a}, {b, d, c}}};
    for (const auto& cut : halves) {
        std::fill(layer.begin(), layer.end(), 0u);
        for (const auto& half : cut) addTintLayer(PixelImage{layer.data(), 16, 16}, half, 0x00102030u);
        std::fill(image.begin(), image.end(), 0x00C08040u);
        applyTintLayer(PixelImage{image.data(), 16, 16}, layer.data());
        for (int i = 0; i < 256; ++i) {
            const bool inside = i % 16 >= 4 && i % 16 < 12 && i / 16 >= 4 && i / 16 < 12;
            ASSERT_EQ(image[size_t(i)], inside ? 0x00102030u + 0x00302010u : 0x00C08040u) << &cut - halves << ": pixel " << i;
        }
    }
    // A lone triangle whose slanted edge meets no pixel centre covers exactly the pixels
    // whose centres lie inside it.
    std::fill(layer.begin(), layer.end(), 0u);
    const POINT lone[3] = {{4, 4}, {12, 4}, {4, 8}};
    addTintLayer(PixelImage{layer.data(), 16, 16}, lone, 0x00102030u);
    for (int i = 0; i < 256; ++i) {
        const double x = i % 16 + 0.5 - 4, y = i / 16 + 0.5 - 4;
        EXPECT_EQ(layer[size_t(i)] >> 24, x > 0 && y > 0 && x + 2 * y < 8 ? 1u : 0u) << "pixel " << i;
    }
}

TEST(LayoutRasterTest, StampsRepeatTheBoxAPenDrawsAnywhere) {
    for (int width : {1, 3}) {
        // The box as the canvas draws a corner: side 6 from (x0, y0), read into a stamp.
        const int side = 6, margin = 4, size = side + 2 * margin;
        auto boxAt = [&](HDC dc, int x0, int y0) {
            const POINT outline[5] = {{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}, {x0, y0}};
            Polyline(dc, outline, 5);
        };
        PenImage first(size, size, width, RGB(255, 0, 0)), second(size, size, width, RGB(255, 0, 0));
        first.clear(0);
        second.clear(0x00FFFFFF);
        for (PenImage* shape : {&first, &second}) boxAt(shape->dc, margin, margin);
        GdiFlush();
        Stamp stamp;
        readStamp(first.pixels, second.pixels, SIZE{size, size}, margin, margin, stamp);
        EXPECT_EQ(stamp.colour, 0x00FF0000u);
        EXPECT_FALSE(stamp.runs.empty());

        PenImage pen(23, 17, width, RGB(255, 0, 0));
        std::vector<std::uint32_t> ours(size_t(pen.width) * size_t(pen.height));
        for (int y = -12; y < 22; ++y)
            for (int x = -12; x < 28; x += 3) {
                pen.clear(0);
                boxAt(pen.dc, x, y);
                GdiFlush();
                std::fill(ours.begin(), ours.end(), 0u);
                drawStamp(PixelImage{ours.data(), pen.width, pen.height}, stamp, x, y);
                for (size_t p = 0; p < ours.size(); ++p)
                    ASSERT_EQ(ours[p], pen.pixels[p] & 0x00FFFFFFu)
                        << "pen " << width << ", box at " << x << ", " << y << ", pixel " << p;
            }
    }
}

}  // namespace
