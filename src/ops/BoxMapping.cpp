// Box mapping: each face is projected along whichever of the frame's six directions its
// normal faces most, and each direction's projection keeps its aspect ratio inside one
// cell of a 3 x 2 layout of the target rectangle.
#include "ProjectionFit.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr float BOX_CELL_WIDTH_FACTOR = 0.33333334f;
// Directions +x, +y, +z, -x, -y, -z.
constexpr float BOX_ROLL_DEGREES[6] = {180.0f, 0.0f, 180.0f, 180.0f, 0.0f, 180.0f};

struct BoxSide {
    Vector3 direction;
    Matrix4 intoFrame;
    float cell[4];  // min u, min v, max u, max v
    UVRange range;
};

}  // namespace

EditResult UVModel::boxMap(const Matrix4* frame, const float rect[4], CornerTest test, bool recordUndo) {
    if (!frame || !rect) return EditResult::Unchanged;
    UVEdit edit(*this, undoableSteps(L"Box UV Mapping", EDIT_FACE_DATA, recordUndo));
    const CornerTest movable = test.unlocked();
    const float w = (rect[2] - rect[0]) * BOX_CELL_WIDTH_FACTOR;
    const float h = (rect[3] - rect[1]) * 0.5f;

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

    return edit.run([&] {
        // The side of each face, chosen in the first walk and marked for the second; and the
        // last projection of each vertex with the side it was made for (0 none, else side + 1):
        // neighbouring faces mostly share a side, so most corners find their vertex done.
        const size_t vertices = size_t(std::clamp(edit.vertexCount(), 0, 65536));
        uint8_t* marks = takeFaceMarks(scratch, edit.faceCount(), vertices);
        UVPoint* vertexUVs = scratch.vertexUVs.take(vertices);
        if (!marks || !vertexUVs) throw std::bad_alloc();
        uint8_t* vertexSide = marks + edit.faceCount();
        std::fill(vertexSide, vertexSide + vertices, uint8_t(0));
        // The vertex's projection onto the side, through fit (each side's in the second walk).
        auto projectOnto = [&](unsigned index, int side, const Matrix4* fit) {
            if (vertexSide[index] != side + 1) {
                const Vector3 p = sides[side].intoFrame.transformPoint(positionOf(edit.vertex(int(index))));
                vertexUVs[index] = fit ? fitted(fit[side], {p.x, p.y}) : UVPoint{p.x, p.y};
                vertexSide[index] = uint8_t(side + 1);
            }
            return vertexUVs[index];
        };
        // The bounds of the side in hand stay in registers while neighbouring faces share it.
        int rangeSide = 0;
        UVRange range = sides[0].range;
        edit.forEachFace([&](FaceRecord& face, int index) {
            // The side the normal faces most; ties go to the lower side. The opposite sides'
            // dot products are the exact negatives.
            const Vector3 normal = faceNormal(face);
            float dots[6];
            for (int i = 0; i < 3; ++i) {
                dots[i] = sides[i].direction.dot(normal);
                dots[i + 3] = -dots[i];
            }
            float best = -2.0f;
            int side = 0;
            for (int i = 0; i < 6; ++i) {
                if (dots[i] > best) {
                    best = dots[i];
                    side = i;
                }
            }
            ProjectedFace projected;
            projectCorners(edit, face, movable, projected, [&](unsigned vertex) { return projectOnto(vertex, side, nullptr); });
            if (!projected.corners) return;
            marks[index] = uint8_t(projected.corners | unsigned(side) << MARK_SHIFT);
            if (side != rangeSide) {
                sides[rangeSide].range = range;
                rangeSide = side;
                range = sides[side].range;
            }
            for (int c = 0; c < 3; ++c)
                if (projected.projected(c)) range.add(projected.uv[c]);
        });
        sides[rangeSide].range = range;

        Matrix4 fits[6];
        for (int i = 0; i < 6; ++i) {
            const BoxSide& s = sides[i];
            float sx = 1.0f, sy = 1.0f;
            if (s.range.maxU - s.range.minU > FIT_THRESHOLD) sx = w / (s.range.maxU - s.range.minU);
            if (s.range.maxV - s.range.minV > FIT_THRESHOLD) sy = h / (s.range.maxV - s.range.minV);
            const float uniform = std::min(sx, sy);
            fits[i] = fitMatrix(s.range, uniform, uniform, (s.cell[0] + s.cell[2]) * 0.5f,
                                (s.cell[1] + s.cell[3]) * 0.5f);
        }
        // The projections kept now are unfitted ones.
        std::fill(vertexSide, vertexSide + vertices, uint8_t(0));
        writeMarked(edit, marks, [&](unsigned vertex, unsigned mark, int) {
            return projectOnto(vertex, int(mark >> MARK_SHIFT), fits);
        });
    });
}
