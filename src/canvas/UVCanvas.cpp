#include "canvas/UVCanvas.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "canvas/TransformHandles.h"
#include "model/MeshLock.h"
#include "ops/LayoutQuality.h"
#include "platform/ModuleState.h"

namespace {
constexpr float kMinFittedZoom = 0.05f;

// Per edge: its two corners and the UV_HIDDEN bits both must have clear.
constexpr int kEdges[3][2] = {{0, 1}, {1, 2}, {2, 0}};
constexpr uint16_t kEdgeHiddenBits[3] = {(UV_HIDDEN << 0) | (UV_HIDDEN << 1), (UV_HIDDEN << 1) | (UV_HIDDEN << 2),
                                          (UV_HIDDEN << 2) | (UV_HIDDEN << 0)};

// Truncation toward zero that tolerates what host data can produce (NaN, infinities,
// values beyond the integer range): such values land far outside any window.
int truncToInt(double value) {
    if (!(value > -1e8)) return -100000000;
    if (value > 1e8) return 100000000;
    return static_cast<int>(value);
}

float zoomOfLevel(int level) {
    if (level >= 1) return static_cast<float>(level + 1);
    if (level == 0) return 1.0f;
    return 1.0f / static_cast<float>(1 - level);
}

bool fullySelected(uint16_t flags) { return (flags & UV_SELECTED_ALL) == UV_SELECTED_ALL; }

// The back buffer's pixel (0x00RRGGBB) of a colour (0x00BBGGRR).
std::uint32_t dibColour(COLORREF c) {
    return (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

BITMAPINFO dibInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

RECT normalisedRect(int x0, int y0, int x1, int y1) {
    RECT r = {x0 < x1 ? x0 : x1, y0 < y1 ? y0 : y1, x0 < x1 ? x1 : x0, y0 < y1 ? y1 : y0};
    return r;
}
}  // namespace

// Lines drawn with one pen give the same pixels in any order, so the polylines of a
// run of one pen are drawn with a single call when the pen changes (or the buffer
// fills): the frame is that of drawing them one by one, with far fewer calls.
class UVCanvas::PenBatch {
public:
    explicit PenBatch(HDC dc) : dc_(dc) {}
    PenBatch(const PenBatch&) = delete;
    PenBatch& operator=(const PenBatch&) = delete;
    ~PenBatch() { flush(); }

    void use(HPEN pen) {
        if (pen == pen_) return;
        flush();
        pen_ = pen;
        SelectObject(dc_, pen);
    }
    void add(const POINT* points, int n) {
        if (pointCount_ + n > kMaxPoints || lineCount_ == kMaxLines) flush();
        for (int i = 0; i < n; ++i) points_[pointCount_ + i] = points[i];
        pointCount_ += n;
        counts_[lineCount_++] = static_cast<DWORD>(n);
    }
    void flush() {
        if (lineCount_) PolyPolyline(dc_, points_, counts_, static_cast<DWORD>(lineCount_));
        pointCount_ = lineCount_ = 0;
    }

private:
    static constexpr int kMaxPoints = 4000;
    static constexpr int kMaxLines = 1000;
    HDC dc_;
    HPEN pen_ = nullptr;
    POINT points_[kMaxPoints];
    DWORD counts_[kMaxLines];
    int pointCount_ = 0;
    int lineCount_ = 0;
};

HostRef<UVCanvas> UVCanvas::make() {
    // mingw-w64's ComPtr::Attach adds a reference of its own, unlike other
    // implementations: take a counted reference, then give back the creation one.
    UVCanvas* created = new (std::nothrow) UVCanvas();
    HostRef<UVCanvas> canvas = created;
    if (created) created->Release();
    return canvas;
}

UVCanvas::~UVCanvas() {
    deleteBackBuffer();
    unloadTextureBitmap();
}

HWND UVCanvas::create(HWND parent, const RECT& rect) {
    static ATOM atom = 0;
    static char className[48];
    if (!atom) {
        // Generated at run time: two loaded copies of the plug-in never share a class.
        std::snprintf(className, sizeof className, "TexloomCanvas%p", static_cast<void*>(&atom));
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = boundWindowProc;
        wc.hInstance = moduleInstance();
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = className;
        atom = RegisterClassExA(&wc);
        if (!atom) return nullptr;
    }
    return createBoundChild(className, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect, parent);
}

void UVCanvas::setDocument(HostDocument* hostDocument) { document_ = hostDocument; }

void UVCanvas::setMesh(HostMesh* hostMesh) {
    mesh_ = hostMesh;
    tintsStale_ = true;
    loadTexture(-1);
}

void UVCanvas::setCanvasSize(int width, int height) {
    view.canvasWidth = width;
    view.canvasHeight = height;
    if (!textureBitmap_) {
        extentWidth_ = textureWidth_ = width;
        extentHeight_ = textureHeight_ = height;
    }
}

// ---- Mappings ----

POINT UVCanvas::canvasToPixel(float x, float y) const {
    const float z = view.zoom;
    return POINT{truncToInt((x + view.panX) * z + 0.5f), truncToInt((y + view.panY) * z + 0.5f)};
}

POINT UVCanvas::uvToPixel(float u, float v) const {
    return canvasToPixel(u * static_cast<float>(extentWidth_), v * static_cast<float>(extentHeight_));
}

void UVCanvas::pixelToCanvas(int px, int py, float& x, float& y) const {
    const float z = view.zoom;
    x = static_cast<float>(px) / z - view.panX;
    y = static_cast<float>(py) / z - view.panY;
}

void UVCanvas::pixelToUV(int px, int py, float& u, float& v) const {
    float x = 0, y = 0;
    pixelToCanvas(px, py, x, y);
    u = x / static_cast<float>(extentWidth_);
    v = y / static_cast<float>(extentHeight_);
}

// ---- Zoom ----

void UVCanvas::setZoomLevel(int x, int y, int level) {
    if (level > kMaxZoomLevel) level = kMaxZoomLevel;
    if (level < kMinZoomLevel) level = kMinZoomLevel;
    if (level == view.zoomLevel) return;
    float old = view.zoom;
    view.zoom = zoomOfLevel(level);
    view.zoomLevel = level;
    view.panX += static_cast<float>(x) / view.zoom - static_cast<float>(x) / old;
    view.panY += static_cast<float>(y) / view.zoom - static_cast<float>(y) / old;
    invalidate();
}

void UVCanvas::zoomToRect(const RECT& r) {
    RECT client = {};
    if (window_) GetClientRect(window_, &client);
    int clientWidth = client.right - client.left, clientHeight = client.bottom - client.top;
    if (clientWidth <= 0 || clientHeight <= 0) return;

    int centreX = (client.left + client.right) / 2, centreY = (client.top + client.bottom) / 2;
    view.panX -= static_cast<float>((r.left + r.right) / 2 - centreX) / view.zoom;
    view.panY -= static_cast<float>((r.top + r.bottom) / 2 - centreY) / view.zoom;
    float cx = static_cast<float>(centreX) / view.zoom - view.panX;
    float cy = static_cast<float>(centreY) / view.zoom - view.panY;

    int rw = r.right - r.left, rh = r.bottom - r.top;
    if (rw > 0 || rh > 0) {
        float fx = static_cast<float>(rw) / static_cast<float>(clientWidth);
        float fy = static_cast<float>(rh) / static_cast<float>(clientHeight);
        // The 40 pixels leave a margin of about 20 on each side.
        if (fx > fy)
            view.zoom = view.zoom / ((40.0f / static_cast<float>(clientWidth) + 1.0f) * fx);
        else
            view.zoom = view.zoom / ((40.0f / static_cast<float>(clientHeight) + 1.0f) * fy);
        if (!(view.zoom >= kMinFittedZoom)) view.zoom = kMinFittedZoom;
        if (view.zoom > 1.0f)
            view.zoomLevel = truncToInt(view.zoom - 1.0f);
        else if (view.zoom < 1.0f)
            view.zoomLevel = truncToInt(1.0f - 1.0f / view.zoom);
        else
            view.zoomLevel = 0;
    }
    view.panX = static_cast<float>(centreX) / view.zoom - cx;
    view.panY = static_cast<float>(centreY) / view.zoom - cy;
    invalidate();
}

void UVCanvas::zoomToUVRect(float uMin, float vMin, float uMax, float vMax) {
    POINT p0 = uvToPixel(uMin, vMin), p1 = uvToPixel(uMax, vMax);
    RECT r = {p0.x, p0.y, p1.x, p1.y};
    zoomToRect(r);
}

void UVCanvas::invalidate() {
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

// ---- Window ----

LRESULT UVCanvas::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return onCreate();
        case WM_DESTROY: onDestroy(); return 0;
        case WM_SIZE: onSize(); return 0;
        case WM_ERASEBKGND: return 0;
        case WM_KEYDOWN: return 0;
        case WM_CONTEXTMENU: return 0;
        case WM_PAINT: return onPaint();
        case WM_TIMER: onTimer(wParam); return 0;
        case WM_SETCURSOR: return onSetCursor(wParam, lParam);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: onLeftDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_LBUTTONUP: onLeftUp(); return 0;
        case WM_MOUSEMOVE: onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: onRightDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: onMiddleDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_RBUTTONUP: onRightOrMiddleUp(DRAG_RIGHT); return 0;
        case WM_MBUTTONUP: onRightOrMiddleUp(DRAG_MIDDLE); return 0;
        case WM_CAPTURECHANGED: onCaptureChanged(reinterpret_cast<HWND>(lParam)); return 0;
        case WM_MOUSEWHEEL: onMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
        default: return DefWindowProcA(window_, message, wParam, lParam);
    }
}

LRESULT UVCanvas::onCreate() {
    if (document_)
        document_->Subscribe(1, this, 0xFFFFFFFF, 0xFFFFFFFF, 1, nullptr, nullptr, &subscription_);
    return 0;
}

void UVCanvas::onDestroy() {
    KillTimer(window_, kTextureRefreshTimer);
    loadTexture(0);
    deleteBackBuffer();
    if (document_) document_->Unsubscribe(subscription_);
    subscription_ = 0;
    // A host whose Unsubscribe failed may go on calling; the closed canvas then leaves
    // the editor (which may be gone by then) alone.
    owner_ = nullptr;
    mesh_.Reset();
    document_.Reset();
}

void UVCanvas::onSize() { deleteBackBuffer(); }

LRESULT UVCanvas::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    if (!dc) return 1;
    RECT client = {};
    GetClientRect(window_, &client);
    if (ensureBackBuffer(dc, client)) {
        drawFrame(backDC_.dc, client, true);
        BitBlt(dc, 0, 0, client.right, client.bottom, backDC_.dc, 0, 0, SRCCOPY);
    } else {
        // Without a back buffer the frame flickers and has no grid, but is drawn.
        drawFrame(dc, client, false);
    }
    EndPaint(window_, &paint);
    return 0;
}

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

namespace {
// The three pens of the layout, by width and colour: line (1), selection (1), locked (3).
enum LayoutPen { PEN_LINE, PEN_SELECTION, PEN_LOCKED, PEN_COUNT };
constexpr int kPenWidth[PEN_COUNT] = {1, 1, 3};

// A corner's box: side s from the corner's pixel less s / 2, drawn as one closed outline.
void cornerBoxOutline(int x0, int y0, int s, POINT outline[5]) {
    outline[0] = {x0, y0};
    outline[1] = {x0 + s, y0};
    outline[2] = {x0 + s, y0 + s};
    outline[3] = {x0, y0 + s};
    outline[4] = {x0, y0};
}
}  // namespace

// Draws the layout with the pens themselves: the frame without a back buffer.
class UVCanvas::PenPainter {
public:
    PenPainter(HDC dc, const UVCanvas& canvas) : dc_(dc), batch_(dc), side_(canvas.view.vertexSize) {
        const COLORREF colours[PEN_COUNT] = {canvas.view.lineColor, canvas.view.selColor, canvas.view.lockedColor};
        for (int i = 0; i < PEN_COUNT; ++i) pens_[i] = CreatePen(PS_SOLID, kPenWidth[i], colours[i]);
        previous_ = SelectObject(dc, pens_[PEN_LINE]);
    }
    PenPainter(const PenPainter&) = delete;
    PenPainter& operator=(const PenPainter&) = delete;
    ~PenPainter() {
        batch_.flush();
        SelectObject(dc_, previous_);
        for (HPEN pen : pens_) DeleteObject(pen);
    }
    bool faceVisible(const POINT*, unsigned) const { return true; }  // the context clips
    void line(POINT a, POINT b, int pen) {
        batch_.use(pens_[pen]);
        const POINT edge[2] = {a, b};
        batch_.add(edge, 2);
    }
    void box(POINT p, int pen) {
        batch_.use(pens_[pen]);
        POINT outline[5];
        cornerBoxOutline(p.x - side_ / 2, p.y - side_ / 2, side_, outline);
        batch_.add(outline, 5);
    }

private:
    HDC dc_;
    PenBatch batch_;
    int side_;
    HPEN pens_[PEN_COUNT] = {};
    HGDIOBJ previous_ = nullptr;
};

// Draws the layout into the back buffer's pixels: lines as the one-pixel pens set them,
// corner boxes from stamps the pens drew once. Faces wholly outside are skipped, and a
// box already stamped at the same place since the last change of pen is not stamped
// again: pixels of one colour do not depend on their order.
class UVCanvas::PixelPainter {
public:
    explicit PixelPainter(UVCanvas& canvas)
        : canvas_(canvas),
          image_{canvas.backPixels_, int(canvas.backSize_.cx), int(canvas.backSize_.cy)},
          side_(canvas.view.vertexSize),
          margin_(std::abs(canvas.view.vertexSize) + kPenWidth[PEN_LOCKED] + 2) {}
    bool faceVisible(const POINT* p, unsigned finiteCorners) const {
        LONG left = LONG_MAX, top = LONG_MAX, right = LONG_MIN, bottom = LONG_MIN;
        for (int c = 0; c < 3; ++c) {
            if (!(finiteCorners & (1u << c))) continue;
            left = std::min(left, p[c].x);
            right = std::max(right, p[c].x);
            top = std::min(top, p[c].y);
            bottom = std::max(bottom, p[c].y);
        }
        return left <= right && right >= -margin_ && bottom >= -margin_ && left < image_.width + margin_ &&
               top < image_.height + margin_;
    }
    void line(POINT a, POINT b, int pen) {
        use(pen);
        drawLine(image_, a, b, canvas_.stamps_[pen].colour);
    }
    void box(POINT p, int pen) {
        use(pen);
        const int x0 = p.x - side_ / 2, y0 = p.y - side_ / 2;
        if (x0 >= 0 && y0 >= 0 && x0 < image_.width && y0 < image_.height) {
            std::uint32_t& mark = canvas_.boxMarks_[size_t(y0) * size_t(image_.width) + size_t(x0)];
            if (mark == canvas_.boxRun_) return;
            mark = canvas_.boxRun_;
        }
        drawStamp(image_, canvas_.stamps_[pen], x0, y0);
    }

private:
    void use(int pen) {
        if (pen == pen_) return;
        pen_ = pen;
        if (++canvas_.boxRun_ == 0) {  // marks from 2^32 runs ago would look current
            std::fill_n(canvas_.boxMarks_.get(), size_t(image_.width) * size_t(image_.height), 0u);
            canvas_.boxRun_ = 1;
        }
    }

    UVCanvas& canvas_;
    PixelImage image_;
    int side_;
    LONG margin_;
    int pen_ = -1;
};

void UVCanvas::prepareStamps() {
    const COLORREF colours[PEN_COUNT] = {view.lineColor, view.selColor, view.lockedColor};
    if (stampsValid_ && stampSide_ == view.vertexSize && std::equal(colours, colours + PEN_COUNT, stampColours_))
        return;
    // Each pen draws one box on black and one on white; what changed is its stamp.
    const int s = view.vertexSize, margin = kPenWidth[PEN_LOCKED] + 2;
    const int origin = margin + (s < 0 ? -s : 0), size = std::abs(s) + 2 * margin;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = dibInfo(size, -size);
    void* bits[2] = {};
    HBITMAP images[2] = {CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits[0], nullptr, 0),
                         CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits[1], nullptr, 0)};
    for (int pen = 0; pen < PEN_COUNT; ++pen) {
        stamps_[pen] = Stamp{};
        if (!dc || !bits[0] || !bits[1]) continue;
        HPEN drawing = CreatePen(PS_SOLID, kPenWidth[pen], colours[pen]);
        for (int i = 0; i < 2; ++i) {
            std::fill_n(static_cast<std::uint32_t*>(bits[i]), size_t(size) * size_t(size), i ? 0x00FFFFFFu : 0u);
            HGDIOBJ oldBitmap = SelectObject(dc, images[i]);
            HGDIOBJ oldPen = SelectObject(dc, drawing);
            POINT outline[5];
            cornerBoxOutline(origin, origin, s, outline);
            Polyline(dc, outline, 5);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBitmap);
        }
        GdiFlush();
        DeleteObject(drawing);
        readStamp(static_cast<std::uint32_t*>(bits[0]), static_cast<std::uint32_t*>(bits[1]), SIZE{size, size},
                  origin, origin, stamps_[pen]);
        // A box without pixels (side 0) still needs the colour for lines.
        if (stamps_[pen].runs.empty()) stamps_[pen].colour = dibColour(colours[pen]);
    }
    for (HBITMAP image : images)
        if (image) DeleteObject(image);
    if (dc) DeleteDC(dc);
    stampsValid_ = true;
    stampSide_ = view.vertexSize;
    std::copy(colours, colours + PEN_COUNT, stampColours_);
}

template <class Painter>
bool UVCanvas::drawLayout(Painter& painter, float selectionBounds[4]) {
    const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
    const bool emphasis = view.tool == TOOL_SELECT_UV_TRIANGLES || view.savedTool == TOOL_SELECT_UV_TRIANGLES;

    // The corners' pixels, and which of them are finite (bit c).
    POINT p[3];
    auto mapCorners = [&](const FaceRecord& face) {
        unsigned finite = 0;
        for (int c = 0; c < 3; ++c) {
            if (!cornerFinite(face, c)) continue;
            p[c] = canvasToPixel(face.uv[c][0] * w, face.uv[c][1] * h);
            finite |= 1u << c;
        }
        return finite;
    };
    auto drawEdges = [&](const FaceRecord& face, unsigned finite, int pen) {
        for (int e = 0; e < 3; ++e) {
            const int a = kEdges[e][0], b = kEdges[e][1];
            if ((face.flags & kEdgeHiddenBits[e]) || !(finite & (1u << a)) || !(finite & (1u << b))) continue;
            painter.line(p[a], p[b], pen);
        }
    };

    float minX = 1e8f, minY = 1e8f, maxX = -1e8f, maxY = -1e8f;
    int selected = 0;
    {
        MeshLock lock(mesh_.Get());
        const FaceRecord* faces = lock.faces;
        const int count = faces ? lock.faceCount : 0;
        // First pass: edges in the line colour, unselected corners (locked ones thick).
        for (int i = 0; i < count; ++i) {
            const FaceRecord& face = faces[i];
            if (!view.faceFilter.passes(face.flags)) continue;
            const unsigned finite = mapCorners(face);
            if (!painter.faceVisible(p, finite)) continue;
            if (!(emphasis && fullySelected(face.flags))) drawEdges(face, finite, PEN_LINE);
            for (int c = 0; c < 3; ++c) {
                if (face.flags & ((UV_HIDDEN | UV_SELECTED) << c) || !(finite & (1u << c))) continue;
                painter.box(p[c], (face.flags & (UV_LOCKED << c)) ? PEN_LOCKED : PEN_LINE);
            }
        }
        // Second pass: selection on top, locked or not, and its bounds.
        for (int i = 0; i < count; ++i) {
            const FaceRecord& face = faces[i];
            if (!(face.flags & UV_SELECTED_ALL) || !view.faceFilter.passes(face.flags)) continue;
            const unsigned finite = mapCorners(face);
            const bool visible = painter.faceVisible(p, finite);
            if (visible && emphasis && fullySelected(face.flags)) drawEdges(face, finite, PEN_SELECTION);
            for (int c = 0; c < 3; ++c) {
                if (!(face.flags & (UV_SELECTED << c)) || (face.flags & (UV_HIDDEN << c)) || !(finite & (1u << c)))
                    continue;
                if (visible) painter.box(p[c], PEN_SELECTION);
                const float x = face.uv[c][0] * w, y = face.uv[c][1] * h;
                if (x < minX) minX = x;
                if (y < minY) minY = y;
                if (x > maxX) maxX = x;
                if (y > maxY) maxY = y;
                ++selected;
            }
        }
    }
    selectionBounds[0] = minX;
    selectionBounds[1] = minY;
    selectionBounds[2] = maxX;
    selectionBounds[3] = maxY;
    return selected > 0;
}

namespace {
// Colour-blind-safe tints of the faults, and the ends of the stretch scale (0x00RRGGBB).
constexpr std::uint32_t kFlippedTint = 0xE69F00;      // orange
constexpr std::uint32_t kOverlappingTint = 0xCC79A7;  // reddish purple
constexpr std::uint32_t kStretchedOut = 0x2166AC;     // blue
constexpr std::uint32_t kCompressed = 0xB2182B;       // red
// Stretch saturates at four times the area (2 in log2) either way, in 16 steps a side.
constexpr float kStretchRange = 2.0f;
constexpr int kStretchSteps = 16;

// Three quarters of a colour, as addTintLayer adds it.
std::uint32_t tintOf(std::uint32_t colour) {
    std::uint32_t part = 0;
    for (int shift = 0; shift < 24; shift += 8) part |= (((colour >> shift) & 0xFFu) * 3 / 4) << shift;
    return part;
}

std::uint32_t stretchTint(float stretch) {
    const float t = std::clamp(stretch / kStretchRange, -1.0f, 1.0f);
    const int step = static_cast<int>(std::lround(std::fabs(t) * kStretchSteps));
    const std::uint32_t end = t < 0 ? kStretchedOut : kCompressed;
    std::uint32_t colour = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int towards = static_cast<int>((end >> shift) & 0xFFu);
        colour |= static_cast<std::uint32_t>(255 + (towards - 255) * step / kStretchSteps) << shift;
    }
    return tintOf(colour);
}
}  // namespace

void UVCanvas::prepareFaceTints() {
    const TintInputs inputs = {view.faceFilter.mask, view.faceFilter.value, view.showFaults, view.showStretch,
                               view.epsilon};
    if (inputs == tintInputs_ && !tintsStale_) return;
    // Made again at every step of a drag too, so that the colours follow it; the stretch
    // buffers are kept, so that a step of a drag allocates nothing for them.
    tintsStale_ = false;
    tintInputs_ = inputs;
    tintLayerValid_ = false;
    try {
        UVWalk walk(mesh_.Get(), view.faceFilter);
        std::vector<float>& stretch = tintStretch_;
        std::vector<uint8_t>& faults = tintFaults_;
        stretch.clear();
        faults.clear();
        if (view.showStretch) measureStretch(walk, stretch, tintAreas_);
        if (view.showFaults) findFaultyFaces(walk, view.epsilon, FAULT_FLIPPED | FAULT_OVERLAPPING, faults);
        faceTints_.clear();
        // Stretch first, then overlapping, then flipped faces: the worse fault shows on top.
        const size_t count = static_cast<size_t>(std::max(walk.faceCount(), 0));
        for (const int rank : {0, int(FAULT_OVERLAPPING), int(FAULT_FLIPPED)})
            for (size_t i = 0; i < count; ++i) {
                const int fault = faults.empty() ? 0 : (faults[i] & FAULT_FLIPPED) ? int(FAULT_FLIPPED) : int(faults[i]);
                if (fault != rank) continue;
                if (fault)
                    faceTints_.push_back({static_cast<int>(i), tintOf(fault == FAULT_FLIPPED ? kFlippedTint : kOverlappingTint)});
                else if (!stretch.empty() && !std::isnan(stretch[i]))
                    faceTints_.push_back({static_cast<int>(i), stretchTint(stretch[i])});
            }
    } catch (const std::bad_alloc&) {
        faceTints_.clear();
    }
}

void UVCanvas::drawFaceTints() {
    prepareFaceTints();
    if (faceTints_.empty()) return;
    const PixelImage image{backPixels_, int(backSize_.cx), int(backSize_.cy)};
    const size_t pixels = size_t(image.width) * size_t(image.height);
    const TintView shown = {view.zoom, view.panX, view.panY, extentWidth_, extentHeight_};
    if (!tintLayer_) {
        tintLayer_.reset(new (std::nothrow) std::uint32_t[pixels]);
        tintLayerValid_ = false;
        if (!tintLayer_) return;
    }
    if (!tintLayerValid_ || !(shown == tintLayerView_)) {
        const PixelImage layer{tintLayer_.get(), image.width, image.height};
        std::fill_n(layer.pixels, pixels, 0u);
        const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
        MeshLock lock(mesh_.Get());
        const int count = lock.faces ? lock.faceCount : 0;
        for (const FaceTint& fill : faceTints_) {
            if (fill.face >= count) continue;
            const FaceRecord& face = lock.faces[fill.face];
            if (!faceFinite(face)) continue;
            POINT p[3];
            for (int c = 0; c < 3; ++c) p[c] = canvasToPixel(face.uv[c][0] * w, face.uv[c][1] * h);
            addTintLayer(layer, p, fill.tint);
        }
        tintLayerView_ = shown;
        tintLayerValid_ = true;
    }
    applyTintLayer(image, tintLayer_.get());
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
        PixelPainter painter(*this);
        anySelected = drawLayout(painter, selection);
    } else {
        PenPainter painter(dc, *this);  // its lines are down when it goes
        anySelected = drawLayout(painter, selection);
    }
    if (anySelected) drawSelectionBox(dc, selection[0], selection[1], selection[2], selection[3]);
    if (isSelectTool(view.tool) && drag_.button == DRAG_LEFT) {
        RECT band = normalisedRect(drag_.pressX, drag_.pressY, drag_.lastX, drag_.lastY);
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

// ---- Texture background ----

void UVCanvas::unloadTextureBitmap() {
    texturePixels_ = nullptr;
    textureDC_.release();
    if (textureBitmap_) DeleteObject(textureBitmap_);
    textureBitmap_ = nullptr;
}

void UVCanvas::loadTexture(LONG identifier) {
    extentWidth_ = textureWidth_ = view.canvasWidth;
    extentHeight_ = textureHeight_ = view.canvasHeight;
    unloadTextureBitmap();
    texture_.Reset();

    HostRef<IUnknown> documentNode;
    if (document_ && SUCCEEDED(document_->GetDocumentNode(documentNode.GetAddressOf())) && documentNode) {
        HostRef<HostNode> node, found;
        if (SUCCEEDED(documentNode.As(&node)) && node &&
            SUCCEEDED(node->FindTexture(identifier, found.GetAddressOf())) && found)
            found.As(&texture_);
    }
    if (!texture_) return;

    LONG loaded = 0, available = 0;
    texture_->CheckLoaded(&loaded);
    texture_->CheckPixels(&available);
    if (!loaded || !available) return;

    LONG bytes = 0, format = 0, width = 0, height = 0, p = 0, q = 0;
    DWORD palette[256] = {};
    texture_->GetBytesPerPixel(&bytes);
    texture_->GetPixelFormat(&format);
    texture_->GetPalette(0, 256, palette);
    texture_->GetImageInfo(&width, &height, &p, &q);
    extentWidth_ = width;
    extentHeight_ = height;

    // Sizes a host could not really hold are refused before any allocation.
    const bool plausible = width > 0 && height > 0 && width <= 32768 && height <= 32768;
    BITMAPINFO info = dibInfo(width, height);  // bottom-up rows
    void* bits = nullptr;
    if (plausible) textureBitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (textureBitmap_ && bits && textureDC_.select(textureBitmap_)) {
        texturePixels_ = static_cast<std::uint32_t*>(bits);
        HostRef<HostPixelConverter> converter;
        texture_->GetConverter(converter.GetAddressOf());
        if (converter) {
            HostPixelDesc from = {width, height, format, p, q, 256, palette, 0, nullptr};
            HostPixelDesc to = {width, height, 0, 0, 0, 0, nullptr, 4 * width,
                                static_cast<BYTE*>(bits)};
            converter->ConvertPixels(&to, 0, 0, width, height, &from, 0, 0, width, height);
        }
    } else {
        unloadTextureBitmap();
    }
    texture_->EndRead();
    textureWidth_ = width;
    textureHeight_ = height;
}

void UVCanvas::onTimer(UINT_PTR id) {
    if (id != kTextureRefreshTimer) return;
    KillTimer(window_, kTextureRefreshTimer);
    GdiFlush();
    if (!texture_) return;
    LONG format = 0, bytes = 0;
    texture_->GetPixelFormat(&format);
    texture_->GetBytesPerPixel(&bytes);
    // Only a copy that stays inside the bitmap is made.
    RECT r = dirtyRect_;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > textureWidth_) r.right = textureWidth_;
    if (r.bottom > textureHeight_) r.bottom = textureHeight_;
    if (texturePixels_ && bytes >= 1 && bytes <= 4 && r.left < r.right && r.top < r.bottom) {
        BYTE* base = reinterpret_cast<BYTE*>(texturePixels_);
        size_t offset = (static_cast<size_t>(r.top) * static_cast<size_t>(textureWidth_) +
                         static_cast<size_t>(r.left)) * static_cast<size_t>(bytes);
        texture_->CopyRect(r.left, r.top, r.right, r.bottom, format, textureWidth_ * bytes, base + offset,
                          0, 0);
    }
    invalidate();
    dirtyRect_ = RECT{};
}
