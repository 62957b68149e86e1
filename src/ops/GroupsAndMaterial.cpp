// UV group membership of corners and the material of whole faces.
#include "EditProtocol.h"

EditResult UVModel::assignGroup(uint16_t groupMask, uint16_t groupValue, CornerTest test) {
    UVEdit edit(*this, {L"Assign UV Group", EDIT_GROUPS});
    // Counted whether the bits change or not.
    edit.forEachCorner(test, [&](FaceRecord& face, int c) {
        face.groups[c] = uint16_t((face.groups[c] & ~groupMask) | groupValue);
        ++edit.changed;
    });
    return edit.finish();
}

EditResult UVModel::setMaterial(uint32_t material, FaceFilter faces) {
    EditSteps steps{L"Set Material", EDIT_FACE_DATA};
    steps.endEdit = EndEditRule::IfChanged;
    UVEdit edit(*this, steps);
    edit.forEachFace(mergedFilter(faceFilter, faces), [&](FaceRecord& face, int) {
        face.material = material;
        ++edit.changed;
    });
    return edit.finish();
}
