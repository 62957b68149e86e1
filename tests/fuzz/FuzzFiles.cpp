// The development host's readers on any bytes: an OBJ file with an MTL library beside it
// (the input split at the first "\n#mtl\n": before it the OBJ, after it the MTL), or a
// JSON state file. A file is read or refused with FileError; what reads is written back
// and must read again. Built twice, FUZZ_STATE choosing the state reader.
#include "io/MeshFile.h"
#include "io/StateFile.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path scratchFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("texloom-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void write(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path folder = scratchFolder();
#ifdef FUZZ_STATE
    write(folder / "in.json", input);
    try {
        devhost::MeshFile mesh = devhost::readState(folder / "in.json");
        devhost::writeState(folder / "out.json", {{"faces", devhost::facesToJson(mesh.faces)},
                                                 {"vertices", devhost::verticesToJson(mesh.vertices)}});
        if (devhost::readState(folder / "out.json").faces.size() != mesh.faces.size()) __builtin_trap();
    } catch (const devhost::FileError&) {
    }
#else
    const size_t split = input.find("\n#mtl\n");
    write(folder / "in.obj", input.substr(0, split));
    write(folder / "in.mtl", split == std::string::npos ? std::string() : input.substr(split + 6));
    try {
        devhost::MeshFile mesh = devhost::readObj(folder / "in.obj");
        devhost::writeObj(folder / "out.obj", mesh);
        devhost::readObj(folder / "out.obj");
    } catch (const devhost::FileError&) {
    }
#endif
    return 0;
}
