#include "dialogs/WindowClass.h"

#include "plugin/ModuleState.h"

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
