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

bool SettingsKey::readDword(const char* name, DWORD& value) const {
    if (!key_) return false;
    DWORD type = 0, stored = 0, size = sizeof stored;
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof stored)
        return false;
    value = stored;
    return true;
}

bool SettingsKey::readString(const char* name, char (&buffer)[32]) const {
    buffer[0] = '\0';
    if (!key_) return false;
    DWORD type = 0, size = sizeof buffer;
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        buffer[0] = '\0';
        return false;
    }
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';  // value may lack its zero
    return true;
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
