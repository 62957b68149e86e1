// Split Selection, Stitch, Orient Islands and Stack Similar Islands; every hand tool on
// broken host data.
#include "support/MeshFixture.h"

#include <ops/Alignment.h>
#include <ops/IslandTools.h>
#include <ops/IslandsInternal.h>

#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <numbers>

using namespace meshtest;

namespace {

using Complex = std::complex<double>;
constexpr float EPSILON = 0.001f;

struct Mesh {
    std::vector<DevFace> faces;
    std::vector<DevVertex> verts;
    int add(double x, double y, double z) {
        verts.push_back(vertex(float(x), float(y), float(z)));
        return int(verts.size()) - 1;
    }
    // A selected triangle whose UVs are its vertices' (x, y), or (-x, y) mirrored.
    void tri(int a, int b, int c, bool mirrored = false) {
        auto u = [&](int v) { return (mirrored ? -1 : 1) * verts[size_t(v)].position[0]; };
        auto w = [&](int v) { return verts[size_t(v)].position[1]; };
        faces.push_back(face(UV_SELECTED_ALL, a, b, c, u(a), w(a), u(b), w(b), u(c), w(c)));
    }
};

// n x n quads over the unit square, lifted by bumps.
Mesh bumpyGrid(int n) {
    Mesh m;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            m.add(double(i) / n, double(j) / n, 0.3 * std::sin(3.0 * i / n) * std::cos(2.0 * j / n));
    for (int j = 0; j < n; ++j)
        for (int i = 0, v = j * (n + 1); i < n; ++i, ++v) m.tri(v, v + 1, v + n + 2), m.tri(v, v + n + 2, v + n + 1);
    return m;
}

// A UV sphere: `around` segments, `down` rings, fans at the poles.
Mesh sphere(int around, int down) {
    Mesh m;
    const double pi = std::numbers::pi;
    const int top = m.add(0, 0, 1);
    for (int j = 1; j < down; ++j)
        for (int i = 0; i < around; ++i)
            m.add(std::sin(pi * j / down) * std::cos(2 * pi * i / around), std::sin(pi * j / down) * std::sin(2 * pi * i / around),
                  std::cos(pi * j / down));
    const int bottom = m.add(0, 0, -1);
    auto ring = [&](int j, int i) { return 1 + (j - 1) * around + i % around; };
    for (int i = 0; i < around; ++i) {
        m.tri(top, ring(1, i), ring(1, i + 1)), m.tri(bottom, ring(down - 1, i + 1), ring(down - 1, i));
        for (int j = 1; j + 1 < down; ++j)
            m.tri(ring(j, i), ring(j + 1, i), ring(j + 1, i + 1)), m.tri(ring(j, i), ring(j + 1, i + 1), ring(j, i + 1));
    }
    return m;
}

Complex uvOf(const DevFace& f, int c) { return {f.uv[c][0], f.uv[c][1]}; }
double signedArea(const DevFace& f) { return std::imag(std::conj(uvOf(f, 1) - uvOf(f, 0)) * (uvOf(f, 2) - uvOf(f, 0))); }

class IslandTools : public MeshFixture {
protected:
    void use(const Mesh& m) { useMesh(m.faces, m.verts); }
    int islandCount() {
        UVWalk walk(model.mesh.Get(), model.faceFilter);
        islands::FaceSet set;
        std::vector<int> part;
        return islands::selectedIslands(walk, EPSILON, islands::Winding::Any, set, part);
    }
    void select(const std::function<bool(int)>& which) {
        for (size_t i = 0; i < doc->faces().size(); ++i)
            f(int(i)).flags = uint16_t((f(int(i)).flags & ~UV_SELECTED_ALL) | (which(int(i)) ? UV_SELECTED_ALL : 0));
    }
    // Every corner lies where it lay in `before` after one rigid motion (found from two corners).
    void expectRigidlyAsBefore(const std::vector<DevFace>& before, double tolerance) {
        const DevFace &a0 = before.front(), &b0 = f(0), &a1 = before.back(), &b1 = f(int(before.size()) - 1);
        const Complex turn = (uvOf(a1, 2) - uvOf(a0, 0)) / (uvOf(b1, 2) - uvOf(b0, 0));
        EXPECT_NEAR(std::abs(turn), 1.0, tolerance);
        for (size_t i = 0; i < before.size(); ++i)
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(std::abs(uvOf(before[i], c) - uvOf(a0, 0) - turn * (uvOf(f(int(i)), c) - uvOf(b0, 0))), 0, tolerance)
                    << "face " << i << " corner " << c;
    }
    void expectAreaSigns(const std::vector<DevFace>& before) {
        for (size_t i = 0; i < before.size(); ++i)
            ASSERT_GT(signedArea(before[i]) * signedArea(f(int(i))), 0) << "face " << i << " turned over";
    }
};

}  // namespace

TEST_F(IslandTools, SplitCutsThePieceAMarginAwayAndStitchSewsItBack) {
    use(bumpyGrid(16));
    ASSERT_EQ(unwrap(model, EPSILON), EditResult::Changed);
    const std::vector<DevFace> unwrapped = doc->faces();
    auto leftHalf = [](int i) { return (i / 2) % 16 < 8; };
    select(leftHalf);
    doc->clearJournal();
    ASSERT_EQ(splitSelection(model, EPSILON), EditResult::Changed);
    expectJournal(fullProtocol("Split Selection", "0,4,13", true));
    // The left half moved by the margin, away from the right one; the right half stayed.
    const Complex shift = uvOf(f(0), 0) - uvOf(unwrapped[0], 0);
    EXPECT_NEAR(std::abs(shift), SplitOptions{}.gap, 1e-6);
    EXPECT_LT(std::real(shift * std::conj(uvOf(unwrapped[31], 2) - uvOf(unwrapped[0], 0))), 0);
    for (int i = 0; i < 512; ++i)
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(std::abs(uvOf(f(i), c) - uvOf(unwrapped[size_t(i)], c) - (leftHalf(i) ? shift : 0)), 0, 1e-6) << i;
    // Select Island from a split face reaches exactly the split faces.
    select([](int i) { return i == 0; });
    ASSERT_EQ(selectIsland(model, EPSILON, false), EditResult::Changed);
    for (int i = 0; i < 512; ++i) ASSERT_EQ(ownFlags(i) == UV_SELECTED_ALL, leftHalf(i)) << i;

    // Turned by 30 degrees and moved away, then everything stitched: one island again.
    const UVPoint pivot{0.3f, 0.4f};
    ASSERT_TRUE(edited(model.rotate(0.5235988f, CORNERS_SELECTED, true, &pivot)) && edited(model.move(0.4f, -0.2f, CORNERS_SELECTED, true)));
    model.selectAll(true);
    EXPECT_EQ(islandCount(), 2);
    doc->clearJournal();
    ASSERT_EQ(stitch(model, EPSILON), EditResult::Changed);
    expectJournal(fullProtocol("Stitch", "0,4,13", true));
    EXPECT_EQ(islandCount(), 1);
    expectRigidlyAsBefore(unwrapped, 1e-5);
    EXPECT_EQ(stitch(model, EPSILON), EditResult::Unchanged) << "nothing left to sew";
}

TEST_F(IslandTools, StitchMovesTheSmallerOrFreeIslandAndMirrorsItWhenItWindsTheOtherWay) {
    // A square (two faces, selected) and a triangle beside it (one face, unselected), apart
    // in UV: the triangle turned, scaled and moved, or mirrored. Rows: the locked (or
    // hidden) corners, and which island then moves onto the other.
    enum Moves { TRIANGLE, SQUARE, NEITHER };
    struct Row {
        bool mirrored;
        uint16_t lockSquare, lockTriangle;
        Moves moves;
    } rows[] = {{false, 0, 0, TRIANGLE}, {true, 0, 0, TRIANGLE}, {false, 0, UV_LOCKED << 1, SQUARE},
                {false, 0, UV_HIDDEN << 1, SQUARE}, {false, UV_LOCKED, UV_LOCKED << 1, NEITHER}};
    for (const Row& row : rows) {
        Mesh m;
        for (auto [x, y] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}, {2.0, 0.5}}) m.add(x, y, 0);
        m.tri(0, 1, 2), m.tri(0, 2, 3), m.tri(1, 4, 2, row.mirrored);
        DevFace& t = m.faces[2];
        t.flags = uint16_t(FOREIGN_BITS | row.lockTriangle), m.faces[0].flags |= row.lockSquare;
        for (int c = 0; c < 3; ++c) {
            const Complex p = Complex(0.3, 0.2) + std::polar(1.5, 0.35) * uvOf(t, c);
            t.uv[c][0] = float(p.real()), t.uv[c][1] = float(p.imag());
        }
        use(m);
        const std::vector<DevFace> before = doc->faces();
        ASSERT_EQ(stitch(model, EPSILON), EditResult::Changed);
        // The shared edge's corners meet; the locked corners and the rest of a fixed island stay.
        EXPECT_NEAR(std::abs(uvOf(f(0), 1) - uvOf(f(2), 0)) + std::abs(uvOf(f(0), 2) - uvOf(f(2), 2)), 0, 1e-6);
        EXPECT_TRUE(uvOf(f(0), 0) == uvOf(before[0], 0) || !row.lockSquare);
        EXPECT_TRUE(uvOf(f(2), 1) == uvOf(before[2], 1) || !row.lockTriangle);
        if (row.moves == TRIANGLE) {
            EXPECT_EQ(std::memcmp(f(0).uv, before[0].uv, 24) | std::memcmp(f(1).uv, before[1].uv, 24), 0);
            expectFace(2, {1, 0, 2, 0.5f, 1, 1}, 1e-6f);
        } else if (row.moves == SQUARE) {
            EXPECT_EQ(std::memcmp(f(2).uv, before[2].uv, 24), 0);
            EXPECT_GT(signedArea(f(0)) * signedArea(f(2)), 0);
        } else {
            EXPECT_EQ(uvOf(f(1), 2), uvOf(before[1], 2));
            EXPECT_NEAR(std::abs(2.0 * uvOf(f(0), 1) - uvOf(before[0], 1) - uvOf(before[2], 0)), 0, 1e-6);
        }
    }
    select([](int) { return false; });
    EXPECT_EQ(stitch(model, EPSILON), EditResult::Unchanged) << "no edge of the selection";
}

TEST_F(IslandTools, StitchSewsTheSeamsOfAnUnwrappedSphereWithoutTurningAFaceOver) {
    use(sphere(32, 16));
    ASSERT_EQ(autoUnwrap(model, EPSILON), EditResult::Changed);
    ASSERT_GT(islandCount(), 1);
    const std::vector<DevFace> unwrapped = doc->faces();
    ASSERT_EQ(stitch(model, EPSILON), EditResult::Changed);
    EXPECT_EQ(islandCount(), 1);
    expectAreaSigns(unwrapped);
}

TEST_F(IslandTools, OrientTurnsEachFreeIslandUprightAboutItsCentre) {
    // A 0.4 x 0.2 rectangle turned by the row's angle about (0.5, 0.5); beside it the same
    // rectangle locked, and one unselected.
    // Rows: the angle, and whether the smallest turn leaves the rectangle upside down.
    for (auto [degrees, halfTurn] : {std::pair{30.0, false}, {100.0, true}, {-60.0, false}, {-95.0, true}, {0.0, false}}) {
        Mesh m;
        for (int k = 0; k < 12; ++k) m.add(k, 0, 0);
        for (int s = 0; s < 3; ++s) m.tri(4 * s, 4 * s + 1, 4 * s + 2), m.tri(4 * s, 4 * s + 2, 4 * s + 3);
        const Complex turn = std::polar(1.0, degrees * std::numbers::pi / 180);
        const Complex corners[4] = {{-0.2, -0.1}, {0.2, -0.1}, {0.2, 0.1}, {-0.2, 0.1}};
        for (int i = 0; i < 6; ++i)
            for (int c = 0; c < 3; ++c) {
                const Complex p = Complex(0.5 + 2 * (i / 2), 0.5) + turn * corners[m.faces[size_t(i)].vertex[c] % 4];
                m.faces[size_t(i)].uv[c][0] = float(p.real()), m.faces[size_t(i)].uv[c][1] = float(p.imag());
            }
        m.faces[2].flags |= UV_LOCKED, m.faces[4].flags = m.faces[5].flags = FOREIGN_BITS;
        use(m);
        const std::vector<DevFace> before = doc->faces();
        EXPECT_EQ(edited(orientIslands(model, EPSILON)), degrees != 0) << degrees;
        for (int i = 2; i < 6; ++i) EXPECT_EQ(std::memcmp(f(i).uv, before[size_t(i)].uv, 24), 0) << degrees;
        if (halfTurn) expectFace(0, {0.7f, 0.6f, 0.3f, 0.6f, 0.3f, 0.4f}, 2e-6f);
        else expectFace(0, {0.3f, 0.4f, 0.7f, 0.4f, 0.7f, 0.6f}, 2e-6f);
        expectAreaSigns(before);
    }
}

TEST_F(IslandTools, StackMovesCopiesOfOnePartOntoTheLockedOneAndLeavesOtherShapes) {
    // Nine copies of a bumpy fan turned about different axes in 3D and one fan of another
    // shape with as many faces, unwrapped together; then one copy mirrored in UV.
    const double rim[6] = {1.0, 0.7, 1.2, 0.9, 0.6, 1.1}, other[6] = {1.0, 1.0, 0.5, 1.0, 1.0, 0.5};
    Mesh m;
    for (int copy = 0; copy < 10; ++copy) {
        const double* radius = copy == 9 ? other : rim;
        const double a = 0.7 * copy, b = 0.3 * copy;
        auto place = [&](double x, double y, double z) {  // turned about z by a, then about x by b
            const double x1 = x * std::cos(a) - y * std::sin(a), y1 = x * std::sin(a) + y * std::cos(a);
            return m.add(x1 + 3 * copy, y1 * std::cos(b) - z * std::sin(b), y1 * std::sin(b) + z * std::cos(b));
        };
        const int centre = place(0, 0, 0.1);
        for (int k = 0; k < 6; ++k) place(radius[k] * std::cos(k * 1.0472), radius[k] * std::sin(k * 1.0472), 0.05 * (k % 2));
        for (int k = 0; k < 6; ++k) m.tri(centre, centre + 1 + k, centre + 1 + (k + 1) % 6);
    }
    use(m);
    ASSERT_EQ(autoUnwrap(model, EPSILON), EditResult::Changed);
    ASSERT_EQ(islandCount(), 10);
    for (int i = 48; i < 54; ++i)
        for (auto& uv : f(i).uv) uv[0] = -uv[0];
    f(18).flags |= UV_LOCKED << 1;  // the fourth copy cannot move
    const std::vector<DevFace> before = doc->faces();
    StackCount count;
    doc->clearJournal();
    ASSERT_EQ(stackSimilarIslands(model, EPSILON, &count), EditResult::Changed);
    expectJournal(fullProtocol("Stack Similar Islands", "0,4,13", true));
    EXPECT_EQ(std::make_pair(count.stacked, count.onto), std::make_pair(8, 1));
    for (int i = 0; i < 60; ++i) {
        const DevFace& onto = i < 54 ? before[size_t(18 + i % 6)] : before[size_t(i)];
        for (int c = 0; c < 3; ++c) ASSERT_NEAR(std::abs(uvOf(f(i), c) - uvOf(onto, c)), 0, 1e-4) << i;
    }
    EXPECT_EQ(stackSimilarIslands(model, EPSILON, &count), EditResult::Unchanged) << "all in place";
    EXPECT_EQ(count.stacked, 0);
}

// Every tool's history entry holds all it wrote: its undo gives back the records it found.
TEST_F(IslandTools, UndoOfEachToolRestoresTheFaceRecordsByteForByte) {
    auto leftHalf = [](int i) { return (i / 2) % 6 < 3; };
    auto splitLeftHalf = [&] {
        select(leftHalf);
        ASSERT_EQ(splitSelection(model, EPSILON), EditResult::Changed);
        model.selectAll(true);
    };
    // The middle vertex pushed off its column, whose corners alone are selected.
    auto bendColumn = [&](bool columnOnly) {
        for (DevFace& face : doc->faces())
            for (int c = 0; c < 3; ++c) {
                if (face.vertex[c] == 24) face.uv[c][0] += 0.02f;
                const bool selected = !columnOnly || face.vertex[c] % 7 == 3;
                face.flags = uint16_t((face.flags & ~(UV_SELECTED << c)) | (selected ? UV_SELECTED << c : 0));
            }
    };
    const UVPoint pivot{0.5f, 0.5f};
    const struct {
        const char* name;
        std::function<void()> prepare;
        std::function<bool()> tool;
    } rows[] = {
        {"split", [&] { select(leftHalf); }, [&] { return edited(splitSelection(model, EPSILON)); }},
        {"stitch", splitLeftHalf, [&] { return edited(stitch(model, EPSILON)); }},
        {"orient", [&] { model.rotate(0.5f, CORNERS_SELECTED, true, &pivot); }, [&] { return edited(orientIslands(model, EPSILON)); }},
        {"stack", splitLeftHalf, [&] { return edited(stackSimilarIslands(model, EPSILON)); }},
        {"align", [&] { bendColumn(true); }, [&] { return edited(alignSelection(model, AlignTo::Left, EPSILON, L"Align Left")); }},
        {"straighten", [&] { bendColumn(true); }, [&] { return edited(straighten(model, EPSILON, L"Straighten")); }},
        {"grid", [&] { bendColumn(false); }, [&] { return edited(straightenToGrid(model, EPSILON, L"Straighten to Grid").outcome); }},
    };
    for (const auto& row : rows) {
        use(bumpyGrid(6));
        row.prepare();
        const std::vector<DevFace> before = doc->faces();
        ASSERT_TRUE(row.tool()) << row.name;
        ASSERT_TRUE(doc->undo()) << row.name;
        EXPECT_EQ(std::memcmp(doc->faces().data(), before.data(), before.size() * sizeof(DevFace)), 0) << row.name;
    }
}

// Every hand tool, on host data that makes no sense: a vertex beyond the mesh, NaN and
// infinite UVs on islands that meet selected ones and beside a straight path; no mesh.
TEST_F(IslandTools, BrokenHostDataIsLeftAloneAndNoMeshChangesNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::function<bool(UVModel&)> tools[] = {
        [](UVModel& m) { return edited(splitSelection(m, EPSILON)); }, [](UVModel& m) { return edited(stitch(m, EPSILON)); },
        [](UVModel& m) { return edited(orientIslands(m, EPSILON)); }, [](UVModel& m) { return edited(stackSimilarIslands(m, EPSILON)); },
        [](UVModel& m) { return edited(alignSelection(m, AlignTo::Right, EPSILON, L"Align")); },
        [](UVModel& m) { return edited(straighten(m, EPSILON, L"Straighten")); },
        [](UVModel& m) { return edited(straightenToGrid(m, EPSILON, L"Grid").outcome); }};
    Mesh grid, path;
    for (int k = 0; k < 5; ++k) grid.add(k % 2, k / 2, 0);
    grid.tri(0, 1, 2), grid.tri(2, 1, 3), grid.tri(2, 3, 4), grid.tri(3, 2, 4);
    grid.faces[2].vertex[2] = 99;
    grid.faces[1].uv[0][0] = 7, grid.faces[3].uv[2][1] = nan, grid.faces[1].flags &= uint16_t(~UV_SELECTED_ALL);
    path.verts = vertices(6);
    path.faces = {face(UV_SELECTED_ALL, 0, 1, 99, 0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.1f),
                  face(UV_SELECTED_ALL, 1, 0, 2, nan, 0.1f, 0.1f, 0.1f, 0.3f, INFINITY),
                  face(UV_SELECTED_ALL, 3, 4, 5, 0.5f, 0.5f, 0.6f, 0.5f, 0.7f, 0.5f)};
    for (const auto& tool : tools) {
        for (const Mesh* m : {&grid, &path}) {
            use(*m);
            tool(model);
            for (size_t i = 0; i < m->faces.size(); ++i)
                for (int k = 0; k < 6; ++k) {
                    const float was = m->faces[i].uv[k / 2][k % 2], now = f(int(i)).uv[k / 2][k % 2];
                    EXPECT_TRUE(std::isfinite(was) ? std::isfinite(now) : std::memcmp(&was, &now, 4) == 0) << i << " " << k;
                }
            EXPECT_EQ(doc->lockCount(), 0);
        }
        useMesh({});
        EXPECT_FALSE(tool(model));
        model.mesh.Reset();
        doc->clearJournal();
        EXPECT_FALSE(tool(model));
        EXPECT_EQ(journal().size(), 2u);
    }
}
