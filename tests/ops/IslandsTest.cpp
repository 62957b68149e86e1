// Select Island, Unwrap, Auto Unwrap and Pack Islands; flipped and overlapping faces
// and texel density.
//
// Sections:
//   Meshes and layouts        grids, cubes and tubes, overlap test, Layout, the fixture
//   Select Island and Unwrap
//   Auto Unwrap and Pack
//   Flipped and overlapping
//   Texel density
#include "support/MeshFixture.h"

#include <ops/Islands.h>
#include <ops/LayoutQuality.h>

#include <array>
#include <cmath>
#include <limits>
#include <tuple>

using namespace meshtest;

namespace {

// ---- Meshes and layouts ----

struct Mesh {
    std::vector<DevFace> faces;
    std::vector<DevVertex> verts;
    bool planar = false;  // UVs as seen from above (stored v runs down), else all at the origin
    // Two selected triangles split along a-c.
    void quad(int a, int b, int c, int d) {
        auto u = [&](int v) { return planar ? 0.25f + 0.5f * verts[size_t(v)].position[0] : 0.0f; };
        auto w = [&](int v) { return planar ? 0.75f - 0.5f * verts[size_t(v)].position[1] : 0.0f; };
        for (auto [p, q] : {std::pair{b, c}, {c, d}})
            faces.push_back(face(UV_SELECTED_ALL, a, p, q, u(a), w(a), u(p), w(p), u(q), w(q)));
    }
};

// n x n quads over the unit square lifted by `height`, planar UVs in [0.25, 0.75] as
// seen from above (stored v runs down).
Mesh bumpyGrid(int n, double (*height)(double, double)) {
    Mesh m;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const double x = double(i) / n, y = double(j) / n;
            m.verts.push_back(vertex(float(x), float(y), float(height(x, y))));
        }
    m.planar = true;
    for (int j = 0; j < n; ++j)
        for (int i = 0, v = j * (n + 1); i < n; ++i, ++v) m.quad(v, v + 1, v + n + 2, v + n + 1);
    return m;
}

// A closed cube, or an open tube of eight sides; every UV at the origin, all selected.
Mesh cube() {
    Mesh m;
    for (int i = 0; i < 8; ++i) m.verts.push_back(vertex(float(i & 1), float((i >> 1) & 1), float(i >> 2)));
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) m.quad(q[0], q[1], q[2], q[3]);
    return m;
}
Mesh tube() {
    Mesh m;
    for (int z = 0; z < 3; ++z)
        for (int k = 0; k < 8; ++k)
            m.verts.push_back(vertex(float(std::cos(k * 0.7853981633974483)), float(std::sin(k * 0.7853981633974483)), float(z)));
    for (int z = 0; z < 2; ++z)
        for (int k = 0; k < 8; ++k) m.quad(z * 8 + k, z * 8 + (k + 1) % 8, z * 8 + (k + 1) % 8 + 8, z * 8 + k + 8);
    return m;
}

double signedArea(const DevFace& f) {
    return 0.5 * ((f.uv[1][0] - f.uv[0][0]) * (f.uv[2][1] - f.uv[0][1]) - (f.uv[2][0] - f.uv[0][0]) * (f.uv[1][1] - f.uv[0][1]));
}

// Whether two UV triangles share interior: no edge normal of either separates them.
bool overlap(const DevFace& a, const DevFace& b) {
    for (const DevFace* t : {&a, &b})
        for (int e = 0; e < 3; ++e) {
            const double nx = t->uv[(e + 1) % 3][1] - t->uv[e][1], ny = t->uv[e][0] - t->uv[(e + 1) % 3][0];
            double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
            for (int s = 0; s < 2; ++s)
                for (int c = 0; c < 3; ++c) {
                    const DevFace& f = s ? b : a;
                    const double d = nx * f.uv[c][0] + ny * f.uv[c][1];
                    lo[s] = std::min(lo[s], d), hi[s] = std::max(hi[s], d);
                }
            const double tolerance = 1e-6 * std::hypot(nx, ny);
            if (hi[0] <= lo[1] + tolerance || hi[1] <= lo[0] + tolerance) return false;
        }
    return true;
}

struct Layout {
    int flipped = 0, overlaps = 0, outside = 0;
    double angleError = 0;  // area-weighted mean, degrees
    double area = 0;
    double areaSpread = 0;  // mean |ln(UV area share / 3D area share)|, weighted by 3D area
};

Layout layoutOf(const std::vector<DevFace>& faces, const std::vector<DevVertex>& verts) {
    Layout layout;
    double weight = 0;
    std::vector<double> shares;
    for (size_t i = 0; i < faces.size(); ++i) {
        const DevFace& f = faces[i];
        // Stored v runs down the image: a face seen from the front turns clockwise.
        layout.flipped += !(signedArea(f) < -1e-12);
        layout.area += std::abs(signedArea(f));
        for (int c = 0; c < 3; ++c)
            layout.outside += !(f.uv[c][0] >= 0 && f.uv[c][0] <= 1 && f.uv[c][1] >= 0 && f.uv[c][1] <= 1);
        for (size_t j = i + 1; j < faces.size(); ++j) layout.overlaps += overlap(f, faces[j]);
        double area3D = 0, error = 0;
        for (int c = 0; c < 3; ++c) {
            const float* p = verts[f.vertex[c]].position;
            const float* q = verts[f.vertex[(c + 1) % 3]].position;
            const float* r = verts[f.vertex[(c + 2) % 3]].position;
            const double a[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]}, b[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
            const double cr[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
            const double angle3D = std::atan2(std::sqrt(cr[0] * cr[0] + cr[1] * cr[1] + cr[2] * cr[2]), a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
            const double au[2] = {f.uv[(c + 1) % 3][0] - f.uv[c][0], f.uv[(c + 1) % 3][1] - f.uv[c][1]};
            const double bu[2] = {f.uv[(c + 2) % 3][0] - f.uv[c][0], f.uv[(c + 2) % 3][1] - f.uv[c][1]};
            const double angleUV = std::atan2(std::abs(au[0] * bu[1] - au[1] * bu[0]), au[0] * bu[0] + au[1] * bu[1]);
            error += std::abs(angleUV - angle3D) / 3 * 57.29577951307855;
            area3D = 0.5 * std::sqrt(cr[0] * cr[0] + cr[1] * cr[1] + cr[2] * cr[2]);
        }
        layout.angleError += area3D * error, weight += area3D;
        shares.insert(shares.end(), {std::abs(signedArea(f)), area3D});
    }
    layout.angleError /= weight;
    for (size_t i = 0; i < shares.size(); i += 2)
        layout.areaSpread += shares[i + 1] / weight * std::abs(std::log(shares[i] / layout.area * weight / shares[i + 1]));
    return layout;
}

// The least distance between the UV triangles of two faces; 0 where they overlap.
double gap(const DevFace& a, const DevFace& b) {
    if (overlap(a, b)) return 0;
    double least = 1e300;
    for (const auto& [s, t] : {std::pair{&a, &b}, std::pair{&b, &a}})
        for (int c = 0; c < 3; ++c)
            for (int e = 0; e < 3; ++e) {
                const float *p = s->uv[c], *q = t->uv[e], *r = t->uv[(e + 1) % 3];
                const double du = r[0] - q[0], dv = r[1] - q[1], along = du * du + dv * dv;
                const double k = along > 0 ? std::clamp(((p[0] - q[0]) * du + (p[1] - q[1]) * dv) / along, 0.0, 1.0) : 0.0;
                least = std::min(least, std::hypot(p[0] - q[0] - k * du, p[1] - q[1] - k * dv));
            }
    return least;
}

// Islands of rectangles (u0, v0, u1, v1), two selected faces each; rectangles of one
// island share the vertices of the corners they share.
struct Heap {
    std::vector<DevFace> faces;
    std::vector<int> island;  // per face
    int verts = 0;
    void add(std::initializer_list<std::array<float, 4>> rects, uint16_t flags = 0) {
        std::vector<std::pair<std::array<float, 2>, int>> known;
        auto at = [&](float u, float v) {
            for (const auto& [p, i] : known)
                if (p[0] == u && p[1] == v) return i;
            known.push_back({{u, v}, verts});
            return verts++;
        };
        const int id = island.empty() ? 0 : island.back() + 1;
        for (const auto& r : rects) {
            const int a = at(r[0], r[1]), b = at(r[0], r[3]), c = at(r[2], r[3]), d = at(r[2], r[1]);
            faces.push_back(face(UV_SELECTED_ALL | flags, a, b, c, r[0], r[1], r[0], r[3], r[2], r[3]));
            faces.push_back(face(UV_SELECTED_ALL, a, c, d, r[0], r[1], r[2], r[3], r[2], r[1]));
            island.insert(island.end(), 2, id);
        }
    }
};

class Islands : public MeshFixture {
protected:
    void use(const Mesh& m) { useMesh(m.faces, m.verts); }
    Layout layout() { return layoutOf(doc->faces(), doc->vertices()); }
};

}  // namespace

// ---- Select Island and Unwrap ----

TEST_F(Islands, SelectIslandCrossesEdgesWhoseUVsMeetButNotSeamsOrHiddenFaces) {
    // f0 and f1 meet on edge 1-2 (u 1.0005 is within the epsilon); f2 meets f1 across a
    // seam; f3's last corner is hidden, so f4 beyond it is an island of its own.
    useMesh({face(UV_SELECTED, 0, 1, 2, 0, 0, 1, 0, 0, 1), face(0, 2, 1, 3, 0, 1, 1.0005f, 0, 1, 1),
             face(0, 2, 3, 4, 0, 2, 1, 2, 0, 3), face(UV_HIDDEN << 2, 4, 3, 5, 0, 3, 1, 2, 1, 3),
             face(0, 5, 3, 6, 1, 3, 1, 2, 2, 2)},
            vertices(7));
    ASSERT_EQ(selectIsland(model, 0.001f, false), EditResult::Changed);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED_ALL, UV_SELECTED_ALL, 0, UV_HIDDEN << 2, 0}));
    expectJournal(fullProtocol("Select Island", "0,16,13", true));

    f(2).flags |= UV_SELECTED << 1;
    ASSERT_EQ(selectIsland(model, 0.001f, true), EditResult::Changed);
    const uint16_t wholeFace = UV_SELECTED_ALL | FACE_SELECTED;
    EXPECT_EQ(ownFlags(), (Flags{wholeFace, wholeFace, wholeFace, UV_HIDDEN << 2, 0}));
    EXPECT_EQ(vtx(4).flags & VERTEX_SELECTED, VERTEX_SELECTED);  // corners that changed take their vertex
    EXPECT_EQ(vtx(5).flags & VERTEX_SELECTED, 0);
    EXPECT_EQ(journal().back(), "EndEdit()");
    EXPECT_EQ(journal()[1], "BeginEdit(4,16,5,\"Select Island\")");

    // Nothing more to select: the entry is discarded.
    doc->clearJournal();
    EXPECT_EQ(selectIsland(model, 0.001f, false), EditResult::Unchanged);
    expectJournal(fullProtocol("Select Island", "0,16,13", false));
}

TEST_F(Islands, UnwrapFlattensConformallyOrEvenlyKeepingCentreAreaAndPins) {
    Mesh m = bumpyGrid(8, [](double x, double y) { return 0.4 * std::sin(3 * x) * std::cos(2 * y); });
    // Unwrap Conformal keeps angles best; Unwrap then evens the areas out, bending angles a little.
    Layout conformal;
    for (bool even : {false, true}) {
        use(m);
        const double before = layout().angleError;
        ASSERT_TRUE(even ? edited(unwrap(model, 0.001f)) : edited(unwrapConformal(model, 0.001f)));
        expectJournal(fullProtocol(even ? "Unwrap" : "Unwrap Conformal", "0,4,13", true));
        const Layout after = layout();
        EXPECT_EQ(after.flipped, 0);
        EXPECT_LT(after.angleError, even ? 1.0 : 0.5);
        EXPECT_GT(before, 2 * after.angleError);
        EXPECT_LT(after.areaSpread, even ? 0.5 * conformal.areaSpread : 1.0);
        EXPECT_NEAR(after.area, 0.25, 1e-4);
        float rect[4];
        ASSERT_TRUE(model.bounds(CORNERS_ALL, rect));
        EXPECT_NEAR(rect[0] + rect[2], 1.0, 1e-4) << "centred in u";
        EXPECT_NEAR(rect[1] + rect[3], 1.0, 1e-4) << "centred in v";
        conformal = after;
    }

    // Two locked corners pin the map; a third pin of the same island keeps its place too.
    use(m);
    for (int i : {0, 60, 127}) f(i).flags |= UV_LOCKED;
    const std::vector<DevFace> pinned = doc->faces();
    ASSERT_EQ(unwrap(model, 0.001f), EditResult::Changed);
    for (int i : {0, 60, 127}) expectUV(i, 0, pinned[size_t(i)].uv[0][0], pinned[size_t(i)].uv[0][1]);
    EXPECT_EQ(layout().flipped, 0);
}

TEST_F(Islands, UnwrapCutsClosedAndTubeIslandsAndSkipsBrokenFaces) {
    // And a grid with nine holes, opened by one cut through them all.
    Mesh holes = bumpyGrid(12, [](double, double) { return 0.0; });
    for (int k = int(holes.faces.size()) - 1; k >= 0; --k)
        if ((k / 2) % 12 % 4 == 1 && (k / 24) % 4 == 1) holes.faces.erase(holes.faces.begin() + k);
    for (const Mesh& m : {cube(), tube(), holes}) {
        use(m);
        ASSERT_EQ(unwrap(model, 0.001f), EditResult::Changed);
        EXPECT_EQ(layout().flipped + layout().overlaps, 0);
    }
    // A face beyond the vertices, one on a NaN position and a degenerate one in a grid.
    Mesh m = bumpyGrid(2, [](double, double) { return 0.0; });
    m.verts.push_back(vertex(std::numeric_limits<float>::quiet_NaN(), 0, 0));
    m.faces.push_back(face(UV_SELECTED_ALL, 0, 1, 99, 0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.1f));
    m.faces.push_back(face(UV_SELECTED_ALL, 0, 1, 9, 0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.1f));
    m.faces.push_back(face(UV_SELECTED_ALL, 2, 1, 0, 0.75f, 0.25f, 0.5f, 0.25f, 0.25f, 0.25f));
    m.faces.push_back(face(UV_SELECTED_ALL, 0, 4, 8, 0, 0, 0, 0, 0, 0));  // degenerate, a chart of its own
    use(m);
    ASSERT_EQ(unwrap(model, 0.001f), EditResult::Changed);
    ASSERT_EQ(autoUnwrap(model, 0.001f), EditResult::Changed);
    for (int i : {8, 9}) expectFace(i, {0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.1f});
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(std::isfinite(f(10).uv[c][0]) && std::isfinite(f(10).uv[c][1]));
    for (int i : {10, 11})
        EXPECT_LT(signedArea(f(i)), -1e-6) << "a face without area gets one, seen from the front: " << i;
    for (int i : {0, 7, 10, 11})
        for (int k = 0; k < 6; ++k) EXPECT_TRUE(f(i).uv[k / 2][k % 2] >= 0 && f(i).uv[k / 2][k % 2] <= 1) << i;
}

TEST_F(Islands, UnwrapRepeatsItsMapAfterAMeshOfAsManyVerticesJoinedOtherwise) {
    // The same grid with each quad split along its other diagonal: as many vertices and
    // faces, other neighbours. Each map must be that of its own mesh, every time.
    const Mesh grid = bumpyGrid(6, [](double x, double y) { return 0.3 * std::sin(4 * x) * y; });
    Mesh other = grid;
    for (size_t k = 0; k < other.faces.size(); k += 2) {  // (a b c) (a c d) -> (a b d) (b c d)
        DevFace& one = other.faces[k];
        DevFace& two = other.faces[k + 1];
        auto corner = [](DevFace& to, int c, const DevFace& from, int d) {
            to.vertex[c] = from.vertex[d], to.uv[c][0] = from.uv[d][0], to.uv[c][1] = from.uv[d][1];
        };
        const DevFace a = one, b = two;
        corner(one, 2, b, 2), corner(two, 0, a, 1);
    }
    std::vector<DevFace> first[2];
    for (int k : {1, 0, 1, 1, 0}) {
        use(k ? other : grid);
        ASSERT_EQ(unwrap(model, 0.001f), EditResult::Changed) << k;
        EXPECT_EQ(layout().flipped, 0) << k;
        if (first[k].empty()) first[k] = doc->faces();
        for (size_t i = 0; i < first[k].size(); ++i)
            for (int c = 0; c < 6; ++c) ASSERT_EQ(f(int(i)).uv[c / 2][c % 2], first[k][i].uv[c / 2][c % 2]) << k << " " << i;
    }
}

// ---- Auto Unwrap and Pack ----

TEST_F(Islands, AutoUnwrapChartsAndPacksInsideTheSquare) {
    use(cube());
    ASSERT_EQ(autoUnwrap(model, 0.001f), EditResult::Changed);
    expectJournal(fullProtocol("Auto Unwrap", "0,4,13", true));
    const Layout l = layout();
    EXPECT_EQ(l.flipped + l.overlaps + l.outside, 0);
    EXPECT_GT(l.area, 0.55);  // six equal squares, 0.02 apart
    EXPECT_LT(l.angleError, 1e-3);
}

TEST_F(Islands, UnwrapsKeepFacesOnAnEdgeOfNoLengthFlatInTheirChart) {
    // Vertex 7 moved onto its neighbour 6, as where a seam was closed by moving vertices
    // rather than merging them: faces 1-7-6 and 6-7-12 lose their 3D area.
    Mesh m = bumpyGrid(4, [](double x, double y) { return 0.1 * std::sin(3 * x) * y; });
    std::copy_n(m.verts[6].position, 3, m.verts[7].position);
    using Unwrapper = EditResult (*)(UVModel&, float);
    for (Unwrapper run : {Unwrapper([](UVModel& u, float e) { return unwrap(u, e); }),
                          Unwrapper([](UVModel& u, float e) { return autoUnwrap(u, e); })}) {
        use(m);
        ASSERT_EQ(run(model, 0.001f), EditResult::Changed);
        std::vector<std::array<float, 2>> at(m.verts.size(), {NAN, NAN});
        for (int i = 0; i < int(m.faces.size()); ++i) {
            const auto& v = m.faces[size_t(i)].vertex;
            const bool flat = std::count(v, v + 3, 6) + std::count(v, v + 3, 7) == 2;
            EXPECT_TRUE(flat ? signedArea(f(i)) == 0 : signedArea(f(i)) < -1e-6) << i;
            for (int c = 0; c < 3; ++c) {
                if (std::isnan(at[v[c]][0])) at[v[c]] = {f(i).uv[c][0], f(i).uv[c][1]};
                EXPECT_TRUE(at[v[c]][0] == f(i).uv[c][0] && at[v[c]][1] == f(i).uv[c][1]) << "one island: " << i;
            }
        }
        selectFlipped(model, 0.001f, false);
        EXPECT_EQ(ownFlags(), Flags(m.faces.size(), 0)) << "none flipped";
    }
}

TEST_F(Islands, PackMovesIslandsWholeAtOneScaleApartInsideTheSquareAndNestsThem) {
    // Rectangles heaped at the origin, lying and standing; the same with a square locked by
    // one corner; six Ls of unit bounds, whose bounds a margin apart would fit the square
    // only up to the scale (1 + margin) / sqrt(6) - margin; eight Ts with the stem off
    // centre, which a quarter turn does not map onto their mirror image. Each packed by
    // shape and by bounds alone.
    Heap rectangles, locked, ls, ts;
    for (const auto& [w, h] : {std::pair{0.1f, 0.3f}, {0.2f, 0.1f}, {0.4f, 0.15f}, {0.05f, 0.25f}, {0.3f, 0.1f}})
        rectangles.add({{0, 0, w, h}}), locked.add({{0, 0, w, h}});
    locked.add({{0.6f, 0.6f, 0.9f, 0.9f}}, UV_LOCKED << 2);
    for (int k = 0; k < 6; ++k) ls.add({{0, 0, 0.25f, 0.25f}, {0.25f, 0, 1, 0.25f}, {0, 0.25f, 0.25f, 1}});
    for (int k = 0; k < 8; ++k) ts.add({{0, 0, 0.2f, 0.1f}, {0.2f, 0, 0.3f, 0.1f}, {0.3f, 0, 0.7f, 0.1f}, {0.2f, 0.1f, 0.3f, 0.3f}});
    for (const auto& [shapes, what, heap, least] :
         {std::tuple{10000, "rectangles", rectangles, 0.0}, {10000, "locked", locked, 0.0},
          {10000, "Ls", ls, 1.02 / std::sqrt(6.0) - 0.02}, {10000, "Ts", ts, 0.0},
          {0, "rectangles by bounds", rectangles, 0.0}, {0, "locked by bounds", locked, 0.0}, {0, "Ts by bounds", ts, 0.0}}) {
        const std::string name = what;
        PackOptions options;
        options.shapeIslands = shapes;
        useMesh(heap.faces, vertices(heap.verts));
        ASSERT_EQ(packIslands(model, 0.001f, options), EditResult::Changed) << name;
        expectJournal(fullProtocol("Pack Islands", "0,4,13", true));
        // Each face keeps its shape and winding at one scale; corners in the square.
        double scale = 0, reach = 0;
        for (int i = 0; i < int(heap.faces.size()); ++i) {
            const DevFace &a = heap.faces[size_t(i)], &b = f(i);
            if (heap.island[size_t(i)] == 5 && name.starts_with("locked")) {
                EXPECT_EQ(std::memcmp(a.uv, b.uv, sizeof a.uv), 0) << "the locked island stays";
                continue;
            }
            EXPECT_LT(signedArea(b), 0) << name << " " << i;
            for (int c = 0; c < 3; ++c) {
                const double ratio = std::hypot(b.uv[(c + 1) % 3][0] - b.uv[c][0], b.uv[(c + 1) % 3][1] - b.uv[c][1]) /
                                     std::hypot(a.uv[(c + 1) % 3][0] - a.uv[c][0], a.uv[(c + 1) % 3][1] - a.uv[c][1]);
                if (scale == 0) scale = ratio;
                EXPECT_NEAR(ratio, scale, 1e-4 * scale) << name << " " << i;
                for (int k = 0; k < 2; ++k) EXPECT_TRUE(b.uv[c][k] >= 0 && b.uv[c][k] <= 1) << name << " " << i;
                reach = std::max({reach, double(b.uv[c][0]), double(b.uv[c][1])});
            }
            for (int j = i + 1; j < int(heap.faces.size()); ++j)
                EXPECT_TRUE(heap.island[size_t(j)] == heap.island[size_t(i)] || gap(b, f(j)) >= 0.02 - 1e-5)
                    << name << " " << i << " " << j;
        }
        EXPECT_GT(scale, least) << name;
        EXPECT_TRUE(name.starts_with("locked") || std::abs(reach - 1) < 1e-5) << name << ": as large as fits";
    }
}

// A locked strip along the diagonal from (-0.1, -0.1) to (1.1, 1.1), its bounds covering
// the square: what is free goes into the two halves beside it, clear of its triangles.
// Packed: a quad far outside; auto unwrapped: a cube.
TEST_F(Islands, FreeIslandsGoBesideALockedStripThatSpansTheSquare) {
    struct Case {
        const char* name;
        EditResult (*run)(UVModel&, float);
        Mesh free;
    };
    Mesh quad;
    quad.verts = vertices(4);
    quad.faces = {face(UV_SELECTED_ALL, 0, 1, 2, 1.5f, 1.5f, 1.5f, 1.7f, 1.7f, 1.7f),
                  face(UV_SELECTED_ALL, 0, 2, 3, 1.5f, 1.5f, 1.7f, 1.7f, 1.7f, 1.5f)};
    for (const Case& c : {Case{"pack", [](UVModel& m, float e) { return packIslands(m, e); }, quad},
                          Case{"auto unwrap", [](UVModel& m, float e) { return autoUnwrap(m, e); }, cube()}}) {
        Mesh m = c.free;
        const int freeFaces = int(m.faces.size());
        for (int k = 0; k < 12; ++k) {
            const int v = int(m.verts.size());
            const float d0 = -0.1f + 0.1f * float(k), d1 = d0 + 0.1f;
            for (int i = 0; i < 4; ++i) m.verts.push_back(vertex(float(i & 1), float(k + (i >> 1)), 5));
            m.faces.push_back(face(UV_SELECTED_ALL | UV_LOCKED_ALL, v, v + 1, v + 3, d0 - 0.03f, d0 + 0.03f,
                                   d0 + 0.03f, d0 - 0.03f, d1 + 0.03f, d1 - 0.03f));
            m.faces.push_back(face(UV_SELECTED_ALL | UV_LOCKED_ALL, v, v + 3, v + 2, d0 - 0.03f, d0 + 0.03f,
                                   d1 + 0.03f, d1 - 0.03f, d1 - 0.03f, d1 + 0.03f));
        }
        use(m);
        ASSERT_EQ(c.run(model, 0.001f), EditResult::Changed) << c.name;
        double area = 0;
        for (int i = 0; i < freeFaces; ++i) {
            EXPECT_LT(signedArea(f(i)), -1e-9) << c.name << ": face " << i << " turned over or without area";
            area -= signedArea(f(i));
            for (int k = 0; k < 6; ++k) EXPECT_TRUE(f(i).uv[k / 2][k % 2] >= 0 && f(i).uv[k / 2][k % 2] <= 1) << c.name;
            for (size_t j = size_t(i) + 1; j < doc->faces().size(); ++j)
                EXPECT_FALSE(overlap(f(i), f(int(j)))) << c.name << ": faces " << i << " and " << j;
        }
        for (size_t j = size_t(freeFaces); j < doc->faces().size(); ++j)
            EXPECT_EQ(std::memcmp(f(int(j)).uv, m.faces[j].uv, sizeof m.faces[j].uv), 0) << c.name;
        EXPECT_GT(area, 0.04) << c.name << ": the free space is used, not a corner of it";
    }
}

// Fixed islands that leave room only beside them: a locked triangle over the square's
// lower right half, and a locked bar through its middle from bottom to top. Packed by
// shape and by bounds alone, the free islands keep their shape at one scale, stay a
// margin clear of the fixed ones and fill the room beside them.
TEST_F(Islands, PackFillsTheRoomBesideLockedIslands) {
    Heap triangle, bar;
    triangle.add({{0, 0, 0.2f, 0.2f}});
    const int v = triangle.verts;
    triangle.faces.push_back(face(UV_SELECTED_ALL | UV_LOCKED_ALL, v, v + 1, v + 2, 0, 0, 1, 0.9f, 1, 0));
    triangle.island.push_back(1), triangle.verts += 3;
    bar.add({{0, 0, 0.3f, 0.3f}}), bar.add({{0, 0, 0.5f, 0.1f}}), bar.add({{0.45f, -0.1f, 0.55f, 1.1f}}, UV_LOCKED << 2);
    for (const auto& [shapes, what, heap, least] : {std::tuple{10000, "triangle", triangle, 0.2}, {10000, "bar", bar, 0.09},
                                                    {0, "triangle by bounds", triangle, 0.2}, {0, "bar by bounds", bar, 0.09}}) {
        PackOptions options;
        options.shapeIslands = shapes;
        useMesh(heap.faces, vertices(heap.verts));
        ASSERT_EQ(packIslands(model, 0.001f, options), EditResult::Changed) << what;
        const int fixed = heap.island.back();
        double scale = 0, area = 0;
        for (int i = 0; i < int(heap.faces.size()); ++i) {
            const DevFace &a = heap.faces[size_t(i)], &b = f(i);
            if (heap.island[size_t(i)] == fixed) {
                EXPECT_EQ(std::memcmp(a.uv, b.uv, sizeof a.uv), 0) << what;
                continue;
            }
            const double ratio = signedArea(b) / signedArea(a);
            if (scale == 0) scale = ratio;
            EXPECT_NEAR(ratio, scale, 1e-4 * scale) << what << " " << i;
            area -= signedArea(b);
            for (int k = 0; k < 6; ++k) EXPECT_TRUE(b.uv[k / 2][k % 2] >= 0 && b.uv[k / 2][k % 2] <= 1) << what;
            for (int j = 0; j < int(heap.faces.size()); ++j)
                EXPECT_TRUE(heap.island[size_t(j)] == heap.island[size_t(i)] || gap(b, f(j)) >= 0.02 - 1e-5) << what << " " << i << " " << j;
        }
        EXPECT_GT(area, least) << what;
    }
}

// ---- Flipped and overlapping ----

TEST_F(Islands, SelectFlippedAndOverlappingTakeExactlyTheFaultyFacesShown) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 0 and 1 share an edge, 2 touches 0 at a corner and is alone (so its winding is its
    // island's), 3 lies across 1, 4 has no area, 5 a NaN corner, hidden 6 lies on 0;
    // 7 and 8 fold over their shared edge, a tie that flips the one seen from the back.
    // Vertex 14 is where 0 is: 9 has no 3D area and no UV area, which is right for it; 10
    // has no 3D area but folds over 0, and 5 has no 3D area either.
    std::vector<DevVertex> points = vertices(15);
    for (int i = 0; i < 14; ++i) points[size_t(i)].position[1] = float(i * i);
    points[14].position[0] = 0;
    useMesh({face(UV_SELECTED_ALL, 0, 1, 2, 0, 0, 0, 1, 1, 0), face(0, 2, 1, 3, 1, 0, 0, 1, 1, 1),
             face(0, 4, 5, 6, 0, 0, -1, 0, 0, -1), face(0, 7, 8, 9, 0.8f, 0.8f, 0.8f, 1.8f, 1.8f, 0.8f),
             face(0, 0, 1, 2, 2, 2, 3, 3, 4, 4), face(0, 0, 14, 1, nan, 0, 0, 1, 1, 0),
             face(UV_HIDDEN | UV_SELECTED << 1, 0, 1, 2, 0.1f, 0.1f, 0.1f, 0.5f, 0.5f, 0.1f),
             face(0, 10, 11, 12, 5, 5, 5, 6, 5.5f, 5.5f), face(0, 11, 10, 13, 5, 6, 5, 5, 5.5f, 5.2f),
             face(0, 0, 14, 1, 7, 7, 7, 7, 8, 8), face(0, 0, 2, 14, 0, 0, 1, 0, 0.3f, 0.3f)},
            points);
    const uint16_t hidden = UV_HIDDEN | UV_SELECTED << 1, all = UV_SELECTED_ALL;
    ASSERT_EQ(selectFlipped(model, 0.001f, false), EditResult::Changed);
    EXPECT_EQ(ownFlags(), (Flags{0, 0, 0, 0, all, all, hidden, 0, all, 0, all}));
    expectJournal(fullProtocol("Select Flipped", "0,16,13", true));
    ASSERT_EQ(selectOverlapping(model, 0.001f, false), EditResult::Changed);
    EXPECT_EQ(ownFlags(), (Flags{all, all, 0, all, 0, 0, hidden, all, all, 0, all}));
    doc->clearJournal();
    EXPECT_EQ(selectOverlapping(model, 0.001f, false), EditResult::Unchanged);
    EXPECT_EQ(journal(), fullProtocol("Select Overlapping", "0,16,13", false)) << "nothing changed";

    // A grid whose corners are pushed about until some fold: the grid's answer is that of
    // testing every pair, and the faces against most of the island's winding are flipped.
    Mesh m = bumpyGrid(12, [](double, double) { return 0.0; });
    for (DevFace& face : m.faces)
        for (int c = 0; c < 3; ++c) {
            const unsigned k = face.vertex[c] * 2654435761u;
            face.uv[c][0] += 0.05f * (float((k >> 8) % 1000) / 1000 - 0.5f);
            face.uv[c][1] += 0.05f * (float((k >> 18) % 1000) / 1000 - 0.5f);
        }
    use(m);
    ASSERT_EQ(selectOverlapping(model, 0.001f, false), EditResult::Changed);
    int overlapping = 0, front = 0;
    for (size_t i = 0; i < m.faces.size(); ++i) {
        bool any = false;
        for (size_t j = 0; j < m.faces.size() && !any; ++j) any = j != i && overlap(m.faces[i], m.faces[j]);
        overlapping += any;
        front += signedArea(m.faces[i]) < 0;
        EXPECT_EQ(ownFlags(int(i)), any ? all : 0) << "face " << i;
    }
    EXPECT_GT(overlapping, 20);
    ASSERT_GT(2 * front, int(m.faces.size()));
    EXPECT_LT(front, int(m.faces.size()) - 5);
    ASSERT_EQ(selectFlipped(model, 0.001f, false), EditResult::Changed);
    for (size_t i = 0; i < m.faces.size(); ++i)
        EXPECT_EQ(ownFlags(int(i)), signedArea(m.faces[i]) < 0 ? 0 : all) << "face " << i;
}

// ---- Texel density ----

TEST_F(Islands, TexelDensityScalesEachIslandAboutItsCentreAndLeavesLockedOnes) {
    // Two unit squares in 3D; UV sides 0.5 and 0.25 on a 256-pixel texture: 128 and 64
    // pixels per unit, sqrt((128^2 + 64^2) / 2) together.
    std::vector<DevVertex> verts;
    for (int s = 0; s < 2; ++s)
        for (int i = 0; i < 4; ++i) verts.push_back(vertex(float(i & 1), float(i >> 1), float(s)));
    auto mesh = [&](uint16_t lockB) {  // square s at (x, x), of side w
        std::vector<DevFace> faces;
        for (auto [s, x, w] : {std::tuple{0, 0.1f, 0.5f}, {1, 0.7f, 0.25f}}) {
            faces.push_back(face(UV_SELECTED_ALL | (s ? lockB : 0), 4 * s, 4 * s + 2, 4 * s + 3, x, x, x, x + w, x + w, x + w));
            faces.push_back(face(UV_SELECTED_ALL, 4 * s, 4 * s + 3, 4 * s + 1, x, x, x + w, x + w, x + w, x));
        }
        useMesh(faces, verts);
    };
    const double together = std::sqrt((128.0 * 128 + 64.0 * 64) / 2);
    mesh(0);
    EXPECT_NEAR(texelDensity(model, 0.001f, 256, 256), together, 1e-3);
    expectOnlyLockPairs();
    ASSERT_EQ(setTexelDensity(model, 0.001f, 256, 256, 32, L"Set Texel Density"), EditResult::Changed);
    expectJournal(fullProtocol("Set Texel Density", "0,4,13", true));
    expectFace(0, {0.2875f, 0.2875f, 0.2875f, 0.4125f, 0.4125f, 0.4125f}, 1e-6f);
    expectFace(3, {0.825f - 0.0625f, 0.825f - 0.0625f, 0.825f + 0.0625f, 0.825f + 0.0625f, 0.825f + 0.0625f,
                   0.825f - 0.0625f}, 1e-6f);
    EXPECT_NEAR(texelDensity(model, 0.001f, 256, 256), 32, 1e-3);

    mesh(UV_LOCKED << 2);  // a locked corner keeps the second island as it is
    const std::vector<DevFace> before = doc->faces();
    ASSERT_EQ(setTexelDensity(model, 0.001f, 256, 256, 0, L"Match Texel Density"), EditResult::Changed);
    expectJournal(fullProtocol("Match Texel Density", "0,4,13", true));
    const float half = float(together / 256 / 2);
    expectFace(1, {0.35f - half, 0.35f - half, 0.35f + half, 0.35f + half, 0.35f + half, 0.35f - half}, 1e-6f);
    for (int i : {2, 3}) EXPECT_EQ(std::memcmp(f(i).uv, before[size_t(i)].uv, sizeof f(i).uv), 0);
}

// A density that would throw the islands far outside any texture, or is no density at
// all, moves nothing and keeps no entry; the reach says how far a density would go.
TEST_F(Islands, TexelDensityRefusesTargetsThatCarryIslandsAway) {
    Mesh m = bumpyGrid(2, [](double, double) { return 0.0; });  // 1 x 1 in 3D, 0.5 x 0.5 in UV
    use(m);
    EXPECT_NEAR(texelDensityReach(model, 0.001f, 256, 256, 256), 1.0, 1e-6) << "twice the size about (0.5, 0.5)";
    doc->clearJournal();
    for (double target : {1e30, 1e5, -5.0, std::numeric_limits<double>::infinity(), std::nan("")}) {
        EXPECT_EQ(setTexelDensity(model, 0.001f, 256, 256, target, L"Set Texel Density"), EditResult::Unchanged) << target;
        EXPECT_EQ(journal(), fullProtocol("Set Texel Density", "0,4,13", false)) << target;
        doc->clearJournal();
    }
    EXPECT_GT(texelDensityReach(model, 0.001f, 256, 256, 1e5), TEXEL_DENSITY_MOST_REACH);
    for (size_t i = 0; i < m.faces.size(); ++i) EXPECT_EQ(std::memcmp(f(int(i)).uv, m.faces[i].uv, sizeof m.faces[i].uv), 0);
}
