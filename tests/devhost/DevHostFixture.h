// Shared helpers for the development host's tests: a mesh whose host bytes carry a
// recognisable pattern, and an event sink that records what it receives.
#pragma once

#include "DevHost.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace devhost_test {

using devhost::DevFace;
using devhost::DevVertex;

// A strip of count triangles over count + 2 vertices; every host byte is distinct
// per record so that a lost or shifted byte shows.
template <class Record>
void fillBytes(Record& record, size_t i) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    for (size_t k = 0; k < sizeof record; ++k) bytes[k] = static_cast<std::uint8_t>(i * 31 + k);
}

inline std::vector<DevFace> stripFaces(int count) {
    std::vector<DevFace> faces(static_cast<size_t>(count));
    for (size_t i = 0; i < faces.size(); ++i) {
        DevFace& f = faces[i];
        fillBytes(f, i);
        f.flags = 0, f.material = static_cast<std::uint32_t>(i % 3);
        for (int c = 0; c < 3; ++c) {
            f.vertex[c] = static_cast<std::uint16_t>(i + c), f.groups[c] = 0, f.normal[c] = c == 2 ? 1.0f : 0.0f;
            f.uv[c][0] = 0.1f * static_cast<float>(i + c), f.uv[c][1] = 0.05f * static_cast<float>(c);
        }
    }
    return faces;
}

inline std::vector<DevVertex> stripVertices(int faceCount) {
    std::vector<DevVertex> vertices(static_cast<size_t>(faceCount + 2));
    for (size_t i = 0; i < vertices.size(); ++i) {
        fillBytes(vertices[i], i + 100);
        vertices[i].flags = 0, vertices[i].position[2] = 0;
        vertices[i].position[0] = static_cast<float>(i / 2), vertices[i].position[1] = static_cast<float>(i % 2);
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
    std::wstring name, attribute;
    bool reload = false, selection = false;
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
        seen.name = event->name ? event->name : L"", seen.attribute = event->attributeName ? event->attributeName : L"";
        HostRef<IUnknown> source(event->source);
        HostRef<HostChange> change;
        HostRef<HostNode> node;
        if (source && SUCCEEDED(source.As(&change)))
            seen.reload = change->NeedsMeshReload() == S_OK, seen.selection = change->NeedsSelectionRefresh(46) == S_OK;
        if (source && SUCCEEDED(source.As(&node))) node->GetIdentifier(&seen.textureId);
        events.push_back(seen);
        if (during) during(event);
        return S_OK;
    }

    size_t count(DWORD kind) const {
        return size_t(std::count_if(events.begin(), events.end(), [kind](const SeenEvent& e) { return e.kind == kind; }));
    }
    const SeenEvent* last(DWORD kind) const {
        auto it = std::find_if(events.rbegin(), events.rend(), [kind](const SeenEvent& e) { return e.kind == kind; });
        return it == events.rend() ? nullptr : &*it;
    }
};

// Runs edit on the face records between LockFaces and UnlockFaces, as the plug-in does.
template <class F>
void editLocked(HostMesh& mesh, F edit) {
    BYTE *vertices = nullptr, *faces = nullptr;
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
