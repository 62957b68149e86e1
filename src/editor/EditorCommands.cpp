// The editor's command table and its handlers, the tool and view state that keeps the
// check marks in step with the canvas, and the nested message loop that runs a
// modeless dialog modally.
#include "editor/EditorCommands.h"

#include "canvas/CanvasTool.h"
#include "canvas/OutlineMaterial.h"
#include "canvas/UVCanvas.h"
#include "dialogs/ChooseMatrixDialog.h"
#include "dialogs/GroupingDialog.h"
#include "dialogs/SettingsDialog.h"
#include "dialogs/TexelDensityDialog.h"
#include "dialogs/TransformDialogs.h"
#include "editor/EditorWindow.h"
#include "ops/EditProtocol.h"
#include "ops/Islands.h"
#include "ops/LayoutQuality.h"
#include "resource.h"

#include <commctrl.h>

#include <new>

namespace {

// Keyboard messages that a modal dialog may filter first.
constexpr UINT kFirstKeyMessage = WM_KEYFIRST;
constexpr UINT kLastKeyMessage = 0x0108;  // WM_KEYLAST before WM_UNICHAR joined the range

// The view flags that the View and Tools menus toggle one for one (the operand of
// toggleViewFlag).
enum ViewFlag : int { SHOW_GRID, SHOW_TEXTURE, TILE_TEXTURE, SNAP_TO_GRID, SNAP_ANGLES, SHOW_FAULTS, SHOW_STRETCH };

bool& viewFlag(CanvasView& view, int flag) {
    switch (flag) {
        case SHOW_TEXTURE: return view.showTexture;
        case TILE_TEXTURE: return view.tileTexture;
        case SNAP_TO_GRID: return view.snapToGrid;
        case SNAP_ANGLES: return view.snapAngles;
        case SHOW_FAULTS: return view.showFaults;
        case SHOW_STRETCH: return view.showStretch;
        default: return view.showGrid;
    }
}

// Directions of the Mapping menu's projections (the operand of their handlers), in
// the order of each submenu: +X, --X, +Y, --Y, +Z, --Z.
enum Axis : int { POS_X, NEG_X, POS_Y, NEG_Y, POS_Z, NEG_Z };
const Vector3 kAxisDirections[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

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

// --- Geometry of the commands -------------------------------------------------------

float centreOf(float minimum, float maximum) { return (minimum + maximum) * 0.5f; }

// Where a mirror's pivot lies on one axis of the selection's bounds.
enum class PivotAt { Minimum, Centre, Maximum };

float pivotCoordinate(PivotAt at, float minimum, float maximum) {
    switch (at) {
        case PivotAt::Minimum: return minimum;
        case PivotAt::Maximum: return maximum;
        case PivotAt::Centre: break;
    }
    return centreOf(minimum, maximum);
}

// Mirrors the selection in u (or else in v) about a point of its bounds.
void mirrorSelection(UVModel& model, bool inU, PivotAt u, PivotAt v) {
    float r[4];
    if (!model.bounds(CORNERS_SELECTED, r)) return;
    const UVPoint pivot{pivotCoordinate(u, r[0], r[2]), pivotCoordinate(v, r[1], r[3])};
    model.mirror(inU, !inU, CORNERS_SELECTED, true, &pivot);
}

// The projection frame of a direction command: the axis' frame moved to the centroid
// of the editable selection.
Matrix4 axisFrame(UVModel& model, int axis) {
    Matrix4 frame;
    frame.orientToAxis(kAxisDirections[axis], 0.0f);
    frame.setRow(3, model.selectionCentroid(), 1.0f);
    return frame;
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
    if (model.bounds(CORNERS_SELECTED, r)) model.pivot = {centreOf(r[0], r[2]), centreOf(r[1], r[3])};
}

// --- Handlers, one per kind of row ----------------------------------------------------

using Command = const EditorCommand&;

// Edit: setCornerFlags with undo and notification, never synchronised.
void hideSelection(EditorWindow& e, Command c) {
    e.model().setCornerFlags(SELECTED_VISIBLE_MASK, UV_HIDDEN, CORNERS_SELECTED, true, true,
                             c.undoText, false);
}
void hideUnselected(EditorWindow& e, Command c) {
    e.model().setCornerFlags(UV_HIDDEN, UV_HIDDEN, CORNERS_UNSELECTED, true, true, c.undoText, false);
}
void unhideAll(EditorWindow& e, Command c) {
    e.model().setCornerFlags(UV_HIDDEN, 0, CORNERS_ALL, true, true, c.undoText, false);
}
void invertHidden(EditorWindow& e, Command) { e.model().invertHidden(); }
void reverseWinding(EditorWindow& e, Command) { e.model().reverseWinding(FACES_WHOLLY_EDITABLE); }
void snapTogether(EditorWindow& e, Command) {
    float r[4];
    if (!e.model().bounds(CORNERS_SELECTED, r)) return;
    const UVPoint target{centreOf(r[0], r[2]), centreOf(r[1], r[3])};
    e.model().snapTogether(&target);
}
void weldSelection(EditorWindow& e, Command) {
    e.model().weld(e.canvas()->view.epsilon, CORNERS_SELECTED);
}
void weldAll(EditorWindow& e, Command) { e.model().weld(e.canvas()->view.epsilon, CORNERS_VISIBLE); }
void createMaterialWithOutlines(EditorWindow& e, Command) {
    UVCanvas& canvas = *e.canvas();
    // Only a texture shown on the canvas can be the background: ask only then.
    const bool useTexture = canvas.hasTextureImage() && MessageBoxA(e.window(), "Use texture as background?",
                                                                "Create Material With Outlines", MB_YESNO) == IDYES;
    createOutlineMaterial(canvas, e.document(), useTexture);
}

// Select: the canvas's synchronisation flag goes with every pick.
void selectAll(EditorWindow& e, Command) { e.model().selectAll(true, e.canvas()->view.syncSelection); }
void invertSelection(EditorWindow& e, Command) { e.model().invertSelection(e.canvas()->view.syncSelection); }
void deselectAll(EditorWindow& e, Command) { e.model().selectAll(false, e.canvas()->view.syncSelection); }
void expandSelection(EditorWindow& e, Command) { e.model().expandSelection(e.canvas()->view.syncSelection); }
void contractSelection(EditorWindow& e, Command) { e.model().contractSelection(e.canvas()->view.syncSelection); }
void grouping(EditorWindow& e, Command) { e.toggleGroupingDialog(); }

// Transform. v grows downward on the canvas: the top is the smallest v.
void flipHorizontal(EditorWindow& e, Command) { mirrorSelection(e.model(), true, PivotAt::Centre, PivotAt::Centre); }
void flipVertical(EditorWindow& e, Command) { mirrorSelection(e.model(), false, PivotAt::Centre, PivotAt::Centre); }
void mirrorLeft(EditorWindow& e, Command) { mirrorSelection(e.model(), true, PivotAt::Minimum, PivotAt::Centre); }
void mirrorRight(EditorWindow& e, Command) { mirrorSelection(e.model(), true, PivotAt::Maximum, PivotAt::Centre); }
void mirrorTop(EditorWindow& e, Command) { mirrorSelection(e.model(), false, PivotAt::Centre, PivotAt::Minimum); }
void mirrorBottom(EditorWindow& e, Command) { mirrorSelection(e.model(), false, PivotAt::Centre, PivotAt::Maximum); }
void moveDialog(EditorWindow& e, Command) {
    MoveDialog dialog(e.model());
    runApplyDialog(e, dialog);
}
void rotateDialog(EditorWindow& e, Command) {
    setPivotToSelection(e.model());
    RotateDialog dialog(e.model());
    runApplyDialog(e, dialog);
}
void scaleDialog(EditorWindow& e, Command) {
    setPivotToSelection(e.model());
    ScaleDialog dialog(e.model());
    runApplyDialog(e, dialog);
}

// Mapping: the selection projected into the canvas's mapping rectangle, with undo.
void planarBestMatch(EditorWindow& e, Command) {
    Vector3 normal;
    if (e.model().averageNormal(normal, CORNERS_SELECTED))
        e.model().planarMap(&normal, e.canvas()->view.mappingRect, CORNERS_SELECTED, true);
}
void planarAlong(EditorWindow& e, Command c) {
    e.model().planarMap(&kAxisDirections[c.operand], e.canvas()->view.mappingRect, CORNERS_SELECTED,
                        true);
}
void boxAlong(EditorWindow& e, Command c) {
    const Matrix4 frame = axisFrame(e.model(), c.operand);
    e.model().boxMap(&frame, e.canvas()->view.mappingRect, CORNERS_SELECTED, true);
}
void cylindricalAlong(EditorWindow& e, Command c) {
    const Matrix4 frame = axisFrame(e.model(), c.operand);
    e.model().cylindricalMap(&frame, e.canvas()->view.mappingRect, CORNERS_SELECTED, true);
}
void sphericalAlong(EditorWindow& e, Command c) {
    const Matrix4 frame = axisFrame(e.model(), c.operand);
    e.model().sphericalMap(&frame, e.canvas()->view.mappingRect, CORNERS_SELECTED, true);
}

// "User Defined" (operand: the Choose Matrix dialog's mapping type). The dialog
// re-projects the selection at every turn of its frame, inside one history entry;
// anything but "OK" puts the saved UVs back and discards the entry.
void userDefinedProjection(EditorWindow& editor, Command command) {
    UVModel& model = editor.model();
    HostRef<ChooseMatrixDialog> dialog;
    *dialog.GetAddressOf() = ChooseMatrixDialog::create(model, editor.canvas()->view, command.operand);
    if (!dialog) return;

    GrowArray<UVPoint> saved;
    saved.reserve(1024);
    {
        UVWalk snapshot(model.mesh.Get(), FACE_FILTER_OFF);
        snapshot.forEachCorner(CORNERS_SELECTED, [&](FaceRecord& face, int c) {
            saved.append({face.uv[c][0], face.uv[c][1]});
        });
    }
    // The entry stays open over the whole dialog; each re-projection hands its change to
    // the host (EndEdit) on its own.
    EditSteps entrySteps{command.undoText, EDIT_FACE_DATA};
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
        EditSteps restoreSteps{command.undoText, EDIT_FACE_DATA, false, false};
        UVEdit restore(model, restoreSteps);
        int32_t next = 0;
        restore.forEachFace(FACE_FILTER_OFF, [&](FaceRecord& face, int) {
            for (int c = 0; c < 3 && next < saved.count(); ++c) {
                if (!CORNERS_SELECTED.passes(face.flags, c)) continue;
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

// View.
void zoomExtents(EditorWindow& e, Command) {
    UVCanvas& canvas = *e.canvas();
    float r[4];
    if (e.model().bounds(CORNERS_VISIBLE, r)) {
        canvas.zoomToUVRect(r[0], r[1], r[2], r[3]);
        return;
    }
    canvas.view.zoom = 1.0f;
    canvas.view.zoomLevel = 0;
    canvas.view.panX = 0;
    canvas.view.panY = 0;
}
void zoomSelectionExtents(EditorWindow& e, Command) {
    float r[4];
    if (e.model().bounds(CORNERS_SELECTED, r)) e.canvas()->zoomToUVRect(r[0], r[1], r[2], r[3]);
}
// Operand: the zoom step, about the centre of the canvas's client rectangle.
void zoomToStep(EditorWindow& e, Command c) {
    UVCanvas& canvas = *e.canvas();
    RECT client = {};
    if (canvas.window()) GetClientRect(canvas.window(), &client);
    canvas.setZoomLevel((client.left + client.right) / 2, (client.top + client.bottom) / 2, c.operand);
}
void toggleViewFlag(EditorWindow& e, Command c) { e.setViewFlag(c.id, !viewFlag(e.canvas()->view, c.operand)); }
void toggleShowAll(EditorWindow& e, Command) { e.setShowAll(!e.canvas()->view.showAll); }
void toggleSyncSelection(EditorWindow& e, Command) { e.setSyncSelection(!e.canvas()->view.syncSelection); }
void settingsDialog(EditorWindow& e, Command) {
    SettingsDialog dialog(*e.canvas());
    runApplyDialog(e, dialog);
}

// Tools: islands through edges whose UVs meet within the weld epsilon.
void selectIslandOfSelection(EditorWindow& e, Command) {
    ::selectIsland(e.model(), e.canvas()->view.epsilon, e.canvas()->view.syncSelection);
}
void unwrapSelection(EditorWindow& e, Command) { ::unwrap(e.model(), e.canvas()->view.epsilon); }
void autoUnwrapSelection(EditorWindow& e, Command) { ::autoUnwrap(e.model(), e.canvas()->view.epsilon); }
void packSelectedIslands(EditorWindow& e, Command) { ::packIslands(e.model(), e.canvas()->view.epsilon); }
void selectFlippedFaces(EditorWindow& e, Command) {
    ::selectFlipped(e.model(), e.canvas()->view.epsilon, e.canvas()->view.syncSelection);
}
void selectOverlappingFaces(EditorWindow& e, Command) {
    ::selectOverlapping(e.model(), e.canvas()->view.epsilon, e.canvas()->view.syncSelection);
}
// Densities in pixels of the texture the canvas shows (or of its canvas size).
void texelDensityDialog(EditorWindow& e, Command) {
    UVCanvas& canvas = *e.canvas();
    const SIZE texture = canvas.textureSize();
    TexelDensityDialog dialog(e.model(), canvas.view.epsilon, texture.cx, texture.cy);
    runApplyDialog(e, dialog);
}

// Toolbar.
void chooseTool(EditorWindow& e, Command c) { e.setToolMode(c.operand); }
// Check button 107: its state after the click says lock or unlock. With nothing
// selected nothing happens; the next selection refresh resets the button.
void lockSelectedCoords(EditorWindow& e, Command c) {
    UVModel& model = e.model();
    if (model.countCorners(CORNERS_SELECTED) == 0) return;
    const bool lock = e.toolbar() && SendMessageA(e.toolbar(), TB_ISBUTTONCHECKED, c.id, 0) != 0;
    model.setCornerFlags(UV_LOCKED, lock ? UV_LOCKED : 0, CORNERS_SELECTED, true, true,
                         lock ? c.undoText : L"Unlock Selected UV Coords", false);
}
void undo(EditorWindow& e, Command) {
    if (HostDocument* document = e.document()) document->Undo(1);
}
void redo(EditorWindow& e, Command) {
    if (HostDocument* document = e.document()) document->Redo(1);
}

// --- The table ------------------------------------------------------------------------

using enum Enabling;
constexpr uint8_t MENU = STATE_MENU;

constexpr EditorCommand kCommands[] = {
    // Edit
    {ID_EDIT_HIDE_SELECTION, hideSelection, AnySelected, MENU, L"Hide UV Coords"},
    {ID_EDIT_HIDE_UNSELECTED, hideUnselected, AnyVisible, MENU, L"Hide UV Coords"},
    {ID_EDIT_INVERT_HIDDEN, invertHidden, AnyFace, MENU},
    {ID_EDIT_UNHIDE_ALL, unhideAll, AnyFace, MENU, L"UnHide UV Coords"},
    {ID_EDIT_REVERSE_WINDING_ORDER, reverseWinding, ThreeSelected, MENU},
    {ID_EDIT_SNAP_TOGETHER, snapTogether, TwoSelected, MENU},
    {ID_EDIT_WELD_SELECTION, weldSelection, TwoSelected, MENU},
    {ID_EDIT_WELD_ALL, weldAll, AnyVisible, MENU},
    {ID_EDIT_CREATE_MATERIAL_WITH_OUTLINES, createMaterialWithOutlines},

    // Select
    {ID_SELECT_ALL, selectAll, AnyVisible, MENU},
    {ID_SELECT_INVERT_SELECTION, invertSelection, AnyVisible, MENU},
    {ID_SELECT_DESELECT_ALL, deselectAll, AnySelected, MENU},
    {ID_SELECT_EXPAND_SELECTION, expandSelection, AnySelected, MENU | STATE_BUTTON},
    {ID_SELECT_CONTRACT_SELECTION, contractSelection, AnySelected, MENU | STATE_BUTTON},
    {ID_SELECT_GROUPING, grouping},

    // Transform
    {ID_TRANSFORM_MOVE, moveDialog, AnyEditable, MENU},
    {ID_TRANSFORM_ROTATE, rotateDialog, AnyEditable, MENU},
    {ID_TRANSFORM_SCALE, scaleDialog, AnyEditable, MENU},
    {ID_TRANSFORM_FLIP_HORIZONTAL, flipHorizontal, TwoSelected, MENU},
    {ID_TRANSFORM_FLIP_VERTICAL, flipVertical, TwoSelected, MENU},
    {ID_TRANSFORM_MIRROR_LEFT, mirrorLeft, TwoSelected, MENU},
    {ID_TRANSFORM_MIRROR_RIGHT, mirrorRight, TwoSelected, MENU},
    {ID_TRANSFORM_MIRROR_TOP, mirrorTop, TwoSelected, MENU},
    {ID_TRANSFORM_MIRROR_BOTTOM, mirrorBottom, TwoSelected, MENU},

    // Mapping
    {ID_MAPPING_PLANAR_BEST_MATCH, planarBestMatch, TwoSelected, MENU},
    {ID_MAPPING_PLANAR_POS_X, planarAlong, TwoSelected, MENU, nullptr, POS_X},
    {ID_MAPPING_PLANAR_NEG_X, planarAlong, TwoSelected, MENU, nullptr, NEG_X},
    {ID_MAPPING_PLANAR_POS_Y, planarAlong, TwoSelected, MENU, nullptr, POS_Y},
    {ID_MAPPING_PLANAR_NEG_Y, planarAlong, TwoSelected, MENU, nullptr, NEG_Y},
    {ID_MAPPING_PLANAR_POS_Z, planarAlong, TwoSelected, MENU, nullptr, POS_Z},
    {ID_MAPPING_PLANAR_NEG_Z, planarAlong, TwoSelected, MENU, nullptr, NEG_Z},
    {ID_MAPPING_PLANAR_USER_DEFINED, userDefinedProjection, TwoSelected, MENU, L"Planar UV Mapping",
     ChooseMatrixDialog::PLANAR},
    {ID_MAPPING_BOX_POS_X, boxAlong, TwoSelected, MENU, nullptr, POS_X},
    {ID_MAPPING_BOX_NEG_X, boxAlong, TwoSelected, MENU, nullptr, NEG_X},
    {ID_MAPPING_BOX_POS_Y, boxAlong, TwoSelected, MENU, nullptr, POS_Y},
    {ID_MAPPING_BOX_NEG_Y, boxAlong, TwoSelected, MENU, nullptr, NEG_Y},
    {ID_MAPPING_BOX_POS_Z, boxAlong, TwoSelected, MENU, nullptr, POS_Z},
    {ID_MAPPING_BOX_NEG_Z, boxAlong, TwoSelected, MENU, nullptr, NEG_Z},
    {ID_MAPPING_BOX_USER_DEFINED, userDefinedProjection, TwoSelected, MENU, L"Box UV Mapping",
     ChooseMatrixDialog::BOX},
    {ID_MAPPING_CYLINDRICAL_POS_X, cylindricalAlong, TwoSelected, MENU, nullptr, POS_X},
    {ID_MAPPING_CYLINDRICAL_NEG_X, cylindricalAlong, TwoSelected, MENU, nullptr, NEG_X},
    {ID_MAPPING_CYLINDRICAL_POS_Y, cylindricalAlong, TwoSelected, MENU, nullptr, POS_Y},
    {ID_MAPPING_CYLINDRICAL_NEG_Y, cylindricalAlong, TwoSelected, MENU, nullptr, NEG_Y},
    {ID_MAPPING_CYLINDRICAL_POS_Z, cylindricalAlong, TwoSelected, MENU, nullptr, POS_Z},
    {ID_MAPPING_CYLINDRICAL_NEG_Z, cylindricalAlong, TwoSelected, MENU, nullptr, NEG_Z},
    {ID_MAPPING_CYLINDRICAL_USER_DEFINED, userDefinedProjection, TwoSelected, MENU, L"Cylindrical UV Mapping",
     ChooseMatrixDialog::CYLINDRICAL},
    {ID_MAPPING_SPHERICAL_POS_X, sphericalAlong, TwoSelected, MENU, nullptr, POS_X},
    {ID_MAPPING_SPHERICAL_NEG_X, sphericalAlong, TwoSelected, MENU, nullptr, NEG_X},
    {ID_MAPPING_SPHERICAL_POS_Y, sphericalAlong, TwoSelected, MENU, nullptr, POS_Y},
    {ID_MAPPING_SPHERICAL_NEG_Y, sphericalAlong, TwoSelected, MENU, nullptr, NEG_Y},
    {ID_MAPPING_SPHERICAL_POS_Z, sphericalAlong, TwoSelected, MENU, nullptr, POS_Z},
    {ID_MAPPING_SPHERICAL_NEG_Z, sphericalAlong, TwoSelected, MENU, nullptr, NEG_Z},
    {ID_MAPPING_SPHERICAL_USER_DEFINED, userDefinedProjection, TwoSelected, MENU, L"Spherical UV Mapping",
     ChooseMatrixDialog::SPHERICAL},

    // View. A zoom ratio of k to 1 is step k - 1, 1 to k is step 1 - k.
    {ID_VIEW_ZOOM_EXTENTS, zoomExtents, AnyFace, MENU | STATE_BUTTON},
    {ID_VIEW_ZOOM_SELECTION_EXTENTS, zoomSelectionExtents, AnySelected, MENU | STATE_BUTTON},
    {ID_VIEW_ZOOM_1_5, zoomToStep, Always, 0, nullptr, -4},
    {ID_VIEW_ZOOM_1_4, zoomToStep, Always, 0, nullptr, -3},
    {ID_VIEW_ZOOM_1_3, zoomToStep, Always, 0, nullptr, -2},
    {ID_VIEW_ZOOM_1_2, zoomToStep, Always, 0, nullptr, -1},
    {ID_VIEW_ZOOM_1_1, zoomToStep, Always, 0, nullptr, 0},
    {ID_VIEW_ZOOM_2_1, zoomToStep, Always, 0, nullptr, 1},
    {ID_VIEW_ZOOM_3_1, zoomToStep, Always, 0, nullptr, 2},
    {ID_VIEW_ZOOM_4_1, zoomToStep, Always, 0, nullptr, 3},
    {ID_VIEW_ZOOM_5_1, zoomToStep, Always, 0, nullptr, 4},
    {ID_VIEW_ZOOM_6_1, zoomToStep, Always, 0, nullptr, 5},
    {ID_VIEW_ZOOM_7_1, zoomToStep, Always, 0, nullptr, 6},
    {ID_VIEW_ZOOM_8_1, zoomToStep, Always, 0, nullptr, 7},
    {ID_VIEW_ZOOM_9_1, zoomToStep, Always, 0, nullptr, 8},
    {ID_VIEW_ZOOM_10_1, zoomToStep, Always, 0, nullptr, 9},
    {ID_VIEW_ZOOM_11_1, zoomToStep, Always, 0, nullptr, 10},
    {ID_VIEW_ZOOM_12_1, zoomToStep, Always, 0, nullptr, 11},
    {ID_VIEW_SNAP_TO_GRID, toggleViewFlag, Always, 0, nullptr, SNAP_TO_GRID},
    {ID_VIEW_SNAP_ANGLES, toggleViewFlag, Always, 0, nullptr, SNAP_ANGLES},
    {ID_VIEW_SHOW_GRID, toggleViewFlag, Always, 0, nullptr, SHOW_GRID},
    {ID_VIEW_SHOW_TEXTURE_BACKGROUND, toggleViewFlag, Always, 0, nullptr, SHOW_TEXTURE},
    {ID_VIEW_SHOW_TILED_TEXTURE, toggleViewFlag, Always, 0, nullptr, TILE_TEXTURE},
    {ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, toggleShowAll},
    {ID_VIEW_SYNCHRONIZE_SELECTIONS, toggleSyncSelection, ShowAll, MENU | STATE_BUTTON_ENABLE},
    {ID_VIEW_SETTINGS, settingsDialog},

    // Tools. The unwraps and the packing act on whole selected faces.
    {ID_TOOLS_SELECT_ISLAND, selectIslandOfSelection, AnySelected, MENU},
    {ID_TOOLS_UNWRAP, unwrapSelection, ThreeSelected, MENU},
    {ID_TOOLS_AUTO_UNWRAP, autoUnwrapSelection, ThreeSelected, MENU},
    {ID_TOOLS_PACK_ISLANDS, packSelectedIslands, ThreeSelected, MENU},
    {ID_TOOLS_SELECT_FLIPPED, selectFlippedFaces, AnyVisible, MENU},
    {ID_TOOLS_SELECT_OVERLAPPING, selectOverlappingFaces, AnyVisible, MENU},
    {ID_TOOLS_SHOW_FLIPPED_AND_OVERLAPPING, toggleViewFlag, Always, 0, nullptr, SHOW_FAULTS},
    {ID_TOOLS_SHOW_STRETCH, toggleViewFlag, Always, 0, nullptr, SHOW_STRETCH},
    {ID_TOOLS_TEXEL_DENSITY, texelDensityDialog, ThreeSelected, MENU},

    // Toolbar only
    {ID_TOOL_SELECT_UV_COORDS, chooseTool, Always, 0, nullptr, TOOL_SELECT_UV_COORDS},
    {ID_TOOL_SELECT_UV_TRIANGLES, chooseTool, Always, 0, nullptr, TOOL_SELECT_UV_TRIANGLES},
    {ID_TOOL_PAN, chooseTool, Always, 0, nullptr, TOOL_PAN},
    {ID_TOOL_ZOOM, chooseTool, Always, 0, nullptr, TOOL_ZOOM},
    {ID_TOOL_ZOOM_REGION, chooseTool, Always, 0, nullptr, TOOL_ZOOM_REGION},
    {ID_TOOL_LOCK_SELECTED_COORDS, lockSelectedCoords, Always, 0, L"Lock Selected UV Coords"},
    {ID_TOOL_UNDO, undo, CanUndo, STATE_BUTTON_ENABLE},
    {ID_TOOL_REDO, redo, CanRedo, STATE_BUTTON_ENABLE},
};

}  // namespace

std::span<const EditorCommand> editorCommands() { return kCommands; }

const EditorCommand* findEditorCommand(int id) {
    for (const EditorCommand& command : kCommands)
        if (command.id == id) return &command;
    return nullptr;
}

// --- Dispatcher -----------------------------------------------------------------------

void EditorWindow::onCommand(int command) {
    if (const EditorCommand* row = findEditorCommand(command)) row->run(*this, *row);
    // Known or not, every command repaints the canvas.
    canvas_->invalidate();
}

// --- Tool and view state ----------------------------------------------------------

void EditorWindow::setToolMode(int tool) {
    if (canvas_) canvas_->view.tool = tool;
    for (const EditorCommand& row : kCommands)
        if (row.run == chooseTool && row.operand == tool)
            setButtonCheck(toolbar_, row.id, true);  // the group unchecks the rest
}

void EditorWindow::setViewFlag(int command, bool on) {
    const EditorCommand* row = findEditorCommand(command);
    if (!row || row->run != toggleViewFlag) return;
    viewFlag(canvas_->view, row->operand) = on;
    setButtonCheck(toolbar_, command, on);
    setMenuCheck(window_, command, on);
    canvas_->updateStatus();  // the stretch legend comes and goes with its display
    canvas_->invalidate();
}

void EditorWindow::setShowAll(bool on) {
    canvas_->view.showAll = on;
    const FaceFilter filter = on ? FACE_FILTER_ALL : FACE_FILTER_SELECTED_IN_3D;
    model_.faceFilter = filter;
    canvas_->view.faceFilter = filter;
    setButtonCheck(toolbar_, ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, !on);
    setMenuCheck(window_, ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, !on);
    if (!on) setSyncSelection(false);
    canvas_->invalidate();
    scheduleCommandRefresh();
}

void EditorWindow::setSyncSelection(bool on) {
    canvas_->view.syncSelection = on;
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
        groupingDialog_ = new (std::nothrow) GroupingDialog(model_, canvas_->view.syncSelection);
        if (!groupingDialog_) return;
        if (HWND dialog = groupingDialog_->create(window_)) ShowWindow(dialog, SW_SHOWNORMAL);
    } else if (HWND dialog = groupingDialog_->window()) {
        ShowWindow(dialog, IsWindowVisible(dialog) ? SW_HIDE : SW_SHOWNORMAL);
    } else {
        // Its window is gone: the next "Grouping..." starts afresh.
        closeGroupingDialog();
    }
}
