#include <model/Records.h>
#include <model/UVWalk.h>

#include <gtest/gtest.h>

// Most of the corner test and the filters show through the operations' tests; these are
// the edges they do not reach.
TEST(RecordsTest, CornerTestShiftsPerCornerAndFiltersTakeTheirOwnBits) {
    // Corner 2 of (0x0248, 0x0040) looks at 0x0800, 0x0100 and 0x0020.
    EXPECT_TRUE(cornerPasses(0x0100, 2, 0x0248, 0x0040));
    EXPECT_FALSE(cornerPasses(0x0900, 2, 0x0248, 0x0040));  // locked
    EXPECT_FALSE(cornerPasses(0x0120, 2, 0x0248, 0x0040));  // hidden
    EXPECT_FALSE(cornerPasses(0x0100, 1, 0x0248, 0x0040));  // corner 1 not selected
    EXPECT_TRUE(cornerPasses(0x0080 | 0x0200, 1, 0x0248, 0x0040));  // corner 0's lock is not corner 1's
    EXPECT_TRUE(cornerPasses(0xFFFF, 2, 0x0000, 0x0000));
    // Mask bits shifted past 16 bits drop out of the test.
    EXPECT_TRUE(cornerPasses(0x0000, 1, 0x8000, 0x0000));

    EXPECT_TRUE(FACE_FILTER_ALL.passes(0xF1FD));
    EXPECT_FALSE(FACE_FILTER_SELECTED_IN_3D.passes(0x0003));  // selected but hidden
    FaceFilter merged = mergedFilter(FACE_FILTER_ALL, {0x0FF8, 0x01C0});
    EXPECT_TRUE(merged.passes(0x01C0 | 0xF004));
    EXPECT_FALSE(merged.passes(0x01C0 | 0x0400));

    FaceRecord face{};
    face.flags = 0xF004 | 0x01C0;
    syncFaceSelected(face);
    EXPECT_EQ(face.flags, 0xF004 | 0x01C1);
    face.flags &= ~0x0040;
    syncFaceSelected(face);
    EXPECT_EQ(face.flags, 0xF004 | 0x0180);
}
