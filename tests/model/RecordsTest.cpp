#include <model/Records.h>
#include <model/UVWalk.h>

#include <gtest/gtest.h>

// Most of the corner test and the filters show through the operations' tests; these are
// the edges they do not reach.
TEST(RecordsTest, CornerTestShiftsPerCornerAndFiltersTakeTheirOwnBits) {
    // Corner 2 of (EDITABLE_MASK, UV_SELECTED) looks at its own lock, selection and hidden bits.
    EXPECT_TRUE(cornerPasses(UV_SELECTED << 2, 2, EDITABLE_MASK, UV_SELECTED));
    EXPECT_FALSE(cornerPasses(UV_SELECTED << 2 | UV_LOCKED << 2, 2, EDITABLE_MASK, UV_SELECTED));  // locked
    EXPECT_FALSE(cornerPasses(UV_SELECTED << 2 | UV_HIDDEN << 2, 2, EDITABLE_MASK, UV_SELECTED));  // hidden
    EXPECT_FALSE(cornerPasses(UV_SELECTED << 2, 1, EDITABLE_MASK, UV_SELECTED));  // corner 1 not selected
    EXPECT_TRUE(cornerPasses(UV_SELECTED << 1 | UV_LOCKED, 1, EDITABLE_MASK, UV_SELECTED));  // corner 0's lock is not corner 1's
    EXPECT_TRUE(cornerPasses(0xFFFF, 2, 0x0000, 0x0000));
    // Mask bits shifted past 16 bits drop out of the test.
    EXPECT_TRUE(cornerPasses(0x0000, 1, 0x8000, 0x0000));

    EXPECT_TRUE(FACE_FILTER_ALL.passes(0xF1FD));
    EXPECT_FALSE(FACE_FILTER_SELECTED_IN_3D.passes(FACE_SELECTED | FACE_HIDDEN));  // selected but hidden
    FaceFilter merged = mergedFilter(FACE_FILTER_ALL, {UV_SELECTED_ALL | UV_HIDDEN_ALL | UV_LOCKED_ALL, UV_SELECTED_ALL});
    EXPECT_TRUE(merged.passes(UV_SELECTED_ALL | 0xF004));
    EXPECT_FALSE(merged.passes(UV_SELECTED_ALL | UV_LOCKED << 1));

    FaceRecord face{};
    face.flags = 0xF004 | UV_SELECTED_ALL;
    syncFaceSelected(face);
    EXPECT_EQ(face.flags, 0xF004 | UV_SELECTED_ALL | FACE_SELECTED);
    face.flags &= ~UV_SELECTED;
    syncFaceSelected(face);
    EXPECT_EQ(face.flags, 0xF004 | 0x0180);
}
