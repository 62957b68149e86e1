// The island structure the whole-island operations share (the faces one operation works
// on, how their edges meet, their parts) and the steps of the unwraps and the packing.
// Internal to ops: the editor calls the operations of Islands.h.
#pragma once

#include "Islands.h"

#include <new>
#include <vector>

namespace islands {

// Union-find over consecutive numbers, with path halving.
struct UnionFind {
    std::vector<int> parent;
    UnionFind() = default;
    explicit UnionFind(size_t count) { reset(count); }
    // Every number its own set again, keeping the storage.
    void reset(size_t count);
    int root(int x) {
        while (parent[size_t(x)] != x) x = parent[size_t(x)] = parent[size_t(parent[size_t(x)])];
        return x;
    }
    void join(int a, int b) { parent[size_t(root(a))] = root(b); }
};

// The faces one operation works on and how their edges meet. Edge e of member m runs
// from corner e to corner (e + 1) % 3 and is numbered 3 m + e; so is corner c of m.
struct FaceSet {
    std::vector<int> faces;      // record index of each member, in array order
    std::vector<uint16_t> vertex;  // per corner 3 m + c: its vertex index, as the host gave it
    std::vector<float> uv;         // per corner: u and v as they were when gathered
    std::vector<int> neighbour;  // per edge: the linked edge of another member, or -1
    std::vector<int> slot;       // scratch of joinCorners: a member's place in its list, else -1
    // Scratch of linkEdges (corners by vertex), findParts and joinCorners, kept so that a
    // set reused from call to call touches no fresh memory.
    std::vector<int> vertexStart, vertexCorners, stack;
    UnionFind joins;

    int size() const { return int(faces.size()); }
    void unlink(int edge) {
        const int other = neighbour[size_t(edge)];
        if (other >= 0) neighbour[size_t(other)] = -1;
        neighbour[size_t(edge)] = -1;
    }
};

// Members: the walk's filtered faces that pass `takes`, in array order. Their corners
// are copied once, so that later passes jump around a small array, not the records.
// The set is refilled in place, keeping its storage.
template <class Takes>
void gatherFaces(UVWalk& walk, Takes&& takes, FaceSet& set) {
    const size_t most = size_t(walk.faceCount());
    set.faces.clear(), set.vertex.clear(), set.uv.clear(), set.neighbour.clear(), set.slot.clear();
    set.faces.reserve(most);
    set.vertex.reserve(3 * most);
    set.uv.reserve(6 * most);
    walk.forEachFace([&](FaceRecord& face, int i) {
        if (!takes(face)) return;
        set.faces.push_back(i);
        for (int c = 0; c < 3; ++c) {
            set.vertex.push_back(face.vertex[c]);
            set.uv.push_back(face.uv[c][0]);
            set.uv.push_back(face.uv[c][1]);
        }
    });
}
template <class Takes>
FaceSet gatherFaces(UVWalk& walk, Takes&& takes) {
    FaceSet set;
    gatherFaces(walk, takes, set);
    return set;
}

// The faces the unwraps and the packing act on: all three corners selected and visible,
// with vertices that exist and have finite positions.
void selectedFaces(UVWalk& walk, FaceSet& set);
FaceSet selectedFaces(UVWalk& walk);

// Which member edges linkEdges links: those that join the same two vertices, or only
// those of them whose corner UVs also coincide within epsilon at both ends.
enum class EdgeLink { Vertices, VerticesAndUVs };
// Winding::Same links only faces that run the edge in opposite directions (turn the same
// way): a flattening cannot keep two faces of opposite winding both face up.
enum class Winding { Any, Same };

// Links the member edges as `link` and `winding` say, each edge to one other.
void linkEdges(UVWalk& walk, FaceSet& set, float epsilon, EdgeLink link, Winding winding);

// Members connected through linked edges: the part of each member; answers the count.
int findParts(FaceSet& set, std::vector<int>& part);

// selectedFaces, linked through coinciding UVs, and their islands; answers the count.
int selectedIslands(UVWalk& walk, float epsilon, Winding winding, FaceSet& set, std::vector<int>& part);

// fn(set, part, partCount) on the selected islands, inside edit.run: the answer is the
// edit's.
template <class Fn>
EditResult onSelectedIslands(UVEdit& edit, float epsilon, Winding winding, Fn&& fn) {
    return edit.run([&] {
        FaceSet set;
        std::vector<int> part;
        const int parts = selectedIslands(edit, epsilon, winding, set, part);
        fn(set, part, parts);
    });
}

// Selects or deselects the face's three corners (with write.sync their vertices and the
// face too); answers how many corners changed.
inline int setWholeFaceSelected(UVWalk& walk, FaceRecord& face, bool selected, FlagWrite write) {
    int changed = 0;
    for (int c = 0; c < 3; ++c) {
        if (cornerSelected(face.flags, c) == selected) continue;
        face.flags ^= uint16_t(UV_SELECTED << c);
        if (write.sync) walk.setVertexSelected(face, c, selected);
        ++changed;
    }
    if (write.sync) syncFaceSelected(face);
    return changed;
}

// Writes a corner's UV; answers whether it changed.
inline bool writeUV(FaceRecord& face, int c, double u, double v) {
    const float fu = float(u), fv = float(v);
    if (fu == face.uv[c][0] && fv == face.uv[c][1]) return false;
    face.uv[c][0] = fu, face.uv[c][1] = fv;
    return true;
}

// Members of each part, part by part: members[first[p]] ... members[first[p + 1] - 1].
struct PartList {
    std::vector<int> first;
    std::vector<int> members;
};
PartList listParts(const std::vector<int>& part, int partCount);
void listParts(const std::vector<int>& part, int partCount, PartList& list);  // in place

// The selected islands with their parts listed, kept in the model's scratch between calls.
struct IslandWork {
    FaceSet set;
    std::vector<int> part;
    PartList list;
    int parts = 0;
};

// fn(work) on the selected islands, as onSelectedIslands, in the model's kept storage.
template <class Fn>
EditResult onKeptIslands(UVModel& model, UVEdit& edit, float epsilon, Winding winding, Fn&& fn) {
    return edit.run([&] {
        IslandWork& work = model.scratch.slots.get<IslandWork>();
        work.parts = selectedIslands(edit, epsilon, winding, work.set, work.part);
        listParts(work.part, work.parts, work.list);
        fn(work);
    });
}

// Corners joined across linked edges get one number (the UV vertices of a flattening);
// answers how many numbers were given. `members` limits the work to those members; the
// numbers are per corner 3 k + c of the k-th listed member.
int joinCorners(FaceSet& set, const int* members, int count, std::vector<int>& vertexOf);

// Splits the parts into charts: a face joins a neighbouring chart when its normal is
// within maxDegrees of the chart's mean normal; edges between charts are unlinked.
// Faces with a locked corner only join charts of such faces.
int growCharts(UVWalk& walk, FaceSet& set, std::vector<int>& part, double maxDegrees);

// What a flattening ends with: the conformal map, or that map with its stretch lowered.
enum class Flattening { Conformal, LowStretch };

// Flattens each part by least-squares conformal maps, pinned at its locked corners; a
// part that is not a disc is cut first. With splitOverlaps, a part whose flat layout
// folds or overlaps itself is split in two and each half flattened again; `part` then
// numbers the pieces, and their count is answered. The pieces' stretch is then lowered
// as `flattening` says. Adds the number of corners written to `written` as it goes.
// Working memory comes from `kept` (the model's scratch) and stays there.
int flattenParts(UVWalk& walk, FaceSet& set, std::vector<int>& part, int partCount, bool splitOverlaps,
                 Flattening flattening, const UnwrapOptions& options, ScratchSlots& kept, int& written);

// Faces that a flattening left turned over or without UV area (slivers squeezed flat
// by their neighbours; thinner than options.sliverHeight of their length, which stored
// floats cannot keep) leave their parts and become parts of their own: their own 3D
// shape at the layout's mean scale, at least a tenth as high as long and a quarter as
// long as the mean face, turned as faces seen from the front. Faces with a locked or
// non-finite corner stay, and so do faces with an edge of no length whose ends share
// their UV: flat is their true shape. Answers the part count.
int freeSlivers(UVWalk& walk, FaceSet& set, std::vector<int>& part, int partCount, const UnwrapOptions& options,
                int& written);

// Places the parts inside the unit square at one common scale, options.margin apart, turned by
// 90 degrees where that packs tighter; parts with a locked corner stay. Adds the number
// of corners written to `written`.
void packParts(UVWalk& walk, const FaceSet& set, const std::vector<int>& part, int partCount,
               const PackOptions& options, int& written);

}  // namespace islands
