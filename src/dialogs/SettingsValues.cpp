#include "dialogs/SettingsValues.h"

namespace {

// Stored values are taken as they are: edges wrap as 32-bit registry words do, so a
// far-off "Left" with a large "Width" cannot overflow.
LONG wrappingSum(LONG edge, DWORD extent) { return static_cast<LONG>(static_cast<DWORD>(edge) + extent); }
int wrappingDifference(LONG to, LONG from) {
    return static_cast<int>(static_cast<DWORD>(to) - static_cast<DWORD>(from));
}

}  // namespace

EditorPlacement decodeEditorSettings(const StoredValueReader& read, CanvasView& view, EditorTexts& texts) {
    StoredValue stored;
    auto dword = [&](const char* name, DWORD& value) { return read(name, stored) && dwordSetting(stored, value); };
    for (const DwordSetting& setting : kDwordSettings) {
        DWORD value = 0;
        if (!dword(setting.name, value)) continue;
        switch (setting.kind) {
            case SettingKind::Integer: view.*setting.integer = static_cast<int>(value); break;
            case SettingKind::Colour: view.*setting.colour = value; break;
            case SettingKind::Flag: view.*setting.flag = value != 0; break;
        }
    }
    texts.angleSnap.read = read("AngleSnap", stored) && textSetting(stored, texts.angleSnap.text);
    texts.epsilon.read = read("Epsilon", stored) && textSetting(stored, texts.epsilon.text);

    EditorPlacement placement;
    RECT& r = placement.rect;
    DWORD value = 0;
    if (dword("Left", value)) {
        r.left = static_cast<LONG>(value);
        placement.centre = false;
    }
    if (dword("Top", value)) {
        r.top = static_cast<LONG>(value);
        placement.centre = false;
    }
    if (dword("Width", value) && value > 10) r.right = wrappingSum(r.left, value);
    if (dword("Height", value) && value > 10) r.bottom = wrappingSum(r.top, value);
    return placement;
}

int placementWidth(const EditorPlacement& placement) {
    return wrappingDifference(placement.rect.right, placement.rect.left);
}
int placementHeight(const EditorPlacement& placement) {
    return wrappingDifference(placement.rect.bottom, placement.rect.top);
}
