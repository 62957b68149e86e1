// The command-line steps of loomhost.exe: 3D selection and hiding, the batch exit
// status, history steps, and the plug-in's editor driven and read from outside.
#include "LoomHostRun.h"
#include "model/Records.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>

namespace {

using devhost::StateJson;

// A strip of four triangles over six vertices:  0-1-2 / 3-4-5, faces (0,1,4) (0,4,3)
// (1,2,5) (1,5,4); vertex 0 at UV (0, 0), the top left of the texture.
const char* const kStripObj =
    "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nv 1 1 0\nv 2 1 0\n"
    "vt 0 1\nvt 0.5 1\nvt 1 1\nvt 0 0\nvt 0.5 0\nvt 1 0\n"
    "f 1/1 2/2 5/5\nf 1/1 5/5 4/4\nf 2/2 3/3 6/6\nf 2/2 6/6 5/5\n";

// The flags of each face (or vertex) in a dump.
std::vector<int> faceFlags(const StateJson& dump, const char* records = "faces") {
    std::vector<int> flags;
    for (const StateJson& record : dump[records]) flags.push_back(record["flags"].get<int>());
    return flags;
}

class Steps : public testing::Test {
protected:
    void SetUp() override {
        // A first run of the editor: other tests leave their settings in the shared prefix.
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Lathecraft\\polyLOOM 1.3.5\\Texloom");
        folder.write(L"strip.obj", kStripObj);
    }

    // Opens the strip, runs the steps, dumps; expects success.
    StateJson after(std::vector<std::wstring> steps) {
        steps.insert(steps.begin(), {L"--open", folder / L"strip.obj"});
        steps.insert(steps.end(), {L"--dump", folder / L"d.json"});
        EXPECT_TRUE(runBatch(steps).ok());
        return folder.json(L"d.json");
    }

    ScratchFolder folder;
};

// Faces take exactly their vertices, vertices select the faces they close, hiding names
// exactly its faces; each step replaces the one before. One run: each case reopens the strip.
TEST_F(Steps, Select3DAndHide3DTakeExactlyWhatTheyName) {
    const struct { std::vector<std::wstring> steps; std::vector<int> faces, vertices; } cases[] = {
        {{L"--select-3d", L"all", L"--select-3d", L"faces:2,0"}, {1, 0, 1, 0}, {1, 1, 1, 0, 1, 1}},
        {{L"--select-3d", L"vertices:0,1,4,5"}, {1, 0, 0, 1}, {1, 1, 0, 0, 1, 1}},
        {{L"--select-3d", L"vertices:0,1,4,5", L"--select-3d", L"none"}, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
        {{L"--hide-3d", L"faces:1,3"}, {0, 2, 0, 2}, {0, 0, 0, 0, 0, 0}},
        {{L"--hide-3d", L"faces:1,3", L"--hide-3d", L"faces:0"}, {2, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
        {{L"--hide-3d", L"faces:1", L"--hide-3d", L"none"}, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
    };
    std::vector<std::wstring> steps;
    for (size_t i = 0; i < std::size(cases); ++i) {
        steps.insert(steps.end(), {L"--open", folder / L"strip.obj"});
        steps.insert(steps.end(), cases[i].steps.begin(), cases[i].steps.end());
        steps.insert(steps.end(), {L"--dump", folder / (std::to_wstring(i) + L".json")});
    }
    ASSERT_TRUE(runBatch(steps).ok());
    for (size_t i = 0; i < std::size(cases); ++i) {
        StateJson dump = folder.json(std::to_wstring(i) + L".json");
        EXPECT_EQ(faceFlags(dump), cases[i].faces) << i;
        EXPECT_EQ(faceFlags(dump, "vertices"), cases[i].vertices) << i;
    }
}

TEST_F(Steps, BadSelectionsFailTheStepAndChangeNothing) {
    HostRun run = runBatch({L"--open", folder / L"strip.obj", L"--select-3d", L"faces:1", L"--select-3d",
                            L"faces:1,4", L"--hide-3d", L"faces:x", L"--select-3d", L"some", L"--dump",
                            folder / L"d.json"});
    EXPECT_EQ(run.status, 2);
    for (const char* message : {"--select-3d faces:1,4: ", "--hide-3d faces:x: ", "--select-3d some: "})
        EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 3) << run.errors;
    EXPECT_EQ(faceFlags(folder.json(L"d.json")), (std::vector<int>{0, 1, 0, 0}));
}

TEST_F(Steps, BatchStatusAndMessages) {
    EXPECT_EQ(runBatch({L"--open", folder / L"strip.obj", L"--wait", L"10"}).status, 0);
    const std::wstring strip = folder / L"strip.obj";
    const std::pair<std::vector<std::wstring>, std::vector<const char*>> failures[] = {
        {{L"--frobnicate"}, {"unknown option --frobnicate"}},
        {{folder / L"nothing.obj"}, {"nothing.obj: no such file"}},
        {{L"--dump"}, {"--dump needs an argument"}},
        {{L"--open", strip, L"--uv-command", L"Select/Select All"}, {"the UV editor is not open"}},
        {{L"--open", strip, L"--undo"}, {"--undo: there is nothing to undo"}},
        {{L"--open", strip, L"--invoke", L"UV Editor", L"--uv-command", L"Transform/Flop"},
         {"no menu item \"Transform/Flop\""}},
        {{L"--fail-host-call", L"LockFace:1", L"--fail-host-call", L"LockFaces:x"},
         {"no host method \"LockFace\"", "call \"x\" is not an integer"}},
        // Dialog steps without a dialog, with a control it lacks, without CONTROL=TEXT.
        {{L"--open", strip, L"--invoke", L"UV Editor", L"--dialog-click", L"OK", L"--uv-command",
          L"Mapping/Planar/User Defined", L"--dialog-click", L"Apply", L"--dialog-text", L"Hide Texloom"},
         {"--dialog-click OK: no dialog is open", "--dialog-click Apply: the dialog has no control \"Apply\"",
          "--dialog-text Hide Texloom: expected CONTROL=TEXT"}},
    };
    for (const auto& [arguments, messages] : failures) {
        HostRun run = runBatch(arguments);
        EXPECT_EQ(run.status, 2) << messages[0];
        for (const char* message : messages) EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
    }
}

TEST_F(Steps, FailHostCallFailsTheMethodUntilItsPlanEnds) {
    std::vector<std::wstring> steps = {L"--invoke", L"UV Editor", L"--fail-host-call", L"LockFaces:1+",
                                       L"--uv-command", L"select/select all"};
    StateJson failed = after(steps);
    for (int flags : faceFlags(failed)) EXPECT_EQ(flags & UV_SELECTED_ALL, 0);
    const StateJson& host = failed["host"];
    EXPECT_TRUE(host["callsFailed"] >= 1 && host["locks"] == 0 && host["groupOpen"] == false) << host.dump();
    // Then the calls answer again; a second invocation closes the editor.
    steps.insert(steps.end(), {L"--fail-host-call", L"LockFaces:0", L"--uv-command", L"select/select all", L"--invoke",
                               L"UV Editor"});
    const StateJson recovered = after(steps);
    for (int flags : faceFlags(recovered)) EXPECT_EQ(flags & UV_SELECTED_ALL, UV_SELECTED_ALL);
    EXPECT_FALSE(recovered.contains("editor"));
}

// The Tools menu's layout checks on the strip with face 3 (1,5,4) folded back over
// face 0: it alone winds against its island; faces 0, 2 and 3 overlap. Three faces of
// 3D area 1/2 and UV area 1/2 together on the 256-pixel canvas: 147.80 pixels per unit.
TEST_F(Steps, ToolsSelectFaultyFacesShowThemAndSetTexelDensity) {
    std::string folded = kStripObj;
    folded.replace(folded.find("vt 1 0\n"), 7, "vt 0.25 0.5\n");
    folder.write(L"strip.obj", folded);
    auto selected = [](const StateJson& dump) {
        std::vector<int> faces;
        for (int flags : faceFlags(dump)) faces.push_back((flags & UV_SELECTED_ALL) == UV_SELECTED_ALL);
        return faces;
    };
    const StateJson flipped = after({L"--invoke", L"UV Editor", L"--uv-command", L"Tools/Select Flipped",
                                     L"--uv-command", L"Tools/Show Stretch"});
    EXPECT_EQ(selected(flipped), (std::vector<int>{0, 0, 0, 1}));
    EXPECT_EQ(flipped["editor"]["menu"]["Tools/Show Stretch"]["checked"], true) << flipped["editor"].dump();
    EXPECT_EQ(flipped["editor"]["controls"]["status"][1], "blue stretch, red squash");

    const StateJson dense = after({L"--invoke", L"UV Editor", L"--uv-command", L"Tools/Select Overlapping",
                                   L"--uv-command", L"Tools/Texel Density...",
                                   L"--dump", folder / L"open.json", L"--dialog-text", L"212=50",
                                   L"--dialog-click", L"Apply", L"--dialog-click", L"Match",
                                   L"--dialog-text", L"212=1e30", L"--dialog-click", L"Apply"});
    EXPECT_EQ(selected(dense), (std::vector<int>{1, 0, 1, 1}));
    auto controlText = [](const StateJson& dump, int id) {
        for (const StateJson& control : dump["editor"]["dialog"]["controls"])
            if (control["id"] == id) return control["text"].get<std::string>();
        return std::string("none");
    };
    EXPECT_EQ(controlText(folder.json(L"open.json"), 212), "147.80");
    EXPECT_EQ(controlText(dense, 211), "50.00") << "the read-out follows Apply; Match keeps one island";
    EXPECT_EQ(controlText(dense, 213), "Too large: UVs would go far outside the texture.") << "1e30 refused";
    EXPECT_EQ(dense["history"]["undo"], StateJson::array({"Select Overlapping", "Set Texel Density"}));
    EXPECT_EQ(dense["editor"]["menu"]["Tools/Show Stretch"]["checked"], true) << "kept in the settings";
}

// The strip's right quad on UVs of its own, moved by (0.1, -0.3): stacked onto the left
// one (the same shape), then stitched back beside it.
TEST_F(Steps, ToolsStackSimilarIslandsAndStitchThemBack) {
    std::string apart = kStripObj;
    apart.replace(apart.find("f 2/2"), std::string::npos,
                  "vt 0.6 0.7\nvt 1.1 0.7\nvt 1.1 -0.3\nvt 0.6 -0.3\nf 2/7 3/8 6/9\nf 2/7 6/9 5/10\n");
    folder.write(L"strip.obj", apart);
    const StateJson done = after({L"--invoke", L"UV Editor", L"--uv-command", L"Select/Select All", L"--uv-command",
                                  L"Tools/Stack Similar Islands", L"--dump", folder / L"stacked.json",
                                  L"--uv-command", L"Tools/Stitch"});
    const StateJson stacked = folder.json(L"stacked.json");
    EXPECT_EQ(stacked["editor"]["controls"]["status"][0], "Stacked 1 island onto 1");
    for (int i = 0; i < 12; ++i) {  // face 0 or 1, corner, u or v
        const int face = i / 6, c = i / 2 % 3, k = i % 2;
        auto uv = [&](const StateJson& dump, int f) { return devhost::floatFromJson(dump["faces"][f]["uv"][c][k]); };
        EXPECT_NEAR(uv(stacked, face + 2), uv(stacked, face), 1e-6) << i;
        EXPECT_NEAR(uv(done, face + 2), uv(done, face) + (k ? 0 : 0.5), 1e-6) << i;
    }
    EXPECT_EQ(done["history"]["undo"], StateJson::array({"Select All", "Stack Similar Islands", "Stitch"}));
}

// The finishing tools run from the command line: Straighten to Grid lays the strip's two
// quads out with rows and columns on lines (one entry, its count in the status pane);
// Straighten finds no path in a whole selection and makes none; Snap to Corners is a
// check mark.
TEST_F(Steps, ToolsStraightenToGridAndSnapToCorners) {
    const StateJson grid = after({L"--invoke", L"UV Editor", L"--uv-command", L"Select/Select All", L"--uv-command",
                                  L"Tools/Snap to Corners", L"--uv-command", L"Tools/Straighten", L"--uv-command",
                                  L"Tools/Straighten to Grid"});
    EXPECT_EQ(grid["history"]["undo"].back(), "Straighten to Grid");
    EXPECT_EQ(grid["editor"]["controls"]["status"][0], "1 island(s) laid out as grids, 0 skipped");
    EXPECT_EQ(grid["editor"]["menu"]["Tools/Snap to Corners"]["checked"], true);
    std::map<int, float> rowOf, columnOf;  // vertex k: column k % 3, row k / 3
    for (const StateJson& face : grid["faces"])
        for (int c = 0; c < 3; ++c) {
            const int k = face["vertex"][c].get<int>();
            const float u = devhost::floatFromJson(face["uv"][c][0]), v = devhost::floatFromJson(face["uv"][c][1]);
            EXPECT_EQ(columnOf.try_emplace(k % 3, u).first->second, u) << k;
            EXPECT_EQ(rowOf.try_emplace(k / 3, v).first->second, v) << k;
        }
    EXPECT_NE(rowOf[0], rowOf[1]);
}

// Steps after a command that opens a modal dialog act on that dialog; each runs only
// after the dialog handled the one before, so a dump after "OK" sees the closed entry.
// The dump shows the open editor: window, toolbar and dialog.
TEST_F(Steps, DialogStepsDriveAModalDialog) {
    // Two modal dialogs in one run, the first ended with Done after Apply; the dump shows
    // the one open, which a capture shows too. (What a dialog does on OK, Cancel or a live
    // preview is its own tests'.)
    const StateJson moved = after({L"--invoke", L"UV Editor", L"--uv-command", L"Select/Select All", L"--uv-command",
                                   L"Transform/Move...", L"--dialog-text", L"212=0.25", L"--dialog-text", L"211=0.5",
                                   L"--dialog-click", L"Absolute", L"--dialog-click", L"Apply", L"--dialog-click",
                                   L"Done", L"--uv-command", L"Transform/Move...", L"--capture-dialog",
                                   folder / L"dialog.png"});
    EXPECT_EQ(moved["history"]["undo"], StateJson::array({"Select All", "Move UV Coords"}));
    EXPECT_EQ(moved["faces"][0]["uv"][0], StateJson::array({0.25, 0.5}));
    const StateJson& editor = moved["editor"];
    EXPECT_EQ(editor["visible"], true);
    ASSERT_EQ(editor["rect"].size(), 4u);
    EXPECT_LT(editor["rect"][0].get<int>(), editor["rect"][2].get<int>());
    EXPECT_TRUE(editor["toolbar"].contains("115")) << editor["toolbar"].dump();
    const StateJson& dialog = editor["dialog"];
    EXPECT_EQ(dialog["caption"], "Move");
    std::map<std::string, StateJson> controls;
    for (const StateJson& control : dialog["controls"]) controls[control["text"].get<std::string>()] = control;
    EXPECT_EQ(controls["0.25"]["id"], 212) << dialog.dump();
    EXPECT_EQ(controls["Absolute"]["checked"], true) << dialog.dump();
    EXPECT_GT(folder.read(L"dialog.png").size(), 100u);
}

}  // namespace
