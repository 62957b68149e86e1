// The "UV Editor Settings" dialog on a real editor: its fields and colour boxes filled
// from the canvas, typed into and pressed from inside its modal loop.
#include "dialogs/ModalDialogTest.h"

#include "resource.h"

namespace {

constexpr char kCaption[] = "UV Editor Settings";

class SettingsDialogTest : public modaltest::ModalDialogTest {
protected:
    void SetUp() override {
        ModalDialogTest::SetUp();
        open({meshtest::face(UV_SELECTED_ALL, 0, 1, 2, 0.2f, 0.1f, 0.4f, 0.1f, 0.4f, 0.5f)}, meshtest::vertices(3));
    }
};

TEST_F(SettingsDialogTest, DoneDiscardsApplyKeepsAndTheRegistryWaitsForTheEditorToClose) {
    run(ID_VIEW_SETTINGS, kCaption, [&](HWND dialog) {
        if (uitest::englishNumbers()) {
            EXPECT_EQ(textOf(dialog, IDC_WELD_EPSILON), "0.001000");
        }
        EXPECT_EQ(textOf(dialog, IDC_GRID_SPACING) + " " + textOf(dialog, IDC_CANVAS_HEIGHT), "10 256");
        type(dialog, IDC_GRID_SPACING, "25");
        type(dialog, IDC_SNAP_ANGLE, "45");
        type(dialog, IDC_WELD_EPSILON, "not a number");
        type(dialog, IDC_CANVAS_WIDTH, "128");
        type(dialog, IDC_CANVAS_HEIGHT, "64");
        press(dialog, IDC_APPLY);
        EXPECT_EQ(canvas().view.gridSpacing, 25) << "applied while the dialog stays open";
        type(dialog, IDC_GRID_SPACING, "99");
        type(dialog, IDC_SNAP_ANGLE, "46");
        press(dialog, IDCANCEL);
    });
    const CanvasView& view = canvas().view;
    EXPECT_TRUE(view.gridSpacing == 25 && view.angleStep == 45.0f) << "Done discards what was not applied";
    EXPECT_TRUE(view.epsilon == 0.0f && view.canvasWidth == 128);
    EXPECT_TRUE(canvas().extent().cx == 128 && canvas().extent().cy == 64) << "without a texture, the extent at once";
    DWORD stored = 0;
    EXPECT_FALSE(SettingsKey().readDword("GridSpacing", stored));
    DestroyWindow(window_);
    window_ = nullptr;
    EXPECT_TRUE(SettingsKey().readDword("GridSpacing", stored) && stored == 25);
}

TEST_F(SettingsDialogTest, TheBoxesShowTheCanvasColoursAndEnterAppliesAndCloses) {
    const struct { int frame; COLORREF CanvasView::*color; COLORREF value; } swatches[] = {
        {IDC_VERT_COLOR, &CanvasView::lineColor, 0x102030},   {IDC_SEL_VERT_COLOR, &CanvasView::selColor, 0x405060},
        {IDC_LOCKED_COLOR, &CanvasView::lockedColor, 0x708090}, {IDC_BACK_COLOR, &CanvasView::backColor, 0xA0B0C0},
        {IDC_HANDLE_COLOR, &CanvasView::handleColor, 0x00FF80},
    };
    for (const auto& swatch : swatches) canvas().view.*swatch.color = swatch.value;
    run(ID_VIEW_SETTINGS, kCaption, [&](HWND dialog) {
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        uitest::pump(100);
        for (const auto& swatch : swatches) {
            HWND box = uitest::findChild(GetDlgItem(dialog, swatch.frame), "ColorBox");
            ASSERT_NE(box, nullptr) << swatch.frame;
            const uitest::Capture capture = uitest::captureClient(box);
            ASSERT_GT(capture.width, 0);
            EXPECT_EQ(capture.at(capture.width / 2, capture.height / 2), uitest::rgb(swatch.value))
                << swatch.frame;
        }
        type(dialog, IDC_GRID_SPACING, "40");
        pressEnterIn(dialog, IDC_GRID_SPACING);
    });
    EXPECT_EQ(canvas().view.gridSpacing, 40);
    for (const auto& swatch : swatches) EXPECT_EQ(canvas().view.*swatch.color, swatch.value) << "applied unchanged";
}

}  // namespace
