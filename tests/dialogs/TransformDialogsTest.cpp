// The Move, Rotate and Scale dialogs on a real editor: opened by their menu commands,
// typed into and pressed from inside their modal loops, the records, the host's history
// and the registry read back.
#include "dialogs/ModalDialogTest.h"

#include <array>
#include <cmath>

#include "resource.h"

namespace {

// Face 0 wholly selected; face 1 with corner 0 selected, corner 1 selected but locked
// and corner 2 not selected. The editable corners span (0.2, 0.1) to (0.4, 0.5); with
// the locked one the selection's centre is (0.2, 0.3).
std::vector<devhost::DevFace> meshFaces() {
    return {meshtest::face(UV_SELECTED_ALL, 0, 1, 2, 0.2f, 0.1f, 0.4f, 0.1f, 0.4f, 0.5f),
            meshtest::face(0x04C0, 0, 1, 2, 0.2f, 0.5f, 0.0f, 0.1f, 0.9f, 0.9f)};
}

// Smallest u and v, largest u and v.
using Box = std::array<float, 4>;

// The locale's text of a number, as a user types it.
std::string local(float value, int digits) { return FormatNumber(value, digits, true, true); }

std::string stored(const char* name) {
    char text[32] = {};
    return SettingsKey().readString(name, text) ? text : "<missing>";
}

class TransformDialogTest : public modaltest::ModalDialogTest {
protected:
    void SetUp() override {
        ModalDialogTest::SetUp();
        open(meshFaces(), meshtest::vertices(3));
    }

    Box editable() {
        Box box = {1e9f, 1e9f, -1e9f, -1e9f};
        for (const float* uv : {faces()[0].uv[0], faces()[0].uv[1], faces()[0].uv[2], faces()[1].uv[0]})
            box = {std::fmin(box[0], uv[0]), std::fmin(box[1], uv[1]), std::fmax(box[2], uv[0]), std::fmax(box[3], uv[1])};
        return box;
    }
    void expectBox(Box expected, const char* what) {
        const Box box = editable();
        for (size_t k = 0; k < 4; ++k) EXPECT_NEAR(box[k], expected[k], 1e-5f) << what << ", bound " << k;
    }
    void expectLeftAlone() {
        EXPECT_EQ(faces()[1].uv[1][0], 0.0f) << "locked";
        EXPECT_EQ(faces()[1].uv[2][1], 0.9f) << "not selected";
    }
};

TEST_F(TransformDialogTest, MoveAbsoluteLandsTheMinimumCornerAndEnterAppliesAndCloses) {
    const size_t history = entries();
    run(ID_TRANSFORM_MOVE, "Move", [&](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(host_) || IsWindowEnabled(window_));
        RECT own = {}, editor = {};
        GetWindowRect(dialog, &own);
        GetWindowRect(window_, &editor);
        EXPECT_NEAR(own.left + own.right, editor.left + editor.right, 2) << "centred on the editor";
        EXPECT_NEAR(own.top + own.bottom, editor.top + editor.bottom, 2);
        EXPECT_EQ(textOf(dialog, IDC_VALUE_U), local(0, 1));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ABSOLUTE), BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_ABSOLUTE, BST_CHECKED);
        type(dialog, IDC_VALUE_U, local(0.25f, 2).c_str());
        type(dialog, IDC_VALUE_V, local(0.5f, 1).c_str());
        pressEnterIn(dialog, IDC_VALUE_V);
    });
    EXPECT_TRUE(IsWindowEnabled(host_));
    expectBox({0.25f, 0.5f, 0.45f, 0.9f}, "moved, extent kept");
    expectLeftAlone();
    EXPECT_TRUE(entries() == history + 1 && document_->undoDescriptions().back() == L"Move UV Coords");
}

TEST_F(TransformDialogTest, ScaleAbsoluteGivesTheTargetExtentAboutThePivotSetAtOpening) {
    const size_t history = entries();
    run(ID_TRANSFORM_SCALE, "Scale", [&](HWND dialog) {
        EXPECT_EQ(textOf(dialog, IDC_VALUE_V), local(1, 1));
        CheckDlgButton(dialog, IDC_ABSOLUTE, BST_CHECKED);
        type(dialog, IDC_VALUE_U, "1");
        type(dialog, IDC_VALUE_V, "1");
        press(dialog, IDC_APPLY);
        // Factors 5 and 2.5 about (0.2, 0.3), the centre with the locked corner.
        expectBox({0.2f, -0.2f, 1.2f, 0.8f}, "absolute");
        CheckDlgButton(dialog, IDC_ABSOLUTE, BST_UNCHECKED);
        type(dialog, IDC_VALUE_U, "2");
        press(dialog, IDC_APPLY);
        expectBox({0.2f, -0.2f, 2.2f, 0.8f}, "relative, about the same pivot");
        press(dialog, IDCANCEL);
    });
    expectLeftAlone();
    EXPECT_TRUE(entries() == history + 2 && document_->undoDescriptions().back() == L"Scale UV Coords");

    // All editable corners on one v: that axis has no extent and keeps its scale.
    document_->changeMesh([](auto& f, auto&) {
        f[0].uv[0][1] = f[0].uv[1][1] = f[0].uv[2][1] = f[1].uv[0][1] = 0.3f;
    });
    run(ID_TRANSFORM_SCALE, "Scale", [&](HWND dialog) {
        CheckDlgButton(dialog, IDC_ABSOLUTE, BST_CHECKED);
        type(dialog, IDC_VALUE_U, "1");
        type(dialog, IDC_VALUE_V, "3");
        press(dialog, IDOK);
    });
    const Box box = editable();
    EXPECT_TRUE(std::fabs(box[2] - box[0] - 1.0f) < 1e-5f && box[1] == 0.3f && box[3] == 0.3f);
}

TEST_F(TransformDialogTest, QuarterTurnsComeBackEachAnEntryAndTheTypedAngleIsInDegrees) {
    const std::vector<devhost::DevFace> before = faces();
    const size_t history = entries();
    auto expectBack = [&](const char* what) {
        for (int f = 0; f < 2; ++f)
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 2; ++k) EXPECT_NEAR(faces()[f].uv[c][k], before[f].uv[c][k], 1e-5) << what;
    };
    run(ID_TRANSFORM_ROTATE, "Rotate", [&](HWND dialog) {
        press(dialog, IDC_ROTATE_90);
        EXPECT_NE(faces()[0].uv[0][0], before[0].uv[0][0]);
        type(dialog, IDC_ANGLE, "-90");
        press(dialog, IDC_APPLY);
        expectBack("+90 then -90");
        press(dialog, IDC_ROTATE_270);
        press(dialog, IDC_ROTATE_90);
        expectBack("three quarter turns and one");
        press(dialog, IDC_ROTATE_180);
        press(dialog, IDC_ROTATE_180);
        EXPECT_EQ(textOf(dialog, IDC_ANGLE), "-90") << "the buttons leave the field";
        press(dialog, IDCANCEL);
    });
    expectBack("two half turns");
    EXPECT_TRUE(entries() == history + 6 && document_->undoDescriptions().back() == L"Rotate UV Coords");
}

TEST_F(TransformDialogTest, DoneStoresTheTypedTextsWhichTheNextOpeningShows) {
    const std::vector<devhost::DevFace> before = faces();
    const std::string longText(40, '7');
    run(ID_TRANSFORM_MOVE, "Move", [&](HWND dialog) {
        type(dialog, IDC_VALUE_U, "left a bit");
        type(dialog, IDC_VALUE_V, longText.c_str());
        CheckDlgButton(dialog, IDC_ABSOLUTE, BST_CHECKED);
        press(dialog, IDCANCEL);
    });
    EXPECT_TRUE(sameFaces(faces(), before));
    EXPECT_EQ(stored("MoveU"), "left a bit");
    EXPECT_EQ(stored("MoveV"), longText.substr(0, 31));
    run(ID_TRANSFORM_MOVE, "Move", [&](HWND dialog) {
        EXPECT_EQ(textOf(dialog, IDC_VALUE_U) + "|" + textOf(dialog, IDC_VALUE_V), "left a bit|" + longText.substr(0, 31));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ABSOLUTE), BST_CHECKED);
        SendMessageA(dialog, WM_CLOSE, 0, 0);  // the close box
    });
    run(ID_TRANSFORM_ROTATE, "Rotate", [&](HWND dialog) {
        EXPECT_EQ(textOf(dialog, IDC_ANGLE), local(0, 1));
        type(dialog, IDC_ANGLE, "quarter");
        press(dialog, IDCANCEL);
    });
    EXPECT_EQ(stored("RotateAngle"), "quarter");
    EXPECT_EQ(stored("ScaleU"), "<missing>");
}

// Run by dialogs_tests_german with a German user locale, whose decimal separator is the comma.
class GermanLocale : public TransformDialogTest {};

TEST_F(GermanLocale, CommaDecimalsAreShownAndRead) {
    if (GetUserDefaultLCID() != 0x0407) GTEST_SKIP() << "runs with a German user locale";
    run(ID_TRANSFORM_MOVE, "Move", [&](HWND dialog) {
        EXPECT_EQ(textOf(dialog, IDC_VALUE_U), "0,0");
        type(dialog, IDC_VALUE_U, "0,25");
        type(dialog, IDC_VALUE_V, "-0,5");
        press(dialog, IDOK);
    });
    expectBox({0.45f, -0.4f, 0.65f, 0.0f}, "moved by (0.25, -0.5)");
}

}  // namespace
