#include "dialogs/ChooseMatrix.h"

#include "dialogs/ChooseMatrixDialog.h"
#include "model/Angles.h"
#include "platform/ModuleState.h"
#include "platform/WindowClass.h"
#include "resource.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

ControlClass g_class("ChooseMatrix", COLOR_WINDOW);
constexpr COLORREF kRed = 0x0000FF;
// Degrees of turn per pixel of pointer motion.
constexpr double kDegreesPerPixel = 0.5;

bool nearPoint(int x, int y, int px, int py) {
    return std::abs(x - px) <= ChooseMatrix::kHandleRadius && std::abs(y - py) <= ChooseMatrix::kHandleRadius;
}

float radians(double degrees) { return static_cast<float>(degreesToRadians(degrees)); }

}  // namespace

MatrixLayout matrixLayout(int width, int height) {
    return {width / 2, height / 2, (std::min(width, height) - 10) / 2};
}

int matrixRegionAt(const MatrixLayout& layout, int x, int y) {
    const int cx = layout.centreX, cy = layout.centreY, r = layout.radius;
    if (nearPoint(x, y, cx - r, cy) || nearPoint(x, y, cx + r, cy)) return MATRIX_HORIZONTAL_HANDLES;
    if (nearPoint(x, y, cx, cy - r) || nearPoint(x, y, cx, cy + r)) return MATRIX_VERTICAL_HANDLES;
    const int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy < r * r ? MATRIX_INSIDE : MATRIX_OUTSIDE;
}

HWND ChooseMatrix::create(HWND parent) {
    if (!parent) return nullptr;
    RECT client = {};
    GetClientRect(parent, &client);
    return createBoundChild(g_class.registeredName(), WS_CHILD | WS_VISIBLE, client, parent);
}

LRESULT ChooseMatrix::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_PAINT:
            onPaint();
            return 0;
        case WM_SETCURSOR:
            if (onSetCursor(LOWORD(lParam))) return TRUE;
            return defaultProcessing(message, wParam, lParam);
        case WM_LBUTTONDOWN:
            onLeftButtonDown(x, y);
            return 0;
        case WM_LBUTTONUP:
            onLeftButtonUp();
            return 0;
        case WM_CAPTURECHANGED:
            onCaptureChanged();
            return 0;
        case WM_MOUSEMOVE:
            onMouseMove(x, y);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint handler fills the background itself
        default:
            return defaultProcessing(message, wParam, lParam);
    }
}

void ChooseMatrix::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window(), &paint);
    if (!dc) return;
    RECT client = {};
    GetClientRect(window(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));

    const MatrixLayout layout = matrixLayout(client.right, client.bottom);
    const int cx = layout.centreX, cy = layout.centreY, r = layout.radius;
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HBRUSH disc = CreateSolidBrush(kRed);
    HGDIOBJ oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
    if (disc) SelectObject(dc, disc);
    const POINT handles[4] = {{cx - r, cy}, {cx, cy - r}, {cx + r, cy}, {cx, cy + r}};
    for (const POINT& p : handles)
        Ellipse(dc, p.x - kHandleRadius, p.y - kHandleRadius, p.x + kHandleRadius, p.y + kHandleRadius);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    if (disc) DeleteObject(disc);
    if (pen) DeleteObject(pen);
    EndPaint(window(), &paint);
}

bool ChooseMatrix::onSetCursor(int hitCode) {
    if (hitCode != HTCLIENT) return false;
    int cursor = 0;
    switch (region_) {
        case MATRIX_HORIZONTAL_HANDLES: cursor = IDC_CURSOR_TURN_Y; break;
        case MATRIX_VERTICAL_HANDLES: cursor = IDC_CURSOR_TURN_X; break;
        case MATRIX_OUTSIDE: cursor = IDC_CURSOR_TURN_Z; break;
        default: return false;  // inside: the class cursor
    }
    HCURSOR handle = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(cursor));
    if (!handle) return false;
    SetCursor(handle);
    return true;
}

int ChooseMatrix::regionAt(int x, int y) const {
    RECT client = {};
    GetClientRect(window(), &client);
    return matrixRegionAt(matrixLayout(client.right, client.bottom), x, y);
}

void ChooseMatrix::onLeftButtonDown(int x, int y) {
    region_ = regionAt(x, y);
    dragging_ = true;
    SetCapture(window());
    last_ = {x, y};
}

void ChooseMatrix::onLeftButtonUp() { ReleaseCapture(); }

void ChooseMatrix::onCaptureChanged() { dragging_ = false; }

void ChooseMatrix::onMouseMove(int x, int y) {
    if (!dragging_) {
        region_ = regionAt(x, y);
        last_ = {x, y};
        return;
    }
    if (x == last_.x && y == last_.y) return;  // no motion, no turn
    turnFrame(x, y);
    last_ = {x, y};
}

// With row vectors the z and x turns, applied before the frame, act about the frame's
// own axes; the y turn, applied after it, acts about the world's vertical axis.
void ChooseMatrix::turnFrame(int x, int y) {
    double aboutX = (y - last_.y) * kDegreesPerPixel;
    double aboutY = (x - last_.x) * -kDegreesPerPixel;
    double aboutZ = 0.0;
    switch (region_) {
        case MATRIX_HORIZONTAL_HANDLES: aboutX = 0.0; break;
        case MATRIX_VERTICAL_HANDLES: aboutY = 0.0; break;
        case MATRIX_OUTSIDE: {
            RECT client = {};
            GetClientRect(window(), &client);
            const double cx = (client.left + client.right) * 0.5, cy = (client.top + client.bottom) * 0.5;
            aboutX = aboutY = 0.0;
            aboutZ = polarDegrees(last_.x - cx, last_.y - cy) - polarDegrees(x - cx, y - cy);
            break;
        }
        default: break;
    }

    Matrix4 rotation = owner_.frame();
    const Vector3 origin = rotation.row(3);
    rotation.multiply(translation(-origin.x, -origin.y, -origin.z));

    Matrix4 turned, turnX, turnY;
    turned.setRotationZ(radians(aboutZ));
    turnX.setRotationX(radians(aboutX));
    turnY.setRotationY(radians(aboutY));
    turned.multiply(turnX);
    turned.multiply(rotation);
    turned.multiply(turnY);
    owner_.applyFrame(turned);
}
