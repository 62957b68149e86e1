// The walk every UV operation makes: the locked records in array order, faces under a
// face filter, corners under a corner test, vertices only through a checked index.
#pragma once

#include "MeshLock.h"
#include "Records.h"

#include <cstdint>

class UVWalk {
public:
    UVWalk(HostMesh* mesh, FaceFilter filter) : lock_(mesh), filter_(filter) {}

    int faceCount() const { return lock_.faceCount; }
    int vertexCount() const { return lock_.vertexCount; }
    FaceRecord& face(int i) { return lock_.faces[i]; }
    VertexRecord& vertex(int i) { return lock_.vertices[i]; }  // i below vertexCount()
    FaceFilter filter() const { return filter_; }

    // The corner's vertex, or null when the host's index is at or beyond the vertex count.
    VertexRecord* vertexOf(const FaceRecord& face, int c) {
        unsigned index = face.vertex[c];
        return index < unsigned(lock_.vertexCount) ? &lock_.vertices[index] : nullptr;
    }
    // Synchronised selection: the corner's vertex follows the corner's selected state.
    void setVertexSelected(const FaceRecord& face, int c, bool selected) {
        if (VertexRecord* vertex = vertexOf(face, c)) {
            if (selected)
                vertex->flags |= VERTEX_SELECTED;
            else
                vertex->flags &= uint16_t(~VERTEX_SELECTED);
        }
    }

    // fn(FaceRecord&, int faceIndex) for each face passing the filter, in array order.
    template <class Fn>
    void forEachFace(FaceFilter filter, Fn&& fn) {
        FaceRecord* faces = lock_.faces;
        const int count = lock_.faceCount;
        for (int i = 0; i < count; ++i)
            if (filter.passes(faces[i].flags)) fn(faces[i], i);
    }
    template <class Fn>
    void forEachFace(Fn&& fn) { forEachFace(filter_, fn); }

    // fn(FaceRecord&, int corner) for each corner of a filtered face passing the test.
    template <class Fn>
    void forEachCorner(CornerTest test, Fn&& fn) {
        forEachFace(filter_, [&](FaceRecord& face, int) {
            for (int c = 0; c < 3; ++c)
                if (test.passes(face.flags, c)) fn(face, c);
        });
    }

    // Releases the records early; the walk then sees no faces.
    void unlock() { lock_.unlock(); }

private:
    MeshLock lock_;
    FaceFilter filter_;
};

// A caller's face test merged into the face filter.
inline FaceFilter mergedFilter(FaceFilter filter, FaceFilter test) {
    return {uint16_t(filter.mask | test.mask), uint16_t(filter.value | test.value)};
}

// FACE_SELECTED follows whether all three corners are selected.
inline void syncFaceSelected(FaceRecord& face) {
    if ((face.flags & UV_SELECTED_ALL) == UV_SELECTED_ALL)
        face.flags |= FACE_SELECTED;
    else
        face.flags &= uint16_t(~FACE_SELECTED);
}
