#include "dialogs/ColorBox.h"

#include "dialogs/WindowClass.h"
#include "platform/ModuleState.h"

#include <commdlg.h>

namespace {

constexpr char kClassName[] = "ColorBox";

// The chooser's custom colours, all black at load, shared by every box.
COLORREF g_customColors[16] = {};

// The window class, registered on first use in this load of the module.
bool registerClass(WNDPROC procedure) {
    static bool registered = false;
    if (!registered) registered = registerControlClass(kClassName, procedure, COLOR_WINDOW);
    return registered;
}

}  // namespace

HWND ColorBox::create(HWND parent, const RECT& rect) {
    if (!registerClass(windowProc)) return nullptr;
    return CreateWindowExA(0, kClassName, nullptr, WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, moduleInstance(), this);
}

void ColorBox::setColor(COLORREF color, bool redraw) {
    color_ = color;
    if (redraw && window_) InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK ColorBox::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* box = static_cast<ColorBox*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        box->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    }
    auto* box = reinterpret_cast<ColorBox*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!box) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            box->onPaint();
            return 0;
        case WM_LBUTTONDOWN:
            box->onLeftButtonDown();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers everything: no flicker
        case WM_NCDESTROY:
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            box->window_ = nullptr;
            break;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void ColorBox::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    if (!dc) return;
    RECT client = {};
    GetClientRect(window_, &client);
    if (HBRUSH brush = CreateSolidBrush(color_ & 0xFFFFFF)) {
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    EndPaint(window_, &paint);
}

// Only the box changes here; the dialog takes its colour on "Apply".
void ColorBox::onLeftButtonDown() {
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = window_;
    choose.rgbResult = color_;
    choose.lpCustColors = g_customColors;
    choose.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
    if (!ChooseColorA(&choose)) return;
    color_ = choose.rgbResult;
    if (window_) InvalidateRect(window_, nullptr, TRUE);
}
