// The canvas's window: its object's creation, the window class, the message map and
// the paint handler; the document and mesh it shows.
#include "canvas/UVCanvas.h"

#include <windowsx.h>

#include <cstdio>
#include <new>

#include "platform/ModuleState.h"

HostRef<UVCanvas> UVCanvas::make() { return adoptReference(new (std::nothrow) UVCanvas()); }

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
