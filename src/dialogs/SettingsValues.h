// The editor's registry values decoded, whatever type and size each was stored with:
// the view settings and the editor window's placement. No registry or window here.
#pragma once

#include "canvas/CanvasView.h"
#include "platform/StoredValue.h"

#include <functional>

// The editor window's rectangle as loaded: 500 x 400 at (0, 0) and centred unless
// "Left" or "Top" was stored.
struct EditorPlacement {
    RECT rect = {0, 0, 500, 400};
    bool centre = true;
};

// The editor's DWORD values in load and save order, with the view setting each holds.
enum class SettingKind { Integer, Colour, Flag };
struct DwordSetting {
    const char* name;
    SettingKind kind;
    int CanvasView::*integer;
    COLORREF CanvasView::*colour;
    bool CanvasView::*flag;
};
inline constexpr DwordSetting kDwordSettings[] = {
    {"Mode", SettingKind::Integer, &CanvasView::tool, nullptr, nullptr},
    {"GridSpacing", SettingKind::Integer, &CanvasView::gridSpacing, nullptr, nullptr},
    {"BackColor", SettingKind::Colour, nullptr, &CanvasView::backColor, nullptr},
    {"HandleColor", SettingKind::Colour, nullptr, &CanvasView::handleColor, nullptr},
    {"VertColor", SettingKind::Colour, nullptr, &CanvasView::lineColor, nullptr},
    {"SelVertColor", SettingKind::Colour, nullptr, &CanvasView::selColor, nullptr},
    {"LockedColor", SettingKind::Colour, nullptr, &CanvasView::lockedColor, nullptr},
    {"ShowGrid", SettingKind::Flag, nullptr, nullptr, &CanvasView::showGrid},
    {"ShowTex", SettingKind::Flag, nullptr, nullptr, &CanvasView::showTexture},
    {"TileTex", SettingKind::Flag, nullptr, nullptr, &CanvasView::tileTexture},
    {"SnapToGrid", SettingKind::Flag, nullptr, nullptr, &CanvasView::snapToGrid},
    {"SnapAngles", SettingKind::Flag, nullptr, nullptr, &CanvasView::snapAngles},
    {"ShowAll", SettingKind::Flag, nullptr, nullptr, &CanvasView::showAll},
    {"SyncSel", SettingKind::Flag, nullptr, nullptr, &CanvasView::syncSelection},
    {"CanvasWidth", SettingKind::Integer, &CanvasView::canvasWidth, nullptr, nullptr},
    {"CanvasHeight", SettingKind::Integer, &CanvasView::canvasHeight, nullptr, nullptr},
    {"ShowFlipOverlap", SettingKind::Flag, nullptr, nullptr, &CanvasView::showFaults},
    {"ShowStretch", SettingKind::Flag, nullptr, nullptr, &CanvasView::showStretch},
    {"SnapToCorners", SettingKind::Flag, nullptr, nullptr, &CanvasView::snapToCorners},
};

// A text value, read as a number by the caller.
struct StoredText {
    bool read = false;
    char text[32] = {};
};
struct EditorTexts {
    StoredText angleSnap;  // "AngleSnap"
    StoredText epsilon;    // "Epsilon"
};

// Answers the value stored under name; false when there is none.
using StoredValueReader = std::function<bool(const char* name, StoredValue& value)>;

// The DWORD values into view (missing ones and ones of another type or size keep the
// view's values), the texts into texts, and the window placement.
EditorPlacement decodeEditorSettings(const StoredValueReader& read, CanvasView& view, EditorTexts& texts);

// The placement's width and height as the window takes them.
int placementWidth(const EditorPlacement& placement);
int placementHeight(const EditorPlacement& placement);
