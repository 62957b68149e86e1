// What the canvas's drawing files share: integer pixels from values host data can make,
// the rubber band's rectangle, and the 32-bit bitmaps behind the back buffer, the corner
// stamps and the texture.
#pragma once

#include <windows.h>

// Truncation toward zero that tolerates what host data can produce (NaN, infinities,
// values beyond the integer range): such values land far outside any window.
inline int truncToInt(double value) {
    if (!(value > -1e8)) return -100000000;
    if (value > 1e8) return 100000000;
    return static_cast<int>(value);
}

// The rectangle between a drag's press and the pointer, whichever way the drag went.
inline RECT bandRect(int x0, int y0, int x1, int y1) {
    return RECT{x0 < x1 ? x0 : x1, y0 < y1 ? y0 : y1, x0 < x1 ? x1 : x0, y0 < y1 ? y1 : y0};
}

// A 32-bit uncompressed bitmap description; a negative height gives top-down rows.
inline BITMAPINFO dibInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
