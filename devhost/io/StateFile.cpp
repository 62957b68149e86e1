#include "io/StateFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace devhost {

namespace {

using Json = StateJson;

// Where in the document a value sits, for messages: "faces[3].uv[1]".
struct Place {
    std::string text;
    Place operator[](size_t index) const { return {text + "[" + std::to_string(index) + "]"}; }
    Place operator/(const char* key) const { return {text + "." + key}; }
};

[[noreturn]] void fail(const Place& place, const std::string& why) {
    throw std::runtime_error(place.text + ": " + why);
}

template <class T>
T integerField(const Json& object, const char* key, const Place& place) {
    auto found = object.find(key);
    if (found == object.end()) return 0;
    if (!found->is_number_integer()) fail(place / key, "not an integer");
    if (found->is_number_unsigned()) {
        uint64_t value = found->template get<uint64_t>();
        if (value > std::numeric_limits<T>::max()) fail(place / key, "out of range");
        return static_cast<T>(value);
    }
    int64_t value = found->template get<int64_t>();
    if (value < 0 || uint64_t(value) > std::numeric_limits<T>::max()) fail(place / key, "out of range");
    return static_cast<T>(value);
}

const Json* arrayField(const Json& object, const char* key, size_t size, const Place& place) {
    auto found = object.find(key);
    if (found == object.end()) return nullptr;
    if (!found->is_array() || found->size() != size)
        fail(place / key, "must be an array of " + std::to_string(size));
    return &*found;
}

float floatAt(const Json& value, const Place& place) {
    try {
        return floatFromJson(value);
    } catch (const std::exception& error) {
        fail(place, error.what());
    }
}

DevFace faceFromJson(const Json& json, const std::vector<DevVertex>& vertices, const Place& place) {
    if (!json.is_object()) fail(place, "must be an object");
    DevFace face{};
    face.flags = integerField<uint16_t>(json, "flags", place);
    face.material = integerField<uint32_t>(json, "material", place);
    if (const Json* indices = arrayField(json, "vertex", 3, place))
        for (size_t c = 0; c < 3; ++c) {
            Place at = (place / "vertex")[c];
            const Json& index = (*indices)[c];
            if (!index.is_number_integer() || index.template get<int64_t>() < 0 ||
                index.template get<int64_t>() > 0xFFFF)
                fail(at, "must be an integer from 0 to 65535");
            face.vertex[c] = static_cast<uint16_t>(index.template get<int64_t>());
        }
    if (const Json* groups = arrayField(json, "groups", 3, place))
        for (size_t c = 0; c < 3; ++c) {
            const Json& group = (*groups)[c];
            if (!group.is_number_integer() || group.template get<int64_t>() < 0 ||
                group.template get<int64_t>() > 0xFFFF)
                fail((place / "groups")[c], "must be an integer from 0 to 65535");
            face.groups[c] = static_cast<uint16_t>(group.template get<int64_t>());
        }
    if (const Json* uvs = arrayField(json, "uv", 3, place))
        for (size_t c = 0; c < 3; ++c) {
            Place at = (place / "uv")[c];
            const Json& pair = (*uvs)[c];
            if (!pair.is_array() || pair.size() != 2) fail(at, "must be an array of 2");
            face.uv[c][0] = floatAt(pair[0], at[0]);
            face.uv[c][1] = floatAt(pair[1], at[1]);
        }
    if (const Json* normal = arrayField(json, "normal", 3, place))
        for (size_t k = 0; k < 3; ++k) face.normal[k] = floatAt((*normal)[k], (place / "normal")[k]);
    else
        geometricNormal(face, vertices, face.normal);
    return face;
}

DevVertex vertexFromJson(const Json& json, const Place& place) {
    if (!json.is_object()) fail(place, "must be an object");
    DevVertex vertex{};
    vertex.flags = integerField<uint16_t>(json, "flags", place);
    if (const Json* position = arrayField(json, "position", 3, place))
        for (size_t k = 0; k < 3; ++k)
            vertex.position[k] = floatAt((*position)[k], (place / "position")[k]);
    return vertex;
}

// The parser names a number beyond the float range only by its text; the first place
// that text stands as a number gives the line.
FileError numberOutOfRange(const std::filesystem::path& path, const std::string& text, const std::string& why) {
    size_t open = why.find('\''), close = why.rfind('\'');
    if (open == std::string::npos || close <= open) return FileError(path, 0, why);
    const std::string number = why.substr(open + 1, close - open - 1);
    auto bounds = [](char c) { return std::strchr(":[, \t\r\n", c) != nullptr && c != '\0'; };
    long line = 0;
    for (size_t at = text.find(number); at != std::string::npos; at = text.find(number, at + 1)) {
        size_t after = at + number.size();
        if (at > 0 && bounds(text[at - 1]) && (after == text.size() || bounds(text[after]) || text[after] == ']' ||
                                               text[after] == '}')) {
            line = 1 + static_cast<long>(std::count(text.begin(), text.begin() + long(at), '\n'));
            break;
        }
    }
    return FileError(path, line, "the number " + number + " is beyond the range of a float");
}

}  // namespace

StateJson floatToJson(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return value;
}

float floatFromJson(const StateJson& value) {
    if (value.is_number()) return value.get<float>();
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (text == "nan") return std::numeric_limits<float>::quiet_NaN();
        if (text == "inf") return std::numeric_limits<float>::infinity();
        if (text == "-inf") return -std::numeric_limits<float>::infinity();
    }
    throw std::runtime_error("must be a number, \"nan\", \"inf\" or \"-inf\"");
}

StateJson facesToJson(const std::vector<DevFace>& faces) {
    Json list = Json::array();
    for (const DevFace& face : faces) {
        Json uv = Json::array();
        for (int c = 0; c < 3; ++c) uv.push_back({floatToJson(face.uv[c][0]), floatToJson(face.uv[c][1])});
        Json entry;
        entry["flags"] = face.flags;
        entry["vertex"] = {face.vertex[0], face.vertex[1], face.vertex[2]};
        entry["material"] = face.material;
        entry["normal"] = {floatToJson(face.normal[0]), floatToJson(face.normal[1]), floatToJson(face.normal[2])};
        entry["uv"] = std::move(uv);
        entry["groups"] = {face.groups[0], face.groups[1], face.groups[2]};
        list.push_back(std::move(entry));
    }
    return list;
}

StateJson verticesToJson(const std::vector<DevVertex>& vertices) {
    Json list = Json::array();
    for (const DevVertex& vertex : vertices) {
        Json entry;
        entry["position"] = {floatToJson(vertex.position[0]), floatToJson(vertex.position[1]),
                             floatToJson(vertex.position[2])};
        entry["flags"] = vertex.flags;
        list.push_back(std::move(entry));
    }
    return list;
}

MeshFile parseState(const std::filesystem::path& path, const std::string& text) {
    Json state;
    try {
        state = Json::parse(text);
    } catch (const Json::parse_error& error) {
        // The position is a byte offset; count the lines up to it.
        size_t end = std::min<size_t>(error.byte, text.size());
        long line = 1 + static_cast<long>(std::count(text.begin(), text.begin() + end, '\n'));
        std::string why = error.what();
        size_t detail = why.find("syntax error");
        throw FileError(path, line, detail == std::string::npos ? why : why.substr(detail));
    } catch (const Json::out_of_range& error) {
        throw numberOutOfRange(path, text, error.what());
    }
    MeshFile mesh;
    try {
        if (!state.is_object()) fail({"state"}, "must be an object");
        auto vertices = state.find("vertices");
        if (vertices != state.end()) {
            if (!vertices->is_array()) fail({"vertices"}, "must be an array");
            if (vertices->size() > kMaxMeshVertices)
                fail({"vertices"}, std::to_string(vertices->size()) + " vertices; a mesh may have at most " +
                                       std::to_string(kMaxMeshVertices));
            for (size_t i = 0; i < vertices->size(); ++i)
                mesh.vertices.push_back(vertexFromJson((*vertices)[i], Place{"vertices"}[i]));
        }
        auto faces = state.find("faces");
        if (faces != state.end()) {
            if (!faces->is_array()) fail({"faces"}, "must be an array");
            for (size_t i = 0; i < faces->size(); ++i)
                mesh.faces.push_back(faceFromJson((*faces)[i], mesh.vertices, Place{"faces"}[i]));
        }
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& error) {
        throw FileError(path, 0, error.what());
    }
    return mesh;
}

}  // namespace devhost
