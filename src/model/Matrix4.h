// 4 x 4 single-precision matrix, row vectors: (x, y, z, 1) x M, translation in row 3.
#pragma once

#include "Vector3.h"

struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    void assign(const Matrix4& b) { *this = b; }
    void setIdentity();
    // this = this x b: this applies first, then b.
    void multiply(const Matrix4& b);
    float determinant() const;
    // Adjugate divided by det; a det of exactly 0 leaves the matrix unchanged.
    void invert(float det);
    Matrix4 inverse() const;
    void setRotationX(float radians);
    void setRotationY(float radians);
    void setRotationZ(float radians);  // positive turns +x towards +y
    void setTranslation(float x, float y, float z);
    void setTranslation(const Vector3& t) { setTranslation(t.x, t.y, t.z); }
    void setScale(float sx, float sy, float sz);
    void fromRows(const Vector3& xAxis, const Vector3& yAxis, const Vector3& zAxis,
                  const Vector3& origin);
    void transformPoint(float x, float y, float z, float& ox, float& oy, float& oz) const {
        ox = x * m[0] + y * m[4] + z * m[8] + m[12];
        oy = x * m[1] + y * m[5] + z * m[9] + m[13];
        oz = x * m[2] + y * m[6] + z * m[10] + m[14];
    }
    Vector3 transformPoint(const Vector3& p) const {
        Vector3 r;
        transformPoint(p.x, p.y, p.z, r.x, r.y, r.z);
        return r;
    }
    // The frame whose local z axis is direction, turned about it by rollDegrees:
    // carries frame coordinates into the world. Its inverse projects into the frame.
    void orientToAxis(const Vector3& direction, float rollDegrees);

    Vector3 row(int r) const { return {m[4 * r], m[4 * r + 1], m[4 * r + 2]}; }
    void setRow(int r, const Vector3& v, float w);
};

inline Matrix4 translation(float x, float y, float z) {
    Matrix4 t;
    t.setTranslation(x, y, z);
    return t;
}
