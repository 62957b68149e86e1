#include "dialogs/ColorBox.h"

#include "platform/WindowClass.h"

#include <commdlg.h>

namespace {

ControlClass g_class("ColorBox", COLOR_WINDOW);

// A colour reference's red, green and blue bytes; the top byte is no colour.
constexpr COLORREF kColourBits = 0xFFFFFF;

// The chooser's custom colours, all black at load, shared by every box.
COLORREF g_customColors[16] = {};

}  // namespace

HWND ColorBox::create(HWND parent, const RECT& rect) {
    return createBoundChild(g_class.registeredName(), WS_CHILD | WS_VISIBLE, rect, parent);
}

void ColorBox::setColor(COLORREF color, bool redraw) {
    color_ = color;
    if (redraw && window()) InvalidateRect(window(), nullptr, FALSE);
}

LRESULT ColorBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            onPaint();
            return 0;
        case WM_LBUTTONDOWN:
            onLeftButtonDown();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers everything: no flicker
        default:
            return defaultProcessing(message, wParam, lParam);
    }
}

void ColorBox::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window(), &paint);
    if (!dc) return;
    RECT client = {};
    GetClientRect(window(), &client);
    if (HBRUSH brush = CreateSolidBrush(color_ & kColourBits)) {
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    EndPaint(window(), &paint);
}

// Only the box changes here; the dialog takes its colour on "Apply".
void ColorBox::onLeftButtonDown() {
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = window();
    choose.rgbResult = color_;
    choose.lpCustColors = g_customColors;
    choose.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
    if (!ChooseColorA(&choose)) return;
    color_ = choose.rgbResult;
    if (window()) InvalidateRect(window(), nullptr, TRUE);
}
