// Box mapping: each face is projected along whichever of the frame's six directions its
// normal faces most, and each direction's projection keeps its aspect ratio inside one
// cell of a 3 x 2 layout of the target rectangle.
#include "ProjectionFit.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace {

constexpr float BOX_CELL_WIDTH_FACTOR = 0.33333334f;
// Directions +x, +y, +z, -x, -y, -z.
constexpr float BOX_ROLL_DEGREES[6] = {180.0f, 0.0f, 180.0f, 180.0f, 0.0f, 180.0f};

struct BoxSide {
    Vector3 direction;
    Matrix4 intoFrame;
    float cell[4];  // min u, min v, max u, max v
    UVRange range;
    Matrix4 fit;
};

}  // namespace

bool UVModel::boxMap(const Matrix4* frame, const float rect[4], uint16_t cornerMask,
                     uint16_t cornerValue, bool recordUndo) {
    if (!frame || !rect) return false;
    UVEdit edit(*this, undoableSteps(L"Box UV Mapping", EDIT_FACE_DATA, recordUndo));
    const uint16_t mask = cornerMask | UV_LOCKED;
    const float w = (rect[2] - rect[0]) * BOX_CELL_WIDTH_FACTOR;
    const float h = (rect[3] - rect[1]) * 0.5f;

    // The side each face was projected onto, for the fitting pass.
    std::unique_ptr<uint8_t[]> sideOfFace(new (std::nothrow) uint8_t[size_t(edit.faceCount()) + 1]());
    if (!sideOfFace) {
        edit.finish();
        return true;
    }

    BoxSide sides[6];
    for (int i = 0; i < 3; ++i) {
        sides[i].direction = frame->row(i).normalized();
        sides[i + 3].direction = sides[i].direction.negated();
    }
    const float uA = rect[0] + w, uB = rect[0] + (w + w), vA = rect[1] + h;
    const float cells[6][4] = {{rect[0], rect[1], uA, vA},      {uA, rect[1], uB, vA},
                               {uB, rect[1], rect[2], vA},      {rect[0], vA, uA, rect[3]},
                               {uA, vA, uB, rect[3]},           {uB, vA, rect[2], rect[3]}};
    for (int i = 0; i < 6; ++i) {
        Matrix4 toWorld;
        toWorld.orientToAxis(sides[i].direction, BOX_ROLL_DEGREES[i]);
        sides[i].intoFrame = toWorld.inverse();
        std::copy(cells[i], cells[i] + 4, sides[i].cell);
    }

    edit.forEachFace([&](FaceRecord& face, int index) {
        const Vector3 normal = faceNormal(face);
        float best = -2.0f;
        int side = 0;
        for (int i = 0; i < 6; ++i) {
            float d = sides[i].direction.dot(normal);
            if (d > best) {
                best = d;
                side = i;
            }
        }
        sideOfFace[size_t(index)] = uint8_t(side);
        BoxSide& s = sides[side];
        for (int c = 0; c < 3; ++c) {
            Vector3 position;
            if (!cornerPasses(face.flags, c, mask, cornerValue) || !cornerPosition(edit, face, c, position))
                continue;
            Vector3 projected = s.intoFrame.transformPoint(position);
            face.uv[c][0] = projected.x;
            face.uv[c][1] = projected.y;
            s.range.add(projected.x, projected.y);
        }
    });

    for (BoxSide& s : sides) {
        float sx = 1.0f, sy = 1.0f;
        if (s.range.maxU - s.range.minU > FIT_THRESHOLD) sx = w / (s.range.maxU - s.range.minU);
        if (s.range.maxV - s.range.minV > FIT_THRESHOLD) sy = h / (s.range.maxV - s.range.minV);
        const float uniform = std::min(sx, sy);
        s.fit = fitMatrix(s.range, uniform, uniform, (s.cell[0] + s.cell[2]) * 0.5f,
                          (s.cell[1] + s.cell[3]) * 0.5f);
    }
    edit.forEachFace([&](FaceRecord& face, int index) {
        const Matrix4& fit = sides[sideOfFace[size_t(index)]].fit;
        for (int c = 0; c < 3; ++c) {
            if (!cornerPasses(face.flags, c, mask, cornerValue) || !edit.vertexOf(face, c)) continue;
            fitCorner(fit, face, c);
            ++edit.changed;
        }
    });
    sideOfFace.reset();
    edit.finish();
    return true;
}
