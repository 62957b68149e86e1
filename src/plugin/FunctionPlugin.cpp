// The "UV Editor" function: toggles the editor window and owns the editor object.
#include "plugin/FunctionPlugin.h"

#include "Version.h"
#include "editor/EditorWindow.h"
#include "host/HostRef.h"

#include <new>

namespace {

class UVEditorFunction final : public FunctionPlugin {
public:
    const char* GetVersion() override { return TEXLOOM_VERSION_TEXT; }
    const char* GetName() override { return "Texloom"; }
    const char* GetDisplayName() override { return "UV Editor"; }

    int Execute(HostDocument* document) override {
        if (!editor_) {
            editor_ = adoptReference(EditorWindow::create());
            if (!editor_) return 0;
        }
        if (HWND window = editor_->window(); window && IsWindow(window)) {
            // The window saves its settings and destroys itself; the object stays.
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        HWND mainWindow = nullptr;
        if (!document || FAILED(document->GetMainWindow(&mainWindow)) || !mainWindow) return 0;
        editor_->setDocument(document);
        if (HWND window = editor_->createWindow(mainWindow)) ShowWindow(window, SW_SHOW);
        return 0;
    }

    void Release() override { delete this; }

    ~UVEditorFunction() override {
        // A window left open would outlive its object's last reference; its
        // destruction also saves the settings.
        if (editor_ && editor_->window()) DestroyWindow(editor_->window());
    }

private:
    HostRef<EditorWindow> editor_;
};

}  // namespace

extern "C" int CreateFunctionPlugins(FunctionPlugin** plugins, int* count) {
    if (count) *count = 1;
    if (!plugins) return 0;
    plugins[0] = new (std::nothrow) UVEditorFunction();
    return plugins[0] ? 0 : 1;
}
