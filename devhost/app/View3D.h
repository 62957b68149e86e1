// The 3D view of the main window: the mesh shaded or as wireframe with GDI, the 3D
// selection highlighted, hidden faces left out, and whatever the plug-ins' draw
// callbacks draw (preview meshes, axes). Left drag orbits, right or middle drag
// pans, the wheel zooms; a left click selects the face under the cursor (Shift adds).
#pragma once

#include "lib/DevHost.h"

#include <windows.h>

#include <vector>

namespace loomhost {

struct Camera {
    float target[3] = {0, 0, 0};
    float distance = 5.0f;
    float yaw = 0.6f;    // radians about the y axis
    float pitch = 0.45f;  // radians above the horizon
};

class View3D {
public:
    static constexpr const wchar_t* kClassName = L"LoomHostView3D";
    static void registerClass(HINSTANCE instance);

    View3D(devhost::Document& document) : document_(document) {}
    HWND create(HWND parent, HINSTANCE instance);
    HWND window() const { return window_; }

    void setWireframe(bool on);
    bool wireframe() const { return wireframe_; }
    // Frames the whole mesh.
    void resetCamera();
    // Paints into any device context (the window's back buffer, captures).
    void render(HDC dc, const RECT& area);

private:
    struct Projected {
        float x = 0, y = 0, depth = 0;
        bool visible = false;
    };

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onPaint();
    LRESULT onButtonDown(UINT message, int x, int y, WPARAM keys);
    LRESULT onMouseMove(int x, int y);
    LRESULT onButtonUp(int x, int y, WPARAM keys);
    LRESULT onMouseWheel(int delta);

    void updateBasis(const RECT& area);
    Projected project(const float point[3]) const;
    void pickFace(int x, int y, bool add);
    void drawPreviewMesh(const devhost::DrawMeshCall& call);
    void drawAxes(const devhost::DrawAxesCall& call);
    void drawLine(const float a[3], const float b[3], COLORREF colour, int width);

    devhost::Document& document_;
    HWND window_ = nullptr;
    Camera camera_;
    bool wireframe_ = false;

    // Projection of the paint in progress (or of the last one, for picking).
    float eye_[3] = {}, right_[3] = {}, up_[3] = {}, forward_[3] = {};
    float focal_ = 1.0f, centreX_ = 0, centreY_ = 0;
    HDC paintDC_ = nullptr;  // set while the plug-ins' draw callbacks run

    // Mouse gesture.
    enum class Drag { None, Orbit, Pan } drag_ = Drag::None;
    POINT pressed_ = {}, last_ = {};
    bool moved_ = false;
};

}  // namespace loomhost
