// Corner flags, picks, expand and contract, inversions, with and without synchronised
// 3D selection.
#include "support/MeshFixture.h"

#include <limits>

using namespace meshtest;

namespace {

class Selection : public MeshFixture {
protected:
    // Two triangles of a unit quad: vertices 0 (0,0), 1 (1,0), 2 (1,1), 3 (0,1).
    void useQuad(uint16_t flags0 = 0, uint16_t flags1 = 0) {
        useMesh({face(flags0, 0, 1, 2, 0, 0, 1, 0, 1, 1), face(flags1, 0, 2, 3, 0, 0, 1, 1, 0, 1)},
                vertices(4));
    }
    // Six faces around vertex 0, each with its own UV triangle, and one apart.
    void useFan() {
        std::vector<DevFace> faces;
        for (int i = 0; i < 6; ++i) faces.push_back(face(0, 0, 1 + i, 1 + (i + 1) % 6, i, 0, i + 0.5f, 0, i, 0.5f));
        faces.push_back(face(0, 7, 8, 9, 10, 10, 11, 10, 10, 11));
        useMesh(faces, vertices(10));
    }
};

// A rectangle (u0, v0, u1, v1) to pass on at once, or a point.
const float* box(float u0, float v0, float u1, float v1) {
    static float rect[4];
    rect[0] = u0, rect[1] = v0, rect[2] = u1, rect[3] = v1;
    return rect;
}
const float* at(float u, float v) { return box(u, v, u, v); }

}  // namespace

TEST_F(Selection, ClickPicksByRadiusAndModifier) {
    useQuad(UV_SELECTED);  // corner (0,0) of face 0 selected
    // One pick after another: the corners it counts and the flags it leaves. A replacing
    // click on empty canvas clears the selection, and that is the change; the radius edge
    // counts; Ctrl toggles, Shift only adds.
    const struct { float u, v, radius; int modifier, count; Flags flags; } picks[] = {
        {5, 5, 0.01f, PICK_REPLACE, 1, {0, 0}},         {1.0f, 1.5f, 0.5f, PICK_REPLACE, 2, {UV_SELECTED << 2, UV_SELECTED << 1}},
        {1, 1, 0.01f, PICK_TOGGLE, 2, {0, 0}},          {0, 0, 0.01f, PICK_TOGGLE, 2, {UV_SELECTED, UV_SELECTED}},
        {0, 0, 0.01f, PICK_ADD, 2, {UV_SELECTED, UV_SELECTED}},
    };
    for (const auto& p : picks) {
        EXPECT_EQ(model.selectCoords(at(p.u, p.v), p.radius, p.modifier, false), p.count) << p.u << " " << p.v;
        EXPECT_EQ(ownFlags(), p.flags) << p.u << " " << p.v;
        if (&p == picks) expectJournal(fullProtocol("Select UV Coords", "0,16,13", true));
    }
    // A rectangle picks what lies inside, edges included; hidden corners never.
    f(1).flags |= UV_HIDDEN << 2;  // corner 2 (0,1) hidden
    EXPECT_EQ(model.selectCoords(box(0, 0.5f, 1, 1), 0, PICK_REPLACE, false), 2 + 2);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED << 2, UV_SELECTED << 1 | UV_HIDDEN << 2}));
}

TEST_F(Selection, SynchronisedPicksWriteTheHostSelection) {
    useQuad();
    EXPECT_EQ(model.selectCoords(at(1, 1), 0.01f, PICK_REPLACE, true), 2);
    expectJournal(fullProtocol("Select UV Coords", "4,16,5", true));
    EXPECT_TRUE(vtx(2).flags == VERTEX_SELECTED && vtx(0).flags == 0 && (ownFlags(0) & FACE_SELECTED) == 0);

    // All three corners selected: the face is selected in 3D; one deselected clears it.
    model.selectCoords(at(0, 0), 0.01f, PICK_ADD, true);
    model.selectCoords(at(1, 0), 0.01f, PICK_ADD, true);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED_ALL | FACE_SELECTED, 0x00C0}));
    model.selectCoords(at(1, 0), 0.01f, PICK_TOGGLE, true);
    EXPECT_EQ(ownFlags(0), 0x0140);
    EXPECT_EQ(vtx(1).flags, 0);
    EXPECT_EQ(countersSeen.back(), 1);

    // Vertex indices beyond the array are not written, by any selecting operation.
    useMesh({face(0, 0, 3, 65535, 0, 0, 1, 0, 1, 1)});
    doc->vertices().resize(2);  // index 2 is now outside, as are 3 and 65535
    const float all[4] = {-1, -1, 2, 2};
    EXPECT_EQ(model.selectCoords(all, 0, PICK_REPLACE, true), 3);
    EXPECT_EQ(ownFlags(0), UV_SELECTED_ALL | FACE_SELECTED);
    EXPECT_TRUE(vtx(0).flags == VERTEX_SELECTED && vtx(1).flags == 0);
    EXPECT_EQ(model.selectTriangles(all, PICK_TOGGLE, true), 1);
    EXPECT_EQ(ownFlags(0), 0);
    EXPECT_TRUE(edited(model.invertSelection(true)) && edited(model.expandSelection(true)) && !edited(model.contractSelection(true)));
    EXPECT_EQ(model.setCornerFlags(UV_SELECTED, 0, CORNERS_ALL, L"Deselect All", {true}), 3);
    EXPECT_TRUE(vtx(0).flags == 0 && doc->vertices().size() == 2u);
}

TEST_F(Selection, SelectAllHideAndUnhide) {
    useQuad(UV_HIDDEN << 1, UV_SELECTED << 2);  // face 0 corner 1 hidden; face 1 corner 2 selected
    EXPECT_EQ(model.selectAll(true), EditResult::Changed);
    EXPECT_EQ(ownFlags(0), 0x0140 | UV_HIDDEN << 1);  // the hidden corner stays unselected
    expectJournal(fullProtocol("Select All", "0,16,13", true));

    // Hide Selection: selected visible corners become hidden and deselected.
    f(0).flags |= UV_SELECTED << 1;  // a hidden selected corner stays as it is below
    EXPECT_EQ(model.setCornerFlags(SELECTED_VISIBLE_MASK, UV_HIDDEN, CORNERS_SELECTED, L"Hide UV Coords"), 5);
    EXPECT_EQ(ownFlags(), (Flags{UV_HIDDEN_ALL | UV_SELECTED << 1, UV_HIDDEN_ALL}));
    EXPECT_EQ(model.selectAll(false), EditResult::Unchanged);  // nothing visible is selected
    EXPECT_EQ(ownFlags(0), UV_HIDDEN_ALL | UV_SELECTED << 1);

    // Unhide All twice: the second changes nothing and its entry is discarded.
    EXPECT_EQ(model.setCornerFlags(UV_HIDDEN, 0, CORNERS_ALL, L"UnHide UV Coords"), 6);
    EXPECT_EQ(ownFlags(1), 0);
    doc->clearJournal();
    EXPECT_EQ(model.setCornerFlags(UV_HIDDEN, 0, CORNERS_ALL, L"UnHide UV Coords"), 0);
    expectJournal(fullProtocol("UnHide UV Coords", "0,16,13", false));

    // Without undo and notification: the walk alone.
    EXPECT_EQ(model.setCornerFlags(UV_LOCKED, UV_LOCKED, CORNERS_ALL, L"", {false, false, false}), 6);
    expectJournal(lockPair());
}

TEST_F(Selection, InversionsOpenNoGroup) {
    useQuad(UV_SELECTED | UV_HIDDEN << 1, UV_HIDDEN);
    auto bare = [](const char* edit) { return std::vector<std::string>{edit, "LockFaces()", "UnlockFaces()", "EndEdit()"}; };
    EXPECT_EQ(model.invertSelection(false), EditResult::Changed);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED << 2 | UV_HIDDEN << 1, 0x0180 | UV_HIDDEN}));  // hidden corners untouched
    expectJournal(bare("BeginEdit(0,16,13,\"Invert UV Selection\")"));
    EXPECT_EQ(model.invertHidden(), EditResult::Changed);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED << 2 | 0x0028, 0x0180 | 0x0030}));
    expectJournal(bare("BeginEdit(0,16,13,\"Invert Hidden UV\")"));
    EXPECT_EQ(model.invertSelection(true), EditResult::Changed);
    EXPECT_EQ(journal().front(), "BeginEdit(4,16,5,\"Invert UV Selection\")");
}

TEST_F(Selection, ExpandAndContractThroughSharedVertices) {
    useFan();
    f(0).flags |= UV_SELECTED;  // one corner on vertex 0
    f(3).flags |= UV_HIDDEN | FACE_SELECTED;  // a hidden corner is selected too
    ASSERT_EQ(model.expandSelection(false), EditResult::Changed);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f(i).flags & UV_SELECTED_ALL, UV_SELECTED_ALL) << i;
    EXPECT_EQ(ownFlags(6), 0);
    expectJournal(fullProtocol("Expand UV Selection", "0,16,13", true));

    // Contract: every face with a vertex that has an unselected corner.
    f(6).vertex[0] = 1;  // face 6 now shares vertex 1 with faces 0 and 5
    ASSERT_EQ(model.contractSelection(true), EditResult::Changed);
    // Face 2 shares vertex 0 only with selected corners.
    for (auto [i, flags] : {std::pair{0, 0}, {5, 0}, {2, UV_SELECTED_ALL}, {3, UV_SELECTED_ALL | FACE_SELECTED}})
        EXPECT_EQ(f(i).flags & (UV_SELECTED_ALL | FACE_SELECTED), flags) << i;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(vtx(i).flags, 0) << "vertex flags are not written";

    // Faces outside the filter are not marked but do lend adjacency.
    model.faceFilter = FACE_FILTER_SELECTED_IN_3D;
    ASSERT_EQ(model.expandSelection(false), EditResult::Changed);
    EXPECT_EQ(f(0).flags & UV_SELECTED_ALL, 0);
    ASSERT_EQ(model.contractSelection(false), EditResult::Changed);
    EXPECT_TRUE((f(3).flags & UV_SELECTED_ALL) == 0 && (f(2).flags & UV_SELECTED_ALL) == UV_SELECTED_ALL);

    // Vertex indices beyond the array join nothing.
    model.faceFilter = FACE_FILTER_ALL;
    useMesh({face(UV_SELECTED << 1, 9, 1, 2, 0, 0, 1, 0, 1, 1), face(0, 9, 3, 4, 0, 0, 1, 0, 1, 1),
             face(0, 0, 5, 6, 0, 0, 1, 0, 1, 1)},
            vertices(7));
    ASSERT_EQ(model.expandSelection(false), EditResult::Changed);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED_ALL, 0, 0}));
}

TEST_F(Selection, TrianglePicksAndNonFiniteUVs) {
    useQuad();
    // The rectangle's minimum corner inside face 0 only.
    EXPECT_EQ(model.selectTriangles(box(0.75f, 0.25f, 0.8f, 0.3f), PICK_REPLACE, false), 1);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED_ALL, 0}));
    expectJournal(fullProtocol("Select UV Triangles", "0,16,13", true));

    // A rectangle crossing the quad's left edge only touches face 1; replacing clears face 0.
    EXPECT_EQ(model.selectTriangles(box(-0.5f, 0.4f, 0.1f, 0.6f), PICK_REPLACE, false), 3 + 1);
    EXPECT_EQ(ownFlags(), (Flags{0, UV_SELECTED_ALL}));

    // A rectangle holding both triangles; toggle deselects a selected one, selects the other.
    const float around[4] = {-1, -1, 2, 2};
    EXPECT_EQ(model.selectTriangles(around, PICK_TOGGLE, true), 2);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED_ALL | FACE_SELECTED, 0}));
    EXPECT_TRUE(vtx(1).flags == VERTEX_SELECTED && vtx(3).flags == 0);

    // A rectangle in empty space picks nothing; nothing was selected with Shift.
    doc->clearJournal();
    EXPECT_EQ(model.selectTriangles(box(3, 3, 4, 4), PICK_ADD, false), 0);
    expectJournal(fullProtocol("Select UV Triangles", "0,16,13", false));

    // A face with a hidden corner cannot be picked.
    f(1).flags |= UV_HIDDEN << 1;
    EXPECT_EQ(model.selectTriangles(around, PICK_ADD, false), 1);
    EXPECT_EQ(ownFlags(1), UV_HIDDEN << 1);

    // Thin slivers whose edges alone cross the rectangle: no corner inside it, nor is it
    // inside them.
    useMesh({face(0, 0, 1, 2, 0.5f, -1, 0.5f, 2, 0.51f, 2), face(0, 0, 1, 2, -1, 0.5f, 2, 0.5f, 2, 0.51f),
             face(0, 0, 1, 2, 5, 5, 6, 5, 5, 6)});
    EXPECT_EQ(model.selectTriangles(box(0.2f, 0.2f, 0.8f, 0.8f), PICK_ADD, false), 2);
    EXPECT_EQ(ownFlags(), (Flags{UV_SELECTED_ALL, UV_SELECTED_ALL, 0}));

    // Non-finite UVs are never picked.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    useMesh({face(0, 0, 1, 2, nan, nan, nan, 0, 1, nan)});
    EXPECT_EQ(model.selectCoords(box(-10, -10, 10, 10), 100, PICK_ADD, false), 0);
    EXPECT_EQ(ownFlags(0), 0);
    model.selectTriangles(box(-10, -10, 10, 10), PICK_ADD, false);  // must not crash; the pick itself is undefined
}
