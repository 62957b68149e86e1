// The modeless "UV Grouping" dialog (template 215): three mode buttons ("Assign",
// "Unassign", "Select"), sixteen group buttons and "None". Each click acts on the
// editor's UVModel with the selection of that moment. The mode lives in the mode
// buttons only; it is read from the registry value "Assign" when the window opens
// and written back when it is destroyed.
#pragma once

#include "platform/WindowBinding.h"

#include <windows.h>

struct UVModel;

class GroupingDialog : public BoundWindow {
public:
    // syncSelection is the canvas's "SyncSel" setting, read at each click; both it
    // and model outlive the dialog (they belong to the editor object).
    GroupingDialog(UVModel& model, const bool& syncSelection) : model_(model), syncSelection_(syncSelection) {}
    // Destroys the window if it still exists (which saves the mode).
    ~GroupingDialog();

    // Creates the window from template 215, owned by owner, not yet shown; null on failure.
    HWND create(HWND owner);

private:
    enum class Mode { Assign, Unassign, Select };

    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onInitDialog();
    void onCommand(int command);
    void onDestroy();

    Mode mode() const;
    void onGroupButton(int group);
    void onNone();

    UVModel& model_;
    const bool& syncSelection_;
};
