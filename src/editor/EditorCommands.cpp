// Command dispatch, tool and view state, and the selection and command-state
// refresh of the editor window. The refresh and most commands are still minimal:
// tools, view toggles, undo and redo work; the rest only repaint the canvas.
#include "canvas/UVCanvas.h"
#include "editor/EditorWindow.h"
#include "resource.h"

#include <commctrl.h>

namespace {

// Writes a menu item's whole state: checked or not, and enabled.
void setMenuCheck(HWND window, int command, bool on) {
    HMENU menu = GetMenu(window);
    if (!menu) return;
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STATE;
    item.fState = on ? MFS_CHECKED : MFS_UNCHECKED;
    SetMenuItemInfoA(menu, static_cast<UINT>(command), FALSE, &item);
}

}  // namespace

void EditorWindow::refreshSelection() {
    controls_.clearCoordinate();
    scheduleCommandRefresh();
}

void EditorWindow::refreshCommandStates() {}

void EditorWindow::scheduleCommandRefresh() {
    if (window_) SetTimer(window_, kCommandTimer, kCommandTimerPeriod, nullptr);
}

void EditorWindow::setToolMode(int tool) {
    canvas_->tool = tool;
    int button = 0;
    switch (tool) {
        case 1: button = ID_TOOL_SELECT_UV_COORDS; break;
        case 2: button = ID_TOOL_SELECT_UV_TRIANGLES; break;
        case 3: button = ID_TOOL_PAN; break;
        case 6: button = ID_TOOL_ZOOM; break;
        case 7: button = ID_TOOL_ZOOM_REGION; break;
        default: return;
    }
    SendMessageA(toolbar_, TB_CHECKBUTTON, button, TRUE);
}

namespace {
void applyToggle(EditorWindow& editor, bool& flag, int command, bool on) {
    flag = on;
    SendMessageA(editor.toolbar(), TB_CHECKBUTTON, command, on);
    setMenuCheck(editor.window(), command, on);
    editor.canvas()->invalidate();
}
}  // namespace

void EditorWindow::setShowGrid(bool on) { applyToggle(*this, canvas_->showGrid, ID_VIEW_SHOW_GRID, on); }
void EditorWindow::setShowTexture(bool on) { applyToggle(*this, canvas_->showTexture, ID_VIEW_SHOW_TEXTURE_BACKGROUND, on); }
void EditorWindow::setTileTexture(bool on) { applyToggle(*this, canvas_->tileTexture, ID_VIEW_SHOW_TILED_TEXTURE, on); }
void EditorWindow::setSnapToGrid(bool on) { applyToggle(*this, canvas_->snapToGrid, ID_VIEW_SNAP_TO_GRID, on); }
void EditorWindow::setSnapAngles(bool on) { applyToggle(*this, canvas_->snapAngles, ID_VIEW_SNAP_ANGLES, on); }

void EditorWindow::setShowAll(bool on) {
    canvas_->showAll = on;
    FaceFilter filter = on ? FACE_FILTER_ALL : FACE_FILTER_SELECTED_IN_3D;
    model_.faceFilter = filter;
    canvas_->faceFilter = filter;
    SendMessageA(toolbar_, TB_CHECKBUTTON, ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, !on);
    setMenuCheck(window_, ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, !on);
    if (!on) setSyncSelection(false);
    canvas_->invalidate();
    scheduleCommandRefresh();
}

void EditorWindow::setSyncSelection(bool on) {
    canvas_->syncSelection = on;
    if (on) refreshSelection();
    SendMessageA(toolbar_, TB_CHECKBUTTON, ID_VIEW_SYNCHRONIZE_SELECTIONS, on);
    setMenuCheck(window_, ID_VIEW_SYNCHRONIZE_SELECTIONS, on);
    canvas_->invalidate();
}

INT_PTR EditorWindow::runModalLoop(HWND) { return 0; }

void EditorWindow::closeGroupingDialog() {}

void EditorWindow::onCommand(int command) {
    UVCanvas& canvas = *canvas_.Get();
    switch (command) {
        case ID_TOOL_SELECT_UV_COORDS: setToolMode(1); break;
        case ID_TOOL_SELECT_UV_TRIANGLES: setToolMode(2); break;
        case ID_TOOL_PAN: setToolMode(3); break;
        case ID_TOOL_ZOOM: setToolMode(6); break;
        case ID_TOOL_ZOOM_REGION: setToolMode(7); break;
        case ID_VIEW_SHOW_GRID: setShowGrid(!canvas.showGrid); break;
        case ID_VIEW_SHOW_TEXTURE_BACKGROUND: setShowTexture(!canvas.showTexture); break;
        case ID_VIEW_SHOW_TILED_TEXTURE: setTileTexture(!canvas.tileTexture); break;
        case ID_VIEW_SNAP_TO_GRID: setSnapToGrid(!canvas.snapToGrid); break;
        case ID_VIEW_SNAP_ANGLES: setSnapAngles(!canvas.snapAngles); break;
        case ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D: setShowAll(!canvas.showAll); break;
        case ID_VIEW_SYNCHRONIZE_SELECTIONS: setSyncSelection(!canvas.syncSelection); break;
        case ID_TOOL_UNDO: if (document_) document_->Undo(1); break;
        case ID_TOOL_REDO: if (document_) document_->Redo(1); break;
        default: break;
    }
    canvas.invalidate();
}
