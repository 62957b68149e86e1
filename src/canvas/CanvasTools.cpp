// The canvas's mouse tools: picking by click and rubber band, panning, the zoom tool,
// zoom region, the wheel, the cursors and the status read-outs. The transform drags
// that a press on the selection box starts are in TransformHandles.cpp.
#include "canvas/TransformHandles.h"
#include "canvas/UVCanvas.h"
#include "model/UVModel.h"
#include "platform/ModuleState.h"
#include "platform/NumberText.h"
#include "resource.h"

#include <cmath>
#include <string>

namespace {
// Shift wins over Ctrl.
int heldModifier() {
    if (GetKeyState(VK_SHIFT) & 0x8000) return PICK_ADD;
    if (GetKeyState(VK_CONTROL) & 0x8000) return PICK_TOGGLE;
    return PICK_REPLACE;
}

// The tools whose left drag is an XOR frame: rubber band or zoom region.
bool drawsBand(int tool) {
    return tool == TOOL_SELECT_COORDS || tool == TOOL_SELECT_TRIANGLES || tool == TOOL_ZOOM_REGION;
}

RECT bandRect(int x0, int y0, int x1, int y1) {
    return RECT{x0 < x1 ? x0 : x1, y0 < y1 ? y0 : y1, x0 < x1 ? x1 : x0, y0 < y1 ? y1 : y0};
}

// The XOR frame on the window itself: drawing it twice leaves the window as it was.
void xorFrame(HWND window, const RECT& r) {
    if (HDC dc = GetDC(window)) {
        DrawFocusRect(dc, &r);
        ReleaseDC(window, dc);
    }
}

void showCursor(int resource) { SetCursor(LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(resource))); }

// A UV or canvas value of the read-outs.
std::string number(float value, int digits) { return FormatNumber(value, digits, true, true); }

// An extent of 0 (before the first texture load) gives 0 rather than infinity.
float perExtent(float value, int extent) { return extent > 0 ? value / static_cast<float>(extent) : 0.0f; }
}  // namespace

UVModel* UVCanvas::model() const { return owner ? &owner->model() : nullptr; }

LRESULT UVCanvas::onSetCursor(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != window_ || LOWORD(lParam) != HTCLIENT)
        return DefWindowProcA(window_, WM_SETCURSOR, wParam, lParam);
    switch (tool) {
        case TOOL_SELECT_COORDS:
        case TOOL_SELECT_TRIANGLES: {
            POINT p = {};
            GetCursorPos(&p);
            ScreenToClient(window_, &p);
            int hit = HIT_NONE;
            float rect[4];
            if (UVModel* m = model(); m && m->bounds(SELECTED_VISIBLE_MASK, UV_SELECTED, rect)) {
                const float w = static_cast<float>(extentWidth), h = static_cast<float>(extentHeight);
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
    if (dragButton != 0) releaseDrag();
    SetFocus(window_);
    const int modifier = heldModifier();
    lastAngle = 0;
    savedTool = tool;
    if (modifier == PICK_REPLACE && (tool == TOOL_SELECT_COORDS || tool == TOOL_SELECT_TRIANGLES))
        handlePress(x, y);
    if (drawsBand(tool)) {
        xorFrame(window_, RECT{x, y, x, y});
    } else if (tool == TOOL_ZOOM) {
        setZoomLevel(x, y, zoomLevel + 1);
        return;
    }
    beginDrag(x, y, 1);
    updateStatus();
}

void UVCanvas::onMouseMove(int x, int y) {
    if (dragButton == 3 || (dragButton == 1 && tool == TOOL_PAN)) {
        panX += static_cast<float>(x - lastX) / zoom;
        panY += static_cast<float>(y - lastY) / zoom;
        invalidate();
    }
    if (dragButton == 1) {
        if (drawsBand(tool)) {
            xorFrame(window_, bandRect(pressX, pressY, lastX, lastY));  // erases the old frame
            xorFrame(window_, bandRect(pressX, pressY, x, y));
        } else if (isDragTool(tool)) {
            dragStep(x, y);
        }
    }
    lastX = x;
    lastY = y;
    updateStatus();
}

void UVCanvas::onLeftUp() {
    // A release without a press of ours (pressed elsewhere, or a zoom click) picks nothing.
    if (dragButton != 1) {
        updateStatus();
        if (GetCapture() == window_) ReleaseCapture();
        return;
    }
    const RECT band = bandRect(pressX, pressY, lastX, lastY);
    if (tool == TOOL_SELECT_COORDS || tool == TOOL_SELECT_TRIANGLES) {
        xorFrame(window_, band);
        const int modifier = heldModifier();
        float rect[4];
        pixelToUV(band.left, band.top, rect[0], rect[1]);
        pixelToUV(band.right, band.bottom, rect[2], rect[3]);
        if (UVModel* m = model()) {
            if (tool == TOOL_SELECT_COORDS) {
                const float radius = perExtent(static_cast<float>(vertexSize) / zoom, extentWidth);
                m->selectCoords(rect, radius, modifier, syncSelection);
            } else {
                m->selectTriangles(rect, modifier, syncSelection);
            }
        }
    } else if (tool == TOOL_ZOOM_REGION) {
        zoomToRect(band);
    }
    updateStatus();
    releaseDrag();
}

void UVCanvas::beginDrag(int x, int y, int button) {
    pressX = lastX = x;
    pressY = lastY = y;
    dragButton = button;
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
    if (dragButton == 1) {
        if (drawsBand(tool))
            invalidate();
        else if (isDragTool(tool))
            endDrag();
        tool = savedTool;
        savedTool = 0;
    }
    if (UVModel* m = model()) m->clearSnapshot();
    dragButton = 0;
}

void UVCanvas::onRightDown(int x, int y) {
    if (dragButton != 0) releaseDrag();
    SetFocus(window_);
    if (tool == TOOL_ZOOM) {
        setZoomLevel(x, y, zoomLevel - 1);
        return;
    }
    beginDrag(x, y, 3);
    showCursor(IDC_CURSOR_PAN);
}

void UVCanvas::onMiddleDown(int x, int y) {
    if (dragButton != 0) releaseDrag();
    SetFocus(window_);
    beginDrag(x, y, 2);
}

void UVCanvas::onRightOrMiddleUp(int button) {
    // Only the button that started the drag ends it.
    if (dragButton == button) releaseDrag();
}

void UVCanvas::onMouseWheel(int delta) {
    // The cursor's own position: the message's may be stale when it was queued.
    POINT p = {};
    GetCursorPos(&p);
    ScreenToClient(window_, &p);
    LONG reverse = 0;
    HostRef<HostNode> application, navigation;
    if (document) document->GetApplicationNode(application.GetAddressOf());
    if (application) application->GetNode(L"./schema/preferences/navigation", navigation.GetAddressOf());
    if (navigation && FAILED(navigation->GetIntAttribute(L"ReverseWheel", &reverse))) reverse = 0;
    const int notches = delta / WHEEL_DELTA;
    const bool zoomIn = reverse ? notches > 0 : notches < 0;
    setZoomLevel(p.x, p.y, zoomLevel + (zoomIn ? 1 : -1));
    invalidate();
}

void UVCanvas::updateStatus() {
    if (!owner) return;
    std::string uvText, canvasText;
    if (dragButton == 1 && isMoveTool(tool)) {
        uvText = "position: " + number(handleNow[0], 2) + ", " + number(handleNow[1], 2);
    } else if (dragButton == 1 && tool == TOOL_DRAG_ROTATE) {
        uvText = "angle: " + number(lastAngle < 0 ? lastAngle + 360.0f : lastAngle, 3);
    } else if (dragButton == 1 && isScaleTool(tool)) {
        uvText = "size: " + number(std::fabs(boxSize[0]), 2) + ", " + number(std::fabs(boxSize[1]), 2);
    } else if (dragButton == 1 && drawsBand(tool)) {
        float x0, y0, x1, y1;
        pixelToCanvas(pressX, pressY, x0, y0);
        pixelToCanvas(lastX, lastY, x1, y1);
        auto range = [](const char* head, float ax, float ay, float bx, float by, int digits) {
            return head + number(ax, digits) + ", " + number(ay, digits) + ")->(" + number(bx, digits) + ", " +
                   number(by, digits) + ")=(" + number(std::fabs(bx - ax), digits) + " x " +
                   number(std::fabs(by - ay), digits) + ")";
        };
        canvasText = range("{x,y} (", x0, y0, x1, y1, 2);
        uvText = range("{u,v} (", perExtent(x0, extentWidth), perExtent(y0, extentHeight),
                       perExtent(x1, extentWidth), perExtent(y1, extentHeight), 3);
    } else {
        // No left drag, or panning with the left button: where the mouse is.
        float x, y;
        pixelToCanvas(lastX, lastY, x, y);
        canvasText = "{x,y} (" + number(x, 2) + ", " + number(y, 2) + ")";
        uvText = "{u,v} (" + number(perExtent(x, extentWidth), 3) + ", " + number(perExtent(y, extentHeight), 3) +
                 ")";
    }
    owner->controls().setStatusText(1, uvText.c_str());
    owner->controls().setStatusText(2, canvasText.c_str());
}
