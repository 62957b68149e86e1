// The JSON state of a document: faces and vertices with all their fields, and the
// history, textures, model objects and editor window as --dump writes them.
// Floats are written as the shortest text that reads back as the same float (never
// more than 9 significant digits); non-finite floats as "nan", "inf" or "-inf".
#pragma once

#include "io/MeshFile.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>

namespace devhost {

// Keys keep the order they were written in; numbers are single precision.
using StateJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                       std::int64_t, std::uint64_t, float>;

StateJson floatToJson(float value);
float floatFromJson(const StateJson& value);  // throws std::runtime_error

StateJson facesToJson(const std::vector<DevFace>& faces);
StateJson verticesToJson(const std::vector<DevVertex>& vertices);

// Reads the "faces" and "vertices" of a state file exactly as they stand (indices
// are not checked against the vertex count). A face without "normal" gets its
// geometric normal; a missing field is 0. Throws FileError naming the file and the
// line, or the field ("faces[3].uv").
MeshFile readState(const std::filesystem::path& path);
// The same on the file's contents.
MeshFile parseState(const std::filesystem::path& path, const std::string& text);

// Writes the JSON with two-space indentation, through a temporary file.
void writeState(const std::filesystem::path& path, const StateJson& state);

}  // namespace devhost
