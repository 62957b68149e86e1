// The development host's 3D view: a camera about the mesh, drawn with OpenGL (GLScene)
// or flat-shaded with GDI, the plug-in's preview drawing, and face picking.
//
// Sections:
//   Colours and geometry         cross, normalise, drawable
//   The window and its settings  create, useOpenGL, wireframe, checker, textures
//   Camera                       resetCamera, updateBasis, project
//   Rendering                    render (GDI), renderGL, capture, the preview mesh and axes
//   Picking and messages         pickFace, windowProc, paint, mouse and wheel
#include "View3D.h"

#include "io/MeshFile.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace loomhost {

namespace {

using devhost::DevFace;
using devhost::DevVertex;

// ---- Colours and geometry ----

constexpr float kFieldOfView = 0.7853982f;  // 45 degrees, vertical
constexpr COLORREF kBackground = RGB(58, 62, 70);
constexpr COLORREF kFaceColour = RGB(176, 180, 188);
constexpr COLORREF kSelectedColour = RGB(236, 120, 40);
constexpr COLORREF kEdgeColour = RGB(40, 42, 48);
constexpr COLORREF kWireColour = RGB(200, 205, 215);
constexpr COLORREF kSelectedVertexColour = RGB(255, 230, 60);

float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

bool normalise(float v[3]) {
    float length = std::sqrt(dot(v, v));
    if (!(length > 0.0f) || !std::isfinite(length)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= length;
    return true;
}

bool finite3(const float p[3]) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

COLORREF scaled(COLORREF colour, float factor) {
    auto channel = [factor](int value) { return static_cast<BYTE>(std::clamp(value * factor, 0.0f, 255.0f)); };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

// Faces worth drawing: not hidden, every corner inside the vertex array at a finite
// position. Host data may say otherwise for any of these.
bool drawable(const DevFace& face, const std::vector<DevVertex>& vertices) {
    if (face.flags & devhost::DEV_FACE_HIDDEN) return false;
    for (int c = 0; c < 3; ++c)
        if (face.vertex[c] >= vertices.size() || !finite3(vertices[face.vertex[c]].position)) return false;
    return true;
}

// 0xAARRGGBB as the plug-ins pass it, to a GDI colour.
COLORREF fromArgb(DWORD colour) { return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF); }

}  // namespace

// ---- The window and its settings ----

void View3D::registerClass(HINSTANCE instance) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC;  // OpenGL keeps the window's DC
    type.lpfnWndProc = windowProc;
    type.hInstance = instance;
    type.hCursor = LoadCursor(nullptr, IDC_ARROW);
    type.lpszClassName = kClassName;
    RegisterClassExW(&type);
}

HWND View3D::create(HWND parent, HINSTANCE instance) {
    window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 100, 100,
                              parent, nullptr, instance, this);
    devhost::ViewHost& views = document_.viewHost();
    views.onRedraw = [this](LONG) { InvalidateRect(window_, nullptr, FALSE); };
    views.onDrawMesh = [this](const devhost::DrawMeshCall& call) { drawPreviewMesh(call); };
    views.onDrawAxes = [this](const devhost::DrawAxesCall& call) { drawAxes(call); };
    return window_;
}

View3D::~View3D() {
    devhost::ViewHost& views = document_.viewHost();
    views.onRedraw = nullptr;
    views.onDrawMesh = nullptr;
    views.onDrawAxes = nullptr;
}

bool View3D::useOpenGL(bool on) {
    gl_.reset();
    std::string problem = "switched off";
    if (on && window_) {
        problem.clear();
        gl_ = GLScene::create(window_, problem);
    }
    rendererText_ = gl_ ? "OpenGL: " + gl_->renderer() : "OpenGL not in use (" + problem + "): 3D view drawn with GDI";
    InvalidateRect(window_, nullptr, FALSE);
    return gl_ != nullptr;
}

void View3D::setWireframe(bool on) {
    wireframe_ = on;
    InvalidateRect(window_, nullptr, FALSE);
}

void View3D::setChecker(bool on) {
    options_.checker = on;
    InvalidateRect(window_, nullptr, FALSE);
}

void View3D::setMaterialTextures(std::vector<LONG> textures) {
    options_.materialTextures = std::move(textures);
    InvalidateRect(window_, nullptr, FALSE);
}

void View3D::meshReplaced() {
    if (gl_) gl_->meshReplaced();
}

void View3D::textureChanged(LONG id, const RECT* area) {
    if (gl_) gl_->textureChanged(id, area);
    InvalidateRect(window_, nullptr, FALSE);
}

// ---- Camera ----

void View3D::resetCamera() {
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    bool any = false;
    for (const DevVertex& vertex : document_.vertices()) {
        if (!finite3(vertex.position)) continue;
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], vertex.position[i]);
            high[i] = std::max(high[i], vertex.position[i]);
        }
        any = true;
    }
    camera_ = Camera{};
    if (any) {
        float size[3];
        for (int i = 0; i < 3; ++i) {
            camera_.target[i] = 0.5f * (low[i] + high[i]);
            size[i] = high[i] - low[i];
        }
        float radius = 0.5f * std::sqrt(dot(size, size));
        camera_.distance = std::max(radius, 1e-3f) / std::tan(kFieldOfView / 2) * 1.15f;
    }
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void View3D::updateBasis(const RECT& area) {
    float cp = std::cos(camera_.pitch), sp = std::sin(camera_.pitch);
    float direction[3] = {cp * std::sin(camera_.yaw), sp, cp * std::cos(camera_.yaw)};
    for (int i = 0; i < 3; ++i) {
        eye_[i] = camera_.target[i] + camera_.distance * direction[i];
        forward_[i] = -direction[i];
    }
    const float worldUp[3] = {0, 1, 0};
    cross(forward_, worldUp, right_);
    if (!normalise(right_)) right_[0] = 1, right_[1] = 0, right_[2] = 0;
    cross(right_, forward_, up_);
    float height = float(std::max<LONG>(area.bottom - area.top, 1));
    focal_ = height / 2 / std::tan(kFieldOfView / 2);
    centreX_ = (area.left + area.right) / 2.0f;
    centreY_ = (area.top + area.bottom) / 2.0f;
}

View3D::Projected View3D::project(const float point[3]) const {
    float d[3] = {point[0] - eye_[0], point[1] - eye_[1], point[2] - eye_[2]};
    Projected result;
    result.depth = dot(d, forward_);
    if (!(result.depth > camera_.distance * 1e-3f) || !std::isfinite(result.depth)) return result;
    result.x = centreX_ + focal_ * dot(d, right_) / result.depth;
    result.y = centreY_ - focal_ * dot(d, up_) / result.depth;
    result.visible = std::fabs(result.x) < 1e6f && std::fabs(result.y) < 1e6f;
    return result;
}

// ---- Rendering ----

void View3D::render(HDC dc, const RECT& area) {
    HBRUSH background = CreateSolidBrush(kBackground);
    FillRect(dc, &area, background);
    DeleteObject(background);
    updateBasis(area);

    const std::vector<DevFace>& faces = document_.faces();
    const std::vector<DevVertex>& vertices = document_.vertices();
    struct Visible {
        float depth;
        size_t face;
        POINT corners[3];
    };
    std::vector<Visible> visible;
    visible.reserve(faces.size());
    for (size_t f = 0; f < faces.size(); ++f) {
        if (!drawable(faces[f], vertices)) continue;
        Visible entry{0, f, {}};
        bool inView = true;
        for (int c = 0; c < 3 && inView; ++c) {
            Projected p = project(vertices[faces[f].vertex[c]].position);
            inView = p.visible;
            entry.corners[c] = {LONG(std::lround(p.x)), LONG(std::lround(p.y))};
            entry.depth += p.depth;
        }
        if (inView) visible.push_back(entry);
    }
    // Painter's order: farthest first.
    std::sort(visible.begin(), visible.end(), [](const Visible& a, const Visible& b) { return a.depth > b.depth; });

    const float light[3] = {-forward_[0] * 0.8f + up_[0] * 0.45f + right_[0] * 0.3f,
                            -forward_[1] * 0.8f + up_[1] * 0.45f + right_[1] * 0.3f,
                            -forward_[2] * 0.8f + up_[2] * 0.45f + right_[2] * 0.3f};
    float lightDirection[3] = {light[0], light[1], light[2]};
    normalise(lightDirection);

    HPEN edgePen = CreatePen(PS_SOLID, 1, wireframe_ ? kWireColour : kEdgeColour);
    HPEN selectedPen = CreatePen(PS_SOLID, wireframe_ ? 2 : 1, wireframe_ ? kSelectedColour : scaled(kSelectedColour, 0.5f));
    HGDIOBJ oldPen = SelectObject(dc, edgePen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(wireframe_ ? NULL_BRUSH : DC_BRUSH));
    // Selected vertices are marked; shaded, each with the nearest face that has it, so
    // that nearer faces hide the marks behind them.
    HBRUSH vertexBrush = CreateSolidBrush(kSelectedVertexColour);
    auto markVertex = [&](const DevVertex& vertex) {
        if (!(vertex.flags & devhost::DEV_VERTEX_SELECTED) || !finite3(vertex.position)) return;
        Projected p = project(vertex.position);
        if (!p.visible) return;
        RECT mark = {LONG(p.x) - 2, LONG(p.y) - 2, LONG(p.x) + 3, LONG(p.y) + 3};
        FillRect(dc, &mark, vertexBrush);
    };
    std::vector<size_t> nearestFace(wireframe_ ? 0 : vertices.size(), SIZE_MAX);
    if (!wireframe_)
        for (size_t i = 0; i < visible.size(); ++i)
            for (int c = 0; c < 3; ++c) nearestFace[faces[visible[i].face].vertex[c]] = i;

    for (size_t i = 0; i < visible.size(); ++i) {
        const DevFace& face = faces[visible[i].face];
        bool selected = face.flags & devhost::DEV_FACE_SELECTED;
        SelectObject(dc, selected ? selectedPen : edgePen);
        if (!wireframe_) {
            float normal[3];
            devhost::geometricNormal(face, vertices, normal);
            float shade = 0.3f + 0.7f * std::fabs(dot(normal, lightDirection));
            SetDCBrushColor(dc, scaled(selected ? kSelectedColour : kFaceColour, shade));
        }
        Polygon(dc, visible[i].corners, 3);
        if (!wireframe_)
            for (int c = 0; c < 3; ++c)
                if (nearestFace[face.vertex[c]] == i) markVertex(vertices[face.vertex[c]]);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(edgePen);
    DeleteObject(selectedPen);
    if (wireframe_)
        for (const DevVertex& vertex : vertices) markVertex(vertex);
    DeleteObject(vertexBrush);

    // The plug-ins draw last, over the mesh, through the view host's calls.
    devhost::ViewHost& views = document_.viewHost();
    views.viewScale = focal_ > 0 ? camera_.distance / focal_ : 1.0f;
    paintDC_ = dc;
    views.drawViews(reinterpret_cast<LONG_PTR>(window_), 0);
    paintDC_ = nullptr;
}

void View3D::renderGL(const RECT& area) {
    updateBasis(area);
    int width = std::max<LONG>(area.right - area.left, 1), height = std::max<LONG>(area.bottom - area.top, 1);
    // The same camera as the GDI projection: vertical field of view, looking along forward_.
    SceneCamera camera;
    float f = 1.0f / std::tan(kFieldOfView / 2), aspect = float(width) / float(height);
    float nearPlane = camera_.distance * 0.01f, farPlane = camera_.distance * 100.0f;
    camera.projection[0] = f / aspect;
    camera.projection[5] = f;
    camera.projection[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    camera.projection[11] = -1.0f;
    camera.projection[14] = 2 * farPlane * nearPlane / (nearPlane - farPlane);
    float* m = camera.modelView;
    for (int i = 0; i < 3; ++i) {
        m[4 * i] = right_[i];
        m[4 * i + 1] = up_[i];
        m[4 * i + 2] = -forward_[i];
    }
    m[12] = -dot(right_, eye_);
    m[13] = -dot(up_, eye_);
    m[14] = dot(forward_, eye_);
    m[15] = 1.0f;
    options_.wireframe = wireframe_;
    gl_->beginFrame(document_, options_, camera, width, height);
    devhost::ViewHost& views = document_.viewHost();
    views.viewScale = focal_ > 0 ? camera_.distance / focal_ : 1.0f;
    drawingGL_ = true;
    views.drawViews(reinterpret_cast<LONG_PTR>(window_), 0);
    drawingGL_ = false;
}

devhost::Pixels32 View3D::capture() {
    RECT area;
    GetClientRect(window_, &area);
    int width = std::max<LONG>(area.right, 1), height = std::max<LONG>(area.bottom, 1);
    if (gl_) {
        renderGL(area);
        devhost::Pixels32 image = gl_->readBack(width, height);
        gl_->present();
        return image;
    }
    devhost::Pixels32 image{width, height, std::vector<std::uint32_t>(size_t(width) * height)};
    HDC screen = GetDC(window_);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    render(memory, area);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (size_t i = 0; bits && i < image.pixels.size(); ++i) image.pixels[i] = source[i] | 0xFF000000u;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window_, screen);
    return image;
}

void View3D::drawLine(const float a[3], const float b[3], COLORREF colour, int width) {
    if (drawingGL_) {
        gl_->line(a, b, DWORD(GetRValue(colour)) << 16 | DWORD(GetGValue(colour)) << 8 | GetBValue(colour),
                  float(width));
        return;
    }
    Projected pa = project(a), pb = project(b);
    if (!pa.visible || !pb.visible) return;
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(paintDC_, pen);
    MoveToEx(paintDC_, LONG(std::lround(pa.x)), LONG(std::lround(pa.y)), nullptr);
    LineTo(paintDC_, LONG(std::lround(pb.x)), LONG(std::lround(pb.y)));
    SelectObject(paintDC_, old);
    DeleteObject(pen);
}

// Row vectors: p' = p * M, translation in elements 12..14.
static void transform(const float* m, const float* p, float out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = p[0] * m[i] + p[1] * m[4 + i] + p[2] * m[8 + i] + m[12 + i];
}

void View3D::drawPreviewMesh(const devhost::DrawMeshCall& call) {
    if ((!paintDC_ && !drawingGL_) || !call.mesh) return;
    const std::vector<float>& triangles = call.mesh->triangles();
    for (size_t t = 0; t + 9 <= triangles.size(); t += 9) {
        float corners[3][3];
        for (int c = 0; c < 3; ++c) transform(call.matrix.data(), &triangles[t + 3 * c], corners[c]);
        for (int c = 0; c < 3; ++c) drawLine(corners[c], corners[(c + 1) % 3], fromArgb(call.colour), 1);
    }
}

void View3D::drawAxes(const devhost::DrawAxesCall& call) {
    if (!paintDC_ && !drawingGL_) return;
    const float* m = call.matrix.data();
    const float origin[3] = {m[12], m[13], m[14]};
    const COLORREF colours[3] = {RGB(230, 60, 60), RGB(60, 200, 60), RGB(70, 110, 240)};
    for (int axis = 0; axis < 3; ++axis) {
        float direction[3] = {m[4 * axis], m[4 * axis + 1], m[4 * axis + 2]};
        if (!normalise(direction)) continue;
        float end[3];
        for (int i = 0; i < 3; ++i) end[i] = origin[i] + direction[i] * call.size;
        drawLine(origin, end, colours[axis], 2);
    }
}

// ---- Picking and messages ----

void View3D::pickFace(int x, int y, bool add) {
    RECT area;
    GetClientRect(window_, &area);
    updateBasis(area);
    const std::vector<DevFace>& faces = document_.faces();
    const std::vector<DevVertex>& vertices = document_.vertices();
    int best = -1;
    float bestDepth = 1e30f;
    for (size_t f = 0; f < faces.size(); ++f) {
        if (!drawable(faces[f], vertices)) continue;
        Projected p[3];
        bool inView = true;
        for (int c = 0; c < 3 && inView; ++c) {
            p[c] = project(vertices[faces[f].vertex[c]].position);
            inView = p[c].visible;
        }
        if (!inView) continue;
        // Inside when the point is on the same side of all three edges.
        float side[3];
        for (int c = 0; c < 3; ++c) {
            const Projected& a = p[c];
            const Projected& b = p[(c + 1) % 3];
            side[c] = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
        }
        bool inside = (side[0] >= 0 && side[1] >= 0 && side[2] >= 0) || (side[0] <= 0 && side[1] <= 0 && side[2] <= 0);
        float depth = (p[0].depth + p[1].depth + p[2].depth) / 3;
        if (inside && depth < bestDepth) {
            bestDepth = depth;
            best = int(f);
        }
    }
    std::vector<int> selection;
    if (add)
        for (size_t f = 0; f < faces.size(); ++f)
            if (faces[f].flags & devhost::DEV_FACE_SELECTED) selection.push_back(int(f));
    if (best >= 0 && std::find(selection.begin(), selection.end(), best) == selection.end()) selection.push_back(best);
    if (best < 0 && add) return;
    document_.selectFaces3D(selection);
}

LRESULT CALLBACK View3D::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<View3D*>(create->lpCreateParams)->window_ = window;
    }
    auto* view = reinterpret_cast<View3D*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!view) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: return view->onPaint();
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: return view->onButtonDown(message, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
    case WM_MOUSEMOVE: return view->onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: return view->onButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
    case WM_CAPTURECHANGED: view->drag_ = Drag::None; return 0;
    case WM_DESTROY: view->gl_.reset(); return 0;  // while the window still has its DC
    case WM_MOUSEWHEEL: return view->onMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT View3D::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT area;
    GetClientRect(window_, &area);
    if (gl_) {
        renderGL(area);
        gl_->present();
        EndPaint(window_, &paint);
        return 0;
    }
    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(area.right, 1), std::max<LONG>(area.bottom, 1));
    HGDIOBJ old = SelectObject(buffer, bitmap);
    render(buffer, area);
    BitBlt(dc, 0, 0, area.right, area.bottom, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, old);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(window_, &paint);
    return 0;
}

LRESULT View3D::onButtonDown(UINT message, int x, int y, WPARAM) {
    SetFocus(window_);
    drag_ = message == WM_LBUTTONDOWN ? Drag::Orbit : Drag::Pan;
    pressed_ = last_ = {x, y};
    moved_ = false;
    SetCapture(window_);
    return 0;
}

LRESULT View3D::onMouseMove(int x, int y) {
    if (drag_ == Drag::None) return 0;
    int dx = x - last_.x, dy = y - last_.y;
    if (std::abs(x - pressed_.x) + std::abs(y - pressed_.y) > 3) moved_ = true;
    if (!moved_) return 0;
    last_ = {x, y};
    if (drag_ == Drag::Orbit) {
        camera_.yaw -= dx * 0.01f;
        camera_.pitch = std::clamp(camera_.pitch + dy * 0.01f, -1.55f, 1.55f);
    } else {
        float perPixel = focal_ > 0 ? camera_.distance / focal_ : 0.01f;
        for (int i = 0; i < 3; ++i) camera_.target[i] += (-dx * right_[i] + dy * up_[i]) * perPixel;
    }
    InvalidateRect(window_, nullptr, FALSE);
    return 0;
}

LRESULT View3D::onButtonUp(int x, int y, WPARAM keys) {
    bool click = drag_ == Drag::Orbit && !moved_;
    if (GetCapture() == window_) ReleaseCapture();
    drag_ = Drag::None;
    if (click) pickFace(x, y, (keys & MK_SHIFT) != 0);
    return 0;
}

LRESULT View3D::onMouseWheel(int delta) {
    camera_.distance *= std::pow(0.85f, delta / float(WHEEL_DELTA));
    camera_.distance = std::clamp(camera_.distance, 1e-4f, 1e7f);
    InvalidateRect(window_, nullptr, FALSE);
    return 0;
}

}  // namespace loomhost
