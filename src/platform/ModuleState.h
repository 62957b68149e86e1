// Module-wide state of Texloom.dll: its instance handle, the lock count that keeps
// it loaded while plug-in objects live, and the optional visual-styles entry points.
#pragma once

#include <windows.h>

// The module whose resources the plug-in's windows use. Set at process attach; a test
// executable that links the plug-in's code with its resources sets its own instance.
HINSTANCE moduleInstance();
void setModuleInstance(HINSTANCE instance);

// Interlocked; DllCanUnloadNow answers "may unload" only at 0.
void lockModule();
void unlockModule();
long moduleLockCount();

// Scoped module lock, held by every reference-counted plug-in object.
struct ModuleLock {
    ModuleLock() { lockModule(); }
    ~ModuleLock() { unlockModule(); }
    ModuleLock(const ModuleLock&) : ModuleLock() {}
    ModuleLock& operator=(const ModuleLock&) = default;
};

// Entry points of uxtheme.dll, looked up at module start. Any of them may be null;
// nothing in the editor depends on them.
struct VisualStyles {
    HMODULE library = nullptr;
    FARPROC openThemeData = nullptr;
    FARPROC closeThemeData = nullptr;
    FARPROC drawThemeBackground = nullptr;
    FARPROC enableThemeDialogTexture = nullptr;
    FARPROC drawThemeEdge = nullptr;
    FARPROC isAppThemed = nullptr;
};
const VisualStyles& visualStyles();
void loadVisualStyles();
void freeVisualStyles();
