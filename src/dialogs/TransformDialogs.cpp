#include "dialogs/TransformDialogs.h"

#include "model/Angles.h"
#include "ops/UVModel.h"
#include "resource.h"

namespace {

constexpr RememberedFields kMoveFields = {
    {{IDC_VALUE_U, "MoveU"}, {IDC_VALUE_V, "MoveV"}}, {IDC_ABSOLUTE, "MoveAbsolute"}, 0.0f};
constexpr RememberedFields kScaleFields = {
    {{IDC_VALUE_U, "ScaleU"}, {IDC_VALUE_V, "ScaleV"}}, {IDC_ABSOLUTE, "ScaleAbsolute"}, 1.0f};
constexpr RememberedFields kRotateFields = {{{IDC_ANGLE, "RotateAngle"}, {0, nullptr}}, {0, nullptr}, 0.0f};

// The factor that makes an extent the target; an axis without extent stays as it is.
float factorFor(float target, float minimum, float maximum) {
    const float extent = maximum - minimum;
    return extent > 0.0f ? target / extent : 1.0f;
}

}  // namespace

MoveDialog::MoveDialog(UVModel& model) : ApplyDialog(IDD_MOVE, &kMoveFields), model_(model) {}

// Without editable corners an absolute offset comes from the empty bounds and moves nothing.
void MoveDialog::apply() {
    float du = number(IDC_VALUE_U), dv = number(IDC_VALUE_V);
    if (checked(IDC_ABSOLUTE)) {
        float r[4];
        model_.bounds(CORNERS_EDITABLE, r);
        du -= r[0];
        dv -= r[1];
    }
    model_.move(du, dv, CORNERS_EDITABLE, true);
}

ScaleDialog::ScaleDialog(UVModel& model) : ApplyDialog(IDD_SCALE, &kScaleFields), model_(model) {}

void ScaleDialog::apply() {
    float su = number(IDC_VALUE_U), sv = number(IDC_VALUE_V);
    if (checked(IDC_ABSOLUTE)) {
        float r[4];
        model_.bounds(CORNERS_EDITABLE, r);
        su = factorFor(su, r[0], r[2]);
        sv = factorFor(sv, r[1], r[3]);
    }
    model_.scale(su, sv, CORNERS_EDITABLE, true, nullptr);
}

RotateDialog::RotateDialog(UVModel& model) : ApplyDialog(IDD_ROTATE, &kRotateFields), model_(model) {}

void RotateDialog::apply() {
    const auto angle = static_cast<float>(degreesToRadians(double(number(IDC_ANGLE))));
    model_.rotate(angle, CORNERS_EDITABLE, true, nullptr);
}

// The turn buttons leave the angle field alone.
void RotateDialog::onOtherCommand(int id) {
    switch (id) {
        case IDC_ROTATE_90: model_.rotate(1.5707964f, CORNERS_EDITABLE, true, nullptr); break;
        case IDC_ROTATE_180: model_.rotate(3.1415927f, CORNERS_EDITABLE, true, nullptr); break;
        case IDC_ROTATE_270: model_.rotate(4.712389f, CORNERS_EDITABLE, true, nullptr); break;
        default: break;
    }
}
