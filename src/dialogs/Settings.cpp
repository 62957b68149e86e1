#include "dialogs/Settings.h"

#include "canvas/UVCanvas.h"
#include "platform/NumberText.h"
#include "platform/SettingsKey.h"
#include "platform/WindowClass.h"

namespace {
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
    {"ShowFlipOverlap", Kind::Flag, nullptr, nullptr, &UVCanvas::showFaults},
    {"ShowStretch", Kind::Flag, nullptr, nullptr, &UVCanvas::showStretch},
};

LONG wrappingSum(LONG edge, DWORD extent) { return static_cast<LONG>(static_cast<DWORD>(edge) + extent); }
int wrappingDifference(LONG to, LONG from) {
    return static_cast<int>(static_cast<DWORD>(to) - static_cast<DWORD>(from));
}

}  // namespace

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
    // Stored values are taken as they are: edges wrap as 32-bit registry words do, so a
    // far-off "Left" with a large "Width" cannot overflow.
    if (key.readDword("Width", value) && value > 10) r.right = wrappingSum(r.left, value);
    if (key.readDword("Height", value) && value > 10) r.bottom = wrappingSum(r.top, value);
    return placement;
}

void placeEditorWindow(HWND editor, const EditorPlacement& placement) {
    const RECT& r = placement.rect;
    MoveWindow(editor, r.left, r.top, wrappingDifference(r.right, r.left), wrappingDifference(r.bottom, r.top),
               TRUE);
    if (!placement.centre) return;

    // The desktop's work area, not the host window: the editor floats beside the host.
    RECT area = {};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) centreWindow(editor, area, area);
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
