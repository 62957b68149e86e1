#include "dialogs/TexelDensityDialog.h"

#include "ops/LayoutQuality.h"
#include "platform/NumberText.h"
#include "resource.h"

#include <cmath>
#include <string>

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
    const double density = shown_ = texelDensity(model_, epsilon_, width_, height_);
    SetDlgItemTextA(window(), IDC_DENSITY_NOW, FormatNumber(static_cast<float>(density), 2, true, true).c_str());
    return density;
}

// A density that is not a positive number, or that would carry the islands far outside
// any texture, changes nothing; the line under the field says why, and Enter then
// leaves the dialog open.
void TexelDensityDialog::apply() {
    const std::string typed = text(IDC_DENSITY);
    const float target = number(IDC_DENSITY);
    const char* why = "";
    if (typed.find_first_of("0123456789") == std::string::npos) why = "Type a number of pixels per unit.";
    else if (!std::isfinite(target)) why = "Too large a number.";
    else if (!(target > 0)) why = "The density must be above 0.";
    else if (texelDensityReach(model_, epsilon_, width_, height_, target) > TEXEL_DENSITY_MOST_REACH)
        why = "Too large: UVs would go far outside the texture.";
    refused_ = *why != 0;
    SetDlgItemTextA(window(), IDC_DENSITY_WHY, why);
    if (!refused_) setTexelDensity(model_, epsilon_, width_, height_, target, L"Set Texel Density");
    showDensity();
}

void TexelDensityDialog::onOtherCommand(int id) {
    if (id != IDC_MATCH) return;
    refused_ = false;
    SetDlgItemTextA(window(), IDC_DENSITY_WHY, "");
    setTexelDensity(model_, epsilon_, width_, height_, 0, L"Match Texel Density");
    showDensity();
}
