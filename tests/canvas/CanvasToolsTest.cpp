// The canvas's mouse tools and transform handles, driven as a user drives them: mouse
// messages to the real canvas window of an editor on a development host document, then
// the records, the host's history and call journal, the view and the status panes.
#include "canvas/TransformHandles.h"
#include "model/Angles.h"
#include "resource.h"
#include "support/EditorFixture.h"

using devhost::DevFace;
using meshtest::face;

namespace {

// With the extent 256, zoom 1 and pan 50 that the fixture sets, the selection box of
// the whole square (UV 0.1 .. 0.6) is pixels 76 .. 204 on both axes, centre 140.
class CanvasTools : public EditorFixture {
protected:
    // The canvas at 800 x 600 with a fixed view.
    void open(std::vector<DevFace> faces) {
        openSquare(std::move(faces));
        MoveWindow(canvas().window(), 0, 20, 800, 600, FALSE);
        CanvasView& view = canvas().view;
        view.zoom = 1.0f, view.zoomLevel = 0, view.panX = view.panY = 50.0f, view.showGrid = false;
    }

    HWND canvasWindow() { return canvas().window(); }
    void send(UINT message, int x, int y, WPARAM keys = 0) {
        SendMessageA(canvasWindow(), message, keys, MAKELPARAM(x, y));
    }
    void press(int x, int y) { send(WM_LBUTTONDOWN, x, y, MK_LBUTTON); }
    void moveTo(int x, int y) { send(WM_MOUSEMOVE, x, y, MK_LBUTTON); }
    void release(int x, int y) { send(WM_LBUTTONUP, x, y); }
    void drag(int x0, int y0, int x1, int y1) {
        press(x0, y0);
        moveTo(x1, y1);
        release(x1, y1);
    }
    void wheel(int clientX, int clientY, int delta) {
        POINT screen = {clientX, clientY};
        ClientToScreen(canvasWindow(), &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(canvasWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, short(delta)), MAKELPARAM(screen.x, screen.y));
    }

    std::string status(int pane) {
        return uitest::windowText(editor_->controls().control(pane == 1 ? UVControls::StatusPane1
                                                                        : UVControls::StatusPane2));
    }
    // The journal's undo and edit brackets, in order.
    std::vector<std::string> edits() {
        std::vector<std::string> lines;
        for (const std::string& line : journal())
            if (line.rfind("Begin", 0) == 0 || line.rfind("End", 0) == 0) lines.push_back(line);
        return lines;
    }
    size_t journalCount(const std::string& line) {
        return size_t(std::count(journal().begin(), journal().end(), line));
    }
};

// ---- Picking -------------------------------------------------------------------

TEST_F(CanvasTools, RubberBandReplacesShiftAddsCtrlToggles) {
    open(square());
    // Around the corners at UV (0.1, 0.1): pixel 76.
    drag(60, 60, 90, 90);
    EXPECT_EQ(allFlags(), (std::vector<int>{UV_SELECTED, UV_SELECTED}));
    EXPECT_EQ(journalCount(R"(BeginEdit(0,16,13,"Select UV Coords"))"), 1u);

    // Shift on a selected corner adds by rubber band instead of moving it.
    uitest::holdModifierKeys(true, false);
    drag(76, 76, 210, 60);  // also (0.6, 0.1)
    EXPECT_EQ(flags(0), UV_SELECTED | UV_SELECTED << 1);
    EXPECT_EQ(journalCount(R"(BeginUndoGroup("Move UV Coords"))"), 0u);

    // Ctrl toggles (Shift wins): a click without movement picks within the corner box's radius.
    uitest::holdModifierKeys(true, true);
    drag(206, 206, 206, 206);
    EXPECT_EQ(flags(0), UV_SELECTED | UV_SELECTED << 1 | UV_SELECTED << 2);
    uitest::holdModifierKeys(false, true);
    drag(206, 206, 206, 206);
    EXPECT_EQ(flags(0), UV_SELECTED | UV_SELECTED << 1);

    // A plain click off every corner and handle replaces the selection with nothing.
    uitest::holdModifierKeys(false, false);
    drag(400, 400, 400, 400);
    EXPECT_EQ(allFlags(), (std::vector<int>{0, 0}));
}

TEST_F(CanvasTools, TriangleToolMovesWholeTrianglesAndBandsOverPartlySelectedOnes) {
    std::vector<DevFace> mesh = square();
    mesh[1].flags |= 0x00C0;  // face 1 partly selected
    open(mesh);
    canvas().view.tool = 2;
    uitest::holdModifierKeys(true, false);
    drag(178, 101, 178, 101);  // a click inside face 0 adds it
    uitest::holdModifierKeys(false, false);
    EXPECT_EQ(allFlags(), (std::vector<int>{UV_SELECTED_ALL, 0x00C0}));

    // Inside the fully selected face 0: a free move, snapped to the grid.
    press(180, 100);
    EXPECT_EQ(canvas().view.tool, 4);
    moveTo(185, 100);
    release(185, 100);
    EXPECT_EQ(canvas().view.tool, 2);
    EXPECT_NEAR(faces()[0].uv[0][0], 0.1f + 4.4f / 256, 1e-6f);  // 25.6 + 4.4 = 30
    EXPECT_NEAR(faces()[0].uv[0][1], 0.1f + 4.4f / 256, 1e-6f);
    EXPECT_EQ(history().back(), L"Move UV Coords");

    // Inside the partly selected face 1, also within the box: a band.
    document_->clearJournal();
    press(100, 180);
    EXPECT_EQ(canvas().view.tool, 2);
    release(100, 180);
    EXPECT_EQ(journalCount(R"(BeginUndoGroup("Move UV Coords"))"), 0u);
}

// ---- Handles ---------------------------------------------------------------------

TEST_F(CanvasTools, HandleTestHitsWhereTheHandlesAreDrawnAndShowsTheirCursors) {
    open(square(UV_SELECTED_ALL));
    const float box[4] = {25.6f, 25.6f, 153.6f, 153.6f};
    const struct { int x, y, hit; } places[] = {
        {71, 71, 5},    {140, 71, 6},   {209, 71, 7},   {209, 140, 8},  {209, 209, 9},  {140, 209, 10},
        {71, 209, 11},  {71, 140, 12},  {56, 56, 13},   {224, 56, 14},  {224, 224, 15}, {56, 224, 16},
        {140, 56, 4},   {224, 140, 4},  {140, 224, 4},  {56, 140, 4},   {100, 71, 2},   {100, 209, 2},
        {71, 100, 3},   {209, 100, 3},  {77, 77, 1},    {100, 160, -1}, {56, 100, -1},  {300, 300, -1},
    };
    ASSERT_TRUE(canvas().renderBackBuffer());
    const std::uint32_t* pixels = canvas().backBufferPixels();
    const int width = canvas().backBufferSize().cx;
    for (const auto& p : places) {
        EXPECT_EQ(canvas().handleTest(p.x, p.y, box), p.hit) << p.x << ", " << p.y;
        if (p.hit >= 4) {
            EXPECT_EQ(pixels[p.y * width + p.x] & 0xFFFFFF, 0x00FF00u) << p.x << ", " << p.y;
        }
    }
    EXPECT_EQ(canvas().handleTest(71, 66, box), 5) << "the handle's top edge";
    const HandleBox narrow = handleBox({90, 100}, {110, 104});  // widened to 30 both ways
    EXPECT_TRUE(narrow.x0 == 85 && narrow.x1 == 115 && narrow.y0 == 87 && narrow.y1 == 117);
    // In the triangle tool, the inside hit is a fully selected triangle, not a corner.
    canvas().view.tool = 2;
    EXPECT_EQ(canvas().handleTest(100, 160, box), 1);

    // The cursor of the place under the pointer.
    canvas().view.tool = 1;
    const std::pair<POINT, int> cursors[] = {{{209, 140}, IDC_CURSOR_SCALE_RIGHT},
                                             {{140, 56}, IDC_CURSOR_ROTATE},
                                             {{77, 77}, IDC_CURSOR_MOVE}};
    for (const auto& [point, resource] : cursors) {
        POINT screen = point;
        ClientToScreen(canvasWindow(), &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(canvasWindow(), WM_SETCURSOR, WPARAM(canvasWindow()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(resource))) << resource;
    }
}

TEST_F(CanvasTools, MoveSnapsTheBoxCornerToTheGridAndIsOneHistoryEntry) {
    // Selection box from canvas (3, 160): u = 3 / 256.
    const float u0 = 3.0f / 256, v0 = 160.0f / 256;
    open({face(UV_SELECTED_ALL, 0, 1, 2, u0, v0, 0.5f, v0, 0.5f, 0.75f)});
    press(53, 210);  // on corner 0
    EXPECT_EQ(canvas().view.tool, 4);
    EXPECT_EQ(edits(), (std::vector<std::string>{R"(BeginUndoGroup("Move UV Coords"))",
                                                 R"(BeginEdit(0,4,13,"Move UV Coords"))"}));

    moveTo(57, 210);  // 4 pixels: 3 + 4 snaps to 10
    EXPECT_NEAR(faces()[0].uv[0][0], 10.0f / 256, 1e-6f);
    EXPECT_NEAR(faces()[0].uv[1][0], 0.5f + 7.0f / 256, 1e-6f);
    EXPECT_FLOAT_EQ(faces()[0].uv[0][1], v0);
    EXPECT_EQ(status(1) + "|" + status(2), "position: 10.00, 160.00|");
    EXPECT_TRUE(edits().size() == 3u && edits().back() == "EndEdit()");

    moveTo(58, 211);  // still on 10: no edit
    EXPECT_EQ(edits().size(), 3u);
    moveTo(54, 210);  // 1 pixel: 3 + 1 snaps to 0
    EXPECT_NEAR(faces()[0].uv[0][0], 0.0f, 1e-6f);
    EXPECT_EQ(edits().size(), 4u);

    // Back to the start: the coordinates are as they were, the entry is still kept.
    canvas().view.snapToGrid = false;
    moveTo(53, 210);
    EXPECT_FLOAT_EQ(faces()[0].uv[0][0], u0);
    release(53, 210);
    EXPECT_EQ(edits().back(), "EndUndoGroup(1)");
    EXPECT_EQ(history(), std::vector<std::wstring>{L"Move UV Coords"});
    EXPECT_TRUE(canvas().view.tool == 1 && canvas().view.savedTool == 0);
    EXPECT_EQ(editor_->model().snapshot.count(), 0);

    // The left edge band moves along u only.
    canvas().view.snapToGrid = true;
    press(48, 220);
    EXPECT_EQ(canvas().view.tool, 9);
    moveTo(78, 250);
    release(78, 250);
    EXPECT_NEAR(faces()[0].uv[0][0], 30.0f / 256, 1e-6f);
    EXPECT_FLOAT_EQ(faces()[0].uv[0][1], v0);
}

TEST_F(CanvasTools, SnapToCornersLandsTheDraggedCornerOnANearCornerBeforeTheGrid) {
    // Face 0 is selected (pixels 76 .. 127); face 1 is not, its corner 0 at pixel (178, 178).
    const struct {
        int pressX, pressY, toX, toY;
        int corner;     // of face 0: the dragged corner nearest the press
        float u, v;     // where it lands
        float within;
    } cases[] = {
        {76, 76, 181, 175, 0, 0.5f, 0.5f, 0},                           // a move caught 4 pixels off
        {76, 76, 190, 190, 0, 140.0f / 256, 140.0f / 256, 1e-6f},      // 12 pixels off: the grid
        {147, 147, 198, 198, 2, 0.5f, 0.5f, 1e-6f},                    // the outer corner scales onto it
    };
    for (const auto& k : cases) {
        open({face(UV_SELECTED_ALL, 0, 1, 2, 0.1f, 0.1f, 0.3f, 0.1f, 0.3f, 0.3f),
              face(0, 0, 1, 2, 0.5f, 0.5f, 0.7f, 0.5f, 0.7f, 0.7f)});
        canvas().view.snapToCorners = true;
        drag(k.pressX, k.pressY, k.toX, k.toY);
        EXPECT_NEAR(faces()[0].uv[k.corner][0], k.u, k.within) << k.toX;
        EXPECT_NEAR(faces()[0].uv[k.corner][1], k.v, k.within) << k.toX;
        EXPECT_EQ(faces()[1].uv[0][0], 0.5f) << "the target stays";
    }
}

TEST_F(CanvasTools, RotateHandleTurnsAboutTheBoxCentreInAngleSteps) {
    open(square(UV_SELECTED_ALL));
    press(224, 140);  // right rotation circle: angle 0.34 from the centre
    EXPECT_EQ(canvas().view.tool, 5);
    moveTo(139, 224);  // below the centre: 90.41, a turn of 90.07
    EXPECT_EQ(status(1), "angle: 90.000");
    release(139, 224);
    // On screen (v down) the turn is clockwise: the top-left corner goes top-right.
    EXPECT_NEAR(faces()[0].uv[0][0], 0.6f, 1e-5f);
    EXPECT_NEAR(faces()[0].uv[0][1], 0.1f, 1e-5f);
    EXPECT_NEAR(faces()[0].uv[2][0], 0.1f, 1e-5f);
    EXPECT_NEAR(faces()[0].uv[2][1], 0.6f, 1e-5f);
    EXPECT_EQ(history().back(), L"Rotate UV Coords");

    EXPECT_FLOAT_EQ(snapAngle(7.9f, 5.0f), 5.0f);
    EXPECT_FLOAT_EQ(snapAngle(-7.9f, 5.0f), -5.0f);
    const float unit[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    EXPECT_TRUE(triangleContains(unit, 0.25f, 0.25f));
    EXPECT_FALSE(triangleContains(unit, 0.5f, 0.0f)) << "on an edge";
}

TEST_F(CanvasTools, InnerHandlePastTheAnchorMirrorsAndOuterCornersScaleUniformly) {
    open(square(UV_SELECTED_ALL));
    press(209, 140);  // inner right: anchor at canvas x 25.6
    EXPECT_EQ(canvas().view.tool, 13);
    moveTo(9, 150);  // the handle to canvas -46.4, snapped to -50
    EXPECT_EQ(status(1), "size: 75.60, 128.00");
    release(9, 150);
    EXPECT_NEAR(faces()[0].uv[1][0], -50.0f / 256, 1e-5f);
    EXPECT_NEAR(faces()[0].uv[0][0], 0.1f, 1e-6f);
    EXPECT_FLOAT_EQ(faces()[0].uv[1][1], 0.1f) << "v is not scaled";
    EXPECT_EQ(history().back(), L"Scale UV Coords");

    document_->undo();
    press(224, 224);  // outer bottom-right: anchor at (25.6, 25.6)
    EXPECT_EQ(canvas().view.tool, 20);
    moveTo(244, 229);  // snapped to (170, 160): factors 1.128 and 1.05, the larger for both
    release(244, 229);
    const float s = (170.0f - 25.6f) / 128.0f;
    EXPECT_NEAR(faces()[0].uv[2][0], 0.1f + 0.5f * s, 1e-5f);
    EXPECT_NEAR(faces()[0].uv[2][1], 0.1f + 0.5f * s, 1e-5f);

    // Losing the capture ends the drag as a release does; the release that follows
    // does nothing more.
    document_->undo();
    press(140, 209);  // inner bottom
    EXPECT_EQ(canvas().view.tool, 15);
    moveTo(170, 240);  // sideways too, which the bottom handle does not follow
    EXPECT_NEAR(faces()[0].uv[1][0], 0.6f, 1e-6f);
    SendMessageA(canvasWindow(), WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(canvas().view.tool, 1);
    EXPECT_FALSE(document_->groupOpen());
    const size_t calls = journal().size();
    release(170, 240);
    EXPECT_EQ(journal().size(), calls);
    EXPECT_EQ(history(), std::vector<std::wstring>{L"Scale UV Coords"});
}

// ---- View ------------------------------------------------------------------------

TEST_F(CanvasTools, WheelZoomsOneStepAboutTheCursorAndFollowsTheHostPreference) {
    open(square());
    float x0, y0, x1, y1;
    canvas().pixelToCanvas(300, 200, x0, y0);
    wheel(300, 200, -120);  // toward the user
    EXPECT_EQ(canvas().view.zoomLevel, 1);
    canvas().pixelToCanvas(300, 200, x1, y1);
    EXPECT_TRUE(x1 == x0 && y1 == y0);

    wheel(300, 200, 60);  // less than a notch: out
    EXPECT_EQ(canvas().view.zoomLevel, 0);

    document_->setReverseWheel(1);
    wheel(300, 200, -120);
    EXPECT_EQ(canvas().view.zoomLevel, -1);
}

TEST_F(CanvasTools, ZoomRegionFitsTheFrameAndItsStatusShowsTheRange) {
    open(square());
    canvas().view.panX = canvas().view.panY = 0;
    canvas().view.tool = 7;
    press(100, 100);
    moveTo(200, 150);
    EXPECT_EQ(status(2), "{x,y} (100.00, 100.00)->(200.00, 150.00)=(100.00 x 50.00)");
    EXPECT_EQ(status(1), "{u,v} (0.391, 0.391)->(0.781, 0.586)=(0.391 x 0.195)");
    release(200, 150);
    EXPECT_EQ(canvas().view.zoomLevel, 6);  // the fit itself is zoomToRect's, checked with the canvas
    EXPECT_EQ(canvas().view.tool, 7);
    float x, y;  // the frame's centre (150, 125) is now at the client centre
    canvas().pixelToCanvas(400, 300, x, y);
    EXPECT_NEAR(x, 150.0f, 1e-3f);
    EXPECT_NEAR(y, 125.0f, 1e-3f);

    send(WM_MOUSEMOVE, 400, 300);
    EXPECT_EQ(status(2), "{x,y} (" + FormatNumber(x, 2, true, true) + ", " + FormatNumber(y, 2, true, true) + ")");
}

TEST_F(CanvasTools, RightDragPansExceptInTheZoomToolWhereClicksZoom) {
    open(square(UV_SELECTED_ALL));
    send(WM_RBUTTONDOWN, 140, 140, MK_RBUTTON);  // on the selection: still a pan
    send(WM_MOUSEMOVE, 170, 120, MK_RBUTTON);
    send(WM_RBUTTONUP, 170, 120);
    EXPECT_TRUE(canvas().view.panX == 80.0f && canvas().view.panY == 30.0f);
    EXPECT_TRUE(!canvas().dragging() && history().empty());

    canvas().view.tool = 3;  // the pan tool pans with the left button
    drag(100, 100, 90, 100);
    EXPECT_FLOAT_EQ(canvas().view.panX, 70.0f);

    canvas().view.tool = 6;
    send(WM_RBUTTONDOWN, 0, 0, MK_RBUTTON);
    send(WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(canvas().view.zoomLevel, -1);
    EXPECT_FLOAT_EQ(canvas().view.panX, 70.0f);
    press(0, 0);
    EXPECT_FALSE(canvas().dragging()) << "a zoom click starts no drag";
    release(0, 0);
    EXPECT_EQ(canvas().view.zoomLevel, 0);
}

}  // namespace
