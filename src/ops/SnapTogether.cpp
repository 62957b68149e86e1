// Snap together: every editable selected corner moves to one point.
#include "EditProtocol.h"

EditResult UVModel::snapTogether(const UVPoint* target) {
    if (!target) return EditResult::Unchanged;
    UVEdit edit(*this, {L"Snap Together UV Coords", EDIT_FACE_DATA});
    edit.forEachCorner(CORNERS_EDITABLE, [&](FaceRecord& face, int c) {
        face.uv[c][0] = target->u;
        face.uv[c][1] = target->v;
        ++edit.changed;
    });
    return edit.finish();
}
