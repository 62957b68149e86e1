// Keeps the editor in step with the host model: the UV selection that follows the 3D
// selection, the U and V read-out of the controls bar, and the enabled state of every
// menu item and toolbar button.
#include "canvas/UVCanvas.h"
#include "editor/EditorCommands.h"
#include "editor/EditorWindow.h"
#include "model/MeshLock.h"
#include "model/UVWalk.h"
#include "resource.h"

#include <commctrl.h>

#include <bit>

namespace {

// The counts that the enabling rules read, taken afresh at every refresh.
struct CommandCounts {
    int faces = 0;     // faces of the active mesh, no filter
    int selected = 0;  // selected visible corners
    int editable = 0;  // selected visible unlocked corners
    int visible = 0;   // visible corners
    bool showAll = true;
    bool canUndo = false;
    bool canRedo = false;
};

bool enabled(Enabling rule, const CommandCounts& n) {
    switch (rule) {
        case Enabling::Always: return true;
        case Enabling::AnyFace: return n.faces > 0;
        case Enabling::AnySelected: return n.selected > 0;
        case Enabling::TwoSelected: return n.selected > 1;
        case Enabling::ThreeSelected: return n.selected > 2;
        case Enabling::AnyEditable: return n.editable > 0;
        case Enabling::AnyVisible: return n.visible != 0;
        case Enabling::ShowAll: return n.showAll;
        case Enabling::CanUndo: return n.canUndo;
        case Enabling::CanRedo: return n.canRedo;
    }
    return false;
}

// The corner bits of one kind (corner c in bit c).
unsigned cornerBits(uint16_t flags, uint16_t cornerZeroBit) { return (flags / cornerZeroBit) & 7u; }

// S, E and V in one walk of the filtered faces: selected visible corners, those of them
// unlocked, and visible corners.
void countCorners(UVWalk& walk, CommandCounts& n) {
    walk.forEachFace([&](const FaceRecord& face, int) {
        const unsigned visible = ~cornerBits(face.flags, UV_HIDDEN) & 7u;
        const unsigned selected = cornerBits(face.flags, UV_SELECTED) & visible;
        n.visible += std::popcount(visible);
        n.selected += std::popcount(selected);
        n.editable += std::popcount(selected & ~cornerBits(face.flags, UV_LOCKED));
    });
}

// The host names the entries next in line for undo and redo; an empty name means none.
void readUndoAvailability(HostDocument* document, CommandCounts& result) {
    HostRef<HostNode> application, undo;
    if (document) document->GetApplicationNode(application.GetAddressOf());
    if (application) application->GetNode(L"./schema/preferences/undo", undo.GetAddressOf());
    if (!undo) return;
    HostText undoText, redoText;
    undo->GetAttribute(L"LastUndoDesc", undoText.out());
    undo->GetAttribute(L"LastRedoDesc", redoText.out());
    result.canUndo = !undoText.empty();
    result.canRedo = !redoText.empty();
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
    const CanvasView& view = canvas_->view;
    MeshLock lock(model_.mesh.Get());
    const int distinct = model_.countDistinct(view.epsilon, 2);
    const bool copy3D = view.syncSelection && changeInProgress == 0;

    // One walk: the read-out shows the last selected visible corner of the first face
    // that has one; the lock button follows the selected locked corners of the filtered
    // faces, taken after the copy.
    bool found = false, anyLocked = false;
    UVPoint shown{0, 0};
    for (int i = 0; i < lock.faceCount; ++i) {
        FaceRecord& face = lock.faces[i];
        if (!found) {
            for (int c = 0; c < 3; ++c) {
                if (!CORNERS_SELECTED.passes(face.flags, c)) continue;
                shown = {face.uv[c][0], face.uv[c][1]};
                found = true;
            }
        }
        if (copy3D) copy3DSelection(face, lock);
        if (!anyLocked && model_.faceFilter.passes(face.flags))
            for (int c = 0; c < 3; ++c)
                anyLocked |= CORNERS_SELECTED_LOCKED.passes(face.flags, c);
        if (!copy3D && found && anyLocked) break;
    }

    if (distinct == 1)
        controls_.showCoordinate(shown.u, shown.v);
    else
        controls_.clearCoordinate();

    if (toolbar_) SendMessageA(toolbar_, TB_CHECKBUTTON, ID_TOOL_LOCK_SELECTED_COORDS, MAKELPARAM(anyLocked, 0));
    scheduleCommandRefresh();
}

void EditorWindow::refreshCommandStates() {
    UVWalk walk(model_.mesh.Get(), model_.faceFilter);
    CommandCounts counts;
    counts.faces = walk.faceCount();
    countCorners(walk, counts);
    counts.showAll = canvas_ ? canvas_->view.showAll : true;
    readUndoAvailability(document_.Get(), counts);

    HMENU menu = window_ ? GetMenu(window_) : nullptr;
    for (const EditorCommand& command : editorCommands()) {
        const bool on = enabled(command.enabling, counts);
        if (toolbar_ && (command.states & STATE_BUTTON))
            SendMessageA(toolbar_, TB_SETSTATE, command.id, MAKELPARAM(on ? TBSTATE_ENABLED : 0, 0));
        if (toolbar_ && (command.states & STATE_BUTTON_ENABLE))
            SendMessageA(toolbar_, TB_ENABLEBUTTON, command.id, MAKELPARAM(on, 0));
        if (menu && (command.states & STATE_MENU))
            EnableMenuItem(menu, static_cast<UINT>(command.id), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    }
}

// A burst of changes restarts the one-shot timer and so costs one refresh.
void EditorWindow::scheduleCommandRefresh() {
    if (window_) SetTimer(window_, kCommandTimer, kCommandTimerPeriod, nullptr);
}
