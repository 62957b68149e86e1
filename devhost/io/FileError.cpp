#include "io/FileError.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace devhost {

namespace {

std::string describe(const std::filesystem::path& file, long line, const std::string& why) {
    std::string text = pathText(file);
    if (line > 0) text += ":" + std::to_string(line);
    return text + ": " + why;
}

std::string systemMessage(DWORD code) {
    char buffer[256] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r' ||
                          buffer[length - 1] == ' ' || buffer[length - 1] == '.'))
        buffer[--length] = '\0';
    if (length == 0) return "system error " + std::to_string(code);
    return buffer;
}

}  // namespace

FileError::FileError(const std::filesystem::path& file, long line, const std::string& why)
    : std::runtime_error(describe(file, line, why)), line_(line) {}

std::string pathText(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        DWORD attributes = GetFileAttributesW(path.c_str());
        throw FileError(path, 0, attributes == INVALID_FILE_ATTRIBUTES ? "no such file"
                                                                       : "cannot be opened");
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    if (in.bad()) throw FileError(path, 0, "read failed");
    return contents.str();
}

void replaceFile(const std::filesystem::path& path, const std::string& contents) {
    std::filesystem::path temporary = path;
    temporary += L".saving-" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw FileError(path, 0, "cannot be written: " + systemMessage(GetLastError()));
    const char* data = contents.data();
    size_t left = contents.size();
    bool written = true;
    while (left > 0 && written) {
        DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD done = 0;
        written = WriteFile(file, data, chunk, &done, nullptr) && done == chunk;
        data += done;
        left -= done;
    }
    DWORD error = written ? 0 : GetLastError();
    if (written && !FlushFileBuffers(file)) {
        written = false;
        error = GetLastError();
    }
    CloseHandle(file);
    if (written && !MoveFileExW(temporary.c_str(), path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        written = false;
        error = GetLastError();
    }
    if (!written) {
        DeleteFileW(temporary.c_str());
        throw FileError(path, 0, "cannot be written: " + systemMessage(error));
    }
}

}  // namespace devhost
