// Planar mapping: the selected corners' vertices projected along one direction and
// stretched into the target rectangle; with the average normal ("Best Match") and the
// selection centroid that the direction commands put at the frame's origin.
#include "ProjectionFit.h"

bool UVModel::averageNormal(Vector3& normal, CornerTest test) {
    UVWalk walk(mesh.Get(), faceFilter);
    Vector3 sum;
    Vector3 last;
    bool any = false;
    walk.forEachCorner(test.unlocked(), [&](FaceRecord& face, int) {
        const Vector3 n = faceNormal(face);
        sum = Vector3(sum.x + n.x, sum.y + n.y, sum.z + n.z);
        last = n;
        any = true;
    });
    walk.unlock();
    if (!any) return false;
    // Opposite normals cancel out; the last face then decides.
    if (sum.x * sum.x + sum.y * sum.y + sum.z * sum.z == 0.0f) sum = last;
    normal = sum.normalized();
    return true;
}

Vector3 UVModel::selectionCentroid() {
    // Every face, hidden or filtered out or not, and each editable corner once.
    UVWalk walk(mesh.Get(), FACE_FILTER_OFF);
    double x = 0.0, y = 0.0, z = 0.0;
    int count = 0;
    walk.forEachCorner(CORNERS_EDITABLE, [&](FaceRecord& face, int c) {
        const VertexRecord* vertex = walk.vertexOf(face, c);
        if (!vertex) return;
        x += vertex->position[0];
        y += vertex->position[1];
        z += vertex->position[2];
        ++count;
    });
    if (count == 0) return Vector3();
    return Vector3(float(x / count), float(y / count), float(z / count));
}

EditResult UVModel::planarMap(const Vector3* direction, const float rect[4], CornerTest test, bool recordUndo) {
    if (!direction || !rect) return EditResult::Unchanged;
    UVEdit edit(*this, undoableSteps(L"Planar UV Mapping", EDIT_FACE_DATA, recordUndo));
    const CornerTest movable = test.unlocked();
    Matrix4 frame;
    frame.orientToAxis(*direction, 0.0f);
    const Matrix4 intoFrame = frame.inverse();

    return edit.run([&] {
        VertexProjections vertexUVs(scratch, edit, [&](UVPoint* out, int count) {
            for (int i = 0; i < count; ++i) {
                const Vector3 p = intoFrame.transformPoint(positionOf(edit.vertex(i)));
                out[i] = {p.x, p.y};
            }
        });
        uint8_t* marks = takeFaceMarks(scratch, edit.faceCount());
        if (!vertexUVs.ready() || !marks) throw std::bad_alloc();
        UVRange range;
        edit.forEachFace([&](FaceRecord& face, int index) {
            ProjectedFace projected;
            projectCorners(edit, face, movable, projected, [&](unsigned vertex) { return vertexUVs.of(vertex); });
            marks[index] = uint8_t(projected.corners);
            for (int c = 0; c < 3; ++c)
                if (projected.projected(c)) range.add(projected.uv[c]);
        });
        vertexUVs.fitAll(stretchFit(range, rect));
        writeMarked(edit, marks, [&](unsigned vertex, unsigned, int) { return vertexUVs.fittedOf(vertex); });
    });
}
