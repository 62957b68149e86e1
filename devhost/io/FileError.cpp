#include "io/FileError.h"

#include <cstdio>

namespace devhost {

namespace {

// Reasons quote what the file said; a file of binary junk or a 10,000-digit number must
// not turn the message into a screenful of raw bytes.
std::string printable(const std::string& why) {
    constexpr size_t kHead = 160, kTail = 60;
    std::string text;
    for (unsigned char c : why) {
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        } else {
            text += char(c);
        }
    }
    if (text.size() <= kHead + kTail + 40) return text;
    return text.substr(0, kHead) + " [... " + std::to_string(text.size() - kHead - kTail) + " characters ...] " +
           text.substr(text.size() - kTail);
}

std::string describe(const std::filesystem::path& file, long line, const std::string& why) {
    std::string text = pathText(file);
    if (line > 0) {
        text += ':';
        text += std::to_string(line);
    }
    text += ": ";
    text += printable(why);
    return text;
}

}  // namespace

FileError::FileError(const std::filesystem::path& file, long line, const std::string& why)
    : std::runtime_error(describe(file, line, why)), line_(line) {}

std::string pathText(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace devhost
