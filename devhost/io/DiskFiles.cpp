// Files on disk through the Windows file functions: whole files read, files replaced
// safely, and the mesh and state files by path.
#include "io/MeshFile.h"
#include "io/StateFile.h"

#include <windows.h>

namespace devhost {

namespace {

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

// The path as the wide file functions take it; a name that is not text is refused (only
// possible where paths are bytes).
std::wstring widePath(const std::filesystem::path& path) {
    try {
        return path.wstring();
    } catch (const std::exception&) {
        throw FileError(path, 0, "the name is not UTF-8 text");
    }
}

FileError notWritten(const std::filesystem::path& path, DWORD error) {
    bool existed = GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    return FileError(path, 0, "cannot be written: " + systemMessage(error) +
                                  (existed ? "; what was there is unchanged" : ""));
}

}  // namespace

std::string readWholeFile(const std::filesystem::path& path) {
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        throw FileError(path, 0, error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                     ? "no such file"
                                     : "cannot be opened: " + systemMessage(error));
    }
    // Devices and pipes (/dev/zero, /dev/urandom under Wine) never end; only files on
    // disk are read, and only up to a size no mesh reaches.
    constexpr LONGLONG kLargest = 1LL << 30;
    LARGE_INTEGER size = {};
    std::string why;
    if (GetFileType(file) != FILE_TYPE_DISK) why = "not a regular file";
    else if (!GetFileSizeEx(file, &size)) why = "size unknown: " + systemMessage(GetLastError());
    else if (size.QuadPart > kLargest) why = "larger than 1 GiB";
    std::string contents;
    if (why.empty()) {
        contents.resize(static_cast<size_t>(size.QuadPart));
        DWORD done = 0;
        if (!ReadFile(file, contents.data(), static_cast<DWORD>(contents.size()), &done, nullptr))
            why = "read failed: " + systemMessage(GetLastError());
        contents.resize(done);
    }
    CloseHandle(file);
    if (!why.empty()) throw FileError(path, 0, why);
    return contents;
}

void replaceFile(const std::filesystem::path& path, const std::string& contents) {
    std::filesystem::path temporary = path;
    temporary += L".saving-" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(widePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw notWritten(path, GetLastError());
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
    if (written && !MoveFileExW(widePath(temporary).c_str(), widePath(path).c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        written = false;
        error = GetLastError();
    }
    if (!written) {
        DeleteFileW(widePath(temporary).c_str());
        throw notWritten(path, error);
    }
}

MeshFile readObj(const std::filesystem::path& path) { return parseObj(path, readWholeFile(path), readWholeFile); }

void writeObj(const std::filesystem::path& path, const MeshFile& mesh) {
    const ObjTexts texts = formatObj(path, mesh);
    if (!texts.library.empty()) replaceFile(texts.library, texts.mtl);
    replaceFile(path, texts.obj);
}

MeshFile readState(const std::filesystem::path& path) { return parseState(path, readWholeFile(path)); }

void writeState(const std::filesystem::path& path, const StateJson& state) {
    replaceFile(path, state.dump(2) + "\n");
}

}  // namespace devhost
