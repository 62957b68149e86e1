// The modal "UV Editor Settings" dialog (template 201): angle snap step, grid spacing,
// weld epsilon, canvas size and the five canvas colours. "Apply" and Enter write them
// into the canvas, which repaints; the registry sees them when the editor closes.
#pragma once

#include "dialogs/ApplyDialog.h"
#include "dialogs/ColorBox.h"

class UVCanvas;

class SettingsDialog : public ApplyDialog {
public:
    static constexpr int kColorCount = 5;

    explicit SettingsDialog(UVCanvas& canvas);

private:
    void onInit() override;
    void apply() override;

    UVCanvas& canvas_;
    ColorBox boxes_[kColorCount];
};
