// Planar, box, cylindrical and spherical mapping, the average normal and the selection
// centroid, against small meshes whose projections are known by hand.
#include "support/MeshFixture.h"

#include <array>
#include <cmath>
#include <limits>

using namespace meshtest;

namespace {

const float TARGET[4] = {0.0f, 0.0f, 0.5f, 0.5f};

std::array<float, 3> xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

class Mapping : public MeshFixture {
protected:
    static DevFace tri(uint16_t flags, int v0, int v1, int v2) {
        return face(flags, v0, v1, v2, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f);
    }
    static DevFace withNormal(DevFace f, float x, float y, float z) {
        f.normal[0] = x, f.normal[1] = y, f.normal[2] = z;
        return f;
    }
    // The vertex at angle `turn` (0 towards -y, 0.25 towards +x) around the z axis.
    static DevVertex around(double turn, float z) {
        const double a = turn * 6.283185307179586;
        return vertex(float(std::sin(a)), float(-std::cos(a)), z);
    }
    void expectUnmapped(int faceIndex, int c) { expectUV(faceIndex, c, 0.9f, 0.9f); }
};

}  // namespace

TEST_F(Mapping, PlanarStretchesTheProjectionOverTheTarget) {
    useMesh({tri(UV_SELECTED_ALL | FACE_SELECTED, 0, 1, 2), tri(UV_SELECTED_ALL | FACE_SELECTED, 0, 2, 3),
             tri(UV_SELECTED_ALL | UV_LOCKED_ALL | FACE_SELECTED, 4, 4, 4), tri(UV_SELECTED_ALL | FACE_HIDDEN, 4, 4, 4),
             tri(UV_SELECTED_ALL, 5, 5, 5)},
            {vertex(0, 0, 0), vertex(2, 0, 0), vertex(2, 2, 0), vertex(0, 2, 0), vertex(9, 9, 9),
             vertex(-7, 40, 3)});
    model.faceFilter = FACE_FILTER_SELECTED_IN_3D;  // face 4 is neither mapped nor measured
    const Vector3 plusZ(0, 0, 1);
    ASSERT_EQ(model.planarMap(&plusZ, TARGET, CORNERS_SELECTED, true), EditResult::Changed);
    // Exact: the corners land on the rectangle's corners in the order of x, y.
    expectFace(0, {0.0f, 0.0f, 0.5f, 0.0f, 0.5f, 0.5f});
    expectUV(1, 2, 0.0f, 0.5f);
    for (int i = 2; i < 5; ++i)
        for (int c = 0; c < 3; ++c) expectUnmapped(i, c);
    expectJournal(fullProtocol("Planar UV Mapping", "0,4,13", true));
    EXPECT_EQ(countersSeen, std::vector<int>{1});

    // A 2 x 8 selection is stretched over a 0.5 x 1 target, not kept square; without undo
    // only EndEdit.
    vtx(2).position[1] = vtx(3).position[1] = 8;
    doc->clearJournal();
    const float tall[4] = {0, 0, 0.5f, 1.0f};
    ASSERT_EQ(model.planarMap(&plusZ, tall, CORNERS_SELECTED, false), EditResult::Changed);
    expectUV(0, 2, 0.5f, 1.0f);
    EXPECT_EQ(f(1).uv[2][1], 1.0f);
    expectJournal((std::vector<std::string>{"LockFaces()", "UnlockFaces()", "EndEdit()"}));
}

TEST_F(Mapping, PlanarProjectsIntoTheFrameAndCentresFlatExtents) {
    // Along +x the frame's u is -z and its v is y.
    useMesh({tri(UV_SELECTED_ALL, 0, 1, 2)}, {vertex(5, 0, 0), vertex(5, 0, 1), vertex(5, 3, 0)});
    const Vector3 plusX(1, 0, 0);
    ASSERT_EQ(model.planarMap(&plusX, TARGET, CORNERS_SELECTED, true), EditResult::Changed);
    expectFace(0, {0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f}, 1e-5f);

    // No extent in u: not scaled, just centred on the rectangle.
    useMesh({tri(UV_SELECTED_ALL, 0, 1, 2)}, {vertex(1, 0, 0), vertex(1, 2, 0), vertex(1, 1, 5)});
    const Vector3 plusZ(0, 0, 1);
    ASSERT_EQ(model.planarMap(&plusZ, TARGET, CORNERS_SELECTED, true), EditResult::Changed);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(f(0).uv[c][0], 0.25f);
    EXPECT_EQ(f(0).uv[1][1], 0.5f);
}

TEST_F(Mapping, AverageNormalWeighsEachPassingCornerAndCentroidIgnoresTheFilter) {
    useMesh({withNormal(tri(UV_SELECTED_ALL, 0, 0, 0), 1, 0, 0), withNormal(tri(UV_SELECTED << 1, 0, 0, 0), 0, 1, 0),
             withNormal(tri(UV_SELECTED_ALL | UV_LOCKED_ALL, 0, 0, 0), 0, 0, 1),
             withNormal(tri(UV_SELECTED_ALL | FACE_HIDDEN, 0, 0, 0), 0, 0, 1)});
    Vector3 n;
    ASSERT_TRUE(model.averageNormal(n, CORNERS_SELECTED));
    EXPECT_EQ(xyz(n), xyz(Vector3(3.0f / std::sqrt(10.0f), 1.0f / std::sqrt(10.0f), 0.0f)));
    expectJournal(lockPair());

    // Opposite normals cancel: the last face's normal, made unit.
    useMesh({withNormal(tri(UV_SELECTED, 0, 0, 0), 0, 0, 2), withNormal(tri(UV_SELECTED << 2, 0, 0, 0), 0, 0, -2)});
    ASSERT_TRUE(model.averageNormal(n, CORNERS_SELECTED));
    EXPECT_EQ(xyz(n), xyz(Vector3(0, 0, -1)));

    useMesh({withNormal(tri(0x0000, 0, 0, 0), 1, 0, 0)});
    EXPECT_FALSE(model.averageNormal(n, CORNERS_SELECTED));

    // The selection's centroid ignores the face filter.
    useMesh({tri(UV_SELECTED_ALL, 0, 1, 2),
             tri(UV_SELECTED | FACE_HIDDEN, 3, 4, 4),        // hidden in 3D: still counts
             tri(UV_SELECTED_ALL | UV_LOCKED_ALL, 4, 4, 4),  // locked: does not
             tri(0x00C0 | UV_HIDDEN << 1, 77, 4, 4)},        // no such vertex; hidden corner
            {vertex(0, 0, 0), vertex(3, 0, 0), vertex(0, 3, 0), vertex(0, 0, 4), vertex(100, 100, 100)});
    model.faceFilter = FACE_FILTER_SELECTED_IN_3D;
    EXPECT_EQ(xyz(model.selectionCentroid()), xyz(Vector3(0.75f, 0.75f, 1.0f)));
    useMesh({tri(0x0000, 0, 1, 2)});
    EXPECT_EQ(xyz(model.selectionCentroid()), xyz(Vector3()));
    // Summed in double: in float 1e8 + 1 - 1e8 is 0, and the mean x would not be 1/3.
    useMesh({tri(UV_SELECTED_ALL, 0, 1, 2)}, {vertex(1e8f, 0, 0), vertex(1, 0, 0), vertex(-1e8f, 0, 0)});
    EXPECT_NEAR(model.selectionCentroid().x, 1.0f / 3, 1e-6f);
}

TEST_F(Mapping, BoxSortsFacesIntoCellsKeepingTheirAspect) {
    useMesh({withNormal(tri(UV_SELECTED_ALL, 0, 1, 2), 1, 0, 0),    // +x: 2 wide, 1 high
             withNormal(tri(UV_SELECTED_ALL, 0, 3, 1), 0, 0, -1)},  // -z: 1 x 1
            {vertex(0, 0, 0), vertex(0, 1, 0), vertex(0, 0, 2), vertex(1, 0, 0)});
    Matrix4 frame = translation(100, 100, 100);  // the origin plays no part
    ASSERT_EQ(model.boxMap(&frame, TARGET, CORNERS_SELECTED, true), EditResult::Changed);
    // Cell 0 is (0, 0)-(1/6, 0.25); turned by 180 degrees: u follows z, v follows -y;
    // one factor 1/12 for both axes.
    expectFace(0, {0.0f, 1.0f / 6, 0.0f, 1.0f / 12, 1.0f / 6, 1.0f / 6}, 1e-5f);
    // Cell 5 is (1/3, 0.25)-(0.5, 0.5): u follows x, v follows -y.
    expectFace(1, {1.0f / 3, 0.375f + 1.0f / 12, 0.5f, 0.375f + 1.0f / 12, 1.0f / 3, 0.375f - 1.0f / 12}, 1e-5f);
    expectJournal(fullProtocol("Box UV Mapping", "0,4,13", true));

    // A normal exactly between +x and +y goes to +x, the lower direction: cell 0.
    const float s = 0.70710677f;
    useMesh({withNormal(tri(UV_SELECTED_ALL, 0, 1, 2), s, s, 0)}, {vertex(0, 0, 0), vertex(0, 1, 0), vertex(0, 0, 1)});
    ASSERT_EQ(model.boxMap(&frame, TARGET, CORNERS_SELECTED, false), EditResult::Changed);
    for (int c = 0; c < 3; ++c) {
        EXPECT_LE(f(0).uv[c][0], 1.0f / 6 + 1e-6f);
        EXPECT_LE(f(0).uv[c][1], 0.25f + 1e-6f);
    }
}

TEST_F(Mapping, CylindricalAnglesRunFromMinusYTowardsPlusX) {
    useMesh({tri(UV_SELECTED_ALL, 0, 1, 2), tri(UV_SELECTED_ALL, 3, 4, 5)},
            {vertex(1, 0, 2), vertex(0, 1, 3), vertex(-1, 0, 2),
             vertex(0, 0, 0.5f), vertex(0, -1, 0.5f), vertex(1, 0, 1.5f)});
    Matrix4 frame = translation(0, 0, 0.5f);
    ASSERT_EQ(model.cylindricalMap(&frame, TARGET, CORNERS_SELECTED, true), EditResult::Changed);
    // u: +x 0.25, +y 0.5, -x 0.75, -y 0; on the axis 0.25. v: height above the
    // origin, 0 ... 2.5. Fitted: u 0 ... 0.75 and v 0 ... 2.5 each onto 0 ... 0.5.
    expectFace(0, {1.0f / 6, 0.3f, 1.0f / 3, 0.5f, 0.5f, 0.3f}, 1e-5f);
    expectFace(1, {1.0f / 6, 0.0f, 0.0f, 0.0f, 1.0f / 6, 0.2f}, 1e-5f);
    expectJournal(fullProtocol("Cylindrical UV Mapping", "0,4,13", true));
    EXPECT_EQ(countersSeen, std::vector<int>{1});
}

TEST_F(Mapping, SeamPassShiftsLowCornersOfCounterClockwiseFaces) {
    // Vertices 0.97 and 0.02 of a turn around z, at heights 0 and 1.
    DevFace third = tri(0x00C0, 0, 1, 2);  // corner 2 not selected, its stored UV decides
    third.uv[2][0] = 0.5f;
    third.uv[2][1] = -1.0f;
    useMesh({tri(UV_SELECTED_ALL, 0, 2, 1),  // counter-clockwise in UV: corners 1 and 2 shift
             tri(UV_SELECTED_ALL, 0, 1, 2),  // clockwise: left alone
             third},
            {around(0.97, 0), around(0.02, 0), around(0.02, 1)});
    Matrix4 frame = translation(0, 0, 0);
    ASSERT_EQ(model.cylindricalMap(&frame, TARGET, CORNERS_SELECTED, false), EditResult::Changed);
    // The range runs from the unshifted 0.02 to the shifted 1.02.
    expectFace(0, {0.475f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f}, 1e-5f);
    expectFace(1, {0.475f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f}, 1e-5f);
    expectFace(2, {0.475f, 0.0f, 0.5f, 0.0f, 0.5f, -1.0f}, 1e-5f);
}

TEST_F(Mapping, SphericalHeightIsTheAxialComponentOfTheDirection) {
    // Same height, different distance: different v.
    useMesh({tri(UV_SELECTED_ALL, 0, 1, 2)}, {vertex(1, 0, 1), vertex(-0.1f, 1, -1), vertex(-2, 0, 1)});
    Matrix4 frame = translation(0, 0, 0);
    ASSERT_EQ(model.sphericalMap(&frame, TARGET, CORNERS_SELECTED, true), EditResult::Changed);
    // +z side on top, -z side at the bottom.
    const double t0 = 1 / std::sqrt(2.0), t1 = -1 / std::sqrt(2.01), t2 = 1 / std::sqrt(5.0);
    for (auto [c, v] : {std::pair{0, 0.5}, {1, 0.0}, {2, (t2 - (t0 + t1) / 2) / (t0 - t1) * 0.5 + 0.25}})
        EXPECT_NEAR(f(0).uv[c][1], v, 1e-5) << c;
    expectJournal(fullProtocol("Spherical UV Mapping", "0,4,13", true));
}

TEST_F(Mapping, BadHostDataMapsNothingItCannotRead) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Vertex index 3 is the first past the three vertices.
    useMesh({tri(UV_SELECTED_ALL, 0, 3, 1), tri(UV_SELECTED_ALL, 2, 2, 2)},
            {vertex(0, 0, 0), vertex(1, 1, 0), vertex(nan, 0, std::numeric_limits<float>::infinity())});
    const Vector3 plusZ(0, 0, 1);
    Matrix4 frame = translation(0, 0, 0);
    // Each projection in turn: a corner written by one would stay written.
    ASSERT_TRUE(edited(model.planarMap(&plusZ, TARGET, CORNERS_SELECTED, true)) &&
                edited(model.boxMap(&frame, TARGET, CORNERS_SELECTED, true)) &&
                edited(model.cylindricalMap(&frame, TARGET, CORNERS_SELECTED, true)) &&
                edited(model.sphericalMap(&frame, TARGET, CORNERS_SELECTED, true)));
    expectUnmapped(0, 1);
}
