// The development host's text helpers in the native build, where only the standard library
// stands under the code: UTF-8 to and from the platform's wide characters through the
// standard converters, and no BSTRs. Handing out a text then fails as it does when memory
// runs out; the host's texts to the plug-in are covered by the Windows build's tests.
#include "lib/Journal.h"

#include <codecvt>
#include <locale>

namespace devhost {
namespace {

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-declarations"
using Converter = std::wstring_convert<std::codecvt_utf8<wchar_t>>;
Converter& converter() {
    static Converter instance("?", L"\uFFFD");
    return instance;
}
#pragma clang diagnostic pop

}  // namespace

std::string utf8(const wchar_t* text) { return text ? converter().to_bytes(text) : std::string(); }
std::string utf8(const std::wstring& text) { return converter().to_bytes(text); }
std::wstring wide(const std::string& text) { return converter().from_bytes(text); }

BSTR hostString(const wchar_t*, size_t) { return nullptr; }
void freeHostString(BSTR) {}

}  // namespace devhost
