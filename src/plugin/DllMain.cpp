// Module start and end of Texloom.dll.
#include "platform/ModuleState.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        setModuleInstance(instance);
        DisableThreadLibraryCalls(instance);
        loadVisualStyles();
    } else if (reason == DLL_PROCESS_DETACH) {
        freeVisualStyles();
    }
    return TRUE;
}
