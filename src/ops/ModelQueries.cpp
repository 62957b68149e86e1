#include "UVModel.h"

#include <model/UVWalk.h>



bool UVModel::bounds(CornerTest test, float rect[4]) {
    float minU = 9999999.0f, minV = 9999999.0f, maxU = -9999999.0f, maxV = -9999999.0f;
    bool found = false;
    UVWalk walk(mesh.Get(), faceFilter);
    walk.forEachCorner(test, [&](FaceRecord& face, int c) {
        float u = face.uv[c][0], v = face.uv[c][1];
        if (u < minU) minU = u;
        if (v < minV) minV = v;
        if (u > maxU) maxU = u;
        if (v > maxV) maxV = v;
        found = true;
    });
    rect[0] = minU;
    rect[1] = minV;
    rect[2] = maxU;
    rect[3] = maxV;
    return found;
}

int UVModel::countCorners(CornerTest test) {
    int count = 0;
    UVWalk walk(mesh.Get(), faceFilter);
    walk.forEachCorner(test, [&](FaceRecord&, int) { ++count; });
    return count;
}

void UVModel::fillSnapshot(HostMesh* fromMesh) {
    snapshot.reserve(1024);
    // Every face with a selected corner, hidden or filtered out or not: the filter is
    // applied at each drag step, against the faces' state then.
    UVWalk walk(fromMesh, FACE_FILTER_OFF);
    bool whole = true;
    walk.forEachFace([&](FaceRecord& face, int index) {
        if ((face.flags & UV_SELECTED_ALL) == 0) return;
        SnapshotEntry entry;
        entry.faceIndex = uint32_t(index);
        for (int c = 0; c < 3; ++c) {
            entry.uv[c][0] = face.uv[c][0];
            entry.uv[c][1] = face.uv[c][1];
        }
        whole = snapshot.append(entry) && whole;
    });
    // A drag must not move only the faces there was memory for: then it moves none.
    if (!whole) snapshot.removeAll();
}
