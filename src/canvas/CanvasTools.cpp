// The canvas's mouse tools: picking by click and rubber band, panning, the zoom tool,
// zoom region, the wheel, the cursors and the status read-outs. The transform drags
// that a press on the selection box starts are in TransformHandles.cpp.
#include "canvas/CanvasDrawing.h"
#include "canvas/TransformHandles.h"
#include "canvas/UVCanvas.h"
#include "ops/UVModel.h"
#include "platform/ModuleState.h"
#include "platform/NumberText.h"
#include "resource.h"

#include <cmath>

namespace {
// Shift wins over Ctrl.
int heldModifier() {
    constexpr SHORT held = SHORT(0x8000);  // the key state's high bit
    if (GetKeyState(VK_SHIFT) & held) return PICK_ADD;
    if (GetKeyState(VK_CONTROL) & held) return PICK_TOGGLE;
    return PICK_REPLACE;
}

// The tools whose left drag is an XOR frame: rubber band or zoom region.
bool drawsBand(int tool) {
    return isSelectTool(tool) || tool == TOOL_ZOOM_REGION;
}

// The XOR frame on the window itself: drawing it twice leaves the window as it was.
void xorFrame(HWND window, const RECT& r) {
    if (HDC dc = GetDC(window)) {
        DrawFocusRect(dc, &r);
        ReleaseDC(window, dc);
    }
}

void showCursor(int resource) { SetCursor(LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(resource))); }

// A UV or canvas value of the read-outs, with its number of decimals.
struct Number {
    float value;
    int digits;
};

// A read-out, built in place: it follows every mouse move. Text beyond its room is cut.
class StatusText {
public:
    StatusText& operator<<(const char* text) {
        while (*text && length_ + 1 < sizeof text_) text_[length_++] = *text++;
        text_[length_] = '\0';
        return *this;
    }
    StatusText& operator<<(Number n) { return *this << formatNumberText(n.value, n.digits, true, true).text; }
    const char* text() const { return text_; }

private:
    char text_[192] = {};
    size_t length_ = 0;
};

// An extent of 0 (before the first texture load) gives 0 rather than infinity.
float perExtent(float value, int extent) { return extent > 0 ? value / static_cast<float>(extent) : 0.0f; }
}  // namespace

UVModel* UVCanvas::model() const { return owner_ ? &owner_->model() : nullptr; }

LRESULT UVCanvas::onSetCursor(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != window_ || LOWORD(lParam) != HTCLIENT)
        return DefWindowProcA(window_, WM_SETCURSOR, wParam, lParam);
    switch (view.tool) {
        case TOOL_SELECT_UV_COORDS:
        case TOOL_SELECT_UV_TRIANGLES: {
            POINT p = {};
            GetCursorPos(&p);
            ScreenToClient(window_, &p);
            int hit = HIT_NONE;
            float rect[4];
            if (UVModel* m = model(); m && m->bounds(CORNERS_SELECTED, rect)) {
                const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
                const float canvasRect[4] = {rect[0] * w, rect[1] * h, rect[2] * w, rect[3] * h};
                hit = handleTest(p.x, p.y, canvasRect);
            }
            if (int cursor = cursorOfHit(hit))
                showCursor(cursor);
            else
                SetCursor(LoadCursorA(nullptr, IDC_CROSS));
            return TRUE;
        }
        case TOOL_PAN: showCursor(IDC_CURSOR_PAN); return TRUE;
        case TOOL_ZOOM: showCursor(IDC_CURSOR_ZOOM); return TRUE;
        case TOOL_ZOOM_REGION: SetCursor(LoadCursorA(nullptr, IDC_CROSS)); return TRUE;
        default: return DefWindowProcA(window_, WM_SETCURSOR, wParam, lParam);
    }
}

void UVCanvas::onLeftDown(int x, int y) {
    // A press while another button drags (its release was never seen) ends that drag first.
    if (drag_.button != DRAG_NONE) releaseDrag();
    SetFocus(window_);
    const int modifier = heldModifier();
    drag_.lastAngle = 0;
    view.savedTool = view.tool;
    if (modifier == PICK_REPLACE && isSelectTool(view.tool))
        handlePress(x, y);
    if (drawsBand(view.tool)) {
        xorFrame(window_, RECT{x, y, x, y});
    } else if (view.tool == TOOL_ZOOM) {
        setZoomLevel(x, y, view.zoomLevel + 1);
        return;
    }
    beginDrag(x, y, DRAG_LEFT);
    updateStatus();
}

void UVCanvas::onMouseMove(int x, int y) {
    if (drag_.button == DRAG_RIGHT || (drag_.button == DRAG_LEFT && view.tool == TOOL_PAN)) {
        view.panX += static_cast<float>(x - drag_.lastX) / view.zoom;
        view.panY += static_cast<float>(y - drag_.lastY) / view.zoom;
        invalidate();
    }
    if (drag_.button == DRAG_LEFT) {
        if (drawsBand(view.tool)) {
            // The old frame drawn again erases it.
            xorFrame(window_, bandRect(drag_.pressX, drag_.pressY, drag_.lastX, drag_.lastY));
            xorFrame(window_, bandRect(drag_.pressX, drag_.pressY, x, y));
        } else if (isDragTool(view.tool)) {
            dragStep(x, y);
        }
    }
    drag_.lastX = x;
    drag_.lastY = y;
    updateStatus();
}

void UVCanvas::onLeftUp() {
    // A release without a press of ours (pressed elsewhere, or a zoom click) picks nothing.
    if (drag_.button != DRAG_LEFT) {
        updateStatus();
        if (GetCapture() == window_) ReleaseCapture();
        return;
    }
    const RECT band = bandRect(drag_.pressX, drag_.pressY, drag_.lastX, drag_.lastY);
    if (isSelectTool(view.tool)) {
        xorFrame(window_, band);
        const int modifier = heldModifier();
        float rect[4];
        pixelToUV(band.left, band.top, rect[0], rect[1]);
        pixelToUV(band.right, band.bottom, rect[2], rect[3]);
        if (UVModel* m = model()) {
            if (view.tool == TOOL_SELECT_UV_COORDS) {
                const float radius = perExtent(static_cast<float>(view.vertexSize) / view.zoom, extentWidth_);
                m->selectCoords(rect, radius, modifier, view.syncSelection);
            } else {
                m->selectTriangles(rect, modifier, view.syncSelection);
            }
        }
    } else if (view.tool == TOOL_ZOOM_REGION) {
        zoomToRect(band);
    }
    updateStatus();
    releaseDrag();
}

void UVCanvas::beginDrag(int x, int y, int button) {
    drag_.pressX = drag_.lastX = x;
    drag_.pressY = drag_.lastY = y;
    drag_.button = button;
    ++dragCount_;
    SetCapture(window_);
}

void UVCanvas::releaseDrag() {
    // Releasing the capture reports its loss; without the capture the loss is run here.
    if (GetCapture() == window_)
        ReleaseCapture();
    else
        onCaptureLost();
}

void UVCanvas::onCaptureChanged(HWND newCapture) {
    if (newCapture != window_) onCaptureLost();
}

void UVCanvas::onCaptureLost() {
    if (drag_.button == DRAG_LEFT) {
        if (drawsBand(view.tool))
            invalidate();
        else if (isDragTool(view.tool))
            endDrag();
        view.tool = view.savedTool;
        view.savedTool = 0;
    }
    if (UVModel* m = model()) m->clearSnapshot();
    drag_.button = DRAG_NONE;
}

void UVCanvas::onRightDown(int x, int y) {
    if (drag_.button != DRAG_NONE) releaseDrag();
    SetFocus(window_);
    if (view.tool == TOOL_ZOOM) {
        setZoomLevel(x, y, view.zoomLevel - 1);
        return;
    }
    beginDrag(x, y, DRAG_RIGHT);
    showCursor(IDC_CURSOR_PAN);
}

void UVCanvas::onMiddleDown(int x, int y) {
    if (drag_.button != DRAG_NONE) releaseDrag();
    SetFocus(window_);
    beginDrag(x, y, DRAG_MIDDLE);
}

void UVCanvas::onRightOrMiddleUp(int button) {
    // Only the button that started the drag ends it.
    if (drag_.button == button) releaseDrag();
}

void UVCanvas::onMouseWheel(int delta) {
    // The cursor's own position: the message's may be stale when it was queued.
    POINT p = {};
    GetCursorPos(&p);
    ScreenToClient(window_, &p);
    LONG reverse = 0;
    HostRef<HostNode> application, navigation;
    if (document_) document_->GetApplicationNode(application.GetAddressOf());
    if (application) application->GetNode(L"./schema/preferences/navigation", navigation.GetAddressOf());
    if (navigation && FAILED(navigation->GetIntAttribute(L"ReverseWheel", &reverse))) reverse = 0;
    const int notches = delta / WHEEL_DELTA;
    const bool zoomIn = reverse ? notches > 0 : notches < 0;
    setZoomLevel(p.x, p.y, view.zoomLevel + (zoomIn ? 1 : -1));
    invalidate();
}

void UVCanvas::updateStatus() {
    if (!owner_) return;
    StatusText uvText, canvasText;
    if (drag_.button == DRAG_LEFT && isMoveTool(view.tool)) {
        uvText << "position: " << Number{drag_.handleNow[0], 2} << ", " << Number{drag_.handleNow[1], 2};
    } else if (drag_.button == DRAG_LEFT && view.tool == TOOL_DRAG_ROTATE) {
        uvText << "angle: " << Number{drag_.lastAngle < 0 ? drag_.lastAngle + 360.0f : drag_.lastAngle, 3};
    } else if (drag_.button == DRAG_LEFT && isScaleTool(view.tool)) {
        uvText << "size: " << Number{std::fabs(drag_.boxSize[0]), 2} << ", " << Number{std::fabs(drag_.boxSize[1]), 2};
    } else if (drag_.button == DRAG_LEFT && drawsBand(view.tool)) {
        float x0, y0, x1, y1;
        pixelToCanvas(drag_.pressX, drag_.pressY, x0, y0);
        pixelToCanvas(drag_.lastX, drag_.lastY, x1, y1);
        auto range = [](StatusText& text, const char* head, float ax, float ay, float bx, float by, int digits) {
            text << head << Number{ax, digits} << ", " << Number{ay, digits} << ")->(" << Number{bx, digits} << ", "
                 << Number{by, digits} << ")=(" << Number{std::fabs(bx - ax), digits} << " x "
                 << Number{std::fabs(by - ay), digits} << ")";
        };
        range(canvasText, "{x,y} (", x0, y0, x1, y1, 2);
        range(uvText, "{u,v} (", perExtent(x0, extentWidth_), perExtent(y0, extentHeight_), perExtent(x1, extentWidth_),
              perExtent(y1, extentHeight_), 3);
    } else {
        // No left drag, or panning with the left button: where the mouse is.
        float x, y;
        pixelToCanvas(drag_.lastX, drag_.lastY, x, y);
        canvasText << "{x,y} (" << Number{x, 2} << ", " << Number{y, 2} << ")";
        uvText << "{u,v} (" << Number{perExtent(x, extentWidth_), 3} << ", " << Number{perExtent(y, extentHeight_), 3}
               << ")";
    }
    owner_->controls().setStatusText(1, uvText.text());
    // While faces show their stretch, the second pane says how to read the colours.
    owner_->controls().setStatusText(2, view.showStretch ? "blue stretch, red squash" : canvasText.text());
}
