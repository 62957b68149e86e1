#include "platform/StoredValue.h"

#include <algorithm>
#include <cstring>

bool dwordSetting(const StoredValue& stored, DWORD& value) {
    if (stored.type != REG_DWORD || stored.bytes.size() != sizeof value) return false;
    std::memcpy(&value, stored.bytes.data(), sizeof value);
    return true;
}

bool textSetting(const StoredValue& stored, char (&buffer)[32]) {
    buffer[0] = '\0';
    if (stored.type != REG_SZ || stored.bytes.size() > sizeof buffer) return false;
    if (!stored.bytes.empty()) std::memcpy(buffer, stored.bytes.data(), stored.bytes.size());
    buffer[std::min(stored.bytes.size(), sizeof buffer - 1)] = '\0';
    return true;
}
