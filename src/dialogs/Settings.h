// The editor's settings in the plug-in's registry key: the canvas's view settings and
// the editor window's rectangle, read when the window opens and written when it closes.
#pragma once

#include "dialogs/SettingsValues.h"

#include <windows.h>

// Reads the 24 editor values into the view settings and returns the window
// rectangle. Missing values keep the current settings.
EditorPlacement loadEditorSettings(CanvasView& view);
// Moves the editor window to the loaded rectangle (with repaint) and, when centre is
// set, centres it in the desktop work area, clamped into that area.
void placeEditorWindow(HWND editor, const EditorPlacement& placement);
// Writes the 24 editor values: the view settings and the editor window's outer
// rectangle in screen coordinates.
void saveEditorSettings(const CanvasView& view, HWND editor);
