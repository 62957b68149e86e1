// The edit protocol's own guarantees; each operation's variation of it is checked with
// the operation.
#include "support/MeshFixture.h"

#include <ops/EditProtocol.h>

using namespace meshtest;

using EditProtocol = MeshFixture;

TEST_F(EditProtocol, FinishesOnceAtTheLatestAtTheScopeEndThoughTheMeshGoes) {
    useMesh({face(0, 0, 1, 2, 0, 0, 1, 0, 1, 1)});
    {
        UVEdit edit(model, {L"Move UV Coords", EDIT_FACE_DATA});
        model.mesh.Reset();  // as a host notification re-reading the active mesh would
        edit.changed = 1;
    }
    expectJournal(fullProtocol("Move UV Coords", "0,4,13", true));
    EXPECT_EQ(countersSeen, std::vector<int>{1});

    model.owner = nullptr;  // no owner: still notified
    doc->GetActiveMesh(&model.mesh);
    doc->clearJournal();
    {
        UVEdit edit(model, {L"Move UV Coords", EDIT_FACE_DATA});
        EXPECT_EQ(edit.finish(), EditResult::Unchanged);
        EXPECT_EQ(edit.finish(), EditResult::Unchanged);
    }
    expectJournal(fullProtocol("Move UV Coords", "0,4,13", false));
}

// Memory that cannot be had: what the work wrote goes back, the entry is dropped, and
// the answer says so, also when asked again.
TEST_F(EditProtocol, RunningOutOfMemoryChangesNothingAndKeepsNoEntry) {
    useMesh({face(0, 0, 1, 2, 0, 0, 1, 0, 1, 1), face(0, 0, 1, 2, 0.5f, 0, 1, 0, 1, 1)});
    UVEdit edit(model, keepingSteps(L"Unwrap"));
    EXPECT_EQ(edit.run([&] {
        edit.face(1).uv[2][0] = 7, edit.changed = 1;
        throw std::bad_alloc();
    }), EditResult::OutOfMemory);
    EXPECT_EQ(edit.finish(), EditResult::OutOfMemory);
    expectFace(1, {0.5f, 0, 1, 0, 1, 1});
    expectJournal(fullProtocol("Unwrap", "0,4,13", false));
}
