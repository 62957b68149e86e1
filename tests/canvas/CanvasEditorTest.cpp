// The canvas's host notifications inside an open editor: mesh reloads reach the
// editor's model and the canvas, texture events keep the controls bar's list current.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "DevHost.h"
#include "canvas/UVCanvas.h"
#include "dialogs/Settings.h"
#include "editor/EditorWindow.h"
#include "ops/MeshFixture.h"
#include "plugin/ModuleState.h"

namespace {

using meshtest::face;

class CanvasInEditor : public ::testing::Test {
protected:
    void SetUp() override {
        setModuleInstance(GetModuleHandleA(nullptr));  // the resources are linked into the test
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
        document = devhost::Document::create();
        editor = EditorWindow::create();
        ASSERT_NE(editor, nullptr);
        editor->setDocument(document.Get());
        ASSERT_NE(editor->createWindow(nullptr), nullptr);
    }
    void TearDown() override {
        if (editor) {
            if (editor->window()) DestroyWindow(editor->window());
            editor->Release();
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
    }

    HWND textureList() { return editor->controls().control(UVControls::TextureList); }
    int listCount() { return static_cast<int>(SendMessageA(textureList(), CB_GETCOUNT, 0, 0)); }
    std::string listText(int i) {
        char text[128] = {};
        if (SendMessageA(textureList(), CB_GETLBTEXTLEN, i, 0) < 127)
            SendMessageA(textureList(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        return text;
    }

    HostRef<devhost::Document> document;
    EditorWindow* editor = nullptr;
};

TEST_F(CanvasInEditor, MeshReloadReachesTheEditorAndTheCanvas) {
    ASSERT_NE(editor->canvas()->subscription, 0u);
    EXPECT_FALSE(editor->canvas()->mesh);
    document->setMesh({face(0, 0, 1, 2, 0.1f, 0.1f, 0.9f, 0.1f, 0.1f, 0.9f)}, meshtest::vertices(3));
    HostRef<HostMesh> active;
    document->GetActiveMesh(active.GetAddressOf());
    ASSERT_TRUE(active);
    EXPECT_EQ(editor->model().mesh.Get(), active.Get());
    EXPECT_EQ(editor->canvas()->mesh.Get(), active.Get());
    EXPECT_EQ(editor->canvas()->extentWidth, 256) << "the background was reset to the canvas size";

    document->removeMesh();
    EXPECT_FALSE(editor->model().mesh);
    EXPECT_FALSE(editor->canvas()->mesh);
    EXPECT_EQ(document->lockCount(), 0);
}

TEST_F(CanvasInEditor, TextureEventsKeepTheListCurrent) {
    const int before = listCount();
    LONG first = document->addTexture(L"bricks", 8, 8, std::vector<std::uint32_t>(64, 0xFF808080));
    LONG second = document->addTexture(L"grass", 4, 4, std::vector<std::uint32_t>(16, 0xFF00A000));
    ASSERT_EQ(listCount(), before + 2);

    // Choosing the first texture, then renaming it: it stays chosen under its new name.
    editor->controls().selectTexture(first);
    editor->canvas()->loadTexture(first);
    ASSERT_TRUE(editor->canvas()->textureBitmap);
    document->renameTexture(first, L"stones");
    EXPECT_TRUE(editor->canvas()->textureBitmap);
    EXPECT_EQ(listCount(), before + 2);
    EXPECT_EQ(editor->controls().selectedTexture(), first);
    bool renamed = false;
    for (int i = 0; i < listCount(); ++i) renamed = renamed || listText(i) == "stones";
    EXPECT_TRUE(renamed);

    // Deleting another texture leaves the background alone; deleting the shown one clears it.
    document->deleteTexture(second);
    EXPECT_EQ(listCount(), before + 1);
    EXPECT_TRUE(editor->canvas()->textureBitmap);
    document->deleteTexture(first);
    EXPECT_EQ(listCount(), before);
    EXPECT_FALSE(editor->canvas()->textureBitmap);
    EXPECT_EQ(editor->canvas()->extentWidth, editor->canvas()->canvasWidth);
}

}  // namespace
