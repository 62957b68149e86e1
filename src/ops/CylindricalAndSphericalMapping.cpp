// Cylindrical and spherical mapping: u is the angle around the frame's z axis, measured
// from -y towards +x; v is the height along the axis (cylinder) or the axial component
// of the direction from the origin (sphere). Triangles that come out counter-clockwise
// straddle the wrap-around and get their low corners moved one turn up before fitting.
#include "ProjectionFit.h"

#include <model/Angles.h>

#include <cmath>

namespace {

constexpr float TWO_PI = 6.2831855f;
constexpr float ONE_OVER_TWO_PI = 0.15915494f;
constexpr float AXIS_THRESHOLD = 0.0001f;
constexpr float SEAM_THRESHOLD = 0.5f;
constexpr float SEAM_SHIFT = 1.0f;

struct WrapFrame {
    Vector3 origin, x, y, z;

    explicit WrapFrame(const Matrix4& m)
        : origin(m.row(3)), x(m.row(0).normalized()), y(m.row(1).normalized()), z(m.row(2).normalized()) {}

    // 0 towards -y, 0.25 towards +x, 0.5 towards +y, 0.75 towards -x.
    float angleOf(const Vector3& radial) const {
        Vector3 r;
        const float zz = z.dot(z);
        if (zz <= -AXIS_THRESHOLD || zz >= AXIS_THRESHOLD) {
            const float along = radial.dot(z);
            r = radial.minus(Vector3(z.x * along / zz, z.y * along / zz, z.z * along / zz));
        }
        // Without a usable axis (or on it) the raw radial vector decides.
        r = r.dot(r) > 0.0f ? r.normalized() : radial;
        float c = r.dot(y);
        if (c < -1.0f) c = -1.0f;
        if (c > 1.0f) c = 1.0f;
        float a = arcCosine(-c);
        if (r.dot(x) < 0.0f) a = -a;
        if (a < 0.0f) a = a + TWO_PI;
        return a * ONE_OVER_TWO_PI;
    }

    UVPoint cylindrical(const Vector3& p) const {
        const Vector3 d = p.minus(origin);
        const float along = z.dot(d.normalized());
        const float h = along == 0.0f ? 0.0f : d.length() * along;
        const Vector3 foot(origin.x + z.x * h, origin.y + z.y * h, origin.z + z.z * h);
        return {angleOf(p.minus(foot)), h};
    }

    UVPoint spherical(const Vector3& p) const {
        Vector3 d = p.minus(origin);
        if (d.dot(d) > 0.0f && d.length() != 0.0f) d = d.dividedBy(d.length());
        return {angleOf(d), z.dot(d) * ONE_OVER_TWO_PI};
    }
};

// Projection and seam, measured in one walk, then fitting; project(frame, position)
// gives the raw (u, v). Each vertex is projected once, however many corners share it.
template <class Project>
bool wrapMap(UVModel& model, const wchar_t* description, const Matrix4* frameMatrix, const float rect[4],
             CornerTest test, bool recordUndo, Project project) {
    if (!frameMatrix || !rect) return false;
    UVEdit edit(model, undoableSteps(description, EDIT_FACE_DATA, recordUndo));
    const CornerTest movable = test.unlocked();
    const WrapFrame frame(*frameMatrix);

    const VertexProjections vertexUVs(model.scratch, edit, [&](const Vector3& p) { return project(frame, p); });
    if (!vertexUVs.ready()) {
        edit.finish();
        return false;
    }

    // The face's corners projected, the others as they are; unshifted keeps the
    // projections before the seam shift, which the bounds take in as well.
    auto projectFace = [&](const FaceRecord& face, UVPoint* unshifted) {
        ProjectedFace projected;
        projectCorners(edit, face, movable, projected, [&](unsigned index) { return vertexUVs.of(index); });
        for (int c = 0; c < 3; ++c) {
            if (!projected.projected(c)) projected.uv[c] = cornerUV(face, c);
            if (unshifted) unshifted[c] = projected.uv[c];
        }
        // The orientation counts all three corners, projected or not, before any shift.
        if (uvCross(projected.uv[0], projected.uv[1], projected.uv[2]) > 0.0f) {
            for (int c = 0; c < 3; ++c)
                if (projected.projected(c) && projected.uv[c].u < SEAM_THRESHOLD)
                    projected.uv[c].u = projected.uv[c].u + SEAM_SHIFT;
        }
        return projected;
    };

    UVRange range;
    edit.forEachFace([&](FaceRecord& face, int) {
        UVPoint unshifted[3];
        const ProjectedFace projected = projectFace(face, unshifted);
        for (int c = 0; c < 3; ++c) {
            if (!projected.projected(c)) continue;
            range.add(unshifted[c]);
            range.addU(projected.uv[c].u);  // the same u again when not shifted: no change
        }
    });
    const Matrix4 fit = stretchFit(range, rect);
    writeFitted(edit, &fit, [&](const FaceRecord& face, int) { return projectFace(face, nullptr); });
    edit.finish();
    return true;
}

}  // namespace

bool UVModel::cylindricalMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo) {
    return wrapMap(*this, L"Cylindrical UV Mapping", frame, rect, test, recordUndo,
                   [](const WrapFrame& f, const Vector3& p) { return f.cylindrical(p); });
}

bool UVModel::sphericalMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo) {
    return wrapMap(*this, L"Spherical UV Mapping", frame, rect, test, recordUndo,
                   [](const WrapFrame& f, const Vector3& p) { return f.spherical(p); });
}
