// Shared helpers for the development host's tests: a mesh whose host bytes carry a
// recognisable pattern, and an event sink that records what it receives.
#pragma once

#include "DevHost.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace devhost_test {

using devhost::DevFace;
using devhost::DevVertex;

// A strip of count triangles over count + 2 vertices; every host byte is distinct
// per record so that a lost or shifted byte shows.
inline std::vector<DevFace> stripFaces(int count) {
    std::vector<DevFace> faces(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        DevFace& f = faces[static_cast<size_t>(i)];
        std::memset(&f, 0, sizeof f);
        for (int c = 0; c < 3; ++c) {
            f.vertex[c] = static_cast<std::uint16_t>(i + c);
            f.uv[c][0] = 0.1f * static_cast<float>(i + c);
            f.uv[c][1] = 0.05f * static_cast<float>(c);
        }
        f.material = static_cast<std::uint32_t>(i % 3);
        f.normal[2] = 1;
        std::uint8_t* areas[4] = {f.hostData0, f.hostData1, f.hostData2, f.hostData3};
        const size_t sizes[4] = {sizeof f.hostData0, sizeof f.hostData1, sizeof f.hostData2, sizeof f.hostData3};
        for (int a = 0; a < 4; ++a)
            for (size_t k = 0; k < sizes[a]; ++k)
                areas[a][k] = static_cast<std::uint8_t>(i * 31 + (a + 1) * 7 + static_cast<int>(k));
    }
    return faces;
}

inline std::vector<DevVertex> stripVertices(int faceCount) {
    std::vector<DevVertex> vertices(static_cast<size_t>(faceCount + 2));
    for (size_t i = 0; i < vertices.size(); ++i) {
        DevVertex& v = vertices[i];
        std::memset(&v, 0, sizeof v);
        v.position[0] = static_cast<float>(i / 2);
        v.position[1] = static_cast<float>(i % 2);
        for (size_t k = 0; k < sizeof v.hostData0; ++k) v.hostData0[k] = static_cast<std::uint8_t>(200 + i + k);
        v.hostData1[0] = 0xA5;
        v.hostData1[1] = static_cast<std::uint8_t>(i);
    }
    return vertices;
}

// A file name in the temporary folder, distinct per test process.
inline std::wstring temporaryPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"devhost-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

template <class T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

struct SeenEvent {
    DWORD kind = 0;
    std::wstring name;
    std::wstring attribute;
    bool reload = false;
    bool selection = false;
    LONG textureId = 0;  // when the source is a node
};

// Records every event; optionally runs an action inside the delivery.
class RecordingSink : public devhost::ComObject<HostEventSink> {
public:
    std::vector<SeenEvent> events;
    std::function<void(HostEvent*)> during;

    HRESULT STDMETHODCALLTYPE OnEvent(HostEvent* event) override {
        SeenEvent seen;
        seen.kind = event->kind;
        if (event->name) seen.name = event->name;
        if (event->attributeName) seen.attribute = event->attributeName;
        HostRef<HostChange> change;
        if (event->source &&
            SUCCEEDED(event->source->QueryInterface(IID_HostChange, reinterpret_cast<void**>(change.GetAddressOf())))) {
            seen.reload = change->NeedsMeshReload() == S_OK;
            seen.selection = change->NeedsSelectionRefresh(46) == S_OK;
        }
        HostRef<HostNode> node;
        if (event->source &&
            SUCCEEDED(event->source->QueryInterface(IID_HostNode, reinterpret_cast<void**>(node.GetAddressOf()))))
            node->GetIdentifier(&seen.textureId);
        events.push_back(seen);
        if (during) during(event);
        return S_OK;
    }

    size_t count(DWORD kind) const {
        size_t n = 0;
        for (const SeenEvent& e : events) n += e.kind == kind;
        return n;
    }
    const SeenEvent* last(DWORD kind) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->kind == kind) return &*it;
        return nullptr;
    }
};

inline HostRef<HostMesh> activeMesh(devhost::Document& document) {
    HostRef<HostMesh> mesh;
    document.GetActiveMesh(mesh.GetAddressOf());
    return mesh;
}

// Runs edit on the face records between LockFaces and UnlockFaces, as the plug-in does.
template <class F>
void editLocked(HostMesh& mesh, F edit) {
    BYTE* vertices = nullptr;
    BYTE* faces = nullptr;
    LONG vertexCount = 0, faceCount = 0;
    if (FAILED(mesh.LockFaces(&vertices, &vertexCount, &faces, &faceCount))) return;
    edit(reinterpret_cast<DevFace*>(faces), faceCount, reinterpret_cast<DevVertex*>(vertices), vertexCount);
    mesh.UnlockFaces();
}

// An attribute as the host keeps it; every node this host hands out is a Node.
inline std::wstring attribute(HostNode& node, const wchar_t* name) {
    const std::wstring* text = static_cast<devhost::Node&>(node).text(name);
    return text ? *text : L"<none>";
}

}  // namespace devhost_test
