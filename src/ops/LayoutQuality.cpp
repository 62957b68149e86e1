// Flipped and overlapping faces, area stretch, texel density and their commands.
//
// Sections:
//   Triangle measures  shown faces, UV and 3D areas, scale, degenerate triangles
//   Flipped            markFlipped
//   Overlapping        markOverlapping over a uniform grid
//   Selection          selectFaulty
//   Texel density      islands measured, their density and reach
//   Faulty faces       findFaultyFaces (the tints' and the selections' search)
//   Areas and stretch  measureAreas, measure3DAreas, measureStretch
//   Menu operations    Select Flipped, Select Overlapping, Texel Density
#include "LayoutQuality.h"

#include "IslandsInternal.h"
#include "UnwrapSteps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {

// ---- Triangle measures ----

bool faceShown(const FaceRecord& face) { return (face.flags & UV_HIDDEN_ALL) == 0; }

// Twice the signed UV area, positive when the corners turn counter-clockwise (v up).
double twiceUVArea(const float* uv) {
    return (double(uv[2]) - uv[0]) * (double(uv[5]) - uv[1]) - (double(uv[4]) - uv[0]) * (double(uv[3]) - uv[1]);
}

// The longest edge of a UV triangle and its largest coordinate, for tolerances.
struct TriangleScale {
    double longest = 0, largest = 0;
};
TriangleScale scaleOf(const float* uv) {
    double longestSquared = 0, largest = 0;
    for (int c = 0; c < 3; ++c) {
        const int d = (c + 1) % 3;
        const double du = double(uv[2 * d]) - uv[2 * c], dv = double(uv[2 * d + 1]) - uv[2 * c + 1];
        longestSquared = std::max(longestSquared, du * du + dv * dv);
        largest = std::max({largest, std::fabs(double(uv[2 * c])), std::fabs(double(uv[2 * c + 1]))});
    }
    return {std::sqrt(longestSquared), largest};
}

// No area worth the name: within what float UVs on a line round to, or not finite.
bool degenerate(const float* uv, const TriangleScale& s) {
    const double area = std::fabs(twiceUVArea(uv));
    return !(area > 1e-6 * s.longest * s.longest + 2e-7 * s.longest * (1 + s.largest));
}
bool degenerate(const float* uv) { return degenerate(uv, scaleOf(uv)); }

// Twice the face's 3D area; NaN when a vertex is missing.
double twiceArea3D(UVWalk& walk, const FaceRecord& face) {
    const VertexRecord* v[3] = {walk.vertexOf(face, 0), walk.vertexOf(face, 1), walk.vertexOf(face, 2)};
    if (!v[0] || !v[1] || !v[2]) return std::numeric_limits<double>::quiet_NaN();
    double a[3], b[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = double(v[1]->position[k]) - v[0]->position[k];
        b[k] = double(v[2]->position[k]) - v[0]->position[k];
    }
    return std::sqrt(std::pow(a[1] * b[2] - a[2] * b[1], 2) + std::pow(a[2] * b[0] - a[0] * b[2], 2) +
                     std::pow(a[0] * b[1] - a[1] * b[0], 2));
}

// Whether the face's vertices exist and enclose no 3D area.
bool withoutArea3D(UVWalk& walk, const FaceRecord& face) {
    const VertexRecord* v[3] = {walk.vertexOf(face, 0), walk.vertexOf(face, 1), walk.vertexOf(face, 2)};
    if (!v[0] || !v[1] || !v[2]) return false;
    Vector3d p[3];
    for (int c = 0; c < 3; ++c) p[c] = {v[c]->position[0], v[c]->position[1], v[c]->position[2]};
    return islands::withoutArea(p[0], p[1], p[2]);
}

// ---- Flipped ----

// Working arrays of the two searches, kept between calls by FaultScratch.
struct FlippedArrays {
    std::vector<int> part, balance;
    std::vector<int8_t> side;
};

void markFlipped(UVWalk& walk, islands::FaceSet& set, float epsilon, std::vector<uint8_t>& faults,
                 FlippedArrays& work) {
    islands::linkEdges(walk, set, epsilon, islands::EdgeLink::VerticesAndUVs, islands::Winding::Any);
    std::vector<int>& part = work.part;
    const int parts = islands::findParts(set, part);
    // Per member: +1 seen from the front (stored v runs down, so it turns clockwise),
    // -1 from the back, 0 without area; per island the front count less the back count.
    std::vector<int8_t>& side = work.side;
    side.assign(size_t(set.size()), 0);
    std::vector<int>& balance = work.balance;
    balance.assign(size_t(parts), 0);
    for (int m = 0; m < set.size(); ++m) {
        const float* uv = &set.uv[6 * size_t(m)];
        side[size_t(m)] = degenerate(uv) ? 0 : (twiceUVArea(uv) < 0 ? 1 : -1);
        balance[size_t(part[size_t(m)])] += side[size_t(m)];
    }
    for (int m = 0; m < set.size(); ++m) {
        const int majority = balance[size_t(part[size_t(m)])] >= 0 ? 1 : -1;
        // Flat (finite) UVs are the true shape of a face without 3D area.
        if (side[size_t(m)] != majority &&
            !(side[size_t(m)] == 0 && std::isfinite(twiceUVArea(&set.uv[6 * size_t(m)])) &&
              withoutArea3D(walk, walk.face(set.faces[size_t(m)]))))
            faults[size_t(set.faces[size_t(m)])] |= FAULT_FLIPPED;
    }
}

// ---- Overlapping ----

// A member's bounds, the depth of a sliver at its size, and the member.
struct Box {
    float low[2], high[2];
    float tolerance;
    int member;
};

// Whether the two triangles share interior deeper than the tolerance: no edge normal
// of either separates their projections (complete for convex shapes).
bool interiorsOverlap(const float* a, const float* b, double tolerance) {
    for (const float* t : {a, b})
        for (int e = 0; e < 3; ++e) {
            const int f = (e + 1) % 3;
            const double nu = double(t[2 * f + 1]) - t[2 * e + 1], nv = double(t[2 * e]) - t[2 * f];
            double low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
            for (int s = 0; s < 2; ++s) {
                const float* uv = s ? b : a;
                for (int c = 0; c < 3; ++c) {
                    const double d = nu * uv[2 * c] + nv * uv[2 * c + 1];
                    low[s] = std::min(low[s], d), high[s] = std::max(high[s], d);
                }
            }
            const double depth = std::min(high[0], high[1]) - std::max(low[0], low[1]);
            if (depth <= 0 || depth * depth <= tolerance * tolerance * (nu * nu + nv * nv)) return false;
        }
    return true;
}

// A uniform grid over the triangles' bounds, about one cell per triangle, coarser while
// large triangles would fill too many cells; each triangle listed in every cell its
// bounds touch. Pairs are tested once, in the cell holding the corner of their common
// bounds, and skipped once both are known to overlap.
struct OverlapArrays {
    std::vector<Box> triangles;
    std::vector<int> range, first, members, next;
    std::vector<char> overlapping;
};

void markOverlapping(const islands::FaceSet& set, std::vector<uint8_t>& faults, OverlapArrays& work) {
    std::vector<Box>& triangles = work.triangles;
    triangles.clear();
    triangles.reserve(size_t(set.size()));
    float low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
    for (int m = 0; m < set.size(); ++m) {
        const float* uv = &set.uv[6 * size_t(m)];
        const TriangleScale s = scaleOf(uv);
        if (degenerate(uv, s)) continue;
        Box t;
        for (int k = 0; k < 2; ++k) {
            t.low[k] = std::min({uv[k], uv[2 + k], uv[4 + k]});
            t.high[k] = std::max({uv[k], uv[2 + k], uv[4 + k]});
            low[k] = std::min(low[k], t.low[k]), high[k] = std::max(high[k], t.high[k]);
        }
        t.tolerance = float(1e-4 * s.longest + 2e-7 * (1 + s.largest));
        t.member = m;
        triangles.push_back(t);
    }
    const size_t n = triangles.size();
    if (n < 2) return;

    // About two triangles per cell; coarser while large triangles fill too many cells.
    const double width = std::max(double(high[0]) - low[0], 1e-30), height = std::max(double(high[1]) - low[1], 1e-30);
    const double side0 = std::sqrt(2 * width * height / double(n));
    auto cells = [](double extent, double side) { return int(std::clamp(std::ceil(extent / side), 1.0, 4096.0)); };
    int columns = 1, rows = 1;
    double scale[2] = {};
    auto cellOf = [&](float u, float v, int& x, int& y) {
        x = std::min(int((double(u) - low[0]) * scale[0]), columns - 1);
        y = std::min(int((double(v) - low[1]) * scale[1]), rows - 1);
    };
    std::vector<int>& range = work.range;  // per triangle: first and last column and row
    range.resize(4 * n);
    std::vector<int>& first = work.first, &members = work.members;
    for (double side = side0;; side *= 2) {
        columns = cells(width, side), rows = cells(height, side);
        scale[0] = columns / width, scale[1] = rows / height;
        size_t entries = 0;
        for (size_t i = 0; i < n; ++i) {
            int* r = &range[4 * i];
            cellOf(triangles[i].low[0], triangles[i].low[1], r[0], r[1]);
            cellOf(triangles[i].high[0], triangles[i].high[1], r[2], r[3]);
            entries += size_t(r[2] - r[0] + 1) * size_t(r[3] - r[1] + 1);
        }
        if (entries > 8 * n && (columns > 1 || rows > 1)) continue;
        first.assign(size_t(columns) * size_t(rows) + 1, 0);
        for (size_t i = 0; i < n; ++i) {
            const int* r = &range[4 * i];
            for (int y = r[1]; y <= r[3]; ++y)
                for (int x = r[0]; x <= r[2]; ++x) ++first[size_t(y) * size_t(columns) + size_t(x) + 1];
        }
        for (size_t c = 1; c < first.size(); ++c) first[c] += first[c - 1];
        members.resize(entries);
        std::vector<int>& next = work.next;
        next.assign(first.begin(), first.end() - 1);
        for (size_t i = 0; i < n; ++i) {
            const int* r = &range[4 * i];
            for (int y = r[1]; y <= r[3]; ++y)
                for (int x = r[0]; x <= r[2]; ++x) members[size_t(next[size_t(y) * size_t(columns) + size_t(x)]++)] = int(i);
        }
        break;
    }

    std::vector<char>& overlapping = work.overlapping;
    overlapping.assign(n, 0);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const size_t cell = size_t(y) * size_t(columns) + size_t(x);
            for (int i = first[cell]; i < first[cell + 1]; ++i)
                for (int j = i + 1; j < first[cell + 1]; ++j) {
                    const size_t a = size_t(members[size_t(i)]), b = size_t(members[size_t(j)]);
                    if (overlapping[a] && overlapping[b]) continue;
                    const Box &ta = triangles[a], &tb = triangles[b];
                    const float tolerance = std::min(ta.tolerance, tb.tolerance);
                    const float cornerU = std::max(ta.low[0], tb.low[0]), cornerV = std::max(ta.low[1], tb.low[1]);
                    if (std::min(ta.high[0], tb.high[0]) - cornerU <= tolerance ||
                        std::min(ta.high[1], tb.high[1]) - cornerV <= tolerance)
                        continue;
                    int cx, cy;
                    cellOf(cornerU, cornerV, cx, cy);
                    if (cx != x || cy != y ||
                        !interiorsOverlap(&set.uv[6 * size_t(ta.member)], &set.uv[6 * size_t(tb.member)], tolerance))
                        continue;
                    overlapping[a] = overlapping[b] = 1;
                }
        }
    for (size_t i = 0; i < n; ++i)
        if (overlapping[i]) faults[size_t(set.faces[size_t(triangles[i].member)])] |= FAULT_OVERLAPPING;
}

// ---- Selection ----

EditResult selectFaulty(UVModel& model, float epsilon, uint8_t fault, bool sync, const wchar_t* description) {
    UVEdit edit(model, {description, selectionScope(sync)});
    return edit.run([&] {
        std::vector<uint8_t> faults;
        findFaultyFaces(edit, epsilon, fault, faults);
        // Deselect first: with sync, a vertex shared with a faulty face ends selected.
        for (const bool selecting : {false, true})
            edit.forEachFace([&](FaceRecord& face, int i) {
                if (faceShown(face) && (faults[size_t(i)] != 0) == selecting)
                    edit.changed += islands::setWholeFaceSelected(edit, face, selecting, {sync});
            });
    });
}

// ---- Texel density ----

// Per selected island: its UV area in texture pixels, its 3D area, whether it holds a
// locked corner and its UV bounds.
struct Island {
    double pixels = 0, area3D = 0;
    bool locked = false;
    double low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
};

double densityOf(double pixels, double area3D) {
    return area3D > 0 && pixels > 0 && std::isfinite(pixels / area3D) ? std::sqrt(pixels / area3D) : 0.0;
}

std::vector<Island> measureIslands(UVWalk& walk, const islands::FaceSet& set, const std::vector<int>& part,
                                   int parts, int width, int height) {
    std::vector<Island> list(static_cast<size_t>(parts), Island{});
    const double texels = double(std::max(width, 0)) * double(std::max(height, 0));
    for (int m = 0; m < set.size(); ++m) {
        Island& island = list[size_t(part[size_t(m)])];
        const FaceRecord& face = walk.face(set.faces[size_t(m)]);
        island.locked = island.locked || (face.flags & UV_LOCKED_ALL) != 0;
        const float* uv = &set.uv[6 * size_t(m)];
        const double pixels = 0.5 * std::fabs(twiceUVArea(uv)) * texels, area3D = 0.5 * twiceArea3D(walk, face);
        if (!std::isfinite(pixels) || !std::isfinite(area3D)) continue;
        island.pixels += pixels, island.area3D += area3D;
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 2; ++k)
                island.low[k] = std::min(island.low[k], double(uv[2 * c + k])),
                island.high[k] = std::max(island.high[k], double(uv[2 * c + k]));
    }
    return list;
}

// The farthest coordinate (|u| or |v|) the movable islands reach, as they are or once
// scaled to the density `wanted`.
double reachOf(const std::vector<Island>& list, double wanted, bool scaled) {
    double reach = 0;
    for (const Island& island : list) {
        const double now = densityOf(island.pixels, island.area3D);
        if (island.locked || now == 0) continue;
        const double factor = scaled ? wanted / now : 1.0;
        for (int k = 0; k < 2; ++k)
            reach = std::max(reach, std::fabs(0.5 * (island.low[k] + island.high[k])) +
                                        0.5 * (island.high[k] - island.low[k]) * factor);
    }
    return reach;
}

double densityOfAll(const std::vector<Island>& list) {
    double pixels = 0, area3D = 0;
    for (const Island& island : list) pixels += island.pixels, area3D += island.area3D;
    return densityOf(pixels, area3D);
}

}  // namespace

// ---- Faulty faces ----

struct FaultScratch::Arrays {
    islands::FaceSet set;
    FlippedArrays flipped;
    OverlapArrays overlap;
};
FaultScratch::FaultScratch() = default;
FaultScratch::~FaultScratch() = default;

void findFaultyFaces(UVWalk& walk, float epsilon, uint8_t wanted, std::vector<uint8_t>& faults,
                     FaultScratch& scratch) {
    if (!scratch.arrays) scratch.arrays = std::make_unique<FaultScratch::Arrays>();
    FaultScratch::Arrays& a = *scratch.arrays;
    faults.assign(size_t(std::max(walk.faceCount(), 0)), 0);
    islands::gatherFaces(walk, faceShown, a.set);
    if (wanted & FAULT_OVERLAPPING) markOverlapping(a.set, faults, a.overlap);
    if (wanted & FAULT_FLIPPED) markFlipped(walk, a.set, epsilon, faults, a.flipped);
}

void findFaultyFaces(UVWalk& walk, float epsilon, uint8_t wanted, std::vector<uint8_t>& faults) {
    FaultScratch scratch;
    findFaultyFaces(walk, epsilon, wanted, faults, scratch);
}

// ---- Areas and stretch ----

namespace {
// measureAreas with area3D(face, i) giving twice a shown face's 3D area.
template <class Area3D>
bool measureAreasWith(UVWalk& walk, Area3D&& area3D, std::vector<double>& areas, double& totalUV, double& total3D) {
    const size_t count = size_t(std::max(walk.faceCount(), 0));
    areas.assign(2 * count, 0.0);  // UV, 3D per face
    totalUV = 0, total3D = 0;
    walk.forEachFace([&](FaceRecord& face, int i) {
        if (!faceShown(face)) return;
        const float uv[6] = {face.uv[0][0], face.uv[0][1], face.uv[1][0], face.uv[1][1], face.uv[2][0], face.uv[2][1]};
        const double a = std::fabs(twiceUVArea(uv)), b = area3D(face, i);
        if (!std::isfinite(a) || !std::isfinite(b)) return;
        areas[2 * size_t(i)] = a, areas[2 * size_t(i) + 1] = b;
        totalUV += a, total3D += b;
    });
    return totalUV > 0 && total3D > 0 && std::isfinite(totalUV) && std::isfinite(total3D);
}
}  // namespace

bool measureAreas(UVWalk& walk, std::vector<double>& areas, double& totalUV, double& total3D) {
    return measureAreasWith(walk, [&](const FaceRecord& face, int) { return twiceArea3D(walk, face); }, areas, totalUV,
                            total3D);
}

void measure3DAreas(UVWalk& walk, std::vector<double>& area3D) {
    area3D.assign(size_t(std::max(walk.faceCount(), 0)), NAN);
    walk.forEachFace([&](FaceRecord& face, int i) {
        if (faceShown(face)) area3D[size_t(i)] = twiceArea3D(walk, face);
    });
}

bool measureAreas(UVWalk& walk, const std::vector<double>& area3D, std::vector<double>& areas, double& totalUV,
                  double& total3D) {
    return measureAreasWith(
        walk, [&](const FaceRecord&, int i) { return size_t(i) < area3D.size() ? area3D[size_t(i)] : NAN; }, areas,
        totalUV, total3D);
}

void measureStretch(UVWalk& walk, std::vector<float>& stretch, std::vector<double>& areas) {
    double totalUV, total3D;
    const bool measured = measureAreas(walk, areas, totalUV, total3D);
    const size_t count = areas.size() / 2;
    stretch.assign(count, NAN);
    if (!measured) return;
    for (size_t i = 0; i < count; ++i) stretch[i] = stretchOf(areas[2 * i], areas[2 * i + 1], totalUV, total3D);
}

// ---- Menu operations ----

EditResult selectFlipped(UVModel& model, float epsilon, bool sync) {
    return selectFaulty(model, epsilon, FAULT_FLIPPED, sync, L"Select Flipped");
}

EditResult selectOverlapping(UVModel& model, float epsilon, bool sync) {
    return selectFaulty(model, epsilon, FAULT_OVERLAPPING, sync, L"Select Overlapping");
}

double texelDensity(UVModel& model, float epsilon, int width, int height) {
    try {
        UVWalk walk(model.mesh.Get(), model.faceFilter);
        islands::FaceSet set;
        std::vector<int> part;
        const int parts = islands::selectedIslands(walk, epsilon, islands::Winding::Any, set, part);
        return densityOfAll(measureIslands(walk, set, part, parts, width, height));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

double texelDensityReach(UVModel& model, float epsilon, int width, int height, double target) {
    if (!(target > 0) || !std::isfinite(target)) return INFINITY;
    try {
        UVWalk walk(model.mesh.Get(), model.faceFilter);
        islands::FaceSet set;
        std::vector<int> part;
        const int parts = islands::selectedIslands(walk, epsilon, islands::Winding::Any, set, part);
        return reachOf(measureIslands(walk, set, part, parts, width, height), target, true);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// Nothing is written before every island is measured.
EditResult setTexelDensity(UVModel& model, float epsilon, int width, int height, double target,
                           const wchar_t* description) {
    UVEdit edit(model, {description, EDIT_FACE_DATA});
    auto scale = [&](const islands::FaceSet& set, const std::vector<int>& part, int parts) {
        const std::vector<Island> list = measureIslands(edit, set, part, parts, width, height);
        const double wanted = target == 0 ? densityOfAll(list) : target;
        if (!(wanted > 0) || !std::isfinite(wanted)) return;
        const double reach = reachOf(list, wanted, true);
        if (!(reach <= std::max(TEXEL_DENSITY_MOST_REACH, reachOf(list, wanted, false)))) return;
        for (int m = 0; m < set.size(); ++m) {
            const Island& island = list[size_t(part[size_t(m)])];
            const double now = densityOf(island.pixels, island.area3D);
            if (island.locked || now == 0) continue;
            const double factor = wanted / now;
            const double centre[2] = {0.5 * (island.low[0] + island.high[0]), 0.5 * (island.low[1] + island.high[1])};
            FaceRecord& face = edit.face(set.faces[size_t(m)]);
            for (int c = 0; c < 3; ++c)
                if (cornerFinite(face, c))
                    edit.changed += islands::writeUV(face, c, centre[0] + (face.uv[c][0] - centre[0]) * factor,
                                                     centre[1] + (face.uv[c][1] - centre[1]) * factor);
        }
    };
    return islands::onSelectedIslands(edit, epsilon, islands::Winding::Any, scale);
}
