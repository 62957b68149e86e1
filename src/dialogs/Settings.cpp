#include "dialogs/Settings.h"

#include "canvas/CanvasView.h"
#include "platform/NumberText.h"
#include "platform/SettingsKey.h"
#include "platform/WindowClass.h"

namespace {
// The editor's DWORD values in load and save order, with the view setting each holds.
enum class Kind { Integer, Colour, Flag };
struct DwordSetting {
    const char* name;
    Kind kind;
    int CanvasView::*integer;
    COLORREF CanvasView::*colour;
    bool CanvasView::*flag;
};
constexpr DwordSetting kDwordSettings[] = {
    {"Mode", Kind::Integer, &CanvasView::tool, nullptr, nullptr},
    {"GridSpacing", Kind::Integer, &CanvasView::gridSpacing, nullptr, nullptr},
    {"BackColor", Kind::Colour, nullptr, &CanvasView::backColor, nullptr},
    {"HandleColor", Kind::Colour, nullptr, &CanvasView::handleColor, nullptr},
    {"VertColor", Kind::Colour, nullptr, &CanvasView::lineColor, nullptr},
    {"SelVertColor", Kind::Colour, nullptr, &CanvasView::selColor, nullptr},
    {"LockedColor", Kind::Colour, nullptr, &CanvasView::lockedColor, nullptr},
    {"ShowGrid", Kind::Flag, nullptr, nullptr, &CanvasView::showGrid},
    {"ShowTex", Kind::Flag, nullptr, nullptr, &CanvasView::showTexture},
    {"TileTex", Kind::Flag, nullptr, nullptr, &CanvasView::tileTexture},
    {"SnapToGrid", Kind::Flag, nullptr, nullptr, &CanvasView::snapToGrid},
    {"SnapAngles", Kind::Flag, nullptr, nullptr, &CanvasView::snapAngles},
    {"ShowAll", Kind::Flag, nullptr, nullptr, &CanvasView::showAll},
    {"SyncSel", Kind::Flag, nullptr, nullptr, &CanvasView::syncSelection},
    {"CanvasWidth", Kind::Integer, &CanvasView::canvasWidth, nullptr, nullptr},
    {"CanvasHeight", Kind::Integer, &CanvasView::canvasHeight, nullptr, nullptr},
    {"ShowFlipOverlap", Kind::Flag, nullptr, nullptr, &CanvasView::showFaults},
    {"ShowStretch", Kind::Flag, nullptr, nullptr, &CanvasView::showStretch},
};

LONG wrappingSum(LONG edge, DWORD extent) { return static_cast<LONG>(static_cast<DWORD>(edge) + extent); }
int wrappingDifference(LONG to, LONG from) {
    return static_cast<int>(static_cast<DWORD>(to) - static_cast<DWORD>(from));
}

}  // namespace

EditorPlacement loadEditorSettings(CanvasView& view) {
    EditorPlacement placement;
    SettingsKey key;
    if (!key.isOpen()) return placement;

    for (const DwordSetting& setting : kDwordSettings) {
        DWORD value = 0;
        if (!key.readDword(setting.name, value)) continue;
        switch (setting.kind) {
            case Kind::Integer: view.*setting.integer = static_cast<int>(value); break;
            case Kind::Colour: view.*setting.colour = value; break;
            case Kind::Flag: view.*setting.flag = value != 0; break;
        }
    }
    char text[32];
    if (key.readString("AngleSnap", text)) view.angleStep = ParseNumber(text);
    if (key.readString("Epsilon", text)) view.epsilon = ParseNumber(text);

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

void saveEditorSettings(const CanvasView& view, HWND editor) {
    SettingsKey key;
    if (!key.isOpen()) return;
    RECT outer = {};
    GetWindowRect(editor, &outer);

    for (const DwordSetting& setting : kDwordSettings) {
        DWORD value = 0;
        switch (setting.kind) {
            case Kind::Integer: value = static_cast<DWORD>(view.*setting.integer); break;
            case Kind::Colour: value = view.*setting.colour; break;
            case Kind::Flag: value = view.*setting.flag ? 1 : 0; break;
        }
        key.writeDword(setting.name, value);
    }
    key.writeString("AngleSnap", FormatNumber(view.angleStep, 3, false, true).c_str());
    key.writeString("Epsilon", FormatNumber(view.epsilon, 6, false, true).c_str());
    key.writeDword("Left", static_cast<DWORD>(outer.left));
    key.writeDword("Top", static_cast<DWORD>(outer.top));
    key.writeDword("Width", static_cast<DWORD>(outer.right - outer.left));
    key.writeDword("Height", static_cast<DWORD>(outer.bottom - outer.top));
}
