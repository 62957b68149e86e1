#include "LoomHostRun.h"

#include "support/UiTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

HostRun runBatch(const std::vector<std::wstring>& arguments) {
    // cmd /c takes off the outer quotes: ""loomhost.exe" --batch "argument" ... 2>&1". No
    // argument holds a quote or ends in a backslash, so plain quotes do.
    std::wstring commandLine = L"\"\"" + uitest::exeFolder() + L"loomhost.exe\" --batch";
    for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
    // The desktop process starts with the first window of the session; started by
    // loomhost.exe it would inherit the pipe and outlive it, and the read never ends.
    GetDesktopWindow();
    HostRun run;
    FILE* pipe = _wpopen((commandLine + L" 2>&1\"").c_str(), L"rb");
    if (!pipe) {
        ADD_FAILURE() << "loomhost.exe could not be started";
        return run;
    }
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.errors.append(buffer, got);
    run.status = _pclose(pipe);
    return run;
}

ScratchFolder::ScratchFolder() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (L"loomhost-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::filesystem::path(std::string(test->test_suite_name()) + "-" + test->name()).wstring());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}
