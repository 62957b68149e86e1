// The one IUnknown implementation of the plug-in's and the development host's COM
// objects.
#pragma once

#include <windows.h>

#include <unknwn.h>

// Implements IUnknown for an object that exposes the interfaces I...; the first one
// stands for IUnknown. The object starts with one reference, its creator's, and
// deletes itself at the last Release. The count is interlocked because a host may
// query from another thread.
template <class... I>
class ComObject : public I... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            (void)((IsEqualIID(riid, __uuidof(I)) ? (*out = static_cast<I*>(this), true) : false) || ...);
        }
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

private:
    template <class F, class...>
    struct FirstOf {
        using type = F;
    };
    using First = typename FirstOf<I...>::type;
    LONG references_ = 1;
};
