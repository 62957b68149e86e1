// The editor's menu and toolbar commands and its selection and command-state refresh,
// driven as a user drives them: WM_COMMAND to the real editor window in a development
// host document, then the records, the host's history and call journal, and the menu
// and toolbar states read back from the windows.
//
// Sections:
//   Fixture                EditorTest: a square of two faces in a real editor
//   Edit menu
//   Select menu
//   Transform menu
//   View menu and toolbar
//   Command states
//   Selection refresh
#include "resource.h"
#include "support/EditorFixture.h"

#include <commctrl.h>

using devhost::DevFace;

namespace {

// ---- Fixture --------------------------------------------------------------------

class EditorTest : public EditorFixture {
protected:
    void open(std::vector<DevFace> faces = square()) { openSquare(std::move(faces)); }

    // A click on a toolbar check button: the toolbar flips the check, then sends the command.
    void clickCheckButton(int id) {
        SendMessageA(editor_->toolbar(), TB_CHECKBUTTON, id, MAKELPARAM(!buttonChecked(id), 0));
        command(id);
    }
    // Lets the one-shot command refresh run.
    void settle() { uitest::pump(200); }

    // A host-side selection, announced to the editor like any host change.
    void selectCorners(int faceIndex, uint16_t cornerBits) {
        document_->changeMesh([&](auto& faces, auto&) { faces[faceIndex].flags |= cornerBits; });
    }
    bool menuEnabled(int id) {
        UINT state = GetMenuState(GetMenu(window_), id, MF_BYCOMMAND);
        EXPECT_NE(state, UINT(-1)) << "menu item " << id;
        return !(state & (MF_GRAYED | MF_DISABLED));
    }
    // The menu item's state and, where the toolbar has one, its button's.
    bool hasButton(int id) { return SendMessageA(editor_->toolbar(), TB_COMMANDTOINDEX, id, 0) >= 0; }
    void expectEnabled(bool enabled, std::initializer_list<int> ids) {
        for (int id : ids) {
            EXPECT_EQ(menuEnabled(id), enabled) << "menu item " << id;
            if (hasButton(id)) {
                EXPECT_EQ(buttonEnabled(id), enabled) << "button " << id;
            }
        }
    }
    void expectChecked(int id, bool checked) {
        EXPECT_EQ(menuChecked(id), checked) << "menu item " << id;
        if (hasButton(id)) {
            EXPECT_EQ(buttonChecked(id), checked) << "button " << id;
        }
    }
    bool menuChecked(int id) { return (GetMenuState(GetMenu(window_), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    bool buttonEnabled(int id) { return SendMessageA(editor_->toolbar(), TB_ISBUTTONENABLED, id, 0) != 0; }
    bool buttonChecked(int id) { return SendMessageA(editor_->toolbar(), TB_ISBUTTONCHECKED, id, 0) != 0; }

    bool controlEnabled(UVControls::Control which) { return IsWindowEnabled(editor_->controls().control(which)); }
    std::string controlText(UVControls::Control which) {
        return uitest::windowText(editor_->controls().control(which));
    }
};

// ---- Edit menu ------------------------------------------------------------------

TEST_F(EditorTest, HideAndUnhideCommandsChangeOnlyTheirCornersAndNameTheirEntries) {
    open();
    selectCorners(0, UV_SELECTED | UV_SELECTED << 1);  // face 0, corners 0 and 1

    // Each row: the command, then both faces' flags and the history's last entry.
    const struct { int command, face0, face1; const wchar_t* entry; } steps[] = {
        {ID_EDIT_HIDE_SELECTION, UV_HIDDEN | UV_HIDDEN << 1, 0, L"Hide UV Coords"},  // hidden and no longer selected
        {ID_EDIT_HIDE_UNSELECTED, UV_HIDDEN_ALL, UV_HIDDEN_ALL, L"Hide UV Coords"},
        {ID_EDIT_UNHIDE_ALL, 0, 0, L"UnHide UV Coords"},
        {ID_EDIT_INVERT_HIDDEN, UV_HIDDEN_ALL, UV_HIDDEN_ALL, L"Invert Hidden UV"},
    };
    for (const auto& step : steps) {
        command(step.command);
        EXPECT_EQ(allFlags(), (std::vector<int>{step.face0, step.face1})) << step.command;
        ASSERT_FALSE(history().empty());
        EXPECT_EQ(history().back(), step.entry) << step.command;
    }
    EXPECT_TRUE(called(R"(BeginEdit(0,16,13,"Hide UV Coords"))"));
}

// Each command reaches its operation (named by its history entry; what the operations do
// is their own tests'), with the canvas's weld distance and mapping rectangle.
TEST_F(EditorTest, EditAndMappingCommandsReachTheirOperations) {
    std::vector<DevFace> mesh = square();
    mesh[1].uv[0][0] = 0.1005f;  // within 0.001 of face 0's corner 0
    mesh[1].uv[1][0] = 0.603f;   // 0.003 away from face 0's corner 2
    open(mesh);
    command(ID_EDIT_WELD_ALL);
    EXPECT_EQ(faces()[1].uv[0][0], faces()[0].uv[0][0]);
    EXPECT_FLOAT_EQ(faces()[1].uv[1][0], 0.603f);
    canvas().view.epsilon = 0.01f;
    selectCorners(0, UV_SELECTED << 2);
    selectCorners(1, UV_SELECTED << 1);
    command(ID_EDIT_WELD_SELECTION);
    EXPECT_EQ(faces()[1].uv[1][0], faces()[0].uv[2][0]);

    command(ID_SELECT_ALL);
    const struct { int command; const wchar_t* entry; } steps[] = {
        {ID_EDIT_SNAP_TOGETHER, L"Snap Together UV Coords"},
        {ID_EDIT_REVERSE_WINDING_ORDER, L"Reverse UV Winding Order"},
        {ID_EDIT_WELD_SELECTION, L"Weld UV Coords"},
        {ID_MAPPING_CYLINDRICAL_POS_Z, L"Cylindrical UV Mapping"},
        {ID_MAPPING_PLANAR_POS_Z, L"Planar UV Mapping"},
    };
    for (const auto& step : steps) {
        command(step.command);
        EXPECT_EQ(history().back(), step.entry) << step.command;
    }
    // Positions (0,0), (1,0), (1,1) of face 0 land on the corners of (0, 0, 0.5, 0.5).
    const float planar[3][2] = {{0.0f, 0.0f}, {0.5f, 0.0f}, {0.5f, 0.5f}};
    for (int c = 0; c < 3; ++c)
        EXPECT_TRUE(faces()[0].uv[c][0] == planar[c][0] && faces()[0].uv[c][1] == planar[c][1]) << c;

    // The axis frame is the axis' own, moved to the selection's centroid.
    ASSERT_TRUE(document_->undo());
    command(ID_MAPPING_CYLINDRICAL_NEG_X);
    const std::vector<DevFace> fromCommand = faces();
    ASSERT_TRUE(document_->undo());
    Matrix4 frame;
    frame.orientToAxis({-1, 0, 0}, 0);
    frame.setRow(3, {0.5f, 0.5f, 0.0f}, 1.0f);
    editor_->model().cylindricalMap(&frame, canvas().view.mappingRect, CORNERS_SELECTED, false);
    EXPECT_TRUE(facesAre(fromCommand));
}

// ---- Select menu ----------------------------------------------------------------

TEST_F(EditorTest, SelectCommandsPassTheSynchronisationFlag) {
    open();
    command(ID_SELECT_ALL);
    EXPECT_EQ(flags(0) & UV_SELECTED_ALL, UV_SELECTED_ALL);
    EXPECT_EQ(document_->vertices()[0].flags, 0) << "not synchronised: the 3D selection stays";
    command(ID_SELECT_DESELECT_ALL);

    editor_->setSyncSelection(true);
    document_->clearJournal();
    command(ID_SELECT_ALL);
    EXPECT_TRUE(called(R"(BeginEdit(4,16,5,"Select All"))"));
    EXPECT_EQ(document_->vertices()[2].flags & VERTEX_SELECTED, VERTEX_SELECTED);
    EXPECT_EQ(flags(1) & FACE_SELECTED, FACE_SELECTED) << "a fully selected face is selected in 3D";

    command(ID_SELECT_INVERT_SELECTION);
    EXPECT_EQ(flags(0) & (UV_SELECTED_ALL | FACE_SELECTED), 0);
    EXPECT_EQ(document_->vertices()[2].flags & VERTEX_SELECTED, 0);
}

// ---- Transform menu -------------------------------------------------------------

TEST_F(EditorTest, FlipAndMirrorTurnAboutTheSelectionBounds) {
    open();
    // Face 0: u 0.1, 0.6, 0.6 and v 0.1, 0.1, 0.6. Each row: the corner and axis read after
    // the command, and the value it must have then.
    selectCorners(0, UV_SELECTED_ALL);
    const struct { int command, corner, axis; float value; } steps[] = {
        {ID_TRANSFORM_FLIP_HORIZONTAL, 0, 0, 0.6f}, {ID_TRANSFORM_FLIP_HORIZONTAL, 0, 1, 0.1f},  // v is kept
        {ID_TRANSFORM_MIRROR_LEFT, 0, 0, -0.4f},    // about u = 0.1: everything at or left of it
        {ID_TRANSFORM_MIRROR_TOP, 2, 1, -0.4f},     // about the smallest v, 0.1
        {ID_TRANSFORM_MIRROR_BOTTOM, 2, 1, 0.6f},   // about the largest v, now 0.1 again
        {ID_TRANSFORM_MIRROR_RIGHT, 0, 0, 0.6f},    // about the largest u, 0.1
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        if (i != 1) command(steps[i].command);
        EXPECT_NEAR(faces()[0].uv[steps[i].corner][steps[i].axis], steps[i].value, 1e-6f) << steps[i].command;
    }
    EXPECT_NEAR(faces()[0].uv[1][0], 0.1f, 1e-6f);
    EXPECT_EQ(history().back(), L"Mirror UV Coords");
}

// ---- View menu and toolbar ------------------------------------------------------

TEST_F(EditorTest, ZoomRatiosStepFromOneFifthToTwelveAboutTheCanvasCentre) {
    open();
    RECT client = {};
    GetClientRect(canvas().window(), &client);
    const int cx = (client.left + client.right) / 2, cy = (client.top + client.bottom) / 2;
    float beforeX, beforeY, afterX, afterY;
    canvas().pixelToCanvas(cx, cy, beforeX, beforeY);

    // The View menu's Zoom items in their order, 1:5 to 12:1.
    HMENU zoom = nullptr, menu = GetMenu(window_);
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        for (int k = 0, n = GetMenuItemCount(GetSubMenu(menu, i)); k < n && !zoom; ++k) {
            char text[16] = {};
            GetMenuStringA(GetSubMenu(menu, i), k, text, sizeof text, MF_BYPOSITION);
            if (std::string(text) == "Zoom") zoom = GetSubMenu(GetSubMenu(menu, i), k);
        }
    ASSERT_EQ(GetMenuItemCount(zoom), 16);
    for (int i = 0; i < 16; ++i) {
        command(int(GetMenuItemID(zoom, i)));
        EXPECT_EQ(canvas().view.zoomLevel, i - 4) << "item " << i;
    }
    EXPECT_FLOAT_EQ(canvas().view.zoom, 12.0f);
    canvas().pixelToCanvas(cx, cy, afterX, afterY);
    EXPECT_NEAR(afterX, beforeX, 1e-3f);
    EXPECT_NEAR(afterY, beforeY, 1e-3f);
}

TEST_F(EditorTest, ZoomExtentsFitsTheVisibleCornersOrResetsTheView) {
    open();
    command(ID_VIEW_ZOOM_1_5);
    command(ID_VIEW_ZOOM_EXTENTS);
    RECT client = {};
    GetClientRect(canvas().window(), &client);
    const POINT topLeft = canvas().uvToPixel(0.1f, 0.1f), bottomRight = canvas().uvToPixel(0.6f, 0.6f);
    EXPECT_TRUE(topLeft.x >= 0 && topLeft.y >= 0 && bottomRight.x <= client.right && bottomRight.y <= client.bottom);
    EXPECT_GT(bottomRight.x - topLeft.x, (client.right - 80) / 2) << "fitted, not left at 1:5";

    // Nothing selected: "Zoom Selection Extents" changes nothing.
    const float zoom = canvas().view.zoom, panX = canvas().view.panX, panY = canvas().view.panY;
    command(ID_VIEW_ZOOM_SELECTION_EXTENTS);
    EXPECT_TRUE(canvas().view.zoom == zoom && canvas().view.panX == panX && canvas().view.panY == panY);

    // Every corner hidden: the view resets.
    command(ID_EDIT_HIDE_UNSELECTED);
    command(ID_VIEW_ZOOM_EXTENTS);
    const CanvasView& view = canvas().view;
    EXPECT_TRUE(view.zoom == 1.0f && view.zoomLevel == 0 && view.panX == 0 && view.panY == 0);
}

TEST_F(EditorTest, ViewTogglesAndToolButtonsKeepMenuAndToolbarChecksInStepWithTheCanvas) {
    SettingsKey().writeDword("TileTex", 1);
    SettingsKey().writeDword("ShowStretch", 1);
    SettingsKey().writeDword("SnapAngles", 0);
    open();
    const std::pair<int, bool CanvasView::*> toggles[] = {
        {ID_VIEW_SHOW_GRID, &CanvasView::showGrid},
        {ID_VIEW_SNAP_TO_GRID, &CanvasView::snapToGrid},
        {ID_VIEW_SNAP_ANGLES, &CanvasView::snapAngles},
        {ID_VIEW_SHOW_TEXTURE_BACKGROUND, &CanvasView::showTexture},
        {ID_VIEW_SHOW_TILED_TEXTURE, &CanvasView::tileTexture},
        {ID_TOOLS_SHOW_FLIPPED_AND_OVERLAPPING, &CanvasView::showFaults},
        {ID_TOOLS_SHOW_STRETCH, &CanvasView::showStretch},
    };
    // The loaded values are applied as the commands apply them.
    EXPECT_TRUE(canvas().view.tileTexture && canvas().view.showStretch && !canvas().view.snapAngles);
    for (const auto& [id, flag] : toggles) expectChecked(id, canvas().view.*flag);
    for (const auto& [id, flag] : toggles)
        for (bool expected : {!(canvas().view.*flag), canvas().view.*flag}) {
            command(id);
            EXPECT_EQ(canvas().view.*flag, expected) << id;
            expectChecked(id, expected);
        }

    const int buttons[] = {ID_TOOL_SELECT_UV_COORDS, ID_TOOL_SELECT_UV_TRIANGLES, ID_TOOL_PAN, ID_TOOL_ZOOM,
                           ID_TOOL_ZOOM_REGION};
    const int tools[] = {1, 2, 3, 6, 7};
    for (int i : {2, 4, 1, 3, 0}) {
        command(buttons[i]);
        EXPECT_EQ(canvas().view.tool, tools[i]);
        for (int b = 0; b < 5; ++b) EXPECT_EQ(buttonChecked(buttons[b]), b == i) << buttons[i] << " " << buttons[b];
    }
}

TEST_F(EditorTest, ShowOnlySelectedIn3DSwitchesSynchronisationOffAndGreysIt) {
    open();
    editor_->setSyncSelection(true);
    command(ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D);
    EXPECT_FALSE(canvas().view.showAll || canvas().view.syncSelection);
    EXPECT_TRUE(editor_->model().faceFilter.mask == FACE_FILTER_SELECTED_IN_3D.mask &&
                editor_->model().faceFilter.value == FACE_FILTER_SELECTED_IN_3D.value);
    EXPECT_EQ(canvas().view.faceFilter.mask, FACE_FILTER_SELECTED_IN_3D.mask);
    expectChecked(ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, true);
    expectChecked(ID_VIEW_SYNCHRONIZE_SELECTIONS, false);
    settle();
    // Nothing is selected in 3D, so no face passes the filter: no visible corner.
    expectEnabled(false, {ID_VIEW_SYNCHRONIZE_SELECTIONS, ID_SELECT_ALL});
    // Writing the check marks writes the whole item state: greyed items are enabled
    // again until the next refresh.
    editor_->setSyncSelection(false);
    EXPECT_TRUE(menuEnabled(ID_VIEW_SYNCHRONIZE_SELECTIONS));
    editor_->refreshCommandStates();
    EXPECT_FALSE(menuEnabled(ID_VIEW_SYNCHRONIZE_SELECTIONS));

    command(ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D);
    EXPECT_TRUE(canvas().view.showAll && !canvas().view.syncSelection) << "synchronisation does not resume";
    EXPECT_EQ(editor_->model().faceFilter.mask, FACE_FILTER_ALL.mask);
    settle();
    expectEnabled(true, {ID_VIEW_SYNCHRONIZE_SELECTIONS});
}

TEST_F(EditorTest, LockButtonLocksAndUnlocksAndFollowsTheLockedCount) {
    open();
    const std::vector<DevFace> before = faces();
    clickCheckButton(ID_TOOL_LOCK_SELECTED_COORDS);
    EXPECT_TRUE(facesAre(before) && history().empty());
    EXPECT_TRUE(buttonChecked(ID_TOOL_LOCK_SELECTED_COORDS)) << "the click's state stays until the next refresh";
    editor_->refreshSelection();
    EXPECT_FALSE(buttonChecked(ID_TOOL_LOCK_SELECTED_COORDS));

    selectCorners(1, UV_SELECTED | UV_SELECTED << 2);
    clickCheckButton(ID_TOOL_LOCK_SELECTED_COORDS);
    EXPECT_EQ(flags(1), UV_SELECTED | UV_SELECTED << 2 | UV_LOCKED | UV_LOCKED << 2);
    EXPECT_EQ(history().back(), L"Lock Selected UV Coords");
    settle();
    expectEnabled(false, {ID_TRANSFORM_MOVE});  // no editable corner left
    expectEnabled(true, {ID_TRANSFORM_FLIP_HORIZONTAL});

    clickCheckButton(ID_TOOL_LOCK_SELECTED_COORDS);
    EXPECT_EQ(flags(1), UV_SELECTED | UV_SELECTED << 2);
    EXPECT_EQ(history().back(), L"Unlock Selected UV Coords");
}

// The buttons step the host's history (loomhost's tests); their states follow its descriptions.
TEST_F(EditorTest, UndoAndRedoButtonsFollowTheHostsDescriptions) {
    open();
    command(ID_SELECT_ALL);
    command(ID_TOOL_UNDO);
    settle();
    EXPECT_FALSE(buttonEnabled(ID_TOOL_UNDO));
    EXPECT_TRUE(buttonEnabled(ID_TOOL_REDO));
    command(ID_TOOL_REDO);

    // Only the host's description decides.
    devhost::Node* undo = document_->applicationNode().find(L"./schema/preferences/undo");
    ASSERT_NE(undo, nullptr);
    undo->setText(L"LastUndoDesc", L"");
    editor_->refreshCommandStates();
    EXPECT_FALSE(buttonEnabled(ID_TOOL_UNDO));
    undo->setText(L"LastUndoDesc", L"Select All");
    editor_->refreshCommandStates();
    EXPECT_TRUE(buttonEnabled(ID_TOOL_UNDO));
}

// ---- Command states -------------------------------------------------------------

TEST_F(EditorTest, EnablingFollowsTheCornerCounts) {
    open();
    settle();
    expectEnabled(false, {ID_EDIT_HIDE_SELECTION, ID_EDIT_WELD_SELECTION, ID_TRANSFORM_MOVE, ID_MAPPING_SPHERICAL_NEG_Z,
                          ID_VIEW_ZOOM_SELECTION_EXTENTS, ID_SELECT_EXPAND_SELECTION});
    expectEnabled(true, {ID_SELECT_ALL, ID_EDIT_WELD_ALL, ID_VIEW_ZOOM_EXTENTS});

    selectCorners(0, UV_SELECTED | UV_SELECTED << 1);  // S = 2
    settle();
    expectEnabled(true, {ID_EDIT_HIDE_SELECTION, ID_EDIT_WELD_SELECTION, ID_EDIT_SNAP_TOGETHER,
                         ID_MAPPING_BOX_USER_DEFINED, ID_TRANSFORM_MOVE, ID_SELECT_CONTRACT_SELECTION});
    EXPECT_FALSE(menuEnabled(ID_EDIT_REVERSE_WINDING_ORDER)) << "needs three";

    selectCorners(0, UV_SELECTED << 2);  // S = 3
    settle();
    EXPECT_TRUE(menuEnabled(ID_EDIT_REVERSE_WINDING_ORDER));

    command(ID_EDIT_HIDE_UNSELECTED);
    command(ID_EDIT_HIDE_SELECTION);  // V = 0, F = 2
    settle();
    expectEnabled(false, {ID_SELECT_ALL, ID_EDIT_HIDE_UNSELECTED});
    expectEnabled(true, {ID_EDIT_UNHIDE_ALL, ID_EDIT_INVERT_HIDDEN});

    // No mesh: everything that needs faces is greyed.
    document_->removeMesh();
    editor_->refreshActiveMesh();
    editor_->refreshCommandStates();
    expectEnabled(false, {ID_EDIT_UNHIDE_ALL, ID_VIEW_ZOOM_EXTENTS});
    expectEnabled(true, {ID_VIEW_SYNCHRONIZE_SELECTIONS});
}

// ---- Selection refresh ----------------------------------------------------------

TEST_F(EditorTest, OneDistinctSelectedPositionFillsUAndVAndSetMovesIt) {
    std::vector<DevFace> mesh = square();
    mesh[1].uv[0][0] = 0.1f;  // face 1 corner 0 coincides with face 0 corner 0
    open(mesh);
    EXPECT_EQ(controlText(UVControls::EditU), "");
    EXPECT_FALSE(controlEnabled(UVControls::SetButton));

    selectCorners(0, UV_SELECTED);
    selectCorners(1, UV_SELECTED);
    EXPECT_EQ(controlText(UVControls::EditU) + " " + controlText(UVControls::EditV), "0.1000 0.1000");
    EXPECT_TRUE(controlEnabled(UVControls::EditU) && controlEnabled(UVControls::SetButton));

    // Which corners "Set" moves is the operation's test; here the fields reach it, and
    // text that is not a number counts as 0.
    auto set = [&](const char* u, const char* v) {
        SetWindowTextA(editor_->controls().control(UVControls::EditU), u);
        SetWindowTextA(editor_->controls().control(UVControls::EditV), v);
        SendMessageA(editor_->controls().window(), WM_COMMAND, MAKEWPARAM(UVControls::kSetButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(editor_->controls().control(UVControls::SetButton)));
    };
    set("0.25", "0.75");
    EXPECT_TRUE(faces()[1].uv[0][0] == 0.25f && faces()[1].uv[0][1] == 0.75f);
    EXPECT_EQ(history().back(), L"Set UV Coord");
    set("abc", "0.5");
    EXPECT_TRUE(faces()[0].uv[0][0] == 0.0f && faces()[0].uv[0][1] == 0.5f);

    selectCorners(1, UV_SELECTED << 2);  // a second position, (0.1, 0.6)
    EXPECT_EQ(controlText(UVControls::EditU) + controlText(UVControls::EditV), "");
    EXPECT_FALSE(controlEnabled(UVControls::EditV) || controlEnabled(UVControls::SetButton));
}

TEST_F(EditorTest, SynchronisedRefreshCopiesThe3DSelection) {
    // Face 0 selected in 3D with nothing hidden; face 1 not selected, its vertex 3 is,
    // and so is vertex 2, whose corner in face 1 is hidden.
    std::vector<DevFace> mesh = square();
    mesh[0].flags |= FACE_SELECTED;
    mesh[1].flags |= UV_HIDDEN << 1;  // corner 1 (vertex 2) hidden
    open(mesh);
    document_->vertices()[2].flags = document_->vertices()[3].flags = VERTEX_SELECTED;
    selectCorners(1, UV_SELECTED);  // a stale UV selection

    editor_->setSyncSelection(true);
    EXPECT_EQ(flags(0) & UV_SELECTED_ALL, UV_SELECTED_ALL);
    EXPECT_EQ(flags(1) & UV_SELECTED_ALL, UV_SELECTED << 2) << "only the visible corner of a selected vertex";

    // While the editor hands a change to the host, the 3D selection is not copied back.
    document_->changeMesh([](auto& all, auto&) { all[0].flags &= ~UV_SELECTED_ALL; });
    EXPECT_EQ(flags(0) & UV_SELECTED_ALL, UV_SELECTED_ALL) << "the host's notification copied it again";
    document_->faces()[0].flags &= ~UV_SELECTED_ALL;
    editor_->changeInProgress = 1;
    editor_->refreshSelection();
    editor_->changeInProgress = 0;
    EXPECT_EQ(flags(0) & UV_SELECTED_ALL, 0);
}

}  // namespace
