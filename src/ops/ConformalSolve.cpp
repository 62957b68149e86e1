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

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <complex>

namespace islands {

namespace {

// One part as UV vertices.
struct PartMesh {
    std::vector<int> vertexOf;  // per corner 3 k + c of the listed members
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

// The part's vertices and faces with area; the 3D area, and the UV area and bounds the
// part had, go to `flat`.
PartMesh gatherPart(UVWalk& walk, FaceSet& set, const int* members, int count, Flat& flat) {
    PartMesh mesh;
    std::vector<int>& vertexOf = mesh.vertexOf;
    const int vertexCount = mesh.vertexCount = joinCorners(set, members, count, vertexOf);
    mesh.position.resize(static_cast<size_t>(vertexCount));
    mesh.used.assign(size_t(vertexCount), 0);
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) mesh.position[size_t(vertexOf[size_t(3 * k + c)])] = positionOf(walk, face, c);
        const Vector3d n = areaNormal(walk, face);
        const double twiceArea = length(n);
        const Vector3d p0 = positionOf(walk, face, 0);
        const double scale = dot(positionOf(walk, face, 1) - p0, positionOf(walk, face, 1) - p0) +
                             dot(positionOf(walk, face, 2) - p0, positionOf(walk, face, 2) - p0);
        if (!(twiceArea > 1e-9 * scale) || !std::isfinite(twiceArea)) continue;  // degenerate
        mesh.energy.push_back(k);
        flat.area3D += 0.5 * twiceArea;
        for (int c = 0; c < 3; ++c) mesh.used[size_t(vertexOf[size_t(3 * k + c)])] = 1;
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
    return mesh;
}

// Pins at the locked corners, or with fewer than two locked, at two far-apart vertices;
// false when the part has no two distinct vertices to pin.
bool choosePins(UVWalk& walk, FaceSet& set, const int* members, int count, const PartMesh& mesh, Flat& flat,
                Pins& pins) {
    const std::vector<int>& vertexOf = mesh.vertexOf;
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
            const int v = vertexOf[size_t(3 * k + c)];
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

// The map's UVs per vertex (v up, NaN where a vertex is on no face with area); false
// when the solve fails.
bool solveConformal(const PartMesh& mesh, const Pins& pins, std::vector<double>& solution) {
    const std::vector<int>& vertexOf = mesh.vertexOf;
    const std::vector<Vector3d>& position = mesh.position;
    const std::vector<char>& used = mesh.used;
    const std::vector<char>& pinned = pins.pinned;
    const std::vector<double>& pinUV = pins.uv;
    const std::vector<int>& energy = mesh.energy;
    const int vertexCount = mesh.vertexCount;
    std::vector<int> unknown(static_cast<size_t>(vertexCount), -1);
    int unknowns = 0;
    for (int v = 0; v < vertexCount; ++v)
        if (used[size_t(v)] && !pinned[size_t(v)]) unknown[size_t(v)] = unknowns++;
    solution.assign(2 * size_t(vertexCount), std::numeric_limits<double>::quiet_NaN());
    for (int v = 0; v < vertexCount; ++v)
        if (pinned[size_t(v)]) solution[size_t(2 * v)] = pinUV[size_t(2 * v)], solution[size_t(2 * v + 1)] = pinUV[size_t(2 * v + 1)];
    if (unknowns > 0) {
        // The faces' equations as complex numbers, U = u + i v; the normal equations
        // A^H A U = A^H b are then Hermitian with one unknown per UV vertex, which
        // factors several times faster than the real system of twice the size.
        using Complex = std::complex<double>;
        std::vector<Eigen::Triplet<Complex>> entries;
        entries.reserve(energy.size() * 6);
        Eigen::VectorXcd rhs = Eigen::VectorXcd::Zero(unknowns);
        for (int k : energy) {
            const int v[3] = {vertexOf[size_t(3 * k)], vertexOf[size_t(3 * k + 1)], vertexOf[size_t(3 * k + 2)]};
            const Vector3d p0 = position[size_t(v[0])];
            // The face in its own plane, counter-clockwise about its normal.
            const Vector3d e1 = position[size_t(v[1])] - p0, e2 = position[size_t(v[2])] - p0;
            const Vector3d n = cross(e1, e2);
            const Vector3d xAxis = e1 * (1.0 / length(e1));
            const Vector3d yAxis = cross(n, xAxis) * (1.0 / length(n));
            const Complex q[3] = {{0, 0}, {length(e1), 0}, {dot(e2, xAxis), dot(e2, yAxis)}};
            const double weight = 1.0 / std::sqrt(length(n));
            Complex w[3], pinnedSum{0, 0};
            for (int j = 0; j < 3; ++j) {
                w[j] = weight * (q[(j + 2) % 3] - q[(j + 1) % 3]);
                if (unknown[size_t(v[j])] < 0) pinnedSum += w[j] * Complex(pinUV[size_t(2 * v[j])], pinUV[size_t(2 * v[j] + 1)]);
            }
            for (int a = 0; a < 3; ++a) {
                const int row = unknown[size_t(v[a])];
                if (row < 0) continue;
                rhs[row] -= std::conj(w[a]) * pinnedSum;
                for (int b = 0; b < 3; ++b) {
                    const int column = unknown[size_t(v[b])];
                    if (column >= 0 && column <= row) entries.emplace_back(row, column, std::conj(w[a]) * w[b]);
                }
            }
        }
        Eigen::VectorXcd x(unknowns);
        if (unknowns == 1) {
            // One free vertex (a lone face): a division, without a solver's set-up.
            Complex diagonal{0, 0};
            for (const Eigen::Triplet<Complex>& entry : entries) diagonal += entry.value();
            x[0] = rhs[0] / diagonal;
            if (!x.allFinite()) return false;
        } else {
            Eigen::SparseMatrix<Complex> normal(unknowns, unknowns);
            normal.setFromTriplets(entries.begin(), entries.end());
            entries = {};
            Eigen::SimplicialLDLT<Eigen::SparseMatrix<Complex>, Eigen::Lower> solver(normal);
            if (solver.info() != Eigen::Success) return false;
            x = solver.solve(rhs);
            if (solver.info() != Eigen::Success || !x.allFinite()) return false;
        }
        for (int i = 0; i < vertexCount; ++i)
            if (unknown[size_t(i)] >= 0)
                solution[size_t(2 * i)] = x[unknown[size_t(i)]].real(), solution[size_t(2 * i + 1)] = x[unknown[size_t(i)]].imag();
    }
    return true;
}

// Mirrors the solution into stored UVs per corner, then measures its area and how far
// its angles are from the 3D ones.
void measure(const PartMesh& mesh, std::vector<double>& solution, int count, Flat& flat) {
    const std::vector<int>& vertexOf = mesh.vertexOf;
    const std::vector<Vector3d>& position = mesh.position;
    const std::vector<char>& used = mesh.used;
    const int vertexCount = mesh.vertexCount;
    for (int i = 0; i < vertexCount; ++i) solution[size_t(2 * i + 1)] = -solution[size_t(2 * i + 1)];
    // Corners that only degenerate faces reach take the mean of their face's solved corners.
    flat.uv.assign(size_t(6) * size_t(count), std::numeric_limits<double>::quiet_NaN());
    for (int k = 0; k < count; ++k) {
        double sum[2] = {0, 0};
        int solved = 0;
        for (int c = 0; c < 3; ++c) {
            const int v = vertexOf[size_t(3 * k + c)];
            if (!used[size_t(v)]) continue;
            flat.uv[size_t(6 * k + 2 * c)] = solution[size_t(2 * v)];
            flat.uv[size_t(6 * k + 2 * c + 1)] = solution[size_t(2 * v + 1)];
            sum[0] += solution[size_t(2 * v)], sum[1] += solution[size_t(2 * v + 1)], ++solved;
        }
        for (int c = 0; c < 3 && solved > 0; ++c)
            if (!used[size_t(vertexOf[size_t(3 * k + c)])])
                flat.uv[size_t(6 * k + 2 * c)] = sum[0] / solved, flat.uv[size_t(6 * k + 2 * c + 1)] = sum[1] / solved;
    }
    for (int k : mesh.energy) {
        const double* uv = &flat.uv[size_t(6 * k)];
        flat.areaUV += std::abs(signedArea(uv, uv + 2, uv + 4));
        const Vector3d p[3] = {position[size_t(vertexOf[size_t(3 * k)])], position[size_t(vertexOf[size_t(3 * k + 1)])],
                             position[size_t(vertexOf[size_t(3 * k + 2)])]};
        double error = 0;
        for (int c = 0; c < 3; ++c) {
            const Vector3d a = p[(c + 1) % 3] - p[c], b = p[(c + 2) % 3] - p[c];
            const double* o = uv + 2 * c;
            const double* ua = uv + 2 * ((c + 1) % 3);
            const double* ub = uv + 2 * ((c + 2) % 3);
            const double da[2] = {ua[0] - o[0], ua[1] - o[1]}, db[2] = {ub[0] - o[0], ub[1] - o[1]};
            error += std::abs(std::atan2(length(cross(a, b)), dot(a, b)) -
                              std::atan2(std::abs(da[0] * db[1] - da[1] * db[0]), da[0] * db[0] + da[1] * db[1]));
        }
        flat.angleError += 0.5 * length(cross(p[1] - p[0], p[2] - p[0])) * error / 3 * RADIANS_TO_DEGREES;
    }
    flat.angleError /= flat.area3D;
    flat.solved = flat.areaUV > 0 && std::isfinite(flat.areaUV);
}

}  // namespace

Flat flatten(UVWalk& walk, FaceSet& set, const int* members, int count) {
    Flat flat;
    const PartMesh mesh = gatherPart(walk, set, members, count, flat);
    if (mesh.energy.empty()) return flat;
    Pins pins;
    if (!choosePins(walk, set, members, count, mesh, flat, pins)) return flat;
    std::vector<double> solution;
    if (!solveConformal(mesh, pins, solution)) return flat;
    measure(mesh, solution, count, flat);
    return flat;
}

}  // namespace islands
