// The canvas painted into its back buffer over a development-host mesh, checked pixel
// by pixel; its zoom arithmetic, host subscription and texture background.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "DevHost.h"
#include "canvas/UVCanvas.h"
#include "support/MeshFixture.h"
#include "support/UiTestSupport.h"

namespace {

using devhost::DevFace;
using devhost::DevVertex;
using meshtest::face;  // built with the flag bits the canvas must ignore

using uitest::rgb;

constexpr COLORREF kBack = RGB(0x99, 0x66, 0x33);  // distinct channels catch swapped bytes
constexpr COLORREF kLine = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kSel = RGB(0xFF, 0x00, 0x00);
constexpr COLORREF kLocked = RGB(0x00, 0x00, 0xFF);

// A canvas of 200 x 200 pixels whose extent is 100 x 100 canvas units at zoom 1 and
// pan (20, 20): UV (u, v) is drawn at pixel (100 u + 20, 100 v + 20).
class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = devhost::Document::create();
        canvas = UVCanvas::make();
        canvas->setDocument(document.Get());
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 900, 700, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent);
        ASSERT_TRUE(canvas->create(parent, RECT{0, 0, 200, 200}));
        canvas->setCanvasSize(100, 100);
        CanvasView& view = canvas->view;
        view.faceFilter = FACE_FILTER_ALL;
        view.panX = view.panY = 20;
        view.backColor = kBack, view.lineColor = kLine, view.selColor = kSel, view.lockedColor = kLocked;
        view.showGrid = false;
    }
    void TearDown() override {
        if (parent) DestroyWindow(parent);
    }

    void useFaces(std::vector<DevFace> faces, std::vector<DevVertex> vertices = meshtest::vertices(3)) {
        document->setMesh(std::move(faces), std::move(vertices));
        HostRef<HostMesh> mesh;
        document->GetActiveMesh(mesh.GetAddressOf());
        canvas->setMesh(mesh.Get());
    }

    void render() { ASSERT_TRUE(canvas->renderBackBuffer()); }
    std::uint32_t pixel(int x, int y) const {
        SIZE size = canvas->backBufferSize();
        EXPECT_TRUE(x >= 0 && y >= 0 && x < size.cx && y < size.cy);
        return canvas->backBufferPixels()[y * size.cx + x] & 0x00FFFFFFu;
    }
    // Each point's pixel, 0x00RRGGBB.
    struct Expected {
        int x, y;
        std::uint32_t colour;
    };
    void expectPixels(std::initializer_list<Expected> points, const char* what) const {
        for (const Expected& p : points) EXPECT_EQ(pixel(p.x, p.y), p.colour) << what << " at " << p.x << ", " << p.y;
    }
    int count(COLORREF colour) const {
        SIZE size = canvas->backBufferSize();
        int n = 0;
        for (int i = 0; i < size.cx * size.cy; ++i)
            if ((canvas->backBufferPixels()[i] & 0x00FFFFFFu) == rgb(colour)) ++n;
        return n;
    }

    HostRef<devhost::Document> document;
    HostRef<UVCanvas> canvas;
    HWND parent = nullptr;
};

TEST_F(CanvasTest, GridIsALatticeOfInvertedPixelsWithARedOrigin) {
    canvas->view.showGrid = true;
    canvas->view.panX = 25, canvas->view.panY = 15;
    useFaces({});
    render();
    const std::uint32_t inverted = ~rgb(kBack) & 0x00FFFFFFu, red = 0x00FF0000u;
    expectPixels({{25, 15, red}, {35, 105, inverted}, {36, 105, rgb(kBack)}, {35, 106, rgb(kBack)}}, "grid");
    // Columns 5, 15, ..., 195 and the same rows, less the origin.
    EXPECT_EQ(count(RGB(0x66, 0x99, 0xCC)), 20 * 20 - 1);

    // Below 3 pixels of spacing nothing is drawn, not even the origin; zoom level 1
    // doubles the spacing to 4.
    canvas->view.gridSpacing = 2;
    render();
    EXPECT_EQ(count(RGB(0x66, 0x99, 0xCC)), 0);
    EXPECT_EQ(pixel(25, 15), rgb(kBack));
    canvas->setZoomLevel(0, 0, 1);
    render();
    expectPixels({{50, 30, red}, {54, 34, inverted}, {52, 32, rgb(kBack)}}, "zoom 2");
}

TEST_F(CanvasTest, FaultAndStretchDisplaysFillFacesUnderTheirEdges) {
    // Faces 0 and 1 share edge 0-1 and fold over it: a tie, so the one seen from the back
    // (1) is flipped, and 0 overlaps it. Face 2 stands alone; hidden face 3 lies on it.
    const std::vector<DevVertex> corners = {meshtest::vertex(0, 0, 0), meshtest::vertex(0, 1, 0),
                                            meshtest::vertex(1, 0, 0)};
    useFaces({face(0, 0, 1, 2, 0.1f, 0.1f, 0.1f, 0.9f, 0.5f, 0.5f), face(0, 1, 0, 2, 0.1f, 0.9f, 0.1f, 0.1f, 0.5f, 0.2f),
              face(0, 0, 1, 2, 1.0f, 1.0f, 1.0f, 1.8f, 1.8f, 1.0f),
              face(UV_HIDDEN_ALL, 0, 1, 2, 1.0f, 1.0f, 1.0f, 1.8f, 1.8f, 1.0f)},
             corners);
    render();
    const std::vector<std::uint32_t> plain(canvas->backBufferPixels(), canvas->backBufferPixels() + 200 * 200);
    const POINT onlyOverlapping{60, 70}, onlyFlipped{60, 45}, alone{140, 140};
    const std::uint32_t back = rgb(kBack);
    // A tint as shown: three quarters of its colour (with `half`, half-way from white to
    // it) over a quarter of the background.
    auto tinted = [&](std::uint32_t colour, bool half) {
        std::uint32_t shown = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const std::uint32_t c = (colour >> shift) & 0xFF, mixed = half ? 255 - (255 - c) / 2 : c;
            shown |= (mixed * 3 / 4 + ((back >> shift) & 0xFF) / 4) << shift;
        }
        return shown;
    };

    // Orange flipped, reddish purple overlapping; a hidden face neither overlaps nor is
    // tinted; edges are drawn over the fills.
    canvas->view.showFaults = true;
    render();
    const std::uint32_t flipped = tinted(0xE69F00, false);
    expectPixels({{onlyOverlapping.x, onlyOverlapping.y, tinted(0xCC79A7, false)}, {onlyFlipped.x, onlyFlipped.y, flipped},
                  {alone.x, alone.y, back}, {100, 150, back}, {30, 70, rgb(kLine)}}, "faults");
    canvas->view.panX += 10;  // the fills follow the view
    render();
    EXPECT_EQ(pixel(onlyFlipped.x + 10, onlyFlipped.y), flipped);
    canvas->view.panX -= 10;
    canvas->view.showStretch = true;  // faults win where both show
    render();
    EXPECT_EQ(pixel(onlyFlipped.x, onlyFlipped.y), flipped);

    // An edit is seen after its change event, in a move drag too (the colours follow
    // it); switched off, the frame is as before.
    canvas->view.showStretch = false;
    render();
    canvas->view.tool = TOOL_DRAG_MOVE;
    SendMessageA(canvas->window(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    document->changeMesh([](std::vector<DevFace>& faces, std::vector<DevVertex>&) { faces[1].flags |= UV_HIDDEN; });
    render();
    EXPECT_EQ(pixel(onlyOverlapping.x, onlyOverlapping.y), back) << "face 0 alone now, while dragging";
    SendMessageA(canvas->window(), WM_LBUTTONUP, 0, 0);
    canvas->view.tool = TOOL_SELECT_UV_COORDS;
    canvas->view.showFaults = false;
    document->changeMesh([](std::vector<DevFace>& faces, std::vector<DevVertex>&) { faces[1].flags &= ~UV_HIDDEN; });
    render();
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), canvas->backBufferPixels()));

    // Stretch: twice the UV area on half the 3D area of the other face (a face with a
    // hidden corner counts for neither) is compressed by 2, half-way to red; the other
    // is stretched out by 2, half-way to blue.
    useFaces({face(0, 0, 1, 2, 0.1f, 0.1f, 0.1f, 0.9f, 0.9f, 0.1f), face(0, 0, 1, 3, 1.0f, 1.0f, 1.0f, 1.4f, 1.8f, 1.0f),
              face(UV_HIDDEN, 0, 1, 3, 0.1f, 1.0f, 0.1f, 1.9f, 0.9f, 1.0f)},
             {meshtest::vertex(0, 0, 0), meshtest::vertex(0, 1, 0), meshtest::vertex(1, 0, 0), meshtest::vertex(2, 0, 0)});
    canvas->view.showStretch = true;
    render();
    expectPixels({{50, 50, tinted(0xB2182B, true)}, {140, 130, tinted(0x2166AC, true)}}, "stretch");
}

TEST_F(CanvasTest, SelectedLockedCornerIsDrawnOnceInTheSelectionColour) {
    // Corner 0 selected and locked at (70, 70); corner 1 locked only at (150, 70).
    useFaces({face(UV_SELECTED | UV_LOCKED | (UV_LOCKED << 1), 0, 1, 2, 0.5f, 0.5f, 1.3f, 0.5f, 0.5f, 1.3f)});
    render();
    // The selected corner's box side at 67 with no thick locked pen around it; the
    // unselected locked corner's three pixels wide; edge 0-1 between them.
    expectPixels({{67, 70, rgb(kSel)}, {66, 70, rgb(kBack)}, {68, 71, rgb(kBack)}, {147, 72, rgb(kLocked)},
                  {146, 72, rgb(kLocked)}, {110, 70, rgb(kLine)}},
                 "locked corners");
}

TEST_F(CanvasTest, HiddenCornersHideTheirEdgesAndFilteredFacesAreNotDrawn) {
    // Face 1: corner 2 hidden; face 2: corners 1 and 2 hidden.
    useFaces({face(UV_HIDDEN << 2, 0, 1, 2, 0.1f, 0.1f, 0.9f, 0.1f, 0.1f, 0.9f),
              face((UV_HIDDEN << 1) | (UV_HIDDEN << 2), 0, 1, 2, 0.5f, 1.5f, 1.5f, 1.5f, 1.5f, 0.5f)});
    render();
    // Face 1: edge 0-1 only, no box at the hidden corner; face 2: no edge, only the box
    // of its visible corner at (70, 170).
    expectPixels({{70, 30, rgb(kLine)}, {30, 70, rgb(kBack)}, {70, 70, rgb(kBack)}, {27, 110, rgb(kBack)},
                  {120, 170, rgb(kBack)}, {67, 170, rgb(kLine)}},
                 "hidden corners");

    useFaces({face(FACE_HIDDEN, 0, 1, 2, 0.1f, 0.1f, 0.9f, 0.1f, 0.1f, 0.9f)});
    render();
    EXPECT_EQ(count(kLine), 0);
    canvas->view.faceFilter = FACE_FILTER_SELECTED_IN_3D;  // only faces selected in 3D
    useFaces({face(FACE_SELECTED, 0, 1, 2, 0.1f, 0.1f, 0.9f, 0.1f, 0.1f, 0.9f)});
    render();
    EXPECT_EQ(pixel(70, 30), rgb(kLine));
}

TEST_F(CanvasTest, SelectTrianglesToolEmphasisesFullySelectedTriangles) {
    // A fully selected triangle; edge 1-2 runs from (170, 30) through (100, 100) to
    // (30, 170), away from the selection box's frame.
    useFaces({face(UV_SELECTED_ALL, 0, 1, 2, 0.1f, 0.1f, 1.5f, 0.1f, 0.1f, 1.5f)});
    canvas->view.handleSize = 1;
    render();
    expectPixels({{100, 100, rgb(kLine)}, {27, 30, rgb(kSel)}}, "tool 1: edges plain, corners selected");
    canvas->view.tool = 2;
    render();
    EXPECT_EQ(pixel(100, 100), rgb(kSel)) << "tool 2: edges in the selection colour";
    canvas->view.tool = 15, canvas->view.savedTool = 2;  // a drag started from tool 2
    render();
    EXPECT_EQ(pixel(100, 100), rgb(kSel));
    // Two corners selected: not emphasised.
    canvas->view.tool = 2, canvas->view.savedTool = 0;
    useFaces({face(UV_SELECTED | (UV_SELECTED << 1), 0, 1, 2, 0.1f, 0.1f, 1.5f, 0.1f, 0.1f, 1.5f)});
    render();
    EXPECT_EQ(pixel(100, 100), rgb(kLine));
}

TEST_F(CanvasTest, TextureBackgroundShowsItsFirstRowAtTheTop) {
    // 4 x 2 texture: row 0 dark blue-ish, row 1 orange.
    const std::uint32_t top = 0xFF102030, bottom = 0xFFF08010;
    LONG id = document->addTexture(L"two rows", 4, 2, {top, top, top, top, bottom, bottom, bottom, bottom});
    useFaces({});
    canvas->loadTexture(id);
    EXPECT_TRUE(canvas->extent().cx == 4 && canvas->extent().cy == 2);
    canvas->setZoomLevel(0, 0, 9);  // zoom 10: a 40 x 20 tile
    canvas->view.panX = 2, canvas->view.panY = 1;  // tile at (20, 10)
    render();
    expectPixels({{25, 12, top & 0xFFFFFFu}, {55, 27, bottom & 0xFFFFFFu}, {65, 12, rgb(kBack)}, {5, 5, rgb(kBack)}},
                 "one tile");
    canvas->view.tileTexture = true;
    render();
    // The next tile to the right, and the one above and to the left.
    expectPixels({{65, 12, top & 0xFFFFFFu}, {5, 5, bottom & 0xFFFFFFu}}, "tiled");

    canvas->view.showTexture = false;
    render();
    EXPECT_EQ(pixel(25, 12), rgb(kBack));

    canvas->loadTexture(0);  // "< no texture >"
    EXPECT_FALSE(canvas->hasTextureImage());
    EXPECT_EQ(canvas->extent().cx, 100);
}

TEST_F(CanvasTest, TexturePixelRefreshIsCoalescedAndAFlaggedRefreshReloads) {
    LONG id = document->addTexture(L"big", 64, 64, std::vector<std::uint32_t>(64 * 64, 0xFF000000));
    useFaces({});
    canvas->loadTexture(id);  // drawn 1:1 from pixel (20, 20)
    document->changeTexturePixels(id, 0, 0, 10, 10, std::vector<std::uint32_t>(100, 0xFF123456));
    document->changeTexturePixels(id, 50, 50, 60, 60, std::vector<std::uint32_t>(100, 0xFF654321));
    render();
    EXPECT_EQ(pixel(20, 20), 0u) << "not copied before the quiet period";
    uitest::pump(400);
    render();
    // Both changes copied, not only the last; texture row 55 shown 55 rows down.
    expectPixels({{20, 20, 0x123456u}, {75, 75, 0x654321u}}, "refreshed");

    // A refresh with its flag set reloads the whole image, new size included.
    document->replaceTexture(id, 32, 16, std::vector<std::uint32_t>(32 * 16, 0xFFABCDEF));
    EXPECT_TRUE(canvas->extent().cx == 32 && canvas->extent().cy == 16);
    render();
    EXPECT_EQ(pixel(20 + 31, 20 + 15), 0xABCDEFu);
}

// The zoom arithmetic of an 800 x 600 canvas; the handles around a selection are the
// tools' tests, which read them drawn where they hit.
class CanvasZoomTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        SetWindowPos(canvas->window(), nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
        resetView();
    }
    void resetView() {
        CanvasView& view = canvas->view;
        view.zoom = 1, view.zoomLevel = 0, view.panX = view.panY = 0;
    }
    void expectZoom(float zoom, int level, const char* what) {
        EXPECT_NEAR(canvas->view.zoom, zoom, 1e-4) << what;
        EXPECT_EQ(canvas->view.zoomLevel, level) << what;
    }
};

TEST_F(CanvasZoomTest, ZoomToRectFitsTheLargerRatioWithAMarginAndLimitsTinyZoom) {
    canvas->zoomToRect(RECT{0, 0, 60, 300});
    expectZoom(1.0f / ((40.0f / 600.0f + 1.0f) * 0.5f), 0, "1.875 - 1 truncates to level 0");
    resetView();
    canvas->zoomToRect(RECT{0, 0, 100000, 10});
    expectZoom(0.05f, -19, "fitted levels are not clamped");

    resetView();
    canvas->zoomToRect(RECT{100, 50, 100, 50});
    expectZoom(1.0f, 0, "a zero-size region only recentres");
    EXPECT_TRUE(canvas->view.panX == 300.0f && canvas->view.panY == 250.0f);

    // Extent 100 x 100: UV (0.5, 0.5)-(1.5, 1.0) is pixels (50, 50)-(150, 100).
    resetView();
    canvas->zoomToUVRect(0.5f, 0.5f, 1.5f, 1.0f);
    EXPECT_EQ(canvas->view.zoomLevel, 6);
    POINT centre = canvas->uvToPixel(1.0f, 0.75f);
    EXPECT_TRUE(std::abs(centre.x - 400) <= 1 && std::abs(centre.y - 300) <= 1) << centre.x << ", " << centre.y;
}

// Steps about a point are the wheel's, checked with the canvas tools.
TEST_F(CanvasZoomTest, ZoomStepsAreClampedAndMappingsRound) {
    canvas->setZoomLevel(0, 0, 40);
    expectZoom(20.0f, 19, "above the range");
    canvas->setZoomLevel(0, 0, -9);
    expectZoom(0.2f, -4, "below the range");
    canvas->view.panX = 7;
    canvas->setZoomLevel(500, 0, -4);  // same level: nothing changes
    EXPECT_FLOAT_EQ(canvas->view.panX, 7.0f);

    resetView();
    canvas->view.panX = 0.3f;
    canvas->view.zoom = 2;
    // (1.3 * 2 + 0.5, -0.2 * 2 + 0.5); -2 + 0.5 = -1.5 truncates toward zero.
    const POINT p = canvas->canvasToPixel(1.0f, -0.2f), q = canvas->canvasToPixel(0.0f, -1.0f);
    EXPECT_TRUE(p.x == 3 && p.y == 0 && q.y == -1) << p.x << ", " << p.y << "; " << q.y;
    float u = 0, v = 0;
    canvas->pixelToUV(50, 100, u, v);
    EXPECT_TRUE(u == (25.0f - 0.3f) / 100.0f && v == 0.5f) << u << ", " << v;
}

}  // namespace
