// An editor on a development host document whose modal dialogs the tests drive from
// inside: the menu command opens the dialog, and a timer that fires in the dialog's
// own message loop runs the test's script, which types, presses and ends the dialog.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "support/EditorFixture.h"

namespace modaltest {

using uitest::findDialog;

struct Script {
    const char* caption;
    std::function<void(HWND)> steps;
};
inline Script* g_script = nullptr;

inline void CALLBACK runScript(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND dialog = findDialog(g_script->caption);
    if (!dialog) {
        ADD_FAILURE() << "no dialog \"" << g_script->caption << "\"";
        return;
    }
    // A modal dialog shows itself once its loop finds the queue empty; a user acts after that.
    if (!IsWindowVisible(dialog)) {
        SetTimer(nullptr, 0, 10, runScript);
        return;
    }
    g_script->steps(dialog);
}

// A dialog the script left open is closed with "Done", so that a failing case cannot hang.
inline void CALLBACK closeLeftover(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (HWND dialog = findDialog(g_script->caption)) {
        ADD_FAILURE() << "the script left the dialog open";
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

class ModalDialogTest : public EditorFixture {
protected:
    // Sends the command; the steps run inside the dialog's loop and end the dialog.
    void run(int command, const char* caption, std::function<void(HWND)> steps) {
        Script script = {caption, std::move(steps)};
        g_script = &script;
        SetTimer(nullptr, 0, 10, runScript);
        const UINT_PTR guard = SetTimer(nullptr, 0, 5000, closeLeftover);
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        KillTimer(nullptr, guard);
        g_script = nullptr;
        EXPECT_EQ(findDialog(caption), nullptr) << "closed";
    }

    static void press(HWND dialog, int id) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    // Enter as typed into a field: the dialog's loop turns it into command 1.
    static void pressEnterIn(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), WM_KEYDOWN, VK_RETURN, 0); }
    static void type(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }
    static std::string textOf(HWND dialog, int id) { return uitest::windowText(GetDlgItem(dialog, id)); }

    size_t entries() { return document_->undoDescriptions().size(); }
};

}  // namespace modaltest
