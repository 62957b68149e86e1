// regsvr32 registers and unregisters the module's type library, and nothing else.
#include "host/HostRef.h"
#include "support/UiTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs regsvr32 silently on Texloom.dll; answers its exit code.
DWORD runRegsvr32(const wchar_t* options) {
    std::wstring command = std::wstring(L"regsvr32.exe /s ") + options + L" \"" + uitest::exeFolder() + L"Texloom.dll\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

std::wstring typeLibKey() {
    wchar_t guid[64] = {};
    StringFromGUID2(LIBID_LatheTexloom, guid, 64);
    return std::wstring(L"TypeLib\\") + guid;
}

bool keyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

TEST(Registration, Regsvr32RegistersAndUnregistersTheTypeLibrary) {
    const std::wstring key = typeLibKey();
    runRegsvr32(L"/u");  // a registration left by an earlier run
    ASSERT_FALSE(keyExists(key));

    ASSERT_EQ(runRegsvr32(L""), 0u);
    BSTR file = nullptr;
    ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_LatheTexloom, 1, 0, 0, &file), S_OK);
    EXPECT_NE(std::wstring(file).find(L"Texloom.dll"), std::wstring::npos) << "registered from the module itself";
    SysFreeString(file);
    // Only the type library: no creatable class is registered.
    ITypeLib* typeLib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_LatheTexloom, 1, 0, 0, &typeLib), S_OK);
    BSTR name = nullptr;
    typeLib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    EXPECT_STREQ(name, L"LatheTexloom");
    SysFreeString(name);
    typeLib->Release();

    EXPECT_EQ(runRegsvr32(L"/u"), 0u);
    EXPECT_FALSE(keyExists(key));
}
