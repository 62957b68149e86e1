#include <model/MeshLock.h>
#include <ops/UVModel.h>

#include <gtest/gtest.h>

#include "support/ScriptedMesh.h"


TEST(MeshLockTest, LocksOnceAndUnlocksOnce) {
    ScriptedMesh mesh;
    FaceRecord faces[2] = {};
    VertexRecord vertices[3] = {};
    mesh.faces = reinterpret_cast<BYTE*>(faces), mesh.faceCount = 2;
    mesh.vertices = reinterpret_cast<BYTE*>(vertices), mesh.vertexCount = 3;
    {
        MeshLock lock(&mesh);
        EXPECT_TRUE(lock.faces == faces && lock.faceCount == 2 && lock.vertexCount == 3);
        EXPECT_EQ(mesh.references, 2u);  // held while locked
        lock.unlock();
        EXPECT_TRUE(lock.faces == nullptr && lock.faceCount == 0 && mesh.unlocks == 1);
        lock.unlock();
    }
    EXPECT_TRUE(mesh.locks == 1 && mesh.unlocks == 1 && mesh.references == 1u);
    MeshLock none(nullptr);
    EXPECT_TRUE(none.faceCount == 0 && none.vertexCount == 0);
}

TEST(MeshLockTest, BrokenAnswersMeanNoRecords) {
    ScriptedMesh mesh;
    mesh.faceCount = 5, mesh.vertexCount = 7;  // but no arrays
    {
        MeshLock lock(&mesh);
        EXPECT_TRUE(lock.faceCount == 0 && lock.vertexCount == 0);
    }
    FaceRecord face{};
    mesh.faces = reinterpret_cast<BYTE*>(&face), mesh.faceCount = -3;
    EXPECT_EQ(MeshLock(&mesh).faceCount, 0);
    EXPECT_EQ(mesh.unlocks, 2);

    // The model's queries see nothing through such a mesh and do not crash.
    UVModel model;
    model.mesh = &mesh;
    float rect[4];
    EXPECT_FALSE(model.bounds(CORNERS_ALL, rect));
    model.fillSnapshot(&mesh);
    EXPECT_EQ(model.countCorners(CORNERS_ALL) + model.snapshot.count(), 0);
    model.mesh.Reset();
    EXPECT_EQ(mesh.references, 1u);
}
