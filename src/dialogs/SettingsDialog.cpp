#include "dialogs/SettingsDialog.h"

#include "canvas/UVCanvas.h"
#include "platform/NumberText.h"
#include "resource.h"

#include <cstdlib>
#include <string>

namespace {

// Each colour box sits in its frame control; the boxes follow this order.
struct ColorField {
    int frame;
    COLORREF CanvasView::*color;
};
constexpr ColorField kColorFields[SettingsDialog::kColorCount] = {
    {IDC_VERT_COLOR, &CanvasView::lineColor},    {IDC_SEL_VERT_COLOR, &CanvasView::selColor},
    {IDC_LOCKED_COLOR, &CanvasView::lockedColor}, {IDC_BACK_COLOR, &CanvasView::backColor},
    {IDC_HANDLE_COLOR, &CanvasView::handleColor},
};

}  // namespace

SettingsDialog::SettingsDialog(UVCanvas& canvas) : ApplyDialog(IDD_SETTINGS, nullptr), canvas_(canvas) {}

void SettingsDialog::onInit() {
    for (int i = 0; i < kColorCount; ++i) {
        HWND frame = GetDlgItem(window(), kColorFields[i].frame);
        RECT inside = {};
        GetClientRect(frame, &inside);
        boxes_[i].create(frame, inside);
        boxes_[i].setColor(canvas_.view.*kColorFields[i].color, true);
    }
    SetDlgItemTextA(window(), IDC_GRID_SPACING, std::to_string(canvas_.view.gridSpacing).c_str());
    SetDlgItemTextA(window(), IDC_SNAP_ANGLE, FormatNumber(canvas_.view.angleStep, 3, false, true).c_str());
    SetDlgItemTextA(window(), IDC_WELD_EPSILON, FormatNumber(canvas_.view.epsilon, 6, false, true).c_str());
    SetDlgItemTextA(window(), IDC_CANVAS_WIDTH, std::to_string(canvas_.view.canvasWidth).c_str());
    SetDlgItemTextA(window(), IDC_CANVAS_HEIGHT, std::to_string(canvas_.view.canvasHeight).c_str());
}

// No range checks: text that is not a number gives 0.
void SettingsDialog::apply() {
    canvas_.view.angleStep = number(IDC_SNAP_ANGLE);
    canvas_.view.gridSpacing = std::atoi(text(IDC_GRID_SPACING).c_str());
    canvas_.view.epsilon = number(IDC_WELD_EPSILON);
    canvas_.setCanvasSize(std::atoi(text(IDC_CANVAS_WIDTH).c_str()), std::atoi(text(IDC_CANVAS_HEIGHT).c_str()));
    for (int i = 0; i < kColorCount; ++i) canvas_.view.*kColorFields[i].color = boxes_[i].color();
    canvas_.invalidate();
}
