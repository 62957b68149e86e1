// Keeps the editor in step with the host model: the UV selection that follows the 3D
// selection, the U and V read-out of the controls bar, and the enabled state of every
// menu item and toolbar button.
#include "canvas/UVCanvas.h"
#include "editor/EditorWindow.h"
#include "model/MeshLock.h"
#include "resource.h"

#include <commctrl.h>

namespace {

// The counts that the enabling rules read, taken afresh at every refresh.
struct CommandCounts {
    int faces = 0;     // F: faces of the active mesh, no filter
    int selected = 0;  // S: selected visible corners
    int editable = 0;  // E: selected visible unlocked corners
    int visible = 0;   // V: visible corners
    bool showAll = true;
};

enum class Rule { FacesAny, SelectedAny, SelectedTwo, SelectedThree, EditableAny, VisibleAny, ShowAll };

bool holds(Rule rule, const CommandCounts& n) {
    switch (rule) {
        case Rule::FacesAny: return n.faces > 0;
        case Rule::SelectedAny: return n.selected > 0;
        case Rule::SelectedTwo: return n.selected > 1;
        case Rule::SelectedThree: return n.selected > 2;
        case Rule::EditableAny: return n.editable > 0;
        case Rule::VisibleAny: return n.visible != 0;
        case Rule::ShowAll: return n.showAll;
    }
    return false;
}

struct MenuRule {
    int command;
    Rule rule;
};

// Menu items whose enabling follows the counts, in the order they are written.
constexpr MenuRule kMenuRules[] = {
    {ID_EDIT_HIDE_SELECTION, Rule::SelectedAny},
    {ID_EDIT_HIDE_UNSELECTED, Rule::VisibleAny},
    {ID_EDIT_INVERT_HIDDEN, Rule::FacesAny},
    {ID_EDIT_UNHIDE_ALL, Rule::FacesAny},
    {ID_EDIT_REVERSE_WINDING_ORDER, Rule::SelectedThree},
    {ID_EDIT_SNAP_TOGETHER, Rule::SelectedTwo},
    {ID_EDIT_WELD_SELECTION, Rule::SelectedTwo},
    {ID_EDIT_WELD_ALL, Rule::VisibleAny},
    {ID_SELECT_ALL, Rule::VisibleAny},
    {ID_SELECT_INVERT_SELECTION, Rule::VisibleAny},
    {ID_SELECT_DESELECT_ALL, Rule::SelectedAny},
    {ID_SELECT_EXPAND_SELECTION, Rule::SelectedAny},
    {ID_SELECT_CONTRACT_SELECTION, Rule::SelectedAny},
    {ID_TRANSFORM_MOVE, Rule::EditableAny},
    {ID_TRANSFORM_ROTATE, Rule::EditableAny},
    {ID_TRANSFORM_SCALE, Rule::EditableAny},
    {ID_TRANSFORM_FLIP_HORIZONTAL, Rule::SelectedTwo},
    {ID_TRANSFORM_FLIP_VERTICAL, Rule::SelectedTwo},
    {ID_TRANSFORM_MIRROR_LEFT, Rule::SelectedTwo},
    {ID_TRANSFORM_MIRROR_RIGHT, Rule::SelectedTwo},
    {ID_TRANSFORM_MIRROR_TOP, Rule::SelectedTwo},
    {ID_TRANSFORM_MIRROR_BOTTOM, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_BEST_MATCH, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_POS_X, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_NEG_X, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_POS_Y, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_NEG_Y, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_POS_Z, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_NEG_Z, Rule::SelectedTwo},
    {ID_MAPPING_PLANAR_USER_DEFINED, Rule::SelectedTwo},
    {ID_MAPPING_BOX_POS_X, Rule::SelectedTwo},
    {ID_MAPPING_BOX_NEG_X, Rule::SelectedTwo},
    {ID_MAPPING_BOX_POS_Y, Rule::SelectedTwo},
    {ID_MAPPING_BOX_NEG_Y, Rule::SelectedTwo},
    {ID_MAPPING_BOX_POS_Z, Rule::SelectedTwo},
    {ID_MAPPING_BOX_NEG_Z, Rule::SelectedTwo},
    {ID_MAPPING_BOX_USER_DEFINED, Rule::SelectedTwo},
    {ID_MAPPING_CYLINDRICAL_POS_X, Rule::SelectedTwo},
    {ID_MAPPING_CYLINDRICAL_NEG_X, Rule::SelectedTwo},
    {ID_MAPPING_CYLINDRICAL_POS_Y, Rule::SelectedTwo},
    {ID_MAPPING_CYLINDRICAL_NEG_Y, Rule::SelectedTwo},
    {ID_MAPPING_CYLINDRICAL_POS_Z, Rule::SelectedTwo},
    {ID_MAPPING_CYLINDRICAL_NEG_Z, Rule::SelectedTwo},
    {ID_MAPPING_CYLINDRICAL_USER_DEFINED, Rule::SelectedTwo},
    {ID_MAPPING_SPHERICAL_POS_X, Rule::SelectedTwo},
    {ID_MAPPING_SPHERICAL_NEG_X, Rule::SelectedTwo},
    {ID_MAPPING_SPHERICAL_POS_Y, Rule::SelectedTwo},
    {ID_MAPPING_SPHERICAL_NEG_Y, Rule::SelectedTwo},
    {ID_MAPPING_SPHERICAL_POS_Z, Rule::SelectedTwo},
    {ID_MAPPING_SPHERICAL_NEG_Z, Rule::SelectedTwo},
    {ID_MAPPING_SPHERICAL_USER_DEFINED, Rule::SelectedTwo},
    {ID_VIEW_ZOOM_EXTENTS, Rule::FacesAny},
    {ID_VIEW_ZOOM_SELECTION_EXTENTS, Rule::SelectedAny},
    {ID_VIEW_SYNCHRONIZE_SELECTIONS, Rule::ShowAll},
};

// Toolbar buttons whose whole state is written: enabled, or nothing set.
constexpr MenuRule kToolbarStateRules[] = {
    {ID_VIEW_ZOOM_EXTENTS, Rule::FacesAny},
    {ID_VIEW_ZOOM_SELECTION_EXTENTS, Rule::SelectedAny},
    {ID_SELECT_EXPAND_SELECTION, Rule::SelectedAny},
    {ID_SELECT_CONTRACT_SELECTION, Rule::SelectedAny},
};

struct UndoAvailability {
    bool canUndo = false;
    bool canRedo = false;
};

// The host names the entries next in line for undo and redo; an empty name means none.
UndoAvailability readUndoAvailability(HostDocument* document) {
    UndoAvailability result;
    HostRef<HostNode> application, undo;
    if (document) document->GetApplicationNode(application.GetAddressOf());
    if (application) application->GetNode(L"./schema/preferences/undo", undo.GetAddressOf());
    if (!undo) return result;
    HostText undoText, redoText;
    undo->GetAttribute(L"LastUndoDesc", undoText.out());
    undo->GetAttribute(L"LastRedoDesc", redoText.out());
    result.canUndo = !undoText.empty();
    result.canRedo = !redoText.empty();
    return result;
}

// The host's 3D selection becomes the UV selection of one face: a face selected in 3D
// with no hidden corner is selected whole, otherwise each visible corner follows its
// vertex. Written directly: no undo, no notification.
void copy3DSelection(FaceRecord& face, const MeshLock& lock) {
    face.flags &= uint16_t(~UV_SELECTED_ALL);
    if ((face.flags & FACE_SELECTED) && !(face.flags & UV_HIDDEN_ALL)) {
        face.flags |= UV_SELECTED_ALL;
        return;
    }
    for (int c = 0; c < 3; ++c) {
        const unsigned index = face.vertex[c];
        if (index >= unsigned(lock.vertexCount) || cornerHidden(face.flags, c)) continue;
        if (lock.vertices[index].flags & VERTEX_SELECTED) face.flags |= uint16_t(UV_SELECTED << c);
    }
}

}  // namespace

void EditorWindow::refreshSelection() {
    if (!canvas_) return;
    UVCanvas& canvas = *canvas_.Get();
    MeshLock lock(canvas.mesh.Get());
    const int distinct = model_.countDistinct(canvas.epsilon);
    const bool copy3D = canvas.syncSelection && changeInProgress == 0;

    // The read-out shows the last selected visible corner of the first face that has one.
    bool found = false;
    UVPoint shown{0, 0};
    for (int i = 0; i < lock.faceCount; ++i) {
        FaceRecord& face = lock.faces[i];
        if (!found) {
            for (int c = 0; c < 3; ++c) {
                if (!cornerPasses(face.flags, c, SELECTED_VISIBLE_MASK, UV_SELECTED)) continue;
                shown = {face.uv[c][0], face.uv[c][1]};
                found = true;
            }
        }
        if (copy3D) copy3DSelection(face, lock);
        else if (found) break;
    }

    if (distinct == 1)
        controls_.showCoordinate(shown.u, shown.v);
    else
        controls_.clearCoordinate();

    const bool anyLocked = model_.countCorners(EDITABLE_MASK, UV_SELECTED | UV_LOCKED) > 0;
    if (toolbar_) SendMessageA(toolbar_, TB_CHECKBUTTON, ID_TOOL_LOCK_SELECTED_COORDS, MAKELPARAM(anyLocked, 0));
    scheduleCommandRefresh();
}

void EditorWindow::refreshCommandStates() {
    MeshLock lock(model_.mesh.Get());
    CommandCounts counts;
    counts.faces = lock.faceCount;
    counts.selected = model_.countCorners(SELECTED_VISIBLE_MASK, UV_SELECTED);
    counts.editable = model_.countCorners(EDITABLE_MASK, UV_SELECTED);
    counts.visible = model_.countCorners(0x0008, 0x0000);
    counts.showAll = canvas_ ? canvas_->showAll : true;

    if (toolbar_) {
        for (const MenuRule& entry : kToolbarStateRules)
            SendMessageA(toolbar_, TB_SETSTATE, entry.command,
                         MAKELPARAM(holds(entry.rule, counts) ? TBSTATE_ENABLED : 0, 0));
    }

    const UndoAvailability history = readUndoAvailability(document_.Get());
    if (toolbar_) {
        SendMessageA(toolbar_, TB_ENABLEBUTTON, ID_TOOL_UNDO, MAKELPARAM(history.canUndo, 0));
        SendMessageA(toolbar_, TB_ENABLEBUTTON, ID_TOOL_REDO, MAKELPARAM(history.canRedo, 0));
        SendMessageA(toolbar_, TB_ENABLEBUTTON, ID_VIEW_SYNCHRONIZE_SELECTIONS, MAKELPARAM(counts.showAll, 0));
    }

    if (HMENU menu = window_ ? GetMenu(window_) : nullptr) {
        for (const MenuRule& entry : kMenuRules)
            EnableMenuItem(menu, static_cast<UINT>(entry.command),
                           MF_BYCOMMAND | (holds(entry.rule, counts) ? MF_ENABLED : MF_GRAYED));
    }
}

// A burst of changes restarts the one-shot timer and so costs one refresh.
void EditorWindow::scheduleCommandRefresh() {
    if (window_) SetTimer(window_, kCommandTimer, kCommandTimerPeriod, nullptr);
}
