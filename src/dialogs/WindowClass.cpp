#include "dialogs/WindowClass.h"

#include "platform/ModuleState.h"

#include <algorithm>

bool registerControlClass(const char* name, WNDPROC procedure, int backgroundColour) {
    HINSTANCE instance = moduleInstance();
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExA(instance, name, &existing)) UnregisterClassA(name, instance);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColour + 1));
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

void centreOnOwner(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (!owner) return;
    RECT outer = {}, own = {};
    GetWindowRect(owner, &outer);
    GetWindowRect(window, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    int x = (outer.left + outer.right - width) / 2;
    int y = (outer.top + outer.bottom - height) / 2;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
        y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
