#include "platform/ModuleState.h"

namespace {
HINSTANCE g_instance = nullptr;
volatile LONG g_lockCount = 0;
}  // namespace

HINSTANCE moduleInstance() { return g_instance; }
void setModuleInstance(HINSTANCE instance) { g_instance = instance; }

void lockModule() { InterlockedIncrement(&g_lockCount); }
void unlockModule() { InterlockedDecrement(&g_lockCount); }
long moduleLockCount() { return InterlockedCompareExchange(&g_lockCount, 0, 0); }
