// Reference counting and interface lookup shared by the development host's COM objects.
#pragma once

#include "host/HostRef.h"

#include <utility>

namespace devhost {

// Implements IUnknown for an object exposing the interfaces I...; the first one
// stands for IUnknown. Objects start with one reference, owned by makeObject's result.
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
        if (riid == IID_IUnknown) {
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            (void)((riid == __uuidof(I) ? (*out = static_cast<I*>(this), true) : false) || ...);
        }
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

private:
    template <class F, class...>
    struct FirstOf { using type = F; };
    using First = typename FirstOf<I...>::type;
    ULONG references_ = 1;
};

// Creates an object and hands its first reference to a HostRef.
template <class T, class... Args>
HostRef<T> makeObject(Args&&... args) {
    HostRef<T> object;
    // Not Attach: mingw-w64's ComPtr::Attach adds a reference of its own.
    *object.GetAddressOf() = new T(std::forward<Args>(args)...);
    return object;
}

}  // namespace devhost
