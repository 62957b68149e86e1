// Scoped access to the host's face and vertex records: LockFaces on construction,
// UnlockFaces once when the scope ends or at an explicit earlier unlock().
#pragma once

#include "Records.h"

#include <host/HostRef.h>

class MeshLock {
public:
    // An empty mesh locks nothing: the walk that follows sees no faces.
    explicit MeshLock(HostMesh* mesh);
    MeshLock(const MeshLock&) = delete;
    MeshLock& operator=(const MeshLock&) = delete;
    ~MeshLock() { unlock(); }

    // Zeroes the results and releases the records; later calls do nothing.
    void unlock();

    // The host's arrays. Callers stay below the counts; a record's vertex index is
    // host data and must be checked against vertexCount before use.
    FaceRecord* faces = nullptr;
    int faceCount = 0;
    VertexRecord* vertices = nullptr;
    int vertexCount = 0;

private:
    HostRef<HostMesh> mesh_;
};
