// The canvas's view geometry: mappings between UV, canvas units and client pixels, and
// the zoom steps and fits that change them.
#include "canvas/CanvasDrawing.h"
#include "canvas/UVCanvas.h"

namespace {
constexpr float kMinFittedZoom = 0.05f;

float zoomOfLevel(int level) {
    if (level >= 1) return static_cast<float>(level + 1);
    if (level == 0) return 1.0f;
    return 1.0f / static_cast<float>(1 - level);
}
}  // namespace

// ---- Mappings ----

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
