// Texts the host sends compared as the platform compares names: ordinally, ignoring case.
#include "host/HostEventSinkImpl.h"

bool hostTextEquals(const wchar_t* text, const wchar_t* name) {
    return text && name && CompareStringOrdinal(text, -1, name, -1, TRUE) == CSTR_EQUAL;
}
