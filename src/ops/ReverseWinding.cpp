// Reverse winding: corners 0 and 1 of each qualifying face exchange their UVs, which
// mirrors the triangle's orientation in UV space; flags, vertices and groups stay put.
#include "EditProtocol.h"

EditResult UVModel::reverseWinding(FaceFilter faces) {
    EditSteps steps{L"Reverse UV Winding Order", EDIT_FACE_DATA};
    steps.endEdit = EndEditRule::IfChanged;
    UVEdit edit(*this, steps);
    edit.forEachFace(mergedFilter(faceFilter, faces), [&](FaceRecord& face, int) {
        for (int k = 0; k < 2; ++k) {
            float t = face.uv[0][k];
            face.uv[0][k] = face.uv[1][k];
            face.uv[1][k] = t;
        }
        ++edit.changed;
    });
    return edit.finish();
}
