// UV group membership of corners and the material of whole faces.
#include "EditProtocol.h"

bool UVModel::assignGroup(uint16_t groupMask, uint16_t groupValue, uint16_t testMask,
                          uint16_t testValue) {
    UVEdit edit(*this, {L"Assign UV Group", EDIT_GROUPS});
    // Counted whether the bits change or not.
    edit.forEachCorner(testMask, testValue, [&](FaceRecord& face, int c) {
        face.groups[c] = uint16_t((face.groups[c] & ~groupMask) | groupValue);
        ++edit.changed;
    });
    edit.finish();
    return true;
}

bool UVModel::setMaterial(uint32_t material, uint16_t faceMask, uint16_t faceValue) {
    EditSteps steps{L"Set Material", EDIT_FACE_DATA};
    steps.endEdit = EndEditRule::IfChanged;
    UVEdit edit(*this, steps);
    edit.forEachFace(mergedFilter(faceFilter, faceMask, faceValue), [&](FaceRecord& face, int) {
        face.material = material;
        ++edit.changed;
    });
    edit.finish();
    return true;
}
