// Weld, count distinct, snap together, set coordinate and reverse winding.
#include "support/MeshFixture.h"

#include <algorithm>
#include <array>

#include <limits>

using namespace meshtest;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

class CornerMerging : public MeshFixture {
protected:
    static DevFace tri(uint16_t flags, float u0, float v0, float u1, float v1, float u2, float v2) {
        return face(flags, 0, 1, 2, u0, v0, u1, v1, u2, v2);
    }
};

}  // namespace

TEST_F(CornerMerging, WeldMovesLaterCornersOntoRepresentatives) {
    useMesh({tri(UV_SELECTED_ALL, 0.25f, 0.25f, 0.2508f, 0.25f, 0.2516f, 0.25f),
              // corner 1 locked, corner 2 hidden: both near 0.25 and left alone
              tri(UV_SELECTED_ALL | UV_LOCKED << 1 | UV_HIDDEN << 2, 0.2502f, 0.2501f, 0.2503f, 0.25f, 0.2504f, 0.25f),
              tri(UV_SELECTED, 0.5f, 0.5f, 0.2505f, 0.25f, 0.25f, 0.25f),  // corners 1, 2 not selected
              tri(UV_SELECTED_ALL | FACE_HIDDEN, 0.2501f, 0.25f, 0.5f, 0.5f, 0.25f, 0.25f)});
    ASSERT_EQ(model.weld(0.001f, CORNERS_SELECTED), EditResult::Changed);
    // 0.2508 is within epsilon of 0.25; 0.2516 is not, though within epsilon of the
    // welded corner's old position: only representatives attract.
    expectFace(0, {0.25f, 0.25f, 0.25f, 0.25f, 0.2516f, 0.25f});
    expectFace(1, {0.25f, 0.25f, 0.2503f, 0.25f, 0.2504f, 0.25f});
    expectFace(2, {0.5f, 0.5f, 0.2505f, 0.25f, 0.25f, 0.25f});  // 0.5 a new representative
    expectUV(3, 0, 0.2501f, 0.25f);
    expectJournal(fullProtocol("Weld UV Coords", "0,4,13", true));
    EXPECT_EQ(countersSeen, std::vector<int>{1});

    // "Weld All" takes unselected visible corners too.
    ASSERT_EQ(model.weld(0.001f, CORNERS_VISIBLE), EditResult::Changed);
    expectFace(2, {0.5f, 0.5f, 0.25f, 0.25f, 0.25f, 0.25f});
    expectUV(1, 1, 0.2503f, 0.25f);  // still locked
}

TEST_F(CornerMerging, WeldDistanceIsStrictAndTheSearchTakesNineCellsInOrder) {
    // 1/1024 apart with epsilon 1/1024: exactly epsilon, not welded; nothing merges,
    // yet the group is balanced and the host still told.
    const float e = 1.0f / 1024;
    useMesh({tri(UV_SELECTED_ALL, 0.25f, 0.25f, 0.25f + e, 0.25f, 0.25f, 0.25f - e)});
    ASSERT_EQ(model.weld(e, CORNERS_SELECTED), EditResult::Unchanged);
    expectFace(0, {0.25f, 0.25f, 0.25f + e, 0.25f, 0.25f, 0.25f - e});
    expectJournal(fullProtocol("Weld UV Coords", "0,4,13", false));
    EXPECT_TRUE(doc->undoDescriptions().empty());

    // Epsilon 0 welds nothing, not even identical corners. Cells: with an epsilon wider
    // than a cell, points two cells away are not found; of two representatives in one cell
    // the newer wins, though the older is nearer; the left neighbour (cell 127) is searched
    // before the corner's own (128), though the other is nearer and newer; the cell
    // diagonally below and right is searched last.
    const struct { std::array<float, 6> uv; float epsilon; bool welded; int corner; float u, v; } cells[] = {
        {{0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, 0.0f, false, 1, 0.5f, 0.5f},
        {{0.5f, 0.5f, 0.51f, 0.5f, 0.9f, 0.9f}, 0.02f, false, 1, 0.51f, 0.5f},
        {{0.5f, 0.5f, 0.5035f, 0.5f, 0.5016f, 0.5f}, 0.003f, true, 2, 0.5035f, 0.5f},
        {{0.4985f, 0.5f, 0.5025f, 0.5f, 0.5008f, 0.5f}, 0.003f, true, 2, 0.4985f, 0.5f},
        {{0.5005f, 0.5005f, 0.4995f, 0.4995f, 0.9f, 0.9f}, 0.003f, true, 1, 0.5005f, 0.5005f},
    };
    for (const auto& c : cells) {
        useMesh({tri(UV_SELECTED_ALL, c.uv[0], c.uv[1], c.uv[2], c.uv[3], c.uv[4], c.uv[5])});
        EXPECT_EQ(edited(model.weld(c.epsilon, CORNERS_SELECTED)), c.welded);
        expectUV(0, c.corner, c.u, c.v);
    }
}

TEST_F(CornerMerging, WeldPutsStrayCoordinatesInBorderCells) {
    useMesh({tri(UV_SELECTED_ALL, 1.0f, 0.5f, 1.0005f, 0.5f, 1.0f + 3e-4f, 0.5f),  // all clamp to column 255
              tri(UV_SELECTED_ALL, -3.0f, -7.0f, -3.0005f, -7.0f, 1e30f, -1e30f),
              tri(UV_SELECTED_ALL, NaN, 0.0f, 0.0f, 0.0f, 0.0f, NaN),
              tri(UV_SELECTED_ALL, INF, INF, INF, INF, -INF, 0.0f)});
    ASSERT_EQ(model.weld(0.001f, CORNERS_SELECTED), EditResult::Changed);
    expectFace(0, {1.0f, 0.5f, 1.0f, 0.5f, 1.0f, 0.5f});
    expectFace(1, {-3.0f, -7.0f, -3.0f, -7.0f, 1e30f, -1e30f});
    // NaN is never within epsilon of anything, nor is infinity.
    EXPECT_TRUE(std::isnan(f(2).uv[0][0]));
    expectUV(2, 1, 0.0f, 0.0f);
    EXPECT_TRUE(std::isnan(f(2).uv[2][1]));
    expectUV(3, 1, INF, INF);
    EXPECT_EQ(model.countDistinct(0.001f), 9);
}

TEST_F(CornerMerging, CountDistinctCountsEditableCornersOnly) {
    useMesh({tri(UV_SELECTED_ALL, 0.1f, 0.1f, 0.1004f, 0.1f, 0.7f, 0.7f),
              tri(UV_SELECTED_ALL | UV_LOCKED << 2, 0.3f, 0.3f, 0.4f, 0.4f, 0.9f, 0.9f),  // corner 2 locked
              tri(UV_SELECTED_ALL | UV_HIDDEN << 1, 0.5f, 0.5f, 0.6f, 0.6f, 0.1f, 0.1f),  // corner 1 hidden
              tri(0x0000, 0.2f, 0.2f, 0.8f, 0.8f, 0.85f, 0.85f),
              tri(UV_SELECTED_ALL | FACE_HIDDEN, 0.05f, 0.05f, 0.06f, 0.06f, 0.07f, 0.07f)});
    EXPECT_EQ(model.countDistinct(0.001f), 5);  // 0.1, 0.7, 0.3, 0.4, 0.5
    EXPECT_EQ(model.countDistinct(0.0f), 7);
    model.faceFilter = FACE_FILTER_SELECTED_IN_3D;
    EXPECT_EQ(model.countDistinct(0.001f), 0);
    expectOnlyLockPairs();

    // The capped count, which takes no grid, agrees with the grid's: one position across
    // a cell border, identical corners with epsilon 0, a near corner two cells away.
    model.faceFilter = FACE_FILTER_ALL;
    for (const auto& uv : {std::array<float, 6>{0.5f, 0.5f, 0.5004f, 0.5f, 0.4998f, 0.5f},
                           std::array<float, 6>{0.5f, 0.5f, 0.51f, 0.5f, 0.5f, 0.5f}}) {
        useMesh({tri(UV_SELECTED_ALL, uv[0], uv[1], uv[2], uv[3], uv[4], uv[5])});
        for (float epsilon : {0.0f, 0.001f, 0.02f})
            for (int atMost : {0, 1, 2})
                EXPECT_EQ(model.countDistinct(epsilon, atMost), std::min(model.countDistinct(epsilon), atMost))
                    << uv[2] << " " << epsilon << " " << atMost;
    }
}

TEST_F(CornerMerging, SnapTogetherMovesOnlyEditableCorners) {
    useMesh({tri(UV_SELECTED_ALL | UV_LOCKED, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f),  // corner 0 locked
              tri(UV_SELECTED << 1 | UV_SELECTED << 2 | UV_HIDDEN << 1, 0.0f, 1.0f, 0.6f, 0.6f, 0.2f, 0.2f),
              tri(UV_SELECTED_ALL | FACE_HIDDEN, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f)});
    // The target is the centre of all selected visible corners, the locked one included.
    float rect[4];
    ASSERT_TRUE(model.bounds(CORNERS_SELECTED, rect));
    UVPoint target{(rect[0] + rect[2]) * 0.5f, (rect[1] + rect[3]) * 0.5f};
    doc->clearJournal();
    ASSERT_EQ(model.snapTogether(&target), EditResult::Changed);
    expectFace(0, {0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f});
    expectFace(1, {0.0f, 1.0f, 0.6f, 0.6f, 0.5f, 0.5f});  // corner 0 unselected, 1 hidden
    expectUV(2, 0, 0.3f, 0.3f);
    expectJournal(fullProtocol("Snap Together UV Coords", "0,4,13", true));
    EXPECT_EQ(countersSeen, std::vector<int>{1});

    // Nothing editable: an empty entry, and the host is still told.
    useMesh({tri(0x0000, 0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.3f)});
    ASSERT_EQ(model.snapTogether(&target), EditResult::Unchanged);
    expectJournal(fullProtocol("Snap Together UV Coords", "0,4,13", false));
}

TEST_F(CornerMerging, SetCoordinateNotifiesOnlyAfterARealChange) {
    useMesh({tri(UV_SELECTED_ALL | UV_LOCKED << 1, 0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.3f),  // corner 1 locked
              tri(UV_SELECTED, 0.4f, 0.6f, 0.5f, 0.5f, 0.6f, 0.6f)});
    ASSERT_EQ(model.setCoordinate(0.4f, 0.6f), EditResult::Changed);
    expectFace(0, {0.4f, 0.6f, 0.2f, 0.2f, 0.4f, 0.6f});
    expectUV(1, 1, 0.5f, 0.5f);
    // No group; BeginEdit after the lock; EndEdit outside the change-in-progress counter.
    const std::vector<std::string> bracket = {"LockFaces()", "BeginEdit(0,4,13,\"Set UV Coord\")", "UnlockFaces()"};
    EXPECT_EQ(journal().back(), "EndEdit()");
    journal().pop_back();
    expectJournal(bracket);
    EXPECT_EQ(countersSeen, std::vector<int>{0});

    // Already there: u equal is not enough, v must be too; when both are, no EndEdit.
    ASSERT_EQ(model.setCoordinate(0.4f, 0.7f), EditResult::Changed);
    expectUV(1, 0, 0.4f, 0.7f);
    doc->clearJournal();
    ASSERT_EQ(model.setCoordinate(0.4f, 0.7f), EditResult::Unchanged);
    expectJournal(bracket);
    // A stored NaN is not equal to anything and is replaced.
    f(0).uv[2][1] = NaN;
    ASSERT_EQ(model.setCoordinate(0.4f, 0.7f), EditResult::Changed);
    expectUV(0, 2, 0.4f, 0.7f);
}

TEST_F(CornerMerging, ReverseWindingSwapsFullySelectedEditableFaces) {
    DevFace full = tri(UV_SELECTED_ALL, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f);
    full.groups[0] = 1, full.groups[1] = 2, full.groups[2] = 4, full.vertex[0] = 2, full.vertex[2] = 0;
    useMesh({full,
              tri(UV_SELECTED_ALL | UV_LOCKED << 2, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f),  // corner 2 locked
              tri(UV_SELECTED_ALL | UV_HIDDEN << 1, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f),  // corner 1 hidden
              tri(0x00C0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f),
              tri(UV_SELECTED_ALL | FACE_HIDDEN, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f)});
    ASSERT_EQ(model.reverseWinding(FACES_WHOLLY_EDITABLE), EditResult::Changed);
    expectFace(0, {0.3f, 0.4f, 0.1f, 0.2f, 0.5f, 0.6f});
    EXPECT_TRUE(ownFlags(0) == UV_SELECTED_ALL && f(0).groups[0] == 1 && f(0).vertex[0] == 2);
    for (int i = 1; i < 5; ++i) expectUV(i, 0, 0.1f, 0.2f);
    expectJournal(fullProtocol("Reverse UV Winding Order", "0,4,13", true));
    EXPECT_EQ(countersSeen, std::vector<int>{1});

    ASSERT_EQ(model.reverseWinding(FACES_WHOLLY_EDITABLE), EditResult::Changed);
    expectFace(0, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f});

    // The caller's test joins the face filter: not selected in 3D, not reversed; and
    // with nothing reversed the host is not told.
    model.faceFilter = FACE_FILTER_SELECTED_IN_3D;
    doc->clearJournal();
    ASSERT_EQ(model.reverseWinding(FACES_WHOLLY_EDITABLE), EditResult::Unchanged);
    expectUV(0, 0, 0.1f, 0.2f);
    expectJournal(quietDiscard("Reverse UV Winding Order", "0,4,13"));
    f(0).flags |= FACE_SELECTED;
    ASSERT_EQ(model.reverseWinding(FACES_WHOLLY_EDITABLE), EditResult::Changed);
    expectUV(0, 0, 0.3f, 0.4f);
}
