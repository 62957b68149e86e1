#include "dialogs/ApplyDialog.h"

#include "platform/NumberText.h"
#include "platform/SettingsKey.h"
#include "platform/WindowClass.h"
#include "resource.h"

namespace {

void loadRemembered(HWND window, const RememberedFields& remembered) {
    const SettingsKey key;
    for (const RememberedControl& field : remembered.texts) {
        if (!field.id) continue;
        char stored[32] = {};
        const std::string text =
            key.readString(field.valueName, stored) ? stored : FormatNumber(remembered.missingNumber, 1, true, true);
        SetDlgItemTextA(window, field.id, text.c_str());
    }
    DWORD flag = 0;
    if (remembered.checkBox.id && key.readDword(remembered.checkBox.valueName, flag))
        CheckDlgButton(window, remembered.checkBox.id, flag ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace

INT_PTR ApplyDialog::run(HWND owner) { return runBoundDialog(templateId_, owner); }

LRESULT ApplyDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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

void ApplyDialog::onInitDialog() {
    centreOnOwner(window());
    if (remembered_) loadRemembered(window(), *remembered_);
    onInit();
}

void ApplyDialog::onCommand(int id) {
    switch (id) {
        case IDC_APPLY: apply(); break;
        case IDOK:
            apply();
            if (closesAfterApply()) EndDialog(window(), IDOK);
            break;
        case IDCANCEL: EndDialog(window(), IDCANCEL); break;
        default: onOtherCommand(id); break;
    }
}

// Whatever closed the dialog, the typed texts are kept for the next opening.
void ApplyDialog::onDestroy() {
    if (!remembered_) return;
    const SettingsKey key;
    for (const RememberedControl& field : remembered_->texts)
        if (field.id) key.writeString(field.valueName, text(field.id).c_str());
    const RememberedControl& box = remembered_->checkBox;
    if (box.id) key.writeDword(box.valueName, checked(box.id) ? 1 : 0);
}

std::string ApplyDialog::text(int id) const {
    char buffer[32] = {};
    GetDlgItemTextA(window(), id, buffer, sizeof(buffer));
    return buffer;
}

float ApplyDialog::number(int id) const { return ParseNumber(text(id).c_str()); }

bool ApplyDialog::checked(int id) const { return IsDlgButtonChecked(window(), id) == BST_CHECKED; }
