// bounds, countCorners, the drag snapshot and the walk's handling of bad host data.
#include "support/MeshFixture.h"

#include <cmath>
#include <limits>

using namespace meshtest;

namespace {

class ModelQueries : public MeshFixture {};

// Every operation of the model run once against the fixture's current mesh.
void runEveryOperation(UVModel& model) {
    float rect[4] = {0, 0, 1, 1};
    UVPoint p{0.5f, 0.5f};
    Vector3 n;
    const Vector3 plusZ(0, 0, 1);
    Matrix4 frame;
    model.bounds(CORNERS_ALL, rect), model.countCorners(CORNERS_ALL), model.fillSnapshot(model.mesh.Get());
    model.moveSnapshot(1, 1, CORNERS_ALL, true), model.scaleSnapshot(2, 2, CORNERS_ALL, false, &p);
    model.rotateSnapshot(1, CORNERS_ALL, false, nullptr), model.clearSnapshot();
    model.move(1, 1, CORNERS_ALL, true), model.scale(2, 2, CORNERS_ALL, true, nullptr);
    model.rotate(1, CORNERS_ALL, true, &p), model.mirror({true, true}, CORNERS_ALL, true, &p);
    model.setCornerFlags(UV_SELECTED, UV_SELECTED, CORNERS_ALL, L"Select All", {true}), model.selectAll(false, {true});
    model.invertSelection(true), model.expandSelection(true), model.contractSelection(true), model.invertHidden();
    model.selectCoords(rect, 0.1f, PICK_REPLACE, true), model.selectTriangles(rect, PICK_TOGGLE, true);
    model.assignGroup(1, 1, CORNERS_ALL), model.selectGroup(1, 1, PICK_REPLACE, true);
    model.setMaterial(1, FaceFilter{0, 0}), model.weld(0.001f, CORNERS_ALL), model.snapTogether(&p);
    model.reverseWinding(FACES_WHOLLY_EDITABLE), model.setCoordinate(0.5f, 0.5f);
    model.averageNormal(n, CORNERS_ALL), model.selectionCentroid();
    model.planarMap(&plusZ, rect, CORNERS_ALL, true), model.boxMap(&frame, rect, CORNERS_ALL, true);
    model.cylindricalMap(&frame, rect, CORNERS_ALL, true), model.sphericalMap(&frame, rect, CORNERS_ALL, true);
}

}  // namespace

TEST_F(ModelQueries, BoundsAndCountOverPassingCornersOnly) {
    const float inf = std::numeric_limits<float>::infinity();
    useMesh({face(UV_SELECTED_ALL, 0, 1, 2, 0.2f, 0.3f, 0.6f, 0.1f, 0.4f, 0.9f),
             face(UV_SELECTED | UV_LOCKED, 0, 1, 2, -1.0f, 5.0f, 7, 7, 7, 7),      // corner 0 selected, locked
             face(UV_SELECTED_ALL | FACE_HIDDEN, 0, 1, 2, -50, -50, 50, 50, 0, 0),         // hidden in 3D
             face(UV_SELECTED_ALL | UV_HIDDEN << 1, 0, 1, 2, 0.5f, 0.5f, 9, -9, 0.5f, 0.5f)});  // corner 1 hidden
    float rect[4];
    ASSERT_TRUE(model.bounds(CORNERS_SELECTED, rect));
    EXPECT_EQ(rectOf(rect), (std::vector<float>{-1.0f, 0.1f, 0.6f, 5.0f}));  // locked corners count
    ASSERT_TRUE(model.bounds(CORNERS_EDITABLE, rect));
    EXPECT_EQ(rectOf(rect), (std::vector<float>{0.2f, 0.1f, 0.6f, 0.9f}));
    EXPECT_EQ((std::vector<int>{model.countCorners(CORNERS_SELECTED), model.countCorners(CORNERS_EDITABLE),
                                model.countCorners(CORNERS_ALL)}),
              (std::vector<int>{3 + 1 + 2, 3 + 2, 9}));

    model.faceFilter = FACE_FILTER_SELECTED_IN_3D;
    EXPECT_EQ(model.countCorners(CORNERS_ALL), 0);
    rect[0] = 1;
    EXPECT_FALSE(model.bounds(CORNERS_ALL, rect));
    EXPECT_EQ(rectOf(rect), (std::vector<float>{9999999.0f, 9999999.0f, -9999999.0f, -9999999.0f}));
    expectOnlyLockPairs();

    // A NaN UV does not widen the bounds (an infinite one does), but both still count.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    model.faceFilter = FACE_FILTER_ALL;
    useMesh({face(UV_SELECTED_ALL, 0, 1, 2, nan, 0.5f, 0.25f, nan, 0.75f, 0.5f),
             face(UV_SELECTED_ALL, 0, 1, 2, inf, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f)});
    ASSERT_TRUE(model.bounds(CORNERS_SELECTED, rect));
    EXPECT_EQ(rectOf(rect), (std::vector<float>{0.25f, 0.5f, inf, 0.5f}));
    EXPECT_EQ(model.countCorners(CORNERS_SELECTED), 6);
}

TEST_F(ModelQueries, SnapshotHoldsFacesWithASelectedCorner) {
    useMesh({face(0x0000, 0, 1, 2, 0, 0, 1, 0, 0, 1),
             face(UV_SELECTED << 2 | FACE_HIDDEN, 0, 1, 2, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f),  // hidden in 3D: still taken
             face(UV_SELECTED, 0, 1, 2, 1, 2, 3, 4, 5, 6)});
    model.fillSnapshot(model.mesh.Get());
    ASSERT_EQ(model.snapshot.count(), 2);
    EXPECT_GE(model.snapshot.capacity(), 1024);  // reserved up front: no growth during a drag
    EXPECT_TRUE(model.snapshot[0].faceIndex == 1 && model.snapshot[0].uv[2][1] == 0.6f);
    EXPECT_TRUE(model.snapshot[1].faceIndex == 2 && model.snapshot[1].uv[1][0] == 3.0f);
    expectJournal(lockPair());
    model.clearSnapshot();
    model.fillSnapshot(nullptr);
    EXPECT_EQ(model.snapshot.count(), 0);
}

// Any records (empty, vertices missing, indices beyond the count) are the fuzz target's;
// here the model without a mesh at all.
TEST_F(ModelQueries, EveryOperationWithoutMeshOrRecords) {
    ASSERT_FALSE(doc->hasMesh() || model.mesh);  // as the fixture starts
    doc->clearJournal();
    float rect[4];
    EXPECT_FALSE(model.bounds(CORNERS_ALL, rect));
    EXPECT_EQ(model.countDistinct(0.001f), 0);
    runEveryOperation(model);
    for (const std::string& line : journal())
        EXPECT_TRUE(line.rfind("BeginUndoGroup(", 0) == 0 || line == "EndUndoGroup(0)") << line;
    EXPECT_FALSE(doc->groupOpen());

    useMesh({}, {});
    EXPECT_FALSE(model.bounds(CORNERS_ALL, rect));
    EXPECT_EQ(model.countCorners(CORNERS_ALL) + model.countDistinct(0.001f), 0);
    doc->clearJournal();
    EXPECT_EQ(model.selectAll(true, {true}), EditResult::Unchanged);  // nothing to select, entry discarded
    expectJournal(fullProtocol("Select All", "4,16,5", false));
}
