// The protocol of every data-changing UV operation: undo group, edit bracket, the walk
// under lock, keep flag, and EndEdit inside the owner's change-in-progress counter.
#pragma once

#include "UVModel.h"
#include <model/UVWalk.h>

// The numbers of HostMesh::BeginEdit: what the host records before the change.
struct EditScope {
    LONG scopeA;
    LONG kind;
    LONG scopeB;
};
constexpr EditScope EDIT_FACE_DATA{0, 4, 13};          // UVs, material, other face data
constexpr EditScope EDIT_SELECTION{0, 0x10, 13};       // corner selection and hidden bits
constexpr EditScope EDIT_SYNCED_SELECTION{4, 0x10, 5}; // also vertex and face selection
constexpr EditScope EDIT_GROUPS{0, 0x200, 13};         // UV group bits

inline EditScope selectionScope(bool sync) { return sync ? EDIT_SYNCED_SELECTION : EDIT_SELECTION; }

enum class EndEditRule { Always, IfChanged, Never };

// One operation's protocol. The defaults are the full protocol.
struct EditSteps {
    const wchar_t* description;
    EditScope scope;
    bool undoGroup = true;           // BeginUndoGroup ... EndUndoGroup(changed > 0)
    bool beginEdit = true;           // BeginEdit at all
    bool beginEditAfterLock = false; // BeginEdit after LockFaces instead of before
    EndEditRule endEdit = EndEditRule::Always;
    bool raiseCounter = true;        // owner's change-in-progress counter around EndEdit
    bool lockRecords = true;         // false: only the host calls, the walk sees no faces
};

// The usual steps of an operation whose caller chooses whether it records undo.
inline EditSteps undoableSteps(const wchar_t* description, EditScope scope, bool recordUndo) {
    return {description, scope, recordUndo, recordUndo};
}

class UVEdit : public UVWalk {
public:
    // Makes the opening host calls, then locks the records.
    UVEdit(UVModel& model, const EditSteps& steps);
    UVEdit(const UVEdit&) = delete;
    UVEdit& operator=(const UVEdit&) = delete;
    ~UVEdit() { finish(); }

    // Unlocks, closes the undo group and notifies the host; later calls do nothing.
    // Answers whether the operation changed anything (changed > 0), its usual result.
    bool finish();

    int changed = 0;  // corners or faces changed, as the operation counts them

private:
    static HostMesh* open(UVModel& model, const EditSteps& steps);

    EditSteps steps_;
    HostRef<HostMesh> mesh_;
    HostRef<HostDocument> document_;
    UVModelOwner* owner_;
    bool finished_ = false;
};
