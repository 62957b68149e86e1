// "Create Material With Outlines" from the editor's Edit menu on a development host
// document: the host calls, the pixels the host received, and the texture question,
// answered by a hook as a user answers it.
#include <cmath>

#include "resource.h"
#include "support/EditorFixture.h"

namespace {

using meshtest::face;

constexpr std::uint32_t kGrey = 0xFF9F9F9F, kWhite = 0xFFFFFFFF;

// Answers the thread's message boxes (dialogs with a Yes button) with one button.
struct MessageBoxAnswer {
    static inline int button = IDNO, shown = 0;
    static inline std::string caption, text;
    HHOOK hook = SetWindowsHookExA(WH_CBT, onCbt, nullptr, GetCurrentThreadId());
    explicit MessageBoxAnswer(int answer) { button = answer, shown = 0; }
    ~MessageBoxAnswer() { UnhookWindowsHookEx(hook); }

    static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam) {
        HWND box = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && GetDlgItem(box, IDYES)) {
            char buffer[64] = {};
            GetWindowTextA(box, buffer, sizeof buffer);
            caption = buffer;
            GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the message text
            text = buffer;
            ++shown;
            PostMessageA(box, WM_COMMAND, button, 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

class OutlineMaterial : public EditorFixture {
protected:
    // Opens the editor on the faces and runs the command; the image the host received.
    const devhost::Pixels32& createMaterial(std::vector<devhost::DevFace> faces, int answer = IDNO) {
        if (!faces.empty()) document_->setMesh(std::move(faces), meshtest::vertices(3));
        if (!window_) openWindow();
        MessageBoxAnswer box(answer);
        document_->clearJournal();
        command(ID_EDIT_CREATE_MATERIAL_WITH_OUTLINES);
        static const devhost::Pixels32 none;
        return document_->images().empty() ? none : document_->images().back()->image();
    }
};

std::uint32_t at(const devhost::Pixels32& image, int x, int y) {
    return image.pixels.at(static_cast<size_t>(y) * image.width + x);
}

TEST_F(OutlineMaterial, DefaultSettingsGiveAGreyImageWithWhiteEdgesInOneHistoryEntry) {
    const auto& image = createMaterial({face(0, 0, 1, 2, 0, 0, 1, 0, 1, 1)}, IDYES);
    EXPECT_EQ(MessageBoxAnswer::shown, 0) << "no texture: nothing to ask";
    std::vector<std::string> calls;  // without the drawing's LockFaces and UnlockFaces
    for (const std::string& line : document_->journal())
        if (line.find("ockFaces(") == std::string::npos) calls.push_back(line);
    calls.resize(9);
    EXPECT_EQ(calls, (std::vector<std::string>{
                         R"(BeginUndoGroup("Create Outline Material"))", "GetModel()",
                         R"(CreateImage("OutlineImage",0,0))", "SetPixels(256,256,0,1024,ptr,0,0)",
                         R"(CreateTexture("Create Texture"))", "Commit(1)", R"(CreateMaterial("Outlines"))",
                         "SetTexture(0,ptr,0)", "EndUndoGroup(1)"}));
    EXPECT_EQ(document_->undoDescriptions(), std::vector<std::wstring>{L"Create Outline Material"});
    EXPECT_EQ(document_->materials().at(0)->image(), document_->images().at(0).Get());
    ASSERT_EQ(image.width * image.height, 256 * 256);
    // Triangle (0, 0), (1, 0), (1, 1): u = 1 and v = 1 land on pixel 255.
    for (int i = 0; i < 256; i += 15) EXPECT_TRUE(at(image, i, 0) == kWhite && at(image, 255, i) == kWhite) << i;
    EXPECT_EQ(at(image, 128, 128), kWhite) << "diagonal";
    EXPECT_EQ(at(image, 200, 100), kGrey);
    EXPECT_EQ(at(image, 20, 200), kGrey);
}

TEST_F(OutlineMaterial, LayoutOfTheFilteredFacesIsShiftedToItsSmallestCorner) {
    SettingsKey().writeDword("CanvasWidth", 301);  // W - 1 = 300, H - 1 = 200
    SettingsKey().writeDword("CanvasHeight", 201);
    // Columns 150 .. 300 and rows 50 .. 200, shifted to (0, 0), (150, 0), (150, 150).
    const auto& image = createMaterial({face(UV_HIDDEN_ALL, 0, 1, 2, 0.5f, 0.25f, 1, 0.25f, 1, 1),  // hidden in UV
                                        face(FACE_HIDDEN, 0, 1, 2, 0, 0, 0, 0.2f, 0.2f, 0),          // hidden in 3D
                                        face(0, 0, 1, 2, NAN, 0, 0, 0, 0, 0)});
    ASSERT_TRUE(image.width == 301 && image.height == 201);
    // The last point: no edge of the face outside the filter.
    const struct { int x, y; std::uint32_t colour; } points[] = {
        {150, 0, kWhite}, {151, 0, kGrey}, {150, 150, kWhite}, {150, 151, kGrey}, {75, 75, kWhite}, {0, 40, kGrey}};
    for (const auto& p : points) EXPECT_EQ(at(image, p.x, p.y), p.colour) << p.x << ", " << p.y;
}

TEST_F(OutlineMaterial, StoredCanvasSizesThatNoImageCanHaveMakeNone) {
    for (const DWORD size : {0x7FFFFFFFu, 0x80000000u, 0u}) {  // bytes beyond any count; negative; none
        SettingsKey().writeDword("CanvasWidth", size);
        SettingsKey().writeDword("CanvasHeight", size);
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
        createMaterial({face(0, 0, 1, 2, 0, 0, 1, 0, 1, 1)});
        EXPECT_TRUE(document_->images().empty()) << size;
    }
}

TEST_F(OutlineMaterial, TheTextureIsTheBackgroundOnlyWhenTheAnswerIsYes) {
    std::vector<std::uint32_t> texels(12);  // 4 x 3, every pixel distinct, first row first
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | static_cast<std::uint32_t>(0x10101 * i);
    openWindow();  // no mesh: the background alone
    LONG id = document_->addTexture(L"bricks", 4, 3, texels);
    editor_->canvas()->loadTexture(id);

    const auto& plain = createMaterial({}, IDNO);
    EXPECT_EQ(MessageBoxAnswer::shown, 1);
    EXPECT_EQ(MessageBoxAnswer::caption, "Create Material With Outlines");
    EXPECT_EQ(MessageBoxAnswer::text, "Use texture as background?");
    EXPECT_EQ(plain.pixels, std::vector<std::uint32_t>(12, kGrey));
    EXPECT_EQ(createMaterial({}, IDYES).pixels, texels);
}

}  // namespace
