// A UVModel wired to a development-host document, with helpers to build small meshes
// whose host data bytes and uninterpreted flag bits can be checked after an edit.
#pragma once

#include <ops/UVModel.h>

#include "devhost/DevHostFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace meshtest {

using devhost::DevFace;
using devhost::DevVertex;

// Bits the plug-in never interprets; every face is built with them set.
constexpr uint16_t FOREIGN_BITS = 0xF004;
constexpr uint8_t FACE_DATA_BYTE = 0xA5;
constexpr uint8_t VERTEX_DATA_BYTE = 0x5A;

inline DevFace face(uint16_t flags, int v0, int v1, int v2, float u0, float w0, float u1, float w1,
                    float u2, float w2) {
    DevFace f;
    std::memset(&f, FACE_DATA_BYTE, sizeof f);
    f.flags = uint16_t(flags | FOREIGN_BITS), f.material = 0;
    f.vertex[0] = uint16_t(v0), f.vertex[1] = uint16_t(v1), f.vertex[2] = uint16_t(v2);
    f.normal[0] = f.normal[1] = 0, f.normal[2] = 1, f.groups[0] = f.groups[1] = f.groups[2] = 0;
    const float uv[3][2] = {{u0, w0}, {u1, w1}, {u2, w2}};
    std::memcpy(f.uv, uv, sizeof uv);
    return f;
}

inline DevVertex vertex(float x, float y, float z, uint16_t flags = 0) {
    DevVertex v;
    std::memset(&v, VERTEX_DATA_BYTE, sizeof v);
    v.position[0] = x, v.position[1] = y, v.position[2] = z, v.flags = flags;
    return v;
}

inline std::vector<DevVertex> vertices(int count) {
    std::vector<DevVertex> result;
    for (int i = 0; i < count; ++i) result.push_back(vertex(float(i), 0, 0));
    return result;
}

template <size_t N>
bool bytesAre(const uint8_t (&bytes)[N], uint8_t value) {
    return std::all_of(bytes, bytes + N, [value](uint8_t b) { return b == value; });
}

// Host data and foreign flag bits of every record are as built.
inline void expectRecordsIntact(devhost::Document& doc) {
    for (const DevFace& f : doc.faces())
        EXPECT_TRUE((f.flags & FOREIGN_BITS) == FOREIGN_BITS && bytesAre(f.hostData0, FACE_DATA_BYTE) &&
                    bytesAre(f.hostData1, FACE_DATA_BYTE) && bytesAre(f.hostData2, FACE_DATA_BYTE) &&
                    bytesAre(f.hostData3, FACE_DATA_BYTE))
            << "face " << &f - doc.faces().data();
    for (const DevVertex& v : doc.vertices())
        EXPECT_TRUE(bytesAre(v.hostData0, VERTEX_DATA_BYTE) && bytesAre(v.hostData1, VERTEX_DATA_BYTE))
            << "vertex " << &v - doc.vertices().data();
}

class MeshFixture : public ::testing::Test {
protected:
    // Hears the change events the host sends, and what the owner's counter was then.
    MeshFixture() : doc(devhost::Document::create()), probe(devhost::makeObject<devhost_test::RecordingSink>()) {
        model.document = doc;
        model.owner = &owner;
        probe->during = [this](HostEvent*) { countersSeen.push_back(owner.changeInProgress); };
        DWORD cookie = 0;
        doc->Subscribe(0, probe.Get(), HOST_EVENT_CHANGED, 0, 0, nullptr, nullptr, &cookie);
    }
    ~MeshFixture() override {
        model.mesh.Reset();
        model.document.Reset();
    }
    // No operation may touch the host's bytes: every mesh is checked when it is replaced.
    void TearDown() override { expectRecordsIntact(*doc.Get()); }

    // Makes the records the active mesh of the document and of the model (with three
    // vertices unless given).
    void useMesh(std::vector<DevFace> faces, std::vector<DevVertex> verts = vertices(3)) {
        expectRecordsIntact(*doc.Get());
        doc->setMesh(std::move(faces), std::move(verts));
        model.mesh.Reset();
        doc->GetActiveMesh(&model.mesh);
        doc->clearJournal();
        countersSeen.clear();
    }

    std::vector<std::string>& journal() { return doc->journal(); }
    // The journal is as expected; the next check reads only what follows.
    void expectJournal(const std::vector<std::string>& lines) {
        EXPECT_EQ(journal(), lines);
        doc->clearJournal();
    }
    DevFace& f(int i) { return doc->faces()[size_t(i)]; }
    DevVertex& vtx(int i) { return doc->vertices()[size_t(i)]; }
    uint16_t ownFlags(int i) { return uint16_t(f(i).flags & ~FOREIGN_BITS); }
    using Flags = std::vector<uint16_t>;
    Flags ownFlags() {
        Flags all;
        for (size_t i = 0; i < doc->faces().size(); ++i) all.push_back(ownFlags(int(i)));
        return all;
    }
    void expectUV(int i, int c, float u, float v) {
        EXPECT_EQ(std::make_pair(f(i).uv[c][0], f(i).uv[c][1]), std::make_pair(u, v))
            << "face " << i << " corner " << c;
    }
    // The UVs of face i's three corners, u and v in turn.
    void expectFace(int i, std::array<float, 6> uvs, float tolerance = 0) {
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(f(i).uv[k / 2][k % 2], uvs[size_t(k)], tolerance) << "face " << i << " corner " << k / 2;
    }
    static std::vector<float> rectOf(const float* rect) { return {rect, rect + 4}; }

    // The journal of a full protocol with one description and BeginEdit numbers.
    static std::vector<std::string> fullProtocol(const std::string& description, const std::string& numbers,
                                                 bool keep) {
        return {"BeginUndoGroup(\"" + description + "\")", "BeginEdit(" + numbers + ",\"" + description + "\")",
                "LockFaces()", "UnlockFaces()", std::string("EndUndoGroup(") + (keep ? "1" : "0") + ")", "EndEdit()"};
    }
    static std::vector<std::string> lockPair() { return {"LockFaces()", "UnlockFaces()"}; }
    // fullProtocol of a discarded entry whose host is not told: no EndEdit.
    static std::vector<std::string> quietDiscard(const std::string& description, const std::string& numbers) {
        std::vector<std::string> lines = fullProtocol(description, numbers, false);
        lines.pop_back();
        return lines;
    }
    // A query: balanced lock pairs only, no edit (then the journal starts afresh).
    void expectOnlyLockPairs() {
        EXPECT_TRUE(journal().size() % 2 == 0);
        for (size_t i = 0; i < journal().size(); ++i) EXPECT_EQ(journal()[i], lockPair()[i % 2]) << i;
        EXPECT_EQ(doc->lockCount(), 0);
        doc->clearJournal();
    }

    HostRef<devhost::Document> doc;
    UVModelOwner owner;
    UVModel model;
    HostRef<devhost_test::RecordingSink> probe;
    std::vector<int> countersSeen;
};

}  // namespace meshtest
