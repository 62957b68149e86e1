// Files on disk through the Windows file functions: whole files read, files replaced
// safely, and the mesh and state files by path.
#include "io/GltfFile.h"
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

FileError notWritten(const std::filesystem::path& path, DWORD error, bool others) {
    bool existed = GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    return FileError(path, 0, "cannot be written: " + systemMessage(error) +
                                  (others ? "; no file of the save was changed"
                                          : existed ? "; what was there is unchanged" : ""));
}

std::filesystem::path besidePath(const std::filesystem::path& path, const wchar_t* tag) {
    std::filesystem::path beside = path;
    beside += tag + std::to_wstring(GetCurrentProcessId());
    return beside;
}

// A new file with the contents, flushed to disk; the system error, or 0.
DWORD writeNewFile(const std::filesystem::path& path, const std::string& contents) {
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    const char* data = contents.data();
    size_t left = contents.size();
    DWORD error = 0;
    while (left > 0 && error == 0) {
        DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD done = 0;
        if (!WriteFile(file, data, chunk, &done, nullptr) || done != chunk) error = GetLastError();
        if (error == 0 && done != chunk) error = ERROR_WRITE_FAULT;
        data += done;
        left -= done;
    }
    if (error == 0 && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    return error;
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

void replaceFiles(const std::vector<FileText>& files) {
    const bool several = files.size() > 1;
    // A folder in the way would be renamed aside instead of refusing the move.
    for (const FileText& file : files) {
        DWORD attributes = GetFileAttributesW(widePath(file.path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw FileError(file.path, 0, std::string("cannot be written: a folder has that name") +
                                              (several ? "; no file of the save was changed" : ""));
    }
    std::vector<std::filesystem::path> temporaries;
    auto removeTemporaries = [&temporaries] {
        for (const std::filesystem::path& temporary : temporaries) DeleteFileW(widePath(temporary).c_str());
    };
    for (const FileText& file : files) {
        temporaries.push_back(besidePath(file.path, L".saving-"));
        if (DWORD error = writeNewFile(temporaries.back(), *file.contents)) {
            removeTemporaries();
            throw notWritten(file.path, error, several);
        }
    }
    // Every new file is on disk: each original steps aside and its new file takes the
    // name. Should any move fail, the files already placed go and the originals return.
    std::vector<std::filesystem::path> originals(files.size());  // empty where none was
    size_t placed = 0;
    DWORD error = 0;
    for (; placed < files.size(); ++placed) {
        const std::wstring path = widePath(files[placed].path);
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            std::filesystem::path aside = besidePath(files[placed].path, L".replaced-");
            if (!MoveFileExW(path.c_str(), widePath(aside).c_str(), MOVEFILE_REPLACE_EXISTING)) {
                error = GetLastError();
                break;
            }
            originals[placed] = aside;
        }
        if (!MoveFileExW(widePath(temporaries[placed]).c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
            error = GetLastError();
            break;
        }
    }
    if (error != 0) {
        for (size_t i = 0; i <= placed && i < files.size(); ++i) {
            const std::wstring path = widePath(files[i].path);
            if (i < placed) DeleteFileW(path.c_str());
            if (!originals[i].empty()) MoveFileExW(widePath(originals[i]).c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
        removeTemporaries();
        throw notWritten(files[placed].path, error, several);
    }
    for (const std::filesystem::path& original : originals)
        if (!original.empty()) DeleteFileW(widePath(original).c_str());
}

void replaceFile(const std::filesystem::path& path, const std::string& contents) {
    replaceFiles({{path, &contents}});
}

MeshFile readObj(const std::filesystem::path& path) { return parseObj(path, readWholeFile(path), readWholeFile); }

void writeObj(const std::filesystem::path& path, const MeshFile& mesh) {
    const ObjTexts texts = formatObj(path, mesh);
    if (texts.library.empty()) replaceFile(path, texts.obj);
    else replaceFiles({{texts.library, &texts.mtl}, {path, &texts.obj}});
}

GltfFile readGltf(const std::filesystem::path& path) { return parseGltf(path, readWholeFile(path), readWholeFile); }

void writeGltf(const std::filesystem::path& path, const GltfModel& model, const std::vector<DevFace>& faces) {
    const std::vector<FileBytes> files = formatGltf(path, model, faces);
    std::vector<FileText> texts;
    for (const FileBytes& file : files) texts.push_back({file.path, &file.contents});
    replaceFiles(texts);
}

MeshFile readState(const std::filesystem::path& path) { return parseState(path, readWholeFile(path)); }

void writeState(const std::filesystem::path& path, const StateJson& state) {
    replaceFile(path, state.dump(2) + "\n");
}

}  // namespace devhost
