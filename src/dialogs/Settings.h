// The plug-in's registry settings (one key under the current user) and the
// locale-aware number texts that the dialogs, the controls bar and the registry share.
#pragma once

#include <windows.h>

#include <string>

class UVCanvas;

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

// value as "%.<digits>f" (fixed) or "%.<digits>g", period as separator, at most 31
// characters; with localise, re-formatted through the user's locale with <digits>
// decimals and no grouping (texts with an exponent stay as they are).
std::string FormatNumber(float value, int digits, bool fixed, bool localise);
// The user locale's number text to float; falls back to the C conversion (period
// separator, leading numeric prefix, 0 when none).
float ParseNumber(const char* text);

// The editor window's rectangle as loaded: 500 x 400 at (0, 0) and centred unless
// "Left" or "Top" was stored.
struct EditorPlacement {
    RECT rect = {0, 0, 500, 400};
    bool centre = true;
};

// Reads the 22 editor values into the canvas's fields and returns the window
// rectangle. Missing values keep the canvas's current values.
EditorPlacement loadEditorSettings(UVCanvas& canvas);
// Moves the editor window to the loaded rectangle (with repaint) and, when centre is
// set, centres it in the desktop work area, clamped into that area.
void placeEditorWindow(HWND editor, const EditorPlacement& placement);
// Writes the 22 editor values: the canvas's settings and the editor window's outer
// rectangle in screen coordinates.
void saveEditorSettings(const UVCanvas& canvas, HWND editor);
