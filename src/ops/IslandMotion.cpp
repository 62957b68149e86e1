// Rigid motions of islands and their least-squares fit (two-dimensional Procrustes: the
// best turn is the direction of the summed cross-covariance, read as a complex number).
#include "IslandMotion.h"

#include <cfloat>
#include <cmath>

namespace islands {

Motion Motion::inverse() const {
    const double scale2 = a * a + b * b;
    if (!(scale2 > 0)) return {};
    Motion m;
    // R^-1 = conj(R) / |R|^2, then the mirror again (it is its own inverse).
    const double ia = a / scale2, ib = -b / scale2;
    const double u = -(ia * tu - ib * tv), v = -(ib * tu + ia * tv);
    m.mirror = mirror;
    m.a = ia, m.b = mirror ? -ib : ib;
    m.tu = u, m.tv = mirror ? -v : v;
    return m;
}

Motion Motion::after(const Motion& first) const {
    // this(first(p)): mirror M, turn R: R2 M2 (R1 M1 p + t1) + t2, and M R = conj(R) M.
    Motion m;
    const double fa = first.a, fb = mirror ? -first.b : first.b;
    m.a = a * fa - b * fb;
    m.b = a * fb + b * fa;
    m.mirror = mirror != first.mirror;
    apply(first.tu, first.tv, m.tu, m.tv);
    return m;
}

Motion turnAbout(double cu, double cv, double radians) {
    Motion m;
    m.a = std::cos(radians), m.b = std::sin(radians);
    m.tu = cu - (m.a * cu - m.b * cv);
    m.tv = cv - (m.b * cu + m.a * cv);
    return m;
}

Motion fitMotion(const PointPairs& pairs, bool mirror, Fit fit) {
    const bool withScale = fit == Fit::TurnAndScale;
    Motion m;
    m.mirror = mirror;
    const size_t n = pairs.size();
    if (n == 0) return m;
    const double sign = mirror ? -1.0 : 1.0;
    double fu = 0, fv = 0, tu = 0, tv = 0;
    for (size_t i = 0; i < n; ++i) {
        fu += pairs.from[2 * i], fv += sign * pairs.from[2 * i + 1];
        tu += pairs.to[2 * i], tv += pairs.to[2 * i + 1];
    }
    fu /= double(n), fv /= double(n), tu /= double(n), tv /= double(n);
    double re = 0, im = 0, spread = 0;
    for (size_t i = 0; i < n; ++i) {
        const double pu = pairs.from[2 * i] - fu, pv = sign * pairs.from[2 * i + 1] - fv;
        const double qu = pairs.to[2 * i] - tu, qv = pairs.to[2 * i + 1] - tv;
        re += pu * qu + pv * qv, im += pu * qv - pv * qu, spread += pu * pu + pv * pv;
    }
    const double length = std::hypot(re, im);
    if (spread > 0 && length > 0 && std::isfinite(length) && std::isfinite(spread)) {
        const double scale = withScale ? length / spread : 1.0;
        m.a = re / length * scale, m.b = im / length * scale;
    }
    m.tu = tu - (m.a * fu - m.b * fv);
    m.tv = tv - (m.b * fu + m.a * fv);
    return m;
}

int moveMembers(UVWalk& walk, const FaceSet& set, const int* members, int count, const Motion& motion) {
    auto moved = [&](const FaceRecord& face, int c, double& u, double& v) {
        motion.apply(face.uv[c][0], face.uv[c][1], u, v);
        return std::fabs(u) <= FLT_MAX && std::fabs(v) <= FLT_MAX;
    };
    for (int k = 0; k < count; ++k) {
        const FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c)
            if (double u, v; !moved(face, c, u, v)) return 0;
    }
    int written = 0;
    for (int k = 0; k < count; ++k) {
        FaceRecord& face = walk.face(set.faces[size_t(members[k])]);
        for (int c = 0; c < 3; ++c) {
            double u, v;
            moved(face, c, u, v);
            written += writeUV(face, c, u, v);
        }
    }
    return written;
}

bool anyLocked(UVWalk& walk, const FaceSet& set, const int* members, int count) {
    for (int k = 0; k < count; ++k)
        if (walk.face(set.faces[size_t(members[k])]).flags & UV_LOCKED_ALL) return true;
    return false;
}

bool allFinite(const FaceSet& set, const int* members, int count) {
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < 6; ++i)
            if (!std::isfinite(set.uv[6 * size_t(members[k]) + size_t(i)])) return false;
    return true;
}

}  // namespace islands
