// glTF files through the real loomhost.exe: a scene's meshes open with their node
// transforms and base-colour texture, saves keep every byte of the buffers and every
// other part of the file, edited UVs come back from .glb, and what loomhost cannot
// represent is refused naming the file and the part (the UVs a save cannot place:
// tests/devhost/GltfFileTest.cpp).
#include "LoomHostRun.h"

#include "lib/DevHost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <sstream>

namespace {

using devhost::StateJson;
using Json = nlohmann::json;

// A quad under a translated parent and a scaled node: positions, UVs (v = 0 at the
// top), normals, ushort indices and an animation's input and output, one after the
// other in quad.bin.
std::string quadBuffer() {
    const float positions[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const float uvs[] = {0.125f, 0.25f, 0.875f, 0.25f, 0.875f, 0.75f, 0.125f, 0.75f};
    const std::uint16_t indices[] = {0, 1, 2, 0, 2, 3};
    const float normals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    const float times[] = {0, 1}, moves[] = {10, 0, 0, 11, 0, 0};
    std::string bytes;
    auto add = [&bytes](const auto& array) { bytes.append(reinterpret_cast<const char*>(array), sizeof array); };
    add(positions), add(uvs), add(indices), add(normals), add(times), add(moves);
    return bytes;
}

Json quadJson() {
    Json accessors = Json::array(), views = Json::array();
    const std::tuple<int, int, const char*> layout[] = {{0, 4, "VEC3"}, {48, 4, "VEC2"}, {80, 6, "SCALAR"},
                                                        {92, 4, "VEC3"}, {140, 2, "SCALAR"}, {148, 2, "VEC3"}};
    const int sizes[] = {48, 32, 12, 48, 8, 24};
    for (size_t i = 0; i < std::size(layout); ++i) {
        auto [offset, count, type] = layout[i];
        views.push_back({{"buffer", 0}, {"byteLength", sizes[i]}});
        if (offset > 0) views.back()["byteOffset"] = offset;
        accessors.push_back({{"bufferView", i}, {"componentType", i == 2 ? 5123 : 5126}, {"count", count}, {"type", type}});
    }
    accessors[0]["min"] = {0, 0, 0};
    accessors[0]["max"] = {1, 1, 0};
    return {{"asset", {{"version", "2.0"}}},
            {"extensionsUsed", {"KHR_materials_emissive_strength"}},
            {"scene", 0},
            {"scenes", {{{"nodes", {0}}}}},
            {"nodes", {{{"name", "root"}, {"translation", {10, 0, 0}}, {"children", {1}}},
                       {{"name", "quad"}, {"mesh", 0}, {"scale", {2, 2, 2}}, {"extras", {{"keep", "me"}}}}}},
            {"meshes", {{{"name", "Quad"},
                         {"primitives", {{{"attributes", {{"POSITION", 0}, {"TEXCOORD_0", 1}, {"NORMAL", 3}}},
                                          {"indices", 2}, {"material", 0}}}}}}},
            {"materials", {{{"name", "painted"},
                            {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}},
                            {"extensions", {{"KHR_materials_emissive_strength", {{"emissiveStrength", 2}}}}}}}},
            {"textures", {{{"source", 0}}}},
            {"images", {{{"name", "halves"}, {"uri", "halves.png"}}}},
            {"animations", {{{"channels", {{{"sampler", 0}, {"target", {{"node", 0}, {"path", "translation"}}}}}},
                             {"samplers", {{{"input", 4}, {"output", 5}}}}}}},
            {"accessors", accessors},
            {"bufferViews", views},
            {"buffers", {{{"uri", "quad.bin"}, {"byteLength", 172}}}}};
}

void writeQuad(const ScratchFolder& folder) {
    folder.write(L"quad.gltf", quadJson().dump(1));
    folder.write(L"quad.bin", quadBuffer());
    devhost::writePngFile(folder / L"halves.png", {2, 2, {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF}});
}

std::vector<float> uvsOf(const StateJson& dump) {
    std::vector<float> uvs;
    for (const StateJson& face : dump["faces"])
        for (const StateJson& corner : face["uv"]) uvs.insert(uvs.end(), {corner[0].get<float>(), corner[1].get<float>()});
    return uvs;
}

TEST(Gltf, OpensTheSceneAndSavesBackEveryBitAndTheEditedUVs) {
    ScratchFolder folder;
    writeQuad(folder);
    std::filesystem::create_directory(folder.path() / L"copy");
    ASSERT_TRUE(runBatch({L"--open", folder / L"quad.gltf", L"--dump", folder / L"opened.json", L"--save",
                          folder / L"copy\\same.gltf", L"--invoke", L"UV Editor", L"--uv-command",
                          L"Select/Select All", L"--uv-command", L"Transform/Flip/Horizontal", L"--dump",
                          folder / L"edited.json", L"--save", folder / L"edited.glb", L"--open", folder / L"edited.glb",
                          L"--dump", folder / L"reopened.json", L"--save", folder / L"again.glb"}).ok());

    const StateJson opened = folder.json(L"opened.json");
    ASSERT_EQ(opened["faces"].size(), 2u);
    EXPECT_EQ(opened["vertices"][2]["position"], StateJson({12.0f, 2.0f, 0.0f}));  // (1,1,0) scaled 2, moved 10
    EXPECT_EQ(opened["faces"][1]["vertex"], StateJson({0, 2, 3}));
    EXPECT_EQ(uvsOf(opened), (std::vector<float>{0.125f, 0.25f, 0.875f, 0.25f, 0.875f, 0.75f, 0.125f, 0.25f, 0.875f,
                                                 0.75f, 0.125f, 0.75f}));
    ASSERT_EQ(opened["textures"].size(), 1u);
    EXPECT_EQ(opened["textures"][0]["name"], "halves");

    // Unchanged: the buffer bit for bit, every other part as it was.
    EXPECT_EQ(folder.read(L"copy\\quad.bin"), quadBuffer());
    const Json original = quadJson();
    Json same = Json::parse(folder.read(L"copy\\same.gltf"));
    // Defaults the library spells out.
    same["meshes"][0]["primitives"][0].erase("mode");
    same["animations"][0]["samplers"][0].erase("interpolation");
    for (const char* part : {"extensionsUsed", "scene", "scenes", "nodes", "meshes", "materials", "textures", "images",
                             "animations", "accessors", "bufferViews", "buffers"})
        EXPECT_EQ(same[part], original[part]) << part;

    // Edited, through .glb and back: the new UVs, and a second save keeps the BIN chunk's bytes.
    const StateJson edited = folder.json(L"edited.json"), reopened = folder.json(L"reopened.json");
    EXPECT_NE(uvsOf(edited), uvsOf(opened));
    EXPECT_EQ(uvsOf(reopened), uvsOf(edited));
    EXPECT_EQ(reopened["vertices"], opened["vertices"]);
    const std::string glb = folder.read(L"edited.glb"), again = folder.read(L"again.glb");
    EXPECT_EQ(glb.substr(0, 4), "glTF");
    std::uint32_t jsonLength = 0;
    std::memcpy(&jsonLength, glb.data() + 12, 4);
    EXPECT_EQ(glb.substr(20 + jsonLength), again.substr(20 + jsonLength));
}

TEST(Gltf, WhatLoomhostCannotRepresentIsRefusedNamingFileAndPart) {
    ScratchFolder folder;
    writeQuad(folder);
    folder.write(L"many.bin", std::string(65541 * 12, '\0'));
    struct Case {
        const char* name;
        void (*change)(Json&);
        const char* says;
    };
    const Case cases[] = {
        {"lines", [](Json& j) { j["meshes"][0]["primitives"][0]["mode"] = 1; },
         "meshes[0] \"Quad\" primitives[0]: lines; loomhost shows triangles only"},
        {"points", [](Json& j) { j["meshes"][0]["primitives"][0]["mode"] = 0; }, "primitives[0]: points"},
        {"nopositions", [](Json& j) { j["meshes"][0]["primitives"][0]["attributes"].erase("POSITION"); },
         "primitives[0]: has no POSITION"},
        {"past", [](Json& j) { j["accessors"][1]["count"] = 5; }, "TEXCOORD_0, accessors[1]: reaches past the end"},
        {"index", [](Json& j) { j["accessors"][2]["bufferView"] = 0; j["accessors"][2]["byteOffset"] = 12; },
         "primitives[0]: an index 16256 is not below the 4 vertices"},
        {"many", [](Json& j) {
             j["buffers"].push_back({{"uri", "many.bin"}, {"byteLength", 65541 * 12}});
             j["bufferViews"][0] = {{"buffer", 1}, {"byteLength", 65541 * 12}};
             j["accessors"][0]["count"] = 65541;
             j["meshes"][0]["primitives"][0].erase("indices");
             j["meshes"][0]["primitives"][0]["attributes"].erase("TEXCOORD_0");
         }, "meshes[0] \"Quad\": its vertices are more than 65536"},
        {"nobin", [](Json& j) { j["buffers"][0]["uri"] = "missing.bin"; }, "missing.bin"},
    };
    std::vector<std::wstring> steps = {L"--open", folder / L"quad.gltf", L"--dump", folder / L"before.json"};
    for (const Case& c : cases) {
        Json json = quadJson();
        c.change(json);
        const std::wstring file = devhost::wide(std::string(c.name) + ".gltf");
        folder.write(file, json.dump());
        steps.insert(steps.end(), {L"--open", folder / file});
    }
    folder.write(L"broken.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [");
    steps.insert(steps.end(), {L"--open", folder / L"broken.gltf", L"--dump", folder / L"after.json"});
    HostRun run = runBatch(steps);
    EXPECT_EQ(run.status, 2);
    std::istringstream lines(run.errors);
    std::string line;
    for (const Case& c : cases) {
        ASSERT_TRUE(std::getline(lines, line)) << run.errors;
        EXPECT_NE(line.find(std::string(c.name) + ".gltf: "), std::string::npos) << line;
        EXPECT_NE(line.find(c.says), std::string::npos) << c.says << "\n" << line;
    }
    ASSERT_TRUE(std::getline(lines, line)) << run.errors;
    EXPECT_NE(line.find("broken.gltf: "), std::string::npos) << line;
    EXPECT_FALSE(std::getline(lines, line)) << line;
    EXPECT_EQ(folder.read(L"before.json"), folder.read(L"after.json"));
}

}  // namespace
