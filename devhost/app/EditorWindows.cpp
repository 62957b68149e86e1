#include "EditorWindows.h"

#include "lib/Journal.h"

#include <commctrl.h>

#include <cwctype>
#include <stdexcept>

namespace loomhost {

std::wstring className(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, int(std::size(name)));
    return name;
}

namespace {

using devhost::StateJson;

std::string windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(size_t(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(wcslen(text.c_str()));
    return devhost::utf8(text);
}

// A menu text as a path part: no '&' (a doubled "&&" stays one '&'), nothing from
// the tab on, lower case.
std::wstring menuKey(const std::wstring& text, bool lower) {
    std::wstring key;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\t') break;
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&') key += L'&', ++i;
            continue;
        }
        key += lower ? wchar_t(std::towlower(text[i])) : text[i];
    }
    return key;
}

std::wstring menuText(HMENU menu, int position) {
    wchar_t text[256] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = text;
    item.cch = UINT(std::size(text));
    GetMenuItemInfoW(menu, UINT(position), TRUE, &item);
    return text;
}

void describeMenu(HMENU menu, const std::string& prefix, StateJson& out) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, UINT(i), TRUE, &item) || (item.fType & MFT_SEPARATOR)) continue;
        std::string path = prefix + devhost::utf8(menuKey(menuText(menu, i), false));
        out[path] = {{"enabled", !(item.fState & (MFS_DISABLED | MFS_GRAYED))}, {"checked", (item.fState & MFS_CHECKED) != 0}};
        if (item.hSubMenu) describeMenu(item.hSubMenu, path + "/", out);
    }
}

BOOL CALLBACK findEditor(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<std::pair<HWND, HWND>*>(data);
    if (GetWindow(window, GW_OWNER) == found->first && className(window) == L"#32770") {
        wchar_t caption[64] = {};
        GetWindowTextW(window, caption, int(std::size(caption)));
        if (lstrcmpW(caption, L"Texloom") == 0) {
            found->second = window;
            return FALSE;
        }
    }
    return TRUE;
}

void pump(App& app) { pumpMessages(app); }

// Holds Shift and Ctrl (and a mouse button) in the thread's key state while input
// is delivered, as the user's hand would.
class HeldKeys {
public:
    HeldKeys(int modifiers, int button) {
        GetKeyboardState(saved_);
        BYTE keys[256];
        memcpy(keys, saved_, sizeof keys);
        if (modifiers & MOD_SHIFTKEY) keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
        if (modifiers & MOD_CTRLKEY) keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
        if (button >= 0) keys[button == 0 ? VK_LBUTTON : button == 1 ? VK_RBUTTON : VK_MBUTTON] = 0x80;
        SetKeyboardState(keys);
    }
    void releaseButtons() {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_LBUTTON] = keys[VK_RBUTTON] = keys[VK_MBUTTON] = 0;
        SetKeyboardState(keys);
    }
    ~HeldKeys() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};

WPARAM keyFlags(int modifiers) {
    return ((modifiers & MOD_SHIFTKEY) ? MK_SHIFT : 0) | ((modifiers & MOD_CTRLKEY) ? MK_CONTROL : 0);
}

void post(App& app, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageW(window, message, wParam, lParam);
    pump(app);
}

}  // namespace

HWND findEditorWindow(const App& app) {
    std::pair<HWND, HWND> found{app.mainWindow, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findEditor, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

namespace {
// A visible window owned by `owner`, of the window class `type` when one is given.
HWND findOwnedWindow(HWND owner, const wchar_t* type) {
    struct Search {
        HWND owner;
        const wchar_t* type;
        HWND found;
    } search{owner, type, nullptr};
    if (!owner) return nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != s.owner ||
                (s.type && className(window) != s.type))
                return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

HWND findEditorDialog(const App& app) { return findOwnedWindow(findEditorWindow(app), nullptr); }

HWND findHostDialog(const App& app) {
    HWND dialog = findOwnedWindow(app.mainWindow, L"#32770");
    return dialog != findEditorWindow(app) ? dialog : nullptr;
}

EditorParts editorParts(const App& app, bool needCanvas) {
    EditorParts parts;
    parts.editor = findEditorWindow(app);
    if (!parts.editor) throw std::runtime_error("the UV editor is not open");
    for (HWND child = GetWindow(parts.editor, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring type = className(child);
        if (type == L"ToolbarWindow32" && !parts.toolbar) parts.toolbar = child;
        else if (type == L"UVControls" && !parts.controls) parts.controls = child;
        else if (type.rfind(L"TexloomCanvas", 0) == 0 && !parts.canvas) parts.canvas = child;
    }
    if (needCanvas && !parts.canvas) throw std::runtime_error("the UV editor has no canvas window");
    return parts;
}

UINT menuCommand(HWND window, const std::wstring& path) {
    HMENU menu = GetMenu(window);
    if (!menu) throw std::runtime_error("the window has no menu");
    std::vector<std::wstring> parts = splitText(path, L'/');
    std::wstring walked;
    for (size_t p = 0; p < parts.size(); ++p) {
        std::wstring wanted = menuKey(parts[p], true);
        int count = GetMenuItemCount(menu), found = -1;
        for (int i = 0; i < count && found < 0; ++i)
            if (menuKey(menuText(menu, i), true) == wanted) found = i;
        walked += (p ? L"/" : L"") + parts[p];
        if (found < 0) throw std::runtime_error("no menu item \"" + devhost::utf8(walked) + "\"");
        HMENU sub = GetSubMenu(menu, found);
        if (p + 1 == parts.size()) {
            if (sub) throw std::runtime_error("\"" + devhost::utf8(walked) + "\" is a submenu, not a command");
            return GetMenuItemID(menu, found);
        }
        if (!sub) throw std::runtime_error("\"" + devhost::utf8(walked) + "\" has no submenu");
        // As when a user opens it: the window fills the submenus it fills on demand.
        SendMessageW(window, WM_INITMENUPOPUP, WPARAM(sub), MAKELPARAM(found, FALSE));
        menu = sub;
    }
    throw std::runtime_error("empty menu path");
}

StateJson editorState(const App& app) {
    EditorParts parts = editorParts(app);
    StateJson editor;
    RECT frame;
    GetWindowRect(parts.editor, &frame);
    editor["visible"] = IsWindowVisible(parts.editor) != FALSE;
    editor["rect"] = {frame.left, frame.top, frame.right, frame.bottom};

    StateJson menu = StateJson::object();
    if (HMENU bar = GetMenu(parts.editor)) describeMenu(bar, "", menu);
    editor["menu"] = std::move(menu);

    StateJson toolbar = StateJson::object();
    if (parts.toolbar) {
        int count = int(SendMessageW(parts.toolbar, TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TBBUTTON button = {};
            if (!SendMessageW(parts.toolbar, TB_GETBUTTON, WPARAM(i), reinterpret_cast<LPARAM>(&button)) ||
                (button.fsStyle & BTNS_SEP))
                continue;
            toolbar[std::to_string(button.idCommand)] = {{"enabled", (button.fsState & TBSTATE_ENABLED) != 0},
                                                          {"checked", (button.fsState & TBSTATE_CHECKED) != 0}};
        }
    }
    editor["toolbar"] = std::move(toolbar);

    if (parts.controls) {
        // Creation order: label, U edit, label, V edit, Set button, texture list, two status panes.
        std::vector<HWND> edits, statics;
        HWND button = nullptr, combo = nullptr;
        for (HWND child = GetWindow(parts.controls, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            std::wstring type = className(child);
            if (lstrcmpiW(type.c_str(), L"Edit") == 0) edits.push_back(child);
            else if (lstrcmpiW(type.c_str(), L"Static") == 0) statics.push_back(child);
            else if (lstrcmpiW(type.c_str(), L"Button") == 0 && !button) button = child;
            else if (lstrcmpiW(type.c_str(), L"ComboBox") == 0 && !combo) combo = child;
        }
        StateJson controls;
        controls["U"] = edits.size() > 0 ? StateJson(windowText(edits[0])) : StateJson();
        controls["V"] = edits.size() > 1 ? StateJson(windowText(edits[1])) : StateJson();
        controls["set_enabled"] = button ? StateJson(IsWindowEnabled(button) != FALSE) : StateJson();
        StateJson textures = StateJson::array();
        int selected = -1;
        if (combo) {
            int count = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                int length = int(SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0));
                std::wstring text(size_t(std::max(length, 0)) + 1, L'\0');
                SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()));
                text.resize(wcslen(text.c_str()));
                textures.push_back(devhost::utf8(text));
            }
            selected = int(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        }
        controls["textures"] = std::move(textures);
        controls["texture_selected"] = selected;
        StateJson status = StateJson::array();
        for (size_t i = 2; i < statics.size() && i < 4; ++i) status.push_back(windowText(statics[i]));
        controls["status"] = std::move(status);
        editor["controls"] = std::move(controls);
    } else {
        editor["controls"] = nullptr;
    }

    // The dialog or message box open over the editor: caption and every control.
    if (HWND dialog = findEditorDialog(app)) {
        StateJson controls = StateJson::array();
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            StateJson control = {{"id", GetDlgCtrlID(child)}, {"class", devhost::utf8(className(child))},
                                 {"text", windowText(child)}, {"enabled", IsWindowEnabled(child) != FALSE}};
            if (lstrcmpiW(className(child).c_str(), L"Button") == 0)
                control["checked"] = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
            controls.push_back(std::move(control));
        }
        editor["dialog"] = {{"caption", windowText(dialog)}, {"controls", std::move(controls)}};
    }
    return editor;
}

void clickCanvas(App& app, int x, int y, int modifiers) {
    dragCanvas(app, {x, y}, {x, y}, modifiers, -1);
}

void dragCanvas(App& app, POINT from, POINT to, int modifiers, int button) {
    HWND canvas = editorParts(app, true).canvas;
    bool click = button < 0;
    if (click) button = 0;
    static const UINT down[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT up[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static const WPARAM held[] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
    WPARAM keys = keyFlags(modifiers);
    HeldKeys hand(modifiers, -1);
    post(app, canvas, WM_MOUSEMOVE, keys, MAKELPARAM(from.x, from.y));
    {
        HeldKeys pressed(modifiers, button);
        post(app, canvas, down[button], keys | held[button], MAKELPARAM(from.x, from.y));
        if (!click)
            for (int step = 1; step <= 8; ++step) {
                LONG x = from.x + (to.x - from.x) * step / 8, y = from.y + (to.y - from.y) * step / 8;
                post(app, canvas, WM_MOUSEMOVE, keys | held[button], MAKELPARAM(x, y));
            }
        pressed.releaseButtons();
        post(app, canvas, up[button], keys, MAKELPARAM(to.x, to.y));
    }
}

void wheelCanvas(App& app, int x, int y, int delta) {
    HWND canvas = editorParts(app, true).canvas;
    POINT screen = {x, y};
    ClientToScreen(canvas, &screen);
    post(app, canvas, WM_MOUSEWHEEL, MAKEWPARAM(0, short(delta)), MAKELPARAM(screen.x, screen.y));
}

void clickToolbarButton(App& app, int command) {
    EditorParts parts = editorParts(app);
    if (!parts.toolbar) throw std::runtime_error("the UV editor has no toolbar");
    LRESULT index = SendMessageW(parts.toolbar, TB_COMMANDTOINDEX, WPARAM(command), 0);
    if (index < 0) throw std::runtime_error("the toolbar has no button " + std::to_string(command));
    if (SendMessageW(parts.toolbar, TB_ISBUTTONHIDDEN, WPARAM(command), 0))
        throw std::runtime_error("toolbar button " + std::to_string(command) + " is hidden");
    RECT box;
    SendMessageW(parts.toolbar, TB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&box));
    LPARAM centre = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    HeldKeys pressed(MOD_NONE, 0);
    post(app, parts.toolbar, WM_MOUSEMOVE, 0, centre);
    post(app, parts.toolbar, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    pressed.releaseButtons();
    post(app, parts.toolbar, WM_LBUTTONUP, 0, centre);
}

void chooseTexture(App& app, const std::wstring& entry) {
    EditorParts parts = editorParts(app);
    HWND list = parts.controls ? FindWindowExW(parts.controls, nullptr, L"ComboBox", nullptr) : nullptr;
    if (!list) throw std::runtime_error("the UV editor has no texture list");
    LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    if (index == CB_ERR) throw std::runtime_error("the texture list has no entry \"" + devhost::utf8(entry) + "\"");
    SendMessageW(list, CB_SETCURSEL, WPARAM(index), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

}  // namespace loomhost
