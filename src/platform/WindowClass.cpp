#include "platform/WindowClass.h"

#include "platform/ModuleState.h"
#include "platform/WindowBinding.h"

#include <climits>

const char* ControlClass::registeredName() {
    if (registered_) return name_;
    HINSTANCE instance = moduleInstance();
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExA(instance, name_, &existing)) UnregisterClassA(name_, instance);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = boundWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background_ + 1));
    wc.lpszClassName = name_;
    registered_ = RegisterClassExA(&wc) != 0;
    return registered_ ? name_ : nullptr;
}

void centreWindow(HWND window, const RECT& around, const RECT& area) {
    RECT own = {};
    if (!GetWindowRect(window, &own)) return;
    const int width = own.right - own.left, height = own.bottom - own.top;
    int x = (around.left + around.right) / 2 - width / 2;
    int y = (around.top + around.bottom) / 2 - height / 2;
    if (x < area.left) x = area.left;
    else if (x + width > area.right) x = area.right - width;
    if (y < area.top) y = area.top;
    else if (y + height > area.bottom) y = area.bottom - height;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void centreOnOwner(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    RECT outer = {};
    if (!owner || !GetWindowRect(owner, &outer)) return;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    // Without monitor information nothing bounds the window.
    RECT area = {LONG_MIN / 2, LONG_MIN / 2, LONG_MAX / 2, LONG_MAX / 2};
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) area = monitor.rcWork;
    centreWindow(window, outer, area);
}
