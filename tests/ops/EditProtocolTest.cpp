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
        EXPECT_FALSE(edit.finish());
        EXPECT_FALSE(edit.finish());
    }
    expectJournal(fullProtocol("Move UV Coords", "0,4,13", false));
}
