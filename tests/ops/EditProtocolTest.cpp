// The variations of the edit protocol that operations choose through EditSteps.
#include "MeshFixture.h"

#include <ops/EditProtocol.h>

using namespace meshtest;

namespace {
class EditProtocol : public MeshFixture {};
}  // namespace

TEST_F(EditProtocol, LateBeginEditAndQuietEnd) {
    useMesh({face(0, 0, 1, 2, 0, 0, 1, 0, 1, 1)}, vertices(3));
    EditSteps steps{L"Set UV Coord", EDIT_FACE_DATA, false};
    steps.beginEditAfterLock = true;
    steps.endEdit = EndEditRule::IfChanged;
    steps.raiseCounter = false;
    const std::vector<std::string> bracket = {"LockFaces()", "BeginEdit(0,4,13,\"Set UV Coord\")", "UnlockFaces()"};
    {
        UVEdit edit(model, steps);
        edit.forEachCorner(CORNERS_ALL, [&](FaceRecord& face, int c) {
            face.uv[c][0] = 0.25f;
            ++edit.changed;
        });
    }  // the scope end finishes the edit
    std::vector<std::string> ended = bracket;
    ended.push_back("EndEdit()");
    EXPECT_EQ(journal(), ended);
    EXPECT_EQ(probe->countersSeen, std::vector<int>{0});
    EXPECT_EQ(f(0).uv[2][0], 0.25f);

    doc->clearJournal();
    {
        UVEdit edit(model, steps);
        edit.finish();
        edit.finish();
    }
    EXPECT_EQ(journal(), bracket);
}

TEST_F(EditProtocol, TheModelsMeshMayChangeDuringTheEdit) {
    useMesh({face(0, 0, 1, 2, 0, 0, 1, 0, 1, 1)}, vertices(3));
    {
        UVEdit edit(model, {L"Move UV Coords", EDIT_FACE_DATA});
        model.mesh.Reset();  // as a host notification re-reading the active mesh would
        edit.changed = 1;
    }
    EXPECT_EQ(journal(), fullProtocol("Move UV Coords", "0,4,13", true));
    EXPECT_EQ(probe->countersSeen, std::vector<int>{1});

    model.owner = nullptr;  // no owner: still notified
    doc->GetActiveMesh(&model.mesh);
    doc->clearJournal();
    { UVEdit edit(model, {L"Move UV Coords", EDIT_FACE_DATA}); }
    EXPECT_EQ(journal().back(), "EndEdit()");
}
