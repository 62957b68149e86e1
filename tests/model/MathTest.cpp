#include <model/Angles.h>
#include <model/Matrix4.h>
#include <model/Vector3.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using Point = std::array<float, 3>;

Point xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

Point apply(const Matrix4& m, float x, float y, float z) { return xyz(m.transformPoint(Vector3(x, y, z))); }

void expectNear(const Point& actual, float x, float y, float z, const char* what = "") {
    for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], (Point{x, y, z})[k], 1e-6f) << what << " " << k;
}

// The matrix's first elements, row after row.
void expectRows(const Matrix4& m, std::initializer_list<float> elements, float tolerance = 1e-6f) {
    for (size_t i = 0; i < elements.size(); ++i) EXPECT_NEAR(m.m[i], elements.begin()[i], tolerance) << i;
}
const std::initializer_list<float> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

}  // namespace

TEST(Matrix4Test, ProductAppliesLeftFirstAndRotationsTurnAsDocumented) {
    Matrix4 m = translation(1, 0, 0);
    Matrix4 s;
    s.setScale(2, 3, 1);
    m.multiply(s);  // translate, then scale
    EXPECT_EQ(apply(m, 1, 1, 0), (Point{4, 3, 0}));

    Matrix4 r;
    r.setRotationZ(1.5707964f);
    expectNear(apply(r, 1, 0, 0), 0, 1, 0, "+x towards +y");
    r.setRotationX(1.5707964f);
    expectNear(apply(r, 0, 1, 0), 0, 0, 1, "+y towards +z");
    r.setRotationY(1.5707964f);
    expectNear(apply(r, 0, 0, 1), 1, 0, 0, "+z towards +x");
    EXPECT_TRUE(r.m[15] == 1.0f && r.m[12] == 0.0f);
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
    expectRows(product, kIdentity, 1e-5f);

    // Singular matrices come back unchanged.
    Matrix4 zero;
    for (float& e : zero.m) e = 0.0f;
    for (float e : zero.inverse().m) EXPECT_EQ(e, 0.0f);
    Matrix4 flat;
    flat.setScale(1, 0, 1);
    EXPECT_TRUE(flat.inverse().m[0] == 1.0f && flat.inverse().m[5] == 0.0f);
    Matrix4 kept = s;
    kept.invert(0.0f);
    EXPECT_EQ(kept.m[0], 2.0f);
}

TEST(Matrix4Test, OrientToAxisBuildsTheProjectionFrame) {
    Matrix4 m;
    m.orientToAxis(Vector3(0, 0, 1), 0);
    expectRows(m, kIdentity);
    // Below the threshold the direction counts as none: the z axis.
    m.orientToAxis(Vector3(0, 1e-3f, 0), 0);
    expectRows(m, kIdentity);
    m.orientToAxis(Vector3(5, 0, 0), 0);
    expectRows(m, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    // Along y the reference up is -z.
    m.orientToAxis(Vector3(0, -1, 0), 0);
    expectRows(m, {-1, 0, 0, 0, 0, 0, -1, 0, 0, -1, 0, 0});

    // The roll turns about the local z axis before the frame applies.
    m.orientToAxis(Vector3(0, 0, 1), 90);
    expectNear(apply(m, 1, 0, 0), 0, 1, 0);
    m.orientToAxis(Vector3(1, 0, 0), 90);
    expectNear(apply(m, 1, 0, 0), 0, 1, 0, "local x -> local y -> world y");

    // The frame's rows are unit and orthogonal for an arbitrary direction.
    m.orientToAxis(Vector3(1, 2, 3), 33);
    for (int r = 0; r < 3; ++r) {
        EXPECT_NEAR(m.row(r).lengthSquared(), 1.0f, 1e-5f);
        EXPECT_NEAR(m.row(r).dot(m.row((r + 1) % 3)), 0.0f, 1e-5f);
    }
    EXPECT_EQ(xyz(Vector3().normalized()), (Point{0, 0, 0}));  // no direction: unchanged, no NaN
    Vector3 axis = m.row(2);
    EXPECT_NEAR(axis.x * 3, axis.z, 1e-5f);
    EXPECT_NEAR(axis.y * 3, axis.z * 2, 1e-5f);

    // 180 degrees with pi written as 3.14159265359 is not exactly M_PI.
    m.orientToAxis(Vector3(0, 0, 1), 180);
    Matrix4 r;
    r.setRotationZ(float(180 * DEGREES_TO_RADIANS));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], r.m[i]) << i;
}

// One template serves float and double; the angle grows clockwise on screen (y down).
TEST(AnglesTest, PolarAngleStaysBelowAFullTurn) {
    for (auto [x, y, degrees] : {std::array{0.0, 0.0, 0.0}, {0.0, 5.0, 90.0}, {0.0, -5.0, 270.0}, {-3.0, 3.0, 135.0},
                                 {-3.0, -3.0, 225.0}, {1.0, -1e-20, 359.0}})
        EXPECT_NEAR(polarDegrees(x, y), degrees, 1e-9) << x << ", " << y;
}

TEST(AnglesTest, ArcCosineWithinHalfAnUlpOfTheDoubleResult) {
    EXPECT_EQ((std::array{arcCosine(1.0f), arcCosine(-1.0f), arcCosine(0.0f)}),
              (std::array{0.0f, 3.14159274f, 1.57079637f}));
    EXPECT_TRUE(std::isnan(arcCosine(std::nanf(""))));
    // Both branches (|x| at most 0.5 and beyond), both signs, and values near +-1.
    for (int i = -4000; i <= 4000; ++i) {
        const float x = i / 4000.0f, nearOne = std::nextafter(1.0f - float(std::abs(i)) * 1e-7f, 0.0f);
        for (float a : {x, nearOne, -nearOne}) {
            const double exact = std::acos(double(a));
            const float result = arcCosine(a);
            ASSERT_LE(std::fabs(result - exact), 0.5 * (std::nextafter(result, 4.0f) - result) + 1e-12) << a;
        }
    }
}
