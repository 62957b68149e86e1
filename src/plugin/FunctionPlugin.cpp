// Placeholder until the plug-in entry lands: reports one function and creates none.
#include <windows.h>

extern "C" __declspec(dllexport) int CreateFunctionPlugins(void** plugins, int* count) {
    if (count) *count = 1;
    if (plugins) plugins[0] = nullptr;
    return plugins ? 1 : 0;
}
