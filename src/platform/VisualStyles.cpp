// The visual-styles entry points, looked up in the system's uxtheme.dll.
#include "platform/ModuleState.h"

#include <shlobj.h>

#include <cstring>

namespace {
VisualStyles g_styles;
}  // namespace

const VisualStyles& visualStyles() { return g_styles; }

void loadVisualStyles() {
    if (g_styles.library) return;
    char path[MAX_PATH + 16] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_SYSTEM, FALSE)) return;
    size_t length = std::strlen(path);
    if (length == 0 || path[length - 1] != '\\') {
        path[length++] = '\\';
        path[length] = '\0';
    }
    if (length + sizeof("uxtheme.dll") > sizeof(path)) return;
    std::memcpy(path + length, "uxtheme.dll", sizeof("uxtheme.dll"));
    g_styles.library = LoadLibraryA(path);
    if (!g_styles.library) return;
    g_styles.openThemeData = GetProcAddress(g_styles.library, "OpenThemeData");
    g_styles.closeThemeData = GetProcAddress(g_styles.library, "CloseThemeData");
    g_styles.drawThemeBackground = GetProcAddress(g_styles.library, "DrawThemeBackground");
    g_styles.enableThemeDialogTexture = GetProcAddress(g_styles.library, "EnableThemeDialogTexture");
    g_styles.drawThemeEdge = GetProcAddress(g_styles.library, "DrawThemeEdge");
    g_styles.isAppThemed = GetProcAddress(g_styles.library, "IsAppThemed");
}

void freeVisualStyles() {
    HMODULE library = g_styles.library;
    g_styles = VisualStyles{};
    if (library) FreeLibrary(library);
}
