// Resource identifiers of Texloom.dll.
// Command, control and resource numbers are fixed: the host and saved layouts
// never see them, but the editor's tables and the templates must agree.
#pragma once

#define IDR_TYPELIB 1

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---------------------------------------------------------------------------
// Editor window (dialog 216) with its menu bar (209) and toolbar (202).
#define IDD_EDITOR 216
#define IDR_EDITOR_MENU 209
#define IDB_TOOLBAR 202  // also the TOOLBAR resource listing the buttons
#define TOOLBAR_IMAGE_WIDTH 16
#define TOOLBAR_IMAGE_HEIGHT 15
#define TOOLBAR_IMAGE_COUNT 17

// Edit menu
#define ID_EDIT_HIDE_SELECTION 32805
#define ID_EDIT_HIDE_UNSELECTED 32817
#define ID_EDIT_INVERT_HIDDEN 32852
#define ID_EDIT_UNHIDE_ALL 32806
#define ID_EDIT_REVERSE_WINDING_ORDER 32865
#define ID_EDIT_SNAP_TOGETHER 32849
#define ID_EDIT_WELD_SELECTION 32815
#define ID_EDIT_WELD_ALL 32823
#define ID_EDIT_CREATE_MATERIAL_WITH_OUTLINES 32816

// Select menu
#define ID_SELECT_ALL 32787
#define ID_SELECT_INVERT_SELECTION 32788
#define ID_SELECT_DESELECT_ALL 32789
#define ID_SELECT_EXPAND_SELECTION 32790
#define ID_SELECT_CONTRACT_SELECTION 32791
#define ID_SELECT_GROUPING 32827

// Transform menu
#define ID_TRANSFORM_FLIP_HORIZONTAL 32808
#define ID_TRANSFORM_FLIP_VERTICAL 32809
#define ID_TRANSFORM_MIRROR_LEFT 32813
#define ID_TRANSFORM_MIRROR_RIGHT 32847
#define ID_TRANSFORM_MIRROR_TOP 32811
#define ID_TRANSFORM_MIRROR_BOTTOM 32812
#define ID_TRANSFORM_MOVE 32803
#define ID_TRANSFORM_ROTATE 32802
#define ID_TRANSFORM_SCALE 32804

// Mapping menu. Each direction range runs +X, --X, +Y, --Y, +Z, --Z.
#define ID_MAPPING_PLANAR_BEST_MATCH 32777
#define ID_MAPPING_PLANAR_POS_X 32853
#define ID_MAPPING_PLANAR_NEG_X 32854
#define ID_MAPPING_PLANAR_POS_Y 32855
#define ID_MAPPING_PLANAR_NEG_Y 32856
#define ID_MAPPING_PLANAR_POS_Z 32857
#define ID_MAPPING_PLANAR_NEG_Z 32858
#define ID_MAPPING_PLANAR_USER_DEFINED 32784
#define ID_MAPPING_BOX_POS_X 32880
#define ID_MAPPING_BOX_NEG_X 32881
#define ID_MAPPING_BOX_POS_Y 32882
#define ID_MAPPING_BOX_NEG_Y 32883
#define ID_MAPPING_BOX_POS_Z 32884
#define ID_MAPPING_BOX_NEG_Z 32885
#define ID_MAPPING_BOX_USER_DEFINED 125
#define ID_MAPPING_CYLINDRICAL_POS_X 32859
#define ID_MAPPING_CYLINDRICAL_NEG_X 32860
#define ID_MAPPING_CYLINDRICAL_POS_Y 32861
#define ID_MAPPING_CYLINDRICAL_NEG_Y 32862
#define ID_MAPPING_CYLINDRICAL_POS_Z 32863
#define ID_MAPPING_CYLINDRICAL_NEG_Z 32864
#define ID_MAPPING_CYLINDRICAL_USER_DEFINED 32785
#define ID_MAPPING_SPHERICAL_POS_X 32778
#define ID_MAPPING_SPHERICAL_NEG_X 32779
#define ID_MAPPING_SPHERICAL_POS_Y 32780
#define ID_MAPPING_SPHERICAL_NEG_Y 32781
#define ID_MAPPING_SPHERICAL_POS_Z 32782
#define ID_MAPPING_SPHERICAL_NEG_Z 32783
#define ID_MAPPING_SPHERICAL_USER_DEFINED 32786

// View menu
#define ID_VIEW_ZOOM_EXTENTS 105
#define ID_VIEW_ZOOM_SELECTION_EXTENTS 104
#define ID_VIEW_ZOOM_1_5 40015
#define ID_VIEW_ZOOM_1_4 40016
#define ID_VIEW_ZOOM_1_3 40017
#define ID_VIEW_ZOOM_1_2 40018
#define ID_VIEW_ZOOM_1_1 40019
#define ID_VIEW_ZOOM_2_1 40020
#define ID_VIEW_ZOOM_3_1 40021
#define ID_VIEW_ZOOM_4_1 40022
#define ID_VIEW_ZOOM_5_1 40023
#define ID_VIEW_ZOOM_6_1 32829
#define ID_VIEW_ZOOM_7_1 32830
#define ID_VIEW_ZOOM_8_1 32831
#define ID_VIEW_ZOOM_9_1 32832
#define ID_VIEW_ZOOM_10_1 32833
#define ID_VIEW_ZOOM_11_1 32886
#define ID_VIEW_ZOOM_12_1 32887
#define ID_VIEW_SNAP_TO_GRID 112
#define ID_VIEW_SNAP_ANGLES 113
#define ID_VIEW_SHOW_GRID 32850
#define ID_VIEW_SHOW_TEXTURE_BACKGROUND 32776
#define ID_VIEW_SHOW_TILED_TEXTURE 32868
#define ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D 32836
#define ID_VIEW_SYNCHRONIZE_SELECTIONS 32871
#define ID_VIEW_SETTINGS 32818
// Tools (added after View; numbers above every other command's).
#define ID_TOOLS_SELECT_ISLAND 32900
#define ID_TOOLS_UNWRAP 32901
#define ID_TOOLS_AUTO_UNWRAP 32902
#define ID_TOOLS_PACK_ISLANDS 32903
#define ID_TOOLS_SELECT_FLIPPED 32904
#define ID_TOOLS_SELECT_OVERLAPPING 32905
#define ID_TOOLS_SHOW_FLIPPED_AND_OVERLAPPING 32906
#define ID_TOOLS_SHOW_STRETCH 32907
#define ID_TOOLS_TEXEL_DENSITY 32908
#define ID_TOOLS_UNWRAP_CONFORMAL 32909
#define ID_TOOLS_SPLIT_SELECTION 32910
#define ID_TOOLS_STITCH 32911
#define ID_TOOLS_ALIGN_LEFT 32912
#define ID_TOOLS_ALIGN_RIGHT 32913
#define ID_TOOLS_ALIGN_TOP 32914
#define ID_TOOLS_ALIGN_BOTTOM 32915
#define ID_TOOLS_ALIGN_CENTRE_HORIZONTALLY 32916
#define ID_TOOLS_ALIGN_CENTRE_VERTICALLY 32917
#define ID_TOOLS_STRAIGHTEN 32918
#define ID_TOOLS_ORIENT_ISLANDS 32919
#define ID_TOOLS_STACK_SIMILAR_ISLANDS 32920
#define ID_TOOLS_STRAIGHTEN_TO_GRID 32921
#define ID_TOOLS_SNAP_TO_CORNERS 32922
#define ID_TOOLS_RELAX 32923

// Toolbar-only commands (the other buttons share the menu's commands).
#define ID_TOOL_UNDO 122
#define ID_TOOL_REDO 123
#define ID_TOOL_SELECT_UV_COORDS 115
#define ID_TOOL_SELECT_UV_TRIANGLES 116
#define ID_TOOL_PAN 102
#define ID_TOOL_ZOOM 103
#define ID_TOOL_ZOOM_REGION 111
#define ID_TOOL_LOCK_SELECTED_COORDS 107

// Toolbar tooltips.
#define IDS_SELECT_UV_COORDS 101
#define IDS_PAN 102
#define IDS_ZOOM 103
#define IDS_ZOOM_SELECTION_EXTENTS 104
#define IDS_ZOOM_EXTENTS 105
#define IDS_SHOW_ONLY_FACES_SELECTED_IN_3D 106
#define IDS_EXPAND_SELECTION 107
#define IDS_SHRINK_SELECTION 108
#define IDS_LOCK_SELECTED_COORDS 109
#define IDS_SHOW_TEXTURE_BACKGROUND 110  // no button carries it (yet)
#define IDS_SHOW_TILED_TEXTURE 111       // no button carries it (yet)
#define IDS_WELD_SELECTION 112           // no button carries it (yet)
#define IDS_SETTINGS 113                 // no button carries it (yet)
#define IDS_SNAP_TO_GRID 114
#define IDS_SNAP_ANGLES 115
#define IDS_SHOW_GRID 116
#define IDS_ZOOM_REGION 117
#define IDS_SELECT_UV_TRIANGLES 118
#define IDS_UNDO 119
#define IDS_REDO 120
#define IDS_SYNCHRONIZE_SELECTIONS 121
#define IDS_FIRST_TOOLTIP 101
#define IDS_LAST_TOOLTIP 121

// ---------------------------------------------------------------------------
// Commands shared by the Settings, Move, Rotate and Scale dialogs
// (1 is IDOK: Enter applies and closes; 2 is IDCANCEL: "Done").
#define IDC_APPLY 3

// Settings dialog
#define IDD_SETTINGS 201
#define IDC_SNAP_ANGLE 201
#define IDC_GRID_SPACING 202
#define IDC_SEL_VERT_COLOR 203  // frames that host the colour boxes
#define IDC_VERT_COLOR 204
#define IDC_LOCKED_COLOR 205
#define IDC_BACK_COLOR 206
#define IDC_HANDLE_COLOR 207
#define IDC_WELD_EPSILON 208
#define IDC_CANVAS_WIDTH 209
#define IDC_CANVAS_HEIGHT 211

// Move, Rotate and Scale dialogs
#define IDD_ROTATE 206
#define IDD_MOVE 207
#define IDD_SCALE 208
#define IDC_VALUE_U 212  // Move and Scale
#define IDC_VALUE_V 211
#define IDC_ABSOLUTE 216
#define IDC_ANGLE 212  // Rotate
#define IDC_ROTATE_90 218
#define IDC_ROTATE_180 219
#define IDC_ROTATE_270 220
#define IDD_TEXEL_DENSITY 228
#define IDC_DENSITY 212
#define IDC_DENSITY_NOW 211
#define IDC_MATCH 218
#define IDC_DENSITY_WHY 213  // why a typed density was refused

// Grouping dialog. Group button IDC_GROUP_1 + k stands for group bit 1 << k.
#define IDD_GROUPING 215
#define IDC_GROUP_ASSIGN 243
#define IDC_GROUP_SELECT 244
#define IDC_GROUP_UNASSIGN 245
#define IDC_GROUP_NONE 205
#define IDC_GROUP_1 206
#define IDC_GROUP_16 221
#define GROUP_COUNT 16

// Choose Matrix dialog
#define IDD_CHOOSE_MATRIX 227
#define IDC_MATRIX_FRAME 251  // hosts the ChooseMatrix control
#define IDC_PRESET_POS_X 206
#define IDC_PRESET_POS_Y 207
#define IDC_PRESET_POS_Z 208
#define IDC_PRESET_NEG_X 209
#define IDC_PRESET_NEG_Y 210
#define IDC_PRESET_NEG_Z 211
#define IDC_HIDE_EDITOR 250

// ---------------------------------------------------------------------------
// Cursors (32 x 32 monochrome; hotspot in parentheses).
#define IDC_CURSOR_ZOOM 210             // magnifier with plus (9, 8)
#define IDC_CURSOR_MOVE_V 211           // vertical double arrow (9, 9)
#define IDC_CURSOR_ROTATE 212           // circular arrows (16, 14)
#define IDC_CURSOR_MOVE 213             // four-way arrows (9, 9)
#define IDC_CURSOR_MOVE_U 214           // horizontal double arrow (9, 9)
#define IDC_CURSOR_SIZE_NWSE 215        // diagonal double arrow (9, 9)
#define IDC_CURSOR_SIZE_NESW 216        // diagonal double arrow (9, 9)
#define IDC_CURSOR_SCALE_TOP 217        // triangle up (15, 13)
#define IDC_CURSOR_SCALE_BOTTOM 218     // triangle down (15, 13)
#define IDC_CURSOR_SCALE_LEFT 219       // triangle left (17, 15)
#define IDC_CURSOR_SCALE_RIGHT 220      // triangle right (16, 17)
#define IDC_CURSOR_SCALE_TOP_LEFT 221   // (14, 14)
#define IDC_CURSOR_SCALE_TOP_RIGHT 222  // (16, 13)
#define IDC_CURSOR_SCALE_BOTTOM_LEFT 223   // (17, 14)
#define IDC_CURSOR_SCALE_BOTTOM_RIGHT 224  // (21, 16)
#define IDC_CURSOR_PAN 225              // open hand (15, 9)
#define IDC_CURSOR_PAN_GRAB 226         // closed hand (15, 9)
#define IDC_CURSOR_ZOOM_OUT 227         // magnifier with minus (9, 8)
#define IDC_CURSOR_TURN_Z 228           // Choose Matrix, outside the circle (16, 16)
#define IDC_CURSOR_TURN_Y 229           // Choose Matrix, left/right handles (16, 16)
#define IDC_CURSOR_TURN_X 230           // Choose Matrix, top/bottom handles (16, 16)
#define IDC_CURSOR_FIRST 210
#define IDC_CURSOR_LAST 230
