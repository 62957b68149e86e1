// The editor's registry values of any type and size, as the bytes say: each record is a
// name (one of the 24 values or one no setting has), a type, a size and that many bytes.
// Decoding must take every value only when it fits, never overflow placing the window,
// and keep the texts terminated.
#include "dialogs/SettingsValues.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace {

const char* const kOtherNames[] = {"AngleSnap", "Epsilon", "Left", "Top", "Width", "Height", "Unknown"};
const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD};

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
    return 0;
}
