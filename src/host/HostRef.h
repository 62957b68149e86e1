// Counted references to host interfaces and owned host texts.
#pragma once

#include <HostInterfaces.h>
#include <wrl/client.h>

#include <utility>

// Every host interface is held through this smart pointer (AddRef on copy, Release on reset).
template <class T>
using HostRef = Microsoft::WRL::ComPtr<T>;

// Holds a newly made object by the reference it was made with (null stays empty). Not
// Attach: mingw-w64's ComPtr::Attach adds a reference of its own, unlike other versions.
template <class T>
HostRef<T> adoptReference(T* created) {
    HostRef<T> held;
    *held.GetAddressOf() = created;
    return held;
}

// A BSTR returned by the host, freed when it goes out of scope.
class HostText {
public:
    HostText() = default;
    HostText(const HostText&) = delete;
    HostText& operator=(const HostText&) = delete;
    ~HostText() { reset(); }

    BSTR* out() { reset(); return &text_; }
    const wchar_t* get() const { return text_; }
    bool empty() const { return text_ == nullptr || text_[0] == L'\0'; }
    void reset() {
        if (text_) SysFreeString(text_);
        text_ = nullptr;
    }

private:
    BSTR text_ = nullptr;
};
