// The four in-process component server exports. The module registers no creatable
// class; they serve its type library only.
#include "platform/ModuleState.h"

#include <objbase.h>
#include <oleauto.h>

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return moduleLockCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID, void** object) {
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

namespace {
HRESULT loadOwnTypeLib(ITypeLib** typeLib, wchar_t* path, DWORD capacity) {
    if (!GetModuleFileNameW(moduleInstance(), path, capacity)) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path, REGKIND_NONE, typeLib);
}
}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t path[MAX_PATH];
    ITypeLib* typeLib = nullptr;
    HRESULT hr = loadOwnTypeLib(&typeLib, path, MAX_PATH);
    if (FAILED(hr)) return hr;
    hr = RegisterTypeLib(typeLib, path, nullptr);
    typeLib->Release();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    wchar_t path[MAX_PATH];
    ITypeLib* typeLib = nullptr;
    HRESULT hr = loadOwnTypeLib(&typeLib, path, MAX_PATH);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = typeLib->GetLibAttr(&attributes);
    if (SUCCEEDED(hr)) {
        hr = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                               attributes->lcid, attributes->syskind);
        typeLib->ReleaseTLibAttr(attributes);
    }
    typeLib->Release();
    return hr;
}
