#include "dialogs/UVControls.h"

#include "canvas/UVCanvas.h"
#include "ops/UVModel.h"
#include "platform/ModuleState.h"
#include "platform/NumberText.h"
#include "platform/WindowClass.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

ControlClass g_class("UVControls", COLOR_BTNFACE);
constexpr char kNoTexture[] = "< no texture >";
// A host's texture folder is walked at most this far (a cyclic sibling chain ends here).
constexpr int kMaxTextures = 4096;

// "MS Sans Serif" at 9 points for the screen's vertical resolution.
HFONT createBarFont() {
    HDC screen = GetDC(nullptr);
    int pixelsPerInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return CreateFontA(-MulDiv(9, pixelsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH,
                       "MS Sans Serif");
}

// The texture's name in the ANSI code page, at most 63 characters, and its identifier.
bool readTexture(IUnknown* object, std::string& name, LONG& identifier) {
    HostRef<HostNode> node;
    if (!object || FAILED(object->QueryInterface(IID_HostNode, reinterpret_cast<void**>(node.GetAddressOf()))))
        return false;
    WCHAR wide[64] = {};
    node->GetNodeName(wide, 64);
    wide[63] = L'\0';
    char narrow[64] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), nullptr, nullptr);
    narrow[63] = '\0';
    name = narrow;
    identifier = 0;
    node->GetIdentifier(&identifier);
    return true;
}

}  // namespace

UVControls::~UVControls() {
    if (font_) DeleteObject(font_);
}

int UVControls::statusPaneWidth(int barWidth) { return std::max((barWidth - 292) / 2, 50); }

HWND UVControls::create(HWND parent, const RECT& rect) {
    return createBoundChild(g_class.registeredName(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect,
                            parent);
}

LRESULT UVControls::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_SIZE:
            onSize();
            return 0;
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_DESTROY:
            return 0;
        default:
            return defaultProcessing(message, wParam, lParam);
    }
}

void UVControls::onUnbound() {
    for (HWND& control : controls_) control = nullptr;
}

void UVControls::onCreate() {
    if (!font_) font_ = createBarFont();

    RECT client = {};
    GetClientRect(window(), &client);
    int top = client.top + 3;
    int height = client.bottom - client.top - 6;

    struct Child {
        DWORD exStyle;
        const char* windowClass;
        const char* text;
        DWORD style;
        int id;
    };
    constexpr DWORD kLabel = SS_LEFT | SS_CENTERIMAGE;
    constexpr DWORD kField = WS_BORDER | ES_LEFT;
    const Child children[ControlCount] = {
        {0, "STATIC", "U:", kLabel, 0},
        {0, "EDIT", "", kField, 0},
        {0, "STATIC", "V:", kLabel, 0},
        {0, "EDIT", "", kField, 0},
        {0, "BUTTON", "Set", BS_PUSHBUTTON, kSetButton},
        {0, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, kTextureList},
        {WS_EX_STATICEDGE, "STATIC", "", kLabel, 0},
        {WS_EX_STATICEDGE, "STATIC", "", kLabel, 0},
    };
    for (int i = 0; i < ControlCount; ++i) {
        const Child& child = children[i];
        // The drop-down list opens 200 pixels below the bar's inner height.
        int childHeight = i == TextureList ? height + 200 : height;
        controls_[i] = CreateWindowExA(child.exStyle, child.windowClass, child.text, WS_CHILD | WS_VISIBLE | child.style,
                                       0, top, 0, childHeight, window(),
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(child.id)), moduleInstance(),
                                       nullptr);
        SendMessageA(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
}

void UVControls::onSize() {
    RECT client = {};
    GetClientRect(window(), &client);
    int t = client.top;
    int k = client.bottom - client.top - 8;
    int y = t + 5;
    int p = statusPaneWidth(client.right);
    MoveWindow(controls_[LabelU], 2, y, 12, k, TRUE);
    MoveWindow(controls_[EditU], 16, y, 45, k, TRUE);
    MoveWindow(controls_[LabelV], 64, y, 12, k, TRUE);
    MoveWindow(controls_[EditV], 78, y, 45, k, TRUE);
    MoveWindow(controls_[SetButton], 126, t + 4, 30, k + 2, TRUE);
    MoveWindow(controls_[TextureList], 163, y, 120, k, TRUE);
    MoveWindow(controls_[StatusPane1], 290, y, p, k, TRUE);
    MoveWindow(controls_[StatusPane2], 295 + p, y, p, k, TRUE);
}

void UVControls::onCommand(int id, int notification) {
    if (id == kSetButton && notification == BN_CLICKED) {
        onSetCoordinate();
    } else if (id == kTextureList && notification == CBN_SELCHANGE) {
        onTextureChosen();
    } else if (id == kSetMaterialCommand && notification == BN_CLICKED) {
        // Material 0 on the faces whose three corners are selected and visible.
        model_.setMaterial(0, FACES_WHOLLY_SELECTED);
    }
}

void UVControls::onSetCoordinate() {
    char u[32] = {};
    char v[32] = {};
    GetWindowTextA(controls_[EditU], u, sizeof(u));
    GetWindowTextA(controls_[EditV], v, sizeof(v));
    model_.setCoordinate(ParseNumber(u), ParseNumber(v));
}

void UVControls::onTextureChosen() {
    LRESULT item = SendMessageA(controls_[TextureList], CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return;
    LRESULT identifier = SendMessageA(controls_[TextureList], CB_GETITEMDATA, item, 0);
    if (identifier == CB_ERR) return;
    UVCanvas* canvas = canvas_.Get();
    if (!canvas) return;
    canvas->loadTexture(static_cast<LONG>(identifier));
    InvalidateRect(canvas->window(), nullptr, FALSE);
}

void UVControls::setStatusText(int pane, const char* text) {
    if (pane == 1) SetWindowTextA(controls_[StatusPane1], text);
    else if (pane == 2) SetWindowTextA(controls_[StatusPane2], text);
}

void UVControls::showCoordinate(float u, float v) {
    SetWindowTextA(controls_[EditU], formatNumberText(u, 4, true, true).text);
    SetWindowTextA(controls_[EditV], formatNumberText(v, 4, true, true).text);
    EnableWindow(controls_[EditU], TRUE);
    EnableWindow(controls_[EditV], TRUE);
    EnableWindow(controls_[SetButton], TRUE);
}

void UVControls::clearCoordinate() {
    SetWindowTextA(controls_[EditU], "");
    SetWindowTextA(controls_[EditV], "");
    EnableWindow(controls_[EditU], FALSE);
    EnableWindow(controls_[EditV], FALSE);
    EnableWindow(controls_[SetButton], FALSE);
}

void UVControls::fillTextures(IUnknown* folder) {
    HWND list = controls_[TextureList];
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    LRESULT first = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kNoTexture));
    if (first >= 0) SendMessageA(list, CB_SETITEMDATA, first, 0);

    HostRef<HostNode> node;
    if (folder) folder->QueryInterface(IID_HostNode, reinterpret_cast<void**>(node.GetAddressOf()));
    HostRef<HostNode> child;
    if (node) node->GetFirstChild(child.GetAddressOf());
    for (int count = 0; child && count < kMaxTextures; ++count) {
        addTexture(child.Get());
        HostRef<HostNode> next;
        child->GetNextSibling(next.GetAddressOf());
        child = std::move(next);
    }
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void UVControls::addTexture(IUnknown* texture) {
    std::string name;
    LONG identifier = 0;
    if (!readTexture(texture, name, identifier)) return;
    HWND list = controls_[TextureList];
    LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (item < 0) return;
    SendMessageA(list, CB_SETITEMDATA, item, static_cast<LPARAM>(identifier));
}

void UVControls::removeTexture(IUnknown* texture) {
    std::string name;
    LONG identifier = 0;
    if (!readTexture(texture, name, identifier)) return;
    HWND list = controls_[TextureList];
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    // Item 0, "< no texture >", always stays.
    for (LRESULT item = 1; item < count; ++item) {
        if (static_cast<LONG>(SendMessageA(list, CB_GETITEMDATA, item, 0)) == identifier) {
            SendMessageA(list, CB_DELETESTRING, item, 0);
            return;
        }
    }
}

void UVControls::selectTexture(LONG identifier) {
    HWND list = controls_[TextureList];
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    LRESULT found = 0;
    for (LRESULT item = 0; item < count; ++item) {
        if (static_cast<LONG>(SendMessageA(list, CB_GETITEMDATA, item, 0)) == identifier) {
            found = item;
            break;
        }
    }
    SendMessageA(list, CB_SETCURSEL, found, 0);
}

LONG UVControls::selectedTexture() const {
    HWND list = controls_[TextureList];
    LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return 0;
    LRESULT identifier = SendMessageA(list, CB_GETITEMDATA, item, 0);
    return identifier == CB_ERR ? 0 : static_cast<LONG>(identifier);
}
