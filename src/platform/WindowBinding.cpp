#include "platform/WindowBinding.h"

#include "platform/ModuleState.h"

LRESULT CALLBACK boundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* target = reinterpret_cast<BoundWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        target = static_cast<BoundWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (!target) return FALSE;  // no window without its object
        target->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
        target->onBound();
    }
    if (!target) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        target->window_ = nullptr;
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        target->onUnbound();
        return result;
    }
    return target->onMessage(message, wParam, lParam);
}

INT_PTR CALLBACK boundDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* target = reinterpret_cast<BoundWindow*>(GetWindowLongPtrA(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        target = reinterpret_cast<BoundWindow*>(lParam);
        if (!target) return FALSE;
        target->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        target->onBound();
    }
    if (!target) return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        target->window_ = nullptr;
        target->onUnbound();
        return FALSE;
    }
    return target->onMessage(message, wParam, lParam);
}

HWND BoundWindow::createBoundChild(const char* className, DWORD style, const RECT& rect, HWND parent) {
    if (!className) return nullptr;
    return CreateWindowExA(0, className, nullptr, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, nullptr, moduleInstance(), this);
}

HWND BoundWindow::createBoundDialog(int templateId, HWND owner) {
    return CreateDialogParamA(moduleInstance(), MAKEINTRESOURCEA(templateId), owner, boundDialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR BoundWindow::runBoundDialog(int templateId, HWND owner) {
    return DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(templateId), owner, boundDialogProc,
                           reinterpret_cast<LPARAM>(this));
}
