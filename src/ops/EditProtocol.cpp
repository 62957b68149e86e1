#include "EditProtocol.h"

#include <algorithm>
#include <cstring>

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
      kept_(model.scratch.keptUVs),
      mesh_(model.mesh),
      document_(model.document),
      owner_(model.owner) {
    if (steps_.beginEdit && steps_.beginEditAfterLock && mesh_)
        mesh_->BeginEdit(steps_.scope.scopeA, steps_.scope.kind, steps_.scope.scopeB,
                         steps_.description);
}

void UVEdit::keepUVs() {
    if (!steps_.keepUVs) return;
    const size_t faces = size_t(std::max(faceCount(), 0));
    float* kept = needed(kept_.take(6 * faces));
    for (size_t i = 0; i < faces; ++i) std::memcpy(kept + 6 * i, face(int(i)).uv, sizeof(FaceRecord::uv));
    keeping_ = true;
}

void UVEdit::outOfMemory() {
    if (keeping_)
        for (size_t i = 0; i < size_t(std::max(faceCount(), 0)); ++i)
            std::memcpy(face(int(i)).uv, kept_.data() + 6 * i, sizeof(FaceRecord::uv));
    changed = 0;
    outOfMemory_ = true;
}

EditResult UVEdit::finish() {
    if (finished_) return result();
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
    return result();
}

EditResult UVEdit::result() const {
    if (outOfMemory_) return EditResult::OutOfMemory;
    return changed > 0 ? EditResult::Changed : EditResult::Unchanged;
}
