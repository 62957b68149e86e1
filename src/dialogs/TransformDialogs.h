// The modal "Move", "Rotate" and "Scale" dialogs (templates 207, 206, 208): typed
// numbers applied to the selected, visible and unlocked coordinates, each "Apply" one
// history entry. Rotate and Scale turn and scale about UVModel.pivot, which the
// command sets before the dialog opens.
#pragma once

#include "dialogs/ApplyDialog.h"

struct UVModel;

// U and V offsets; with "Absolute", where the minimum corner of the coordinates goes.
class MoveDialog : public ApplyDialog {
public:
    explicit MoveDialog(UVModel& model);

private:
    void apply() override;
    UVModel& model_;
};

// U and V factors; with "Absolute", the target width and height of the coordinates.
class ScaleDialog : public ApplyDialog {
public:
    explicit ScaleDialog(UVModel& model);

private:
    void apply() override;
    UVModel& model_;
};

// An angle in degrees, and buttons for a quarter, half and three-quarter turn.
class RotateDialog : public ApplyDialog {
public:
    explicit RotateDialog(UVModel& model);

private:
    void apply() override;
    void onOtherCommand(int id) override;
    UVModel& model_;
};
