// The plug-in's editor as the host sees it from outside: its windows found by class
// and caption, driven with the messages a user's input would produce, and read back
// for the dump.
#pragma once

#include "LoomHost.h"
#include "io/StateFile.h"

namespace loomhost {

struct EditorParts {
    HWND editor = nullptr;
    HWND toolbar = nullptr;   // "ToolbarWindow32" child
    HWND controls = nullptr;  // "UVControls" child
    HWND canvas = nullptr;    // child whose class starts with "TexloomCanvas"
};

std::wstring className(HWND window);

// Throws std::runtime_error when the editor is not open or a part is missing.
EditorParts editorParts(const App& app, bool needCanvas = false);

// The visible window the editor owns that is topmost (a dialog it opened, or a message
// box it asked), or null.
HWND findEditorDialog(const App& app);
// A dialog or message box of loomhost's own main window, or null.
HWND findHostDialog(const App& app);

// The command of a window's menu by item path ("View/Zoom/12:1"; texts without '&' and
// without accelerator text, case-insensitive). Throws naming the part not found.
UINT menuCommand(HWND window, const std::wstring& path);

// Every item of the editor's menu by path, with its enabled and checked state; the
// toolbar's buttons by command; the controls bar's texts; the open dialog's controls.
devhost::StateJson editorState(const App& app);

// Input on the canvas at client pixels; modifiers held in the thread's key state.
enum Modifiers { MOD_NONE = 0, MOD_SHIFTKEY = 1, MOD_CTRLKEY = 2 };
void clickCanvas(App& app, int x, int y, int modifiers);
void dragCanvas(App& app, POINT from, POINT to, int modifiers, int button);  // 0 left, 1 right, 2 middle
void wheelCanvas(App& app, int x, int y, int delta);
void clickToolbarButton(App& app, int command);
// Picks the entry of the controls bar's texture list with that text, as a user would.
void chooseTexture(App& app, const std::wstring& entry);

}  // namespace loomhost
