// OBJ and state files through the real loomhost.exe: exact round trips, bad host data
// taken as it stands, clear errors for damaged files, saves that never half-happen; the
// window's title marks unsaved edits, dropped files open and join the recent files.
#include "LoomHostRun.h"

#include "io/MeshFile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

namespace {

using devhost::floatFromJson;
using devhost::StateJson;

uint32_t bits(float value) { return std::bit_cast<uint32_t>(value); }

// Two faces of a unit square with UVs.
const char* const kSquareObj = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0.1 0.2\nvt 0.9 0.2\nvt 0.9 0.8\nvt 0.1 0.8\n"
                               "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n";

std::string records(const StateJson& dump) { return dump["faces"].dump() + dump["vertices"].dump(); }

TEST(ObjFiles, ImportKeepsPositionsUVsNormalsAndMaterialsWithTheirTexture) {
    ScratchFolder folder;
    // Old Mac line endings, and material libraries that are endless devices: warned about
    // and left out, not read forever.
    std::string square = std::string("mtllib Z:/dev/zero\nmtllib Z:/dev/urandom\n") + kSquareObj;
    std::replace(square.begin(), square.end(), '\n', '\r');
    folder.write(L"square.obj", square);
    // Polygons are triangulated; a 2 x 2 BMP, written by hand, is the texture of a material.
    std::string bmp = {'B', 'M'};
    auto put32 = [&bmp](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += char(v >> (8 * i)); };
    for (uint32_t v : {70u, 0u, 54u, 40u, 2u, 2u, 0x180001u, 0u, 16u, 0u, 0u, 0u, 0u}) put32(v);  // 1 plane, 24 bits
    folder.write(L"grey.bmp", bmp + std::string(16, '\x7f'));
    // Textures that are a device and a folder: warned about once each, with the MTL line.
    std::filesystem::create_directory(folder.path() / L"sub");
    folder.write(L"quads.mtl", "newmtl plain\nKd 1 1 1\nnewmtl painted\nmap_Kd grey.bmp\nnewmtl device\n"
                               "map_Kd Z:/dev/zero\nnewmtl folder\nmap_Kd sub\n");
    folder.write(L"quads.obj",
                 "mtllib quads.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
                 "usemtl plain\nf 1 2 3 4\nusemtl painted\nf 2 5 6 3\n");
    HostRun run = runBatch({L"--open", folder / L"square.obj", L"--dump", folder / L"d.json", L"--open",
                            folder / L"quads.obj", L"--dump", folder / L"quads.json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    const char* const warnings[] = {"square.obj:1: material library Z:/dev/zero: not a regular file; left out",
                                    "square.obj:2: material library Z:/dev/urandom: not a regular file; left out",
                                    "quads.mtl:6: texture ", "zero: not a regular file; material \"device\"",
                                    "quads.mtl:8: texture ", "sub: a folder, not an image file; material \"folder\""};
    for (const char* warning : warnings) EXPECT_NE(run.errors.find(warning), std::string::npos) << warning << "\n" << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 4) << run.errors;
    StateJson dump = folder.json(L"d.json");
    ASSERT_TRUE(dump["faces"].size() == 2u && dump["vertices"].size() == 4u) << dump.dump();
    const StateJson& second = dump["faces"][1];
    EXPECT_EQ(second["vertex"], StateJson({0, 2, 3}));
    EXPECT_EQ(bits(floatFromJson(second["uv"][2][0])), bits(0.1f));
    // "vt 0.1 0.8" counts v from the image's bottom row: 1 - 0.8, worked out exactly.
    EXPECT_EQ(bits(floatFromJson(second["uv"][2][1])), bits(0.2f));
    EXPECT_EQ(second["normal"], StateJson({0.0f, 0.0f, 1.0f}));
    StateJson quads = folder.json(L"quads.json");
    ASSERT_EQ(quads["faces"].size(), 4u);
    EXPECT_EQ(quads["faces"][0]["material"], 0);
    EXPECT_EQ(quads["faces"][3]["material"], 1);
    ASSERT_EQ(quads["textures"].size(), 1u);
    EXPECT_EQ(quads["textures"][0]["name"], "grey");
}

TEST(ObjFiles, RoundTripsAreBitExact) {
    ScratchFolder folder;
    // Awkward floats of every magnitude, written with 9 significant digits; the v
    // values include those where 1 - (1 - v) in float is not v.
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> exponent(-40, 40);
    std::uniform_real_distribution<float> mantissa(1.0f, 2.0f);
    const float awkwardV[] = {1e-10f, 0.1f, 0.99999994f, 2.7f, -0.3f, 1e-40f, 3.4e38f, 0.5f, 1.0f, 0.0f,
                              0.333333343f, -1e-30f, 1.00000012f, 16777217.0f};
    std::vector<float> values;
    std::string obj = "v 0.1 0.2 0.3\nv 1e-7 -3.40282347e+38 1.17549435e-38\nv 0.333333343 -0 16777217\nv 0 0 1\n";
    for (int i = 0; i < 300; ++i) {
        float value = std::ldexp(mantissa(random), exponent(random)) * (i % 2 ? -1.0f : 1.0f);
        values.push_back(value);
        float v = i % 2 ? awkwardV[i / 2 % std::size(awkwardV)] : values[(i * 7) % values.size()];
        char line[80];
        std::snprintf(line, sizeof line, "vt %.9g %.9g\n", double(value), double(v));
        obj += line;
    }
    for (int i = 0; i < 300; i += 3)
        obj += "f 1/" + std::to_string(i + 1) + " 2/" + std::to_string(i + 2) + " 3/" + std::to_string(i + 3) + "\n";
    // A quad comes back as the two triangles of its fan.
    obj += "f 1/1 2/2 3/3 4/4\n";
    folder.write(L"a.obj", obj);

    // OBJ -> document -> OBJ, and a state (no file numbers to keep) -> OBJ -> state.
    ASSERT_TRUE(runBatch({L"--open", folder / L"a.obj", L"--dump", folder / L"a.json", L"--save", folder / L"b.obj",
                          L"--open", folder / L"a.json", L"--save", folder / L"c.obj", L"--open", folder / L"b.obj",
                          L"--dump", folder / L"b.json", L"--open", folder / L"c.obj", L"--dump", folder / L"c.json"}).ok());

    StateJson a = folder.json(L"a.json");
    ASSERT_EQ(a["faces"].size(), 102u);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(bits(floatFromJson(a["faces"][i / 3]["uv"][i % 3][0])), bits(values[i])) << "corner " << i;
    EXPECT_EQ(a["faces"][101]["vertex"], StateJson({0, 2, 3}));
    EXPECT_EQ(bits(floatFromJson(a["vertices"][2]["position"][1])), bits(-0.0f));
    EXPECT_EQ(bits(floatFromJson(a["vertices"][1]["position"][1])), bits(-3.40282347e+38f));
    EXPECT_EQ(records(a), records(folder.json(L"b.json")));
    EXPECT_EQ(records(a), records(folder.json(L"c.json")));
    // Saved unchanged, the file keeps its own v numbers, not just the document's.
    std::vector<float> written = devhost::readObj(folder.path() / L"b.obj").fileV;
    std::vector<float> original = devhost::readObj(folder.path() / L"a.obj").fileV;
    ASSERT_EQ(written.size(), original.size());
    for (size_t i = 0; i < written.size(); ++i) ASSERT_EQ(bits(written[i]), bits(original[i])) << "corner " << i;
}

TEST(StateFiles, BadHostDataIsTakenAsItStandsAndSurvivesDumpSaveAndDrawing) {
    ScratchFolder folder;
    folder.write(L"bad.json", R"({
      "faces": [
        {"flags": 61441, "vertex": [0, 1, 2], "material": 7, "uv": [[0.25, "nan"], ["inf", "-inf"], [1, 2]],
         "groups": [1, 32768, 65535]},
        {"flags": 0, "vertex": [0, 2, 40000], "normal": [0, 0, -1], "uv": [[0, 0], [1, 0], [1, 1]]}
      ],
      "vertices": [{"position": [0, 0, 0]}, {"position": [1, 0, 0], "flags": 1}, {"position": [0, 1, 0]}]
    })");
    ASSERT_TRUE(runBatch({L"--open", folder / L"bad.json", L"--dump", folder / L"d.json", L"--capture-host",
                          folder / L"view.png", L"--save", folder / L"bad.obj", L"--save",
                          folder / L"again.json"}).ok());
    StateJson dump = folder.json(L"d.json");
    // Every field as written, but the first face's normal: geometric when not given.
    EXPECT_EQ(dump["faces"], StateJson::parse(R"([
        {"flags": 61441, "vertex": [0, 1, 2], "material": 7, "normal": [0, 0, 1],
         "uv": [[0.25, "nan"], ["inf", "-inf"], [1, 2]], "groups": [1, 32768, 65535]},
        {"flags": 0, "vertex": [0, 2, 40000], "material": 0, "normal": [0, 0, -1],
         "uv": [[0, 0], [1, 0], [1, 1]], "groups": [0, 0, 0]}])"));
    EXPECT_EQ(dump["vertices"][1]["flags"], 1);
    EXPECT_EQ(records(dump), records(folder.json(L"again.json")));
    // The OBJ cannot hold the face with the bad index or the non-finite numbers.
    std::string obj = folder.read(L"bad.obj");
    EXPECT_NE(obj.find("# face 1 left out"), std::string::npos) << obj;
    EXPECT_EQ(obj.find("nan"), std::string::npos) << obj;
    EXPECT_FALSE(folder.read(L"view.png").empty());
}

// Damaged files of both kinds: refused with file and line (or field), in one short line,
// control characters escaped, and the open document stays as it was.
TEST(Files, DamagedFilesGiveFileAndLineAndChangeNothing) {
    struct Case { std::string text, where; };  // where: in the message, which starts with the file's name
    std::string utf16 = "\xFE\xFF";
    for (char c : std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")) utf16 += {'\0', c};
    std::string noise(4096, '\0');
    std::mt19937 random(7);
    for (char& c : noise) c = char(random());
    const std::string noiseAt = "broken.obj:" +
        std::to_string(1 + std::count(noise.begin(), noise.begin() + long(noise.find('\0')), '\n')) + ": a zero byte";
    const std::string digits(10000, '9');
    std::string huge;
    for (int i = 0; i < 65537; ++i) huge += "v 0 0 0\n";
    const Case cases[] = {
        {"v 0 0 0\nv 1 two 0\nv 0 1 0\nf 1 2 3\n", "broken.obj:2:"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 1 2\n", "broken.obj:5:"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", "broken.obj:4:"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2/1 0/1\n", "broken.obj:4:"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/// 2// 3/\n", "broken.obj:4: face corner '1///' has 3 slashes"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2// 3//1\n", "broken.obj:5: face corner '2//' has no normal"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3/\n", "broken.obj:4: face corner '3/' has no texture coordinate"},
        {"v 0 0\n", "broken.obj:1:"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -2147483648\n", "broken.obj:4:"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/-2147483649 3/1\n", "broken.obj:5:"},
        {"v 0 0 0\rv 1 \x01\x1b[2J 0\rv 0 1 0\r", R"(broken.obj:2: '\x01\x1B[2J' is not)"},
        {utf16, "broken.obj:1: UTF-16"},
        {huge + "f 1 2 3\n", "broken.obj: 65537 vertices"},
        {noise, noiseAt},
        {"{\n  \"faces\": [\n    {\"flags\": 1,,}\n  ]\n}\n", "broken.json:3:"},
        {R"({"faces": [{"vertex": [0, 1, 70000]}]})", "broken.json: faces[0].vertex[2]"},
        {R"({"vertices": [{"position": [0, "up", 0]}]})", "broken.json: vertices[0].position[1]"},
        {"{\"faces\": [{\"flags\": 1,\n \"uv\": [[0, 1e39], [0, 0], [0, 0]]}]}", "broken.json:2: the number 1e39 is beyond"},
        {"{\"faces\": [{\"uv\": [[0, 0], [0, 0], [0, 1" + digits + "]]}]}", "broken.json:1:"},
    };
    // All in one run: each refused file adds one line and leaves the document alone.
    ScratchFolder folder;
    folder.write(L"square.obj", kSquareObj);
    std::vector<std::wstring> steps = {L"--open", folder / L"square.obj", L"--select-3d", L"faces:1", L"--dump",
                                       folder / L"before.json"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::string name = std::to_string(i) + cases[i].where.substr(0, cases[i].where.find(':'));
        folder.write(std::wstring(name.begin(), name.end()), cases[i].text);
        steps.insert(steps.end(), {L"--open", folder / std::wstring(name.begin(), name.end())});
    }
    steps.insert(steps.end(), {L"--dump", folder / L"after.json"});
    HostRun run = runBatch(steps);
    EXPECT_EQ(run.status, 2);
    std::istringstream lines(run.errors);
    std::string line;
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text.substr(0, 60));
        ASSERT_TRUE(std::getline(lines, line)) << run.errors;
        EXPECT_NE(line.find("--open"), std::string::npos) << line;
        EXPECT_NE(line.find(std::to_string(i) + cases[i].where), std::string::npos) << line;
        EXPECT_LT(line.size(), 600u);
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
    EXPECT_EQ(folder.read(L"before.json"), folder.read(L"after.json"));
}

// A save of an OBJ with its MTL replaces both or neither.
TEST(Saving, SavesReplaceWholeFilesAndAFailedSaveChangesNoFileAndLeavesNoTemporary) {
    ScratchFolder folder;
    folder.write(L"square.obj", std::string("mtllib square.mtl\nusemtl plain\n") + kSquareObj);
    folder.write(L"square.mtl", "newmtl plain\nKd 1 1 1\n");
    const std::string old(100000, '@');
    for (const wchar_t* name : {L"out.obj", L"taken.mtl", L"locked.obj", L"locked.mtl", L"mtlfolder.obj"})
        folder.write(name, old);
    // Folders where a file should go, before or after its partner, and an OBJ that another
    // program holds open (it cannot be moved aside once the MTL is in place).
    std::filesystem::create_directory(folder.path() / L"taken.obj");
    std::filesystem::create_directory(folder.path() / L"mtlfolder.mtl");
    HANDLE held = CreateFileW((folder / L"locked.obj").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HostRun run = runBatch({L"--open", folder / L"square.obj", L"--save", folder / L"taken.obj", L"--save",
                            folder / L"mtlfolder.obj", L"--save", folder / L"locked.obj", L"--save",
                            folder / L"missing\\out.obj", L"--save", folder / L"out.obj", L"--open",
                            folder / L"out.obj", L"--dump", folder / L"d.json"});
    CloseHandle(held);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 4) << run.errors;
    for (const char* message : {"taken.obj: cannot be written: a folder has that name; no file of the save was changed",
                                "mtlfolder.mtl: cannot be written: a folder", "locked.obj: cannot be written",
                                "missing\\out.mtl: cannot be written"})
        EXPECT_NE(run.errors.find(message), std::string::npos) << message << "\n" << run.errors;
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / L"taken.obj"));
    for (const wchar_t* name : {L"taken.mtl", L"locked.obj", L"locked.mtl", L"mtlfolder.obj"})
        EXPECT_EQ(folder.read(name), old) << devhost::utf8(name);
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        const std::wstring name = entry.path().filename().wstring();
        EXPECT_TRUE(name.find(L".saving-") == name.npos && name.find(L".replaced-") == name.npos) << entry.path().string();
    }
    EXPECT_EQ(folder.read(L"out.obj").find('@'), std::string::npos);
    EXPECT_NE(folder.read(L"out.mtl").find("newmtl plain"), std::string::npos);
    EXPECT_EQ(folder.json(L"d.json")["faces"].size(), 2u);
}

// Editor commands become history that the editor's Undo button (122) and the steps walk;
// the title marks the unsaved position.
TEST(Files, HistoryAndTitleFollowEditsDroppedFilesOpenAndJoinTheRecentFiles) {
    ScratchFolder folder;
    folder.write(L"first.obj", kSquareObj);
    folder.write(L"second.obj", kSquareObj);
    ASSERT_TRUE(runBatch({L"--open", folder / L"first.obj", L"--invoke", L"UV Editor", L"--uv-command",
                          L"Select/Select All", L"--uv-command", L"Transform/Flip/Horizontal", L"--dump",
                          folder / L"edited.json", L"--uv-toolbar", L"122", L"--undo", L"--dump",
                          folder / L"undone.json", L"--redo", L"--redo", L"--dump", folder / L"redone.json",
                          L"--save", folder / L"first.obj", L"--dump", folder / L"saved.json", L"--drop",
                          folder / L"second.obj", L"--dump", folder / L"dropped.json"}).ok());
    const StateJson edited = folder.json(L"edited.json"), undone = folder.json(L"undone.json"),
                    redone = folder.json(L"redone.json");
    EXPECT_EQ(edited["history"]["undo"], StateJson::array({"Select All", "Mirror UV Coords"}));
    EXPECT_EQ(undone["history"]["redo"].size(), 2u);
    EXPECT_TRUE(undone["history"]["undo"].empty());
    EXPECT_NE(undone["faces"].dump(), edited["faces"].dump());
    EXPECT_EQ(redone["faces"].dump(), edited["faces"].dump());
    EXPECT_EQ(redone["history"], edited["history"]);
    const char* titles[][2] = {{"edited.json", "first.obj* - loomhost"}, {"undone.json", "first.obj - loomhost"},
                               {"redone.json", "first.obj* - loomhost"}, {"saved.json", "first.obj - loomhost"},
                               {"dropped.json", "second.obj - loomhost"}};
    for (const auto& [dump, title] : titles)
        EXPECT_EQ(folder.json(devhost::wide(dump))["host"]["title"], title) << dump;
    const StateJson dropped = folder.json(L"dropped.json")["host"];
    ASSERT_GE(dropped["recent"].size(), 2u);
    EXPECT_EQ(std::filesystem::path(dropped["recent"][0].get<std::string>()).filename(), "second.obj");
    EXPECT_EQ(std::filesystem::path(dropped["recent"][1].get<std::string>()).filename(), "first.obj");
}

}  // namespace
