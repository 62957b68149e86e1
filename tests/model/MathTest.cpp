#include <model/Matrix4.h>
#include <model/Vector3.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectRow(const Matrix4& m, int r, float x, float y, float z, float w) {
    EXPECT_NEAR(m.m[4 * r], x, 1e-6f) << "row " << r;
    EXPECT_NEAR(m.m[4 * r + 1], y, 1e-6f) << "row " << r;
    EXPECT_NEAR(m.m[4 * r + 2], z, 1e-6f) << "row " << r;
    EXPECT_NEAR(m.m[4 * r + 3], w, 1e-6f) << "row " << r;
}

void expectIdentity(const Matrix4& m) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-6f) << "element " << i;
}

}  // namespace

TEST(Vector3Test, CrossAndNormalisation) {
    Vector3 c = Vector3(1, 2, 3).cross(Vector3(4, 5, 6));  // (2*6-3*5, 3*4-1*6, 1*5-2*4)
    EXPECT_EQ(c.x, -3.0f);
    EXPECT_EQ(c.y, 6.0f);
    EXPECT_EQ(c.z, -3.0f);
    Vector3 n = Vector3(3, 0, 4).normalized();
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
    Vector3 zero = Vector3().normalized();  // no direction: unchanged, no NaN
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
}

TEST(Matrix4Test, ProductAppliesLeftFirst) {
    Matrix4 m = translation(1, 0, 0);
    Matrix4 s;
    s.setScale(2, 3, 1);
    m.multiply(s);  // translate, then scale
    float x, y, z;
    m.transformPoint(1, 1, 0, x, y, z);
    EXPECT_EQ(x, 4.0f);
    EXPECT_EQ(y, 3.0f);
    EXPECT_EQ(z, 0.0f);
}

TEST(Matrix4Test, RotationsTurnAsDocumented) {
    Matrix4 r;
    float x, y, z;
    r.setRotationZ(1.5707964f);  // +x towards +y
    r.transformPoint(1, 0, 0, x, y, z);
    EXPECT_NEAR(x, 0.0f, 1e-6f);
    EXPECT_NEAR(y, 1.0f, 1e-6f);
    r.setRotationX(1.5707964f);  // +y towards +z
    r.transformPoint(0, 1, 0, x, y, z);
    EXPECT_NEAR(y, 0.0f, 1e-6f);
    EXPECT_NEAR(z, 1.0f, 1e-6f);
    r.setRotationY(1.5707964f);  // +z towards +x
    r.transformPoint(0, 0, 1, x, y, z);
    EXPECT_NEAR(x, 1.0f, 1e-6f);
    EXPECT_NEAR(z, 0.0f, 1e-6f);
    EXPECT_EQ(r.m[15], 1.0f);
    EXPECT_EQ(r.m[12], 0.0f);
}

TEST(Matrix4Test, DeterminantAndInverse) {
    Matrix4 s;
    s.setScale(2, 4, 0.5f);
    EXPECT_FLOAT_EQ(s.determinant(), 4.0f);

    Matrix4 m;
    m.setRotationZ(0.3f);
    Matrix4 rx;
    rx.setRotationX(1.1f);
    m.multiply(rx);
    m.multiply(s);
    m.multiply(translation(3, -2, 7));
    Matrix4 product = m;
    product.multiply(m.inverse());
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-5f) << i;

    // Singular matrices come back unchanged.
    Matrix4 zero;
    for (float& e : zero.m) e = 0.0f;
    Matrix4 inv = zero.inverse();
    for (float e : inv.m) EXPECT_EQ(e, 0.0f);
    Matrix4 flat;
    flat.setScale(1, 0, 1);
    inv = flat.inverse();
    EXPECT_EQ(inv.m[0], 1.0f);
    EXPECT_EQ(inv.m[5], 0.0f);
    Matrix4 kept = s;
    kept.invert(0.0f);
    EXPECT_EQ(kept.m[0], 2.0f);
}

TEST(Matrix4Test, OrientToAxisBuildsTheProjectionFrame) {
    Matrix4 m;
    m.orientToAxis(Vector3(0, 0, 1), 0);
    expectIdentity(m);

    // Below the threshold the direction counts as none: the z axis.
    m.orientToAxis(Vector3(0, 1e-3f, 0), 0);
    expectIdentity(m);

    m.orientToAxis(Vector3(5, 0, 0), 0);
    expectRow(m, 0, 0, 0, -1, 0);
    expectRow(m, 1, 0, 1, 0, 0);
    expectRow(m, 2, 1, 0, 0, 0);
    expectRow(m, 3, 0, 0, 0, 1);

    // Along y the reference up is -z.
    m.orientToAxis(Vector3(0, -1, 0), 0);
    expectRow(m, 0, -1, 0, 0, 0);
    expectRow(m, 1, 0, 0, -1, 0);
    expectRow(m, 2, 0, -1, 0, 0);

    // The roll turns about the local z axis before the frame applies.
    m.orientToAxis(Vector3(0, 0, 1), 90);
    float x, y, z;
    m.transformPoint(1, 0, 0, x, y, z);
    EXPECT_NEAR(x, 0.0f, 1e-6f);
    EXPECT_NEAR(y, 1.0f, 1e-6f);
    m.orientToAxis(Vector3(1, 0, 0), 90);
    m.transformPoint(1, 0, 0, x, y, z);  // local x -> local y -> world y
    EXPECT_NEAR(x, 0.0f, 1e-6f);
    EXPECT_NEAR(y, 1.0f, 1e-6f);
    EXPECT_NEAR(z, 0.0f, 1e-6f);

    // The frame's rows are unit and orthogonal for an arbitrary direction.
    m.orientToAxis(Vector3(1, 2, 3), 33);
    for (int r = 0; r < 3; ++r) {
        EXPECT_NEAR(m.row(r).lengthSquared(), 1.0f, 1e-5f);
        EXPECT_NEAR(m.row(r).dot(m.row((r + 1) % 3)), 0.0f, 1e-5f);
    }
    Vector3 axis = m.row(2);
    EXPECT_NEAR(axis.x * 3, axis.z, 1e-5f);
    EXPECT_NEAR(axis.y * 3, axis.z * 2, 1e-5f);
}

TEST(Matrix4Test, RollUsesTheDocumentedPi) {
    // 180 degrees with pi written as 3.14159265359 is not exactly M_PI.
    Matrix4 m;
    m.orientToAxis(Vector3(0, 0, 1), 180);
    Matrix4 r;
    r.setRotationZ(float(180 * 0.017453292519944444));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], r.m[i]) << i;
}
