// Helpers for tests that open the editor's windows: message pumping, finding the
// editor among the thread's windows and capturing a window's pixels from the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace uitest {

// Dispatches every queued message of the thread, then waits and dispatches again
// for the given time, so that posted closes and timers run.
inline void pump(DWORD milliseconds = 0) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds) Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

// The thread's top-level dialog with that caption, or null.
inline HWND findDialog(const char* caption) {
    HWND dialog = nullptr;
    while ((dialog = FindWindowExA(nullptr, dialog, "#32770", caption)))
        if (GetWindowThreadProcessId(dialog, nullptr) == GetCurrentThreadId()) return dialog;
    return nullptr;
}
inline HWND findEditor() { return findDialog("Texloom"); }

// A window's text.
inline std::string windowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The first child of parent whose class name starts with prefix, or null.
inline HWND findChild(HWND parent, const char* prefix) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[64] = {};
        GetClassNameA(child, className, sizeof(className));
        if (std::string(className).rfind(prefix, 0) == 0) return child;
    }
    return nullptr;
}

// A window's rectangle relative to its parent's client area.
inline RECT rectInParent(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The client area of a visible window as 0x00RRGGBB pixels, copied from the screen.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

inline Capture captureClient(HWND window) {
    Capture capture;
    RECT client = {};
    GetClientRect(window, &client);
    capture.width = client.right;
    capture.height = client.bottom;
    if (capture.width <= 0 || capture.height <= 0) return capture;
    // What the screen shows, children included: the window must be visible and on top.
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, capture.width, capture.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), capture.width, -capture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    capture.pixels.resize(size_t(capture.width) * size_t(capture.height));
    GetDIBits(memory, bitmap, 0, UINT(capture.height), capture.pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

// The folder of the running test executable, with a trailing backslash.
inline std::wstring exeFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// Makes the thread's key state say whether Shift and Ctrl are held, as the
// mouse handlers read them with GetKeyState.
inline void holdModifierKeys(bool shift, bool control) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
}

// A COLORREF (0x00BBGGRR) as captured and back-buffer pixels hold it: 0x00RRGGBB.
inline std::uint32_t rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// The number texts some cases compare are those of an English locale.
inline bool englishNumbers() {
    char decimal[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    return std::string(decimal) == ".";
}

}  // namespace uitest
