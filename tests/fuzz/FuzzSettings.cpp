// The editor's registry values of any type and size, as the bytes say: each record is a
// name (one of the 24 values or one no setting has), a type, a size and that many bytes.
// Decoding must take every value only when it fits, never overflow placing the window,
// and keep the texts terminated. "AngleSnap" and "Epsilon" then become numbers through
// the C conversion the locale-aware one falls back on (any float comes out of some text),
// and whatever they are, rotation snapping and welding keep finite UVs finite.
#include "dialogs/SettingsValues.h"
#include "lib/DevHost.h"
#include "model/Angles.h"
#include "support/MeshFixture.h"
#include "ops/UVModel.h"
#include "platform/NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace {

const char* const kOtherNames[] = {"AngleSnap", "Epsilon", "Left", "Top", "Width", "Height", "Unknown"};
const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD};

// Corners from equal to far apart, all selected: the stored epsilon welds some of them.
void weldWith(float epsilon) {
    HostRef<devhost::Document> document = devhost::Document::create();
    document->setMesh({meshtest::face(UV_SELECTED_ALL, 0, 1, 2, 0, 0, 1e-7f, 0, 1e-3f, 0),
                       meshtest::face(UV_SELECTED_ALL, 1, 2, 3, 0.5f, 0.5f, 3e38f, -3e38f, 0, 1e-38f)}, meshtest::vertices(4));
    UVModelOwner owner;
    UVModel model;
    model.document = document;
    model.owner = &owner;
    document->GetActiveMesh(&model.mesh);
    model.countDistinct(epsilon, 2);
    model.countDistinct(epsilon);
    model.weld(epsilon, CORNERS_SELECTED);
    if (document->lockCount() != 0 || document->groupOpen()) __builtin_trap();
    for (const devhost::DevFace& f : document->faces())
        for (const auto& uv : f.uv)
            if (!std::isfinite(uv[0]) || !std::isfinite(uv[1])) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::map<std::string, StoredValue> values;
    constexpr size_t kNames = std::size(kDwordSettings) + std::size(kOtherNames);
    for (size_t at = 0; at + 4 <= size;) {
        const size_t name = data[at] % kNames;
        const std::uint8_t type = data[at + 1];
        size_t length = data[at + 2] | (data[at + 3] & 0x0F) << 8;  // up to 4 KB
        at += 4;
        length = std::min(length, size - at);
        StoredValue& value = values[name < std::size(kDwordSettings) ? kDwordSettings[name].name
                                                                     : kOtherNames[name - std::size(kDwordSettings)]];
        value.type = type < 0xF8 ? kTypes[type % std::size(kTypes)] : DWORD(type) << 24 | type;
        value.bytes.assign(data + at, data + at + length);
        at += length;
    }
    const StoredValueReader read = [&](const char* name, StoredValue& value) {
        auto found = values.find(name);
        if (found == values.end()) return false;
        value = found->second;
        return true;
    };
    CanvasView view;
    EditorTexts texts;
    const EditorPlacement placement = decodeEditorSettings(read, view, texts);

    // A valid "Width" or "Height" above 10 is the window's size wherever its edge lies.
    DWORD extent = 0;
    if (values.count("Width") && dwordSetting(values["Width"], extent) && extent > 10 &&
        placementWidth(placement) != static_cast<int>(extent))
        __builtin_trap();
    if (values.count("Height") && dwordSetting(values["Height"], extent) && extent > 10 &&
        placementHeight(placement) != static_cast<int>(extent))
        __builtin_trap();
    for (const StoredText* text : {&texts.angleSnap, &texts.epsilon})
        if (!std::memchr(text->text, 0, sizeof text->text)) __builtin_trap();

    if (texts.angleSnap.read) view.angleStep = parseNumberPrefix(texts.angleSnap.text);
    if (texts.epsilon.read) view.epsilon = parseNumberPrefix(texts.epsilon.text);
    // A snapped angle is no farther from 0 than the angle (but for rounding).
    for (const float angle : {-359.5f, -7.9f, 0.25f, 45.0f, 359.9f}) {
        const float snapped = snapAngle(angle, view.angleStep);
        if (!std::isfinite(snapped) || std::fabs(snapped) > std::fabs(angle) * 1.0001f) __builtin_trap();
    }
    if (texts.epsilon.read) weldWith(view.epsilon);
    return 0;
}
