#include "MeshLock.h"

MeshLock::MeshLock(HostMesh* mesh) : mesh_(mesh) {
    if (!mesh_) return;
    BYTE* vertexBytes = nullptr;
    BYTE* faceBytes = nullptr;
    LONG vertexTotal = 0;
    LONG faceTotal = 0;
    mesh_->LockFaces(&vertexBytes, &vertexTotal, &faceBytes, &faceTotal);
    // A missing array or a negative count means no records of that kind.
    if (vertexBytes && vertexTotal > 0) {
        vertices = reinterpret_cast<VertexRecord*>(vertexBytes);
        vertexCount = int(vertexTotal);
    }
    if (faceBytes && faceTotal > 0) {
        faces = reinterpret_cast<FaceRecord*>(faceBytes);
        faceCount = int(faceTotal);
    }
}

void MeshLock::unlock() {
    faces = nullptr;
    vertices = nullptr;
    faceCount = vertexCount = 0;
    if (!mesh_) return;
    HostRef<HostMesh> mesh;
    mesh.Swap(mesh_);
    mesh->UnlockFaces();
}
