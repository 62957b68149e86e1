// Binds a window or dialog to the object that handles its messages. The object passed
// at creation is stored with the window at its first message (WM_NCCREATE, or
// WM_INITDIALOG for a dialog) and forgotten at WM_NCDESTROY, so that every class writes
// only its message map: one handler per message.
#pragma once

#include <windows.h>

class BoundWindow {
public:
    BoundWindow(const BoundWindow&) = delete;
    BoundWindow& operator=(const BoundWindow&) = delete;

    // The bound window, or null before its creation and after its destruction.
    HWND window() const { return window_; }

protected:
    BoundWindow() = default;
    virtual ~BoundWindow() = default;

    // The message map. A window answers as a window procedure (unhandled messages go to
    // defaultProcessing); a dialog as a dialog procedure (FALSE: not handled).
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // window() is set; the first message follows. A counted object takes the
    // window's reference here.
    virtual void onBound() {}
    // window() is null again; this is the binding's last call, so it may release the
    // window's reference and with it the object.
    virtual void onUnbound() {}

    // A child window of a class whose procedure is boundWindowProc, over rect (parent's
    // client coordinates); null on failure, also for a null class name.
    HWND createBoundChild(const char* className, DWORD style, const RECT& rect, HWND parent);
    // A modeless dialog from a template of this module, owned by owner; null on failure.
    HWND createBoundDialog(int templateId, HWND owner);
    // A modal dialog from a template of this module: its EndDialog result, or -1.
    INT_PTR runBoundDialog(int templateId, HWND owner);

    LRESULT defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(window_, message, wParam, lParam);
    }

    // Written only by the binding.
    HWND window_ = nullptr;

private:
    friend LRESULT CALLBACK boundWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK boundDialogProc(HWND, UINT, WPARAM, LPARAM);
};

// The window procedure of every window class whose windows are made by createBoundChild.
LRESULT CALLBACK boundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The dialog procedure of createBoundDialog and runBoundDialog.
INT_PTR CALLBACK boundDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
