// The commands' handlers, one per kind of row of the command table, and the geometry
// they share (mirror pivots, projection frames, the dialogs' modality).
#include "editor/CommandHandlers.h"

#include "canvas/OutlineMaterial.h"
#include "canvas/UVCanvas.h"
#include "dialogs/ChooseMatrixDialog.h"
#include "dialogs/SettingsDialog.h"
#include "dialogs/TexelDensityDialog.h"
#include "dialogs/TransformDialogs.h"
#include "editor/EditorWindow.h"
#include "ops/Alignment.h"
#include "ops/EditProtocol.h"
#include "ops/IslandTools.h"
#include "ops/Islands.h"
#include "ops/LayoutQuality.h"
#include "ops/Relax.h"

#include <commctrl.h>

#include <cstdio>

namespace {

const Vector3 kAxisDirections[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

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
    model.mirror({inU, !inU}, CORNERS_SELECTED, true, &pivot);
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

}  // namespace

namespace commands {

using Command = const EditorCommand&;

// Edit: setCornerFlags with undo and notification, never synchronised.
void hideSelection(EditorWindow& e, Command c) {
    e.model().setCornerFlags(SELECTED_VISIBLE_MASK, UV_HIDDEN, CORNERS_SELECTED, c.undoText);
}
void hideUnselected(EditorWindow& e, Command c) {
    e.model().setCornerFlags(UV_HIDDEN, UV_HIDDEN, CORNERS_UNSELECTED, c.undoText);
}
void unhideAll(EditorWindow& e, Command c) {
    e.model().setCornerFlags(UV_HIDDEN, 0, CORNERS_ALL, c.undoText);
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
void selectAll(EditorWindow& e, Command) { e.model().selectAll(true, {e.canvas()->view.syncSelection}); }
void invertSelection(EditorWindow& e, Command) { e.model().invertSelection(e.canvas()->view.syncSelection); }
void deselectAll(EditorWindow& e, Command) { e.model().selectAll(false, {e.canvas()->view.syncSelection}); }
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
    HostRef<ChooseMatrixDialog> dialog =
        adoptReference(ChooseMatrixDialog::create(model, editor.canvas()->view, command.operand));
    if (!dialog) return;

    GrowArray<UVPoint> saved;
    saved.reserve(1024);
    bool whole = true;
    {
        UVWalk snapshot(model.mesh.Get(), FACE_FILTER_OFF);
        snapshot.forEachCorner(CORNERS_SELECTED, [&](FaceRecord& face, int c) {
            whole = saved.append({face.uv[c][0], face.uv[c][1]}) && whole;
        });
    }
    // Without the memory to put every UV back, the dialog does not open.
    if (!whole) return;
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
// Toggle setters with more to do than the check marks.
void showAllSetter(EditorWindow& e, Command, bool on) { e.setShowAll(on); }
void syncSelectionSetter(EditorWindow& e, Command, bool on) { e.setSyncSelection(on); }
void settingsDialog(EditorWindow& e, Command) {
    SettingsDialog dialog(*e.canvas());
    runApplyDialog(e, dialog);
}

// Tools: islands through edges whose UVs meet within the weld epsilon.
void selectIslandOfSelection(EditorWindow& e, Command) {
    ::selectIsland(e.model(), e.canvas()->view.epsilon, e.canvas()->view.syncSelection);
}
void unwrapSelection(EditorWindow& e, Command) { ::unwrap(e.model(), e.canvas()->view.epsilon); }
void unwrapConformalSelection(EditorWindow& e, Command) { ::unwrapConformal(e.model(), e.canvas()->view.epsilon); }
void relaxSelection(EditorWindow& e, Command c) { ::relax(e.model(), e.canvas()->view.epsilon, c.undoText); }
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
void splitSelection(EditorWindow& e, Command) { ::splitSelection(e.model(), e.canvas()->view.epsilon); }
void stitchSelection(EditorWindow& e, Command) { ::stitch(e.model(), e.canvas()->view.epsilon); }
void orientSelectedIslands(EditorWindow& e, Command) { ::orientIslands(e.model(), e.canvas()->view.epsilon); }
// The status bar says what was stacked, also when nothing was.
void stackSelectedIslands(EditorWindow& e, Command) {
    StackCount count;
    ::stackSimilarIslands(e.model(), e.canvas()->view.epsilon, &count);
    char text[64];
    std::snprintf(text, sizeof text, "Stacked %d island%s onto %d", count.stacked, count.stacked == 1 ? "" : "s",
                  count.onto);
    e.controls().setStatusText(1, text);
}
// Lining corners up; the history entries are the rows'.
void alignSelected(EditorWindow& e, Command c) {
    ::alignSelection(e.model(), static_cast<AlignTo>(c.operand), e.canvas()->view.epsilon, c.undoText);
}
void straightenSelected(EditorWindow& e, Command c) { ::straighten(e.model(), e.canvas()->view.epsilon, c.undoText); }
// The status pane says how many islands were no grid.
void straightenSelectedToGrid(EditorWindow& e, Command c) {
    const GridResult result = ::straightenToGrid(e.model(), e.canvas()->view.epsilon, c.undoText);
    char text[96];
    std::snprintf(text, sizeof text, "%d island(s) laid out as grids, %d skipped", result.laidOut, result.skipped);
    e.controls().setStatusText(1, text);
}

// Toolbar.
void chooseTool(EditorWindow& e, Command c) { e.setToolMode(c.operand); }
// Check button 107: its state after the click says lock or unlock. With nothing
// selected nothing happens; the next selection refresh resets the button.
void lockSelectedCoords(EditorWindow& e, Command c) {
    UVModel& model = e.model();
    if (model.countCorners(CORNERS_SELECTED) == 0) return;
    const bool lock = e.toolbar() && SendMessageA(e.toolbar(), TB_ISBUTTONCHECKED, c.id, 0) != 0;
    model.setCornerFlags(UV_LOCKED, lock ? UV_LOCKED : 0, CORNERS_SELECTED,
                         lock ? c.undoText : L"Unlock Selected UV Coords");
}
void undo(EditorWindow& e, Command) {
    if (HostDocument* document = e.document()) document->Undo(1);
}
void redo(EditorWindow& e, Command) {
    if (HostDocument* document = e.document()) document->Redo(1);
}

}  // namespace commands
