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
    return adoptReference(new T(std::forward<Args>(args)...));
}

}  // namespace devhost
