// The editor's commands. Every menu item and toolbar button is one row of the command
// table (EditorCommands.cpp): its identifier, the handler that runs it, the rule that
// enables it, the history entry it makes, its toolbar button and, for a view toggle,
// the canvas field and registry value it flips. The dispatcher, the toolbar, the check
// marks, the start-up state and refreshCommandStates all read the rows.
//
// Adding a command: a menu item in resources/, a handler function beside the others
// and one row in the table, in the section of its menu. Adding a view toggle: a
// CanvasView field, its registry value in kDwordSettings (dialogs/SettingsValues.h,
// checked at compile time against the row) and one row with run = flipToggle. The
// rows' order is the order in which refreshCommandStates writes the states and the
// start-up applies the loaded toggles.
#pragma once

#include "canvas/CanvasView.h"

#include <cstdint>
#include <span>

class EditorWindow;

// When a command can be used, from the counts refreshCommandStates takes.
enum class Enabling : uint8_t {
    Always,         // never disabled
    AnyFace,        // the mesh has a face
    AnySelected,    // a selected visible corner
    TwoSelected,    // two of them
    ThreeSelected,  // three of them
    AnyEditable,    // a selected visible unlocked corner
    AnyVisible,     // a visible corner
    ShowAll,        // every face shown, not only those selected in 3D
    CanUndo,        // the host names an entry to undo
    CanRedo,        // the host names an entry to redo
};

// Where refreshCommandStates writes the enabling (bits).
enum : uint8_t {
    STATE_MENU = 0x1,           // the menu item, enabled or greyed
    STATE_BUTTON = 0x2,         // the toolbar button's whole state: enabled, or nothing set
    STATE_BUTTON_ENABLE = 0x4,  // the toolbar button enabled or not, its check kept
};

// A command's toolbar button. The toolbar shows the rows that have one in the order of
// their images; every button starts enabled.
enum class ButtonKind : uint8_t {
    None,        // no button
    Push,        // a plain button
    Check,       // keeps a check state
    CheckGroup,  // one of a group whose checking unchecks the others
};
struct ToolbarButton {
    int image = -1;                  // image in bitmap IDB_TOOLBAR, 0 .. TOOLBAR_IMAGE_COUNT - 1
    ButtonKind kind = ButtonKind::None;
    int tooltip = 0;                 // string resource (IDS_*), shown on hover
    bool separatorBefore = false;    // a separator precedes the button
};

struct EditorCommand;
using CommandHandler = void (*)(EditorWindow& editor, const EditorCommand& command);
// Applies a toggle's new value with everything that goes with it; null: the field is
// set and the button's and menu item's check marks follow it.
using ToggleSetter = void (*)(EditorWindow& editor, const EditorCommand& command, bool on);

// A view toggle: the canvas field its command flips and the registry value that keeps
// it between sessions.
struct ViewToggle {
    bool CanvasView::*field = nullptr;  // null: the command is no toggle
    const char* setting = nullptr;      // registry value name, a flag of kDwordSettings
    ToggleSetter set = nullptr;
};

struct EditorCommand {
    int id;                            // menu and toolbar command identifier
    CommandHandler run;
    Enabling enabling = Enabling::Always;
    uint8_t states = 0;                // STATE_* bits
    const wchar_t* undoText = nullptr; // the history entry's name where the handler gives it;
                                       // null where the operation names its own or none is made
    int operand = 0;                   // the handler's argument: tool, zoom step, direction ...
    ToolbarButton button = {};
    ViewToggle toggle = {};
};

// The handler of every toggle row: applies the opposite of the field's value.
void flipToggle(EditorWindow& editor, const EditorCommand& command);
// Applies a toggle row's value (its setter, or the field and check marks).
void applyToggle(EditorWindow& editor, const EditorCommand& command, bool on);

// Every row, in table order.
std::span<const EditorCommand> editorCommands();
// The row of a command identifier, or null.
const EditorCommand* findEditorCommand(int id);
