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

// The frame's axes and the projections, four vertices at a time.
struct WrapFrame {
    Vector3x4 origin, x, y, z;
    float zz;  // z . z: 1 or near it, unless the frame's z row is (near) zero

    static Vector3x4 splat(const Vector3& v) { return Vector3x4::splat(v.x, v.y, v.z); }
    explicit WrapFrame(const Matrix4& m)
        : origin(splat(m.row(3))), x(splat(m.row(0).normalized())), y(splat(m.row(1).normalized())),
          z(splat(m.row(2).normalized())), zz(m.row(2).normalized().lengthSquared()) {}

    // 0 towards -y, 0.25 towards +x, 0.5 towards +y, 0.75 towards -x.
    Floats4 angleOf(const Vector3x4& radial) const {
        const Floats4 zero = _mm_setzero_ps();
        Vector3x4 r{zero, zero, zero};
        if (zz <= -AXIS_THRESHOLD || zz >= AXIS_THRESHOLD) {
            const Floats4 along = radial.dot(z);
            Vector3x4 axial{_mm_mul_ps(z.x, along), _mm_mul_ps(z.y, along), _mm_mul_ps(z.z, along)};
            // Dividing by exactly 1 changes nothing, and a unit axis usually has zz == 1.
            if (zz != 1.0f) axial = axial.dividedBy(_mm_set1_ps(zz));
            r = radial.minus(axial);
        }
        // Without a usable axis (or on it) the raw radial vector decides.
        const Floats4 rr = r.dot(r);
        r = select(_mm_cmpgt_ps(rr, zero), r.dividedBy(_mm_sqrt_ps(rr)), radial);
        Floats4 c = r.dot(y);
        c = _mm_min_ps(_mm_set1_ps(1.0f), _mm_max_ps(_mm_set1_ps(-1.0f), c));  // NaN passes through
        Floats4 a = arcCosine(_mm_xor_ps(c, _mm_set1_ps(-0.0f)));
        a = select(_mm_cmplt_ps(r.dot(x), zero), _mm_xor_ps(a, _mm_set1_ps(-0.0f)), a);
        a = select(_mm_cmplt_ps(a, zero), _mm_add_ps(a, _mm_set1_ps(TWO_PI)), a);
        return _mm_mul_ps(a, _mm_set1_ps(ONE_OVER_TWO_PI));
    }

    // u around the axis, v the height along it.
    void cylindrical(const Vector3x4& p, Floats4& u, Floats4& v) const {
        const Floats4 zero = _mm_setzero_ps();
        const Vector3x4 d = p.minus(origin);
        const Floats4 length = _mm_sqrt_ps(d.dot(d));
        const Floats4 along = z.dot(select(_mm_cmpeq_ps(length, zero), d, d.dividedBy(length)));
        const Floats4 h = _mm_andnot_ps(_mm_cmpeq_ps(along, zero), _mm_mul_ps(length, along));
        const Vector3x4 foot{_mm_add_ps(origin.x, _mm_mul_ps(z.x, h)), _mm_add_ps(origin.y, _mm_mul_ps(z.y, h)),
                             _mm_add_ps(origin.z, _mm_mul_ps(z.z, h))};
        u = angleOf(p.minus(foot));
        v = h;
    }

    // u around the axis, v the axial part of the unit direction from the origin.
    void spherical(const Vector3x4& p, Floats4& u, Floats4& v) const {
        const Floats4 zero = _mm_setzero_ps();
        Vector3x4 d = p.minus(origin);
        const Floats4 squared = d.dot(d), length = _mm_sqrt_ps(squared);
        d = select(_mm_and_ps(_mm_cmpgt_ps(squared, zero), _mm_cmpneq_ps(length, zero)), d.dividedBy(length), d);
        u = angleOf(d);
        v = _mm_mul_ps(z.dot(d), _mm_set1_ps(ONE_OVER_TWO_PI));
    }
};

// Every vertex's (u, v), sixteen at a time in four blocks of four, whose long chains of
// dependent steps then overlap; past the end the last vertex is repeated.
template <class Project>
void projectVertices(UVWalk& walk, UVPoint* out, int count, Project&& project) {
    constexpr int BLOCKS = 4;
    for (int i = 0; i < count; i += 4 * BLOCKS) {
        Vector3x4 p[BLOCKS];
        for (int b = 0; b < BLOCKS; ++b) {
            alignas(16) float px[4], py[4], pz[4];
            for (int k = 0; k < 4; ++k) {
                const int n = i + 4 * b + k;
                const VertexRecord& vertex = walk.vertex(n < count ? n : count - 1);
                px[k] = vertex.position[0];
                py[k] = vertex.position[1];
                pz[k] = vertex.position[2];
            }
            p[b] = Vector3x4{_mm_load_ps(px), _mm_load_ps(py), _mm_load_ps(pz)};
        }
        Floats4 u[BLOCKS], v[BLOCKS];
        for (int b = 0; b < BLOCKS; ++b) project(p[b], u[b], v[b]);
        for (int b = 0; b < BLOCKS; ++b) {
            alignas(16) UVPoint uv[4];
            _mm_store_ps(&uv[0].u, _mm_unpacklo_ps(u[b], v[b]));
            _mm_store_ps(&uv[2].u, _mm_unpackhi_ps(u[b], v[b]));
            for (int k = 0; k < 4 && i + 4 * b + k < count; ++k) out[i + 4 * b + k] = uv[k];
        }
    }
}

// Projection and seam, measured in one walk, then fitting; project(frame, position)
// gives the raw (u, v). Each vertex is projected once, however many corners share it.
template <class Project>
EditResult wrapMap(UVModel& model, const wchar_t* description, const Matrix4* frameMatrix, const float rect[4],
             CornerTest test, bool recordUndo, Project project) {
    if (!frameMatrix || !rect) return EditResult::Unchanged;
    UVEdit edit(model, undoableSteps(description, EDIT_FACE_DATA, recordUndo));
    const CornerTest movable = test.unlocked();
    const WrapFrame frame(*frameMatrix);

    return edit.run([&] {
        VertexProjections vertexUVs(model.scratch, edit, [&](UVPoint* out, int count) {
            projectVertices(edit, out, count, [&](const Vector3x4& p, Floats4& u, Floats4& v) { project(frame, p, u, v); });
        });
        uint8_t* marks = takeFaceMarks(model.scratch, edit.faceCount());
        if (!vertexUVs.ready() || !marks) throw std::bad_alloc();

        // The face's corners projected, the others as they are; the bounds take in the
        // projections before the seam shift as well as after. The mark keeps which corners
        // were shifted.
        UVRange range;
        edit.forEachFace([&](FaceRecord& face, int index) {
            ProjectedFace projected;
            projectCorners(edit, face, movable, projected, [&](unsigned vertex) { return vertexUVs.of(vertex); });
            if (!projected.corners) return;
            for (int c = 0; c < 3; ++c)
                if (!projected.projected(c)) projected.uv[c] = cornerUV(face, c);
            // The orientation counts all three corners, projected or not, before any shift.
            unsigned shifted = 0;
            if (uvCross(projected.uv[0], projected.uv[1], projected.uv[2]) > 0.0f)
                for (int c = 0; c < 3; ++c)
                    if (projected.projected(c) && projected.uv[c].u < SEAM_THRESHOLD) shifted |= 1u << c;
            for (int c = 0; c < 3; ++c) {
                if (!projected.projected(c)) continue;
                range.add(projected.uv[c]);
                if ((shifted >> c) & 1u) range.addU(projected.uv[c].u + SEAM_SHIFT);
            }
            marks[index] = uint8_t(projected.corners | (shifted << MARK_SHIFT));
        });
        const Matrix4 fit = stretchFit(range, rect);
        vertexUVs.fitAll(fit);
        writeMarked(edit, marks, [&](unsigned vertex, unsigned mark, int c) {
            if (!((mark >> (MARK_SHIFT + c)) & 1u)) return vertexUVs.fittedOf(vertex);
            const UVPoint p = vertexUVs.of(vertex);
            return fitted(fit, {p.u + SEAM_SHIFT, p.v});
        });
    });
}

}  // namespace

EditResult UVModel::cylindricalMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo) {
    return wrapMap(*this, L"Cylindrical UV Mapping", frame, rect, test, recordUndo,
                   [](const WrapFrame& f, const Vector3x4& p, Floats4& u, Floats4& v) { f.cylindrical(p, u, v); });
}

EditResult UVModel::sphericalMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo) {
    return wrapMap(*this, L"Spherical UV Mapping", frame, rect, test, recordUndo,
                   [](const WrapFrame& f, const Vector3x4& p, Floats4& u, Floats4& v) { f.spherical(p, u, v); });
}
