// The handlers of the command table's rows (CommandHandlers.cpp). Each runs one
// command of the editor: it reads the row for its argument (operand), history entry
// name (undoText) or identifier, and calls one operation of the model, a dialog or
// the canvas. A new command's handler goes here, in the section of its menu.
#pragma once

#include "editor/EditorCommands.h"

// Directions of the Mapping menu's projections (the operand of their handlers), in
// the order of each submenu: +X, --X, +Y, --Y, +Z, --Z.
enum Axis : int { POS_X, NEG_X, POS_Y, NEG_Y, POS_Z, NEG_Z };

namespace commands {

void hideSelection(EditorWindow& editor, const EditorCommand& command);
void hideUnselected(EditorWindow& editor, const EditorCommand& command);
void unhideAll(EditorWindow& editor, const EditorCommand& command);
void invertHidden(EditorWindow& editor, const EditorCommand& command);
void reverseWinding(EditorWindow& editor, const EditorCommand& command);
void snapTogether(EditorWindow& editor, const EditorCommand& command);
void weldSelection(EditorWindow& editor, const EditorCommand& command);
void weldAll(EditorWindow& editor, const EditorCommand& command);
void createMaterialWithOutlines(EditorWindow& editor, const EditorCommand& command);
void selectAll(EditorWindow& editor, const EditorCommand& command);
void invertSelection(EditorWindow& editor, const EditorCommand& command);
void deselectAll(EditorWindow& editor, const EditorCommand& command);
void expandSelection(EditorWindow& editor, const EditorCommand& command);
void contractSelection(EditorWindow& editor, const EditorCommand& command);
void grouping(EditorWindow& editor, const EditorCommand& command);
void flipHorizontal(EditorWindow& editor, const EditorCommand& command);
void flipVertical(EditorWindow& editor, const EditorCommand& command);
void mirrorLeft(EditorWindow& editor, const EditorCommand& command);
void mirrorRight(EditorWindow& editor, const EditorCommand& command);
void mirrorTop(EditorWindow& editor, const EditorCommand& command);
void mirrorBottom(EditorWindow& editor, const EditorCommand& command);
void moveDialog(EditorWindow& editor, const EditorCommand& command);
void rotateDialog(EditorWindow& editor, const EditorCommand& command);
void scaleDialog(EditorWindow& editor, const EditorCommand& command);
void planarBestMatch(EditorWindow& editor, const EditorCommand& command);
void planarAlong(EditorWindow& editor, const EditorCommand& command);
void boxAlong(EditorWindow& editor, const EditorCommand& command);
void cylindricalAlong(EditorWindow& editor, const EditorCommand& command);
void sphericalAlong(EditorWindow& editor, const EditorCommand& command);
void userDefinedProjection(EditorWindow& editor, const EditorCommand& command);
void zoomExtents(EditorWindow& editor, const EditorCommand& command);
void zoomSelectionExtents(EditorWindow& editor, const EditorCommand& command);
void zoomToStep(EditorWindow& editor, const EditorCommand& command);
void showAllSetter(EditorWindow& editor, const EditorCommand& command, bool on);
void syncSelectionSetter(EditorWindow& editor, const EditorCommand& command, bool on);
void settingsDialog(EditorWindow& editor, const EditorCommand& command);
void selectIslandOfSelection(EditorWindow& editor, const EditorCommand& command);
void unwrapSelection(EditorWindow& editor, const EditorCommand& command);
void unwrapConformalSelection(EditorWindow& editor, const EditorCommand& command);
void relaxSelection(EditorWindow& editor, const EditorCommand& command);
void autoUnwrapSelection(EditorWindow& editor, const EditorCommand& command);
void packSelectedIslands(EditorWindow& editor, const EditorCommand& command);
void selectFlippedFaces(EditorWindow& editor, const EditorCommand& command);
void selectOverlappingFaces(EditorWindow& editor, const EditorCommand& command);
void texelDensityDialog(EditorWindow& editor, const EditorCommand& command);
void splitSelection(EditorWindow& editor, const EditorCommand& command);
void stitchSelection(EditorWindow& editor, const EditorCommand& command);
void orientSelectedIslands(EditorWindow& editor, const EditorCommand& command);
void stackSelectedIslands(EditorWindow& editor, const EditorCommand& command);
void alignSelected(EditorWindow& editor, const EditorCommand& command);  // operand: an AlignTo
void straightenSelected(EditorWindow& editor, const EditorCommand& command);
void straightenSelectedToGrid(EditorWindow& editor, const EditorCommand& command);
void chooseTool(EditorWindow& editor, const EditorCommand& command);
void lockSelectedCoords(EditorWindow& editor, const EditorCommand& command);
void undo(EditorWindow& editor, const EditorCommand& command);
void redo(EditorWindow& editor, const EditorCommand& command);

}  // namespace commands
