#include "LoomHostRun.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

std::wstring hostPath() {
    wchar_t path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return (std::filesystem::path(std::wstring(path, length)).parent_path() / L"loomhost.exe").wstring();
}

std::wstring quoted(const std::wstring& argument) {
    std::wstring text = L"\"";
    for (wchar_t c : argument) {
        if (c == L'"') text += L'\\';
        text += c;
    }
    return text + L"\"";
}

}  // namespace

const char* const kSquareObj =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
    "vt 0.1 0.2\nvt 0.9 0.2\nvt 0.9 0.8\nvt 0.1 0.8\n"
    "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n";

void forgetEditorSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Lathecraft\\polyLOOM 1.3.5\\Texloom");
}

HostRun runLoomHost(const std::vector<std::wstring>& arguments) {
    std::wstring commandLine = quoted(hostPath());
    for (const std::wstring& argument : arguments) commandLine += L" " + quoted(argument);

    // The desktop process starts with the first window of the session; started by
    // loomhost.exe it would inherit the pipe and outlive it, and the read never ends.
    GetDesktopWindow();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    HostRun run;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "loomhost.exe could not be started (error " << GetLastError() << ")";
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return run;
    }
    CloseHandle(writeEnd);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) run.errors.append(buffer, got);
    CloseHandle(readEnd);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        ADD_FAILURE() << "loomhost.exe did not finish";
    }
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    run.status = int(status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

HostRun runBatch(std::vector<std::wstring> arguments) {
    arguments.insert(arguments.begin(), L"--batch");
    return runLoomHost(arguments);
}

ScratchFolder::ScratchFolder() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (L"loomhost-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::filesystem::path(std::string(test->test_suite_name()) + "-" + test->name()).wstring());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void ScratchFolder::write(const std::wstring& name, const std::string& contents) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << contents;
}

std::string ScratchFolder::read(const std::wstring& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

devhost::StateJson ScratchFolder::json(const std::wstring& name) const {
    std::string text = read(name);
    if (text.empty()) {
        ADD_FAILURE() << "no file " << (path_ / name).string();
        return {};
    }
    return devhost::StateJson::parse(text);
}
