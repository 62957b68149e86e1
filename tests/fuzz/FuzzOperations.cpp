// The UV operations on fuzzer-built meshes: records with any flags, vertex indices and
// floats (NaN, infinities, 1e38, denormals, as the bytes say), no faces or up to 65,536
// vertices, then a sequence of operations with fuzzer-chosen operands. Every operation
// must leave the lock count balanced and no undo group open.
#include "lib/DevHost.h"
#include "ops/Islands.h"
#include "ops/Relax.h"
#include "ops/UVModel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Bytes {
    const std::uint8_t* data;
    size_t size;
    size_t at = 0;
    template <class T>
    T take() {
        T value{};
        std::uint8_t raw[sizeof(T)] = {};
        for (size_t k = 0; k < sizeof(T) && at < size; ++k) raw[k] = data[at++];
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }
    bool more() const { return at < size; }
};

// Mostly tame floats, so that the operations get past their early exits; any bits sometimes.
float number(Bytes& in) {
    const std::uint8_t kind = in.take<std::uint8_t>();
    if (kind < 192) return float(kind) / 64.0f - 1.0f;
    if (kind < 224) return in.take<float>();
    const float specials[] = {__builtin_nanf(""), __builtin_inff(), -__builtin_inff(), 1e38f, -1e38f, 1e-45f, 0.0f, -0.0f};
    return specials[kind % 8];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    Bytes in{data, size};
    // Many vertices cost only their count: positions repeat every 64.
    const std::uint8_t shape = in.take<std::uint8_t>();
    const size_t vertexCount = shape == 255 ? 65536 : shape % 64;
    const size_t faceCount = in.take<std::uint8_t>() % 48;
    std::vector<devhost::DevVertex> vertices(vertexCount);
    std::vector<float> positions(64 * 3);
    for (float& p : positions) p = number(in);
    for (size_t i = 0; i < vertexCount; ++i) {
        std::memset(&vertices[i], 0, sizeof vertices[i]);
        std::memcpy(vertices[i].position, &positions[(i % 64) * 3], sizeof vertices[i].position);
        vertices[i].flags = std::uint16_t(i & 1);
    }
    std::vector<devhost::DevFace> faces(faceCount);
    for (devhost::DevFace& f : faces) {
        std::memset(&f, 0, sizeof f);
        f.flags = in.take<std::uint16_t>();
        for (int c = 0; c < 3; ++c) {
            const std::uint8_t index = in.take<std::uint8_t>();
            f.vertex[c] = index >= 250 ? std::uint16_t(65535 - index) : std::uint16_t(index % std::max<size_t>(vertexCount, 1));
            f.uv[c][0] = number(in), f.uv[c][1] = number(in);
            f.groups[c] = in.take<std::uint8_t>();
        }
        for (float& n : f.normal) n = number(in);
    }

    HostRef<devhost::Document> document = devhost::Document::create();
    document->setMesh(std::move(faces), std::move(vertices));
    UVModelOwner owner;
    UVModel model;
    model.document = document;
    model.owner = &owner;
    document->GetActiveMesh(&model.mesh);
    document->setJournaling(false);

    const CornerTest tests[] = {CORNERS_ALL, CORNERS_VISIBLE, CORNERS_SELECTED, CORNERS_EDITABLE};
    const Vector3 axes[] = {{1, 0, 0}, {0, -1, 0}, {0, 0, 1}};
    const int most = vertexCount > 4096 ? 4 : 24;  // the largest meshes are slow to walk
    for (int steps = 0; in.more() && steps < most; ++steps) {
        const std::uint8_t op = in.take<std::uint8_t>();
        const CornerTest test = tests[(op >> 5) & 3];
        const bool sync = (op & 0x80) != 0;
        const float a = number(in), b = number(in);
        const UVPoint point{a, b};
        const float rect[4] = {a, b, a + number(in), b + number(in)};
        Matrix4 frame;
        frame.orientToAxis(axes[op % 3], a);
        if (op & 0x10) model.faceFilter = (op & 1) ? FACE_FILTER_SELECTED_IN_3D : FACE_FILTER_ALL;
        switch (op % 25) {
        case 0: model.move(a, b, test, true); break;
        case 1: model.scale(a, b, test, true, (op & 0x40) ? &point : nullptr); break;
        case 2: model.rotate(a, test, true, &point); break;
        case 3: model.mirror({true, (op & 1) != 0}, test, true, &point); break;
        case 4: model.setCornerFlags(in.take<std::uint16_t>(), in.take<std::uint16_t>(), test, L"Flags", {sync}); break;
        case 5: model.selectAll((op & 1) != 0, {sync}); break;
        case 6: model.invertSelection(sync); break;
        case 7: model.expandSelection(sync); break;
        case 8: model.contractSelection(sync); break;
        case 9: model.selectCoords(rect, a, op & 3, sync); break;
        case 10: model.selectTriangles(rect, op & 3, sync); break;
        case 11: model.invertHidden(); break;
        case 12: model.assignGroup(in.take<std::uint16_t>(), in.take<std::uint16_t>(), test); break;
        case 13: model.selectGroup(in.take<std::uint16_t>(), in.take<std::uint16_t>(), op & 3, sync); break;
        case 14: model.weld(a, test); break;
        case 15: model.snapTogether(&point); break;
        case 16: model.setCoordinate(a, b); break;
        case 17: model.reverseWinding(FACES_WHOLLY_EDITABLE); break;
        case 18: model.planarMap(&axes[op % 3], rect, test, true); break;
        case 19: model.boxMap(&frame, rect, test, true); break;
        case 20: model.cylindricalMap(&frame, rect, test, true); break;
        case 21: model.sphericalMap(&frame, rect, test, true); break;
        case 22: (op & 1) ? selectIsland(model, a, sync) : (op & 2) ? unwrap(model, a) : unwrapConformal(model, a); break;
        case 23: (op & 1) ? autoUnwrap(model, a) : packIslands(model, a); break;
        default: relax(model, a, L"Relax"); break;
        }
        if (document->lockCount() != 0 || document->groupOpen()) __builtin_trap();
        if (op & 0x40) document->undo();
    }
    model.mesh.Reset();
    model.document.Reset();
    return 0;
}
