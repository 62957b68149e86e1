// Registration of the plug-in's named control classes ("UVControls", "ChooseMatrix").
#pragma once

#include <windows.h>

// Registers name for this module with double-click notification, the arrow cursor and
// the system colour background (a COLOR_ index). A class of that name left registered
// by an earlier load of the module at the same address is replaced, since its window
// procedure may have moved; so call this once per load, before the first window.
bool registerControlClass(const char* name, WNDPROC procedure, int backgroundColour);
