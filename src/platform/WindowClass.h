// Window plumbing of the plug-in's controls and dialogs: the named control classes
// ("UVControls", "ChooseMatrix", "ColorBox") and window centring.
#pragma once

#include <windows.h>

// A control class of this module: boundWindowProc as procedure, double-click
// notification, the arrow cursor and a system colour background (a COLOR_ index).
class ControlClass {
public:
    constexpr ControlClass(const char* name, int backgroundColour) : name_(name), background_(backgroundColour) {}

    // The class name, the class registered once per load of the module; null while
    // registration fails. A class of that name left registered by an earlier load at
    // the same address is replaced, since its window procedure may have moved.
    const char* registeredName();

private:
    const char* name_;
    int background_;
    bool registered_ = false;
};

// Moves window, keeping its size, so that its centre is that of around:
// x = (left + right) / 2 - width / 2, likewise y, then clamped into area (the left and
// top edges win when the window is larger).
void centreWindow(HWND window, const RECT& around, const RECT& area);
// Centred on its owner, inside the work area of the owner's monitor. A window without
// owner stays where it is.
void centreOnOwner(HWND window);
