// The editor's commands. Every menu item and toolbar button is one row of the command
// table (EditorCommands.cpp): its identifier, the handler that runs it, the rule that
// enables it and the history entry it makes. The dispatcher, the check marks and
// refreshCommandStates all read the rows.
//
// Adding a command: a menu item or button in resources/, a handler function beside the
// others, and one row in the table, in the section of its menu. The rows' order is the
// order in which refreshCommandStates writes the states.
#pragma once

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

struct EditorCommand;
using CommandHandler = void (*)(EditorWindow& editor, const EditorCommand& command);

struct EditorCommand {
    int id;                            // menu and toolbar command identifier
    CommandHandler run;
    Enabling enabling = Enabling::Always;
    uint8_t states = 0;                // STATE_* bits
    const wchar_t* undoText = nullptr; // the history entry's name where the handler gives it;
                                       // null where the operation names its own or none is made
    int operand = 0;                   // the handler's argument: tool, zoom step, direction ...
};

// Every row, in table order.
std::span<const EditorCommand> editorCommands();
// The row of a command identifier, or null.
const EditorCommand* findEditorCommand(int id);
