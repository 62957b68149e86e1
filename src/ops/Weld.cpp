// Weld: every corner within epsilon of an earlier representative takes its exact UV.
// Count distinct: the number of representatives among the editable corners.
#include "EditProtocol.h"
#include "UVPointGrid.h"

bool UVModel::weld(float epsilon, uint16_t cornerMask, uint16_t cornerValue) {
    UVEdit edit(*this, {L"Weld UV Coords", EDIT_FACE_DATA});
    {
        UVPointGrid grid(epsilon);
        if (grid.allocate(edit.faceCount())) {
            edit.forEachCorner(cornerMask | UV_LOCKED, cornerValue, [&](FaceRecord& face, int c) {
                const int known = grid.pointCount();
                const int index = grid.findOrAdd({face.uv[c][0], face.uv[c][1]});
                // A corner that became a representative stays where it is.
                if (index < 0 || index >= known) return;
                const UVPoint& representative = grid.point(index);
                face.uv[c][0] = representative.u;
                face.uv[c][1] = representative.v;
                ++edit.changed;
            });
        }
    }
    edit.finish();
    return true;
}

int UVModel::countDistinct(float epsilon) {
    UVWalk walk(mesh.Get(), faceFilter);
    UVPointGrid grid(epsilon);
    if (!grid.allocate(walk.faceCount())) return 0;
    walk.forEachCorner(UV_SELECTED | UV_HIDDEN | UV_LOCKED, UV_SELECTED, [&](FaceRecord& face, int c) {
        grid.findOrAdd({face.uv[c][0], face.uv[c][1]});
    });
    return grid.pointCount();
}
