// The 3D view of the main window: the mesh textured through its UVs (OpenGL) or
// flat-shaded (GDI, when no OpenGL context can be made), or as wireframe; the 3D
// selection highlighted, hidden faces left out, and whatever the plug-ins' draw
// callbacks draw (preview meshes, axes). Left drag orbits, right or middle drag
// pans, the wheel zooms; a left click selects the face under the cursor (Shift adds).
#pragma once

#include "GLScene.h"
#include "lib/DevHost.h"

#include <windows.h>

#include <memory>
#include <string>
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
    ~View3D();
    HWND create(HWND parent, HINSTANCE instance);
    HWND window() const { return window_; }

    // Draws with OpenGL when on and a context can be made, else with GDI; answers
    // whether OpenGL is in use.
    bool useOpenGL(bool on);
    bool usesOpenGL() const { return gl_ != nullptr; }
    // What draws the view, or why OpenGL does not, for the status bar.
    const std::string& rendererText() const { return rendererText_; }

    void setWireframe(bool on);
    bool wireframe() const { return wireframe_; }
    void setChecker(bool on);
    bool checker() const { return options_.checker; }
    // Per face material, the document texture it shows (0: none).
    void setMaterialTextures(std::vector<LONG> textures);
    // Frames the whole mesh.
    void resetCamera();

    // From the document's events: the mesh was replaced, or a texture's pixels
    // changed over a rectangle (null: all of it, or it was deleted).
    void meshReplaced();
    void textureChanged(LONG id, const RECT* area);

    // The view as drawn (OpenGL: read back from the frame), first row first.
    devhost::Pixels32 capture();

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

    // GDI drawing, into any device context.
    void render(HDC dc, const RECT& area);
    // OpenGL drawing into the back buffer, plug-ins' lines included.
    void renderGL(const RECT& area);
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
    std::unique_ptr<GLScene> gl_;
    bool drawingGL_ = false;  // the plug-ins' draw callbacks go to OpenGL
    SceneOptions options_;
    std::string rendererText_;

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
