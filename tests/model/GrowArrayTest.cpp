#include <model/GrowArray.h>
#include <ops/UVModel.h>

#include <gtest/gtest.h>

TEST(GrowArrayTest, GrowthRule) {
    GrowArray<UVPoint> points;
    EXPECT_EQ(points.capacity(), 0);
    points.append({1, 2});
    EXPECT_EQ(points.capacity(), 11);  // 0 + max(0, 10) + 1
    EXPECT_EQ(points.count(), 1);
    for (int i = 1; i < 11; ++i) points.append({float(i), 0});
    EXPECT_EQ(points.capacity(), 11);
    points.append({11, 0});
    EXPECT_EQ(points.capacity(), 11 + 10 + 1);

    GrowArray<UVPoint> full;
    full.reserve(100);
    for (int i = 0; i < 100; ++i) full.append({float(i), float(-i)});
    EXPECT_EQ(full.capacity(), 100);
    full.append({100, -100});
    EXPECT_EQ(full.capacity(), 151);  // 100 + 50 + 1
    EXPECT_EQ(full.count(), 101);
    for (int i = 0; i <= 100; ++i) ASSERT_EQ(full[i].u, float(i));

    full.reserve(10);  // never shrinks
    EXPECT_EQ(full.capacity(), 151);
    full.grow(0);
    EXPECT_EQ(full.capacity(), 151);
}

TEST(GrowArrayTest, AppendAllEvenItselfAndClear) {
    GrowArray<SnapshotEntry> a, b;
    for (uint32_t i = 0; i < 5; ++i) a.append({i, {{float(i), 0}, {0, 0}, {0, 0}}});
    b.append({99, {}});
    b.appendAll(a);
    ASSERT_EQ(b.count(), 6);
    EXPECT_EQ(b[0].faceIndex, 99u);
    EXPECT_EQ(b[5].faceIndex, 4u);
    EXPECT_EQ(b[5].uv[0][0], 4.0f);
    b.clear();
    EXPECT_EQ(b.count(), 0);
    EXPECT_EQ(b.capacity(), 0);
    EXPECT_TRUE(b.empty());
    b.append({7, {}});
    EXPECT_EQ(b.count(), 1);

    // An array appended to itself doubles, reading what it held before.
    GrowArray<UVPoint> points;
    points.append({1, 2});
    points.append({3, 4});
    points.appendAll(points);
    ASSERT_EQ(points.count(), 4);
    EXPECT_EQ(points[3].v, 4.0f);
}
