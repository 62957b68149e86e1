// Texts through the Windows API: UTF-8 and UTF-16 conversions, and the BSTRs the host
// hands out.
#include "Journal.h"

#include <oleauto.h>

namespace devhost {

std::string utf8(const wchar_t* text) {
    if (!text || !*text) return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string result(static_cast<size_t>(length - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    return result;
}

std::string utf8(const std::wstring& text) { return utf8(text.c_str()); }

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring result(static_cast<size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), length);
    return result;
}

BSTR hostString(const wchar_t* text, size_t length) { return SysAllocStringLen(text, static_cast<UINT>(length)); }

void freeHostString(BSTR text) { SysFreeString(text); }

}  // namespace devhost
