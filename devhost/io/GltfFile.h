// glTF 2.0 (.gltf with external or embedded buffers, .glb): the triangles of every mesh
// of the default scene as the host's records, and the file written back with the
// edited TEXCOORD_0 and everything else as it was.
#pragma once

#include "io/MeshFile.h"

#include <memory>

namespace devhost {

// The whole file as the library read it, and where each face corner's UV lives in it.
struct GltfModel;

struct GltfFile {
    MeshFile mesh;
    std::shared_ptr<GltfModel> model;
};

// Every triangle primitive (triangles, strips, fans) of every mesh the default scene
// shows, once per mesh, positions through the first node that shows it; a primitive's
// TEXCOORD_0 gives its corners' UVs (0 at the image's top row, as the plug-in counts),
// its material's base-colour image becomes the material's texture (named after the
// image). Throws FileError naming the file and the part it cannot represent: points
// and lines, a primitive without positions, more than kMaxMeshVertices vertices,
// sparse accessors, data outside its buffer.
GltfFile readGltf(const std::filesystem::path& path);
// The same on the file's bytes, its buffers read through readFile.
GltfFile parseGltf(const std::filesystem::path& path, const std::string& bytes, const FileReader& readFile);

// The file (.gltf or .glb by path's extension) with the faces' UVs in the TEXCOORD_0
// elements they came from, and each buffer the file keeps in a file of its own; an
// unchanged UV leaves its bytes as they were. One glTF vertex given two UVs (a seam) is
// split: its primitive gets new vertices (every attribute copied to new accessors) and a
// triangle list of its own. Throws FileError when a changed UV has no place: a primitive
// without TEXCOORD_0, a sparse or integer (not normalized) accessor, faces other than
// those read.
struct FileBytes {
    std::filesystem::path path;
    std::string contents;
};
std::vector<FileBytes> formatGltf(const std::filesystem::path& path, const GltfModel& model,
                                  const std::vector<DevFace>& faces);
// Writes them all or none (replaceFiles).
void writeGltf(const std::filesystem::path& path, const GltfModel& model, const std::vector<DevFace>& faces);

}  // namespace devhost
