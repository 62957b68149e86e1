// The host's 3D views as the plug-in sees them: draw callbacks registered through a
// connection point, the drawing calls they make, and preview meshes (guide shapes).
#pragma once

#include "ComObject.h"
#include "Journal.h"

#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace devhost {

// A guide shape as a triangle list in model space: 9 floats per triangle.
// Shapes are centred on the origin; the z axis is the box depth, the cylinder's
// axis and the sphere's polar axis.
class PreviewMesh : public ComObject<HostPreviewMesh> {
public:
    explicit PreviewMesh(Link link);
    ~PreviewMesh() override;

    HRESULT STDMETHODCALLTYPE MakeBox(float width, float height, float depth, LONG segments) override;
    HRESULT STDMETHODCALLTYPE MakeCylinder(float radius1, float radius2, float height, LONG sides,
                                           LONG heightSegments, LONG capSegments) override;
    HRESULT STDMETHODCALLTYPE MakeSphere(float radius, LONG segments, LONG rings) override;

    const std::vector<float>& triangles() const { return triangles_; }
    size_t triangleCount() const { return triangles_.size() / 9; }

private:
    Link link_;
    std::vector<float> triangles_;
};

struct DrawMeshCall {
    LONG_PTR view = 0;
    HostRef<PreviewMesh> mesh;  // null when the plug-in passed none (or a foreign object)
    std::array<float, 16> matrix{};  // row vectors, translation in 12..14
    DWORD colour = 0;
    LONG a = 0, b = 0, c = 0;
};

struct DrawAxesCall {
    LONG_PTR view = 0;
    std::array<float, 16> matrix{};
    float size = 0;
    LONG style = 0;
};

class ViewHost : public ComObject<HostViewHost, IConnectionPointContainer> {
public:
    explicit ViewHost(Link link);

    // HostViewHost
    HRESULT STDMETHODCALLTYPE RedrawViews(LONG flags) override;
    HRESULT STDMETHODCALLTYPE GetDrawState(LONG state, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE SetDrawState(LONG state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE DrawMesh(LONG_PTR view, HostPreviewMesh* mesh, const float* matrix,
                                       DWORD colour, LONG a, LONG b, LONG c) override;
    HRESULT STDMETHODCALLTYPE GetViewScale(LONG_PTR view, LONG_PTR context, float* scale) override;
    HRESULT STDMETHODCALLTYPE DrawAxes(LONG_PTR view, const float* matrix, float size, LONG style,
                                       LONG reserved) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // Host side: the 3D view calls every registered callback while it paints.
    void drawViews(LONG_PTR view, LONG_PTR context);
    size_t callbackCount() const { return callbacks_.size(); }
    int redrawRequests() const { return redrawRequests_; }
    DWORD drawState(LONG state) const;
    const std::vector<DrawMeshCall>& drawMeshCalls() const { return drawMeshCalls_; }
    const std::vector<DrawAxesCall>& drawAxesCalls() const { return drawAxesCalls_; }
    void clearDrawCalls() { drawMeshCalls_.clear(); drawAxesCalls_.clear(); }

    // Hooks for the application's 3D view (each may be empty).
    std::function<void(LONG flags)> onRedraw;
    std::function<void(const DrawMeshCall&)> onDrawMesh;
    std::function<void(const DrawAxesCall&)> onDrawAxes;
    float viewScale = 1.0f;  // answered by GetViewScale

private:
    class Point : public IConnectionPoint {
    public:
        explicit Point(ViewHost& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
        HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
        HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
        HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    private:
        ViewHost& owner_;
    };
    friend class Point;

    struct Callback {
        DWORD cookie;
        HostRef<HostDrawCallback> callback;
    };

    Link link_;
    Point point_{*this};
    std::vector<Callback> callbacks_;
    DWORD nextCookie_ = 1;
    int redrawRequests_ = 0;
    std::map<LONG, DWORD> drawStates_;
    std::vector<DrawMeshCall> drawMeshCalls_;
    std::vector<DrawAxesCall> drawAxesCalls_;
};

}  // namespace devhost
