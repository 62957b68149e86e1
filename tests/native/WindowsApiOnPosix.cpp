// The few Windows functions the platform-independent code and the development host's
// document and files call, on POSIX, for the native sanitizer build. Declarations and
// types are Wine's; wchar_t texts are UTF-32 here. COM object creation (the image codecs)
// is refused (nothing built natively decodes images), and so are visual styles.
#define INITGUID
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>
#include <shlobj.h>
#include <unknwn.h>
#include <wincodec.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local DWORD lastError = 0;

DWORD fromErrno(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EROFS: return ERROR_ACCESS_DENIED;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_GEN_FAILURE;
    }
}

std::string utf8(const wchar_t* text, int length = -1) {
    std::string out;
    for (int i = 0; length < 0 ? text[i] != 0 : i < length; ++i) {
        auto c = static_cast<std::uint32_t>(text[i]);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18)), out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring wide(const char* text, int length) {
    std::wstring out;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    const int n = length < 0 ? int(std::strlen(text)) + 1 : length;
    for (int i = 0; i < n;) {
        std::uint32_t c = s[i];
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (c >= 0x80 && c < 0xC0) extra = -1;
        if (extra < 0 || i + extra >= n + (extra == 0)) {
            out += wchar_t(0xFFFD), ++i;
            continue;
        }
        c &= 0xFFu >> (extra + (extra ? 2 : 1));
        for (int k = 1; k <= extra; ++k) c = (c << 6) | (s[i + k] & 0x3F);
        out += wchar_t(c);
        i += extra + 1;
    }
    return out;
}

int fileOf(HANDLE handle) { return int(reinterpret_cast<intptr_t>(handle)) - 1; }

}  // namespace

extern "C" {

DWORD WINAPI GetLastError() { return lastError; }
void WINAPI SetLastError(DWORD error) { lastError = error; }
DWORD WINAPI GetCurrentProcessId() { return DWORD(getpid()); }

HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
    int flags = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (disposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
    else if (disposition == CREATE_NEW) flags |= O_CREAT | O_EXCL;
    else if (disposition == OPEN_ALWAYS) flags |= O_CREAT;
    const int file = open(utf8(name).c_str(), flags | O_CLOEXEC, 0644);
    if (file < 0) {
        lastError = fromErrno(errno);
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(intptr_t(file) + 1);
}

BOOL WINAPI CloseHandle(HANDLE handle) { return close(fileOf(handle)) == 0; }

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED) {
    const ssize_t n = read(fileOf(handle), buffer, size);
    if (n < 0) return lastError = fromErrno(errno), FALSE;
    if (done) *done = DWORD(n);
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED) {
    const ssize_t n = write(fileOf(handle), buffer, size);
    if (n < 0) return lastError = fromErrno(errno), FALSE;
    if (done) *done = DWORD(n);
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE handle) { return fsync(fileOf(handle)) == 0; }

DWORD WINAPI GetFileType(HANDLE handle) {
    struct stat status;
    if (fstat(fileOf(handle), &status) != 0) return FILE_TYPE_UNKNOWN;
    return S_ISREG(status.st_mode) ? FILE_TYPE_DISK : FILE_TYPE_CHAR;
}

BOOL WINAPI GetFileSizeEx(HANDLE handle, PLARGE_INTEGER size) {
    struct stat status;
    if (fstat(fileOf(handle), &status) != 0) return lastError = fromErrno(errno), FALSE;
    size->QuadPart = status.st_size;
    return TRUE;
}

DWORD WINAPI GetFileAttributesW(LPCWSTR name) {
    struct stat status;
    if (stat(utf8(name).c_str(), &status) != 0) return lastError = fromErrno(errno), INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI DeleteFileW(LPCWSTR name) {
    if (unlink(utf8(name).c_str()) != 0) return lastError = fromErrno(errno), FALSE;
    return TRUE;
}

BOOL WINAPI MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD) {
    if (rename(utf8(from).c_str(), utf8(to).c_str()) != 0) return lastError = fromErrno(errno), FALSE;
    return TRUE;
}

DWORD WINAPI GetTempPathW(DWORD size, LPWSTR path) {
    const char* folder = std::getenv("TMPDIR");
    const std::wstring text = wide(folder && *folder ? folder : "/tmp", -1).c_str() + std::wstring(L"/");
    if (text.size() + 1 > size) return DWORD(text.size() + 1);
    std::copy(text.begin(), text.end(), path);
    path[text.size()] = 0;
    return DWORD(text.size());
}

DWORD WINAPI FormatMessageA(DWORD, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD size, __ms_va_list*) {
    const int n = std::snprintf(buffer, size, "error %u", unsigned(code));
    return n < 0 || DWORD(n) >= size ? 0 : DWORD(n);
}

// UTF-8 only, which is all the code asks for.
INT WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR text, INT length, LPWSTR out, INT size) {
    const std::wstring converted = wide(text, length);
    if (size == 0) return INT(converted.size());
    if (INT(converted.size()) > size) return lastError = ERROR_INSUFFICIENT_BUFFER, 0;
    std::copy(converted.begin(), converted.end(), out);
    return INT(converted.size());
}

INT WINAPI WideCharToMultiByte(UINT, DWORD, LPCWSTR text, INT length, LPSTR out, INT size, LPCSTR, LPBOOL) {
    std::string converted = utf8(text, length);
    if (length < 0) converted += '\0';
    if (size == 0) return INT(converted.size());
    if (INT(converted.size()) > size) return lastError = ERROR_INSUFFICIENT_BUFFER, 0;
    std::memcpy(out, converted.data(), converted.size());
    return INT(converted.size());
}

INT WINAPI CompareStringOrdinal(const WCHAR* a, INT lengthA, const WCHAR* b, INT lengthB, BOOL ignoreCase) {
    const std::wstring x(a, lengthA < 0 ? wcslen(a) : size_t(lengthA)), y(b, lengthB < 0 ? wcslen(b) : size_t(lengthB));
    for (size_t i = 0;; ++i) {
        if (i == x.size() || i == y.size()) return x.size() == y.size() ? CSTR_EQUAL : i == x.size() ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
        wint_t p = wint_t(x[i]), q = wint_t(y[i]);
        if (ignoreCase) p = std::towupper(p), q = std::towupper(q);
        if (p != q) return p < q ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
}

// A BSTR: its byte length in the four bytes before the text.
BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
    auto* block = static_cast<char*>(std::malloc(sizeof(DWORD) + (size_t(length) + 1) * sizeof(OLECHAR)));
    if (!block) return nullptr;
    *reinterpret_cast<DWORD*>(block) = DWORD(length * sizeof(OLECHAR));
    auto* string = reinterpret_cast<OLECHAR*>(block + sizeof(DWORD));
    if (text) std::memcpy(string, text, length * sizeof(OLECHAR));
    else std::memset(string, 0, length * sizeof(OLECHAR));
    string[length] = 0;
    return string;
}
BSTR WINAPI SysAllocString(LPCOLESTR text) { return text ? SysAllocStringLen(text, UINT(wcslen(text))) : nullptr; }
void WINAPI SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<char*>(text) - sizeof(DWORD));
}
UINT WINAPI SysStringLen(BSTR text) {
    return text ? *reinterpret_cast<DWORD*>(reinterpret_cast<char*>(text) - sizeof(DWORD)) / sizeof(OLECHAR) : 0;
}
void WINAPI VariantInit(VARIANTARG* value) {
    std::memset(value, 0, sizeof *value);
    value->vt = VT_EMPTY;
}

// No visual styles: the module state finds no system folder to load them from.
BOOL WINAPI SHGetSpecialFolderPathA(HWND, LPSTR, int, BOOL) { return FALSE; }
HMODULE WINAPI LoadLibraryA(LPCSTR) { return nullptr; }
FARPROC WINAPI GetProcAddress(HMODULE, LPCSTR) { return nullptr; }
BOOL WINAPI FreeLibrary(HMODULE) { return TRUE; }

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) { return S_OK; }
void WINAPI CoUninitialize() {}
HRESULT WINAPI CoCreateInstance(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) {
    if (object) *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

}  // extern "C"
