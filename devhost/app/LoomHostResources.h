// Identifiers of loomhost.exe's resources: the main menu, its accelerators and the
// texture dialogs. Plain macros, because the resource compiler reads this file too.
#pragma once

#define IDR_MAIN_MENU 1
#define IDR_MAIN_ACCELERATORS 1
#define IDD_RENAME_TEXTURE 100
#define IDD_PAINT_TEXTURE 101

#define ID_FILE_OPEN 100
#define ID_FILE_SAVE 101
#define ID_FILE_SAVE_AS 102
#define ID_FILE_EXIT 105
#define ID_EDIT_UNDO 200
#define ID_EDIT_REDO 201
#define ID_VIEW_SHADED 300
#define ID_VIEW_WIREFRAME 301
#define ID_VIEW_HIDE_SELECTED 302
#define ID_VIEW_UNHIDE_ALL 303
#define ID_VIEW_RESET 304
#define ID_VIEW_CHECKER 305
#define ID_SELECT_ALL 400
#define ID_SELECT_NONE 401
#define ID_SELECT_INVERT 402
#define ID_TEXTURE_ADD 500
#define ID_TEXTURE_RELOAD_ALL 501
#define ID_TEXTURE_PAINT 502
// Submenus filled as they open, one item per entry, numbered from FIRST.
#define ID_PLUGIN_FIRST 1000
#define ID_PLUGIN_LAST 1999
#define ID_DELETE_TEXTURE_FIRST 2000
#define ID_DELETE_TEXTURE_LAST 2999
#define ID_RECENT_FIRST 3000
#define ID_RECENT_LAST 3099
#define ID_RENAME_TEXTURE_FIRST 4000
#define ID_RENAME_TEXTURE_LAST 4999

// Controls of the texture dialogs.
#define IDC_TEXTURE_NAME 1001
#define IDC_PAINT_TEXTURE 1002
#define IDC_PAINT_X 1003
#define IDC_PAINT_Y 1004
#define IDC_PAINT_WIDTH 1005
#define IDC_PAINT_HEIGHT 1006
#define IDC_PAINT_COLOUR 1007
#define IDC_PAINT_PICK 1008
