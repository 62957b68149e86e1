// The plug-in's one registry key under the current user, opened for one load or save
// pass, and the path it lives at.
#pragma once

#include "platform/StoredValue.h"

#include <windows.h>

#include <string>

// Software\Lathecraft\polyLOOM 1.3.5\<plugin name> under HKEY_CURRENT_USER, opened
// (created when missing) for one load or save pass. A holder whose key could not be
// opened reads and writes nothing and reports failure.
class SettingsKey {
public:
    explicit SettingsKey(const char* pluginName = "Texloom");
    ~SettingsKey();
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    HKEY handle() const { return key_; }
    bool isOpen() const { return key_ != nullptr; }

    // The value as stored, of any type; false when missing or larger than any setting.
    bool read(const char* name, StoredValue& value) const;
    // The value is changed only when a DWORD of that name was read.
    bool readDword(const char* name, DWORD& value) const;
    // A string of at most 31 characters; longer ones fail and leave buffer empty.
    bool readString(const char* name, char (&buffer)[32]) const;
    bool writeDword(const char* name, DWORD value) const;
    // Written with its terminating zero counted.
    bool writeString(const char* name, const char* text) const;

private:
    HKEY key_ = nullptr;
};

// The key's path below HKEY_CURRENT_USER for the given plug-in name.
std::string settingsKeyPath(const char* pluginName = "Texloom");
