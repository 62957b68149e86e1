// Saving UVs into a glTF file in memory: an unchanged document gives the buffer back bit
// for bit, an edited UV goes into its own element in the accessor's component type, and
// what the file cannot hold is refused naming the face, the corner and the element; an
// image whose buffer view leaves its buffer is refused before its bytes are read.
#include "io/GltfFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <tuple>

namespace {

// A quad as two triangles with TEXCOORD_0 (floats, or normalized bytes), and the same
// positions again as a primitive without UVs; the buffer is the file q.bin.
struct Quad {
    std::string json, buffer;
};

Quad makeQuad(int uvType, bool normalized) {
    const float positions[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const float uvs[] = {0.25f, 0.5f, 0.75f, 0.5f, 0.75f, 1.0f, 0.25f, 1.0f};
    const std::uint8_t uvBytes[] = {0, 51, 102, 153, 204, 255, 17, 34};
    const std::uint16_t indices[] = {0, 1, 2, 0, 2, 3};
    Quad quad;
    quad.buffer.append(reinterpret_cast<const char*>(positions), sizeof positions);
    const size_t uvSize = uvType == 5126 ? sizeof uvs : sizeof uvBytes;
    quad.buffer.append(uvType == 5126 ? reinterpret_cast<const char*>(uvs) : reinterpret_cast<const char*>(uvBytes), uvSize);
    quad.buffer.append(reinterpret_cast<const char*>(indices), sizeof indices);
    nlohmann::json json = {
        {"asset", {{"version", "2.0"}}},
        {"meshes", {{{"primitives", {{{"attributes", {{"POSITION", 0}, {"TEXCOORD_0", 1}}}, {"indices", 2}},
                                     {{"attributes", {{"POSITION", 0}}}, {"indices", 2}}}}}}},
        {"accessors", {{{"bufferView", 0}, {"componentType", 5126}, {"count", 4}, {"type", "VEC3"}},
                       {{"bufferView", 1}, {"componentType", uvType}, {"normalized", normalized}, {"count", 4},
                        {"type", "VEC2"}, {"min", {0, 0}}, {"max", {1, 1}}},
                       {{"bufferView", 2}, {"componentType", 5123}, {"count", 6}, {"type", "SCALAR"}}}},
        {"bufferViews", {{{"buffer", 0}, {"byteLength", 48}},
                         {{"buffer", 0}, {"byteOffset", 48}, {"byteLength", uvSize}},
                         {{"buffer", 0}, {"byteOffset", 48 + uvSize}, {"byteLength", 12}}}},
        {"buffers", {{{"uri", "q.bin"}, {"byteLength", quad.buffer.size()}}}}};
    quad.json = json.dump();
    return quad;
}

devhost::GltfFile read(const Quad& quad) {
    return devhost::parseGltf("q.gltf", quad.json, [&](const std::filesystem::path&) { return quad.buffer; });
}

TEST(GltfFile, UnchangedUVsKeepTheirBytesAndEditedOnesTakeTheirComponentType) {
    for (int type : {5126, 5121}) {
        SCOPED_TRACE(type);
        const Quad quad = makeQuad(type, true);
        const devhost::GltfFile file = read(quad);
        ASSERT_EQ(file.mesh.faces.size(), 4u);
        // Unedited: the same bytes, and the same JSON down to values equal to their defaults.
        const std::vector<devhost::FileBytes> unchanged = devhost::formatGltf("q.gltf", *file.model, file.mesh.faces);
        EXPECT_EQ(unchanged[1].contents, quad.buffer);
        EXPECT_EQ(nlohmann::json::parse(unchanged[0].contents), nlohmann::json::parse(quad.json));
        // Element 1 is corner 1 of face 0 only.
        std::vector<devhost::DevFace> faces = file.mesh.faces;
        faces[0].uv[1][0] = 0.5f;
        faces[0].uv[1][1] = 1.5f;
        const std::vector<devhost::FileBytes> written = devhost::formatGltf("q.gltf", *file.model, faces);
        const std::string& buffer = written[1].contents;
        const size_t at = 48 + (type == 5126 ? 8 : 2), size = type == 5126 ? 8 : 2;
        EXPECT_EQ(buffer.substr(0, at) + buffer.substr(at + size), quad.buffer.substr(0, at) + quad.buffer.substr(at + size));
        const nlohmann::json max = nlohmann::json::parse(written[0].contents)["accessors"][1]["max"];
        if (type == 5126) {
            float uv[2];
            std::memcpy(uv, buffer.data() + at, 8);
            EXPECT_TRUE(uv[0] == 0.5f && uv[1] == 1.5f);
            EXPECT_EQ(max, nlohmann::json({1, 1.5}));
        } else {
            EXPECT_EQ(buffer.substr(at, 2), std::string("\x80\xFF"));  // 0.5 rounded, 1.5 clamped
            EXPECT_EQ(max, nlohmann::json({128, 255}));
        }
    }
}

// A vertex given two UVs gets a copy in its primitive, whether the node mirrors the
// triangles or not; read back, every corner has its UV and its position.
TEST(GltfFile, ASeamGivesItsPrimitiveNewVertices) {
    for (bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored);
        Quad quad = makeQuad(5126, false);
        nlohmann::json json = nlohmann::json::parse(quad.json);
        json["nodes"] = {{{"mesh", 0}, {"scale", {mirrored ? -1 : 1, 1, 1}}}};
        json["scenes"] = {{{"nodes", {0}}}};
        quad.json = json.dump();
        const devhost::GltfFile file = read(quad);
        std::vector<devhost::DevFace> faces = file.mesh.faces;
        faces[0].uv[0][0] = 0.5f;  // element 0, which face 1 keeps at 0.25
        const std::vector<devhost::FileBytes> written = devhost::formatGltf("q.gltf", *file.model, faces);
        const devhost::GltfFile back = devhost::parseGltf("q.gltf", written[0].contents,
                                                          [&](const std::filesystem::path&) { return written[1].contents; });
        ASSERT_EQ(back.mesh.faces.size(), faces.size());
        for (size_t f = 0; f < faces.size(); ++f)
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(back.mesh.faces[f].uv[c][0], faces[f].uv[c][0]) << f << " " << c;
                EXPECT_EQ(back.mesh.faces[f].uv[c][1], faces[f].uv[c][1]) << f << " " << c;
                for (int k = 0; k < 3; ++k)
                    EXPECT_EQ(back.mesh.vertices[back.mesh.faces[f].vertex[c]].position[k],
                              file.mesh.vertices[faces[f].vertex[c]].position[k]);
            }
        EXPECT_EQ(nlohmann::json::parse(written[0].contents)["meshes"][0]["primitives"][1]["indices"], 2);
    }
}

TEST(GltfFile, AnImageWhoseBufferViewLeavesItsBufferIsRefused) {
    // q.bin has 92 bytes: a view of its last 12, one byte more, and one from past its end.
    for (const auto& [offset, length, refused] : {std::tuple{80, 12, false}, {80, 13, true}, {200, 4, true}}) {
        Quad quad = makeQuad(5126, false);
        nlohmann::json json = nlohmann::json::parse(quad.json);
        json["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", offset}, {"byteLength", length}});
        json["images"] = {{{"bufferView", 3}, {"mimeType", "image/png"}}};
        quad.json = json.dump();
        try {
            read(quad);
            EXPECT_FALSE(refused) << offset << " " << length;
        } catch (const devhost::FileError& error) {
            EXPECT_TRUE(refused) << error.what();
            EXPECT_STREQ(error.what(), "q.gltf: images[0]: its buffer view runs past the end of its buffer");
        }
    }
}

TEST(GltfFile, UVsTheFileCannotHoldAreRefusedNamingFaceCornerAndElement) {
    struct Case {
        int type;
        bool normalized;
        void (*edit)(std::vector<devhost::DevFace>&);
        const char* says;
    };
    const Case cases[] = {
        {5126, false, [](auto& f) { f[2].uv[0][1] = 0.5f; }, "face 2 corner 0: its primitive has no TEXCOORD_0"},
        {5126, false, [](auto& f) { f.pop_back(); }, "the document has 3 faces, the glTF file 4"},
        {5121, false, [](auto& f) { f[0].uv[1][0] = 0.5f; }, "accessors[1]: UVs of component type 5121 cannot be written"},
    };
    for (const Case& c : cases) {
        const devhost::GltfFile file = read(makeQuad(c.type, c.normalized));
        std::vector<devhost::DevFace> faces = file.mesh.faces;
        c.edit(faces);
        try {
            devhost::formatGltf("q.gltf", *file.model, faces);
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const devhost::FileError& error) {
            EXPECT_NE(std::string(error.what()).find(std::string("q.gltf: ") + c.says), std::string::npos) << error.what();
        }
    }
}

}  // namespace
