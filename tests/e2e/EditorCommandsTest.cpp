// The editor's commands driven from outside through loomhost.exe: menu paths and
// toolbar clicks, then the records, the history and the menu and toolbar states that
// --dump reads from the editor's windows.
#include "LoomHostRun.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

using devhost::StateJson;

int flagsOf(const StateJson& dump, int face) { return dump["faces"][face]["flags"].get<int>(); }

std::vector<std::string> undoHistory(const StateJson& dump) {
    return dump["history"]["undo"].get<std::vector<std::string>>();
}

bool menuEnabled(const StateJson& dump, const char* path) {
    return dump["editor"]["menu"][path]["enabled"].get<bool>();
}
bool menuChecked(const StateJson& dump, const char* path) {
    return dump["editor"]["menu"][path]["checked"].get<bool>();
}
bool buttonEnabled(const StateJson& dump, const char* id) {
    return dump["editor"]["toolbar"][id]["enabled"].get<bool>();
}
bool buttonChecked(const StateJson& dump, const char* id) {
    return dump["editor"]["toolbar"][id]["checked"].get<bool>();
}

TEST(EditorCommandsFromOutside, CommandsEditTheRecordsAndTheStatesFollow) {
    // First start: default settings, synchronised selections on.
    forgetEditorSettings();
    ScratchFolder folder;
    folder.write(L"square.obj", kSquareObj);
    const HostRun run = runBatch({L"--open", folder / L"square.obj", L"--select-3d", L"vertices:0",
                                  L"--invoke", L"UV Editor", L"--wait", L"200", L"--dump", folder / L"opened.json",
                                  L"--uv-command", L"Select/Select All", L"--uv-toolbar", L"107", L"--wait", L"200",
                                  L"--dump", folder / L"locked.json",
                                  L"--uv-command", L"View/Show Only Faces Selected in 3D View", L"--wait", L"200",
                                  L"--dump", folder / L"filtered.json",
                                  L"--uv-toolbar", L"122", L"--uv-command", L"Mapping/Planar/+Z", L"--wait", L"200",
                                  L"--dump", folder / L"mapped.json"});
    ASSERT_EQ(run.status, 0) << run.errors;

    // The 3D selection (vertex 0 only) became the UV selection of its two corners.
    const StateJson opened = folder.json(L"opened.json");
    EXPECT_EQ(flagsOf(opened, 0), 0x0040);
    EXPECT_EQ(flagsOf(opened, 1), 0x0040);
    EXPECT_TRUE(menuChecked(opened, "View/Synchronize UV and Mesh Selections"));
    EXPECT_TRUE(menuEnabled(opened, "Edit/Weld Selection"));
    EXPECT_FALSE(menuEnabled(opened, "Edit/Reverse Winding Order"));
    EXPECT_FALSE(buttonEnabled(opened, "122"));

    // Select All (synchronised: faces selected in 3D too), then the lock button.
    const StateJson locked = folder.json(L"locked.json");
    EXPECT_EQ(flagsOf(locked, 0), 0x0FC1);
    EXPECT_EQ(flagsOf(locked, 1), 0x0FC1);
    EXPECT_EQ(undoHistory(locked), (std::vector<std::string>{"Select All", "Lock Selected UV Coords"}));
    EXPECT_TRUE(buttonChecked(locked, "107"));
    EXPECT_FALSE(menuEnabled(locked, "Transform/Move...")) << "nothing editable";
    EXPECT_TRUE(menuEnabled(locked, "Transform/Flip/Horizontal"));
    EXPECT_TRUE(buttonEnabled(locked, "122"));

    // Showing only the faces selected in 3D switches synchronisation off and greys it.
    const StateJson filtered = folder.json(L"filtered.json");
    EXPECT_TRUE(menuChecked(filtered, "View/Show Only Faces Selected in 3D View"));
    EXPECT_TRUE(buttonChecked(filtered, "32836"));
    EXPECT_FALSE(menuChecked(filtered, "View/Synchronize UV and Mesh Selections"));
    EXPECT_FALSE(menuEnabled(filtered, "View/Synchronize UV and Mesh Selections"));
    EXPECT_FALSE(buttonEnabled(filtered, "32871"));

    // The Undo button undid the lock; Planar +Z then fitted the unit square into
    // (0, 0, 0.5, 0.5).
    const StateJson mapped = folder.json(L"mapped.json");
    EXPECT_EQ(flagsOf(mapped, 0), 0x01C1);
    EXPECT_EQ(flagsOf(mapped, 1), 0x01C1);
    EXPECT_EQ(undoHistory(mapped), (std::vector<std::string>{"Select All", "Planar UV Mapping"}));
    const StateJson& uv = mapped["faces"][0]["uv"];
    EXPECT_FLOAT_EQ(devhost::floatFromJson(uv[0][0]), 0.0f);
    EXPECT_FLOAT_EQ(devhost::floatFromJson(uv[1][0]), 0.5f);
    EXPECT_FLOAT_EQ(devhost::floatFromJson(uv[2][0]), 0.5f);
    EXPECT_FLOAT_EQ(devhost::floatFromJson(uv[2][1]), 0.5f);
}

}  // namespace
