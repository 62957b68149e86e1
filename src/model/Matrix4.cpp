#include "Matrix4.h"

#include "Angles.h"

#include <cmath>

void Matrix4::setIdentity() {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void Matrix4::multiply(const Matrix4& b) {
    float r[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += m[4 * row + k] * b.m[4 * k + col];
            r[4 * row + col] = sum;
        }
    for (int i = 0; i < 16; ++i) m[i] = r[i];
}

// 2 x 2 minors of rows 0-1 (s) and rows 2-3 (c), shared by the determinant and the adjugate.
namespace {
struct Minors {
    float s0, s1, s2, s3, s4, s5, c0, c1, c2, c3, c4, c5;
    explicit Minors(const float* a) {
        s0 = a[0] * a[5] - a[4] * a[1];
        s1 = a[0] * a[6] - a[4] * a[2];
        s2 = a[0] * a[7] - a[4] * a[3];
        s3 = a[1] * a[6] - a[5] * a[2];
        s4 = a[1] * a[7] - a[5] * a[3];
        s5 = a[2] * a[7] - a[6] * a[3];
        c5 = a[10] * a[15] - a[14] * a[11];
        c4 = a[9] * a[15] - a[13] * a[11];
        c3 = a[9] * a[14] - a[13] * a[10];
        c2 = a[8] * a[15] - a[12] * a[11];
        c1 = a[8] * a[14] - a[12] * a[10];
        c0 = a[8] * a[13] - a[12] * a[9];
    }
    float determinant() const { return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0; }
};
}  // namespace

float Matrix4::determinant() const { return Minors(m).determinant(); }

void Matrix4::invert(float det) {
    if (det == 0.0f) return;
    const float* a = m;
    Minors k(a);
    float r[16];
    r[0] = a[5] * k.c5 - a[6] * k.c4 + a[7] * k.c3;
    r[1] = -a[1] * k.c5 + a[2] * k.c4 - a[3] * k.c3;
    r[2] = a[13] * k.s5 - a[14] * k.s4 + a[15] * k.s3;
    r[3] = -a[9] * k.s5 + a[10] * k.s4 - a[11] * k.s3;
    r[4] = -a[4] * k.c5 + a[6] * k.c2 - a[7] * k.c1;
    r[5] = a[0] * k.c5 - a[2] * k.c2 + a[3] * k.c1;
    r[6] = -a[12] * k.s5 + a[14] * k.s2 - a[15] * k.s1;
    r[7] = a[8] * k.s5 - a[10] * k.s2 + a[11] * k.s1;
    r[8] = a[4] * k.c4 - a[5] * k.c2 + a[7] * k.c0;
    r[9] = -a[0] * k.c4 + a[1] * k.c2 - a[3] * k.c0;
    r[10] = a[12] * k.s4 - a[13] * k.s2 + a[15] * k.s0;
    r[11] = -a[8] * k.s4 + a[9] * k.s2 - a[11] * k.s0;
    r[12] = -a[4] * k.c3 + a[5] * k.c1 - a[6] * k.c0;
    r[13] = a[0] * k.c3 - a[1] * k.c1 + a[2] * k.c0;
    r[14] = -a[12] * k.s3 + a[13] * k.s1 - a[14] * k.s0;
    r[15] = a[8] * k.s3 - a[9] * k.s1 + a[10] * k.s0;
    for (int i = 0; i < 16; ++i) m[i] = r[i] / det;
}

Matrix4 Matrix4::inverse() const {
    Matrix4 r = *this;
    r.invert(determinant());
    return r;
}

static void setZero(float* m) {
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
}

void Matrix4::setRotationX(float a) {
    setZero(m);
    float c = std::cos(a), s = std::sin(a);
    m[0] = m[15] = 1.0f;
    m[5] = c;
    m[6] = s;
    m[9] = -s;
    m[10] = c;
}

void Matrix4::setRotationY(float a) {
    setZero(m);
    float c = std::cos(a), s = std::sin(a);
    m[5] = m[15] = 1.0f;
    m[0] = c;
    m[2] = -s;
    m[8] = s;
    m[10] = c;
}

void Matrix4::setRotationZ(float a) {
    setZero(m);
    float c = std::cos(a), s = std::sin(a);
    m[10] = m[15] = 1.0f;
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
}

void Matrix4::setTranslation(float x, float y, float z) {
    setIdentity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
}

void Matrix4::setScale(float sx, float sy, float sz) {
    setZero(m);
    m[0] = sx;
    m[5] = sy;
    m[10] = sz;
    m[15] = 1.0f;
}

void Matrix4::setRow(int r, const Vector3& v, float w) {
    m[4 * r] = v.x;
    m[4 * r + 1] = v.y;
    m[4 * r + 2] = v.z;
    m[4 * r + 3] = w;
}

void Matrix4::fromRows(const Vector3& xAxis, const Vector3& yAxis, const Vector3& zAxis,
                       const Vector3& origin) {
    setRow(0, xAxis, 0.0f);
    setRow(1, yAxis, 0.0f);
    setRow(2, zAxis, 0.0f);
    setRow(3, origin, 1.0f);
}

void Matrix4::orientToAxis(const Vector3& direction, float rollDegrees) {
    Vector3 axis(0.0f, 0.0f, 1.0f);
    if (!(direction.lengthSquared() < DIRECTION_THRESHOLD)) axis = direction.dividedBy(direction.length());
    Vector3 up(0.0f, 1.0f, 0.0f);
    if (std::fabs(axis.x) < DIRECTION_THRESHOLD && std::fabs(axis.z) < DIRECTION_THRESHOLD)
        up = Vector3(0.0f, 0.0f, -1.0f);
    Vector3 xAxis = up.cross(axis).normalized();
    Vector3 yAxis = xAxis.cross(axis).normalized().negated();
    Matrix4 frame;
    frame.fromRows(xAxis, yAxis, axis, Vector3());
    setRotationZ(float(degreesToRadians(double(rollDegrees))));
    multiply(frame);
}
