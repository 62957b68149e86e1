// The editor's command table, its dispatcher, and the tool and view state that keeps
// the check marks in step with the canvas. The handlers are in CommandHandlers.cpp.
#include "editor/EditorCommands.h"

#include "canvas/UVCanvas.h"
#include "dialogs/ChooseMatrixDialog.h"
#include "dialogs/SettingsValues.h"
#include "editor/CommandHandlers.h"
#include "editor/EditorWindow.h"
#include "ops/Alignment.h"
#include "resource.h"

#include <commctrl.h>

#include <string_view>

namespace {

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

// --- The table ------------------------------------------------------------------------

using namespace commands;
using enum Enabling;
constexpr uint8_t MENU = STATE_MENU;
constexpr ButtonKind PUSH = ButtonKind::Push, CHECK = ButtonKind::Check, GROUP = ButtonKind::CheckGroup;
constexpr bool GAP = true;  // a separator before the button

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
    {ID_SELECT_EXPAND_SELECTION, expandSelection, AnySelected, MENU | STATE_BUTTON, nullptr, 0,
     {12, PUSH, IDS_EXPAND_SELECTION}},
    {ID_SELECT_CONTRACT_SELECTION, contractSelection, AnySelected, MENU | STATE_BUTTON, nullptr, 0,
     {13, PUSH, IDS_SHRINK_SELECTION}},
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
    {ID_VIEW_ZOOM_EXTENTS, zoomExtents, AnyFace, MENU | STATE_BUTTON, nullptr, 0, {8, PUSH, IDS_ZOOM_EXTENTS}},
    {ID_VIEW_ZOOM_SELECTION_EXTENTS, zoomSelectionExtents, AnySelected, MENU | STATE_BUTTON, nullptr, 0,
     {7, PUSH, IDS_ZOOM_SELECTION_EXTENTS, GAP}},
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
    // Toggles. Show-all comes before synchronisation, which switching it off switches off.
    {ID_VIEW_SNAP_TO_GRID, flipToggle, Always, 0, nullptr, 0, {15, CHECK, IDS_SNAP_TO_GRID},
     {&CanvasView::snapToGrid, "SnapToGrid"}},
    {ID_VIEW_SNAP_ANGLES, flipToggle, Always, 0, nullptr, 0, {16, CHECK, IDS_SNAP_ANGLES},
     {&CanvasView::snapAngles, "SnapAngles"}},
    {ID_VIEW_SHOW_GRID, flipToggle, Always, 0, nullptr, 0, {14, CHECK, IDS_SHOW_GRID, GAP},
     {&CanvasView::showGrid, "ShowGrid"}},
    {ID_VIEW_SHOW_TEXTURE_BACKGROUND, flipToggle, Always, 0, nullptr, 0, {}, {&CanvasView::showTexture, "ShowTex"}},
    {ID_VIEW_SHOW_TILED_TEXTURE, flipToggle, Always, 0, nullptr, 0, {}, {&CanvasView::tileTexture, "TileTex"}},
    {ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, flipToggle, Always, 0, nullptr, 0,
     {9, CHECK, IDS_SHOW_ONLY_FACES_SELECTED_IN_3D, GAP}, {&CanvasView::showAll, "ShowAll", showAllSetter}},
    {ID_VIEW_SYNCHRONIZE_SELECTIONS, flipToggle, ShowAll, MENU | STATE_BUTTON_ENABLE, nullptr, 0,
     {10, CHECK, IDS_SYNCHRONIZE_SELECTIONS}, {&CanvasView::syncSelection, "SyncSel", syncSelectionSetter}},
    {ID_VIEW_SETTINGS, settingsDialog},

    // Tools. The unwraps and the packing act on whole selected faces.
    {ID_TOOLS_SELECT_ISLAND, selectIslandOfSelection, AnySelected, MENU},
    {ID_TOOLS_UNWRAP, unwrapSelection, ThreeSelected, MENU},
    {ID_TOOLS_UNWRAP_CONFORMAL, unwrapConformalSelection, ThreeSelected, MENU},
    {ID_TOOLS_RELAX, relaxSelection, ThreeSelected, MENU, L"Relax"},
    {ID_TOOLS_AUTO_UNWRAP, autoUnwrapSelection, ThreeSelected, MENU},
    {ID_TOOLS_PACK_ISLANDS, packSelectedIslands, ThreeSelected, MENU},
    {ID_TOOLS_SELECT_FLIPPED, selectFlippedFaces, AnyVisible, MENU},
    {ID_TOOLS_SELECT_OVERLAPPING, selectOverlappingFaces, AnyVisible, MENU},
    {ID_TOOLS_SHOW_FLIPPED_AND_OVERLAPPING, flipToggle, Always, 0, nullptr, 0, {},
     {&CanvasView::showFaults, "ShowFlipOverlap"}},
    {ID_TOOLS_SHOW_STRETCH, flipToggle, Always, 0, nullptr, 0, {}, {&CanvasView::showStretch, "ShowStretch"}},
    {ID_TOOLS_TEXEL_DENSITY, texelDensityDialog, ThreeSelected, MENU},
    {ID_TOOLS_SPLIT_SELECTION, splitSelection, ThreeSelected, MENU},
    {ID_TOOLS_STITCH, stitchSelection, TwoSelected, MENU},
    {ID_TOOLS_ALIGN_LEFT, alignSelected, TwoSelected, MENU, L"Align Left", int(AlignTo::Left)},
    {ID_TOOLS_ALIGN_RIGHT, alignSelected, TwoSelected, MENU, L"Align Right", int(AlignTo::Right)},
    {ID_TOOLS_ALIGN_TOP, alignSelected, TwoSelected, MENU, L"Align Top", int(AlignTo::Top)},
    {ID_TOOLS_ALIGN_BOTTOM, alignSelected, TwoSelected, MENU, L"Align Bottom", int(AlignTo::Bottom)},
    {ID_TOOLS_ALIGN_CENTRE_HORIZONTALLY, alignSelected, TwoSelected, MENU, L"Align Centre Horizontally",
     int(AlignTo::CentreHorizontally)},
    {ID_TOOLS_ALIGN_CENTRE_VERTICALLY, alignSelected, TwoSelected, MENU, L"Align Centre Vertically",
     int(AlignTo::CentreVertically)},
    {ID_TOOLS_STRAIGHTEN, straightenSelected, ThreeSelected, MENU, L"Straighten"},
    {ID_TOOLS_ORIENT_ISLANDS, orientSelectedIslands, ThreeSelected, MENU},
    {ID_TOOLS_STACK_SIMILAR_ISLANDS, stackSelectedIslands, ThreeSelected, MENU},
    {ID_TOOLS_STRAIGHTEN_TO_GRID, straightenSelectedToGrid, ThreeSelected, MENU, L"Straighten to Grid"},
    {ID_TOOLS_SNAP_TO_CORNERS, flipToggle, Always, 0, nullptr, 0, {}, {&CanvasView::snapToCorners, "SnapToCorners"}},

    // Toolbar only
    {ID_TOOL_SELECT_UV_COORDS, chooseTool, Always, 0, nullptr, TOOL_SELECT_UV_COORDS,
     {2, GROUP, IDS_SELECT_UV_COORDS, GAP}},
    {ID_TOOL_SELECT_UV_TRIANGLES, chooseTool, Always, 0, nullptr, TOOL_SELECT_UV_TRIANGLES,
     {3, GROUP, IDS_SELECT_UV_TRIANGLES}},
    {ID_TOOL_PAN, chooseTool, Always, 0, nullptr, TOOL_PAN, {4, GROUP, IDS_PAN}},
    {ID_TOOL_ZOOM, chooseTool, Always, 0, nullptr, TOOL_ZOOM, {5, GROUP, IDS_ZOOM}},
    {ID_TOOL_ZOOM_REGION, chooseTool, Always, 0, nullptr, TOOL_ZOOM_REGION, {6, GROUP, IDS_ZOOM_REGION}},
    {ID_TOOL_LOCK_SELECTED_COORDS, lockSelectedCoords, Always, 0, L"Lock Selected UV Coords", 0,
     {11, CHECK, IDS_LOCK_SELECTED_COORDS}},
    {ID_TOOL_UNDO, undo, CanUndo, STATE_BUTTON_ENABLE, nullptr, 0, {0, PUSH, IDS_UNDO}},
    {ID_TOOL_REDO, redo, CanRedo, STATE_BUTTON_ENABLE, nullptr, 0, {1, PUSH, IDS_REDO}},
};

// A toggle's registry value is stored only if the settings list it for the same field.
constexpr bool togglesAreStored() {
    for (const EditorCommand& row : kCommands) {
        if (!row.toggle.field) continue;
        bool stored = false;
        for (const DwordSetting& setting : kDwordSettings)
            stored = stored || (setting.kind == SettingKind::Flag && setting.flag == row.toggle.field &&
                                std::string_view(setting.name) == row.toggle.setting);
        if (!stored) return false;
    }
    return true;
}
static_assert(togglesAreStored(), "every toggle row names a flag of kDwordSettings for its field");

}  // namespace

std::span<const EditorCommand> editorCommands() { return kCommands; }

void flipToggle(EditorWindow& editor, const EditorCommand& command) {
    applyToggle(editor, command, !(editor.canvas()->view.*command.toggle.field));
}

void applyToggle(EditorWindow& editor, const EditorCommand& command, bool on) {
    if (!command.toggle.field) return;
    if (command.toggle.set) {
        command.toggle.set(editor, command, on);
        return;
    }
    UVCanvas& canvas = *editor.canvas();
    canvas.view.*command.toggle.field = on;
    setButtonCheck(editor.toolbar(), command.id, on);
    setMenuCheck(editor.window(), command.id, on);
    canvas.updateStatus();  // the stretch legend comes and goes with its display
    canvas.invalidate();
}

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
