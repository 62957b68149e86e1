#include "dialogs/GroupingDialog.h"

#include "ops/UVModel.h"
#include "platform/SettingsKey.h"
#include "resource.h"

namespace {

// Every group bit.
constexpr uint16_t kAllGroups = 0xFFFF;

// Registry value "Assign": 0 Assign, 1 Unassign, anything else Select.
constexpr DWORD kStoredAssign = 0;
constexpr DWORD kStoredUnassign = 1;
constexpr DWORD kStoredSelect = 2;

// GetKeyState's high bit: the key is down.
constexpr int kKeyDown = 0x8000;

bool keyDown(int key) { return (GetKeyState(key) & kKeyDown) != 0; }

// Shift adds to the selection and wins over Ctrl, which toggles.
int clickModifier() {
    if (keyDown(VK_SHIFT)) return PICK_ADD;
    if (keyDown(VK_CONTROL)) return PICK_TOGGLE;
    return PICK_REPLACE;
}

}  // namespace

GroupingDialog::~GroupingDialog() {
    if (window()) DestroyWindow(window());
}

HWND GroupingDialog::create(HWND owner) { return createBoundDialog(IDD_GROUPING, owner); }

LRESULT GroupingDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            onInitDialog();
            return TRUE;
        case WM_COMMAND:
            onCommand(LOWORD(wParam));
            return TRUE;
        case WM_DESTROY:
            onDestroy();
            return TRUE;
        default:
            return FALSE;
    }
}

void GroupingDialog::onInitDialog() {
    HWND dialog = window();
    DWORD stored = kStoredAssign;  // also when the key or the value is missing
    SettingsKey().readDword("Assign", stored);
    const int pushed = stored == kStoredAssign     ? IDC_GROUP_ASSIGN
                       : stored == kStoredUnassign ? IDC_GROUP_UNASSIGN
                                                   : IDC_GROUP_SELECT;
    CheckDlgButton(dialog, IDC_GROUP_ASSIGN, pushed == IDC_GROUP_ASSIGN ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_GROUP_UNASSIGN, pushed == IDC_GROUP_UNASSIGN ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_GROUP_SELECT, pushed == IDC_GROUP_SELECT ? BST_CHECKED : BST_UNCHECKED);
}

void GroupingDialog::onCommand(int command) {
    if (command >= IDC_GROUP_1 && command <= IDC_GROUP_16) {
        onGroupButton(command - IDC_GROUP_1);
    } else if (command == IDC_GROUP_NONE) {
        onNone();
    } else if (command == IDCANCEL) {
        // The close box only hides: "Grouping..." shows the same dialog again.
        ShowWindow(window(), SW_HIDE);
    }
}

void GroupingDialog::onDestroy() {
    const Mode current = mode();
    SettingsKey().writeDword("Assign", current == Mode::Assign     ? kStoredAssign
                                       : current == Mode::Unassign ? kStoredUnassign
                                                                   : kStoredSelect);
}

GroupingDialog::Mode GroupingDialog::mode() const {
    if (IsDlgButtonChecked(window(), IDC_GROUP_ASSIGN) == BST_CHECKED) return Mode::Assign;
    if (IsDlgButtonChecked(window(), IDC_GROUP_UNASSIGN) == BST_CHECKED) return Mode::Unassign;
    return Mode::Select;
}

void GroupingDialog::onGroupButton(int group) {
    const auto bit = static_cast<uint16_t>(1u << group);
    switch (mode()) {
        case Mode::Assign: model_.assignGroup(bit, bit, CORNERS_SELECTED); break;
        case Mode::Unassign: model_.assignGroup(bit, 0, CORNERS_SELECTED); break;
        case Mode::Select: model_.selectGroup(bit, bit, clickModifier(), syncSelection_); break;
    }
}

void GroupingDialog::onNone() {
    switch (mode()) {
        case Mode::Assign: model_.assignGroup(kAllGroups, 0, CORNERS_SELECTED); break;
        case Mode::Unassign: break;  // leaving no group is nothing to do
        case Mode::Select: model_.selectAll(false, {syncSelection_}); break;
    }
}
