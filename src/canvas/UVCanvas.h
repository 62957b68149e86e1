// The canvas child window of the editor: draws the UV layout of the active mesh over
// the background (texture or colour) and the grid, with the selection box and its
// handles, by its view settings (CanvasView: colours, flags, tool, zoom and pan).
// Its code by concern: UVCanvasWindow.cpp (creation, messages, paint), UVCanvasView.cpp
// (mappings, zoom), UVCanvasRender.cpp (back buffer, background, grid, selection box),
// UVCanvasLayout.cpp (edges and corner boxes), UVCanvasTints.cpp (fault and stretch
// tints), UVCanvasTexture.cpp (texture bitmap and its refresh), CanvasTools.cpp (mouse
// tools), TransformHandles.cpp (transform drags), CanvasHostEvents.cpp (host events)
// and OutlineMaterial.cpp (the outline image).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "canvas/CanvasDrawing.h"
#include "canvas/CanvasOwner.h"
#include "canvas/CanvasTool.h"
#include "canvas/CanvasView.h"
#include "canvas/CornerSnap.h"
#include "canvas/LayoutRaster.h"
#include "host/HostEventSinkImpl.h"
#include "model/Records.h"
#include "ops/LayoutQuality.h"
#include "platform/WindowBinding.h"

struct UVModel;

// Fills with the device context's own brush: no brush is made per frame.
void fillWithColour(HDC dc, const RECT& area, COLORREF colour);

class UVCanvas : public HostEventSinkImpl, public BoundWindow {
public:
    // Timer 1 copies the texture pixels the host announced, 200 ms after the last notice.
    static constexpr UINT_PTR kTextureRefreshTimer = 1;
    static constexpr UINT kTextureRefreshDelay = 200;
    static constexpr int kMinZoomLevel = -4;
    static constexpr int kMaxZoomLevel = 19;

    // A new canvas object with one reference, held by the returned pointer.
    static HostRef<UVCanvas> make();

    // Creates the window as a visible child of parent over rect (client coordinates of
    // parent). The window class is registered on first use.
    HWND create(HWND parent, const RECT& rect);

    void setOwner(CanvasOwner* editor) { owner_ = editor; }
    // Counted references: the new one is added before the old one is released.
    void setDocument(HostDocument* hostDocument);
    // Takes the mesh (may be null) and clears the background texture (loadTexture(-1)).
    void setMesh(HostMesh* hostMesh);
    // Used by the Settings dialog: stores the canvas size and, while no texture bitmap
    // exists, makes it the extent.
    void setCanvasSize(int width, int height);

    // Replaces the background by the document's texture with that identifier, or by
    // none (0 and -1 name no texture).
    void loadTexture(LONG identifier);

    // Mappings between UV, canvas units and client pixels. v grows downward.
    // Inline: the drawing loops call it for every corner.
    POINT canvasToPixel(float x, float y) const {
        const float z = view.zoom;
        return POINT{truncToInt((x + view.panX) * z + 0.5f), truncToInt((y + view.panY) * z + 0.5f)};
    }
    POINT uvToPixel(float u, float v) const;
    void pixelToUV(int px, int py, float& u, float& v) const;
    void pixelToCanvas(int px, int py, float& x, float& y) const;

    // Zoom steps -4 .. 19 (factor L + 1 above 0, 1 / (1 - L) below), keeping client
    // pixel (x, y) over the same canvas point.
    void setZoomLevel(int x, int y, int level);
    // Fits a client pixel rectangle into the window with a margin of about 20 pixels.
    void zoomToRect(const RECT& r);
    void zoomToUVRect(float uMin, float vMin, float uMax, float vMax);

    // Writes the mouse read-outs into the editor's status panes: 1 UV and drag values,
    // 2 canvas units (CanvasTools.cpp).
    void updateStatus();
    // Which transform handle, if any, lies under client pixel (x, y) for the selection
    // bounds given in canvas units (min x, min y, max x, max y): a hit code of
    // TransformHandles.h, or -1.
    int handleTest(int x, int y, const float bounds[4]);

    // Whole client area, without erasing.
    void invalidate();

    // The outline image's picture on dc (OutlineMaterial.cpp): over (0, 0) to the texture
    // size, the texture bitmap (with useTexture) or the background colour, then every
    // triangle of the face filter in the line colour at one pixel per canvas unit,
    // shifted so that the smallest corner lands on column 0 and row 0.
    void drawOutlines(HDC dc, bool useTexture);

    // Draws one frame into the back buffer (created at the client size when missing)
    // without showing it. False when no back buffer could be made. For the paint
    // handler and for tests, which read the pixels below.
    bool renderBackBuffer();
    // Top-down 32-bit pixels (0x00RRGGBB) of the back buffer, or null.
    const std::uint32_t* backBufferPixels() const { return backPixels_; }
    SIZE backBufferSize() const { return backSize_; }
    // A mouse button holds a drag (and the capture).
    bool dragging() const { return drag_.button != DRAG_NONE; }

    // Canvas units of the UV unit square: the texture's pixel size, or the canvas size
    // while no texture is loaded.
    SIZE extent() const { return SIZE{extentWidth_, extentHeight_}; }
    // The texture's size in pixels, or the canvas size while none is loaded (0 before
    // the first load).
    SIZE textureSize() const { return SIZE{textureWidth_, textureHeight_}; }
    // A texture image shows behind the layout (when view.showTexture is on).
    bool hasTextureImage() const { return textureBitmap_ != nullptr; }

    // How the canvas draws and what its tools do. Writers call invalidate() to show a change.
    CanvasView view;

protected:
    ~UVCanvas() override;

    HRESULT onNodeAdded(HostEvent& event) override;          // 4: texture added
    HRESULT onNodeDeleted(HostEvent& event) override;        // 8: texture deleted
    HRESULT onAttributeChanged(HostEvent& event) override;   // 128: texture renamed
    HRESULT onChanged(HostEvent& event) override;            // 32: mesh or selection changed
    HRESULT onCommandEvent(HostEvent& event) override;       // 0x20000: texture pixels changed

private:
    UVCanvas() = default;

    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The window keeps its object alive until its last message.
    void onBound() override { AddRef(); }
    void onUnbound() override { Release(); }
    LRESULT onCreate();
    void onDestroy();
    void onSize();
    LRESULT onPaint();
    void onTimer(UINT_PTR id);
    // Mouse tools (CanvasTools.cpp); presses and double clicks alike.
    LRESULT onSetCursor(WPARAM wParam, LPARAM lParam);
    void onLeftDown(int x, int y);
    void onLeftUp();
    void onMouseMove(int x, int y);
    void onRightDown(int x, int y);
    void onMiddleDown(int x, int y);
    void onRightOrMiddleUp(int button);
    void onCaptureChanged(HWND newCapture);
    void onMouseWheel(int delta);
    // A drag of button (1 left, 2 middle, 3 right) from (x, y), with the mouse captured.
    void beginDrag(int x, int y, int button);
    // Ends the drag: through the capture loss when the canvas holds the capture.
    void releaseDrag();
    void onCaptureLost();
    // Transform drags (TransformHandles.cpp).
    bool handlePress(int x, int y);
    void dragStep(int x, int y);
    // With Snap to Corners: the press displacement (dx, dy, canvas units) changed so that
    // the snapping corner lands on a target, and for moves the exact UV move; true then.
    bool snapToCorner(float& dx, float& dy, UVPoint& move);
    void endDrag();
    UVModel* model() const;

    bool ensureBackBuffer(HDC reference, const RECT& client);
    void deleteBackBuffer();
    void unloadTextureBitmap();
    // Composes one frame on dc; the grid only when the back buffer is the target.
    void drawFrame(HDC dc, const RECT& client, bool intoBackBuffer);
    void drawTextureBackground(HDC dc, const RECT& client);
    void drawGrid();
    // The fills under the edges while a display is on: per face record one tint,
    // made again only after a change of the mesh or of what the tints depend on.
    void prepareFaceTints();
    void drawFaceTints();
    // Edges and corner boxes through painter (pens, or pixels of the back buffer);
    // true with the bounds (min x, min y, max x, max y, canvas units) of the selected
    // visible corners when there are any.
    template <class Painter>
    bool drawLayout(Painter& painter, float selectionBounds[4]);
    class PenBatch;
    class PenPainter;
    class PixelPainter;
    // drawLayout into the back buffer's pixels (stamps prepared), or with pens on dc.
    bool drawLayoutPixels(float selectionBounds[4]);
    bool drawLayoutWithPens(HDC dc, float selectionBounds[4]);
    // The corner boxes of the three pens as stamps, drawn again when the box side or a
    // colour changed.
    void prepareStamps();
    void drawSelectionBox(HDC dc, float x0, float y0, float x1, float y1);
    bool isOwnTexture(IUnknown* object) const;

    CanvasOwner* owner_ = nullptr;
    HostRef<HostMesh> mesh_;
    HostRef<HostDocument> document_;
    DWORD subscription_ = 0;
    int extentWidth_ = 0, extentHeight_ = 0;    // see extent()
    int textureWidth_ = 0, textureHeight_ = 0;  // see textureSize()
    HostRef<HostTexture> texture_;
    // Texture pixels the host announced changed, copied when the refresh timer fires.
    RECT dirtyRect_ = {};
    // A memory device context that keeps one bitmap selected, made once per bitmap so that
    // a frame creates no GDI object.
    struct SelectedBitmap {
        HDC dc = nullptr;
        HGDIOBJ previous = nullptr;
        bool select(HBITMAP bitmap);
        void release();
    };
    HBITMAP textureBitmap_ = nullptr;
    SelectedBitmap textureDC_;
    std::uint32_t* texturePixels_ = nullptr;  // bottom-up rows, first texture row in row 0

    // The drag in progress: from a press to the loss of the capture.
    struct Drag {
        int pressX = 0, pressY = 0;  // where it started, pixels
        int lastX = 0, lastY = 0;    // the previous mouse position, pixels (kept while not dragging too)
        int button = DRAG_NONE;      // DragButton
        float pressBounds[4] = {};   // selected visible corners at the press: min u, min v, max u, max v
        float lastAngle = 0;         // rotation of the previous step, degrees
        float handleStart[2] = {};   // the dragged point at the press, canvas units
        float handleNow[2] = {};     // the dragged point now, snapped, canvas units
        float anchor[2] = {};        // the fixed point of a scale drag, canvas units
        float boxSize[2] = {};       // width and height of the scaled box, signed, canvas units
    };
    Drag drag_;
    CornerSnap cornerSnap_;

    HBITMAP backBuffer_ = nullptr;
    SelectedBitmap backDC_;
    std::uint32_t* backPixels_ = nullptr;
    SIZE backSize_ = {};
    // Per back-buffer pixel, the pen run in which a corner box was last stamped there.
    std::unique_ptr<std::uint32_t[]> boxMarks_;
    std::uint32_t boxRun_ = 0;
    Stamp stamps_[3];  // line, selection, locked pen
    bool stampsValid_ = false;
    int stampSide_ = 0;
    COLORREF stampColours_[3] = {};
    // The faces filled, in drawing order, with the tinted part of their fill (addTintLayer).
    struct FaceTint {
        int face;
        std::uint32_t tint;
    };
    std::vector<FaceTint> faceTints_;
    bool tintsStale_ = true;  // the mesh changed since they were made
    // Per face record: fault bits, and UV and 3D areas while measuring.
    std::vector<uint8_t> tintFaults_;
    std::vector<double> tintAreas_;
    std::vector<double> tintArea3D_;  // twice each face's 3D area, kept through a drag
    int tintArea3DDrag_ = -1;         // the drag (dragCount_) they were measured in
    int dragCount_ = 0;               // drags begun
    FaultScratch tintScratch_;  // so that a drag step's fault search allocates nothing
    struct TintInputs {
        uint16_t filterMask, filterValue;
        bool faults, stretch;
        float epsilon;
        bool operator==(const TintInputs&) const = default;
    } tintInputs_ = {};
    // The fills composed once per back-buffer pixel (addTintLayer) for the view they were
    // made in; a frame of the same view and tints only lays them over its background.
    struct TintView {
        float zoom, panX, panY;
        int extentWidth, extentHeight;
        bool operator==(const TintView&) const = default;
    };
    std::unique_ptr<std::uint32_t[]> tintLayer_;
    TintView tintLayerView_ = {};
    bool tintLayerValid_ = false;
};
