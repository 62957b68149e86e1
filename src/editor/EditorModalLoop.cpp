// The nested message loop that runs a modeless dialog modally, and the modeless
// Grouping dialog's life beside the editor.
#include "editor/EditorWindow.h"

#include "canvas/UVCanvas.h"
#include "dialogs/ChooseMatrixDialog.h"
#include "dialogs/GroupingDialog.h"

#include <new>

namespace {

// Keyboard messages that a modal dialog may filter first.
constexpr UINT kFirstKeyMessage = WM_KEYFIRST;
constexpr UINT kLastKeyMessage = 0x0108;  // WM_KEYLAST before WM_UNICHAR joined the range

}  // namespace

INT_PTR EditorWindow::runModalLoop(HWND dialog) {
    if (!dialog || !IsWindow(dialog)) return 0;
    HWND parent = GetParent(dialog);
    const BOOL parentEnabled = parent ? IsWindowEnabled(parent) : FALSE;
    ShowWindow(dialog, SW_SHOWNORMAL);
    if (parent) EnableWindow(parent, FALSE);

    MSG message = {};
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) {
            // The host's own loop must end too. The dialog stays; its owner is usable again.
            if (parent) EnableWindow(parent, parentEnabled);
            PostQuitMessage(static_cast<int>(message.wParam));
            return 0;
        }
        const bool forDialog = message.hwnd == dialog || IsChild(dialog, message.hwnd);
        bool dispatch = true;
        if (forDialog && message.message >= kFirstKeyMessage && message.message <= kLastKeyMessage)
            dispatch = SendMessageA(dialog, kModalKeyMessage, 0, reinterpret_cast<LPARAM>(&message)) != 0;
        if (dispatch) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (message.message == kModalEndMessage && message.hwnd == dialog) {
            if (parent) EnableWindow(parent, parentEnabled);
            DestroyWindow(dialog);
            return static_cast<INT_PTR>(message.wParam);
        }
    }
}

// --- Grouping dialog ----------------------------------------------------------------

void EditorWindow::closeGroupingDialog() {
    delete groupingDialog_;  // destroys its window if it still exists, which saves the mode
    groupingDialog_ = nullptr;
}

void EditorWindow::toggleGroupingDialog() {
    if (!groupingDialog_) {
        groupingDialog_ = new (std::nothrow) GroupingDialog(model_, canvas_->view.syncSelection);
        if (!groupingDialog_) return;
        if (HWND dialog = groupingDialog_->create(window_)) ShowWindow(dialog, SW_SHOWNORMAL);
    } else if (HWND dialog = groupingDialog_->window()) {
        ShowWindow(dialog, IsWindowVisible(dialog) ? SW_HIDE : SW_SHOWNORMAL);
    } else {
        // Its window is gone: the next "Grouping..." starts afresh.
        closeGroupingDialog();
    }
}
