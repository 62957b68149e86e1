// Move, scale, rotate and mirror: in place and from the drag snapshot.
#include "support/MeshFixture.h"
#include "support/ScriptedMesh.h"

#include <limits>

using namespace meshtest;

namespace {

const std::vector<std::string> kNotifyOnly = {"LockFaces()", "UnlockFaces()", "EndEdit()"};

class Transforms : public MeshFixture {
protected:
    // Face 0 fully selected; face 1 with corner 1 selected and locked, corner 2 selected;
    // face 2 selected but hidden in 3D; face 3 selected with corner 0 hidden.
    void useTestMesh() {
        useMesh({face(UV_SELECTED_ALL, 0, 1, 2, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f),
                 face(0x0180 | UV_LOCKED << 1, 0, 1, 2, 0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.3f),
                 face(UV_SELECTED_ALL | FACE_HIDDEN, 0, 1, 2, 0.4f, 0.4f, 0.4f, 0.4f, 0.4f, 0.4f),
                 face(UV_SELECTED_ALL | UV_HIDDEN, 0, 1, 2, 0.6f, 0.6f, 0.7f, 0.7f, 0.8f, 0.8f)});
    }
};

}  // namespace

TEST_F(Transforms, RotateTurnsUTowardsVAboutTheGivenOrTheModelsPivot) {
    useTestMesh();
    UVPoint centre{0.5f, 0.5f};
    ASSERT_EQ(model.rotate(1.5707964f, CORNERS_SELECTED, true, &centre), EditResult::Changed);
    expectFace(0, {0.5f, 1.0f, 0.5f, 0.5f, 1.0f, 0.5f}, 1e-6f);  // (0.5, 0) -> (1, 0.5)
    // Locked, hidden, unselected corners and faces hidden in 3D stay.
    expectFace(1, {0.1f, 0.1f, 0.2f, 0.2f, 0.7f, 0.3f}, 1e-6f);
    expectFace(2, {0.4f, 0.4f, 0.4f, 0.4f, 0.4f, 0.4f});
    expectFace(3, {0.6f, 0.6f, 0.3f, 0.7f, 0.2f, 0.8f}, 1e-6f);
    expectJournal(fullProtocol("Rotate UV Coords", "0,4,13", true));
    EXPECT_EQ(countersSeen, std::vector<int>{1});  // host notified inside the counter
    EXPECT_EQ(owner.changeInProgress, 0);

    // A null pivot means the model's pivot; without undo no group, no BeginEdit, but the
    // host is told.
    useTestMesh();
    model.pivot = {1.0f, 0.5f};
    ASSERT_EQ(model.scale(2, 3, CORNERS_SELECTED, false, nullptr), EditResult::Changed);
    expectFace(0, {1.0f, 0.5f, 0.0f, 0.5f, 0.0f, -1.0f}, 1e-6f);
    expectJournal(kNotifyOnly);
}

TEST_F(Transforms, IdentityShortCutsAndNothingToMove) {
    useTestMesh();
    UVPoint p{0, 0};
    EXPECT_FALSE(edited(model.move(0, 0, CORNERS_SELECTED, true)) || edited(model.scale(1, 1, CORNERS_SELECTED, true, &p)) ||
                 edited(model.rotate(0, CORNERS_SELECTED, true, &p)) || edited(model.mirror({false, false}, CORNERS_SELECTED, true, nullptr)) ||
                 edited(model.mirror({true, false}, CORNERS_SELECTED, true, nullptr)));
    EXPECT_TRUE(journal().empty());
    // The snapshot operations always notify.
    model.fillSnapshot(model.mesh.Get());
    doc->clearJournal();
    EXPECT_EQ(model.scaleSnapshot(1, 1, CORNERS_SELECTED, false, &p), EditResult::Changed);
    expectJournal(kNotifyOnly);

    // A real move with nothing to move: the entry is discarded.
    useMesh({face(UV_LOCKED_ALL | UV_SELECTED_ALL, 0, 1, 2, 0, 0, 1, 0, 0, 1)});  // all locked
    ASSERT_EQ(model.move(1, 1, CORNERS_SELECTED, true), EditResult::Unchanged);
    EXPECT_EQ(f(0).uv[1][0], 1.0f);
    expectJournal(fullProtocol("Move UV Coords", "0,4,13", false));
}

TEST_F(Transforms, MirrorAndMove) {
    useTestMesh();
    UVPoint left{0.5f, 0.25f};  // Mirror "Left" of face 0's bounds (0.5..1, 0..0.5)
    ASSERT_EQ(model.mirror({true, false}, CORNERS_SELECTED, true, &left), EditResult::Changed);
    expectFace(0, {0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f});
    expectJournal(fullProtocol("Mirror UV Coords", "0,4,13", true));

    ASSERT_EQ(model.move(0, -1.0f, CORNERS_EDITABLE, true), EditResult::Changed);  // along v only: no identity
    expectUV(0, 0, 0.0f, -0.5f);
    EXPECT_EQ(f(1).uv[1][1], 0.2f);  // locked
    expectJournal(fullProtocol("Move UV Coords", "0,4,13", true));
}

TEST_F(Transforms, DragStepsStartFromTheSnapshotAndSkipFacesGoneSince) {
    useTestMesh();
    model.fillSnapshot(model.mesh.Get());
    ASSERT_EQ(model.snapshot.count(), 4);
    ASSERT_EQ(model.moveSnapshot(0.5f, 0, CORNERS_SELECTED, false), EditResult::Changed);
    doc->clearJournal();
    ASSERT_EQ(model.moveSnapshot(0.25f, 0, CORNERS_SELECTED, true), EditResult::Changed);
    EXPECT_EQ(f(0).uv[0][0], 1.25f);  // not 1.75: each step starts afresh
    EXPECT_EQ(f(1).uv[1][0], 0.2f);   // locked
    EXPECT_FLOAT_EQ(f(1).uv[2][0], 0.55f);
    expectJournal(fullProtocol("Move UV Coords", "0,4,13", true));
    // A face hidden in 3D during the drag is skipped from then on.
    f(0).flags |= FACE_HIDDEN;
    ASSERT_EQ(model.rotateSnapshot(1.0f, CORNERS_SELECTED, false, nullptr), EditResult::Changed);
    EXPECT_EQ(f(0).uv[0][0], 1.25f);

    // The host answers only the first of two faces once the drag is under way: the
    // second's entry is not followed.
    FaceRecord records[2] = {};
    records[0].flags = records[1].flags = UV_SELECTED_ALL;
    ScriptedMesh shrinking;
    shrinking.faces = reinterpret_cast<BYTE*>(records), shrinking.faceCount = 2;
    model.mesh = &shrinking;
    model.fillSnapshot(&shrinking);
    shrinking.faceCount = 1;
    ASSERT_EQ(model.moveSnapshot(0.5f, 0, CornerTest{UV_SELECTED, UV_SELECTED}, false), EditResult::Changed);
    EXPECT_EQ(records[0].uv[0][0], 0.5f);
    EXPECT_EQ(records[1].uv[0][0], 0.0f);
    model.mesh.Reset();
}

TEST_F(Transforms, NonFiniteUVsStayNonFinite) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    useMesh({face(UV_SELECTED_ALL, 0, 1, 2, nan, 0, inf, 0, 0, 0)});
    UVPoint p{0.5f, 0.5f};
    ASSERT_EQ(model.rotate(0.5f, CORNERS_SELECTED, true, &p), EditResult::Changed);
    EXPECT_TRUE(std::isnan(f(0).uv[0][0]) && !std::isfinite(f(0).uv[1][0]));
}
