// Menu and toolbar commands of the editor window: one handler per command identifier,
// the tool and view state that keeps the check marks in step with the canvas, and the
// nested message loop that runs a modeless dialog modally.
#include "canvas/OutlineMaterial.h"
#include "canvas/UVCanvas.h"
#include "dialogs/ChooseMatrixDialog.h"
#include "dialogs/GroupingDialog.h"
#include "dialogs/SettingsDialog.h"
#include "dialogs/TransformDialogs.h"
#include "editor/EditorWindow.h"
#include "ops/EditProtocol.h"
#include "resource.h"

#include <commctrl.h>

#include <iterator>
#include <new>

namespace {

// Keyboard messages that a modal dialog may filter first (key down to dead system char).
constexpr UINT kFirstKeyMessage = 0x0100;
constexpr UINT kLastKeyMessage = 0x0108;

// --- Operand tables -------------------------------------------------------------

// Hide, unhide: setCornerFlags with undo and notification, never synchronised.
struct CornerFlagCommand {
    int command;
    uint16_t changeMask, newValue, testMask, testValue;
    const wchar_t* description;
};
constexpr CornerFlagCommand kCornerFlagCommands[] = {
    {ID_EDIT_HIDE_SELECTION, 0x0048, 0x0008, 0x0048, 0x0040, L"Hide UV Coords"},
    {ID_EDIT_HIDE_UNSELECTED, 0x0008, 0x0008, 0x0048, 0x0000, L"Hide UV Coords"},
    {ID_EDIT_UNHIDE_ALL, 0x0008, 0x0000, 0x0000, 0x0000, L"UnHide UV Coords"},
};

// Where a mirror's pivot lies on one axis of the selection's bounds.
enum class PivotAt { Minimum, Centre, Maximum };

struct MirrorCommand {
    int command;
    bool flipU, flipV;
    PivotAt u, v;
};
constexpr MirrorCommand kMirrorCommands[] = {
    {ID_TRANSFORM_FLIP_HORIZONTAL, true, false, PivotAt::Centre, PivotAt::Centre},
    {ID_TRANSFORM_FLIP_VERTICAL, false, true, PivotAt::Centre, PivotAt::Centre},
    {ID_TRANSFORM_MIRROR_LEFT, true, false, PivotAt::Minimum, PivotAt::Centre},
    {ID_TRANSFORM_MIRROR_RIGHT, true, false, PivotAt::Maximum, PivotAt::Centre},
    // v grows downward on the canvas: the top is the smallest v.
    {ID_TRANSFORM_MIRROR_TOP, false, true, PivotAt::Centre, PivotAt::Minimum},
    {ID_TRANSFORM_MIRROR_BOTTOM, false, true, PivotAt::Centre, PivotAt::Maximum},
};

// Zoom submenu: a ratio of k to 1 is step k - 1, 1 to k is step 1 - k.
struct ZoomCommand {
    int command;
    int step;
};
constexpr ZoomCommand kZoomCommands[] = {
    {ID_VIEW_ZOOM_1_5, -4}, {ID_VIEW_ZOOM_1_4, -3}, {ID_VIEW_ZOOM_1_3, -2}, {ID_VIEW_ZOOM_1_2, -1},
    {ID_VIEW_ZOOM_1_1, 0},  {ID_VIEW_ZOOM_2_1, 1},  {ID_VIEW_ZOOM_3_1, 2},  {ID_VIEW_ZOOM_4_1, 3},
    {ID_VIEW_ZOOM_5_1, 4},  {ID_VIEW_ZOOM_6_1, 5},  {ID_VIEW_ZOOM_7_1, 6},  {ID_VIEW_ZOOM_8_1, 7},
    {ID_VIEW_ZOOM_9_1, 8},  {ID_VIEW_ZOOM_10_1, 9}, {ID_VIEW_ZOOM_11_1, 10}, {ID_VIEW_ZOOM_12_1, 11},
};

struct ToolCommand {
    int command;
    int tool;
};
constexpr ToolCommand kToolCommands[] = {
    {ID_TOOL_SELECT_UV_COORDS, 1}, {ID_TOOL_SELECT_UV_TRIANGLES, 2}, {ID_TOOL_PAN, 3},
    {ID_TOOL_ZOOM, 6},             {ID_TOOL_ZOOM_REGION, 7},
};

// Projection kinds of the Mapping menu; each has six direction commands in a row,
// in the order +X, --X, +Y, --Y, +Z, --Z.
enum class Projection { Planar, Box, Cylindrical, Spherical };

struct ProjectionRange {
    int firstCommand;
    Projection projection;
};
constexpr ProjectionRange kProjectionRanges[] = {
    {ID_MAPPING_PLANAR_POS_X, Projection::Planar},
    {ID_MAPPING_BOX_POS_X, Projection::Box},
    {ID_MAPPING_CYLINDRICAL_POS_X, Projection::Cylindrical},
    {ID_MAPPING_SPHERICAL_POS_X, Projection::Spherical},
};
const Vector3 kProjectionDirections[6] = {
    {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1},
};

// "User Defined" projections: the Choose Matrix dialog's mapping type and the history
// entry that holds the result.
struct UserDefinedProjection {
    int command;
    int type;
    const wchar_t* description;
};
constexpr UserDefinedProjection kUserDefinedProjections[] = {
    {ID_MAPPING_PLANAR_USER_DEFINED, ChooseMatrixDialog::PLANAR, L"Planar UV Mapping"},
    {ID_MAPPING_BOX_USER_DEFINED, ChooseMatrixDialog::BOX, L"Box UV Mapping"},
    {ID_MAPPING_CYLINDRICAL_USER_DEFINED, ChooseMatrixDialog::CYLINDRICAL, L"Cylindrical UV Mapping"},
    {ID_MAPPING_SPHERICAL_USER_DEFINED, ChooseMatrixDialog::SPHERICAL, L"Spherical UV Mapping"},
};

template <class Entry, size_t N>
const Entry* findCommand(const Entry (&table)[N], int command) {
    for (const Entry& entry : table)
        if (entry.command == command) return &entry;
    return nullptr;
}

// --- Menu and toolbar marks -------------------------------------------------------

// Writes a menu item's whole state: checked or not, and nothing else (so also enabled).
void setMenuCheck(HWND window, int command, bool on) {
    HMENU menu = window ? GetMenu(window) : nullptr;
    if (!menu) return;
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STATE;
    item.fState = on ? MFS_CHECKED : MFS_UNCHECKED;
    SetMenuItemInfoA(menu, static_cast<UINT>(command), FALSE, &item);
}

void setButtonCheck(HWND toolbar, int command, bool on) {
    if (toolbar) SendMessageA(toolbar, TB_CHECKBUTTON, command, MAKELPARAM(on ? TRUE : FALSE, 0));
}

// A view flag of the canvas with its toolbar button and menu item.
void applyViewFlag(EditorWindow& editor, bool& flag, int command, bool on) {
    flag = on;
    setButtonCheck(editor.toolbar(), command, on);
    setMenuCheck(editor.window(), command, on);
    if (UVCanvas* canvas = editor.canvas()) canvas->invalidate();
}

// --- Command actions --------------------------------------------------------------

float centreOf(float minimum, float maximum) { return (minimum + maximum) * 0.5f; }

float pivotCoordinate(PivotAt at, float minimum, float maximum) {
    switch (at) {
        case PivotAt::Minimum: return minimum;
        case PivotAt::Maximum: return maximum;
        case PivotAt::Centre: break;
    }
    return centreOf(minimum, maximum);
}

void runMirror(UVModel& model, const MirrorCommand& mirror) {
    float r[4];
    if (!model.bounds(SELECTED_VISIBLE_MASK, UV_SELECTED, r)) return;
    const UVPoint pivot{pivotCoordinate(mirror.u, r[0], r[2]), pivotCoordinate(mirror.v, r[1], r[3])};
    model.mirror(mirror.flipU, mirror.flipV, SELECTED_VISIBLE_MASK, UV_SELECTED, true, &pivot);
}

void snapTogether(UVModel& model) {
    float r[4];
    if (!model.bounds(SELECTED_VISIBLE_MASK, UV_SELECTED, r)) return;
    const UVPoint target{centreOf(r[0], r[2]), centreOf(r[1], r[3])};
    model.snapTogether(&target);
}

// The projection frame of a direction command: the axis' frame moved to the centroid
// of the editable selection.
Matrix4 axisFrame(UVModel& model, const Vector3& direction) {
    Matrix4 frame;
    frame.orientToAxis(direction, 0.0f);
    frame.setRow(3, model.selectionCentroid(), 1.0f);
    return frame;
}

void runProjection(UVModel& model, const float rect[4], Projection projection, const Vector3& direction) {
    if (projection == Projection::Planar) {
        model.planarMap(&direction, rect, SELECTED_VISIBLE_MASK, UV_SELECTED, true);
        return;
    }
    const Matrix4 frame = axisFrame(model, direction);
    switch (projection) {
        case Projection::Box: model.boxMap(&frame, rect, SELECTED_VISIBLE_MASK, UV_SELECTED, true); break;
        case Projection::Cylindrical:
            model.cylindricalMap(&frame, rect, SELECTED_VISIBLE_MASK, UV_SELECTED, true);
            break;
        case Projection::Spherical:
            model.sphericalMap(&frame, rect, SELECTED_VISIBLE_MASK, UV_SELECTED, true);
            break;
        case Projection::Planar: break;
    }
}

bool runProjectionCommand(UVModel& model, const float rect[4], int command) {
    for (const ProjectionRange& range : kProjectionRanges) {
        const int index = command - range.firstCommand;
        if (index < 0 || index >= static_cast<int>(std::size(kProjectionDirections))) continue;
        runProjection(model, rect, range.projection, kProjectionDirections[index]);
        return true;
    }
    return false;
}

void planarBestMatch(UVModel& model, const float rect[4]) {
    Vector3 normal;
    if (model.averageNormal(normal, SELECTED_VISIBLE_MASK, UV_SELECTED))
        model.planarMap(&normal, rect, SELECTED_VISIBLE_MASK, UV_SELECTED, true);
}

// The host's main window, or null.
HWND hostMainWindow(EditorWindow& editor) {
    HWND host = nullptr;
    if (HostDocument* document = editor.document()) document->GetMainWindow(&host);
    return host;
}

// Settings, Move, Rotate and Scale: modal to the editor window, with the host's main
// window disabled meanwhile and enabled afterwards, whatever it was before.
void runApplyDialog(EditorWindow& editor, ApplyDialog& dialog) {
    HWND host = hostMainWindow(editor);
    if (host) EnableWindow(host, FALSE);
    dialog.run(editor.window());
    if (host) EnableWindow(host, TRUE);
}

// Rotate and Scale turn about the centre of the selection as their dialog opens,
// locked corners included; without a selection the pivot stays.
void setPivotToSelection(UVModel& model) {
    float r[4];
    if (model.bounds(SELECTED_VISIBLE_MASK, UV_SELECTED, r)) model.pivot = {centreOf(r[0], r[2]), centreOf(r[1], r[3])};
}

// Runs the Choose Matrix dialog inside one history entry: the dialog re-projects the
// selection at every turn of its frame; anything but "OK" puts the saved UVs back and
// discards the entry.
void runUserDefinedProjection(EditorWindow& editor, const UserDefinedProjection& projection) {
    UVModel& model = editor.model();
    HostRef<ChooseMatrixDialog> dialog;
    *dialog.GetAddressOf() = ChooseMatrixDialog::create(model, *editor.canvas(), projection.type);
    if (!dialog) return;

    GrowArray<UVPoint> saved;
    saved.reserve(1024);
    {
        UVWalk snapshot(model.mesh.Get(), FaceFilter{0, 0});
        snapshot.forEachCorner(SELECTED_VISIBLE_MASK, UV_SELECTED, [&](FaceRecord& face, int c) {
            saved.append({face.uv[c][0], face.uv[c][1]});
        });
    }
    // The entry stays open over the whole dialog; each re-projection hands its change to
    // the host (EndEdit) on its own.
    EditSteps entrySteps{projection.description, EDIT_FACE_DATA};
    entrySteps.endEdit = EndEditRule::Never;
    entrySteps.lockRecords = false;
    UVEdit entry(model, entrySteps);
    bool keep = true;

    HWND host = hostMainWindow(editor);
    const BOOL hostEnabled = host ? IsWindowEnabled(host) : FALSE;
    if (host) EnableWindow(host, FALSE);

    HWND window = dialog->createWindow(editor.window());
    const INT_PTR result = editor.runModalLoop(window);
    // A quit message leaves the window; it must not re-project outside the entry.
    if (IsWindow(window)) DestroyWindow(window);

    if (result != IDOK) {
        EditSteps restoreSteps{projection.description, EDIT_FACE_DATA, false, false};
        UVEdit restore(model, restoreSteps);
        int32_t next = 0;
        restore.forEachFace(FaceFilter{0, 0}, [&](FaceRecord& face, int) {
            for (int c = 0; c < 3 && next < saved.count(); ++c) {
                if (!cornerPasses(face.flags, c, SELECTED_VISIBLE_MASK, UV_SELECTED)) continue;
                face.uv[c][0] = saved[next].u;
                face.uv[c][1] = saved[next].v;
                ++next;
            }
        });
        restore.finish();
        keep = false;
    }
    if (host) EnableWindow(host, hostEnabled);
    entry.changed = keep ? 1 : 0;
    entry.finish();
}

// Toolbar check button 107: its state after the click says lock or unlock. With
// nothing selected nothing happens; the next selection refresh resets the button.
void lockSelectedCoords(EditorWindow& editor) {
    UVModel& model = editor.model();
    if (model.countCorners(SELECTED_VISIBLE_MASK, UV_SELECTED) == 0) return;
    const bool lock =
        editor.toolbar() && SendMessageA(editor.toolbar(), TB_ISBUTTONCHECKED, ID_TOOL_LOCK_SELECTED_COORDS, 0) != 0;
    model.setCornerFlags(UV_LOCKED, lock ? UV_LOCKED : 0, SELECTED_VISIBLE_MASK, UV_SELECTED, true, true,
                         lock ? L"Lock Selected UV Coords" : L"Unlock Selected UV Coords", false);
}

void zoomExtents(UVModel& model, UVCanvas& canvas) {
    float r[4];
    if (model.bounds(0x0008, 0x0000, r)) {
        canvas.zoomToUVRect(r[0], r[1], r[2], r[3]);
        return;
    }
    canvas.zoom = 1.0f;
    canvas.zoomLevel = 0;
    canvas.panX = 0;
    canvas.panY = 0;
}

void zoomSelectionExtents(UVModel& model, UVCanvas& canvas) {
    float r[4];
    if (model.bounds(SELECTED_VISIBLE_MASK, UV_SELECTED, r)) canvas.zoomToUVRect(r[0], r[1], r[2], r[3]);
}

// Zoom about the centre of the canvas's client rectangle.
void zoomToStep(UVCanvas& canvas, int step) {
    RECT client = {};
    if (canvas.window()) GetClientRect(canvas.window(), &client);
    canvas.setZoomLevel((client.left + client.right) / 2, (client.top + client.bottom) / 2, step);
}

}  // namespace

// --- Tool and view state ----------------------------------------------------------

void EditorWindow::setToolMode(int tool) {
    if (canvas_) canvas_->tool = tool;
    for (const ToolCommand& entry : kToolCommands)
        if (entry.tool == tool) setButtonCheck(toolbar_, entry.command, true);  // the group unchecks the rest
}

void EditorWindow::setShowGrid(bool on) { applyViewFlag(*this, canvas_->showGrid, ID_VIEW_SHOW_GRID, on); }
void EditorWindow::setShowTexture(bool on) {
    applyViewFlag(*this, canvas_->showTexture, ID_VIEW_SHOW_TEXTURE_BACKGROUND, on);
}
void EditorWindow::setTileTexture(bool on) {
    applyViewFlag(*this, canvas_->tileTexture, ID_VIEW_SHOW_TILED_TEXTURE, on);
}
void EditorWindow::setSnapToGrid(bool on) { applyViewFlag(*this, canvas_->snapToGrid, ID_VIEW_SNAP_TO_GRID, on); }
void EditorWindow::setSnapAngles(bool on) { applyViewFlag(*this, canvas_->snapAngles, ID_VIEW_SNAP_ANGLES, on); }

void EditorWindow::setShowAll(bool on) {
    canvas_->showAll = on;
    const FaceFilter filter = on ? FACE_FILTER_ALL : FACE_FILTER_SELECTED_IN_3D;
    model_.faceFilter = filter;
    canvas_->faceFilter = filter;
    setButtonCheck(toolbar_, ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, !on);
    setMenuCheck(window_, ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, !on);
    if (!on) setSyncSelection(false);
    canvas_->invalidate();
    scheduleCommandRefresh();
}

void EditorWindow::setSyncSelection(bool on) {
    canvas_->syncSelection = on;
    if (on) refreshSelection();
    setButtonCheck(toolbar_, ID_VIEW_SYNCHRONIZE_SELECTIONS, on);
    setMenuCheck(window_, ID_VIEW_SYNCHRONIZE_SELECTIONS, on);
    canvas_->invalidate();
}

// --- Modal loop -------------------------------------------------------------------

INT_PTR EditorWindow::runModalLoop(HWND dialog) {
    if (!dialog || !IsWindow(dialog)) return 0;
    HWND parent = GetParent(dialog);
    const BOOL parentEnabled = parent ? IsWindowEnabled(parent) : FALSE;
    ShowWindow(dialog, SW_SHOWNORMAL);
    if (parent) EnableWindow(parent, FALSE);

    MSG message = {};
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) {
            // The host's own loop must end too. The dialog stays; its owner is usable again.
            if (parent) EnableWindow(parent, parentEnabled);
            PostQuitMessage(static_cast<int>(message.wParam));
            return 0;
        }
        const bool forDialog = message.hwnd == dialog || IsChild(dialog, message.hwnd);
        bool dispatch = true;
        if (forDialog && message.message >= kFirstKeyMessage && message.message <= kLastKeyMessage)
            dispatch = SendMessageA(dialog, kModalKeyMessage, 0, reinterpret_cast<LPARAM>(&message)) != 0;
        if (dispatch) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (message.message == kModalEndMessage && message.hwnd == dialog) {
            if (parent) EnableWindow(parent, parentEnabled);
            DestroyWindow(dialog);
            return static_cast<INT_PTR>(message.wParam);
        }
    }
}

// --- Grouping dialog ----------------------------------------------------------------

void EditorWindow::closeGroupingDialog() {
    delete groupingDialog_;  // destroys its window if it still exists, which saves the mode
    groupingDialog_ = nullptr;
}

void EditorWindow::toggleGroupingDialog() {
    if (!groupingDialog_) {
        groupingDialog_ = new (std::nothrow) GroupingDialog(model_, canvas_->syncSelection);
        if (!groupingDialog_) return;
        if (HWND dialog = groupingDialog_->create(window_)) ShowWindow(dialog, SW_SHOWNORMAL);
    } else if (HWND dialog = groupingDialog_->window()) {
        ShowWindow(dialog, IsWindowVisible(dialog) ? SW_HIDE : SW_SHOWNORMAL);
    } else {
        // Its window is gone: the next "Grouping..." starts afresh.
        closeGroupingDialog();
    }
}

// --- Dispatcher -------------------------------------------------------------------

void EditorWindow::onCommand(int command) {
    UVCanvas& canvas = *canvas_.Get();
    const bool sync = canvas.syncSelection;

    if (const CornerFlagCommand* flags = findCommand(kCornerFlagCommands, command)) {
        model_.setCornerFlags(flags->changeMask, flags->newValue, flags->testMask, flags->testValue, true, true,
                              flags->description, false);
    } else if (const MirrorCommand* mirror = findCommand(kMirrorCommands, command)) {
        runMirror(model_, *mirror);
    } else if (const ZoomCommand* zoom = findCommand(kZoomCommands, command)) {
        zoomToStep(canvas, zoom->step);
    } else if (const ToolCommand* tool = findCommand(kToolCommands, command)) {
        setToolMode(tool->tool);
    } else if (const UserDefinedProjection* projection = findCommand(kUserDefinedProjections, command)) {
        runUserDefinedProjection(*this, *projection);
    } else if (!runProjectionCommand(model_, canvas.mappingRect, command)) {
        switch (command) {
            // Edit
            case ID_EDIT_INVERT_HIDDEN: model_.invertHidden(); break;
            case ID_EDIT_REVERSE_WINDING_ORDER: model_.reverseWinding(0x0FF8, 0x01C0); break;
            case ID_EDIT_SNAP_TOGETHER: snapTogether(model_); break;
            case ID_EDIT_WELD_SELECTION: model_.weld(canvas.epsilon, SELECTED_VISIBLE_MASK, UV_SELECTED); break;
            case ID_EDIT_WELD_ALL: model_.weld(canvas.epsilon, 0x0008, 0x0000); break;
            case ID_EDIT_CREATE_MATERIAL_WITH_OUTLINES:
                // Only a texture shown on the canvas can be the background: ask only then.
                createOutlineMaterial(canvas, document_.Get(), canvas.textureBitmap &&
                                      MessageBoxA(window_, "Use texture as background?",
                                                  "Create Material With Outlines", MB_YESNO) == IDYES);
                break;

            // Select
            case ID_SELECT_ALL: model_.selectAll(true, sync); break;
            case ID_SELECT_INVERT_SELECTION: model_.invertSelection(sync); break;
            case ID_SELECT_DESELECT_ALL: model_.selectAll(false, sync); break;
            case ID_SELECT_EXPAND_SELECTION: model_.expandSelection(sync); break;
            case ID_SELECT_CONTRACT_SELECTION: model_.contractSelection(sync); break;
            case ID_SELECT_GROUPING: toggleGroupingDialog(); break;

            // Transform
            case ID_TRANSFORM_MOVE: {
                MoveDialog dialog(model_);
                runApplyDialog(*this, dialog);
                break;
            }
            case ID_TRANSFORM_ROTATE: {
                setPivotToSelection(model_);
                RotateDialog dialog(model_);
                runApplyDialog(*this, dialog);
                break;
            }
            case ID_TRANSFORM_SCALE: {
                setPivotToSelection(model_);
                ScaleDialog dialog(model_);
                runApplyDialog(*this, dialog);
                break;
            }

            // Mapping
            case ID_MAPPING_PLANAR_BEST_MATCH: planarBestMatch(model_, canvas.mappingRect); break;

            // View
            case ID_VIEW_ZOOM_EXTENTS: zoomExtents(model_, canvas); break;
            case ID_VIEW_ZOOM_SELECTION_EXTENTS: zoomSelectionExtents(model_, canvas); break;
            case ID_VIEW_SNAP_TO_GRID: setSnapToGrid(!canvas.snapToGrid); break;
            case ID_VIEW_SNAP_ANGLES: setSnapAngles(!canvas.snapAngles); break;
            case ID_VIEW_SHOW_GRID: setShowGrid(!canvas.showGrid); break;
            case ID_VIEW_SHOW_TEXTURE_BACKGROUND: setShowTexture(!canvas.showTexture); break;
            case ID_VIEW_SHOW_TILED_TEXTURE: setTileTexture(!canvas.tileTexture); break;
            case ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D: setShowAll(!canvas.showAll); break;
            case ID_VIEW_SYNCHRONIZE_SELECTIONS: setSyncSelection(!canvas.syncSelection); break;
            case ID_VIEW_SETTINGS: {
                SettingsDialog dialog(canvas);
                runApplyDialog(*this, dialog);
                break;
            }

            // Toolbar
            case ID_TOOL_LOCK_SELECTED_COORDS: lockSelectedCoords(*this); break;
            case ID_TOOL_UNDO:
                if (document_) document_->Undo(1);
                break;
            case ID_TOOL_REDO:
                if (document_) document_->Redo(1);
                break;
            default: break;
        }
    }
    // Known or not, every command repaints the canvas.
    canvas.invalidate();
}
