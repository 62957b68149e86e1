// Texloom.dll as a host sees it: loaded with LoadLibrary, its function object called
// by vtable position, the editor toggled by repeated invocations and the module's
// unload answer.
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
        ASSERT_TRUE(create_ && canUnload_);
    }

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
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

    static inline HMODULE module_ = nullptr;
    static inline CreateFunctionPluginsFn create_ = nullptr;
    static inline UnloadNowFn canUnload_ = nullptr;
    HWND host_ = nullptr;
    HostRef<devhost::Document> document_;
};

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

    // First run: no stored settings (the placement rules are the settings' tests).
    HWND editor = invoke(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsWindowVisible(editor) && GetWindow(editor, GW_OWNER) == host_);
    EXPECT_EQ(document_->subscribers().size(), 2u) << "editor and canvas";
    EXPECT_EQ(canUnload_(), S_FALSE);

    // Escape hides it; the next run closes it, writing the settings with its last place.
    MoveWindow(editor, 123, 77, 520, 410, TRUE);
    SendMessageA(editor, WM_COMMAND, IDCANCEL, 0);
    uitest::pump();
    EXPECT_TRUE(IsWindow(editor) && !IsWindowVisible(editor));
    EXPECT_EQ(invoke(plugin), nullptr);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_TRUE(document_->subscribers().empty()) << "editor and canvas unsubscribe at close";
    EXPECT_EQ(canUnload_(), S_FALSE) << "the closed editor object still lives";

    // The third run reopens it where the saved settings put it; releasing the function
    // closes it too.
    editor = invoke(plugin);
    ASSERT_NE(editor, nullptr);
    RECT place = {};
    GetWindowRect(editor, &place);
    EXPECT_TRUE(place.left == 123 && place.top == 77 && place.right == 123 + 520 && place.bottom == 77 + 410);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    release(plugin);
    uitest::pump();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(readSetting("Width"), 520u) << "closing saves the settings";
    EXPECT_TRUE(document_->subscribers().empty());
    EXPECT_EQ(canUnload_(), S_OK);
}
