// Drawing straight into the 32-bit pixels of the canvas's back buffer: one-pixel lines
// that set exactly the pixels a solid pen of width 1 sets (last point left out, the
// same choice on ties), and stamps, shapes made once with a pen and copied to many
// places. One drawing call per segment costs far more than the segment's pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Top-down rows of width pixels, no padding.
struct PixelImage {
    std::uint32_t* pixels;
    int width;
    int height;
};

// Tints of faces composed over an unknown background: per pixel the tints' part (bits
// 0-23, tint + a quarter of what lay below, per channel) and how many tints cover it
// (bits 24 up), so that a background b shows through as b / 4^count. A face covers the
// pixels whose centres lie inside it; a centre on an edge belongs to one side only, so
// that faces sharing an edge cover it once. Coordinates within +-10^8.
void addTintLayer(const PixelImage& layer, const POINT p[3], std::uint32_t tint);  // tint channels <= 191
// Every pixel of image under a covered pixel of layer (same size) becomes the tinted one.
void applyTintLayer(const PixelImage& image, const std::uint32_t* layer);

// The line from a to b without b, clipped to the image; coordinates within +-10^9.
void drawLine(const PixelImage& image, POINT a, POINT b, std::uint32_t colour);

// A run of pixels [x0, x1) on row dy, relative to the point a stamp is placed at.
struct StampRun {
    int dy, x0, x1;
};

// A shape in one colour, with the rectangle around its runs (relative, right and
// bottom exclusive).
struct Stamp {
    std::vector<StampRun> runs;
    RECT extent = {};
    std::uint32_t colour = 0;
};

// The stamp of the pixels where first and second differ from their background
// (0 and 0x00FFFFFF, one image of size pixels each): the same shape drawn twice, so
// that a shape of either background colour is found. Its colour is first's pixel;
// (originX, originY) becomes the stamp's point.
void readStamp(const std::uint32_t* first, const std::uint32_t* second, SIZE size, int originX, int originY,
               Stamp& stamp);

// The stamp with its point at (x, y), clipped to the image.
void drawStamp(const PixelImage& image, const Stamp& stamp, int x, int y);
