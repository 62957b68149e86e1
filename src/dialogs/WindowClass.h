// Window plumbing shared by the plug-in's controls and dialogs: registration of the
// named control classes ("UVControls", "ChooseMatrix", "ColorBox") and dialog placement.
#pragma once

#include <windows.h>

// Registers name for this module with double-click notification, the arrow cursor and
// the system colour background (a COLOR_ index). A class of that name left registered
// by an earlier load of the module at the same address is replaced, since its window
// procedure may have moved; so call this once per load, before the first window.
bool registerControlClass(const char* name, WNDPROC procedure, int backgroundColour);

// Moves window so that it is centred on its owner, kept inside the work area of the
// owner's monitor. A window without owner stays where it is.
void centreOnOwner(HWND window);
