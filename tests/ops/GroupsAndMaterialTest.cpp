// UV groups and face material.
#include "support/MeshFixture.h"

#include <array>

using namespace meshtest;

namespace {

using Groups = std::array<uint16_t, 3>;

class GroupsAndMaterial : public MeshFixture {
protected:
    void useGroupedMesh() {
        std::vector<DevFace> faces = {face(0x00C0 | UV_LOCKED, 0, 1, 2, 0, 0, 1, 0, 1, 1),
                                      face(UV_HIDDEN, 0, 1, 2, 0, 0, 1, 0, 1, 1),
                                      face(UV_SELECTED_ALL | FACE_HIDDEN, 0, 1, 2, 0, 0, 1, 0, 1, 1)};
        for (DevFace& f : faces)
            for (uint16_t& g : f.groups) g = 0x8005;  // groups 1, 3 and 16
        faces[1].groups[2] = 0x0002;
        useMesh(faces);
    }
    Groups groups(int i) { return {f(i).groups[0], f(i).groups[1], f(i).groups[2]}; }
};

}  // namespace

TEST_F(GroupsAndMaterial, AssignGroup) {
    useGroupedMesh();
    // Removing the selected visible corners from every group; locked corners included.
    EXPECT_EQ(model.assignGroup(0xFFFF, 0, CORNERS_SELECTED), EditResult::Changed);
    EXPECT_EQ(groups(0), (Groups{0, 0, 0x8005}));
    EXPECT_EQ(f(2).groups[0], 0x8005);  // hidden in 3D
    expectJournal(fullProtocol("Assign UV Group", "0,512,13", true));

    // Assigning group 2 to the visible corners: counted even where nothing changes.
    EXPECT_EQ(model.assignGroup(0x0002, 0x0002, CORNERS_VISIBLE), EditResult::Changed);
    EXPECT_EQ(f(0).groups[2], 0x8007);
    EXPECT_EQ(groups(1), (Groups{0x8005, 0x8007, 0x0002}));  // corner 0 hidden
    doc->clearJournal();
    EXPECT_EQ(model.assignGroup(0x0002, 0x0002, CORNERS_VISIBLE), EditResult::Changed);
    EXPECT_EQ(journal()[4], "EndUndoGroup(1)");
    // No passing corner: the entry is discarded.
    doc->clearJournal();
    EXPECT_EQ(model.assignGroup(0x0002, 0, CornerTest{UV_LOCKED_ALL, UV_LOCKED_ALL}), EditResult::Unchanged);
    expectJournal(fullProtocol("Assign UV Group", "0,512,13", false));
}

TEST_F(GroupsAndMaterial, SelectGroup) {
    useGroupedMesh();
    // Replacing: the old selection goes, visible corners of group 2 come.
    EXPECT_EQ(model.selectGroup(0x0002, 0x0002, PICK_REPLACE, true), EditResult::Changed);
    EXPECT_EQ(ownFlags(), (Flags{UV_LOCKED, UV_HIDDEN | UV_SELECTED << 2, UV_SELECTED_ALL | FACE_HIDDEN}));
    EXPECT_TRUE(vtx(2).flags == VERTEX_SELECTED && vtx(0).flags == 0);
    expectJournal(fullProtocol("Select UV Group", "4,16,5", true));

    // Toggle group 1 (hidden corner 0 of face 1 is skipped): corner 2 of face 1 is not in it.
    EXPECT_EQ(model.selectGroup(0x0001, 0x0001, PICK_TOGGLE, false), EditResult::Changed);
    EXPECT_EQ(ownFlags(),
              (Flags{UV_LOCKED | UV_SELECTED_ALL, UV_HIDDEN | UV_SELECTED << 1 | UV_SELECTED << 2, UV_SELECTED_ALL | FACE_HIDDEN}));
    doc->clearJournal();
    EXPECT_EQ(model.selectGroup(0x0010, 0x0010, PICK_ADD, false), EditResult::Unchanged);  // group 5: nobody
    expectJournal(fullProtocol("Select UV Group", "0,16,13", false));
}

TEST_F(GroupsAndMaterial, SetMaterial) {
    useMesh({face(UV_SELECTED_ALL, 0, 1, 2, 0, 0, 1, 0, 1, 1), face(0x00C0, 0, 1, 2, 0, 0, 1, 0, 1, 1),
             face(UV_SELECTED_ALL | UV_HIDDEN << 1, 0, 1, 2, 0, 0, 1, 0, 1, 1),
             face(UV_SELECTED_ALL | FACE_HIDDEN, 0, 1, 2, 0, 0, 1, 0, 1, 1)});
    for (DevFace& face : doc->faces()) face.material = 7;
    EXPECT_EQ(model.setMaterial(3, FACES_WHOLLY_SELECTED), EditResult::Changed);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f(i).material, i == 0 ? 3u : 7u) << i;
    expectJournal(fullProtocol("Set Material", "0,4,13", true));
    EXPECT_EQ(doc->undoDescriptions().back(), L"Set Material");

    // Nothing matches: the group is discarded and the host is not notified.
    for (DevFace& face : doc->faces()) face.flags &= ~UV_SELECTED_ALL;
    doc->clearJournal();
    EXPECT_EQ(model.setMaterial(3, FACES_WHOLLY_SELECTED), EditResult::Unchanged);
    expectJournal(quietDiscard("Set Material", "0,4,13"));
}
