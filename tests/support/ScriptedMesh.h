// A host mesh that answers LockFaces with the test's own records and counts.
#pragma once

#include <model/Records.h>

#include <HostInterfaces.h>

class ScriptedMesh : public HostMesh {
public:
    BYTE *vertices = nullptr, *faces = nullptr;
    LONG vertexCount = 0, faceCount = 0;
    int locks = 0, unlocks = 0;
    ULONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override { return *object = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE LockFaces(BYTE** v, LONG* vc, BYTE** f, LONG* fc) override {
        ++locks;
        *v = vertices, *vc = vertexCount, *f = faces, *fc = faceCount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnlockFaces() override { return ++unlocks, S_OK; }
    HRESULT STDMETHODCALLTYPE BeginEdit(LONG, LONG, LONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndEdit() override { return S_OK; }
};

