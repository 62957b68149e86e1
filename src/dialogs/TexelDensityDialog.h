// The modal "Texel Density" dialog: the density of the selected islands in texture
// pixels per 3D unit, a typed density that "Apply" (and Enter) gives each selected
// island, and "Match", which gives each the density of them all together. Each is one
// history entry; islands with a locked corner stay as they are. A refused density is
// explained on the line under the field.
#pragma once

#include "dialogs/ApplyDialog.h"

struct UVModel;

class TexelDensityDialog : public ApplyDialog {
public:
    // Densities count the pixels of a texture of textureWidth x textureHeight.
    TexelDensityDialog(UVModel& model, float epsilon, int textureWidth, int textureHeight);

private:
    // The typed density starts as the selection's.
    void onInit() override;
    void apply() override;
    // With no island to change, Enter closes whatever was typed.
    bool closesAfterApply() const override { return !refused_ || shown_ == 0; }
    void onOtherCommand(int id) override;
    // Writes the selection's density into the read-out; answers it.
    double showDensity();

    UVModel& model_;
    float epsilon_;
    int width_, height_;
    bool refused_ = false;  // the last typed density was refused
    double shown_ = 0;      // the density the read-out shows
};
