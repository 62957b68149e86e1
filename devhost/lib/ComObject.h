// The development host's COM objects: the plug-in's IUnknown implementation and their creation.
#pragma once

#include "host/HostRef.h"
#include "platform/ComObject.h"

#include <utility>

namespace devhost {

// The plug-in's one IUnknown implementation.
using ::ComObject;

// Creates an object and hands its first reference to a HostRef.
template <class T, class... Args>
HostRef<T> makeObject(Args&&... args) {
    HostRef<T> object;
    // Not Attach: mingw-w64's ComPtr::Attach adds a reference of its own.
    *object.GetAddressOf() = new T(std::forward<Args>(args)...);
    return object;
}

}  // namespace devhost
