// Mesh records, locks and the host's history as the plug-in drives them.
#include "DevHostFixture.h"

#include <gtest/gtest.h>

using namespace devhost_test;

namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override {
        document->setMesh(stripFaces(6), stripVertices(6));
        mesh = document->activeMesh();
        ASSERT_TRUE(mesh);
        document->applicationNode().GetNode(L"./schema/preferences/undo", undoNode.GetAddressOf());
        ASSERT_TRUE(undoNode);
        document->clearJournal();
    }

    // One whole undoable operation: group, edit bracket, change, close, EndEdit.
    void operation(const wchar_t* description, bool keep, const std::function<void(DevFace*, LONG)>& change) {
        document->BeginUndoGroup(description);
        mesh->BeginEdit(0, 4, 13, description);
        editLocked(*mesh.Get(), [&](DevFace* faces, LONG count, DevVertex*, LONG) { change(faces, count); });
        document->EndUndoGroup(keep);
        mesh->EndEdit();
    }

    HostRef<devhost::Document> document = devhost::Document::create();
    HostRef<HostMesh> mesh;
    HostRef<HostNode> undoNode;
};

TEST_F(History, UndoAndRedoWalkThroughEveryStateByteForByte) {
    // Entries of each kind, with writes outside any entry between them that undoing the
    // entry before puts back too, as a host keeping whole copies would.
    using State = std::pair<std::vector<DevFace>, std::vector<DevVertex>>;
    std::vector<State> states = {{document->faces(), document->vertices()}};
    auto record = [&] { states.push_back({document->faces(), document->vertices()}); };
    for (int i = 0; i < 4; ++i) {
        operation(L"Move UV Coords", true, [i](DevFace* f, LONG n) {
            for (LONG k = i; k < n; k += 2) f[k].uv[k % 3][0] += 0.5f, f[k].hostData1[5] ^= 0xFF;
        });
        // Next to what the entry changed.
        editLocked(*mesh.Get(), [i](DevFace* f, LONG, DevVertex* v, LONG) { f[i].uv[i % 3][1] += 1.0f, v[i].flags ^= 4; });
        record();
        mesh->BeginEdit(0, 0x10, 13, L"Invert Hidden UV");
        editLocked(*mesh.Get(), [i](DevFace* f, LONG, DevVertex*, LONG) { f[i + 1].flags ^= 0x0038; });
        mesh->EndEdit();
        record();
    }
    document->changeMesh([](auto& f, auto&) { f.push_back(f.front()); }, L"Add Face");
    record();
    auto same = [&](const State& s) { return sameBytes(s.first, document->faces()) && sameBytes(s.second, document->vertices()); };
    for (size_t k = states.size() - 1; k-- > 0;) {
        ASSERT_TRUE(document->undo());
        EXPECT_TRUE(same(states[k])) << "after undo to state " << k;
    }
    for (size_t k = 1; k < states.size(); ++k) {
        ASSERT_TRUE(document->redo());
        EXPECT_TRUE(same(states[k])) << "after redo to state " << k;
    }
    EXPECT_EQ(E_FAIL, document->Redo(1));  // nothing left
    // A new entry of the size of the redo entries it drops is taken in their storage.
    ASSERT_TRUE(document->undo() && document->undo());
    record();
    operation(L"Hide", true, [](DevFace* f, LONG) { f[0].flags ^= 0x0038; });
    record();
    ASSERT_TRUE(document->undo());
    EXPECT_TRUE(same(states[states.size() - 2]));
    ASSERT_TRUE(document->redo());
    EXPECT_TRUE(same(states.back()));
}

TEST_F(History, ANewEntryClearsRedoAndThePreferencesShowTheLastDescriptions) {
    operation(L"Move UV Coords", true, [](DevFace* f, LONG) { f[0].uv[0][0] = 7; });
    operation(L"Set Material", true, [](DevFace* f, LONG) { f[1].material = 9; });
    document->Undo(2);
    EXPECT_EQ((std::vector<std::wstring>{L"Set Material", L"Move UV Coords"}), document->redoDescriptions());
    EXPECT_EQ(L"", attribute(*undoNode.Get(), L"LastUndoDesc"));
    EXPECT_EQ(L"Move UV Coords", attribute(*undoNode.Get(), L"lastredodesc"));  // names ignore case
    document->Redo(1);
    operation(L"Scale UV Coords", true, [](DevFace* f, LONG) { f[2].uv[2][1] = 3; });
    EXPECT_TRUE(document->redoDescriptions().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Move UV Coords", L"Scale UV Coords"}), document->undoDescriptions());
    EXPECT_EQ(L"Scale UV Coords", attribute(*undoNode.Get(), L"LastUndoDesc"));
    EXPECT_EQ(L"", attribute(*undoNode.Get(), L"LastRedoDesc"));
}

TEST_F(History, DiscardedGroupsLeaveNoEntryAndOpenGroupsRefuseUndo) {
    operation(L"Weld UV Coords", false, [](DevFace*, LONG) {});
    EXPECT_TRUE(document->undoDescriptions().empty());
    // A kept group without any change still makes an entry (a drag that ends where it began).
    operation(L"Move UV Coords", true, [](DevFace*, LONG) {});
    EXPECT_EQ(std::vector<std::wstring>{L"Move UV Coords"}, document->undoDescriptions());
    // Nested groups close with the outer one.
    document->BeginUndoGroup(L"Outer");
    document->BeginUndoGroup(L"Inner");
    document->EndUndoGroup(TRUE);
    EXPECT_TRUE(document->groupOpen());
    document->EndUndoGroup(TRUE);
    EXPECT_FALSE(document->groupOpen());
    EXPECT_EQ(L"Outer", document->undoDescriptions().back());
    EXPECT_EQ(E_FAIL, document->EndUndoGroup(TRUE));  // nothing open

    // Undo is refused while a group is open.
    document->BeginUndoGroup(L"Scale UV Coords");
    EXPECT_EQ(E_FAIL, document->Undo(1));
    EXPECT_EQ(2u, document->undoDescriptions().size());
    document->EndUndoGroup(FALSE);
    EXPECT_EQ(E_INVALIDARG, document->Undo(0));
    EXPECT_TRUE(document->undo());
    EXPECT_TRUE(document->undo());
    EXPECT_FALSE(document->undo());
}

TEST_F(History, EditOutsideAGroupIsItsOwnEntryWhenItChangesSomething) {
    mesh->BeginEdit(0, 0x10, 13, L"Invert Hidden UV");
    editLocked(*mesh.Get(), [](DevFace* f, LONG, DevVertex*, LONG) { f[0].flags ^= 0x0038; });
    mesh->EndEdit();
    EXPECT_EQ(std::vector<std::wstring>{L"Invert Hidden UV"}, document->undoDescriptions());

    // No change: no entry.
    mesh->BeginEdit(4, 0x10, 5, L"Invert UV Selection");
    mesh->EndEdit();
    EXPECT_EQ(1u, document->undoDescriptions().size());

    // Never ended: dropped at the next BeginEdit, which makes its own entry.
    mesh->BeginEdit(0, 4, 13, L"Set UV Coord");
    editLocked(*mesh.Get(), [](DevFace* f, LONG, DevVertex*, LONG) { f[1].uv[0][0] = 5; });
    mesh->BeginEdit(0, 4, 13, L"Set UV Coord 2");
    editLocked(*mesh.Get(), [](DevFace* f, LONG, DevVertex*, LONG) { f[1].uv[0][1] = 6; });
    mesh->EndEdit();
    EXPECT_EQ((std::vector<std::wstring>{L"Invert Hidden UV", L"Set UV Coord 2"}), document->undoDescriptions());

    // Dropped at BeginUndoGroup as well; the group's own entry follows.
    mesh->BeginEdit(0, 4, 13, L"Set UV Coord");
    operation(L"Snap Together UV Coords", true, [](DevFace* f, LONG) { f[2].uv[0][0] = 1; });
    mesh->EndEdit();  // a stray EndEdit after the group only notifies
    EXPECT_EQ((std::vector<std::wstring>{L"Invert Hidden UV", L"Set UV Coord 2", L"Snap Together UV Coords"}),
              document->undoDescriptions());

    // Undoing the loose entry restores the state before its BeginEdit.
    EXPECT_EQ(S_OK, document->Undo(2));
    EXPECT_FLOAT_EQ(5.0f, document->faces()[1].uv[0][0]);  // the dropped edit was not recorded
    EXPECT_FLOAT_EQ(0.0f, document->faces()[1].uv[0][1]);
}

TEST_F(History, LocksAreCountedUnbalancedUnlocksReportedAndAReplacedMeshAnswersNoMore) {
    BYTE *vertices = nullptr, *faces = nullptr;
    LONG vertexCount = 0, faceCount = 0;
    ASSERT_EQ(S_OK, mesh->LockFaces(&vertices, &vertexCount, &faces, &faceCount));
    EXPECT_TRUE(faceCount == 6 && vertexCount == 8);
    EXPECT_TRUE(faces == reinterpret_cast<BYTE*>(document->faces().data()) &&
                vertices == reinterpret_cast<BYTE*>(document->vertices().data()) && document->lockCount() == 1);
    EXPECT_EQ(S_OK, mesh->UnlockFaces());
    EXPECT_EQ(E_FAIL, mesh->UnlockFaces());
    EXPECT_EQ(E_POINTER, mesh->LockFaces(nullptr, &vertexCount, &faces, &faceCount));
    EXPECT_TRUE(document->lockCount() == 0 && document->unbalancedUnlocks() == 1);

    // A replaced mesh answers no more, and the history starts over.
    operation(L"Move UV Coords", true, [](DevFace* f, LONG) { f[0].uv[0][0] = 4; });
    document->setMesh(stripFaces(2), stripVertices(2));
    EXPECT_TRUE(document->undoDescriptions().empty());
    faces = reinterpret_cast<BYTE*>(1), faceCount = 5;
    EXPECT_EQ(E_FAIL, mesh->LockFaces(&vertices, &vertexCount, &faces, &faceCount));
    EXPECT_TRUE(faces == nullptr && faceCount == 0);
    EXPECT_EQ(E_FAIL, mesh->BeginEdit(0, 4, 13, L"x"));
    document->removeMesh();
    HostRef<HostMesh> none;
    EXPECT_EQ(S_FALSE, document->GetActiveMesh(none.GetAddressOf()));
    EXPECT_FALSE(none);
}

// Which faces and vertices a 3D selection takes is checked through loomhost's steps.
TEST_F(History, HostSelectionChangesNotifyAndStayOutOfTheHistory) {
    HostRef<RecordingSink> sink = devhost::makeObject<RecordingSink>();
    DWORD cookie = 0;
    document->Subscribe(1, sink.Get(), HOST_EVENT_CHANGED, 0, 1, nullptr, nullptr, &cookie);
    document->selectFaces3D({1, 3});
    ASSERT_EQ(1u, sink->events.size());
    EXPECT_TRUE(!sink->events[0].reload && sink->events[0].selection);
    EXPECT_TRUE(document->undoDescriptions().empty());
    const auto& faces = document->faces();
    document->setHiddenFaces3D({0});
    document->invertSelection3D();
    EXPECT_EQ(devhost::DEV_FACE_HIDDEN, faces[0].flags & 3);  // hidden faces stay unselected
    EXPECT_TRUE((faces[1].flags & 1) == 0 && (faces[2].flags & 1) == 1);
    EXPECT_THROW(document->selectFaces3D({99}), std::invalid_argument);
    EXPECT_EQ(3u, sink->events.size());
    // A host change that resizes the mesh asks for a reload.
    document->changeMesh([](std::vector<DevFace>& f, std::vector<DevVertex>&) { f.pop_back(); });
    EXPECT_TRUE(sink->events.back().reload);
}

}  // namespace
