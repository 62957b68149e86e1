#include "dialogs/Settings.h"

#include <oleauto.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "canvas/UVCanvas.h"

namespace {
constexpr const char* kHostVersion = "polyLOOM 1.3.5";
constexpr size_t kMaxNumberText = 31;

// The editor's DWORD values in load and save order, with the canvas field each holds.
enum class Kind { Integer, Colour, Flag };
struct DwordSetting {
    const char* name;
    Kind kind;
    int UVCanvas::*integer;
    COLORREF UVCanvas::*colour;
    bool UVCanvas::*flag;
};
constexpr DwordSetting kDwordSettings[] = {
    {"Mode", Kind::Integer, &UVCanvas::tool, nullptr, nullptr},
    {"GridSpacing", Kind::Integer, &UVCanvas::gridSpacing, nullptr, nullptr},
    {"BackColor", Kind::Colour, nullptr, &UVCanvas::backColor, nullptr},
    {"HandleColor", Kind::Colour, nullptr, &UVCanvas::handleColor, nullptr},
    {"VertColor", Kind::Colour, nullptr, &UVCanvas::lineColor, nullptr},
    {"SelVertColor", Kind::Colour, nullptr, &UVCanvas::selColor, nullptr},
    {"LockedColor", Kind::Colour, nullptr, &UVCanvas::lockedColor, nullptr},
    {"ShowGrid", Kind::Flag, nullptr, nullptr, &UVCanvas::showGrid},
    {"ShowTex", Kind::Flag, nullptr, nullptr, &UVCanvas::showTexture},
    {"TileTex", Kind::Flag, nullptr, nullptr, &UVCanvas::tileTexture},
    {"SnapToGrid", Kind::Flag, nullptr, nullptr, &UVCanvas::snapToGrid},
    {"SnapAngles", Kind::Flag, nullptr, nullptr, &UVCanvas::snapAngles},
    {"ShowAll", Kind::Flag, nullptr, nullptr, &UVCanvas::showAll},
    {"SyncSel", Kind::Flag, nullptr, nullptr, &UVCanvas::syncSelection},
    {"CanvasWidth", Kind::Integer, &UVCanvas::canvasWidth, nullptr, nullptr},
    {"CanvasHeight", Kind::Integer, &UVCanvas::canvasHeight, nullptr, nullptr},
};
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

std::string FormatNumber(float value, int digits, bool fixed, bool localise) {
    char format[16];
    std::snprintf(format, sizeof format, "%s%d%s", "%.", digits, fixed ? "f" : "g");
    // The system runtime's formatting (three-digit exponents, as the registry texts
    // have always been written); a locale set by the host process is undone below.
    char text[512] = {};
    _snprintf(text, sizeof text - 1, format, static_cast<double>(value));
    text[kMaxNumberText] = '\0';
    const lconv* crtLocale = std::localeconv();
    char crtDecimal = crtLocale && crtLocale->decimal_point ? crtLocale->decimal_point[0] : '.';
    if (crtDecimal != '.' && crtDecimal != '\0')
        for (char* c = text; *c; ++c)
            if (*c == crtDecimal) *c = '.';
    if (!localise) return text;

    char decimal[8] = ".", thousand[8] = ",";
    DWORD leadingZero = 1, negativeOrder = 1;
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, sizeof thousand);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILZERO | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<char*>(&leadingZero), sizeof leadingZero);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_INEGNUMBER | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<char*>(&negativeOrder), sizeof negativeOrder);
    NUMBERFMTA numberFormat = {};
    numberFormat.NumDigits = digits < 0 ? 0u : static_cast<UINT>(digits);
    numberFormat.LeadingZero = leadingZero;
    numberFormat.Grouping = 0;
    numberFormat.lpDecimalSep = decimal;
    numberFormat.lpThousandSep = thousand;
    numberFormat.NegativeOrder = negativeOrder;
    char localised[64];
    if (GetNumberFormatA(LOCALE_USER_DEFAULT, 0, text, &numberFormat, localised,
                         sizeof localised) > 0) {
        localised[kMaxNumberText] = '\0';
        return localised;
    }
    return text;
}

float ParseNumber(const char* text) {
    if (!text) return 0.0f;
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length > 0) {
        BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
        if (wide) {
            FLOAT value = 0;
            bool converted = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length) > 0 &&
                             SUCCEEDED(VarR4FromStr(wide, LOCALE_USER_DEFAULT, 0, &value));
            SysFreeString(wide);
            if (converted) return value;
        }
    }
    return static_cast<float>(std::atof(text));
}

EditorPlacement loadEditorSettings(UVCanvas& canvas) {
    EditorPlacement placement;
    SettingsKey key;
    if (!key.isOpen()) return placement;

    for (const DwordSetting& setting : kDwordSettings) {
        DWORD value = 0;
        if (!key.readDword(setting.name, value)) continue;
        switch (setting.kind) {
            case Kind::Integer: canvas.*setting.integer = static_cast<int>(value); break;
            case Kind::Colour: canvas.*setting.colour = value; break;
            case Kind::Flag: canvas.*setting.flag = value != 0; break;
        }
    }
    char text[32];
    if (key.readString("AngleSnap", text)) canvas.angleStep = ParseNumber(text);
    if (key.readString("Epsilon", text)) canvas.epsilon = ParseNumber(text);

    RECT& r = placement.rect;
    DWORD value = 0;
    if (key.readDword("Left", value)) {
        r.left = static_cast<LONG>(value);
        placement.centre = false;
    }
    if (key.readDword("Top", value)) {
        r.top = static_cast<LONG>(value);
        placement.centre = false;
    }
    if (key.readDword("Width", value) && value > 10) r.right = r.left + static_cast<LONG>(value);
    if (key.readDword("Height", value) && value > 10) r.bottom = r.top + static_cast<LONG>(value);
    return placement;
}

void placeEditorWindow(HWND editor, const EditorPlacement& placement) {
    const RECT& r = placement.rect;
    MoveWindow(editor, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    if (!placement.centre) return;

    RECT area = {};
    RECT outer = {};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || !GetWindowRect(editor, &outer))
        return;
    int width = outer.right - outer.left, height = outer.bottom - outer.top;
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    if (x < area.left) x = area.left;
    else if (x + width > area.right) x = area.right - width;
    if (y < area.top) y = area.top;
    else if (y + height > area.bottom) y = area.bottom - height;
    SetWindowPos(editor, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void saveEditorSettings(const UVCanvas& canvas, HWND editor) {
    SettingsKey key;
    if (!key.isOpen()) return;
    RECT outer = {};
    GetWindowRect(editor, &outer);

    for (const DwordSetting& setting : kDwordSettings) {
        DWORD value = 0;
        switch (setting.kind) {
            case Kind::Integer: value = static_cast<DWORD>(canvas.*setting.integer); break;
            case Kind::Colour: value = canvas.*setting.colour; break;
            case Kind::Flag: value = canvas.*setting.flag ? 1 : 0; break;
        }
        key.writeDword(setting.name, value);
    }
    key.writeString("AngleSnap", FormatNumber(canvas.angleStep, 3, false, true).c_str());
    key.writeString("Epsilon", FormatNumber(canvas.epsilon, 6, false, true).c_str());
    key.writeDword("Left", static_cast<DWORD>(outer.left));
    key.writeDword("Top", static_cast<DWORD>(outer.top));
    key.writeDword("Width", static_cast<DWORD>(outer.right - outer.left));
    key.writeDword("Height", static_cast<DWORD>(outer.bottom - outer.top));
}
