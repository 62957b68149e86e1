// Times each whole-mesh UV operation on grids of 2 x n x n triangles and prints, per
// operation and size, the median time and the nanoseconds per face corner, and the
// nanoseconds per corner of the fastest run, which shows the cost without the time
// other processes took from a run on a busy machine.
//
// The host is a bare in-memory mesh whose calls do nothing but hand out the records, so
// the figures are the plug-in's own cost. Before every timed run the records are
// restored from a pristine copy (untimed), so each run sees the same input.
//
// Arguments: names of operations to time (without any, every one is timed), and
//   --json FILE   also writes the largest grid's medians as
//                 {"operations": {"<name>": {"corners": N, "median_ms": X}}}
//   --dump DIR    runs each operation once per grid, untimed, and writes what it left
//                 behind (face and vertex records, its answer, the drag snapshot) to
//                 DIR/<n>-<name>.bin, and the same from a scrambled selection to
//                 DIR/<n>-mixed-<name>.bin,
//                 so that a change meant to be faster can be compared byte for byte;
//                 with the layouts below also DIR/<layout>-<name>.bin
//
// After the grids, every Tools operation runs on the largest grid laid out five ways,
// each reported as <operation>_<layout>: `one` (the grid as one island, all selected),
// `split` (every triangle its own island), `half` (one island, a random half of the
// faces selected), `scrambled` (the dump's scrambled selection and bad host data) and
// `pieces` (5,000 islands of 10 to 18 quads, each turned its own way). The unwraps keep
// their solver's analysis between calls on the same mesh; `unwrapFirst` and
// `autoUnwrapFirst` let go of it before each run, as the first unwrap of a mesh.
#include <ops/Alignment.h>
#include <ops/IslandTools.h>
#include <ops/Islands.h>
#include <ops/LayoutQuality.h>
#include <ops/Relax.h>
#include <ops/UVModel.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The host's mesh, reduced to the records.
class BenchMesh : public HostMesh {
public:
    std::vector<VertexRecord> vertices;
    std::vector<FaceRecord> faces;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_HostMesh) {
            *out = static_cast<HostMesh*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the benchmark's stack; the count is kept only for balance.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

    HRESULT STDMETHODCALLTYPE LockFaces(BYTE** v, LONG* vc, BYTE** f, LONG* fc) override {
        *v = reinterpret_cast<BYTE*>(vertices.data());
        *vc = LONG(vertices.size());
        *f = reinterpret_cast<BYTE*>(faces.data());
        *fc = LONG(faces.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnlockFaces() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginEdit(LONG, LONG, LONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndEdit() override { return S_OK; }

private:
    ULONG refs_ = 1;
};

// A bumpy n x n grid of quads, two triangles each, every corner selected; UVs on the
// grid points, so neighbouring faces share UV positions as a welded layout does.
void buildGrid(BenchMesh& mesh, int n) {
    mesh.vertices.assign(size_t(n + 1) * size_t(n + 1), VertexRecord{});
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            VertexRecord& v = mesh.vertices[size_t(j) * size_t(n + 1) + size_t(i)];
            float x = 2.0f * float(i) / float(n) - 1.0f, y = 2.0f * float(j) / float(n) - 1.0f;
            v.position[0] = x;
            v.position[1] = y;
            v.position[2] = 0.25f * std::sin(3.0f * x) * std::cos(3.0f * y);
        }
    mesh.faces.clear();
    mesh.faces.reserve(size_t(2) * size_t(n) * size_t(n));
    auto addFace = [&](int i0, int j0, int i1, int j1, int i2, int j2) {
        FaceRecord f{};
        f.flags = 0x01C0;
        const int is[3] = {i0, i1, i2}, js[3] = {j0, j1, j2};
        for (int c = 0; c < 3; ++c) {
            f.vertex[c] = uint16_t(js[c] * (n + 1) + is[c]);
            f.uv[c][0] = float(is[c]) / float(n);
            f.uv[c][1] = float(js[c]) / float(n);
        }
        const float* p0 = mesh.vertices[f.vertex[0]].position;
        const float* p1 = mesh.vertices[f.vertex[1]].position;
        const float* p2 = mesh.vertices[f.vertex[2]].position;
        Vector3 e1(p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]);
        Vector3 e2(p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]);
        Vector3 normal = e1.cross(e2).normalized();
        f.normal[0] = normal.x;
        f.normal[1] = normal.y;
        f.normal[2] = normal.z;
        mesh.faces.push_back(f);
    };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            addFace(i, j, i + 1, j, i + 1, j + 1);
            addFace(i, j, i + 1, j + 1, i, j + 1);
        }
}

double seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// What a query answers, kept for the dump; operations that only edit leave it zero.
struct Answer {
    float values[4] = {0, 0, 0, 0};
};

struct Operation {
    const char* name;
    std::function<Answer(UVModel&)> run;
};

Answer answer(float a, float b = 0, float c = 0, float d = 0) { return Answer{{a, b, c, d}}; }
Answer answer(EditResult result) { return answer(edited(result)); }

void prepare(const char* name, BenchMesh& mesh, int n) {
    // Expand and contract need something to grow from: every other quad row selected.
    if (std::strcmp(name, "expandSelection") == 0 || std::strcmp(name, "contractSelection") == 0)
        for (size_t i = 0; i < mesh.faces.size(); ++i)
            if ((i / (2 * size_t(n))) % 2) mesh.faces[i].flags &= uint16_t(~UV_SELECTED_ALL);
    // Select Island grows one selected corner to the whole grid.
    if (std::strcmp(name, "selectIsland") == 0)
        for (size_t i = 0; i < mesh.faces.size(); ++i)
            mesh.faces[i].flags &= uint16_t(i == 0 ? ~0x0180 : ~UV_SELECTED_ALL);
}

// The dump's second input: corner selection, hiding and locks and faces hidden in 3D
// drawn at random (the same draw every run), a few vertex indices past the vertex count
// where 16 bits reach that far, and a few NaN UVs, so that a faster path is compared on
// partial selections and bad host data too.
void scramble(BenchMesh& mesh) {
    uint32_t state = 12345u;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    // Corner-0 bits (shifted per corner) and the face bit, with the chance of each in percent.
    const uint16_t cornerBits[3] = {UV_SELECTED, UV_HIDDEN, UV_LOCKED};
    const uint32_t percent[3] = {85, 4, 4};
    for (FaceRecord& face : mesh.faces) {
        face.flags &= uint16_t(~(UV_SELECTED_ALL | UV_HIDDEN_ALL | UV_LOCKED_ALL | FACE_HIDDEN));
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 3; ++c)
                if (next() % 100 < percent[b]) face.flags |= uint16_t(cornerBits[b] << c);
        if (next() % 100 < 3) face.flags |= FACE_HIDDEN;
        const uint32_t r = next();
        if (r % 61 == 0 && mesh.vertices.size() < 65536) face.vertex[r % 3] = 65535;
        if (r % 67 == 1) face.uv[r % 3][r % 2] = std::numeric_limits<float>::quiet_NaN();
    }
}

bool isUnwrapOrPack(const char* name) {
    return std::strcmp(name, "unwrap") == 0 || std::strcmp(name, "unwrapConformal") == 0 ||
           std::strcmp(name, "autoUnwrap") == 0 ||
           std::strcmp(name, "packIslands") == 0;
}

// Every triangle its own island: each face's UVs drawn seven tenths of the way to its centre,
// so that no two faces share a UV.
void splitIslands(BenchMesh& mesh) {
    for (FaceRecord& face : mesh.faces) {
        const float cu = (face.uv[0][0] + face.uv[1][0] + face.uv[2][0]) / 3;
        const float cv = (face.uv[0][1] + face.uv[1][1] + face.uv[2][1]) / 3;
        for (auto& uv : face.uv) uv[0] = cu + 0.3f * (uv[0] - cu), uv[1] = cv + 0.3f * (uv[1] - cv);
    }
}

// One island with a random half of its faces selected (the same draw every run).
void selectHalf(BenchMesh& mesh) {
    uint32_t state = 777u;
    for (FaceRecord& face : mesh.faces) {
        state = state * 1664525u + 1013904223u;
        if ((state >> 16) & 1) face.flags &= uint16_t(~UV_SELECTED_ALL);
    }
}

// The grid cut into 5,000 islands: 50 bands of 5 or 6 quad rows, each cut into 100 runs
// of 2 or 3 quads; each island shrunk to a quarter of its size about its centre, so that
// no two meet however they turn, and turned by its own angle (the same draw every run), as
// charts come out of an unwrap.
void cutIntoPieces(BenchMesh& mesh) {
    const int n = int(std::lround(std::sqrt(double(mesh.faces.size()) / 2)));
    if (n != 255) return;
    std::vector<int> piece(size_t(n) * size_t(n));
    for (int j = 0, band = 0, bandStart = 0; j < n; ++j) {
        if (j - bandStart == (band < 45 ? 5 : 6)) ++band, bandStart = j;
        for (int i = 0, run = 0, runStart = 0; i < n; ++i) {
            if (i - runStart == ((run + band) % 20 < 11 ? 3 : 2)) ++run, runStart = i;
            piece[size_t(j) * size_t(n) + size_t(i)] = band * 100 + run;
        }
    }
    std::vector<double> centre(2 * 5000), count(5000);
    for (size_t f = 0; f < mesh.faces.size(); ++f)
        for (const auto& uv : mesh.faces[f].uv) {
            const size_t p = size_t(piece[f / 2]);
            centre[2 * p] += uv[0], centre[2 * p + 1] += uv[1], count[p] += 1;
        }
    uint32_t state = 4242u;
    std::vector<double> turn(5000);
    for (double& t : turn) {
        state = state * 1664525u + 1013904223u;
        t = double(state >> 8) / double(1u << 24) * 6.283185307179586;
    }
    for (size_t f = 0; f < mesh.faces.size(); ++f)
        for (auto& uv : mesh.faces[f].uv) {
            const size_t p = size_t(piece[f / 2]);
            const double cu = centre[2 * p] / count[p], cv = centre[2 * p + 1] / count[p];
            const double du = 0.25 * (uv[0] - cu), dv = 0.25 * (uv[1] - cv), c = std::cos(turn[p]), s = std::sin(turn[p]);
            uv[0] = float(cu + c * du - s * dv), uv[1] = float(cv + s * du + c * dv);
        }
}

struct Layout {
    const char* name;
    void (*apply)(BenchMesh&);
};
const Layout kLayouts[] = {{"one", [](BenchMesh&) {}}, {"split", splitIslands}, {"half", selectHalf},
                           {"scrambled", scramble}, {"pieces", cutIntoPieces}};

bool isTool(const char* name) {
    for (const char* tool : {"selectIsland", "unwrap", "unwrapConformal", "autoUnwrap", "relax", "packIslands", "selectFlipped",
                             "selectOverlapping", "showFaults", "showStretch", "texelDensity", "setTexelDensity",
                             "splitSelection", "stitch", "orientIslands", "stackSimilarIslands", "alignLeft",
                             "straighten", "straightenToGrid"})
        if (std::strcmp(name, tool) == 0) return true;
    return false;
}

// How far apart the corners of one grid row lie in v, or of one grid column in u, at
// most: straightened to a grid, each row and column of the bench grid is one line.
double gridLineSpread(const BenchMesh& mesh, int n) {
    std::vector<float> low(2 * size_t(n + 1), INFINITY), high(2 * size_t(n + 1), -INFINITY);
    for (const FaceRecord& face : mesh.faces)
        for (int c = 0; c < 3; ++c) {
            const size_t line[2] = {face.vertex[c] % size_t(n + 1), n + 1 + face.vertex[c] / size_t(n + 1)};
            for (int axis = 0; axis < 2; ++axis) {
                const float x = face.uv[c][axis];
                low[line[axis]] = std::min(low[line[axis]], x), high[line[axis]] = std::max(high[line[axis]], x);
            }
        }
    double most = 0;
    for (size_t k = 0; k < low.size(); ++k) most = std::max(most, double(high[k]) - low[k]);
    return most;
}

bool writeDump(const std::string& path, const BenchMesh& mesh, const UVModel& model, const Answer& result) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(mesh.faces.data(), sizeof(FaceRecord), mesh.faces.size(), f) == mesh.faces.size() &&
              std::fwrite(mesh.vertices.data(), sizeof(VertexRecord), mesh.vertices.size(), f) ==
                  mesh.vertices.size() &&
              std::fwrite(result.values, sizeof result.values, 1, f) == 1 &&
              std::fwrite(model.snapshot.begin(), sizeof(SnapshotEntry), size_t(model.snapshot.count()), f) ==
                  size_t(model.snapshot.count());
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    const char* jsonPath = nullptr;
    const char* dumpDir = nullptr;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc)
            jsonPath = argv[++i];
        else if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc)
            dumpDir = argv[++i];
        else if (argv[i][0] != '-')
            only.push_back(argv[i]);
        else {
            std::fprintf(stderr, "usage: texloom_bench [--json FILE] [--dump DIR] [operation...]\n");
            return 2;
        }
    }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    const float target[4] = {0.0f, 0.0f, 0.5f, 0.5f};
    const UVPoint centre{0.5f, 0.5f};
    const Vector3 plusZ(0.0f, 0.0f, 1.0f);
    // The editor's frame for +Z: the axis' frame at the selection centroid. Made once per
    // grid, before the timing: the centroid has its own line.
    Matrix4 axisFrame;
    std::vector<Operation> operations = {
        {"bounds", [](UVModel& m) { float r[4]; m.bounds(CORNERS_SELECTED, r); return answer(r[0], r[1], r[2], r[3]); }},
        {"countCorners", [](UVModel& m) { return answer(float(m.countCorners(CORNERS_EDITABLE))); }},
        {"move", [](UVModel& m) { return answer(m.move(0.01f, 0.02f, CORNERS_SELECTED, true)); }},
        {"scale", [&](UVModel& m) { return answer(m.scale(1.5f, 0.5f, CORNERS_SELECTED, true, &centre)); }},
        {"rotate", [&](UVModel& m) { return answer(m.rotate(0.3f, CORNERS_SELECTED, true, &centre)); }},
        {"mirror", [&](UVModel& m) { return answer(m.mirror({true, false}, CORNERS_SELECTED, true, &centre)); }},
        // Leaves the snapshot filled for the drag steps that follow.
        {"fillSnapshot", [](UVModel& m) {
             m.clearSnapshot();
             m.fillSnapshot(m.mesh.Get());
             return answer(float(m.snapshot.count()));
         }},
        {"moveSnapshot", [](UVModel& m) { return answer(m.moveSnapshot(0.01f, 0.02f, CORNERS_SELECTED, false)); }},
        {"scaleSnapshot",
         [&](UVModel& m) { return answer(m.scaleSnapshot(1.5f, 0.5f, CORNERS_SELECTED, false, &centre)); }},
        {"rotateSnapshot",
         [&](UVModel& m) { return answer(m.rotateSnapshot(0.3f, CORNERS_SELECTED, false, &centre)); }},
        {"selectAll", [](UVModel& m) { return answer(m.selectAll(true)); }},
        {"deselectAll", [](UVModel& m) { return answer(m.selectAll(false)); }},
        {"invertSelection", [](UVModel& m) { return answer(m.invertSelection(false)); }},
        {"expandSelection", [](UVModel& m) { return answer(m.expandSelection(false)); }},
        {"contractSelection", [](UVModel& m) { return answer(m.contractSelection(false)); }},
        {"selectTriangles", [](UVModel& m) {
             const float band[4] = {0.1f, 0.1f, 0.9f, 0.9f};
             return answer(float(m.selectTriangles(band, PICK_REPLACE, false)));
         }},
        {"reverseWinding", [](UVModel& m) { return answer(m.reverseWinding(FACES_WHOLLY_EDITABLE)); }},
        {"weld", [](UVModel& m) { return answer(m.weld(0.001f, CORNERS_VISIBLE)); }},
        {"countDistinct", [](UVModel& m) { return answer(float(m.countDistinct(0.001f))); }},
        {"averageNormal", [](UVModel& m) {
             Vector3 n;
             const bool ok = m.averageNormal(n, CORNERS_SELECTED);
             return answer(n.x, n.y, n.z, ok);
         }},
        {"selectionCentroid", [](UVModel& m) { Vector3 c = m.selectionCentroid(); return answer(c.x, c.y, c.z); }},
        {"planarMap", [&](UVModel& m) { return answer(m.planarMap(&plusZ, target, CORNERS_SELECTED, true)); }},
        {"boxMap", [&](UVModel& m) {
             return answer(m.boxMap(&axisFrame, target, CORNERS_SELECTED, true));
         }},
        {"cylindricalMap", [&](UVModel& m) {
             return answer(m.cylindricalMap(&axisFrame, target, CORNERS_SELECTED, true));
         }},
        {"sphericalMap", [&](UVModel& m) {
             return answer(m.sphericalMap(&axisFrame, target, CORNERS_SELECTED, true));
         }},
        {"selectIsland", [](UVModel& m) { return answer(selectIsland(m, 0.001f, false)); }},
        {"unwrap", [](UVModel& m) { return answer(unwrap(m, 0.001f)); }},
        {"unwrapConformal", [](UVModel& m) { return answer(unwrapConformal(m, 0.001f)); }},
        {"autoUnwrap", [](UVModel& m) { return answer(autoUnwrap(m, 0.001f)); }},
        // The first unwrap of a mesh: nothing kept from an earlier one.
        {"unwrapFirst", [](UVModel& m) { m.scratch.slots.clear(); return answer(unwrap(m, 0.001f)); }},
        {"autoUnwrapFirst", [](UVModel& m) { m.scratch.slots.clear(); return answer(autoUnwrap(m, 0.001f)); }},
        {"relax", [](UVModel& m) { return answer(relax(m, 0.001f, L"Relax")); }},
        {"packIslands", [](UVModel& m) { return answer(packIslands(m, 0.001f)); }},
        {"selectFlipped", [](UVModel& m) { return answer(selectFlipped(m, 0.001f, false)); }},
        {"selectOverlapping", [](UVModel& m) { return answer(selectOverlapping(m, 0.001f, false)); }},
        {"showFaults", [](UVModel& m) {
             UVWalk walk(m.mesh.Get(), m.faceFilter);
             std::vector<uint8_t> faults;
             findFaultyFaces(walk, 0.001f, FAULT_FLIPPED | FAULT_OVERLAPPING, faults);
             return answer(float(std::count(faults.begin(), faults.end(), uint8_t(0))));
         }},
        {"showStretch", [](UVModel& m) {
             UVWalk walk(m.mesh.Get(), m.faceFilter);
             std::vector<float> stretch;
             measureStretch(walk, stretch);
             return answer(stretch.empty() ? 0.0f : stretch.front(), stretch.empty() ? 0.0f : stretch.back());
         }},
        {"texelDensity", [](UVModel& m) { return answer(float(texelDensity(m, 0.001f, 1024, 1024))); }},
        {"setTexelDensity",
         [](UVModel& m) { return answer(setTexelDensity(m, 0.001f, 1024, 1024, 300, L"Set Texel Density")); }},
        {"splitSelection", [](UVModel& m) { return answer(splitSelection(m, 0.001f)); }},
        {"stitch", [](UVModel& m) { return answer(stitch(m, 0.001f)); }},
        {"orientIslands", [](UVModel& m) { return answer(orientIslands(m, 0.001f)); }},
        {"stackSimilarIslands", [](UVModel& m) {
             StackCount count;
             const bool changed = edited(stackSimilarIslands(m, 0.001f, &count));
             return answer(changed, float(count.stacked), float(count.onto));
         }},
        {"alignLeft", [](UVModel& m) { return answer(alignSelection(m, AlignTo::Left, 0.001f, L"Align Left")); }},
        {"straighten", [](UVModel& m) { return answer(straighten(m, 0.001f, L"Straighten")); }},
        {"straightenToGrid", [](UVModel& m) {
             const GridResult r = straightenToGrid(m, 0.001f, L"Straighten to Grid");
             return answer(edited(r.outcome), float(r.laidOut), float(r.skipped));
         }},
    };
    auto wanted = [&](const std::string& name) {
        return only.empty() || std::find(only.begin(), only.end(), name) != only.end();
    };
    // Each timed run starts from `reset`; runs go on until the budget is spent (at least
    // one, and up to five while under a few seconds; at most 1001). Answers the median
    // and the fastest time.
    auto timeRuns = [&](const Operation& op, UVModel& model, const std::function<void()>& reset) {
        const double budgetSeconds = 0.4;
        std::vector<double> times;
        double spent = 0.0;
        while (times.empty() || (times.size() < 5 && spent < 4.0) || (spent < budgetSeconds && times.size() < 1001)) {
            reset();
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            op.run(model);
            QueryPerformanceCounter(&t1);
            times.push_back(seconds(t0, t1, frequency));
            spent += times.back();
        }
        std::nth_element(times.begin(), times.begin() + long(times.size() / 2), times.end());
        return std::pair{times[times.size() / 2], *std::min_element(times.begin(), times.end())};
    };

    const int sizes[3] = {16, 64, 255};  // 255 x 255 quads: 65536 vertices, the most 16-bit indices reach
    std::vector<std::vector<double>> medians(operations.size(), std::vector<double>(3));
    std::vector<std::vector<double>> fastest(operations.size(), std::vector<double>(3));
    std::vector<char> onGrids(operations.size());
    for (size_t o = 0; o < operations.size(); ++o) onGrids[o] = wanted(operations[o].name);
    int corners[3];
    // The Tools operations on the largest grid's layouts: name, median and fastest.
    struct LayoutTime {
        std::string name;
        double median, fastest;
    };
    std::vector<LayoutTime> layoutTimes;
    double gridSpread = -1;  // of straightenToGrid_one, when timed

    for (int s = 0; s < 3; ++s) {
        BenchMesh mesh;
        buildGrid(mesh, sizes[s]);
        corners[s] = int(mesh.faces.size()) * 3;
        const std::vector<FaceRecord> pristine = mesh.faces;
        UVModel model;
        model.mesh = &mesh;
        // The drag operations start from a snapshot of the whole selection.
        model.fillSnapshot(&mesh);
        axisFrame.orientToAxis(Vector3(0.0f, 0.0f, 1.0f), 0.0f);
        axisFrame.setRow(3, model.selectionCentroid(), 1.0f);
        for (size_t o = 0; o < operations.size(); ++o) {
            if (!onGrids[o]) continue;
            if (dumpDir) {
                for (const char* variant : {"", "mixed-"}) {
                    // The largest grid's scrambled variant is dumped with the layouts.
                    if (*variant && s == 2 && isUnwrapOrPack(operations[o].name)) continue;
                    std::memcpy(mesh.faces.data(), pristine.data(), pristine.size() * sizeof(FaceRecord));
                    if (*variant) scramble(mesh);
                    prepare(operations[o].name, mesh, sizes[s]);
                    const Answer result = operations[o].run(model);
                    const std::string path = std::string(dumpDir) + "/" + std::to_string(sizes[s]) + "-" +
                                             variant + operations[o].name + ".bin";
                    if (!writeDump(path, mesh, model, result)) {
                        std::fprintf(stderr, "texloom_bench: cannot write %s\n", path.c_str());
                        return 1;
                    }
                }
                continue;
            }
            std::tie(medians[o][s], fastest[o][s]) = timeRuns(operations[o], model, [&] {
                std::memcpy(mesh.faces.data(), pristine.data(), pristine.size() * sizeof(FaceRecord));
                prepare(operations[o].name, mesh, sizes[s]);
            });
        }
        if (s == 2)
            for (const Layout& layout : kLayouts) {
                std::vector<FaceRecord> laid = pristine;
                mesh.faces = laid;
                layout.apply(mesh);
                laid = mesh.faces;
                for (const Operation& op : operations) {
                    const std::string name = std::string(op.name) + "_" + layout.name;
                    if (!isTool(op.name) || !(wanted(op.name) || wanted(name))) continue;
                    auto reset = [&] {
                        std::memcpy(mesh.faces.data(), laid.data(), laid.size() * sizeof(FaceRecord));
                        prepare(op.name, mesh, sizes[s]);
                    };
                    if (dumpDir) {
                        reset();
                        const Answer result = op.run(model);
                        if (!writeDump(std::string(dumpDir) + "/" + name + ".bin", mesh, model, result)) {
                            std::fprintf(stderr, "texloom_bench: cannot write %s\n", name.c_str());
                            return 1;
                        }
                        continue;
                    }
                    const auto [median, least] = timeRuns(op, model, reset);
                    layoutTimes.push_back({name, median, least});
                    std::fprintf(stderr, "%-28s %10.1f ms\n", name.c_str(), median * 1e3);
                    if (name == "straightenToGrid_one") {
                        reset();
                        op.run(model);
                        gridSpread = gridLineSpread(mesh, sizes[s]);
                    }
                }
            }
        model.clearSnapshot();
        model.mesh.Reset();
    }
    if (dumpDir) return 0;

    std::printf("%-18s", "operation");
    for (int s = 0; s < 3; ++s) {
        char header[64];
        std::snprintf(header, sizeof header, "2x%dx%d (%d corners)", sizes[s], sizes[s], corners[s]);
        std::printf(" | %-38s", header);
    }
    std::printf("\n%-18s", "");
    for (int s = 0; s < 3; ++s) std::printf(" | %12s %12s %12s", "median us", "ns/corner", "fastest ns/c");
    std::printf("\n");
    for (size_t o = 0; o < operations.size(); ++o) {
        if (!onGrids[o]) continue;
        std::printf("%-18s", operations[o].name);
        for (int s = 0; s < 3; ++s)
            std::printf(" | %12.1f %12.2f %12.2f", medians[o][s] * 1e6, medians[o][s] * 1e9 / corners[s],
                        fastest[o][s] * 1e9 / corners[s]);
        std::printf("\n");
    }
    std::printf("\nlayouts of the largest grid   median ms   fastest ms\n");
    for (const LayoutTime& t : layoutTimes)
        std::printf("%-28s %10.1f %12.1f\n", t.name.c_str(), t.median * 1e3, t.fastest * 1e3);
    // Straighten to Grid must leave every row and column of the grid on one line.
    const bool gridStraight = gridSpread <= 1e-6;
    if (gridSpread >= 0)
        std::printf("\nstraightenToGrid_one: rows' v and columns' u apart by at most %.3g (%s 1e-6)\n", gridSpread,
                    gridStraight ? "within" : "FAILED: beyond");
    if (jsonPath) {
        FILE* f = std::fopen(jsonPath, "w");
        bool ok = f != nullptr;
        if (f) {
            std::vector<std::pair<std::string, double>> entries;
            for (size_t o = 0; o < operations.size(); ++o)
                if (onGrids[o]) entries.emplace_back(operations[o].name, medians[o][2]);
            for (const LayoutTime& t : layoutTimes) entries.emplace_back(t.name, t.median);
            std::fprintf(f, "{\"operations\": {");
            for (size_t i = 0; i < entries.size(); ++i)
                std::fprintf(f, "%s\n  \"%s\": {\"corners\": %d, \"median_ms\": %.4f}", i ? "," : "",
                             entries[i].first.c_str(), corners[2], entries[i].second * 1e3);
            std::fprintf(f, "\n}}\n");
            ok = std::fclose(f) == 0 && ok;
        }
        if (!ok) {
            std::fprintf(stderr, "texloom_bench: cannot write %s\n", jsonPath);
            return 1;
        }
    }
    return gridSpread < 0 || gridStraight ? 0 : 1;
}
