// The least-squares conformal map of one part, in four steps: gather the part's UV
// vertices and the faces with area, pin two vertices, solve, and measure the result.
//
// Stored v runs down the image, so a face that turns counter-clockwise about its normal
// turns clockwise in stored UVs, as the texture shows it from the front: the map is
// solved with v up and mirrored into stored UVs.
//
// Per face, the complex equation sum_j W_j U_j = 0 (W_j the opposite edge in the face's
// own plane) in the least-squares sense, weighted by the face's area; at least two UV
// vertices pinned.
#include "UnwrapSteps.h"

#include <model/Angles.h>

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <complex>
#include <numeric>

namespace islands {

namespace {

using Complex = std::complex<double>;

// One part as UV vertices (numbered by the caller's joinCorners).
struct PartMesh {
    const int* vertexOf = nullptr;  // per corner 3 k + c of the listed members
    int vertexCount = 0;
    std::vector<Vector3d> position;
    std::vector<char> used;   // per vertex: on a face with area
    std::vector<int> energy;  // listed members with area: the faces whose equations make the map
};

// The vertices whose UVs are given (v up).
struct Pins {
    std::vector<char> pinned;
    std::vector<double> uv;  // 2 per vertex
};

// The factorisation of a system stored already in its order, as its upper triangle. Its
// analysis reads the matrix as it is: the solver's own copies the whole matrix and its
// upper triangle first, as it does for an order it has to compute.
struct PreorderedLDLT : Eigen::SimplicialLDLT<Eigen::SparseMatrix<Complex>, Eigen::Upper, Eigen::NaturalOrdering<int>> {
    void analyse(const Eigen::SparseMatrix<Complex>& upper) {
        m_P.resize(0), m_Pinv.resize(0);
        analyzePattern_preordered(upper, true);
    }
};

// The normal equations of the last part solved, kept in the model's scratch with their
// fill-reducing order and symbolic factorisation: a part whose faces reach the same
// unknowns as the last one's (the same mesh unwrapped again) only refills the values
// and factors them anew. The system is stored already reordered, as its upper triangle,
// so that the factorisation reads it without a copy.
struct ConformalSystem {
    PartMesh mesh;
    Pins pins;
    std::vector<double> solution;
    std::vector<int> unknown;       // per vertex: its unknown, -1 when pinned or unused
    std::vector<int> faceUnknowns;  // per energy face, 3 unknowns: what the pattern follows
    std::vector<int> next;          // the same being gathered for this part
    int unknowns = 0;
    bool analysed = false;          // whether the rest describes faceUnknowns
    std::vector<int> order;         // per unknown: its row in the reordered system
    std::vector<int> slots;         // per energy face, for the pairs 00 11 22 01 02 12: value index or -1
    std::vector<int> first, rows;   // scratch of the pattern, column by column
    Eigen::SparseMatrix<Complex> upper;
    PreorderedLDLT solver;
    Eigen::VectorXcd rhs, x;
};

constexpr int PAIRS[6][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 1}, {0, 2}, {1, 2}};

// The part's vertices and faces with area; the 3D area, and the UV area and bounds the
// part had, go to `flat`.
void gatherPart(UVWalk& walk, FaceSet& set, const int* members, int count, const PartVertices& vertices,
                PartMesh& mesh, Flat& flat) {
    const int* vertexOf = mesh.vertexOf = vertices.of.data();
    const int vertexCount = mesh.vertexCount = vertices.count;
    mesh.position.resize(static_cast<size_t>(vertexCount));
    mesh.used.assign(size_t(vertexCount), 0);
    mesh.energy.clear();
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        const Vector3d p[3] = {positionOf(walk, face, 0), positionOf(walk, face, 1), positionOf(walk, face, 2)};
        for (int c = 0; c < 3; ++c) mesh.position[size_t(vertexOf[3 * k + c])] = p[c];
        const double twiceArea = twiceAreaOf(p[0], p[1], p[2]);
        if (twiceArea == 0) continue;
        mesh.energy.push_back(k);
        flat.area3D += 0.5 * twiceArea;
        for (int c = 0; c < 3; ++c) mesh.used[size_t(vertexOf[3 * k + c])] = 1;
        bool previousFinite = true;
        double previous[3][2];
        for (int c = 0; c < 3; ++c) {
            previousFinite = previousFinite && cornerFinite(face, c);
            previous[c][0] = face.uv[c][0], previous[c][1] = face.uv[c][1];
        }
        if (previousFinite) {
            flat.previousArea += std::abs(signedArea(previous[0], previous[1], previous[2]));
            for (int c = 0; c < 3; ++c) {
                flat.previousBox[0] = std::min(flat.previousBox[0], previous[c][0]);
                flat.previousBox[1] = std::min(flat.previousBox[1], previous[c][1]);
                flat.previousBox[2] = std::max(flat.previousBox[2], previous[c][0]);
                flat.previousBox[3] = std::max(flat.previousBox[3], previous[c][1]);
            }
        }
    }
}

// Pins at the locked corners, or with fewer than two locked, at two far-apart vertices;
// false when the part has no two distinct vertices to pin.
bool choosePins(UVWalk& walk, FaceSet& set, const int* members, int count, const PartMesh& mesh, Flat& flat,
                Pins& pins) {
    const int* vertexOf = mesh.vertexOf;
    const std::vector<Vector3d>& position = mesh.position;
    const std::vector<char>& used = mesh.used;
    const int vertexCount = mesh.vertexCount;
    std::vector<char>& pinned = pins.pinned;
    std::vector<double>& pinUV = pins.uv;
    pinned.assign(size_t(vertexCount), 0);
    pinUV.assign(2 * size_t(vertexCount), 0.0);
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) {
            const int v = vertexOf[3 * k + c];
            if (!(face.flags & (UV_LOCKED << c)) || !cornerFinite(face, c) || !used[size_t(v)] || pinned[size_t(v)]) continue;
            pinned[size_t(v)] = 1;
            pinUV[size_t(2 * v)] = face.uv[c][0], pinUV[size_t(2 * v + 1)] = -face.uv[c][1];
            if (++flat.pins == 1) flat.pinCorner = 3 * k + c, flat.pinUV[0] = face.uv[c][0], flat.pinUV[1] = face.uv[c][1];
        }
    }
    // Fewer than two pins: two far apart along the part's longest extent, as far apart
    // in UV as in space so that the result is near its true size.
    if (flat.pins < 2) {
        std::fill(pinned.begin(), pinned.end(), 0);
        Vector3d low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
        for (int v = 0; v < vertexCount; ++v)
            if (used[size_t(v)]) {
                const Vector3d& p = position[size_t(v)];
                low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
                high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
            }
        const Vector3d extent = high - low;
        const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : (extent.y >= extent.z ? 1 : 2);
        auto along = [&](int v) {
            const Vector3d& p = position[size_t(v)];
            return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
        };
        int a = -1, b = -1;
        for (int v = 0; v < vertexCount; ++v)
            if (used[size_t(v)] && (a < 0 || along(v) < along(a))) a = v;
        // The pins bend the map around them a little; at the two ends of the part's
        // longest span that bending keeps the layout's outline most even.
        auto farthestFrom = [&](int from) {
            int best = from;
            for (int v = 0; v < vertexCount; ++v)
                if (used[size_t(v)] && length(position[size_t(v)] - position[size_t(from)]) >
                                           length(position[size_t(best)] - position[size_t(from)]))
                    best = v;
            return best;
        };
        b = farthestFrom(a);
        a = farthestFrom(b);
        const double span = length(position[size_t(b)] - position[size_t(a)]);
        if (a == b || !(span > 0)) return false;
        pinned[size_t(a)] = pinned[size_t(b)] = 1;
        pinUV[size_t(2 * a)] = pinUV[size_t(2 * a + 1)] = 0;
        pinUV[size_t(2 * b)] = span, pinUV[size_t(2 * b + 1)] = 0;
    }
    return true;
}

// Rows grouped by column: first[c] .. first[c + 1] - 1 of `rows`, each column sorted and
// without repeats; `first` holds the counts on entry (from index 1) and `rows` room for them.
template <class Place>
void fillColumns(std::vector<int>& first, std::vector<int>& rows, int columns, Place&& place) {
    std::partial_sum(first.begin(), first.end(), first.begin());
    rows.resize(size_t(first.back()));
    std::vector<int> end(first.begin(), first.end() - 1);
    place([&](int row, int column) { rows[size_t(end[size_t(column)]++)] = row; });
    int kept = 0;
    for (int c = 0; c < columns; ++c) {
        const auto from = rows.begin() + first[size_t(c)], to = rows.begin() + end[size_t(c)];
        std::sort(from, to);
        const int n = int(std::unique(from, to) - from);
        first[size_t(c)] = kept;
        std::copy(from, from + n, rows.begin() + kept);
        kept += n;
    }
    first[size_t(columns)] = kept;
    rows.resize(size_t(kept));
}

// The pattern of the normal equations for system.next: a fill-reducing order of the
// unknowns, the reordered upper triangle, where each face's products go, and its
// symbolic factorisation.
void analyse(ConformalSystem& system, const std::vector<int>& energy) {
    const int n = system.unknowns;
    const std::vector<int>& faceUnknowns = system.next;
    const size_t faces = energy.size();
    std::vector<int>& first = system.first;
    std::vector<int>& rows = system.rows;
    if (n == 1) {
        // One free vertex (a lone face): every product goes to the one value.
        system.order.assign(1, 0);
        system.upper.resize(1, 1);
        system.upper.resizeNonZeros(1);
        system.upper.outerIndexPtr()[1] = 1;
        system.upper.innerIndexPtr()[0] = 0;
        system.slots.resize(6 * faces);
        for (size_t f = 0; f < faces; ++f)
            for (int j = 0; j < 6; ++j)
                system.slots[6 * f + size_t(j)] =
                    faceUnknowns[3 * f + size_t(PAIRS[j][0])] >= 0 && faceUnknowns[3 * f + size_t(PAIRS[j][1])] >= 0 ? 0 : -1;
        return;
    }
    auto eachPair = [&](auto&& fn) {
        for (size_t f = 0; f < faces; ++f)
            for (const auto& pair : PAIRS) {
                const int a = faceUnknowns[3 * f + size_t(pair[0])], b = faceUnknowns[3 * f + size_t(pair[1])];
                if (a >= 0 && b >= 0) fn(std::max(a, b), std::min(a, b));
            }
    };
    // The lower triangle in the unknowns' own numbering, for the ordering.
    first.assign(size_t(n) + 1, 0);
    eachPair([&](int row, int column) { ++first[size_t(column) + 1]; });
    fillColumns(first, rows, n, [&](auto&& put) { eachPair(put); });
    // The whole pattern, both triangles, each column's rows ascending, is the ordering's
    // input and its work space: made with the room the ordering asks for, it is neither
    // copied nor moved to a larger one, and its values are never touched.
    Eigen::SparseMatrix<float, Eigen::ColMajor, int> whole(n, n);
    {
        const int entries = 2 * int(rows.size()) - n;
        whole.resizeNonZeros(entries + entries / 5 + 2 * n);
        whole.resizeNonZeros(entries);
        int* start = whole.outerIndexPtr();
        int* row = whole.innerIndexPtr();
        // Column c: the rows j < c whose lower columns hold c, then its own lower column.
        std::fill(start, start + n + 1, 0);
        for (int c = 0; c < n; ++c)
            for (int p = first[size_t(c)]; p < first[size_t(c) + 1]; ++p) {
                ++start[c + 1];
                if (rows[size_t(p)] != c) ++start[rows[size_t(p)] + 1];
            }
        std::partial_sum(start, start + n + 1, start);
        std::vector<int> end(start, start + n);
        for (int c = 0; c < n; ++c)
            for (int p = first[size_t(c)]; p < first[size_t(c) + 1]; ++p)
                if (const int r = rows[size_t(p)]; r != c) row[end[size_t(r)]++] = c;
        for (int c = 0; c < n; ++c)
            std::copy(rows.begin() + first[size_t(c)], rows.begin() + first[size_t(c) + 1], row + end[size_t(c)]);
    }
    Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> inverse;
    Eigen::internal::minimum_degree_ordering(whole, inverse);
    std::vector<int>& order = system.order;
    order.resize(size_t(n));
    for (int k = 0; k < n; ++k) order[size_t(inverse.indices()[k])] = k;
    // The reordered upper triangle: column k holds the rows i <= k.
    std::vector<int> lowerFirst(first), lowerRows(rows);
    first.assign(size_t(n) + 1, 0);
    auto eachEntry = [&](auto&& fn) {
        for (int c = 0; c < n; ++c)
            for (int p = lowerFirst[size_t(c)]; p < lowerFirst[size_t(c) + 1]; ++p) {
                const int i = order[size_t(lowerRows[size_t(p)])], k = order[size_t(c)];
                fn(std::min(i, k), std::max(i, k));
            }
    };
    eachEntry([&](int row, int column) { ++first[size_t(column) + 1]; });
    fillColumns(first, rows, n, [&](auto&& put) { eachEntry(put); });
    Eigen::SparseMatrix<Complex>& upper = system.upper;
    upper.resize(n, n);
    upper.resizeNonZeros(Eigen::Index(rows.size()));
    std::copy(first.begin(), first.end(), upper.outerIndexPtr());
    std::copy(rows.begin(), rows.end(), upper.innerIndexPtr());
    system.slots.resize(6 * faces);
    for (size_t f = 0; f < faces; ++f)
        for (int j = 0; j < 6; ++j) {
            const int a = faceUnknowns[3 * f + size_t(PAIRS[j][0])], b = faceUnknowns[3 * f + size_t(PAIRS[j][1])];
            int& slot = system.slots[6 * f + size_t(j)] = -1;
            if (a < 0 || b < 0) continue;
            const int i = std::min(order[size_t(a)], order[size_t(b)]), k = std::max(order[size_t(a)], order[size_t(b)]);
            slot = int(std::lower_bound(rows.begin() + first[size_t(k)], rows.begin() + first[size_t(k) + 1], i) - rows.begin());
        }
    system.solver.analyse(upper);
}

// The map's UVs per vertex (v up, NaN where a vertex is on no face with area); false
// when the solve fails.
bool solveConformal(ConformalSystem& system) {
    const PartMesh& mesh = system.mesh;
    const int* vertexOf = mesh.vertexOf;
    const std::vector<Vector3d>& position = mesh.position;
    const std::vector<char>& used = mesh.used;
    const std::vector<char>& pinned = system.pins.pinned;
    const std::vector<double>& pinUV = system.pins.uv;
    const std::vector<int>& energy = mesh.energy;
    const int vertexCount = mesh.vertexCount;
    std::vector<int>& unknown = system.unknown;
    std::vector<double>& solution = system.solution;
    unknown.assign(size_t(vertexCount), -1);
    int unknowns = 0;
    for (int v = 0; v < vertexCount; ++v)
        if (used[size_t(v)] && !pinned[size_t(v)]) unknown[size_t(v)] = unknowns++;
    solution.assign(2 * size_t(vertexCount), std::numeric_limits<double>::quiet_NaN());
    for (int v = 0; v < vertexCount; ++v)
        if (pinned[size_t(v)]) solution[size_t(2 * v)] = pinUV[size_t(2 * v)], solution[size_t(2 * v + 1)] = pinUV[size_t(2 * v + 1)];
    if (unknowns == 0) return true;
    // The faces' equations as complex numbers, U = u + i v; the normal equations
    // A^H A U = A^H b are then Hermitian with one unknown per UV vertex, which
    // factors several times faster than the real system of twice the size.
    system.next.resize(3 * energy.size());
    for (size_t f = 0; f < energy.size(); ++f)
        for (int c = 0; c < 3; ++c) system.next[3 * f + size_t(c)] = unknown[size_t(vertexOf[3 * energy[f] + c])];
    if (!system.analysed || unknowns != system.unknowns || system.next != system.faceUnknowns) {
        system.analysed = false;
        system.unknowns = unknowns;
        analyse(system, energy);
        system.faceUnknowns.swap(system.next);
        system.analysed = true;
    }
    const std::vector<int>& order = system.order;
    Complex* value = system.upper.valuePtr();
    std::fill(value, value + system.upper.nonZeros(), Complex(0, 0));
    Eigen::VectorXcd& rhs = system.rhs;
    rhs.setZero(unknowns);
    for (size_t f = 0; f < energy.size(); ++f) {
        const int k = energy[f];
        const int v[3] = {vertexOf[3 * k], vertexOf[3 * k + 1], vertexOf[3 * k + 2]};
        const Vector3d p0 = position[size_t(v[0])];
        // The face in its own plane, counter-clockwise about its normal.
        const Vector3d e1 = position[size_t(v[1])] - p0, e2 = position[size_t(v[2])] - p0;
        const Vector3d n = cross(e1, e2);
        const Vector3d xAxis = e1 * (1.0 / length(e1));
        const Vector3d yAxis = cross(n, xAxis) * (1.0 / length(n));
        const Complex q[3] = {{0, 0}, {length(e1), 0}, {dot(e2, xAxis), dot(e2, yAxis)}};
        const double weight = 1.0 / std::sqrt(length(n));
        Complex w[3], pinnedSum{0, 0};
        int row[3];
        for (int j = 0; j < 3; ++j) {
            w[j] = weight * (q[(j + 2) % 3] - q[(j + 1) % 3]);
            row[j] = unknown[size_t(v[j])] < 0 ? -1 : order[size_t(unknown[size_t(v[j])])];
            if (row[j] < 0) pinnedSum += w[j] * Complex(pinUV[size_t(2 * v[j])], pinUV[size_t(2 * v[j] + 1)]);
        }
        for (int a = 0; a < 3; ++a)
            if (row[a] >= 0) rhs[row[a]] -= std::conj(w[a]) * pinnedSum;
        for (int j = 0; j < 6; ++j) {
            const int slot = system.slots[6 * f + size_t(j)];
            if (slot < 0) continue;
            int a = PAIRS[j][0], b = PAIRS[j][1];
            if (row[a] > row[b]) std::swap(a, b);
            value[slot] += std::conj(w[a]) * w[b];
        }
    }
    Eigen::VectorXcd& x = system.x;
    if (unknowns == 1) {  // a division, without a solver's set-up
        x.resize(1);
        x[0] = rhs[0] / value[0];
        if (!x.allFinite()) return false;
    } else {
        system.solver.factorize(system.upper);
        if (system.solver.info() != Eigen::Success) return false;
        x = system.solver.solve(rhs);
        if (system.solver.info() != Eigen::Success || !x.allFinite()) return false;
    }
    for (int i = 0; i < vertexCount; ++i)
        if (unknown[size_t(i)] >= 0) {
            const Complex u = x[order[size_t(unknown[size_t(i)])]];
            solution[size_t(2 * i)] = u.real(), solution[size_t(2 * i + 1)] = u.imag();
        }
    return true;
}

// The solution (in stored UVs) per corner; corners that only degenerate faces reach
// take the mean of their face's solved corners.
void cornerUVs(const PartMesh& mesh, const std::vector<double>& solution, int count, Flat& flat) {
    const int* vertexOf = mesh.vertexOf;
    const std::vector<char>& used = mesh.used;
    flat.uv.assign(size_t(6) * size_t(count), std::numeric_limits<double>::quiet_NaN());
    for (int k = 0; k < count; ++k) {
        double sum[2] = {0, 0};
        int solved = 0;
        for (int c = 0; c < 3; ++c) {
            const int v = vertexOf[3 * k + c];
            if (!used[size_t(v)]) continue;
            flat.uv[size_t(6 * k + 2 * c)] = solution[size_t(2 * v)];
            flat.uv[size_t(6 * k + 2 * c + 1)] = solution[size_t(2 * v + 1)];
            sum[0] += solution[size_t(2 * v)], sum[1] += solution[size_t(2 * v + 1)], ++solved;
        }
        for (int c = 0; c < 3 && solved > 0; ++c)
            if (!used[size_t(vertexOf[3 * k + c])])
                flat.uv[size_t(6 * k + 2 * c)] = sum[0] / solved, flat.uv[size_t(6 * k + 2 * c + 1)] = sum[1] / solved;
    }
}

// Mirrors the solution into stored UVs per corner, then measures its area and how far
// its angles are from the 3D ones.
void measure(const PartMesh& mesh, std::vector<double>& solution, int count, Flat& flat) {
    const int* vertexOf = mesh.vertexOf;
    const std::vector<Vector3d>& position = mesh.position;
    for (int i = 0; i < mesh.vertexCount; ++i) solution[size_t(2 * i + 1)] = -solution[size_t(2 * i + 1)];
    cornerUVs(mesh, solution, count, flat);
    for (int k : mesh.energy) {
        const double* uv = &flat.uv[size_t(6 * k)];
        flat.areaUV += std::abs(signedArea(uv, uv + 2, uv + 4));
        const Vector3d p[3] = {position[size_t(vertexOf[3 * k])], position[size_t(vertexOf[3 * k + 1])],
                             position[size_t(vertexOf[3 * k + 2])]};
        double error = 0;
        for (int c = 0; c < 3; ++c) {
            const Vector3d a = p[(c + 1) % 3] - p[c], b = p[(c + 2) % 3] - p[c];
            const double* o = uv + 2 * c;
            const double* ua = uv + 2 * ((c + 1) % 3);
            const double* ub = uv + 2 * ((c + 2) % 3);
            const double da[2] = {ua[0] - o[0], ua[1] - o[1]}, db[2] = {ub[0] - o[0], ub[1] - o[1]};
            // Each angle is atan2(sine, cosine) scaled by the edge lengths, in [0, pi]; their
            // difference is one arc tangent, unless the UV corner has no angle (atan2 0).
            const double sine = length(cross(a, b)), cosine = dot(a, b);
            const double sineUV = std::abs(da[0] * db[1] - da[1] * db[0]), cosineUV = da[0] * db[0] + da[1] * db[1];
            error += sineUV == 0 && cosineUV == 0
                         ? std::atan2(sine, cosine)
                         : std::abs(std::atan2(sine * cosineUV - cosine * sineUV, cosine * cosineUV + sine * sineUV));
        }
        flat.angleError += 0.5 * length(cross(p[1] - p[0], p[2] - p[0])) * error / 3 * RADIANS_TO_DEGREES;
    }
    flat.angleError /= flat.area3D;
    flat.solved = flat.areaUV > 0 && std::isfinite(flat.areaUV);
}

}  // namespace

Flat flatten(UVWalk& walk, FaceSet& set, const int* members, int count, const PartVertices& vertices,
             ScratchSlots& kept) {
    Flat flat;
    ConformalSystem& system = kept.get<ConformalSystem>();
    PartMesh& mesh = system.mesh;
    gatherPart(walk, set, members, count, vertices, mesh, flat);
    if (mesh.energy.empty()) return flat;
    if (!choosePins(walk, set, members, count, mesh, flat, system.pins)) return flat;
    if (!solveConformal(system)) return flat;
    measure(mesh, system.solution, count, flat);
    return flat;
}

void restoreConformal(int count, Flat& flat, ScratchSlots& kept) {
    const ConformalSystem& system = kept.get<ConformalSystem>();
    cornerUVs(system.mesh, system.solution, count, flat);
}

}  // namespace islands
