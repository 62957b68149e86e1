// Texloom.dll as a host sees it: loaded with LoadLibrary, its function object called
// by vtable position, the editor toggled by repeated invocations, the module's
// unload answer, and its behaviour without the visual-styles library.
#include "DevHost.h"
#include "support/UiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using CreateFunctionPluginsFn = int (*)(void** plugins, int* count);
using UnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// The function object's table, by position: three texts, Execute, Release.
using TextOperation = const char* (*)(void* self);
using ExecuteOperation = int (*)(void* self, HostDocument* document);
using ReleaseOperation = void (*)(void* self);

void** tableOf(void* plugin) { return *static_cast<void***>(plugin); }
const char* callText(void* plugin, int slot) { return reinterpret_cast<TextOperation>(tableOf(plugin)[slot])(plugin); }
int execute(void* plugin, HostDocument* document) {
    return reinterpret_cast<ExecuteOperation>(tableOf(plugin)[3])(plugin, document);
}
void release(void* plugin) { reinterpret_cast<ReleaseOperation>(tableOf(plugin)[4])(plugin); }

constexpr char kSettingsKey[] = "Software\\Lathecraft\\polyLOOM 1.3.5\\Texloom";

DWORD readSetting(const char* name) {
    DWORD value = 0xDEADBEEF, size = sizeof(value);
    RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

class PluginModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::wstring path = uitest::exeFolder() + L"Texloom.dll";
        module_ = LoadLibraryW(path.c_str());
        ASSERT_NE(module_, nullptr) << "Texloom.dll not found beside the test";
        create_ = reinterpret_cast<CreateFunctionPluginsFn>(GetProcAddress(module_, "CreateFunctionPlugins"));
        canUnload_ = reinterpret_cast<UnloadNowFn>(GetProcAddress(module_, "DllCanUnloadNow"));
        ASSERT_NE(create_, nullptr);
        ASSERT_NE(canUnload_, nullptr);
    }

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        host_ = uitest::createHostWindow();
        document_ = devhost::Document::create();
    }

    void TearDown() override {
        DestroyWindow(host_);
        uitest::pump();
    }

    void* newPlugin() {
        void* plugins[1] = {};
        int count = 0;
        EXPECT_EQ(create_(plugins, &count), 0);
        EXPECT_EQ(count, 1);
        return plugins[0];
    }

    // Invokes the function as the host's command would; answers the open editor or null.
    HWND invoke(void* plugin) {
        EXPECT_EQ(execute(plugin, document_.Get()), 0);
        uitest::pump();
        return uitest::findEditor();
    }

    static HMODULE module_;
    static CreateFunctionPluginsFn create_;
    static UnloadNowFn canUnload_;
    HWND host_ = nullptr;
    HostRef<devhost::Document> document_;
};

HMODULE PluginModule::module_ = nullptr;
CreateFunctionPluginsFn PluginModule::create_ = nullptr;
UnloadNowFn PluginModule::canUnload_ = nullptr;

std::vector<LONG> windowEdges(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

bool hasEditorSubscription(devhost::Document& document) {
    for (const devhost::Subscription& subscription : document.subscribers())
        if (subscription.a == 2) return true;
    return false;
}

}  // namespace

TEST_F(PluginModule, FunctionAnswersByTablePosition) {
    int count = 0;
    EXPECT_EQ(create_(nullptr, &count), 0);  // the count query creates nothing
    EXPECT_EQ(count, 1);
    EXPECT_EQ(canUnload_(), S_OK);
    void* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_STREQ(callText(plugin, 0), "1.0");
    EXPECT_STREQ(callText(plugin, 1), "Texloom");
    EXPECT_STREQ(callText(plugin, 2), "UV Editor");
    // A function that never ran holds no editor and keeps nothing loaded.
    EXPECT_EQ(canUnload_(), S_OK);
    release(plugin);
    EXPECT_EQ(canUnload_(), S_OK);
}

TEST_F(PluginModule, InvocationsToggleTheEditorEscapeHidesItAndItKeepsItsPlace) {
    void* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    // No main window: nothing opens until the host has one.
    EXPECT_EQ(invoke(plugin), nullptr);
    EXPECT_TRUE(document_->subscribers().empty());
    ASSERT_FALSE(document_->journal().empty());
    EXPECT_EQ(document_->journal().back(), "GetMainWindow()");
    document_->setMainWindow(host_);

    // First run: no stored settings, 500 x 400 centred in the work area.
    HWND editor = invoke(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_EQ(GetWindow(editor, GW_OWNER), host_);
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const LONG left = (area.left + area.right) / 2 - 250, top = (area.top + area.bottom) / 2 - 200;
    EXPECT_EQ(windowEdges(editor), (std::vector<LONG>{left, top, left + 500, top + 400}));
    EXPECT_TRUE(hasEditorSubscription(*document_.Get()));
    EXPECT_EQ(canUnload_(), S_FALSE);

    // Escape hides it; the next run closes it, writing the settings with its last place.
    MoveWindow(editor, 123, 77, 520, 410, TRUE);
    SendMessageA(editor, WM_COMMAND, IDCANCEL, 0);
    uitest::pump();
    EXPECT_TRUE(IsWindow(editor) && !IsWindowVisible(editor));
    EXPECT_EQ(invoke(plugin), nullptr);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ((std::vector<DWORD>{readSetting("Left"), readSetting("Top"), readSetting("Width"),
                                  readSetting("Height"), readSetting("Mode")}),
              (std::vector<DWORD>{123, 77, 520, 410, 1}));
    EXPECT_TRUE(document_->subscribers().empty()) << "editor and canvas unsubscribe at close";
    EXPECT_EQ(canUnload_(), S_FALSE) << "the closed editor object still lives";

    // The third run reopens it where it was; releasing the function closes it too.
    editor = invoke(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(windowEdges(editor), (std::vector<LONG>{123, 77, 123 + 520, 77 + 410}));
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    release(plugin);
    uitest::pump();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(readSetting("Width"), 520u) << "closing saves the settings";
    EXPECT_TRUE(document_->subscribers().empty());
    EXPECT_EQ(canUnload_(), S_OK);
}

// Runs a copy of this test executable for which Wine's loader disables the
// visual-styles library (a per-program override in the registry); the copy opens
// and closes the editor (this test, in child mode).
TEST_F(PluginModule, EditorWorksWithoutTheVisualStylesLibrary) {
    if (GetEnvironmentVariableA("TEXLOOM_CHILD_NO_UXTHEME", nullptr, 0)) {
        EXPECT_EQ(GetModuleHandleA("uxtheme.dll"), nullptr) << "the library is really absent";
        document_->setMainWindow(host_);
        void* plugin = newPlugin();
        HWND editor = invoke(plugin);
        ASSERT_NE(editor, nullptr);
        EXPECT_NE(uitest::findChild(editor, "ToolbarWindow32"), nullptr);
        EXPECT_NE(uitest::findChild(editor, "UVControls"), nullptr);
        EXPECT_NE(uitest::findChild(editor, "TexloomCanvas"), nullptr);
        EXPECT_EQ(invoke(plugin), nullptr);
        release(plugin);
        return;
    }

    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "the loader override is Wine's";
    const std::wstring copyName = L"plugin_tests_no_uxtheme.exe";
    const std::wstring copy = uitest::exeFolder() + copyName;
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ASSERT_TRUE(CopyFileW(exe, copy.c_str(), FALSE));
    const std::wstring appKey = L"Software\\Wine\\AppDefaults\\" + copyName;
    HKEY overrides = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (appKey + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &overrides, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(overrides, L"uxtheme", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    RegCloseKey(overrides);

    SetEnvironmentVariableA("TEXLOOM_CHILD_NO_UXTHEME", "1");
    std::wstring command = L"\"" + copy + L"\" --gtest_filter=PluginModule.EditorWorksWithoutTheVisualStylesLibrary";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process);
    SetEnvironmentVariableA("TEXLOOM_CHILD_NO_UXTHEME", nullptr);
    DWORD exitCode = 1;
    if (started) {
        WaitForSingleObject(process.hProcess, 120000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, appKey.c_str());
    DeleteFileW(copy.c_str());
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u) << "the child's own test failed";
}
