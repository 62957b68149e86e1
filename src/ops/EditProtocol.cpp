#include "EditProtocol.h"

// Opens the entry and answers the mesh to lock, if any.
HostMesh* UVEdit::open(UVModel& model, const EditSteps& steps) {
    if (steps.undoGroup && model.document) model.document->BeginUndoGroup(steps.description);
    if (steps.beginEdit && !steps.beginEditAfterLock && model.mesh)
        model.mesh->BeginEdit(steps.scope.scopeA, steps.scope.kind, steps.scope.scopeB,
                              steps.description);
    return steps.lockRecords ? model.mesh.Get() : nullptr;
}

// The references are the operation's own: the host may make the editor replace the
// model's mesh from inside EndEdit.
UVEdit::UVEdit(UVModel& model, const EditSteps& steps)
    : UVWalk(open(model, steps), model.faceFilter),
      steps_(steps),
      mesh_(model.mesh),
      document_(model.document),
      owner_(model.owner) {
    if (steps_.beginEdit && steps_.beginEditAfterLock && mesh_)
        mesh_->BeginEdit(steps_.scope.scopeA, steps_.scope.kind, steps_.scope.scopeB,
                         steps_.description);
}

bool UVEdit::finish() {
    if (finished_) return changed > 0;
    finished_ = true;
    unlock();
    if (steps_.undoGroup && document_) document_->EndUndoGroup(changed > 0);
    bool notify = steps_.endEdit == EndEditRule::Always ||
                  (steps_.endEdit == EndEditRule::IfChanged && changed > 0);
    if (notify && mesh_) {
        UVModelOwner* owner = steps_.raiseCounter ? owner_ : nullptr;
        if (owner) ++owner->changeInProgress;
        mesh_->EndEdit();
        if (owner) --owner->changeInProgress;
    }
    return changed > 0;
}
