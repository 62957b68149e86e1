// The operations' interface: the editor's working model (the host mesh and document it
// edits, the face filter every operation applies, the drag snapshot, the default pivot)
// and the operations on it, which edit the host's records in place. The whole-island
// operations and the layout checks are in Islands.h and LayoutQuality.h.
//
// Arguments and results, unless an operation says otherwise:
// - UVs are in UV units (0 ... 1 spans the texture); angles are radians; a rect is
//   (min u, min v, max u, max v).
// - A CornerTest picks the corners an operation acts on, among the faces that pass
//   `faceFilter` (Records.h; CORNERS_SELECTED and CORNERS_EDITABLE are the usual ones).
//   Operations that move UVs add UV_LOCKED to its mask: locked corners never move.
// - recordUndo: the operation opens and closes its own history entry; false when the
//   caller holds one open (a drag, a dialog's live preview) or none is wanted.
// - sync (FlagWrite::sync): selection writes also set the 3D selection (corner
//   vertices, whole faces).
// - description: the history entry's text, shown in the host's Undo menu.
// - An EditResult of an operation that edits is Changed when it acted on at least one
//   corner or face, which is also what keeps its history entry: the caller may refresh
//   or report on it. It is Unchanged when nothing passed its tests (no entry is kept), for
//   an identity transform or a null required pointer; OutOfMemory when it could not get
//   its working memory, and then it changed nothing and kept no entry (EditProtocol.h).
//   A corner that passed counts even where its new value equals the old one (a weld onto
//   an equal UV, a group bit already set), except where an operation says it compares. A
//   count says how many corners or faces the operation acted on.
//
// Writing an operation (src/ops/<Subject>.cpp): open a UVEdit (ops/EditProtocol.h) with
// the operation's EditSteps: the description, the BeginEdit numbers and the protocol's
// variations (group or not, BeginEdit after the lock, when EndEdit is called, whether the
// change-in-progress counter is raised). Its constructor makes the opening host calls and
// locks the records. Walk with forEachFace / forEachCorner (face filter and corner test
// applied, array order), add what you changed to `changed`, then call finish(): it
// unlocks, ends the undo group with keep = changed > 0, calls EndEdit as the steps say
// and answers the EditResult. Work that allocates runs inside edit.run(...), which
// applies the one rule for memory that cannot be had.
// A vertex index is host data: reach a corner's vertex only through vertexOf(), which
// answers null for an index at or beyond the vertex count. Read-only queries use
// UVWalk alone. Walks allocate nothing; working memory comes from `scratch`.
//
//     EditResult UVModel::snapTogether(const UVPoint* target) {
//         UVEdit edit(*this, {L"Snap Together UV Coords", EDIT_FACE_DATA});
//         edit.forEachCorner(CORNERS_EDITABLE, [&](FaceRecord& face, int c) {
//             face.uv[c][0] = target->u; face.uv[c][1] = target->v; ++edit.changed;
//         });
//         return edit.finish();  // whether anything changed
//     }
#pragma once

#include "ScratchArray.h"
#include "ScratchSlots.h"
#include "UVPointGrid.h"

#include <host/HostRef.h>
#include <model/GrowArray.h>
#include <model/Matrix4.h>
#include <model/Records.h>
#include <model/UVGeometry.h>
#include <model/Vector3.h>

#include <cstdint>

// The editor window derives from this; the model raises the counter around EndEdit so
// that the editor's refresh does not copy the 3D selection back while the host notifies.
struct UVModelOwner {
    int changeInProgress = 0;
};

// A face's UVs at the start of a drag.
struct SnapshotEntry {
    uint32_t faceIndex;
    float uv[3][2];
};
static_assert(sizeof(SnapshotEntry) == 28);

// What an edit did. OutOfMemory: it could not get its working memory and changed nothing.
enum class EditResult { Unchanged, Changed, OutOfMemory };
inline bool edited(EditResult result) { return result == EditResult::Changed; }

// How a write of corner flags reaches the host.
struct FlagWrite {
    bool sync = false;       // selection bits also set the 3D selection
    bool recordUndo = true;  // its own history entry
    bool notify = true;      // EndEdit afterwards
};

// The axes a mirror flips: u across the vertical line through the pivot, v across the
// horizontal one.
struct MirrorAxes {
    bool u = false;
    bool v = false;
};

// Modifier of the picking operations.
enum : int { PICK_REPLACE = 0, PICK_TOGGLE = 1, PICK_ADD = 2 };

struct UVModel {
    UVPoint pivot{0.5f, 0.5f};  // scale and rotate turn about this when given no pivot
    FaceFilter faceFilter = FACE_FILTER_ALL;
    HostRef<HostMesh> mesh;          // may be empty: the operations then walk nothing
    HostRef<HostDocument> document;  // receives the undo groups
    GrowArray<SnapshotEntry> snapshot;  // empty between drags
    UVModelOwner* owner = nullptr;      // not owned

    // Working memory the operations keep between calls, so that repeating a whole-mesh
    // operation allocates nothing; it only grows.
    struct Scratch {
        UVPointGrid grid;                // weld and count distinct
        ScratchArray<UVPoint> vertexUVs; // a projection's (u, v) per vertex
        ScratchArray<uint8_t> bytes;     // per vertex or per face marks
        ScratchSlots slots;              // the island tools' working structures
        ScratchArray<float> keptUVs;     // every face's UVs, put back when an edit runs out of memory
    } scratch;

    // ---- Queries: no undo, no notification ----

    // Fills rect with the bounds of the corners passing the test (locked ones too) and
    // answers whether any passed; with none, rect is (9999999, 9999999, -9999999, -9999999).
    bool bounds(CornerTest test, float rect[4]);
    // The number of corners passing the test.
    int countCorners(CornerTest test);
    // The number of distinct positions among the editable corners within epsilon (UV
    // units), counted no further than atMost: the editor only asks whether there is
    // exactly one, which needs no working memory. 0 when atMost is not positive or
    // working memory is lacking.
    int countDistinct(float epsilon, int atMost = INT32_MAX);
    // Unit average of the normals of the faces of the corners passing the test (unlocked
    // ones), a face once per passing corner; false, normal untouched, when none passes.
    bool averageNormal(Vector3& normal, CornerTest test);
    // Mean vertex position (model units) of the editable corners of every face, filtered out or not,
    // summed in double; (0, 0, 0) without one.
    Vector3 selectionCentroid();

    // ---- Drag snapshot ----

    // Appends every face of fromMesh with a selected corner, hidden or filtered out or not;
    // without the memory for all of them, the snapshot is left empty.
    void fillSnapshot(HostMesh* fromMesh);
    // Empties the snapshot but keeps its storage for the next drag.
    void clearSnapshot() { snapshot.removeAll(); }

    // ---- Transforms: each passing, unlocked corner's (u, v, 0) through a matrix ----
    // The *Snapshot forms start from the snapshot's UVs (every drag step afresh) and always
    // call EndEdit; the in-place forms start from the current UVs and do nothing at all
    // for an identity (zero move, unit scale, zero angle, no flip), answering Unchanged.
    // du, dv: UV units; sx, sy: factors; angle: radians, positive turns +u towards +v;
    // axes: what mirror flips (MirrorAxes).
    // A null pivotPoint means `pivot`; mirror needs its pivot and fails without one.
    // applyTransform and applySnapshotTransform take each corner's (u, v, 0) x matrix.
    // Changed when any corner moved (passed the test, unlocked).
    EditResult moveSnapshot(float du, float dv, CornerTest test, bool recordUndo);
    EditResult scaleSnapshot(float sx, float sy, CornerTest test, bool recordUndo, const UVPoint* pivotPoint);
    EditResult rotateSnapshot(float angle, CornerTest test, bool recordUndo, const UVPoint* pivotPoint);
    EditResult move(float du, float dv, CornerTest test, bool recordUndo);
    EditResult scale(float sx, float sy, CornerTest test, bool recordUndo, const UVPoint* pivotPoint);
    EditResult rotate(float angle, CornerTest test, bool recordUndo, const UVPoint* pivotPoint);
    EditResult mirror(MirrorAxes axes, CornerTest test, bool recordUndo, const UVPoint* pivotPoint);
    EditResult applySnapshotTransform(const Matrix4& matrix, CornerTest test, bool recordUndo,
                                      const wchar_t* description);
    EditResult applyTransform(const Matrix4& matrix, CornerTest test, bool recordUndo, const wchar_t* description);

    // ---- Selection, visibility, lock, groups and material ----

    // Corners passing the test get the changeMask bits of newValue (corner-0 patterns);
    // answers how many corners' bits really changed.
    int setCornerFlags(uint16_t changeMask, uint16_t newValue, CornerTest test, const wchar_t* description,
                       FlagWrite write = {});
    // Selects or deselects the visible corners; Changed when any corner's bit changed.
    EditResult selectAll(bool select, FlagWrite write = {});
    // Toggles the selection of every visible corner; Changed when there was one.
    EditResult invertSelection(bool sync);
    // Whole faces that share a mesh vertex with a selected (expand) or unselected
    // (contract) corner become selected (deselected); Changed when a face was marked.
    EditResult expandSelection(bool sync);
    EditResult contractSelection(bool sync);
    // Picks the visible corners inside rect or within radius (UV units) of (rect[0],
    // rect[1]); modifier is a PICK_* value. Answers the corners picked plus those a
    // replacing pick cleared.
    int selectCoords(const float rect[4], float radius, int modifier, bool sync);
    // Picks the faces without a hidden corner that rect touches; answers the faces picked
    // plus the corners a replacing pick cleared.
    int selectTriangles(const float rect[4], int modifier, bool sync);
    // Toggles the hidden bits of every filtered face's corners; Changed when there was a face.
    EditResult invertHidden();
    // Corners passing the test get groups = (groups & ~groupMask) | groupValue (bit k - 1
    // is group k); Changed when a corner passed.
    EditResult assignGroup(uint16_t groupMask, uint16_t groupValue, CornerTest test);
    // Visible corners with (groups & groupMask) == groupValue are picked (modifier: a
    // PICK_* value); Changed when a corner was picked or a replacing pick cleared one.
    EditResult selectGroup(uint16_t groupMask, uint16_t groupValue, int modifier, bool sync);
    // Faces passing faceFilter and faces get the material (the host's material index);
    // EndEdit only after a change; Changed when a face passed.
    EditResult setMaterial(uint32_t material, FaceFilter faces);

    // ---- Weld, snap, set coordinate, winding ----

    // Corners passing the test (unlocked ones) closer than epsilon (UV units) to an
    // earlier one take its UV; Changed when a corner was welded.
    EditResult weld(float epsilon, CornerTest test);
    // The editable corners move to target (UV units; Unchanged when null); Changed when there
    // was one.
    EditResult snapTogether(const UVPoint* target);
    // The editable corners take (u, v) (UV units); no undo group of its own, EndEdit
    // only after a change. It compares: Changed when a corner's UV really changed.
    EditResult setCoordinate(float u, float v);
    // Faces passing faceFilter and faces swap the UVs of corners 0 and 1; Changed when a
    // face passed.
    EditResult reverseWinding(FaceFilter faces);

    // ---- Projection mappings: passing, unlocked corners from their vertices' positions ----
    // rect is the target the projection is fitted into. planarMap projects along
    // direction (stretched to fill rect); the others use frame's rows 0 to 2 as axes and
    // row 3 as origin: boxMap along the axis each face's normal follows most (a 3 x 2
    // layout of rect, aspect kept), cylindricalMap and sphericalMap around its z axis.
    // A null direction, frame or rect answers Unchanged; Changed when a corner was projected.
    EditResult planarMap(const Vector3* direction, const float rect[4], CornerTest test, bool recordUndo);
    EditResult boxMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo);
    EditResult cylindricalMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo);
    EditResult sphericalMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo);
};
