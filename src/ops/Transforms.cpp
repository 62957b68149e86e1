// Move, scale, rotate and mirror of UV corners: a matrix applied to (u, v, 0), either to
// the drag snapshot (every drag step starts afresh from the drag's start) or in place.
#include "EditProtocol.h"

namespace {

// Corner c takes (u, v, 0) x M; the third component is dropped.
inline void transformCorner(const Matrix4& m, float u, float v, FaceRecord& face, int c) {
    face.uv[c][0] = u * m.m[0] + v * m.m[4] + m.m[12];
    face.uv[c][1] = u * m.m[1] + v * m.m[5] + m.m[13];
}

// T(-p) x middle x T(p): middle applied about the pivot.
Matrix4 aboutPivot(const Matrix4& middle, const UVPoint& p) {
    Matrix4 m = translation(-p.u, -p.v, 0.0f);
    m.multiply(middle);
    m.multiply(translation(p.u, p.v, 0.0f));
    return m;
}

Matrix4 scaleMatrix(float sx, float sy, const UVPoint& p) {
    Matrix4 s;
    s.setScale(sx, sy, 1.0f);
    return aboutPivot(s, p);
}

Matrix4 rotationMatrix(float angle, const UVPoint& p) {
    Matrix4 r;
    r.setRotationZ(angle);
    return aboutPivot(r, p);
}

}  // namespace

EditResult UVModel::applySnapshotTransform(const Matrix4& matrix, CornerTest test,
                                     bool recordUndo, const wchar_t* description) {
    UVEdit edit(*this, undoableSteps(description, EDIT_FACE_DATA, recordUndo));
    const CornerTest movable = test.unlocked();
    const FaceFilter filter = faceFilter;
    for (const SnapshotEntry& entry : snapshot) {
        // The face array may have shrunk since the drag started.
        if (entry.faceIndex >= uint32_t(edit.faceCount())) continue;
        FaceRecord& face = edit.face(int(entry.faceIndex));
        if (!filter.passes(face.flags)) continue;
        for (int c = 0; c < 3; ++c) {
            if (!movable.passes(face.flags, c)) continue;
            transformCorner(matrix, entry.uv[c][0], entry.uv[c][1], face, c);
            ++edit.changed;
        }
    }
    return edit.finish();
}

EditResult UVModel::applyTransform(const Matrix4& matrix, CornerTest test,
                             bool recordUndo, const wchar_t* description) {
    UVEdit edit(*this, undoableSteps(description, EDIT_FACE_DATA, recordUndo));
    edit.forEachCorner(test.unlocked(), [&](FaceRecord& face, int c) {
        transformCorner(matrix, face.uv[c][0], face.uv[c][1], face, c);
        ++edit.changed;
    });
    return edit.finish();
}

EditResult UVModel::moveSnapshot(float du, float dv, CornerTest test,
                           bool recordUndo) {
    return applySnapshotTransform(translation(du, dv, 0.0f), test, recordUndo,
                                  L"Move UV Coords");
}

EditResult UVModel::scaleSnapshot(float sx, float sy, CornerTest test,
                            bool recordUndo, const UVPoint* pivotPoint) {
    return applySnapshotTransform(scaleMatrix(sx, sy, pivotPoint ? *pivotPoint : pivot), test, recordUndo, L"Scale UV Coords");
}

EditResult UVModel::rotateSnapshot(float angle, CornerTest test, bool recordUndo,
                             const UVPoint* pivotPoint) {
    return applySnapshotTransform(rotationMatrix(angle, pivotPoint ? *pivotPoint : pivot), test, recordUndo, L"Rotate UV Coords");
}

// The in-place operations do nothing at all for an identity transform.
EditResult UVModel::move(float du, float dv, CornerTest test, bool recordUndo) {
    if (du == 0.0f && dv == 0.0f) return EditResult::Unchanged;
    return applyTransform(translation(du, dv, 0.0f), test, recordUndo,
                          L"Move UV Coords");
}

EditResult UVModel::scale(float sx, float sy, CornerTest test, bool recordUndo,
                    const UVPoint* pivotPoint) {
    if (sx == 1.0f && sy == 1.0f) return EditResult::Unchanged;
    return applyTransform(scaleMatrix(sx, sy, pivotPoint ? *pivotPoint : pivot), test, recordUndo, L"Scale UV Coords");
}

EditResult UVModel::rotate(float angle, CornerTest test, bool recordUndo,
                     const UVPoint* pivotPoint) {
    if (angle == 0.0f) return EditResult::Unchanged;
    return applyTransform(rotationMatrix(angle, pivotPoint ? *pivotPoint : pivot), test, recordUndo, L"Rotate UV Coords");
}

EditResult UVModel::mirror(MirrorAxes axes, CornerTest test, bool recordUndo, const UVPoint* pivotPoint) {
    if (!axes.u && !axes.v) return EditResult::Unchanged;
    if (!pivotPoint) return EditResult::Unchanged;
    return applyTransform(scaleMatrix(axes.u ? -1.0f : 1.0f, axes.v ? -1.0f : 1.0f, *pivotPoint),
                          test, recordUndo, L"Mirror UV Coords");
}
