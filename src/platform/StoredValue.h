// A registry value as it is stored, of any type and size, and the settings it holds:
// a value counts only when it has the setting's type and size.
#pragma once

#include <windows.h>

#include <vector>

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// No setting is larger; bigger values are refused unread.
constexpr DWORD kLargestStoredValue = 4096;

// A REG_DWORD of four bytes; value is changed only then.
bool dwordSetting(const StoredValue& stored, DWORD& value);
// A REG_SZ of at most 32 bytes, its terminating zero optional (a 32nd character is cut);
// buffer is empty otherwise.
bool textSetting(const StoredValue& stored, char (&buffer)[32]);
