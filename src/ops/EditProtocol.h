// The protocol of every data-changing UV operation: undo group, edit bracket, the walk
// under lock, keep flag, EndEdit inside the owner's change-in-progress counter, and the
// one rule for working memory that cannot be had.
#pragma once

#include "UVModel.h"
#include <model/UVWalk.h>

#include <new>

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
    bool keepUVs = false;            // run() copies every face's UVs first, for work that
                                     // allocates between its writes
};

// The full protocol for face data, with the UVs kept for work that allocates between
// its writes.
inline EditSteps keepingSteps(const wchar_t* description) {
    EditSteps steps{description, EDIT_FACE_DATA};
    steps.keepUVs = true;
    return steps;
}

// Working memory an edit cannot do without: null throws std::bad_alloc, for run().
template <class T>
T* needed(T* memory) {
    if (!memory) throw std::bad_alloc();
    return memory;
}

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

    // Runs the operation's work, then finish(). Memory that cannot be had: when the work
    // throws std::bad_alloc, nothing it did stays (the UVs kept for EditSteps::keepUVs go
    // back; work without them writes nothing before it has all its memory), the history
    // entry is dropped and the answer is OutOfMemory.
    template <class Work>
    EditResult run(Work&& work) {
        try {
            keepUVs();
            work();
        } catch (const std::bad_alloc&) {
            outOfMemory();
        }
        return finish();
    }

    // Unlocks, closes the undo group and notifies the host; later calls do nothing.
    // Answers Changed when the operation changed anything (changed > 0), its usual result.
    EditResult finish();

    int changed = 0;  // corners or faces changed, as the operation counts them

private:
    static HostMesh* open(UVModel& model, const EditSteps& steps);
    void keepUVs();
    void outOfMemory();
    EditResult result() const;

    EditSteps steps_;
    ScratchArray<float>& kept_;
    bool keeping_ = false;
    bool outOfMemory_ = false;
    HostRef<HostMesh> mesh_;
    HostRef<HostDocument> document_;
    UVModelOwner* owner_;
    bool finished_ = false;
};
