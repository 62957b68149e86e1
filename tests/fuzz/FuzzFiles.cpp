// The development host's readers on any bytes, in memory: an OBJ file with an MTL library
// beside it (the input split at the first "\n#mtl\n": before it the OBJ, after it every
// library it names), or a JSON state file. A file is read or refused with FileError; what
// reads is written back and must read again. Built twice, FUZZ_STATE choosing the state reader.
#include "io/MeshFile.h"
#include "io/StateFile.h"

#include <cstdint>
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
