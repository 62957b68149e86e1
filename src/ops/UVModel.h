// The editor's working model: the host mesh and document it edits, the face filter
// every operation applies, the drag snapshot and the default pivot. The operations are
// members; they edit the host's records in place and return a success flag or a count.
//
// Writing an operation (src/ops/<Subject>.cpp): open a UVEdit (ops/EditProtocol.h) with
// the operation's EditSteps: the description, the BeginEdit numbers and the protocol's
// variations (group or not, BeginEdit after the lock, when EndEdit is called, whether the
// change-in-progress counter is raised). Its constructor makes the opening host calls and
// locks the records. Walk with forEachFace / forEachCorner (face filter and corner test
// applied, array order), add what you changed to `changed`, then call finish(): it
// unlocks, ends the undo group with keep = changed > 0 and calls EndEdit as the steps say.
// A vertex index is host data: reach a corner's vertex only through vertexOf(), which
// answers null for an index at or beyond the vertex count. Read-only queries use
// UVWalk alone. Walks allocate nothing; working memory is taken before the walk.
//
//     bool UVModel::snapTogether(const UVPoint* target) {
//         UVEdit edit(*this, {L"Snap Together UV Coords", EDIT_FACE_DATA});
//         edit.forEachCorner(0x0248, 0x0040, [&](FaceRecord& face, int c) {
//             face.uv[c][0] = target->u; face.uv[c][1] = target->v; ++edit.changed;
//         });
//         edit.finish();
//         return true;
//     }
#pragma once

#include "ScratchArray.h"
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

// Modifier of the picking operations.
enum : int { PICK_REPLACE = 0, PICK_TOGGLE = 1, PICK_ADD = 2 };

struct UVModel {
    UVPoint pivot{0.5f, 0.5f};
    FaceFilter faceFilter = FACE_FILTER_ALL;
    HostRef<HostMesh> mesh;
    HostRef<HostDocument> document;
    GrowArray<SnapshotEntry> snapshot;
    UVModelOwner* owner = nullptr;

    // Working memory the operations keep between calls; it only grows.
    struct Scratch {
        UVPointGrid grid;                // weld and count distinct
        ScratchArray<UVPoint> vertexUVs; // a projection's (u, v) per vertex
        ScratchArray<uint8_t> bytes;     // per vertex or per face marks
    } scratch;

    // Queries: no undo, no notification.
    // rect = (min u, min v, max u, max v) of the filtered corners passing the test.
    bool bounds(uint16_t cornerMask, uint16_t cornerValue, float rect[4]);
    int countCorners(uint16_t cornerMask, uint16_t cornerValue);

    // Drag snapshot of every face with a selected corner, from the given mesh.
    void fillSnapshot(HostMesh* fromMesh);
    // Empties the snapshot but keeps its storage for the next drag.
    void clearSnapshot() { snapshot.removeAll(); }

    // Transforms. The mask gets 0x0200 added: locked corners never move. A null pivot
    // means `pivot`.
    bool moveSnapshot(float du, float dv, uint16_t cornerMask, uint16_t cornerValue, bool recordUndo);
    bool scaleSnapshot(float sx, float sy, uint16_t cornerMask, uint16_t cornerValue, bool recordUndo,
                       const UVPoint* pivotPoint);
    bool rotateSnapshot(float angle, uint16_t cornerMask, uint16_t cornerValue, bool recordUndo,
                        const UVPoint* pivotPoint);
    bool move(float du, float dv, uint16_t cornerMask, uint16_t cornerValue, bool recordUndo);
    bool scale(float sx, float sy, uint16_t cornerMask, uint16_t cornerValue, bool recordUndo,
               const UVPoint* pivotPoint);
    bool rotate(float angle, uint16_t cornerMask, uint16_t cornerValue, bool recordUndo,
                const UVPoint* pivotPoint);
    bool mirror(bool flipU, bool flipV, uint16_t cornerMask, uint16_t cornerValue, bool recordUndo,
                const UVPoint* pivotPoint);
    bool applySnapshotTransform(const Matrix4& matrix, uint16_t cornerMask, uint16_t cornerValue,
                                bool recordUndo, const wchar_t* description);
    bool applyTransform(const Matrix4& matrix, uint16_t cornerMask, uint16_t cornerValue,
                        bool recordUndo, const wchar_t* description);

    // Selection, visibility, lock, groups and material.
    int setCornerFlags(uint16_t changeMask, uint16_t newValue, uint16_t testMask, uint16_t testValue,
                       bool recordUndo, bool notify, const wchar_t* description, bool sync);
    bool selectAll(bool select, bool sync, bool recordUndo = true, bool notify = true);
    bool invertSelection(bool sync);
    bool expandSelection(bool sync);
    bool contractSelection(bool sync);
    // rect = (uMin, vMin, uMax, vMax); returns the number of corners changed.
    int selectCoords(const float rect[4], float radius, int modifier, bool sync);
    // Returns the number of faces picked plus corners cleared.
    int selectTriangles(const float rect[4], int modifier, bool sync);
    bool invertHidden();
    bool assignGroup(uint16_t groupMask, uint16_t groupValue, uint16_t testMask, uint16_t testValue);
    bool selectGroup(uint16_t groupMask, uint16_t groupValue, int modifier, bool sync);
    bool setMaterial(uint32_t material, uint16_t faceMask, uint16_t faceValue);

    // Weld, snap together, set coordinate, reverse winding, count distinct.
    bool weld(float epsilon, uint16_t cornerMask, uint16_t cornerValue);
    bool snapTogether(const UVPoint* target);
    bool setCoordinate(float u, float v);
    bool reverseWinding(uint16_t faceMask, uint16_t faceValue);
    // The number of distinct positions among the editable corners, counted no further
    // than atMost (the editor only asks whether there is exactly one, which needs no
    // working memory); 0 when atMost is not positive or working memory is lacking.
    int countDistinct(float epsilon, int atMost = INT32_MAX);

    // Projection mappings; rect = target (min u, min v, max u, max v).
    bool averageNormal(Vector3& normal, uint16_t cornerMask, uint16_t cornerValue);
    Vector3 selectionCentroid();
    bool planarMap(const Vector3* direction, const float rect[4], uint16_t cornerMask,
                   uint16_t cornerValue, bool recordUndo);
    bool boxMap(const Matrix4* frame, const float rect[4], uint16_t cornerMask, uint16_t cornerValue,
                bool recordUndo);
    bool cylindricalMap(const Matrix4* frame, const float rect[4], uint16_t cornerMask,
                        uint16_t cornerValue, bool recordUndo);
    bool sphericalMap(const Matrix4* frame, const float rect[4], uint16_t cornerMask,
                      uint16_t cornerValue, bool recordUndo);
};
