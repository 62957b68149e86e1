#include <model/GrowArray.h>
#include <ops/UVModel.h>

#include <gtest/gtest.h>

// Growing past the reserve keeps every element; appending an array to itself reads what it
// held before; reserve never shrinks; clear frees.
TEST(GrowArrayTest, GrowsKeepingItsElementsAndAppendsEvenItself) {
    GrowArray<UVPoint> points;
    points.reserve(100);
    for (int i = 0; i <= 100; ++i) points.append({float(i), float(-i)});
    EXPECT_GE(points.capacity(), 101);
    const int grown = points.capacity();
    points.reserve(10);
    EXPECT_EQ(points.capacity(), grown);
    points.appendAll(points);
    ASSERT_EQ(points.count(), 202);
    for (int i = 0; i < 202; ++i) ASSERT_EQ(points[i].u, float(i % 101)) << i;

    GrowArray<SnapshotEntry> a;
    a.append({99, {}});
    a.append({4, {{4.0f, 0}, {0, 0}, {0, 0}}});
    a.clear();
    EXPECT_TRUE(a.empty() && a.capacity() == 0);
    a.append({7, {}});
    EXPECT_EQ(a.count(), 1);
    EXPECT_EQ(a[0].faceIndex, 7u);
}
