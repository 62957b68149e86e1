#define TINYOBJLOADER_IMPLEMENTATION
#include "io/MeshFile.h"

#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>
#include <unordered_map>

namespace devhost {

namespace {

namespace fs = std::filesystem;

// The line number in one of the loader's messages ("... line 12.)"), or 0.
long lineInMessage(const std::string& message) {
    static const std::regex pattern(R"(line:?\s*(\d+))");
    std::smatch match;
    return std::regex_search(message, match, pattern) ? std::stol(match[1].str()) : 0;
}

std::string firstLine(std::string text) {
    size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.erase(end);
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

bool isNumber(const std::string& token) {
    if (token.empty()) return false;
    char* end = nullptr;
    std::strtod(token.c_str(), &end);
    return end == token.c_str() + token.size();
}

// The loader reads a number it cannot parse as 0, drops faces of fewer than three
// corners and lets indices past the end through; a file that says "v 1 two 3",
// "f 1 2" or "f 1 2 9" with three vertices is damaged and must not open as if it
// said something else.
struct ObjCounts {
    long v = 0, vt = 0, vn = 0;
};

ObjCounts countElements(const std::string& text) {
    ObjCounts counts;
    std::istringstream lines(text);
    std::string line, keyword;
    while (std::getline(lines, line)) {
        std::istringstream tokens(line);
        if (!(tokens >> keyword)) continue;
        if (keyword == "v") ++counts.v;
        else if (keyword == "vt") ++counts.vt;
        else if (keyword == "vn") ++counts.vn;
    }
    return counts;
}

// One "v/vt/vn" corner: each index present must name an element (negative ones
// count back from the elements read so far).
void checkCorner(const fs::path& path, long line, const std::string& corner, const ObjCounts& total,
                 const ObjCounts& sofar) {
    static const char* const names[3] = {"vertex", "texture coordinate", "normal"};
    const long totals[3] = {total.v, total.vt, total.vn};
    const long seen[3] = {sofar.v, sofar.vt, sofar.vn};
    size_t start = 0;
    for (int part = 0; part < 3 && start <= corner.size(); ++part) {
        size_t slash = corner.find('/', start);
        std::string field = corner.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? corner.size() + 1 : slash + 1;
        if (field.empty()) {
            if (part == 0) throw FileError(path, line, "face corner '" + corner + "' has no vertex index");
            continue;
        }
        char* end = nullptr;
        long index = std::strtol(field.c_str(), &end, 10);
        if (*end != '\0') throw FileError(path, line, "'" + field + "' is not an index");
        bool inside = index > 0 ? index <= totals[part] : index < 0 && -index <= seen[part];
        if (!inside)
            throw FileError(path, line, "face refers to " + std::string(names[part]) + " " + std::to_string(index) +
                                            " of " + std::to_string(index > 0 ? totals[part] : seen[part]));
    }
}

void checkLines(const fs::path& path, const std::string& text) {
    const ObjCounts total = countElements(text);
    ObjCounts sofar;
    std::istringstream lines(text);
    std::string line;
    long number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream tokens(line);
        std::string keyword;
        if (!(tokens >> keyword)) continue;
        size_t least = 0, most = 0;
        if (keyword == "v") least = 3, most = 7, ++sofar.v;  // x y z, optionally r g b or w
        else if (keyword == "vt") least = 1, most = 3, ++sofar.vt;
        else if (keyword == "vn") least = 3, most = 3, ++sofar.vn;
        else if (keyword == "f") {
            size_t corners = 0;
            for (std::string corner; tokens >> corner && corner[0] != '#'; ++corners)
                checkCorner(path, number, corner, total, sofar);
            if (corners < 3)
                throw FileError(path, number, "a face needs at least 3 corners, found " +
                                                  std::to_string(corners));
            continue;
        } else continue;
        std::vector<std::string> values;
        for (std::string value; tokens >> value;) {
            if (value[0] == '#') break;
            values.push_back(value);
        }
        if (values.size() < least || values.size() > most)
            throw FileError(path, number, "'" + keyword + "' needs " + std::to_string(least) +
                                              (least == most ? "" : " to " + std::to_string(most)) +
                                              " numbers, found " + std::to_string(values.size()));
        for (const std::string& value : values)
            if (!isNumber(value))
                throw FileError(path, number, "'" + value + "' is not a number");
    }
}

// Opens the MTL libraries beside the OBJ file; a missing library is a warning.
class MaterialLibraries : public tinyobj::MaterialReader {
public:
    MaterialLibraries(fs::path folder, std::vector<std::string>& warnings)
        : folder_(std::move(folder)), warnings_(warnings) {}

    bool operator()(const std::string& name, std::vector<tinyobj::material_t>* materials,
                    std::map<std::string, int>* names, std::string* warning,
                    std::string* error) override {
        fs::path file = folder_ / fs::u8path(name);
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            warnings_.push_back(pathText(file) + ": material library not found");
            return false;
        }
        std::string mtlWarning;
        tinyobj::LoadMtl(names, materials, &in, &mtlWarning, error);
        if (!mtlWarning.empty()) warnings_.push_back(pathText(file) + ": " + firstLine(mtlWarning));
        (void)warning;
        return true;
    }

private:
    fs::path folder_;
    std::vector<std::string>& warnings_;
};

// Nine significant digits: every float reads back as exactly itself.
void appendFloat(std::string& out, float value) {
    if (!std::isfinite(value)) value = 0.0f;
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    out += text;
}

fs::path relativeOrAbsolute(const fs::path& target, const fs::path& folder) {
    std::error_code error;
    fs::path relative = fs::relative(target, folder, error);
    return error || relative.empty() ? target : relative;
}

}  // namespace

void geometricNormal(const DevFace& face, const std::vector<DevVertex>& vertices, float normal[3]) {
    normal[0] = normal[1] = normal[2] = 0.0f;
    for (int c = 0; c < 3; ++c)
        if (face.vertex[c] >= vertices.size()) return;
    const float* p0 = vertices[face.vertex[0]].position;
    const float* p1 = vertices[face.vertex[1]].position;
    const float* p2 = vertices[face.vertex[2]].position;
    double a[3], b[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = double(p1[i]) - p0[i];
        b[i] = double(p2[i]) - p0[i];
    }
    double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0) || !std::isfinite(length)) return;
    for (int i = 0; i < 3; ++i) normal[i] = static_cast<float>(n[i] / length);
}

MeshFile readObj(const fs::path& path) {
    std::string text = readWholeFile(path);
    checkLines(path, text);

    MeshFile mesh;
    tinyobj::attrib_t attributes;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warning, error;
    MaterialLibraries libraries(path.parent_path(), mesh.warnings);
    std::istringstream in(text);
    if (!tinyobj::LoadObj(&attributes, &shapes, &materials, &warning, &error, &in, &libraries,
                          true, false)) {
        std::string why = firstLine(error.empty() ? warning : error);
        throw FileError(path, lineInMessage(why), why.empty() ? "not a readable OBJ file" : why);
    }
    if (!error.empty()) mesh.warnings.push_back(pathText(path) + ": " + firstLine(error));

    size_t vertexCount = attributes.vertices.size() / 3;
    if (vertexCount > kMaxMeshVertices)
        throw FileError(path, 0, std::to_string(vertexCount) + " vertices; a mesh may have at most " +
                                     std::to_string(kMaxMeshVertices) + " (16-bit vertex indices)");

    mesh.vertices.resize(vertexCount);
    for (size_t i = 0; i < vertexCount; ++i)
        for (int k = 0; k < 3; ++k) mesh.vertices[i].position[k] = attributes.vertices[3 * i + k];

    for (const tinyobj::material_t& material : materials) {
        MeshMaterial entry{material.name, {}};
        if (!material.diffuse_texname.empty()) {
            fs::path texture = fs::u8path(material.diffuse_texname);
            entry.texture = (texture.is_absolute() ? texture : path.parent_path() / texture).lexically_normal();
        }
        mesh.materials.push_back(entry);
    }

    for (const tinyobj::shape_t& shape : shapes) {
        const tinyobj::mesh_t& polygons = shape.mesh;
        size_t corner = 0;
        for (size_t f = 0; f < polygons.num_face_vertices.size(); ++f) {
            size_t count = polygons.num_face_vertices[f];
            if (count != 3) {  // lines and points carried in faces; not a triangle
                corner += count;
                continue;
            }
            DevFace face{};
            int material = f < polygons.material_ids.size() ? polygons.material_ids[f] : -1;
            face.material = material < 0 ? 0u : static_cast<uint32_t>(material);
            for (int c = 0; c < 3; ++c, ++corner) {
                const tinyobj::index_t& index = polygons.indices[corner];
                face.vertex[c] = static_cast<uint16_t>(index.vertex_index);
                if (index.texcoord_index >= 0) {
                    face.uv[c][0] = attributes.texcoords[2 * size_t(index.texcoord_index)];
                    face.uv[c][1] = attributes.texcoords[2 * size_t(index.texcoord_index) + 1];
                }
            }
            geometricNormal(face, mesh.vertices, face.normal);
            mesh.faces.push_back(face);
        }
    }
    if (!warning.empty()) mesh.warnings.push_back(pathText(path) + ": " + firstLine(warning));
    return mesh;
}

void writeObj(const fs::path& path, const MeshFile& mesh) {
    fs::path library = path;
    library.replace_extension(".mtl");
    bool withMaterials = !mesh.materials.empty();

    std::string obj = "# loomhost mesh: positions, then one texture coordinate per distinct UV\n";
    if (withMaterials) obj += "mtllib " + pathText(library.filename()) + "\n";
    for (const DevVertex& vertex : mesh.vertices) {
        obj += "v ";
        appendFloat(obj, vertex.position[0]);
        obj += ' ';
        appendFloat(obj, vertex.position[1]);
        obj += ' ';
        appendFloat(obj, vertex.position[2]);
        obj += '\n';
    }

    // Corners sharing a UV share its "vt" line; bit patterns compare, so -0 stays -0.
    std::unordered_map<uint64_t, size_t> uvLines;
    std::vector<size_t> cornerUV(mesh.faces.size() * 3);
    for (size_t f = 0; f < mesh.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            float u = mesh.faces[f].uv[c][0], v = mesh.faces[f].uv[c][1];
            if (!std::isfinite(u)) u = 0.0f;
            if (!std::isfinite(v)) v = 0.0f;
            uint32_t bitsU, bitsV;
            std::memcpy(&bitsU, &u, 4);
            std::memcpy(&bitsV, &v, 4);
            auto [entry, added] = uvLines.emplace(uint64_t(bitsU) << 32 | bitsV, uvLines.size() + 1);
            if (added) {
                obj += "vt ";
                appendFloat(obj, u);
                obj += ' ';
                appendFloat(obj, v);
                obj += '\n';
            }
            cornerUV[3 * f + c] = entry->second;
        }

    size_t skipped = 0;
    long currentMaterial = -1;
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const DevFace& face = mesh.faces[f];
        if (face.vertex[0] >= mesh.vertices.size() || face.vertex[1] >= mesh.vertices.size() ||
            face.vertex[2] >= mesh.vertices.size()) {
            obj += "# face " + std::to_string(f) + " left out: vertex index outside the mesh\n";
            ++skipped;
            continue;
        }
        if (withMaterials && face.material < mesh.materials.size() && long(face.material) != currentMaterial) {
            currentMaterial = long(face.material);
            obj += "usemtl " + mesh.materials[face.material].name + "\n";
        }
        obj += "f";
        for (int c = 0; c < 3; ++c)
            obj += ' ' + std::to_string(face.vertex[c] + 1) + '/' + std::to_string(cornerUV[3 * f + c]);
        obj += '\n';
    }
    (void)skipped;

    if (withMaterials) {
        std::string mtl = "# loomhost materials\n";
        for (const MeshMaterial& material : mesh.materials) {
            mtl += "newmtl " + material.name + "\nKd 0.8 0.8 0.8\n";
            if (!material.texture.empty()) {
                std::u8string texture = relativeOrAbsolute(material.texture, path.parent_path()).generic_u8string();
                mtl += "map_Kd " + std::string(texture.begin(), texture.end()) + "\n";
            }
        }
        replaceFile(library, mtl);
    }
    replaceFile(path, obj);
}

}  // namespace devhost
