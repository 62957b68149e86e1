// Corner flags, selection picks, selection growth and visibility toggles. With sync the
// same pass writes the host's 3D selection: a corner's vertex follows the corner, and a
// face is selected when all three of its corners are.
#include "EditProtocol.h"

#include <algorithm>

namespace {

// The walk of setCornerFlags, also run inside the picks' own lock for their pre-clear.
int changeCornerFlags(UVWalk& walk, uint16_t changeMask, uint16_t newValue, CornerTest test, bool sync) {
    const bool writesSelection = (changeMask & UV_SELECTED) != 0;
    const bool selects = (newValue & UV_SELECTED) != 0;
    int count = 0;
    walk.forEachFace([&](FaceRecord& face, int) {
        for (int c = 0; c < 3; ++c) {
            const unsigned change = (unsigned(changeMask) << c) & 0xFFFFu;
            const unsigned value = unsigned(newValue) << c;
            if (!test.passes(face.flags, c) || (face.flags & change) == value)
                continue;
            face.flags = uint16_t((face.flags & ~change) | value);
            ++count;
            if (sync && writesSelection) walk.setVertexSelected(face, c, selects);
        }
        if (sync) syncFaceSelected(face);
    });
    return count;
}

// Before a replacing pick: deselect the visible corners of the filtered faces.
int clearSelection(UVWalk& walk, bool sync) {
    return changeCornerFlags(walk, UV_SELECTED, 0, CORNERS_VISIBLE, sync);
}

// Selects (or deselects) one corner and, with write.sync, its vertex.
void setCornerSelected(UVWalk& walk, FaceRecord& face, int c, bool selected, FlagWrite write) {
    if (selected)
        face.flags |= uint16_t(UV_SELECTED << c);
    else
        face.flags &= uint16_t(~(UV_SELECTED << c));
    if (write.sync) walk.setVertexSelected(face, c, selected);
}

// Picks of whole faces: all three corners, and with write.sync the face and its vertices.
void setFaceSelected(UVWalk& walk, FaceRecord& face, bool selected, FlagWrite write) {
    for (int c = 0; c < 3; ++c) setCornerSelected(walk, face, c, selected, write);
    if (write.sync) syncFaceSelected(face);
}

struct Point {
    float u, v;
};

// Which side of the edge (a, b) q lies on: 1, -1, or 0 on the line.
int sideOf(Point a, Point b, Point q) {
    float lhs = (b.u - a.u) * (q.v - a.v);
    float rhs = (q.u - a.u) * (b.v - a.v);
    return lhs > rhs ? 1 : (lhs < rhs ? -1 : 0);
}

bool inEdgeBox(Point a, Point b, float u, float v) {
    return std::min(a.u, b.u) <= u && u <= std::max(a.u, b.u) && std::min(a.v, b.v) <= v &&
           v <= std::max(a.v, b.v);
}

// Whether the edge (a, b) crosses a side of the rectangle (uMin, vMin, uMax, vMax).
bool edgeCrossesRect(Point a, Point b, const float rect[4]) {
    const bool vertical = b.u == a.u;
    const float s = vertical ? 0.0f : (b.v - a.v) / (b.u - a.u);
    const float offset = a.v - s * a.u;
    if (!vertical) {
        for (float x : {rect[0], rect[2]}) {
            float v = s * x + offset;
            if (rect[1] <= v && v <= rect[3] && inEdgeBox(a, b, x, v)) return true;
        }
    }
    if (b.v != a.v) {
        for (float y : {rect[1], rect[3]}) {
            float u = vertical ? a.u : (y - offset) / s;
            if (rect[0] <= u && u <= rect[2] && inEdgeBox(a, b, u, y)) return true;
        }
    }
    return false;
}

bool insideRect(Point p, const float rect[4]) {
    return rect[0] <= p.u && p.u <= rect[2] && rect[1] <= p.v && p.v <= rect[3];
}

// A triangle is picked by the rectangle when it holds the rectangle's minimum corner,
// lies wholly inside the rectangle, or one of its edges crosses a side.
bool trianglePicked(const FaceRecord& face, const float rect[4]) {
    Point p[3];
    for (int c = 0; c < 3; ++c) p[c] = {face.uv[c][0], face.uv[c][1]};
    const Point q{rect[0], rect[1]};
    int s0 = sideOf(p[0], p[1], q), s1 = sideOf(p[1], p[2], q), s2 = sideOf(p[2], p[0], q);
    if (s0 == s1 && s1 == s2) return true;
    if (insideRect(p[0], rect) && insideRect(p[1], rect) && insideRect(p[2], rect)) return true;
    for (int e = 0; e < 3; ++e)
        if (edgeCrossesRect(p[e], p[(e + 1) % 3], rect)) return true;
    return false;
}

}  // namespace

int UVModel::setCornerFlags(uint16_t changeMask, uint16_t newValue, CornerTest test, const wchar_t* description,
                            FlagWrite write) {
    EditSteps steps = undoableSteps(description, selectionScope(write.sync), write.recordUndo);
    steps.endEdit = write.notify ? EndEditRule::Always : EndEditRule::Never;
    UVEdit edit(*this, steps);
    edit.changed = changeCornerFlags(edit, changeMask, newValue, test, write.sync);
    const int count = edit.changed;
    edit.finish();
    return count;
}

EditResult UVModel::selectAll(bool select, FlagWrite write) {
    const int count =
        setCornerFlags(UV_SELECTED, select ? UV_SELECTED : 0, CORNERS_VISIBLE, select ? L"Select All" : L"Deselect All", write);
    return count > 0 ? EditResult::Changed : EditResult::Unchanged;
}

EditResult UVModel::invertSelection(bool sync) {
    UVEdit edit(*this, {L"Invert UV Selection", selectionScope(sync), false});
    edit.forEachFace([&](FaceRecord& face, int) {
        for (int c = 0; c < 3; ++c)
            if (!cornerHidden(face.flags, c)) {
                setCornerSelected(edit, face, c, !cornerSelected(face.flags, c), {sync});
                ++edit.changed;
            }
        if (sync) syncFaceSelected(face);
    });
    return edit.finish();
}

EditResult UVModel::invertHidden() {
    UVEdit edit(*this, {L"Invert Hidden UV", EDIT_SELECTION, false});
    edit.forEachFace([&](FaceRecord& face, int) {
        face.flags ^= UV_HIDDEN_ALL;
        ++edit.changed;
    });
    return edit.finish();
}

namespace {

// Expand marks the filtered faces that share a mesh vertex with a selected corner of any
// face; contract those that share one with an unselected corner. Marked faces become
// wholly selected or deselected, hidden corners included.
enum class Growth { Expand, Contract };

EditResult growSelection(UVModel& model, Growth growth, bool sync) {
    const bool expand = growth == Growth::Expand;
    UVEdit edit(model, {expand ? L"Expand UV Selection" : L"Contract UV Selection", EDIT_SELECTION});
    const int faceCount = edit.faceCount();
    const int vertexCount = edit.vertexCount();
    // Per vertex: bit 1 when a corner on it is selected, bit 2 when one is not; then a
    // mark per face. Kept memory: a repeated expand touches no fresh pages.
    const size_t vertices = size_t(std::max(vertexCount, 0)), faces = size_t(std::max(faceCount, 0));
    return edit.run([&] {
        uint8_t* vertexState = needed(model.scratch.bytes.take(vertices + faces));
        std::fill(vertexState, vertexState + vertices + faces, uint8_t(0));
        uint8_t* marks = vertexState + vertices;
        edit.forEachFace(FACE_FILTER_OFF, [&](FaceRecord& face, int) {
            for (int c = 0; c < 3; ++c) {
                unsigned index = face.vertex[c];
                if (index < unsigned(vertexCount)) vertexState[index] |= cornerSelected(face.flags, c) ? 1 : 2;
            }
        });
        const uint8_t wanted = expand ? 1 : 2;
        edit.forEachFace([&](FaceRecord& face, int i) {
            for (int c = 0; c < 3; ++c) {
                unsigned index = face.vertex[c];
                if (index < unsigned(vertexCount) && (vertexState[index] & wanted)) marks[i] = 1;
            }
        });
        for (int i = 0; i < faceCount; ++i) {
            if (!marks[i]) continue;
            FaceRecord& face = edit.face(i);
            if (expand)
                face.flags |= uint16_t(UV_SELECTED_ALL | (sync ? FACE_SELECTED : 0));
            else
                face.flags &= uint16_t(~(UV_SELECTED_ALL | (sync ? FACE_SELECTED : 0)));
            ++edit.changed;
        }
    });
}

}  // namespace

EditResult UVModel::expandSelection(bool sync) { return growSelection(*this, Growth::Expand, sync); }
EditResult UVModel::contractSelection(bool sync) { return growSelection(*this, Growth::Contract, sync); }

int UVModel::selectCoords(const float rect[4], float radius, int modifier, bool sync) {
    UVEdit edit(*this, {L"Select UV Coords", selectionScope(sync)});
    if (modifier == PICK_REPLACE) edit.changed = clearSelection(edit, sync);
    const float radiusSquared = radius * radius;
    edit.forEachFace([&](FaceRecord& face, int) {
        for (int c = 0; c < 3; ++c) {
            if (cornerHidden(face.flags, c)) continue;
            const float u = face.uv[c][0], v = face.uv[c][1];
            const float du = u - rect[0], dv = v - rect[1];
            const bool picked = du * du + dv * dv <= radiusSquared ||
                                (rect[0] <= u && u <= rect[2] && rect[1] <= v && v <= rect[3]);
            if (!picked) continue;
            const bool select = modifier == PICK_TOGGLE ? !cornerSelected(face.flags, c) : true;
            setCornerSelected(edit, face, c, select, {sync});
            ++edit.changed;
        }
        if (sync) syncFaceSelected(face);
    });
    const int count = edit.changed;
    edit.finish();
    return count;
}

int UVModel::selectTriangles(const float rect[4], int modifier, bool sync) {
    UVEdit edit(*this, {L"Select UV Triangles", selectionScope(sync)});
    if (modifier == PICK_REPLACE) edit.changed = clearSelection(edit, sync);
    // Faces with a hidden corner cannot be picked.
    edit.forEachFace(mergedFilter(faceFilter, {UV_HIDDEN_ALL, 0}), [&](FaceRecord& face, int) {
        if (!trianglePicked(face, rect)) return;
        const bool select = modifier == PICK_TOGGLE ? (face.flags & UV_SELECTED_ALL) == 0 : true;
        setFaceSelected(edit, face, select, {sync});
        ++edit.changed;
    });
    const int count = edit.changed;
    edit.finish();
    return count;
}

EditResult UVModel::selectGroup(uint16_t groupMask, uint16_t groupValue, int modifier, bool sync) {
    UVEdit edit(*this, {L"Select UV Group", selectionScope(sync)});
    if (modifier == PICK_REPLACE) edit.changed = clearSelection(edit, sync);
    edit.forEachFace([&](FaceRecord& face, int) {
        for (int c = 0; c < 3; ++c) {
            if (cornerHidden(face.flags, c) || (face.groups[c] & groupMask) != groupValue) continue;
            const bool select = modifier == PICK_TOGGLE ? !cornerSelected(face.flags, c) : true;
            setCornerSelected(edit, face, c, select, {sync});
            ++edit.changed;
        }
        if (sync) syncFaceSelected(face);
    });
    return edit.finish();
}
