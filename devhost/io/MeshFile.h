// A mesh as the development host reads and writes it: the host's face and vertex
// records plus the materials of its OBJ file. OBJ/MTL (Wavefront) and the JSON state.
#pragma once

#include "io/FileError.h"
#include "lib/DevHost.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace devhost {

struct MeshMaterial {
    std::string name;
    std::filesystem::path texture;  // map_Kd, absolute; empty when none
    std::filesystem::path library;  // the MTL file that names the texture, for messages
    long textureLine = 0;           //   and its map_Kd line (0: unknown)
    std::string textureName;        // the texture's name; empty: the texture file's stem
    std::string textureBytes;       // an image file's bytes embedded in the mesh file (then no texture path)
};

struct MeshFile {
    std::vector<DevFace> faces;
    std::vector<DevVertex> vertices;
    std::vector<MeshMaterial> materials;  // a face's material indexes this list
    std::vector<std::string> warnings;    // what was read but not understood
    // Per face corner, v as the OBJ file wrote it (NaN without one): writeObj keeps
    // the file's number wherever it still reads back as the corner's v.
    std::vector<float> fileV;
};

// Vertex indices are 16-bit: a mesh may have at most this many vertices.
constexpr size_t kMaxMeshVertices = 65536;

// Reads a file the OBJ file names (its MTL libraries); throws FileError when it cannot.
using FileReader = std::function<std::string(const std::filesystem::path&)>;

// Reads an OBJ file with its MTL libraries; polygons become fans of triangles around
// their first corner, texture coordinates are kept per face corner with v turned
// from the OBJ convention (0 at the bottom row of the image) to the plug-in's (0 at
// the top row), face normals are the geometric unit normals. Throws FileError naming
// file and line.
MeshFile readObj(const std::filesystem::path& path);
// The same on the file's contents, its libraries read through readFile.
MeshFile parseObj(const std::filesystem::path& path, std::string text, const FileReader& readFile);

// Writes path and, when there are materials, the MTL file beside it with the same
// stem; every face is a triangle. Numbers are written so that readObj gives back the
// same floats. Faces with
// vertex indices outside the vertex array are left out (noted in a comment), and
// non-finite numbers are written as 0. Throws FileError.
void writeObj(const std::filesystem::path& path, const MeshFile& mesh);

// What writeObj writes: the OBJ text and, with materials, the MTL text and its path.
struct ObjTexts {
    std::string obj;
    std::string mtl;
    std::filesystem::path library;  // empty without materials
};
ObjTexts formatObj(const std::filesystem::path& path, const MeshFile& mesh);

// Unit normal of the triangle's corners in winding order; zero when the triangle is
// degenerate or refers to a vertex outside the array.
void geometricNormal(const DevFace& face, const std::vector<DevVertex>& vertices, float normal[3]);

}  // namespace devhost
