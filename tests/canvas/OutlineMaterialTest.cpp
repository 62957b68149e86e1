// "Create Material With Outlines" run from the editor's Edit menu on a development host
// document: the host calls, the pixels of the image the host received, and the
// question about the texture, answered by a hook as a user answers it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "DevHost.h"
#include "canvas/UVCanvas.h"
#include "dialogs/Settings.h"
#include "editor/EditorWindow.h"
#include "ops/MeshFixture.h"
#include "plugin/ModuleState.h"
#include "resource.h"

namespace {

using meshtest::face;

constexpr std::uint32_t kGrey = 0xFF9F9F9F;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// Answers every message box of this thread with one button and remembers its texts.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(int button) {
        current_ = this;
        button_ = button;
        hook_ = SetWindowsHookExA(WH_CBT, onCbt, nullptr, GetCurrentThreadId());
    }
    ~MessageBoxAnswer() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    int shown = 0;
    std::string caption, text;

private:
    static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && current_) {
            HWND box = reinterpret_cast<HWND>(wParam);
            char className[16] = {}, buffer[128] = {};
            GetClassNameA(box, className, sizeof className);
            // A dialog with a Yes button: the message box, not the editor (also a dialog).
            if (std::string(className) == "#32770" && GetDlgItem(box, IDYES)) {
                ++current_->shown;
                GetWindowTextA(box, buffer, sizeof buffer);
                current_->caption = buffer;
                GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the message text
                current_->text = buffer;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(current_->button_, 0), 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline MessageBoxAnswer* current_ = nullptr;
    int button_ = IDNO;
    HHOOK hook_ = nullptr;
};

class OutlineMaterial : public ::testing::Test {
protected:
    void SetUp() override {
        setModuleInstance(GetModuleHandleA(nullptr));
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
        document = devhost::Document::create();
    }
    void TearDown() override {
        if (editor) {
            if (editor->window()) DestroyWindow(editor->window());
            editor->Release();
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
    }

    void open() {
        editor = EditorWindow::create();
        ASSERT_NE(editor, nullptr);
        editor->setDocument(document.Get());
        ASSERT_NE(editor->createWindow(nullptr), nullptr);
    }
    void open(std::vector<devhost::DevFace> faces) {
        document->setMesh(std::move(faces), meshtest::vertices(4));
        open();
    }
    void createMaterial() {
        document->clearJournal();
        SendMessageA(editor->window(), WM_COMMAND, MAKEWPARAM(ID_EDIT_CREATE_MATERIAL_WITH_OUTLINES, 0), 0);
    }
    const devhost::Pixels32& image() {
        static const devhost::Pixels32 none;
        return document->images().empty() ? none : document->images().back()->image();
    }
    std::uint32_t pixel(int x, int y) { return image().pixels[static_cast<size_t>(y) * image().width + x]; }
    // Whether every pixel of the image is the given colour.
    bool allPixels(std::uint32_t colour) {
        const auto& p = image().pixels;
        return !p.empty() && std::all_of(p.begin(), p.end(), [&](std::uint32_t v) { return v == colour; });
    }

    HostRef<devhost::Document> document;
    EditorWindow* editor = nullptr;
};

TEST_F(OutlineMaterial, DefaultSettingsGiveAGreyImageWithWhiteEdgesAndOneHistoryEntry) {
    open({face(0, 0, 1, 2, 0, 0, 1, 0, 1, 1)});
    MessageBoxAnswer answer(IDYES);
    createMaterial();
    EXPECT_EQ(answer.shown, 0) << "no texture: nothing to ask";

    std::vector<std::string> calls;
    for (const std::string& line : document->journal())
        if (line.rfind("LockFaces", 0) != 0 && line.rfind("UnlockFaces", 0) != 0) calls.push_back(line);
    const std::vector<std::string> expected = {
        R"(BeginUndoGroup("Create Outline Material"))", "GetModel()", R"(CreateImage("OutlineImage",0,0))",
        "SetPixels(256,256,0,1024,ptr,0,0)", R"(CreateTexture("Create Texture"))", "Commit(1)",
        R"(CreateMaterial("Outlines"))", "SetTexture(0,ptr,0)", "EndUndoGroup(1)"};
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected);
    EXPECT_EQ(document->undoDescriptions().back(), L"Create Outline Material");
    EXPECT_EQ(document->lockCount(), 0);

    ASSERT_EQ(document->images().size(), 1u);
    ASSERT_EQ(document->materials().size(), 1u);
    const devhost::Image& made = *document->images()[0].Get();
    EXPECT_EQ(made.name(), L"OutlineImage");
    EXPECT_EQ(made.commits(), 1);
    EXPECT_EQ(document->materials()[0]->name(), L"Outlines");
    EXPECT_EQ(document->materials()[0]->image(), &made);

    ASSERT_EQ(image().width, 256);
    ASSERT_EQ(image().height, 256);
    // Triangle (0, 0), (1, 0), (1, 1): u = 1 and v = 1 land on pixel 255.
    for (int x = 0; x < 256; x += 15) EXPECT_EQ(pixel(x, 0), kWhite) << "top edge at " << x;
    for (int y = 0; y < 256; y += 15) EXPECT_EQ(pixel(255, y), kWhite) << "right edge at " << y;
    EXPECT_EQ(pixel(128, 128), kWhite) << "diagonal";
    EXPECT_EQ(pixel(200, 100), kGrey) << "inside";
    EXPECT_EQ(pixel(20, 200), kGrey) << "outside";
}

TEST_F(OutlineMaterial, LayoutIsShiftedToItsSmallestCornerWithTheCanvasSizeAsExtent) {
    SettingsKey().writeDword("CanvasWidth", 301);
    SettingsKey().writeDword("CanvasHeight", 201);
    // u 0.5 .. 1 on W - 1 = 300 gives columns 150 .. 300; v 0.25 .. 1 on H - 1 = 200
    // gives rows 50 .. 200. Shifted: (0, 0), (150, 0), (150, 150).
    open({face(0, 0, 1, 2, 0.5f, 0.25f, 1, 0.25f, 1, 1)});
    createMaterial();
    ASSERT_EQ(image().width, 301);
    ASSERT_EQ(image().height, 201);
    EXPECT_EQ(pixel(0, 0), kWhite);
    EXPECT_EQ(pixel(150, 0), kWhite);
    EXPECT_EQ(pixel(151, 0), kGrey);
    EXPECT_EQ(pixel(150, 150), kWhite);
    EXPECT_EQ(pixel(150, 151), kGrey);
    EXPECT_EQ(pixel(75, 75), kWhite) << "diagonal";
    EXPECT_EQ(pixel(300, 200), kGrey);
}

TEST_F(OutlineMaterial, FacesHiddenInTheEditorAreDrawnFacesOutsideTheFilterAreNot) {
    SettingsKey().writeDword("CanvasWidth", 257);  // W - 1 = 256: u 0.5 is column 128
    SettingsKey().writeDword("CanvasHeight", 257);
    open({face(0x0038, 0, 1, 2, 0.5f, 0.5f, 1, 0.5f, 1, 1),     // every corner hidden in the editor
          face(0x0002, 0, 1, 3, 0, 0, 0.25f, 0, 0, 0.25f),      // hidden in 3D: outside the filter
          face(0, 0, 1, 2, NAN, 0, 0, 0, 0, 0)});               // broken host data
    createMaterial();
    ASSERT_EQ(image().width, 257);
    // Only the hidden face counts: its corner (0.5, 0.5) lands on (0, 0).
    EXPECT_EQ(pixel(0, 0), kWhite);
    EXPECT_EQ(pixel(128, 0), kWhite);
    EXPECT_EQ(pixel(128, 128), kWhite);
    EXPECT_EQ(pixel(64, 64), kWhite) << "diagonal";
    EXPECT_EQ(pixel(129, 0), kGrey);
    EXPECT_EQ(pixel(0, 64), kGrey) << "the face hidden in 3D left no edge at column 0";
}

TEST_F(OutlineMaterial, TextureBackgroundOnlyWhenTheQuestionIsAnsweredYes) {
    // No mesh: the image is the background alone. Texture rows are distinct, first row first.
    std::vector<std::uint32_t> texels(12);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | static_cast<std::uint32_t>(0x101010 * (i + 1));
    open();
    LONG id = document->addTexture(L"bricks", 4, 3, texels);
    editor->controls().selectTexture(id);
    editor->canvas()->loadTexture(id);
    ASSERT_TRUE(editor->canvas()->textureBitmap);

    {
        MessageBoxAnswer answer(IDNO);
        createMaterial();
        EXPECT_EQ(answer.shown, 1);
        EXPECT_EQ(answer.caption, "Create Material With Outlines");
        EXPECT_EQ(answer.text, "Use texture as background?");
    }
    ASSERT_EQ(image().width, 4);
    ASSERT_EQ(image().height, 3);
    EXPECT_TRUE(allPixels(kGrey)) << "No: a plain background although a texture is shown";

    {
        MessageBoxAnswer answer(IDYES);
        createMaterial();
        EXPECT_EQ(answer.shown, 1);
    }
    ASSERT_EQ(document->images().size(), 2u);
    EXPECT_EQ(image().pixels, texels) << "Yes: the texture, row 0 its first row";
}

}  // namespace
