// The stretch solver and Relax.
#include "support/MeshFixture.h"

#include <ops/Relax.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace meshtest;

namespace {

constexpr int N = 4;  // quads per side of the test grids
int at(int i, int j) { return j * (N + 1) + i; }
double area2(const double* a, const double* b, const double* c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
}
double area2(const DevFace& f) {
    const double p[3][2] = {{f.uv[0][0], f.uv[0][1]}, {f.uv[1][0], f.uv[1][1]}, {f.uv[2][0], f.uv[2][1]}};
    return area2(p[0], p[1], p[2]);
}
// Each quad (i, j) as its two triangles (a, b, c), corners counter-clockwise from above.
template <class Fn>
void forEachTriangle(Fn&& fn) {
    for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) fn(at(i, j), at(i + 1, j), at(i + 1, j + 1)), fn(at(i, j), at(i + 1, j + 1), at(i, j + 1));
}

}  // namespace

TEST(StretchSolve, LowersTheEnergyWithoutTurningOverAndHoldsWhatIsHeld) {
    // A bent grid whose UVs squeeze one side; rows: mirrored UVs, two corners held (as far
    // apart as in 3D), and the proxy factored or approached by conjugate gradients. Three broken triangles (a bad
    // vertex, no rest area, a NaN UV) take no part.
    struct Row {
        bool mirrored, holdCorners;
        int mostFactored;
    } rows[] = {{false, false, 20000}, {true, true, 20000}, {false, true, 0}, {true, false, 0}};
    for (const Row& row : rows) {
        StretchMap map;
        std::vector<double> position;
        for (int j = 0; j <= N; ++j)
            for (int i = 0; i <= N; ++i) {
                const double x = double(i) / N, y = double(j) / N;
                position.insert(position.end(), {x, y, 0.4 * x * y});
                map.uv.insert(map.uv.end(), {(row.mirrored ? -1 : 1) * x * x, y * (0.5 + x)});
                map.held.push_back(row.holdCorners && j == 0 && i % N == 0);
            }
        map.uv.insert(map.uv.end(), {std::numeric_limits<double>::quiet_NaN(), 0.0});
        forEachTriangle([&](int a, int b, int c) {
            double rest[3];
            ASSERT_TRUE(restShape(&position[3 * size_t(a)], &position[3 * size_t(b)], &position[3 * size_t(c)], 1.0, rest));
            map.corners.insert(map.corners.end(), {a, b, c});
            map.rest.insert(map.rest.end(), rest, rest + 3);
        });
        for (int broken : {-1, at(1, 1), (N + 1) * (N + 1)}) {
            map.corners.insert(map.corners.end(), {0, broken, at(2, 2)});
            map.rest.insert(map.rest.end(), {1.0, 0.5, broken == at(1, 1) ? 0.0 : 1.0});
        }
        const std::vector<double> start = map.uv;
        const StretchResult result = reduceStretch(map, {50, 0, row.mostFactored, 200});
        ASSERT_GT(result.steps, 0);
        EXPECT_NEAR(result.area, 1.05, 0.01) << "the bent square's triangles, no broken one";
        // The excess over the isometric least is as good as gone.
        EXPECT_LT(result.after - 4 * result.area, 1e-3 * (result.before - 4 * result.area));
        EXPECT_GE(result.after, 4 * result.area);
        for (size_t k = 0; k < map.corners.size() - 9; k += 3) {
            const int* v = &map.corners[k];
            EXPECT_GT(area2(&start[2 * size_t(v[0])], &start[2 * size_t(v[1])], &start[2 * size_t(v[2])]) *
                          area2(&map.uv[2 * size_t(v[0])], &map.uv[2 * size_t(v[1])], &map.uv[2 * size_t(v[2])]),
                      0);
        }
        for (size_t v = 0; v < map.held.size(); ++v)
            EXPECT_TRUE(!map.held[v] || (map.uv[2 * v] == start[2 * v] && map.uv[2 * v + 1] == start[2 * v + 1])) << v;
    }
}

class Relax : public MeshFixture {};

TEST_F(Relax, SettlesTheSelectionInsideWhatHoldsItOnceEachTimeAndUndoesByteForByte) {
    // A flat grid four units wide with UVs a quarter of its size, vertex (2, 2) dragged
    // off; rows: which quads are selected and which vertex has a locked corner.
    struct Row {
        bool (*selected)(int i, int j);
        int locked;
    } rows[] = {{[](int, int) { return true; }, -1},
                {[](int i, int j) { return i >= 1 && i <= 2 && j >= 1 && j <= 2; }, -1},
                {[](int i, int) { return i >= 1; }, at(2, 1)}};
    for (const Row& row : rows) {
        std::vector<DevVertex> verts;
        for (int j = 0; j <= N; ++j)
            for (int i = 0; i <= N; ++i) verts.push_back(vertex(float(i), float(j), 0));
        std::vector<DevFace> faces;
        forEachTriangle([&](int a, int b, int c) {
            auto u = [](int v) { return v == at(2, 2) ? 0.56f : 0.25f * float(v % (N + 1)); };
            auto w = [](int v) { return v == at(2, 2) ? 0.4f : 0.25f * float(v / (N + 1)); };
            const bool on = row.selected(a % (N + 1), a / (N + 1));
            faces.push_back(face(on ? UV_SELECTED_ALL : 0, a, b, c, u(a), w(a), u(b), w(b), u(c), w(c)));
            for (int k : {0, 1, 2})
                if (faces.back().vertex[k] == row.locked) faces.back().flags |= uint16_t(UV_LOCKED << k);
        });
        useMesh(faces, verts);
        // How unevenly the faces share the UV area: the largest |ln(area / mean area)|.
        auto unevenness = [&] {
            double worst = 0;
            for (const DevFace& f : doc->faces()) worst = std::max(worst, std::abs(std::log(std::abs(area2(f)) * 32 / 2)));
            return worst;
        };
        const double before = unevenness();
        ASSERT_EQ(relax(model, 0.001f, L"Relax"), EditResult::Changed);
        expectJournal(fullProtocol("Relax", "0,4,13", true));
        for (int calls = 0; calls < 100 && edited(relax(model, 0.001f, L"Relax")); ++calls) doc->clearJournal();
        expectJournal(fullProtocol("Relax", "0,4,13", false));
        EXPECT_LT(unevenness(), 0.5 * before);
        std::vector<const float*> uvOf(verts.size(), nullptr);  // of each vertex's first corner
        for (size_t m = 0; m < faces.size(); ++m)
            for (int c = 0; c < 3; ++c) {
                const DevFace &was = faces[m], &now = f(int(m));
                EXPECT_GT(area2(was) * area2(now), 0) << m;
                const bool stays = !(was.flags & UV_SELECTED_ALL) || now.vertex[c] == row.locked;
                EXPECT_TRUE(!stays || (was.uv[c][0] == now.uv[c][0] && was.uv[c][1] == now.uv[c][1])) << m << " " << c;
                const float*& first = uvOf[now.vertex[c]];
                if (!first) first = now.uv[c];
                EXPECT_TRUE(first[0] == now.uv[c][0] && first[1] == now.uv[c][1]) << "welded corners parted";
            }
        while (doc->undo()) {
        }
        EXPECT_EQ(std::memcmp(doc->faces().data(), faces.data(), faces.size() * sizeof(DevFace)), 0);
    }
}
