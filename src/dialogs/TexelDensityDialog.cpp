#include "dialogs/TexelDensityDialog.h"

#include "ops/LayoutQuality.h"
#include "platform/NumberText.h"
#include "resource.h"

TexelDensityDialog::TexelDensityDialog(UVModel& model, float epsilon, int textureWidth, int textureHeight)
    : ApplyDialog(IDD_TEXEL_DENSITY, nullptr),
      model_(model),
      epsilon_(epsilon),
      width_(textureWidth),
      height_(textureHeight) {}

void TexelDensityDialog::onInit() {
    SetDlgItemTextA(window(), IDC_DENSITY, FormatNumber(static_cast<float>(showDensity()), 2, true, true).c_str());
}

double TexelDensityDialog::showDensity() {
    const double density = texelDensity(model_, epsilon_, width_, height_);
    SetDlgItemTextA(window(), IDC_DENSITY_NOW, FormatNumber(static_cast<float>(density), 2, true, true).c_str());
    return density;
}

// A density that is not positive changes nothing.
void TexelDensityDialog::apply() {
    const float target = number(IDC_DENSITY);
    if (target > 0) setTexelDensity(model_, epsilon_, width_, height_, target, L"Set Texel Density");
    showDensity();
}

void TexelDensityDialog::onOtherCommand(int id) {
    if (id != IDC_MATCH) return;
    setTexelDensity(model_, epsilon_, width_, height_, 0, L"Match Texel Density");
    showDensity();
}
