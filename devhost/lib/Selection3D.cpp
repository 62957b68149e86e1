// The host's own 3D selection and hiding of faces and vertices.
#include "DevHost.h"

#include <stdexcept>

namespace devhost {
namespace {

using Faces = std::vector<DevFace>;
using Vertices = std::vector<DevVertex>;

void setBit(std::uint16_t& flags, std::uint16_t bit, bool on) {
    flags = static_cast<std::uint16_t>(on ? flags | bit : flags & ~bit);
}

// Vertices are selected exactly when a selected face uses them; vertex indices
// beyond the array (bad host data loaded on purpose) are skipped.
void selectVerticesOfFaces(Faces& faces, Vertices& vertices) {
    for (DevVertex& vertex : vertices) setBit(vertex.flags, DEV_VERTEX_SELECTED, false);
    for (const DevFace& face : faces) {
        if (!(face.flags & DEV_FACE_SELECTED)) continue;
        for (std::uint16_t v : face.vertex)
            if (v < vertices.size()) setBit(vertices[v].flags, DEV_VERTEX_SELECTED, true);
    }
}

void requireIndices(const std::vector<int>& indices, size_t count, const char* what) {
    for (int index : indices)
        if (index < 0 || static_cast<size_t>(index) >= count)
            throw std::invalid_argument(std::string(what) + " " + std::to_string(index) + " does not exist (there are " +
                                        std::to_string(count) + ")");
}

}  // namespace

void Document::selectAll3D() {
    changeMesh([](Faces& faces, Vertices& vertices) {
        for (DevFace& face : faces) setBit(face.flags, DEV_FACE_SELECTED, true);
        for (DevVertex& vertex : vertices) setBit(vertex.flags, DEV_VERTEX_SELECTED, true);
    });
}

void Document::selectNone3D() {
    changeMesh([](Faces& faces, Vertices& vertices) {
        for (DevFace& face : faces) setBit(face.flags, DEV_FACE_SELECTED, false);
        for (DevVertex& vertex : vertices) setBit(vertex.flags, DEV_VERTEX_SELECTED, false);
    });
}

void Document::invertSelection3D() {
    changeMesh([](Faces& faces, Vertices& vertices) {
        for (DevFace& face : faces)
            setBit(face.flags, DEV_FACE_SELECTED, !(face.flags & DEV_FACE_SELECTED) && !(face.flags & DEV_FACE_HIDDEN));
        selectVerticesOfFaces(faces, vertices);
    });
}

void Document::selectFaces3D(const std::vector<int>& selected) {
    requireIndices(selected, faces_.size(), "face");
    changeMesh([&](Faces& faces, Vertices& vertices) {
        for (DevFace& face : faces) setBit(face.flags, DEV_FACE_SELECTED, false);
        for (int index : selected) setBit(faces[static_cast<size_t>(index)].flags, DEV_FACE_SELECTED, true);
        selectVerticesOfFaces(faces, vertices);
    });
}

void Document::selectVertices3D(const std::vector<int>& selected) {
    requireIndices(selected, vertices_.size(), "vertex");
    changeMesh([&](Faces& faces, Vertices& vertices) {
        for (DevVertex& vertex : vertices) setBit(vertex.flags, DEV_VERTEX_SELECTED, false);
        for (int index : selected) setBit(vertices[static_cast<size_t>(index)].flags, DEV_VERTEX_SELECTED, true);
        for (DevFace& face : faces) {
            bool closed = true;
            for (std::uint16_t v : face.vertex)
                closed = closed && v < vertices.size() && (vertices[v].flags & DEV_VERTEX_SELECTED);
            setBit(face.flags, DEV_FACE_SELECTED, closed);
        }
    });
}

void Document::setHiddenFaces3D(const std::vector<int>& hidden) {
    requireIndices(hidden, faces_.size(), "face");
    changeMesh([&](Faces& faces, Vertices& vertices) {
        for (DevFace& face : faces) setBit(face.flags, DEV_FACE_HIDDEN, false);
        for (int index : hidden) {
            DevFace& face = faces[static_cast<size_t>(index)];
            setBit(face.flags, DEV_FACE_HIDDEN, true);
            setBit(face.flags, DEV_FACE_SELECTED, false);
        }
        selectVerticesOfFaces(faces, vertices);
    });
}

void Document::hideSelected3D() {
    changeMesh([](Faces& faces, Vertices& vertices) {
        for (DevFace& face : faces)
            if (face.flags & DEV_FACE_SELECTED) {
                setBit(face.flags, DEV_FACE_HIDDEN, true);
                setBit(face.flags, DEV_FACE_SELECTED, false);
            }
        selectVerticesOfFaces(faces, vertices);
    });
}

void Document::unhideAll3D() {
    changeMesh([](Faces& faces, Vertices&) {
        for (DevFace& face : faces) setBit(face.flags, DEV_FACE_HIDDEN, false);
    });
}

}  // namespace devhost
