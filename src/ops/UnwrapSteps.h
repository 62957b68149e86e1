// The steps of the unwraps, one file each: cutting a part to a disc (DiscCut.cpp), its
// least-squares conformal map (ConformalSolve.cpp), splitting a map that folds
// (OverlapSplit.cpp) and placing the maps where their parts were (ChartPlacement.cpp).
// Chart growing and the slivers' own parts are declared with the island structure.
#pragma once

#include "IslandsInternal.h"
#include "ScratchSlots.h"

#include <model/UVGeometry.h>
#include <model/Vector3.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace islands {

// Members of an unwrap have valid vertex indices, so their positions can be read.
inline Vector3d positionOf(UVWalk& walk, const FaceRecord& face, int c) {
    const float* p = walk.vertexOf(face, c)->position;
    return {p[0], p[1], p[2]};
}

// Twice the face's area along its normal.
inline Vector3d areaNormal(UVWalk& walk, const FaceRecord& face) {
    const Vector3d p0 = positionOf(walk, face, 0);
    return cross(positionOf(walk, face, 1) - p0, positionOf(walk, face, 2) - p0);
}

// Twice the area of three 3D corners; 0 when they enclose no area worth the name (they
// meet or lie on one line, within rounding) or a coordinate is not finite. Such a face
// has nothing to texture and no winding of its own.
inline double twiceAreaOf(const Vector3d& p0, const Vector3d& p1, const Vector3d& p2) {
    const double twiceArea = length(cross(p1 - p0, p2 - p0));
    return twiceArea > 1e-9 * (dot(p1 - p0, p1 - p0) + dot(p2 - p0, p2 - p0)) && std::isfinite(twiceArea) ? twiceArea : 0;
}
inline bool withoutArea(const Vector3d& p0, const Vector3d& p1, const Vector3d& p2) { return twiceAreaOf(p0, p1, p2) == 0; }

inline double signedArea(const double* a, const double* b, const double* c) {
    return 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
}

// The UV vertices of one part as joinCorners numbers them: `of` per corner 3 k + c of
// the listed members, `count` numbers in all.
struct PartVertices {
    std::vector<int> of;
    int count = 0;
};

// Cuts a part that is not a disc (closed, a tube, with holes or handles) along shortest
// edge paths until it is one: a closed part is slit between two far-apart vertices, and
// each further boundary loop is joined to the first by the shortest path between them.
// Leaves the part's UV vertices as they are after the cuts in `vertices`.
void cutToDisc(UVWalk& walk, FaceSet& set, const int* members, int count, PartVertices& vertices);

// Makes the corners at both ends of an edge of no length (one 3D point) one UV vertex: the
// flattening cannot tell them apart, and apart they would leave the face between them
// turned over or open by chance. Renumbers `vertices` when it joins any.
void joinCoincidentCorners(UVWalk& walk, const FaceSet& set, const int* members, int count, PartVertices& vertices);

// The new UVs of one part's corners, NaN where a corner keeps its UV.
struct Flat {
    bool solved = false;
    int pins = 0;            // locked corners used as pins (distinct UV vertices)
    int pinCorner = -1;      // with one pin: a corner of it
    float pinUV[2] = {0, 0};
    std::vector<double> uv;  // 2 per corner 3 k + c
    double area3D = 0;       // of the flattened faces
    double areaUV = 0;       // of the result
    double previousArea = 0; // UV area before, over the corners with finite UVs
    double angleError = 0;   // mean |UV angle - 3D angle| of the corners, degrees, by 3D area
    double previousBox[4] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
};

// The least-squares conformal map of one part (a disc), pinned at its locked corners or,
// with fewer than two, at two far-apart vertices; measured against the part's 3D shape.
// `vertices` numbers the part's corners as it is; the solver's storage stays in `kept`.
Flat flatten(UVWalk& walk, FaceSet& set, const int* members, int count, const PartVertices& vertices,
             ScratchSlots& kept);

// Writes the map that the last flatten with `kept` made (of `count` members) into flat.uv
// again.
void restoreConformal(int count, Flat& flat, ScratchSlots& kept);

// Lowers the stretch of a flattened part (StretchSolve.h) from its conformal map, its
// locked corners held, by options.stretch within options.stretchWork; keeps the
// conformal map when the result's outline would cross itself. `vertices` numbers the
// part's corners as the flattening did; the solver's storage stays in `kept`.
void evenOutStretch(UVWalk& walk, FaceSet& set, const std::vector<int>& members, const PartVertices& vertices,
                    Flat& flat, const UnwrapOptions& options, ScratchSlots& kept);

// Whether a flattened part lies in the plane without folding: no face turned over and
// no two edges of its outline crossing.
bool embedded(const FaceSet& set, const std::vector<int>& members, const Flat& flat);

// Splits a connected part in two around its two faces farthest apart (in steps across
// edges); the edges between the halves are unlinked.
std::pair<std::vector<int>, std::vector<int>> halve(FaceSet& set, const std::vector<int>& members);

// The flattened parts of one unwrap: each one's members, the part it was split from
// (one of `origins`) and its map.
struct FlatParts {
    int origins = 0;
    std::vector<std::vector<int>> members;
    std::vector<int> origin;
    std::vector<Flat> flats;
};

// Scales the maps without two pins to share the UV area their parts had, places each
// where its part was (split pieces in a row) and writes the UVs of the unlocked corners;
// adds the corners written to `written`.
void placeFlats(UVWalk& walk, const FaceSet& set, FlatParts& parts, int& written);

}  // namespace islands
