// The colour swatch of the Settings dialog: a child window filled with one colour that
// opens the system colour chooser when clicked. Every box shares one table of 16
// custom colours, kept in memory while the module is loaded.
#pragma once

#include "platform/WindowBinding.h"

#include <windows.h>

class ColorBox : public BoundWindow {
public:
    ColorBox() = default;

    // Creates the box as a visible child of parent over rect (parent's client
    // coordinates); null on failure. The window goes with its parent.
    HWND create(HWND parent, const RECT& rect);

    // With redraw, an existing window is invalidated without erasing.
    void setColor(COLORREF color, bool redraw);
    COLORREF color() const { return color_; }

private:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onPaint();
    void onLeftButtonDown();

    COLORREF color_ = 0;
};
