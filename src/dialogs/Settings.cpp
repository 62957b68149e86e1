#include "dialogs/Settings.h"

#include "canvas/CanvasView.h"
#include "platform/NumberText.h"
#include "platform/SettingsKey.h"
#include "platform/WindowClass.h"

EditorPlacement loadEditorSettings(CanvasView& view) {
    SettingsKey key;
    if (!key.isOpen()) return {};
    EditorTexts texts;
    const EditorPlacement placement = decodeEditorSettings(
        [&key](const char* name, StoredValue& value) { return key.read(name, value); }, view, texts);
    if (texts.angleSnap.read) view.angleStep = ParseNumber(texts.angleSnap.text);
    if (texts.epsilon.read) view.epsilon = ParseNumber(texts.epsilon.text);
    return placement;
}

void placeEditorWindow(HWND editor, const EditorPlacement& placement) {
    const RECT& r = placement.rect;
    MoveWindow(editor, r.left, r.top, placementWidth(placement), placementHeight(placement), TRUE);
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
            case SettingKind::Integer: value = static_cast<DWORD>(view.*setting.integer); break;
            case SettingKind::Colour: value = view.*setting.colour; break;
            case SettingKind::Flag: value = view.*setting.flag ? 1 : 0; break;
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
