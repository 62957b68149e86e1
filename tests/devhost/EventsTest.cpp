// Subscriptions and the events the host sends to them.
#include "DevHostFixture.h"

#include <gtest/gtest.h>

#include <utility>

using namespace devhost_test;

namespace {

class Events : public ::testing::Test {
protected:
    void SetUp() override {
        document->Subscribe(1, canvas.Get(), 0xFFFFFFFF, 0xFFFFFFFF, 1, nullptr, nullptr, &canvasCookie);
        document->Subscribe(2, editor.Get(), 0x20000, 1, 1, L"./Schema/MainToolbar", L"class:Toolbar/Update",
                            &editorCookie);
    }

    HostRef<devhost::Document> document = devhost::Document::create();
    HostRef<RecordingSink> canvas = devhost::makeObject<RecordingSink>(), editor = devhost::makeObject<RecordingSink>();
    DWORD canvasCookie = 0, editorCookie = 0;
};

TEST_F(Events, ChangeEventsSayWhetherToReloadOrRefreshTheSelection) {
    // What the last change event asks for: (reload, selection refresh).
    auto lastChange = [&] {
        const SeenEvent* change = canvas->last(HOST_EVENT_CHANGED);
        return change ? std::make_pair(change->reload, change->selection) : std::make_pair(false, false);
    };
    document->setMesh(stripFaces(4), stripVertices(4));
    EXPECT_TRUE(lastChange().first);

    HostRef<HostMesh> mesh = document->activeMesh();
    mesh->BeginEdit(0, 4, 13, L"Set UV Coord");
    editLocked(*mesh.Get(), [](DevFace* f, LONG, DevVertex*, LONG) { f[0].uv[0][0] = 3; });
    mesh->EndEdit();
    EXPECT_EQ(lastChange(), std::make_pair(false, true));  // new UVs must be redrawn

    mesh->BeginEdit(0, 4, 13, L"Set UV Coord");
    mesh->EndEdit();
    EXPECT_EQ(lastChange(), std::make_pair(false, false));  // nothing changed

    document->BeginUndoGroup(L"Select UV Coords");
    mesh->BeginEdit(4, 0x10, 5, L"Select UV Coords");
    editLocked(*mesh.Get(), [](DevFace* f, LONG, DevVertex* v, LONG) { f[1].flags |= 0x40, v[0].flags |= 1; });
    document->EndUndoGroup(TRUE);
    mesh->EndEdit();
    EXPECT_EQ(lastChange(), std::make_pair(false, true));

    size_t changes = canvas->count(HOST_EVENT_CHANGED);
    document->Undo(1);
    EXPECT_EQ(changes + 1, canvas->count(HOST_EVENT_CHANGED));
    EXPECT_TRUE(lastChange().second);
    // The editor, subscribed to the toolbar only, never hears of mesh changes.
    EXPECT_EQ(0u, editor->count(HOST_EVENT_CHANGED));
}

TEST_F(Events, EveryHistoryChangeSendsTheToolbarUpdateAndEditStepsTheirChange) {
    document->setMesh(stripFaces(2), stripVertices(2));
    HostRef<HostMesh> mesh = document->activeMesh();
    const size_t updates = editor->count(HOST_EVENT_COMMAND), changes = canvas->count(HOST_EVENT_CHANGED);
    document->BeginUndoGroup(L"Weld UV Coords");
    document->EndUndoGroup(FALSE);  // a discarded group changes no history
    EXPECT_EQ(updates, editor->count(HOST_EVENT_COMMAND));
    // The steps of a drag inside one group: each EndEdit tells of its change, the group
    // makes one entry when it ends.
    document->BeginUndoGroup(L"Move UV Coords");
    mesh->BeginEdit(0, 4, 13, L"Move UV Coords");
    for (int step = 1; step <= 3; ++step) {
        editLocked(*mesh.Get(), [step](DevFace* f, LONG, DevVertex*, LONG) { f[0].uv[0][0] = float(step); });
        mesh->EndEdit();
    }
    EXPECT_EQ(changes + 3, canvas->count(HOST_EVENT_CHANGED));
    EXPECT_EQ(updates, editor->count(HOST_EVENT_COMMAND));  // no history change yet
    document->EndUndoGroup(TRUE);
    EXPECT_EQ(std::vector<std::wstring>{L"Move UV Coords"}, document->undoDescriptions());
    document->Undo(1);
    document->Redo(1);
    EXPECT_EQ(updates + 3, editor->count(HOST_EVENT_COMMAND));
    EXPECT_EQ(L"Update", editor->last(HOST_EVENT_COMMAND)->name);
    EXPECT_EQ(editor->count(HOST_EVENT_COMMAND), canvas->count(HOST_EVENT_COMMAND));
}

TEST_F(Events, MasksAndPathsChooseTheReceivers) {
    HostRef<RecordingSink> texturesOnly = devhost::makeObject<RecordingSink>();
    DWORD cookie = 0;
    document->Subscribe(1, texturesOnly.Get(), HOST_EVENT_TEXTURE_ADDED | HOST_EVENT_TEXTURE_DELETED, 0, 1,
                        nullptr, nullptr, &cookie);
    document->setMesh(stripFaces(1), stripVertices(1));
    LONG id = document->addTexture(L"Checker", 2, 1, {0xFF0000FF, 0xFF00FF00});
    document->renameTexture(id, L"Board");
    document->deleteTexture(id);
    ASSERT_EQ(2u, texturesOnly->events.size());
    EXPECT_TRUE(texturesOnly->events[0].kind == DWORD(HOST_EVENT_TEXTURE_ADDED) &&
                texturesOnly->events[1].kind == DWORD(HOST_EVENT_TEXTURE_DELETED) && texturesOnly->events[1].textureId == id);
    // Textures lie outside the toolbar's path.
    EXPECT_EQ(0u, editor->count(HOST_EVENT_TEXTURE_ADDED));
    EXPECT_EQ(1u, canvas->count(HOST_EVENT_ATTRIBUTE_CHANGED));
    EXPECT_EQ(L"Name", canvas->last(HOST_EVENT_ATTRIBUTE_CHANGED)->attribute);

    EXPECT_EQ(S_OK, document->Unsubscribe(cookie));
    EXPECT_EQ(E_INVALIDARG, document->Unsubscribe(cookie));
    document->addTexture(L"Other", 1, 1, {0});
    EXPECT_EQ(2u, texturesOnly->events.size());
    EXPECT_EQ(E_POINTER, document->Subscribe(1, nullptr, 1, 1, 1, nullptr, nullptr, &cookie));
}

TEST_F(Events, ASinkMayUnsubscribeOthersWhileItHandlesAnEvent) {
    // The canvas, subscribed first, removes the editor during the first delivery.
    canvas->during = [&](HostEvent*) { document->Unsubscribe(std::exchange(editorCookie, 0)); };
    document->sendUpdate();
    EXPECT_EQ(1u, canvas->count(HOST_EVENT_COMMAND));
    EXPECT_EQ(0u, editor->count(HOST_EVENT_COMMAND));
    EXPECT_EQ(1u, document->subscribers().size());
}

// The canvas's tests read the refresh's rectangle and flag; here the refused changes.
TEST_F(Events, BadTextureChangesAreRefused) {
    LONG id = document->addTexture(L"Paint", 4, 4, std::vector<std::uint32_t>(16, 0xFF000000));
    // Past the edge, and too few pixels.
    EXPECT_THROW(document->changeTexturePixels(id, 0, 0, 5, 1, {1, 2, 3, 4, 5}), std::invalid_argument);
    EXPECT_THROW(document->changeTexturePixels(id, 0, 0, 3, 1, {1, 2}), std::invalid_argument);
    EXPECT_THROW(document->deleteTexture(id + 100), std::invalid_argument);
}


// The main window and the wheel preference are read through the plug-in's own tests.
TEST(DocumentNodes, PathsAreRelativeAndIgnoreCase) {
    HostRef<devhost::Document> document = devhost::Document::create();
    HostRef<HostNode> application, navigation, toolbar, same;
    document->GetApplicationNode(application.GetAddressOf());
    ASSERT_EQ(S_OK, application->GetNode(L"./schema/preferences/navigation", navigation.GetAddressOf()));
    LONG value = -1;
    EXPECT_EQ(E_FAIL, navigation->GetIntAttribute(L"NoSuchValue", &value));
    EXPECT_EQ(0, value);
    EXPECT_EQ(E_POINTER, navigation->GetIntAttribute(L"ReverseWheel", nullptr));
    ASSERT_EQ(S_OK, navigation->GetNode(L"../../MainToolbar", toolbar.GetAddressOf()));
    application->GetNode(L"./Schema/MainToolbar", same.GetAddressOf());
    EXPECT_EQ(toolbar.Get(), same.Get());
}

}  // namespace
