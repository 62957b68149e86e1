// The circular control of the Choose Matrix dialog: a red circle with four handle discs.
// Dragging inside the circle turns the projection frame about the world's vertical axis
// and the frame's own x axis, on a handle about only one of them, and outside the circle
// twists it about its own z axis by the change of the pointer's polar angle.
#pragma once

#include "platform/WindowBinding.h"

#include <windows.h>

class ChooseMatrixDialog;

// What lies under a client point, in the order the hit test tries them.
enum MatrixRegion : int {
    MATRIX_HORIZONTAL_HANDLES = 0,  // left and right discs: turn about the world's y axis
    MATRIX_VERTICAL_HANDLES = 1,    // top and bottom discs: turn about the frame's x axis
    MATRIX_OUTSIDE = 2,             // twist about the frame's z axis
    MATRIX_INSIDE = 3,              // both turns
};

// Circle and handles of a client area of width w and height h.
struct MatrixLayout {
    int centreX;
    int centreY;
    int radius;
};
MatrixLayout matrixLayout(int width, int height);
int matrixRegionAt(const MatrixLayout& layout, int x, int y);

class ChooseMatrix : public BoundWindow {
public:
    static constexpr int kHandleRadius = 4;

    explicit ChooseMatrix(ChooseMatrixDialog& owner) : owner_(owner) {}

    // Creates the control as a visible child covering parent's client rectangle.
    HWND create(HWND parent);
    int region() const { return region_; }
    bool dragging() const { return dragging_; }

private:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onUnbound() override { dragging_ = false; }
    void onPaint();
    bool onSetCursor(int hitCode);
    void onLeftButtonDown(int x, int y);
    void onLeftButtonUp();
    void onCaptureChanged();
    void onMouseMove(int x, int y);

    int regionAt(int x, int y) const;
    void turnFrame(int x, int y);

    ChooseMatrixDialog& owner_;
    int region_ = MATRIX_INSIDE;
    bool dragging_ = false;
    POINT last_ = {0, 0};
};
