// The "User Defined" projections with the Choose Matrix dialog, driven as a user drives
// them: the menu command to the real editor on a development host document, then, from
// a timer inside the dialog's modal loop, presses and drags on the dialog's windows.
// The frame is read back as the host sees it: the matrix the dialog hands to DrawMesh.
#include <cmath>
#include <cstdio>

#include "dialogs/ChooseMatrix.h"
#include "dialogs/ModalDialogTest.h"
#include "model/Angles.h"
#include "resource.h"

using devhost::DevFace;
using devhost::DevVertex;

namespace {

constexpr double kDegrees = DEGREES_TO_RADIANS;

// UVs (u0, 0.2), (u0 + 0.1, 0.25), (u0 + 0.2, 0.3).
DevFace face(uint16_t a, uint16_t b, uint16_t c, uint16_t flags, float u0) {
    return meshtest::face(flags, a, b, c, u0, 0.2f, u0 + 0.1f, 0.25f, u0 + 0.2f, 0.3f);
}

// Two selected faces over a bent quad; a third face selected but for one locked corner
// on a far vertex, and a fourth not selected at all.
std::vector<DevVertex> meshVertices() {
    using meshtest::vertex;
    return {vertex(0, 0, 0), vertex(2, 0, 0), vertex(2, 1, 1), vertex(0, 1, 3), vertex(100, 100, 100)};
}
std::vector<DevFace> meshFaces() {
    return {face(0, 1, 2, UV_SELECTED_ALL, 0.1f), face(0, 2, 3, UV_SELECTED_ALL, 0.3f),
            face(1, 4, 2, UV_SELECTED_ALL | UV_LOCKED << 1, 0.5f), face(0, 3, 4, 0, 0.7f)};
}
// Mean of the vertices of the selected unlocked corners: (10, 4, 6) / 8 over faces 0 to 2,
// within the bounds (0, 0, 0) to (2, 1, 3).
const float kCentroid[3] = {1.25f, 0.5f, 0.75f};

// Row vectors, the translation in the fourth.
using Frame = std::array<float, 16>;
float at(const Frame& frame, int row, int column) { return frame[size_t(4 * row + column)]; }

void expectRow(const Frame& frame, int row, double x, double y, double z, const char* what) {
    const double expected[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(at(frame, row, k), expected[k], 1e-5) << what << ", row " << row;
}

constexpr char kCaption[] = "Choose Matrix";

class ChooseMatrixTest : public modaltest::ModalDialogTest {
protected:
    void SetUp() override {
        ModalDialogTest::SetUp();
        open(meshFaces(), meshVertices());
        document_->clearJournal();
    }

    // Runs a "User Defined" command; the script runs inside its modal loop.
    void run(int command, std::function<void(HWND)> script) {
        ModalDialogTest::run(command, kCaption, std::move(script));
    }

    static HWND control(HWND dialog) { return GetWindow(GetDlgItem(dialog, IDC_MATRIX_FRAME), GW_CHILD); }
    static MatrixLayout layoutOf(HWND control) {
        RECT client = {};
        GetClientRect(control, &client);
        return matrixLayout(client.right, client.bottom);
    }
    static void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // Press at from, move in steps to to, release.
    static void drag(HWND control, POINT from, POINT to, int steps = 4) {
        SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(from.x, from.y));
        SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        for (int i = 1; i <= steps; ++i) {
            const int x = from.x + (to.x - from.x) * i / steps, y = from.y + (to.y - from.y) * i / steps;
            SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        }
        SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    }

    // The frame as the dialog draws it into a 3D view.
    Frame frame() {
        devhost::ViewHost& views = document_->viewHost();
        views.clearDrawCalls();
        views.drawViews(1, 0);
        EXPECT_EQ(views.drawMeshCalls().size(), 1u);
        return views.drawMeshCalls().empty() ? Frame{} : views.drawMeshCalls().back().matrix;
    }
};

// ---- Geometry of the control ------------------------------------------------------

TEST(ChooseMatrixControl, HandlesWinOverInside) {
    const MatrixLayout layout = matrixLayout(161, 130);  // centre (80, 65), radius 60
    EXPECT_EQ(layout.radius, 60);
    // A handle outside the circle still counts; a point on the circle is outside.
    const int expected[][3] = {{144, 69, MATRIX_HORIZONTAL_HANDLES}, {76, 128, MATRIX_VERTICAL_HANDLES},
                               {80, 11, MATRIX_INSIDE}, {140, 70, MATRIX_OUTSIDE}};
    for (const auto& e : expected) EXPECT_EQ(matrixRegionAt(layout, e[0], e[1]), e[2]) << e[0] << ", " << e[1];
}

// ---- The dialog ---------------------------------------------------------------------

TEST_F(ChooseMatrixTest, PresetZIsTheWorldFrameAtTheCentroidAndRepeatsExactly) {
    const std::vector<DevFace> before = faces();
    std::vector<DevFace> first, second;
    run(ID_MAPPING_PLANAR_USER_DEFINED, [&](HWND dialog) {
        press(dialog, IDC_PRESET_POS_X);
        expectRow(frame(), 2, 1, 0, 0, "+X");
        press(dialog, IDC_PRESET_POS_Z);
        EXPECT_EQ(frame(), (Frame{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, kCentroid[0], kCentroid[1], kCentroid[2], 1}));
        first = faces();
        press(dialog, IDC_PRESET_POS_Z);
        second = faces();
        press(dialog, IDCANCEL);
    });
    EXPECT_TRUE(sameFaces(first, second));
    EXPECT_FALSE(sameFaces(first, before)) << "the preview re-projected";
    EXPECT_EQ(std::memcmp(&first[2].uv[1], &before[2].uv[1], 8), 0) << "a locked corner keeps its UV";
    EXPECT_EQ(std::memcmp(&first[3], &before[3], sizeof(DevFace)), 0) << "an unselected face is left alone";
    command(ID_MAPPING_PLANAR_POS_Z);
    EXPECT_TRUE(sameFaces(faces(), first)) << "the same projection as the Planar \"+Z\" command";
}

TEST_F(ChooseMatrixTest, DragsTurnAboutTheWorldVerticalTheFramesOwnXOrTwistAboutZ) {
    run(ID_MAPPING_BOX_USER_DEFINED, [&](HWND dialog) {
        HWND matrix = control(dialog);
        const MatrixLayout l = layoutOf(matrix);
        // Inside, 20 pixels to the left: +10 degrees about y, the vertical staying put.
        drag(matrix, {l.centreX + 10, l.centreY}, {l.centreX - 10, l.centreY});
        Frame f = frame();
        expectRow(f, 1, 0, 1, 0, "horizontal drag");
        expectRow(f, 2, std::sin(10 * kDegrees), 0, std::cos(10 * kDegrees), "horizontal drag");
        expectRow(f, 3, kCentroid[0], kCentroid[1], kCentroid[2], "horizontal drag");
        // 30 pixels down: +15 degrees about the frame's own (turned) x axis.
        const Frame turned = f;
        drag(matrix, {l.centreX, l.centreY - 15}, {l.centreX, l.centreY + 15}, 3);
        f = frame();
        const double c = std::cos(15 * kDegrees), s = std::sin(15 * kDegrees);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(at(f, 0, k), at(turned, 0, k), 1e-5) << "the x axis stays";
            EXPECT_NEAR(at(f, 1, k), c * at(turned, 1, k) + s * at(turned, 2, k), 1e-5);
            EXPECT_NEAR(at(f, 2, k), -s * at(turned, 1, k) + c * at(turned, 2, k), 1e-5);
        }
        // Tilted, 20 pixels to the right still turns about the world's vertical (-10
        // degrees): every axis keeps its height.
        const Frame tilted = f;
        drag(matrix, {l.centreX - 10, l.centreY + 5}, {l.centreX + 10, l.centreY + 5});
        f = frame();
        const double cy = std::cos(-10 * kDegrees), sy = std::sin(-10 * kDegrees);
        for (int row = 0; row < 3; ++row) {
            EXPECT_NEAR(at(f, row, 0), cy * at(tilted, row, 0) + sy * at(tilted, row, 2), 1e-5) << "row " << row;
            EXPECT_NEAR(at(f, row, 1), at(tilted, row, 1), 1e-5) << "row " << row;
        }
        // Outside, from the top left corner to the top right one: a twist about the frame's
        // z axis by the change of the polar angle (clockwise on the screen is negative).
        press(dialog, IDC_PRESET_POS_Z);
        RECT client = {};
        GetClientRect(matrix, &client);
        const POINT from = {2, 2}, to = {client.right - 3, 2};
        auto angle = [&](POINT p) {
            return std::atan2(p.y - client.bottom * 0.5, p.x - client.right * 0.5) / kDegrees + 360.0;
        };
        const double twist = angle(from) - angle(to);
        drag(matrix, from, to, 1);
        f = frame();
        expectRow(f, 0, std::cos(twist * kDegrees), std::sin(twist * kDegrees), 0, "twist");
        expectRow(f, 2, 0, 0, 1, "twist keeps z");
        press(dialog, IDOK);
    });
}

TEST_F(ChooseMatrixTest, HandleDragsIgnoreTheOtherAxisAndShowTheirCursors) {
    run(ID_MAPPING_CYLINDRICAL_USER_DEFINED, [&](HWND dialog) {
        HWND matrix = control(dialog);
        const MatrixLayout l = layoutOf(matrix);
        const POINT left = {l.centreX - l.radius, l.centreY};
        SendMessageA(matrix, WM_MOUSEMOVE, 0, MAKELPARAM(left.x, left.y));
        SendMessageA(matrix, WM_SETCURSOR, reinterpret_cast<WPARAM>(matrix), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_CURSOR_TURN_Y)));
        drag(matrix, left, {left.x - 10, left.y + 30});  // only the 10 pixels to the left count
        expectRow(frame(), 2, std::sin(5 * kDegrees), 0, std::cos(5 * kDegrees), "left handle");
        press(dialog, IDC_PRESET_POS_Z);
        const POINT top = {l.centreX, l.centreY - l.radius};
        drag(matrix, top, {top.x + 30, top.y + 10});  // only the 10 pixels down count
        expectRow(frame(), 2, 0, -std::sin(5 * kDegrees), std::cos(5 * kDegrees), "top handle");
        press(dialog, IDOK);
    });
}

TEST_F(ChooseMatrixTest, CancelCloseBoxEscapeAndQuitPutEveryUVBack) {
    const std::vector<DevFace> before = faces();
    const size_t history = entries();
    const std::function<void(HWND)> ends[] = {
        [](HWND dialog) { press(dialog, IDCANCEL); },
        [](HWND dialog) { SendMessageA(dialog, WM_CLOSE, 0, 0); },
        [](HWND dialog) { PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0); },
        [](HWND) { PostQuitMessage(7); },
    };
    for (const auto& end : ends) {
        run(ID_MAPPING_BOX_USER_DEFINED, [&](HWND dialog) {
            drag(control(dialog), {40, 40}, {70, 60});
            press(dialog, IDC_PRESET_NEG_Y);
            EXPECT_FALSE(sameFaces(faces(), before));
            end(dialog);
        });
        EXPECT_TRUE(sameFaces(faces(), before) && entries() == history && called("EndUndoGroup(0)"));
        EXPECT_TRUE(IsWindowEnabled(window_) && IsWindowEnabled(host_)) << "the owners are enabled again";
        EXPECT_EQ(document_->viewHost().callbackCount(), 0u);
        document_->clearJournal();
    }
    MSG quit = {};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit goes on to the host";
    EXPECT_EQ(quit.wParam, 7u);
}

TEST_F(ChooseMatrixTest, OkKeepsOneEntryNamedAfterTheKindAndHideTexloomHidesTheEditorMeanwhile) {
    const struct { int command; const wchar_t* entry; const char* shape; } kinds[] = {
        {ID_MAPPING_PLANAR_USER_DEFINED, L"Planar UV Mapping", "MakeBox("},
        {ID_MAPPING_BOX_USER_DEFINED, L"Box UV Mapping", "MakeBox("},
        {ID_MAPPING_CYLINDRICAL_USER_DEFINED, L"Cylindrical UV Mapping", "MakeCylinder("},
        {ID_MAPPING_SPHERICAL_USER_DEFINED, L"Spherical UV Mapping", "MakeSphere("},
    };
    ShowWindow(window_, SW_SHOWNA);
    for (const auto& kind : kinds) {
        const std::vector<DevFace> before = faces();
        const size_t history = entries();
        run(kind.command, [&](HWND dialog) {
            EXPECT_FALSE(IsWindowEnabled(host_) || IsWindowEnabled(window_));
            click(dialog, IDC_HIDE_EDITOR);
            EXPECT_TRUE(!IsWindowVisible(window_) && IsWindowVisible(dialog));
            click(dialog, IDC_HIDE_EDITOR);
            EXPECT_TRUE(IsWindowVisible(window_));
            click(dialog, IDC_HIDE_EDITOR);
            press(dialog, IDC_PRESET_POS_X);
            press(dialog, IDOK);
        });
        EXPECT_TRUE(IsWindowVisible(window_)) << "closing brings the editor back, checked or not";
        EXPECT_TRUE(IsWindowEnabled(host_) && IsWindowEnabled(window_));
        ASSERT_EQ(entries(), history + 1);
        EXPECT_EQ(document_->undoDescriptions().back(), kind.entry);
        EXPECT_TRUE(called(kind.shape)) << kind.command;
        EXPECT_FALSE(sameFaces(faces(), before));
        document_->undo();
        EXPECT_TRUE(sameFaces(faces(), before)) << "one undo step takes the whole projection back";
        document_->clearJournal();
    }
}

TEST_F(ChooseMatrixTest, DrawsTheGuideAndTripodUnderItsOwnDrawStatesAndPaintsTheCircle) {
    devhost::ViewHost& views = document_->viewHost();
    views.SetDrawState(7, 5);
    views.SetDrawState(6, 0x1234);
    views.viewScale = 2.0f;
    document_->clearJournal();
    run(ID_MAPPING_PLANAR_USER_DEFINED, [&](HWND dialog) {
        // Registered, the guide built around the selection, the views asked to redraw.
        EXPECT_EQ(views.callbackCount(), 1u);
        EXPECT_LT(indexOf("Advise"), indexOf("MakeBox("));
        EXPECT_LT(indexOf("MakeBox("), indexOf("RedrawViews(1)"));
        const float dx = kCentroid[0] - 2, dy = kCentroid[1] - 1, dz = kCentroid[2] - 3;  // farthest corner
        const float r = 1.1f * std::sqrt(dx * dx + dy * dy + dz * dz);
        float width = 0, height = 0, depth = -1;
        std::sscanf(journal()[indexOf("MakeBox(")].c_str(), "MakeBox(%f,%f,%f", &width, &height, &depth);
        EXPECT_TRUE(std::fabs(width - 2 * r) < 1e-5f && std::fabs(height - 2 * r) < 1e-5f && depth == 0.0f)
            << width << " x " << height << " x " << depth;

        document_->clearJournal();
        views.drawViews(5, 9);
        const std::vector<std::string> expected = {
            "SetDrawState(1,0)", "GetDrawState(7)", "GetDrawState(6)", "SetDrawState(7,1)",
            "SetDrawState(6,3654932953)", "DrawMesh(5,ptr,ptr,4294901760,0,1,0)", "SetDrawState(7,5)",
            "SetDrawState(6,4660)", "GetViewScale(5,9)", "DrawAxes(5,ptr,100,71,0)", "SetDrawState(1,1)",
        };
        EXPECT_EQ(journal(), expected);
        ASSERT_EQ(views.drawMeshCalls().size(), 1u);
        ASSERT_TRUE(views.drawMeshCalls()[0].mesh);
        EXPECT_EQ(views.drawMeshCalls()[0].mesh->triangleCount(), 4u) << "a plane of two sides";
        EXPECT_EQ(views.drawAxesCalls()[0].matrix, views.drawMeshCalls()[0].matrix);

        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        uitest::pump(100);
        HWND matrix = control(dialog);
        const MatrixLayout l = layoutOf(matrix);
        const uitest::Capture capture = uitest::captureClient(matrix);
        EXPECT_EQ(capture.at(l.centreX, l.centreY), uitest::rgb(GetSysColor(COLOR_WINDOW)));
        EXPECT_EQ(capture.at(l.centreX - l.radius, l.centreY), 0xFF0000u) << "left handle";
        EXPECT_EQ(capture.at(l.centreX + 1, l.centreY + l.radius - 1), 0xFF0000u) << "bottom handle";
        document_->clearJournal();
        press(dialog, IDOK);
    });
    EXPECT_TRUE(views.callbackCount() == 0u && called("Unadvise(") && called("RedrawViews(1)"));
}

}  // namespace
