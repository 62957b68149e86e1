// One frame of the canvas: the back buffer it is composed in, the background (colour or
// texture, single or tiled), the grid, the selection box with its handles and the
// rubber band. The layout itself is drawn by UVCanvasLayout.cpp, the tints by
// UVCanvasTints.cpp.
#include "canvas/CanvasDrawing.h"
#include "canvas/TransformHandles.h"
#include "canvas/UVCanvas.h"

#include <cmath>
#include <new>

bool UVCanvas::renderBackBuffer() {
    if (!window_) return false;
    RECT client = {};
    GetClientRect(window_, &client);
    HDC dc = GetDC(window_);
    if (!dc) return false;
    bool made = ensureBackBuffer(dc, client);
    if (made) {
        drawFrame(backDC_.dc, client, true);
        GdiFlush();
    }
    ReleaseDC(window_, dc);
    return made;
}

bool UVCanvas::ensureBackBuffer(HDC reference, const RECT& client) {
    if (backBuffer_) return true;
    BITMAPINFO info = dibInfo(client.right, -client.bottom);  // top-down rows
    void* bits = nullptr;
    backBuffer_ = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!backBuffer_ || !bits || !backDC_.select(backBuffer_)) {
        deleteBackBuffer();
        return false;
    }
    backPixels_ = static_cast<std::uint32_t*>(bits);
    backSize_ = SIZE{client.right, client.bottom};
    boxMarks_.reset(new (std::nothrow) std::uint32_t[size_t(client.right) * size_t(client.bottom)]());
    if (!boxMarks_) {
        deleteBackBuffer();
        return false;
    }
    return true;
}

void UVCanvas::deleteBackBuffer() {
    boxMarks_.reset();
    tintLayer_.reset();
    backPixels_ = nullptr;
    backSize_ = SIZE{};
    backDC_.release();
    if (backBuffer_) DeleteObject(backBuffer_);
    backBuffer_ = nullptr;
}

// ---- Painting ----

void fillWithColour(HDC dc, const RECT& area, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

bool UVCanvas::SelectedBitmap::select(HBITMAP bitmap) {
    release();
    dc = CreateCompatibleDC(nullptr);
    if (dc) previous = SelectObject(dc, bitmap);
    if (dc && previous) return true;
    release();
    return false;
}

void UVCanvas::SelectedBitmap::release() {
    if (dc && previous) SelectObject(dc, previous);
    if (dc) DeleteDC(dc);
    dc = nullptr;
    previous = nullptr;
}

void UVCanvas::drawTextureBackground(HDC dc, const RECT& client) {
    HDC source = textureDC_.dc;
    if (!source) return;
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    int tileWidth = truncToInt(static_cast<float>(extentWidth_) * view.zoom);
    int tileHeight = truncToInt(static_cast<float>(extentHeight_) * view.zoom);
    // The bitmap is bottom-up: reading it from its last displayed row upward puts the
    // texture's first row at the top of the tile (v = 0).
    auto copyTile = [&](int x, int y) {
        StretchBlt(dc, x, y, tileWidth, tileHeight, source, 0, textureHeight_ - 1, textureWidth_,
                   -textureHeight_, SRCCOPY);
    };
    if (!view.tileTexture) {
        int x = truncToInt(view.zoom * view.panX), y = truncToInt(view.zoom * view.panY);
        copyTile(x, y);
        int saved = SaveDC(dc);
        ExcludeClipRect(dc, x, y, x + tileWidth, y + tileHeight);
        fillWithColour(dc, client, view.backColor);
        RestoreDC(dc, saved);
    } else if (tileWidth >= 1 && tileHeight >= 1) {
        float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
        int kx = truncToInt(-view.panX / w), ky = truncToInt(-view.panY / h);
        if (-view.panX < 0) --kx;
        if (-view.panY < 0) --ky;
        int x0 = truncToInt((w * static_cast<float>(kx) + view.panX) * view.zoom);
        int y0 = truncToInt((h * static_cast<float>(ky) + view.panY) * view.zoom);
        // Far-away pans lose float precision; keep the phase, start next to the window.
        if (x0 < -tileWidth) x0 %= tileWidth;
        if (y0 < -tileHeight) y0 %= tileHeight;
        for (int y = y0; y < client.bottom; y += tileHeight)
            for (int x = x0; x < client.right; x += tileWidth) copyTile(x, y);
    } else {
        fillWithColour(dc, client, view.backColor);
    }
    SetStretchBltMode(dc, oldMode);
}

void UVCanvas::drawGrid() {
    if (!backPixels_) return;
    const int width = backSize_.cx, height = backSize_.cy;
    const float g = static_cast<float>(view.gridSpacing) * view.zoom;
    if (!(g >= 3.0f) || !std::isfinite(g)) return;
    const float ox = view.zoom * view.panX, oy = view.zoom * view.panY;
    if (!std::isfinite(ox) || !std::isfinite(oy)) return;

    auto firstPosition = [g](float origin) {
        float a = -origin / g;
        float f = (a - std::trunc(a)) * g;
        return a >= 0 ? g - f : -f;
    };
    const float firstX = firstPosition(ox), firstY = firstPosition(oy);
    for (float y = firstY; truncToInt(y) < height; y += g) {
        int row = truncToInt(y);
        if (row < 0) continue;
        std::uint32_t* line = backPixels_ + static_cast<size_t>(row) * static_cast<size_t>(width);
        for (float x = firstX; truncToInt(x) < width; x += g) {
            int column = truncToInt(x);
            if (column >= 0) line[column] = ~line[column] & 0x00FFFFFFu;
        }
    }
    if (ox >= 0 && ox < static_cast<float>(width) && oy >= 0 && oy < static_cast<float>(height))
        backPixels_[static_cast<size_t>(truncToInt(oy)) * static_cast<size_t>(width) + truncToInt(ox)] =
            0x00FF0000u;  // canvas origin in pure red
}

void UVCanvas::drawFrame(HDC dc, const RECT& client, bool intoBackBuffer) {
    if (view.showTexture && textureBitmap_ && extentWidth_ >= 1 && extentHeight_ >= 1) {
        drawTextureBackground(dc, client);
    } else {
        fillWithColour(dc, client, view.backColor);
    }
    float selection[4];
    bool anySelected = false;
    if (intoBackBuffer) {
        GdiFlush();  // the background must be in the pixels before they are written
        if (view.showFaults || view.showStretch) drawFaceTints();
        if (view.showGrid) drawGrid();
        prepareStamps();
        anySelected = drawLayoutPixels(selection);
    } else {
        anySelected = drawLayoutWithPens(dc, selection);
    }
    if (anySelected) drawSelectionBox(dc, selection[0], selection[1], selection[2], selection[3]);
    if (isSelectTool(view.tool) && drag_.button == DRAG_LEFT) {
        RECT band = bandRect(drag_.pressX, drag_.pressY, drag_.lastX, drag_.lastY);
        DrawFocusRect(dc, &band);
    }
}

void UVCanvas::drawSelectionBox(HDC dc, float x0, float y0, float x1, float y1) {
    const int s = view.handleSize, hs = s / 2;
    const HandleBox box = handleBox(canvasToPixel(x0, y0), canvasToPixel(x1, y1));
    const int X0 = box.x0, Y0 = box.y0, X1 = box.x1, Y1 = box.y1, centreX = box.cx, centreY = box.cy;

    // The frame is the focus rectangle's own dotted pattern; the handles are drawn with
    // the context's own pen and brush, so no GDI object is made per frame.
    RECT frame = {X0, Y0, X1, Y1};
    DrawFocusRect(dc, &frame);
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(DC_PEN));
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, view.selColor);
    SetDCBrushColor(dc, view.handleColor);
    const RECT squares[12] = {
        // inner: top-left, top, top-right, right, bottom-right, bottom, bottom-left, left
        {X0 - s, Y0 - s, X0, Y0},
        {centreX - hs, Y0 - s, centreX - hs + s, Y0},
        {X1, Y0 - s, X1 + s, Y0},
        {X1, centreY - hs, X1 + s, centreY - hs + s},
        {X1, Y1, X1 + s, Y1 + s},
        {centreX - hs, Y1, centreX - hs + s, Y1 + s},
        {X0 - s, Y1, X0, Y1 + s},
        {X0 - s, centreY - hs, X0, centreY - hs + s},
        // outer corners: top-left, top-right, bottom-right, bottom-left
        {X0 - 2 * s - hs, Y0 - 2 * s - hs, X0 - hs - s, Y0 - hs - s},
        {X1 + hs + s, Y0 - 2 * s - hs, X1 + 2 * s + hs, Y0 - hs - s},
        {X1 + hs + s, Y1 + hs + s, X1 + 2 * s + hs, Y1 + 2 * s + hs},
        {X0 - 2 * s - hs, Y1 + hs + s, X0 - hs - s, Y1 + 2 * s + hs},
    };
    for (const RECT& r : squares) Rectangle(dc, r.left, r.top, r.right, r.bottom);
    const RECT rotation[4] = {
        {centreX - hs, Y0 - 2 * s - hs, centreX - hs + s, Y0 - hs - s},          // top
        {X1 + 2 * s - hs, centreY - hs, X1 + 3 * s - hs, centreY - hs + s},      // right
        {centreX - hs, Y1 + 2 * s + hs, centreX - hs + s, Y1 + hs + s},          // bottom
        {X0 - 2 * s - hs, centreY - hs, X0 - hs - s, centreY - hs + s},          // left
    };
    for (const RECT& r : rotation) Ellipse(dc, r.left, r.top, r.right, r.bottom);

    SelectObject(dc, previousBrush);
    SelectObject(dc, previousPen);
}
