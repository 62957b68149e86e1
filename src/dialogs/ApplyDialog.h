// What the modal Settings, Move, Rotate and Scale dialogs share: the run from a
// template, centred on the editor window, and the commands "Apply" (3), Enter (1:
// apply, then close) and "Done" (2: Escape and the close box too; close without
// applying). The transform dialogs also remember their fields in the registry: read
// when the window opens, written when it is destroyed, however it was closed.
#pragma once

#include "platform/WindowBinding.h"

#include <windows.h>

#include <string>

// A control whose content is kept under a registry value; id 0 is none.
struct RememberedControl {
    int id;
    const char* valueName;
};

struct RememberedFields {
    RememberedControl texts[2];  // edit fields, as typed
    RememberedControl checkBox;  // a flag
    float missingNumber;         // shown with one fixed decimal when a text cannot be read
};

class ApplyDialog : public BoundWindow {
public:
    // Runs the dialog modally, owned by owner; 1 after Enter, 2 after "Done", -1 when
    // the window could not be made.
    INT_PTR run(HWND owner);

protected:
    // remembered may be null; it must outlive the dialog.
    ApplyDialog(int templateId, const RememberedFields* remembered)
        : templateId_(templateId), remembered_(remembered) {}
    virtual ~ApplyDialog() = default;

    // After the remembered fields are loaded.
    virtual void onInit() {}
    virtual void apply() = 0;
    // Whether Enter closes the dialog after apply(); false keeps it open (a refused value).
    virtual bool closesAfterApply() const { return true; }
    // Any command but 1, 2 and 3.
    virtual void onOtherCommand(int) {}

    // A control's text as read and stored: at most 31 characters.
    std::string text(int id) const;
    float number(int id) const;
    bool checked(int id) const;

private:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onInitDialog();
    void onCommand(int id);
    void onDestroy();

    const int templateId_;
    const RememberedFields* const remembered_;
};
