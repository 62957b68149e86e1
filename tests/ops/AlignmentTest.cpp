// Align, Straighten and Straighten to Grid (their broken host data in IslandToolsTest).
#include "support/MeshFixture.h"

#include <ops/Alignment.h>

#include <cmath>
#include <functional>
#include <map>
#include <utility>

using namespace meshtest;

namespace {

// An n x n quad grid over the given x and y lines, lifted by height; UVs as seen from
// above in [0.25, 0.75] (stored v runs down), pushed by nudge(i, j) per vertex.
struct Grid {
    int n;
    std::vector<double> xs, ys;
    std::function<double(double, double)> height = [](double, double) { return 0.0; };
    std::function<std::pair<float, float>(int, int)> nudge = [](int, int) { return std::pair{0.0f, 0.0f}; };

    int at(int i, int j) const { return j * (n + 1) + i; }
    std::vector<DevVertex> verts() const {
        std::vector<DevVertex> v;
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) v.push_back(vertex(float(xs[size_t(i)]), float(ys[size_t(j)]), float(height(xs[size_t(i)], ys[size_t(j)]))));
        return v;
    }
    std::vector<DevFace> faces() const {
        std::vector<DevFace> faces;
        auto uv = [&](int v, int axis) {
            const int i = v % (n + 1), j = v / (n + 1);
            const auto [du, dv] = nudge(i, j);
            return axis ? float(0.75 - 0.5 * ys[size_t(j)]) + dv : float(0.25 + 0.5 * xs[size_t(i)]) + du;
        };
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const int a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
                for (auto [p, q] : {std::pair{b, c}, {c, d}})
                    faces.push_back(face(0, a, p, q, uv(a, 0), uv(a, 1), uv(p, 0), uv(p, 1), uv(q, 0), uv(q, 1)));
            }
        return faces;
    }
};

std::vector<double> evenLines(int n) {
    std::vector<double> lines;
    for (int k = 0; k <= n; ++k) lines.push_back(double(k) / n);
    return lines;
}

double cross(const DevFace& f) {
    return (double(f.uv[1][0]) - f.uv[0][0]) * (double(f.uv[2][1]) - f.uv[0][1]) -
           (double(f.uv[1][1]) - f.uv[0][1]) * (double(f.uv[2][0]) - f.uv[0][0]);
}

class Alignment : public MeshFixture {
protected:
    // Selects (and with `flags`, marks) the corners on the vertices that pass.
    void mark(const std::function<bool(int)>& onVertex, uint16_t flags = UV_SELECTED) {
        for (DevFace& face : doc->faces())
            for (int c = 0; c < 3; ++c)
                if (onVertex(face.vertex[c])) face.flags |= uint16_t(flags << c);
    }
    // Every face keeps the sign of its area; corners not in `moved` keep their UVs.
    void expectOnlyMoved(const std::vector<DevFace>& before, const std::function<bool(const DevFace&, int)>& moved) {
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_GT(cross(f(int(i))) * cross(before[i]), 0) << "face " << i << " turned over";
            for (int c = 0; c < 3; ++c)
                if (!moved(before[i], c)) expectUV(int(i), c, before[i].uv[c][0], before[i].uv[c][1]);
        }
    }
    // The UV of a vertex's corners, which must all agree.
    std::pair<float, float> uvOf(int vertex) {
        std::pair<float, float> uv{NAN, NAN};
        for (const DevFace& face : doc->faces())
            for (int c = 0; c < 3; ++c) {
                if (face.vertex[c] != vertex) continue;
                if (std::isnan(uv.first)) uv = {face.uv[c][0], face.uv[c][1]};
                EXPECT_EQ(uv, std::make_pair(face.uv[c][0], face.uv[c][1])) << "vertex " << vertex;
            }
        return uv;
    }
};

}  // namespace

TEST_F(Alignment, AlignSetsOneCoordinateOfTheSelectionAndHoldsWhatWouldFold) {
    // The middle column's u is 0.48, 0.5, 0.53 down the grid; the middle row's v 0.51, 0.5, 0.48.
    Grid g{2, evenLines(2), evenLines(2)};
    g.nudge = [](int i, int j) {
        const float offsets[2][3] = {{-0.02f, 0, 0.03f}, {0.01f, 0, -0.02f}};
        return std::pair<float, float>(i == 1 ? offsets[0][j] : 0, j == 1 ? offsets[1][i] : 0);
    };
    const struct {
        AlignTo side;
        bool column;  // the middle column selected, else the middle row
        float value;  // the u (column) or v (row) all take
    } cases[] = {{AlignTo::Left, true, 0.48f},    {AlignTo::Right, true, 0.53f}, {AlignTo::CentreHorizontally, true, 0.505f},
                 {AlignTo::Top, false, 0.48f},    {AlignTo::Bottom, false, 0.51f}, {AlignTo::CentreVertically, false, 0.495f}};
    for (const auto& k : cases) {
        useMesh(g.faces(), g.verts());
        auto line = [&](int v) { return k.column ? v % 3 == 1 : v / 3 == 1; };
        mark(line);
        const std::vector<DevFace> before = doc->faces();
        ASSERT_EQ(alignSelection(model, k.side, 0.001f, L"Align"), EditResult::Changed);
        expectJournal(fullProtocol("Align", "0,4,13", true));
        const int axis = k.column ? 0 : 1;
        expectOnlyMoved(before, [&](const DevFace& face, int c) { return line(face.vertex[c]); });
        for (int i = 0; i < 8; ++i)
            for (int c = 0; c < 3; ++c)
                if (line(f(i).vertex[c])) {
                    EXPECT_NEAR(f(i).uv[c][axis], k.value, 1e-6) << int(k.side);
                    EXPECT_EQ(f(i).uv[c][1 - axis], before[size_t(i)].uv[c][1 - axis]);
                }
        EXPECT_EQ(alignSelection(model, k.side, 0.001f, L"Align"), EditResult::Unchanged) << "aligned already";
        expectJournal(fullProtocol("Align", "0,4,13", false));
    }

    // The column plus the top-right vertex, whose move left would fold its faces; the
    // vertex (1, 2), one of its corners locked, and a hidden corner of (1, 1) stay too.
    useMesh(g.faces(), g.verts());
    mark([](int v) { return v % 3 == 1 || v == 8; });
    f(5).flags |= uint16_t(UV_LOCKED << 1);
    f(0).flags |= uint16_t(UV_HIDDEN << 2);
    const std::vector<DevFace> before = doc->faces();
    ASSERT_EQ(alignSelection(model, AlignTo::Left, 0.001f, L"Align"), EditResult::Changed);
    expectOnlyMoved(before, [](const DevFace& face, int c) { return face.vertex[c] == 4 && !(face.flags & (UV_HIDDEN << c)); });
    EXPECT_EQ(f(1).uv[1][0], 0.48f);
}

TEST_F(Alignment, StraightenLaysSimplePathsOnTheLineSpacedBy3DLength) {
    Grid g{4, {0, 0.1, 0.3, 0.6, 1.0}, evenLines(4)};
    const float du[5] = {0, 0.03f, -0.02f, 0.01f, 0}, dv[5] = {0, 0.02f, -0.03f, 0.01f, 0.04f};
    g.nudge = [&](int i, int j) { return std::pair<float, float>(j == 2 ? du[i] : 0, j == 2 ? dv[i] : 0); };
    auto row = [&](int v) { return v / 5 == 2; };
    useMesh(g.faces(), g.verts());
    mark(row);
    std::vector<DevFace> before = doc->faces();
    ASSERT_EQ(straighten(model, 0.001f, L"Straighten"), EditResult::Changed);
    expectJournal(fullProtocol("Straighten", "0,4,13", true));
    expectOnlyMoved(before, [&](const DevFace& face, int c) { return row(face.vertex[c]); });
    for (int i = 0; i < 5; ++i) {
        const auto [u, v] = uvOf(g.at(i, 2));
        EXPECT_NEAR(u, 0.25 + 0.5 * g.xs[size_t(i)], 1e-6) << i;
        EXPECT_NEAR(v, 0.5 + 0.04 * g.xs[size_t(i)], 1e-6) << i;
    }

    // The shortest path, three corners: the middle one goes onto the line between the
    // ends, 0.3 of the 0.7 along it.
    useMesh(g.faces(), g.verts());
    mark([&](int v) { return row(v) && v % 5 >= 2; });
    ASSERT_EQ(straighten(model, 0.001f, L"Straighten"), EditResult::Changed);
    const auto [u0, v0] = uvOf(g.at(2, 2));
    const auto [u1, v1] = uvOf(g.at(4, 2));
    EXPECT_NEAR(uvOf(g.at(3, 2)).first, u0 + 3.0 / 7 * (u1 - u0), 1e-6);
    EXPECT_NEAR(uvOf(g.at(3, 2)).second, v0 + 3.0 / 7 * (v1 - v0), 1e-6);

    // A locked vertex stays and the rest still straighten; a star (three one-edge arms from
    // (2, 2): left, up and down the diagonal), a ring or a lone edge are no paths.
    useMesh(g.faces(), g.verts());
    mark(row);
    mark([&](int v) { return v == g.at(2, 2); }, UV_LOCKED);
    before = doc->faces();
    ASSERT_EQ(straighten(model, 0.001f, L"Straighten"), EditResult::Changed);
    EXPECT_EQ(uvOf(g.at(2, 2)), std::make_pair(float(0.25 + 0.5 * 0.3) + du[2], float(0.75 - 0.5 * 0.5) + dv[2]));
    EXPECT_NEAR(uvOf(g.at(3, 2)).second, 0.5 + 0.04 * 0.6, 1e-6);
    const std::function<bool(int)> noPaths[] = {
        [&](int v) { return v == 12 || v == 11 || v == 7 || v == 18; },
        [&](int v) { return v == g.at(1, 1) || v == g.at(2, 1) || v == g.at(2, 2) || v == g.at(1, 2); },
        [&](int v) { return v == g.at(1, 2) || v == g.at(2, 2); }};
    for (const auto& selection : noPaths) {
        useMesh(g.faces(), g.verts());
        mark(selection);
        EXPECT_EQ(straighten(model, 0.001f, L"Straighten"), EditResult::Unchanged);
        expectJournal(fullProtocol("Straighten", "0,4,13", false));
    }
}

TEST_F(Alignment, StraightenToGridLaysQuadIslandsOutAsGridsAndCountsTheRest) {
    // A bumpy grid with uneven columns and wobbly UVs, as it lies and turned a quarter.
    Grid g{6, {0, 0.1, 0.3, 0.45, 0.6, 0.8, 1}, evenLines(6)};
    g.height = [](double x, double y) { return 0.3 * std::sin(3 * x) * std::cos(2 * y); };
    g.nudge = [](int i, int j) {
        const unsigned k = unsigned(i * 7 + j * 13) * 2654435761u;
        return std::pair{0.01f * (float(k >> 20 & 255) / 255 - 0.5f), 0.01f * (float(k >> 12 & 255) / 255 - 0.5f)};
    };
    const std::vector<DevVertex> verts = g.verts();
    auto length = [&](int a, int b) {
        const float *p = verts[size_t(a)].position, *q = verts[size_t(b)].position;
        return std::sqrt(double(p[0] - q[0]) * (p[0] - q[0]) + double(p[1] - q[1]) * (p[1] - q[1]) + double(p[2] - q[2]) * (p[2] - q[2]));
    };
    for (bool turned : {false, true}) {
        std::vector<DevFace> faces = g.faces();
        for (DevFace& face : faces) {
            face.flags |= UV_SELECTED_ALL;
            for (auto& uv : face.uv)
                if (turned) uv[0] = 1 - std::exchange(uv[1], uv[0]);
        }
        // A lone triangle, and a quad with a locked corner: no grids to lay out.
        faces.push_back(face(UV_SELECTED_ALL, 0, 1, 8, 0.9f, 0.9f, 0.95f, 0.9f, 0.9f, 0.95f));
        faces.push_back(face(UV_SELECTED_ALL | UV_LOCKED, 0, 1, 8, 0.1f, 0.1f, 0.15f, 0.1f, 0.1f, 0.15f));
        faces.push_back(face(UV_SELECTED_ALL, 1, 9, 8, 0.15f, 0.1f, 0.15f, 0.15f, 0.1f, 0.15f));
        useMesh(faces, verts);
        const std::vector<DevFace> before(doc->faces().begin(), doc->faces().begin() + 72);
        const GridResult result = straightenToGrid(model, 0.001f, L"Straighten to Grid");
        EXPECT_TRUE(edited(result.outcome) && result.laidOut == 1 && result.skipped == 2);
        expectJournal(fullProtocol("Straighten to Grid", "0,4,13", true));
        for (int i : {72, 73, 74}) expectFace(i, {faces[size_t(i)].uv[0][0], faces[size_t(i)].uv[0][1], faces[size_t(i)].uv[1][0],
                                            faces[size_t(i)].uv[1][1], faces[size_t(i)].uv[2][0], faces[size_t(i)].uv[2][1]});

        // Rows and columns on lines, columns as wide as their mean 3D edge, no face
        // turned, the same area and centre.
        const int across = turned ? 1 : 0;  // the UV axis the grid's columns run along
        std::map<int, float> column, row;
        double area[2] = {0, 0}, box[2][4] = {{9, 9, -9, -9}, {9, 9, -9, -9}};
        for (int i = 0; i < 72; ++i) {
            EXPECT_GT(cross(f(i)) * cross(before[size_t(i)]), 0) << i;
            for (int s = 0; s < 2; ++s) {
                const DevFace& face = s ? f(i) : before[size_t(i)];
                area[s] += std::abs(cross(face)) / 2;
                for (int c = 0; c < 3; ++c)
                    for (int a = 0; a < 2; ++a)
                        box[s][a] = std::min<double>(box[s][a], face.uv[c][a]), box[s][a + 2] = std::max<double>(box[s][a + 2], face.uv[c][a]);
            }
            for (int c = 0; c < 3; ++c) {
                const int v = f(i).vertex[c];
                const float x = f(i).uv[c][across], y = f(i).uv[c][1 - across];
                EXPECT_NEAR(column.try_emplace(v % 7, x).first->second, x, 1e-6) << "column " << v % 7;
                EXPECT_NEAR(row.try_emplace(v / 7, y).first->second, y, 1e-6) << "row " << v / 7;
            }
        }
        EXPECT_NEAR(area[1], area[0], 1e-5);
        for (int a = 0; a < 2; ++a) EXPECT_NEAR(box[1][a] + box[1][a + 2], box[0][a] + box[0][a + 2], 1e-6);
        auto meanColumn = [&](int i) {
            double sum = 0;
            for (int j = 0; j <= 6; ++j) sum += length(g.at(i, j), g.at(i + 1, j));
            return sum / 7;
        };
        for (int i = 1; i < 6; ++i)
            EXPECT_NEAR((column[i + 1] - column[i]) / (column[1] - column[0]), meanColumn(i) / meanColumn(0), 1e-4) << i;
    }
}
