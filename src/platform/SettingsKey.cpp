#include "platform/SettingsKey.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr const char* kHostVersion = "polyLOOM 1.3.5";
}  // namespace

std::string settingsKeyPath(const char* pluginName) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "Software\\Lathecraft\\%s\\%s", kHostVersion,
                  pluginName ? pluginName : "");
    return path;
}

SettingsKey::SettingsKey(const char* pluginName) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath(pluginName).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) == ERROR_SUCCESS)
        key_ = key;
}

SettingsKey::~SettingsKey() {
    if (key_) RegCloseKey(key_);
}

bool SettingsKey::read(const char* name, StoredValue& value) const {
    DWORD type = 0, size = 0;
    if (!key_ || RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > kLargestStoredValue)
        return false;
    value.bytes.resize(size);
    if (RegQueryValueExA(key_, name, nullptr, &type, value.bytes.data(), &size) != ERROR_SUCCESS) return false;
    value.type = type;
    value.bytes.resize(size);
    return true;
}

bool SettingsKey::readDword(const char* name, DWORD& value) const {
    StoredValue stored;
    return read(name, stored) && dwordSetting(stored, value);
}

bool SettingsKey::readString(const char* name, char (&buffer)[32]) const {
    StoredValue stored;
    buffer[0] = '\0';
    return read(name, stored) && textSetting(stored, buffer);
}

bool SettingsKey::writeDword(const char* name, DWORD value) const {
    return key_ && RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                  sizeof value) == ERROR_SUCCESS;
}

bool SettingsKey::writeString(const char* name, const char* text) const {
    if (!key_ || !text) return false;
    DWORD size = static_cast<DWORD>(std::strlen(text) + 1);
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) ==
           ERROR_SUCCESS;
}
