// Set coordinate: the controls bar's typed (u, v) for every editable selected corner.
// The edit bracket has no undo group of its own and notifies only after a real change.
#include "EditProtocol.h"

EditResult UVModel::setCoordinate(float u, float v) {
    EditSteps steps{L"Set UV Coord", EDIT_FACE_DATA};
    steps.undoGroup = false;
    steps.beginEditAfterLock = true;
    steps.endEdit = EndEditRule::IfChanged;
    steps.raiseCounter = false;
    UVEdit edit(*this, steps);
    edit.forEachCorner(CORNERS_EDITABLE, [&](FaceRecord& face, int c) {
        if (face.uv[c][0] == u && face.uv[c][1] == v) return;
        face.uv[c][0] = u;
        face.uv[c][1] = v;
        ++edit.changed;
    });
    return edit.finish();
}
