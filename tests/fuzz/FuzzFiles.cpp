// The development host's readers on any bytes, in memory: an OBJ file with an MTL library
// beside it (the input split at the first "\n#mtl\n": before it the OBJ, after it every
// library it names), a glTF file with its buffer files (split the same way at "\n#bin\n"),
// or a JSON state file. A file is read or refused with FileError; what reads is written
// back and must read again. Built three times, FUZZ_STATE or FUZZ_GLTF choosing the reader.
#include "io/GltfFile.h"
#include "io/MeshFile.h"
#include "io/StateFile.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
#ifdef FUZZ_STATE
    try {
        devhost::MeshFile mesh = devhost::parseState("in.json", input);
        const devhost::StateJson state = {{"faces", devhost::facesToJson(mesh.faces)},
                                          {"vertices", devhost::verticesToJson(mesh.vertices)}};
        if (devhost::parseState("out.json", state.dump(2)).faces.size() != mesh.faces.size()) __builtin_trap();
    } catch (const devhost::FileError&) {
    }
#elif defined(FUZZ_GLTF)
    const size_t split = input.find("\n#bin\n");
    const std::string buffer = split == std::string::npos ? std::string() : input.substr(split + 6);
    try {
        devhost::GltfFile file = devhost::parseGltf("in.gltf", input.substr(0, split), [&](const std::filesystem::path& path) {
            if (split == std::string::npos) throw devhost::FileError(path, 0, "no such file");
            return buffer;
        });
        // Unchanged, the file is written and read again with the same faces and UVs (to the
        // bit; positions may go through JSON numbers that cannot hold what was read).
        for (const char* name : {"out.gltf", "out.glb"}) {
            const std::vector<devhost::FileBytes> written = devhost::formatGltf(name, *file.model, file.mesh.faces);
            devhost::GltfFile again = devhost::parseGltf(name, written[0].contents, [&](const std::filesystem::path& path) {
                for (const devhost::FileBytes& each : written)
                    if (each.path == path) return each.contents;
                throw devhost::FileError(path, 0, "not written");
            });
            if (again.mesh.faces.size() != file.mesh.faces.size()) __builtin_trap();
            for (size_t f = 0; f < file.mesh.faces.size(); ++f)
                if (std::memcmp(again.mesh.faces[f].uv, file.mesh.faces[f].uv, sizeof file.mesh.faces[f].uv)) __builtin_trap();
        }
    } catch (const devhost::FileError&) {
    }
#else
    const size_t split = input.find("\n#mtl\n");
    const std::string library = split == std::string::npos ? std::string() : input.substr(split + 6);
    const devhost::FileReader readLibrary = [&](const std::filesystem::path& path) -> std::string {
        if (split == std::string::npos) throw devhost::FileError(path, 0, "no such file");
        return library;
    };
    try {
        devhost::MeshFile mesh = devhost::parseObj("in.obj", input.substr(0, split), readLibrary);
        const devhost::ObjTexts written = devhost::formatObj("out.obj", mesh);
        devhost::parseObj("out.obj", written.obj, [&](const std::filesystem::path&) { return written.mtl; });
    } catch (const devhost::FileError&) {
    }
#endif
    return 0;
}
