#include "ViewHost.h"

#include <algorithm>
#include <cmath>

namespace devhost {
namespace {

// Enumerates a fixed list of connection points or connections; every item handed
// out carries its own reference.
template <class Enum, class Item, class Stored>
class Enumerator : public ComObject<Enum> {
public:
    explicit Enumerator(std::vector<Stored> items, size_t next = 0) : items_(std::move(items)), next_(next) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        for (; given < count && next_ < items_.size(); ++given, ++next_) out[given] = handOut(items_[next_]);
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        size_t left = items_.size() - next_;
        next_ += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Enum** copy) override {
        if (!copy) return E_POINTER;
        *copy = makeObject<Enumerator>(items_, next_).Detach();
        return S_OK;
    }

private:
    static IConnectionPoint* handOut(const HostRef<IConnectionPoint>& point) {
        point->AddRef();
        return point.Get();
    }
    static CONNECTDATA handOut(const std::pair<DWORD, HostRef<IUnknown>>& connection) {
        connection.second->AddRef();
        return CONNECTDATA{connection.second.Get(), connection.first};
    }

    std::vector<Stored> items_;
    size_t next_;
};

using PointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, HostRef<IConnectionPoint>>;
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, std::pair<DWORD, HostRef<IUnknown>>>;

}  // namespace

ViewHost::ViewHost(Link link) : link_(std::move(link)) {}

HRESULT ViewHost::RedrawViews(LONG flags) {
    if (record(link_, "RedrawViews", flags)) return failedCall();
    ++redrawRequests_;
    if (onRedraw) onRedraw(flags);
    return S_OK;
}

HRESULT ViewHost::GetDrawState(LONG state, DWORD* value) {
    if (record(link_, "GetDrawState", state)) return failedCall(value);
    if (!value) return E_POINTER;
    *value = drawState(state);
    return S_OK;
}

HRESULT ViewHost::SetDrawState(LONG state, DWORD value) {
    if (record(link_, "SetDrawState", state, value)) return failedCall();
    drawStates_[state] = value;
    return S_OK;
}

DWORD ViewHost::drawState(LONG state) const {
    auto found = drawStates_.find(state);
    return found == drawStates_.end() ? 0 : found->second;
}

static bool readMatrix(const float* matrix, std::array<float, 16>& out) {
    if (!matrix) return false;
    std::copy_n(matrix, 16, out.begin());
    return std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v); });
}

HRESULT ViewHost::DrawMesh(LONG_PTR view, HostPreviewMesh* mesh, const float* matrix, DWORD colour, LONG a,
                           LONG b, LONG c) {
    if (record(link_, "DrawMesh", view, static_cast<void*>(mesh), static_cast<const void*>(matrix), colour, a, b, c)) return failedCall();
    DrawMeshCall call;
    if (!readMatrix(matrix, call.matrix)) return E_INVALIDARG;
    call.view = view;
    call.colour = colour;
    call.a = a;
    call.b = b;
    call.c = c;
    // Only preview meshes this host made and that are still alive can be drawn.
    for (PreviewMesh* own : link_->previewMeshes)
        if (static_cast<HostPreviewMesh*>(own) == mesh) call.mesh = own;
    drawMeshCalls_.push_back(call);
    if (onDrawMesh) onDrawMesh(call);
    return call.mesh || !mesh ? S_OK : E_INVALIDARG;
}

HRESULT ViewHost::GetViewScale(LONG_PTR view, LONG_PTR context, float* scale) {
    if (record(link_, "GetViewScale", view, context)) return failedCall(scale);
    if (!scale) return E_POINTER;
    *scale = viewScale;
    return S_OK;
}

HRESULT ViewHost::DrawAxes(LONG_PTR view, const float* matrix, float size, LONG style, LONG reserved) {
    if (record(link_, "DrawAxes", view, static_cast<const void*>(matrix), size, style, reserved)) return failedCall();
    DrawAxesCall call;
    if (!readMatrix(matrix, call.matrix) || !std::isfinite(size)) return E_INVALIDARG;
    call.view = view;
    call.size = size;
    call.style = style;
    drawAxesCalls_.push_back(call);
    if (onDrawAxes) onDrawAxes(call);
    return S_OK;
}

HRESULT ViewHost::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (record(link_, "EnumConnectionPoints")) return failedCall(points);
    if (!points) return E_POINTER;
    *points = makeObject<PointEnumerator>(std::vector<HostRef<IConnectionPoint>>{&point_}).Detach();
    return S_OK;
}

HRESULT ViewHost::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (record(link_, "FindConnectionPoint")) return failedCall(point);
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != IID_HostDrawCallback) return CONNECT_E_NOCONNECTION;
    *point = &point_;
    point_.AddRef();
    return S_OK;
}

void ViewHost::drawViews(LONG_PTR view, LONG_PTR context) {
    // A callback may unregister itself (or another) while it draws.
    std::vector<Callback> callbacks = callbacks_;
    for (const Callback& callback : callbacks) {
        bool registered = std::any_of(callbacks_.begin(), callbacks_.end(),
                                      [&](const Callback& c) { return c.cookie == callback.cookie; });
        if (registered) callback.callback->OnDrawView(view, context);
    }
}

HRESULT ViewHost::Point::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT ViewHost::Point::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = IID_HostDrawCallback;
    return S_OK;
}

HRESULT ViewHost::Point::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = &owner_;
    owner_.AddRef();
    return S_OK;
}

HRESULT ViewHost::Point::Advise(IUnknown* sink, DWORD* cookie) {
    if (record(owner_.link_, "Advise")) return failedCall(cookie);
    if (cookie) *cookie = 0;
    if (!sink || !cookie) return E_POINTER;
    HostRef<HostDrawCallback> callback;
    if (FAILED(sink->QueryInterface(IID_HostDrawCallback, reinterpret_cast<void**>(callback.GetAddressOf()))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = owner_.nextCookie_++;
    owner_.callbacks_.push_back({*cookie, std::move(callback)});
    return S_OK;
}

HRESULT ViewHost::Point::Unadvise(DWORD cookie) {
    if (record(owner_.link_, "Unadvise", cookie)) return failedCall();
    auto& callbacks = owner_.callbacks_;
    auto found = std::find_if(callbacks.begin(), callbacks.end(), [cookie](const Callback& c) { return c.cookie == cookie; });
    if (found == callbacks.end()) return CONNECT_E_NOCONNECTION;
    callbacks.erase(found);
    return S_OK;
}

HRESULT ViewHost::Point::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    std::vector<std::pair<DWORD, HostRef<IUnknown>>> list;
    for (const Callback& c : owner_.callbacks_) list.emplace_back(c.cookie, HostRef<IUnknown>(c.callback.Get()));
    *connections = makeObject<ConnectionEnumerator>(std::move(list)).Detach();
    return S_OK;
}

}  // namespace devhost
