// Weld: every corner within epsilon of an earlier representative takes its exact UV.
// Count distinct: the number of representatives among the editable corners.
#include "EditProtocol.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Room for every corner of the mesh in the model's grid.
bool resetGrid(UVPointGrid& grid, float epsilon, int faceCount) {
    return faceCount <= INT32_MAX / 3 && grid.reset(epsilon, 3 * faceCount);
}

}  // namespace

EditResult UVModel::weld(float epsilon, CornerTest test) {
    UVEdit edit(*this, {L"Weld UV Coords", EDIT_FACE_DATA});
    return edit.run([&] {
        UVPointGrid& grid = scratch.grid;
        if (!resetGrid(grid, epsilon, edit.faceCount())) throw std::bad_alloc();
        edit.forEachCorner(test.unlocked(), [&](FaceRecord& face, int c) {
            const int known = grid.pointCount();
            const int index = grid.findOrAdd(cornerUV(face, c));
            // A corner that became a representative stays where it is.
            if (index < 0 || index >= known) return;
            const UVPoint& representative = grid.point(index);
            face.uv[c][0] = representative.u;
            face.uv[c][1] = representative.v;
            ++edit.changed;
        });
    });
}

int UVModel::countDistinct(float epsilon, int atMost) {
    UVWalk walk(mesh.Get(), faceFilter);
    int count = 0;
    if (atMost <= 0) return 0;
    if (atMost <= 2) {
        // Without a grid: a second position is one that the first does not take in,
        // with the grid's own rule (within epsilon and no further than a neighbouring cell).
        UVPoint first{0, 0};
        int32_t column = 0, row = 0;
        const float epsilonSquared = epsilon * epsilon;
        for (int i = 0; i < walk.faceCount() && count < atMost; ++i) {
            const FaceRecord& face = walk.face(i);
            if (!walk.filter().passes(face.flags)) continue;
            for (int c = 0; c < 3 && count < atMost; ++c) {
                if (!CORNERS_EDITABLE.passes(face.flags, c)) continue;
                const UVPoint p = cornerUV(face, c);
                if (count == 0) {
                    first = p;
                    column = UVPointGrid::cellOf(p.u);
                    row = UVPointGrid::cellOf(p.v);
                    count = 1;
                    continue;
                }
                const float du = p.u - first.u, dv = p.v - first.v;
                const bool sameAsFirst = std::abs(UVPointGrid::cellOf(p.u) - column) <= 1 &&
                                  std::abs(UVPointGrid::cellOf(p.v) - row) <= 1 &&
                                  du * du + dv * dv < epsilonSquared;
                if (!sameAsFirst) count = 2;
            }
        }
        return count;
    }
    UVPointGrid& grid = scratch.grid;
    if (!resetGrid(grid, epsilon, walk.faceCount())) return 0;
    for (int i = 0; i < walk.faceCount() && grid.pointCount() < atMost; ++i) {
        const FaceRecord& face = walk.face(i);
        if (!walk.filter().passes(face.flags)) continue;
        for (int c = 0; c < 3; ++c)
            if (CORNERS_EDITABLE.passes(face.flags, c)) grid.findOrAdd(cornerUV(face, c));
    }
    return std::min(grid.pointCount(), atMost);
}
