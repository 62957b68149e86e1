// glTF through the library: it parses and serialises the file; here the triangles are
// taken out and the edited UVs put back in place.
//
// Sections:
//   Node transforms  multiply, localMatrix
//   Accessors        Reader: elements read with every byte checked to lie in its buffer
//   Scene            meshTransforms: each mesh through the first node that shows it
//   Primitives       triangleCorners, modeName (what is refused and how it is named)
//   File access      keepImageBytes, readNamedFile, makeLoader (only the host's reader)
//   Materials        jsonText, folderText, addMaterials (base-colour textures)
//   Reading          checkImageViews (what the library leaves unchecked), readModel
//   Writing          storeUV, splitSeams (new vertices where a seam needs them), writeModel
//   Entry points     parseGltf, formatGltf
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#include "io/GltfFile.h"

#include <fstream>  // the library's file writer needs it and, without its own file access, does not include it

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <limits>
#include <optional>
#include <tuple>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

namespace devhost {

namespace fs = std::filesystem;

struct GltfModel {
    tinygltf::Model model;
    bool binary = false;  // read from .glb: buffer 0 without a uri is its BIN chunk
    // Per face corner: the TEXCOORD_0 accessor (-1: the primitive has none) and element
    // its UV came from, and that UV as read.
    struct Corner {
        int accessor = -1;
        std::uint32_t element = 0;
        float uv[2] = {0.0f, 0.0f};
        // The primitive it belongs to, and its place in the triangle as the file orders it
        // (a mirroring node transform reverses the face's corners).
        int mesh = -1, primitive = -1;
        std::uint8_t slot = 0;
    };
    std::vector<Corner> corners;
    // The file's own JSON: a save changes in it only what the edit changed.
    std::string json;
};

namespace {

// ---- Node transforms ----

using Matrix = std::array<double, 16>;  // column-major, as glTF writes it

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix result{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) result[column * 4 + row] += a[k * 4 + row] * b[column * 4 + k];
    return result;
}

// The node's own transform: its matrix, or translation x rotation x scale.
Matrix localMatrix(const tinygltf::Node& node) {
    Matrix m = kIdentity;
    if (node.matrix.size() == 16) {
        std::copy(node.matrix.begin(), node.matrix.end(), m.begin());
        return m;
    }
    double x = 0, y = 0, z = 0, w = 1;
    if (node.rotation.size() == 4) x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
    const double rotation[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
                                2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                                2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
    for (int column = 0; column < 3; ++column) {
        double scale = node.scale.size() == 3 ? node.scale[size_t(column)] : 1.0;
        for (int row = 0; row < 3; ++row) m[column * 4 + row] = rotation[column * 3 + row] * scale;
    }
    if (node.translation.size() == 3)
        for (int row = 0; row < 3; ++row) m[12 + row] = node.translation[size_t(row)];
    return m;
}

// ---- Accessors ----

constexpr size_t kMaxElements = size_t(1) << 22;

class Reader {
public:
    Reader(const fs::path& path, const tinygltf::Model& model) : path_(path), model_(model) {}

    [[noreturn]] void refuse(const std::string& part, const std::string& why) const {
        throw FileError(path_, 0, part + ": " + why);
    }

    static std::string partName(const char* kind, size_t index, const std::string& name) {
        return std::string(kind) + "[" + std::to_string(index) + "]" + (name.empty() ? "" : " \"" + name + "\"");
    }

    // The accessor's elements as floats (normalized integers as the format scales
    // them), `components` per element; every byte read checked to lie in its buffer.
    std::vector<double> values(int index, int components, const std::string& part) const {
        if (index < 0 || size_t(index) >= model_.accessors.size()) refuse(part, "refers to a missing accessor");
        const tinygltf::Accessor& accessor = model_.accessors[size_t(index)];
        const std::string where = part + ", " + partName("accessors", size_t(index), accessor.name);
        if (accessor.sparse.isSparse) refuse(where, "sparse accessors are not supported");
        if (tinygltf::GetNumComponentsInType(std::uint32_t(accessor.type)) != components)
            refuse(where, "has " + std::to_string(tinygltf::GetNumComponentsInType(std::uint32_t(accessor.type))) +
                              " components per element, expected " + std::to_string(components));
        // Larger than any mesh the host takes, and past it the values would not fit in memory.
        if (accessor.count > kMaxElements)
            refuse(where, std::to_string(accessor.count) + " elements; at most " + std::to_string(kMaxElements) + " are read");
        const int size = tinygltf::GetComponentSizeInBytes(std::uint32_t(accessor.componentType));
        if (size <= 0 || accessor.componentType == TINYGLTF_COMPONENT_TYPE_DOUBLE)
            refuse(where, "unknown component type " + std::to_string(accessor.componentType));
        std::vector<double> result(accessor.count * size_t(components), 0.0);
        if (accessor.count == 0 || accessor.bufferView < 0) return result;  // no view: all zero
        const Span span = locate(accessor, where);
        const unsigned char* base = model_.buffers[span.buffer].data.data() + span.offset;
        const size_t stride = span.stride;
        for (size_t i = 0; i < accessor.count; ++i)
            for (int c = 0; c < components; ++c)
                result[i * size_t(components) + size_t(c)] =
                    component(base + i * stride + size_t(c * size), accessor.componentType, accessor.normalized);
        return result;
    }

    // Where the accessor's elements lie: buffer, first byte and stride, checked against
    // the view and the buffer.
    struct Span {
        size_t buffer, offset, stride;
    };
    Span locate(const tinygltf::Accessor& accessor, const std::string& where) const {
        if (size_t(accessor.bufferView) >= model_.bufferViews.size()) refuse(where, "refers to a missing buffer view");
        const tinygltf::BufferView& view = model_.bufferViews[size_t(accessor.bufferView)];
        if (view.buffer < 0 || size_t(view.buffer) >= model_.buffers.size()) refuse(where, "refers to a missing buffer");
        const std::vector<unsigned char>& data = model_.buffers[size_t(view.buffer)].data;
        const int byteStride = accessor.ByteStride(view);
        if (byteStride <= 0) refuse(where, "has no valid byte stride");
        const size_t stride = size_t(byteStride);
        const size_t element = size_t(tinygltf::GetComponentSizeInBytes(std::uint32_t(accessor.componentType))) *
                               size_t(tinygltf::GetNumComponentsInType(std::uint32_t(accessor.type)));
        // Sizes compared by subtraction: no sum of file numbers can wrap.
        if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset ||
            accessor.byteOffset > view.byteLength || element > view.byteLength - accessor.byteOffset ||
            (accessor.count - 1) > (view.byteLength - accessor.byteOffset - element) / stride)
            refuse(where, "reaches past the end of its buffer view or buffer");
        return {size_t(view.buffer), view.byteOffset + accessor.byteOffset, stride};
    }

    static double component(const unsigned char* at, int type, bool normalized) {
        auto read = [at](auto value) {
            std::memcpy(&value, at, sizeof value);
            return value;
        };
        switch (type) {
        case TINYGLTF_COMPONENT_TYPE_BYTE: return normalized ? std::max(read(std::int8_t()) / 127.0, -1.0) : read(std::int8_t());
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? read(std::uint8_t()) / 255.0 : read(std::uint8_t());
        case TINYGLTF_COMPONENT_TYPE_SHORT:
            return normalized ? std::max(read(std::int16_t()) / 32767.0, -1.0) : read(std::int16_t());
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
            return normalized ? read(std::uint16_t()) / 65535.0 : read(std::uint16_t());
        case TINYGLTF_COMPONENT_TYPE_INT: return read(std::int32_t());
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: return read(std::uint32_t());
        default: return read(float());
        }
    }

private:
    const fs::path& path_;
    const tinygltf::Model& model_;
};

// ---- Scene ----

// The first world transform under which the default scene shows each mesh (none: the
// scene does not show it). Without scenes every mesh is shown untransformed.
std::vector<std::optional<Matrix>> meshTransforms(const tinygltf::Model& model) {
    std::vector<std::optional<Matrix>> transforms(model.meshes.size());
    if (model.scenes.empty()) {
        std::fill(transforms.begin(), transforms.end(), kIdentity);
        return transforms;
    }
    const size_t scene = model.defaultScene >= 0 && size_t(model.defaultScene) < model.scenes.size()
                             ? size_t(model.defaultScene) : 0;
    std::vector<char> visited(model.nodes.size(), 0);  // a cycle in a damaged file ends here
    std::vector<std::pair<int, Matrix>> pending;
    for (auto root = model.scenes[scene].nodes.rbegin(); root != model.scenes[scene].nodes.rend(); ++root)
        pending.emplace_back(*root, kIdentity);
    while (!pending.empty()) {
        auto [index, parent] = pending.back();
        pending.pop_back();
        if (index < 0 || size_t(index) >= model.nodes.size() || visited[size_t(index)]) continue;
        visited[size_t(index)] = 1;
        const tinygltf::Node& node = model.nodes[size_t(index)];
        const Matrix world = multiply(parent, localMatrix(node));
        if (node.mesh >= 0 && size_t(node.mesh) < transforms.size() && !transforms[size_t(node.mesh)])
            transforms[size_t(node.mesh)] = world;
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) pending.emplace_back(*child, world);
    }
    return transforms;
}

// ---- Primitives ----

// Corner triples of the primitive's triangles, from its indices (or 0, 1, 2, ...).
std::vector<std::uint32_t> triangleCorners(int mode, const std::vector<double>& order) {
    std::vector<std::uint32_t> corners;
    auto at = [&order](size_t i) { return std::uint32_t(order[i]); };
    if (mode == TINYGLTF_MODE_TRIANGLES) {
        for (size_t i = 0; i + 2 < order.size(); i += 3) corners.insert(corners.end(), {at(i), at(i + 1), at(i + 2)});
    } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
        for (size_t i = 0; i + 2 < order.size(); ++i)  // every other triangle turned to keep the winding
            corners.insert(corners.end(), {at(i), at(i % 2 ? i + 2 : i + 1), at(i % 2 ? i + 1 : i + 2)});
    } else {
        for (size_t i = 1; i + 1 < order.size(); ++i) corners.insert(corners.end(), {at(0), at(i), at(i + 1)});
    }
    return corners;
}

std::string modeName(int mode) {
    switch (mode) {
    case TINYGLTF_MODE_POINTS: return "points";
    case TINYGLTF_MODE_LINE: return "lines";
    case TINYGLTF_MODE_LINE_LOOP: return "a line loop";
    case TINYGLTF_MODE_LINE_STRIP: return "a line strip";
    default: return "mode " + std::to_string(mode);
    }
}

// ---- File access ----

// Embedded images (data URIs, buffer views) are kept as their encoded bytes.
bool keepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void*) {
    image->image.assign(bytes, bytes + std::max(size, 0));
    image->as_is = true;
    return true;
}

// Files the glTF names (its buffers) come through the reader as UTF-8 paths.
struct FileAccess {
    const FileReader* readFile;
    std::string lastError;
};

bool fileExists(const std::string&, void*) { return true; }  // the read says what is wrong
std::string expandPath(const std::string& path, void*) { return path; }
bool readNamedFile(std::vector<unsigned char>* out, std::string* error, const std::string& path, void* user) {
    auto* access = static_cast<FileAccess*>(user);
    try {
        const std::string bytes = (*access->readFile)(fs::u8path(path));
        out->assign(bytes.begin(), bytes.end());
        return true;
    } catch (const std::exception& refused) {
        access->lastError = refused.what();
        if (error) *error += refused.what() + std::string("\n");
        return false;
    }
}
bool refuseWrite(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

tinygltf::TinyGLTF makeLoader(FileAccess& access) {
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({fileExists, expandPath, readNamedFile, refuseWrite, &access});
    loader.SetImageLoader(keepImageBytes, nullptr);
    return loader;
}

// ---- Materials ----

// The file's JSON text: the whole .gltf, or a .glb's JSON chunk.
std::string jsonText(const std::string& bytes, bool binary) {
    if (!binary) return bytes;
    std::uint32_t length = 0;
    if (bytes.size() >= 20) std::memcpy(&length, bytes.data() + 12, 4);
    return bytes.size() >= 20 ? bytes.substr(20, length) : std::string();
}

std::string folderText(const fs::path& path) {
    std::string folder = pathText(path.parent_path());
    return folder.empty() ? folder : folder + "/";
}

// The base-colour image of each material: its name, file or embedded bytes.
void addMaterials(const fs::path& path, const tinygltf::Model& model, MeshFile& mesh) {
    for (size_t m = 0; m < model.materials.size(); ++m) {
        const tinygltf::Material& material = model.materials[m];
        MeshMaterial entry;
        entry.name = material.name.empty() ? "material " + std::to_string(m) : material.name;
        entry.library = path;
        const int texture = material.pbrMetallicRoughness.baseColorTexture.index;
        const int image = texture >= 0 && size_t(texture) < model.textures.size() ? model.textures[size_t(texture)].source : -1;
        if (image >= 0 && size_t(image) < model.images.size()) {
            const tinygltf::Image& source = model.images[size_t(image)];
            const bool external = !source.uri.empty() && source.bufferView < 0 && !source.as_is;
            fs::path file;
            if (external) {
                try {
                    file = fs::u8path(tinygltf::dlib::urldecode(source.uri));
                    entry.texture = (file.is_absolute() ? file : path.parent_path() / file).lexically_normal();
                } catch (const std::exception&) {
                    mesh.warnings.push_back(FileError(path, 0, "images[" + std::to_string(image) +
                                                                   "]: the uri is not UTF-8; texture left out").what());
                }
            } else {
                entry.textureBytes.assign(source.image.begin(), source.image.end());
            }
            entry.textureName = !source.name.empty() ? source.name
                                : external && !file.empty() ? pathText(file.stem())
                                : "image " + std::to_string(image);
        }
        mesh.materials.push_back(std::move(entry));
    }
}

// ---- Reading ----

const nlohmann::json* member(const nlohmann::json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// The element of the array `key` that `index` names, if both are there.
const nlohmann::json* element(const nlohmann::json& document, const char* key, const nlohmann::json* index) {
    const nlohmann::json* list = member(document, key);
    if (!list || !list->is_array() || !index || !index->is_number()) return nullptr;
    const double at = std::floor(index->get<double>());
    return at >= 0 && at < double(list->size()) ? &(*list)[size_t(at)] : nullptr;
}

// The loader hands an image's buffer view to the image reader without checking that the
// view lies inside its buffer, so that is checked here first.
void checkImageViews(const fs::path& path, const std::string& text) {
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    const nlohmann::json* images = member(document, "images");
    if (!images || !images->is_array()) return;
    auto number = [](const nlohmann::json* value) { return value && value->is_number() ? value->get<double>() : 0.0; };
    for (size_t i = 0; i < images->size(); ++i) {
        const nlohmann::json* view = element(document, "bufferViews", member((*images)[i], "bufferView"));
        const nlohmann::json* buffer = view ? element(document, "buffers", member(*view, "buffer")) : nullptr;
        if (!buffer) continue;  // the loader refuses a view or buffer that is not there
        const double offset = number(member(*view, "byteOffset")), length = number(member(*view, "byteLength"));
        if (!(offset >= 0 && length >= 0 && offset + length <= number(member(*buffer, "byteLength"))))
            throw FileError(path, 0, "images[" + std::to_string(i) + "]: its buffer view runs past the end of its buffer");
    }
}

GltfFile readModel(const fs::path& path, const std::string& bytes, const FileReader& readFile) {
    GltfFile result;
    result.model = std::make_shared<GltfModel>();
    GltfModel& file = *result.model;
    FileAccess access{&readFile, {}};
    tinygltf::TinyGLTF loader = makeLoader(access);
    std::string error, warning;
    file.binary = bytes.size() >= 4 && bytes.compare(0, 4, "glTF") == 0;
    if (bytes.size() > 0xFFFFFFFFu) throw FileError(path, 0, "larger than 4 GiB");
    file.json = jsonText(bytes, file.binary);
    checkImageViews(path, file.json);
    const bool loaded =
        file.binary ? loader.LoadBinaryFromMemory(&file.model, &error, &warning,
                                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                                  unsigned(bytes.size()), folderText(path))
                    : loader.LoadASCIIFromString(&file.model, &error, &warning, bytes.data(), unsigned(bytes.size()),
                                                 folderText(path));
    if (!loaded) {
        std::string why = error.empty() ? warning : error;
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ' || why.back() == '.')) why.pop_back();
        if (!access.lastError.empty()) why = "a buffer: " + access.lastError;
        throw FileError(path, 0, why.empty() ? "not a readable glTF file" : why.substr(0, why.find('\n')));
    }
    const tinygltf::Model& model = file.model;
    Reader reader(path, model);
    MeshFile& mesh = result.mesh;
    addMaterials(path, model, mesh);
    const std::uint32_t defaultMaterial = std::uint32_t(mesh.materials.size());

    const std::vector<std::optional<Matrix>> transforms = meshTransforms(model);
    for (size_t m = 0; m < model.meshes.size(); ++m) {
        if (!transforms[m]) continue;
        const Matrix& world = *transforms[m];
        const tinygltf::Mesh& gltfMesh = model.meshes[m];
        const std::string meshPart = Reader::partName("meshes", m, gltfMesh.name);
        // A mirroring transform turns the winding; the corners are taken the other way round.
        const double determinant = world[0] * (world[5] * world[10] - world[9] * world[6]) -
                                   world[4] * (world[1] * world[10] - world[9] * world[2]) +
                                   world[8] * (world[1] * world[6] - world[5] * world[2]);
        const int second = determinant < 0 ? 2 : 1, third = 3 - second;
        std::map<std::pair<int, std::uint32_t>, std::uint16_t> shared;  // (POSITION accessor, element) -> vertex
        size_t meshVertices = 0;
        for (size_t p = 0; p < gltfMesh.primitives.size(); ++p) {
            const tinygltf::Primitive& primitive = gltfMesh.primitives[p];
            const std::string part = meshPart + " primitives[" + std::to_string(p) + "]";
            if (primitive.mode < TINYGLTF_MODE_TRIANGLES || primitive.mode > TINYGLTF_MODE_TRIANGLE_FAN)
                reader.refuse(part, modeName(primitive.mode) + "; loomhost shows triangles only");
            auto position = primitive.attributes.find("POSITION");
            if (position == primitive.attributes.end()) reader.refuse(part, "has no POSITION");
            const std::vector<double> positions = reader.values(position->second, 3, part + " POSITION");
            const size_t count = positions.size() / 3;
            auto uvAttribute = primitive.attributes.find("TEXCOORD_0");
            const int uvAccessor = uvAttribute == primitive.attributes.end() ? -1 : uvAttribute->second;
            std::vector<double> uvs;
            if (uvAccessor >= 0) {
                uvs = reader.values(uvAccessor, 2, part + " TEXCOORD_0");
                if (uvs.size() / 2 < count) reader.refuse(part, "TEXCOORD_0 has fewer elements than POSITION");
            }
            std::vector<double> order;
            if (primitive.indices >= 0) {
                order = reader.values(primitive.indices, 1, part + " indices");
                const int type = model.accessors[size_t(primitive.indices)].componentType;
                if (type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
                    type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
                    reader.refuse(part, "indices of component type " + std::to_string(type) + ", not unsigned integers");
                for (double index : order)
                    if (index >= double(count))
                        reader.refuse(part, "an index " + std::to_string(std::uint64_t(index)) + " is not below the " +
                                                std::to_string(count) + " vertices");
            } else {
                order.resize(count);
                for (size_t i = 0; i < count; ++i) order[i] = double(i);
            }
            const std::vector<std::uint32_t> corners = triangleCorners(primitive.mode, order);
            auto vertexOf = [&](std::uint32_t element) {
                auto [entry, added] = shared.emplace(std::pair{position->second, element}, std::uint16_t(0));
                if (!added) return entry->second;
                if (mesh.vertices.size() >= kMaxMeshVertices)
                    reader.refuse(meshPart, std::string(meshVertices + 1 > kMaxMeshVertices ? "its" : "its and the meshes before it") +
                                                " vertices are more than " + std::to_string(kMaxMeshVertices) +
                                                "; a mesh may have at most that many (16-bit vertex indices)");
                ++meshVertices;
                DevVertex vertex{};
                const double* local = &positions[size_t(element) * 3];
                for (int row = 0; row < 3; ++row)
                    vertex.position[row] = float(world[size_t(row)] * local[0] + world[size_t(4 + row)] * local[1] +
                                                 world[size_t(8 + row)] * local[2] + world[size_t(12 + row)]);
                entry->second = std::uint16_t(mesh.vertices.size());
                mesh.vertices.push_back(vertex);
                return entry->second;
            };
            const std::uint32_t material = primitive.material >= 0 && size_t(primitive.material) < model.materials.size()
                                               ? std::uint32_t(primitive.material)
                                               : defaultMaterial;
            for (size_t t = 0; t + 2 < corners.size(); t += 3) {
                DevFace face{};
                face.material = material;
                const std::uint32_t elements[3] = {corners[t], corners[t + size_t(second)], corners[t + size_t(third)]};
                for (int c = 0; c < 3; ++c) {
                    face.vertex[c] = vertexOf(elements[c]);
                    GltfModel::Corner corner;
                    corner.accessor = uvAccessor;
                    corner.element = elements[c];
                    corner.mesh = int(m);
                    corner.primitive = int(p);
                    corner.slot = std::uint8_t(c == 0 ? 0 : c == 1 ? second : third);
                    if (uvAccessor >= 0)
                        for (int k = 0; k < 2; ++k) corner.uv[k] = float(uvs[size_t(elements[c]) * 2 + size_t(k)]);
                    face.uv[c][0] = corner.uv[0];
                    face.uv[c][1] = corner.uv[1];
                    file.corners.push_back(corner);
                    mesh.fileV.push_back(std::numeric_limits<float>::quiet_NaN());
                }
                mesh.faces.push_back(face);
            }
        }
    }
    for (DevFace& face : mesh.faces) geometricNormal(face, mesh.vertices, face.normal);
    if (std::any_of(mesh.faces.begin(), mesh.faces.end(), [&](const DevFace& f) { return f.material == defaultMaterial; }))
        mesh.materials.push_back({"default", {}, path, 0, {}, {}});
    if (!warning.empty()) mesh.warnings.push_back(FileError(path, 0, warning.substr(0, warning.find('\n'))).what());
    return result;
}

// ---- Writing ----

// One UV into an element of a TEXCOORD_0 accessor in the accessor's component type; the
// bounds a reader may trust are widened to hold it.
void storeUV(const fs::path& path, tinygltf::Accessor& accessor, const std::string& where, unsigned char* at,
             const float uv[2]) {
    double stored[2];  // the component as the accessor now holds it (integers not normalized)
    for (int k = 0; k < 2; ++k) {
        if (accessor.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) {
            std::memcpy(at + 4 * k, &uv[k], 4);
            stored[k] = uv[k];
        } else if (accessor.normalized && accessor.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) {
            at[k] = std::uint8_t(std::lround(std::clamp(double(uv[k]), 0.0, 1.0) * 255.0));
            stored[k] = at[k];
        } else if (accessor.normalized && accessor.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
            const std::uint16_t value = std::uint16_t(std::lround(std::clamp(double(uv[k]), 0.0, 1.0) * 65535.0));
            std::memcpy(at + 2 * k, &value, 2);
            stored[k] = value;
        } else {
            throw FileError(path, 0, where + ": UVs of component type " + std::to_string(accessor.componentType) +
                                         " cannot be written");
        }
    }
    if (accessor.minValues.size() == 2 && accessor.maxValues.size() == 2)
        for (size_t k = 0; k < 2; ++k) {
            accessor.minValues[k] = std::min(accessor.minValues[k], stored[k]);
            accessor.maxValues[k] = std::max(accessor.maxValues[k], stored[k]);
        }
}

bool sameUV(const float a[2], const float b[2]) {
    return std::bit_cast<std::uint32_t>(a[0]) == std::bit_cast<std::uint32_t>(b[0]) &&
           std::bit_cast<std::uint32_t>(a[1]) == std::bit_cast<std::uint32_t>(b[1]);
}

// A new buffer view at the end of the buffer (4-byte aligned) holding bytes.
int appendView(tinygltf::Model& model, int buffer, const std::vector<unsigned char>& bytes, int stride, int target) {
    std::vector<unsigned char>& data = model.buffers[size_t(buffer)].data;
    data.resize((data.size() + 3) / 4 * 4, 0);
    tinygltf::BufferView view;
    view.buffer = buffer;
    view.byteOffset = data.size();
    view.byteLength = bytes.size();
    view.byteStride = stride;
    view.target = target;
    data.insert(data.end(), bytes.begin(), bytes.end());
    model.bufferViews.push_back(view);
    return int(model.bufferViews.size() - 1);
}

// A vertex a seam adds to a primitive: a copy of the element `source` with its own UV.
struct SeamVertex {
    std::uint32_t source;
    float uv[2];
};

// A copy of the accessor grown to `base` elements (zeros past its own) and then the seam
// vertices, each element aligned to 4 bytes as vertex attributes must be.
int extendedAccessor(tinygltf::Model& model, const Reader& reader, int index, size_t base,
                     const std::vector<SeamVertex>& added, int buffer, const std::string& where,
                     std::vector<int>& origins) {
    if (index < 0 || size_t(index) >= model.accessors.size()) reader.refuse(where, "refers to a missing accessor");
    const tinygltf::Accessor old = model.accessors[size_t(index)];  // a copy: the list grows below
    if (old.sparse.isSparse) reader.refuse(where, "a sparse accessor cannot take the new vertices a seam needs");
    const int componentSize = tinygltf::GetComponentSizeInBytes(std::uint32_t(old.componentType));
    const int components = tinygltf::GetNumComponentsInType(std::uint32_t(old.type));
    if (componentSize <= 0 || components <= 0) reader.refuse(where, "unknown component or element type");
    const size_t element = size_t(componentSize) * size_t(components), stride = (element + 3) / 4 * 4;
    std::vector<unsigned char> bytes((base + added.size()) * stride, 0);
    if (old.bufferView >= 0 && old.count > 0) {
        const Reader::Span span = reader.locate(old, where);
        const unsigned char* from = model.buffers[span.buffer].data.data() + span.offset;
        for (size_t i = 0; i < old.count && i < base; ++i) std::memcpy(&bytes[i * stride], from + i * span.stride, element);
        for (size_t k = 0; k < added.size(); ++k)
            if (added[k].source < old.count)
                std::memcpy(&bytes[(base + k) * stride], from + added[k].source * span.stride, element);
    }
    tinygltf::Accessor accessor = old;
    accessor.bufferView = appendView(model, buffer, bytes, stride == element ? 0 : int(stride), TINYGLTF_TARGET_ARRAY_BUFFER);
    accessor.byteOffset = 0;
    accessor.count = base + added.size();
    model.accessors.push_back(accessor);
    origins.push_back(index);
    return int(model.accessors.size() - 1);
}

// Corners whose TEXCOORD_0 element another corner already gave its UV (a seam) get
// vertices of their own, as glTF exporters make them: each primitive holding such a corner
// has every attribute (morph targets' too) copied to a new accessor with the new vertices
// appended, and its triangles listed anew; accessors other primitives share stay as they were.
// Returns, for each accessor it adds, the file's accessor it copies (-1: new indices).
std::vector<int> splitSeams(const fs::path& path, tinygltf::Model& model, const Reader& reader, const GltfModel& file,
                            const std::vector<DevFace>& faces, const std::vector<bool>& seam) {
    std::vector<int> origins;
    // A primitive's corners follow each other in the list: its first and one past its last.
    std::map<std::pair<int, int>, std::pair<size_t, size_t>> primitives;
    for (size_t i = 0; i < file.corners.size(); ++i) {
        auto [entry, added] = primitives.emplace(std::pair{file.corners[i].mesh, file.corners[i].primitive}, std::pair{i, i});
        entry->second.second = i + 1;
    }
    for (const auto& [key, range] : primitives) {
        const auto [begin, end] = range;
        if (std::none_of(seam.begin() + std::ptrdiff_t(begin), seam.begin() + std::ptrdiff_t(end), [](bool s) { return s; }))
            continue;
        tinygltf::Primitive& primitive = model.meshes[size_t(key.first)].primitives[size_t(key.second)];
        const std::string part = Reader::partName("meshes", size_t(key.first), model.meshes[size_t(key.first)].name) +
                                 " primitives[" + std::to_string(key.second) + "]";
        // New vertices after the largest attribute, one for each element and UV a seam asks for.
        size_t base = 0;
        for (const auto& [name, index] : primitive.attributes)
            if (index >= 0 && size_t(index) < model.accessors.size()) base = std::max(base, model.accessors[size_t(index)].count);
        std::vector<SeamVertex> added;
        std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::uint32_t> made;
        std::vector<std::uint32_t> order(end - begin);
        for (size_t i = begin; i < end; ++i) {
            const GltfModel::Corner& corner = file.corners[i];
            std::uint32_t element = corner.element;
            if (seam[i]) {
                const float* uv = faces[i / 3].uv[i % 3];
                auto [entry, isNew] = made.emplace(
                    std::tuple{element, std::bit_cast<std::uint32_t>(uv[0]), std::bit_cast<std::uint32_t>(uv[1])},
                    std::uint32_t(base + added.size()));
                if (isNew) added.push_back({element, {uv[0], uv[1]}});
                element = entry->second;
            }
            order[(i - begin) / 3 * 3 + corner.slot] = element;
        }
        if (base + added.size() > 0xFFFFFFFEu) reader.refuse(part, "too many vertices to give each seam its own");
        const int uvIndex = file.corners[begin].accessor;
        const int uvView = model.accessors[size_t(uvIndex)].bufferView;
        const int buffer = uvView >= 0 && size_t(uvView) < model.bufferViews.size() ? model.bufferViews[size_t(uvView)].buffer : -1;
        if (buffer < 0 || size_t(buffer) >= model.buffers.size()) reader.refuse(part, "TEXCOORD_0 has no buffer to take the vertices a seam needs");
        for (auto& [name, index] : primitive.attributes)
            index = extendedAccessor(model, reader, index, base, added, buffer, part + " " + name, origins);
        for (size_t t = 0; t < primitive.targets.size(); ++t)
            for (auto& [name, index] : primitive.targets[t])
                index = extendedAccessor(model, reader, index, base, added, buffer,
                                         part + " targets[" + std::to_string(t) + "] " + name, origins);
        tinygltf::Accessor& uvs = model.accessors[size_t(primitive.attributes["TEXCOORD_0"])];
        const std::string where = part + " TEXCOORD_0";
        const Reader::Span span = reader.locate(uvs, where);
        for (size_t k = 0; k < added.size(); ++k)
            storeUV(path, uvs, where,
                    model.buffers[span.buffer].data.data() + span.offset + (base + k) * span.stride, added[k].uv);
        // The corners as a triangle list, in the file's order (strips and fans unrolled).
        const bool wide = base + added.size() > 0xFFFF;  // the largest index of a type is reserved
        std::vector<unsigned char> bytes(order.size() * (wide ? 4 : 2));
        for (size_t i = 0; i < order.size(); ++i) {
            if (wide) std::memcpy(&bytes[i * 4], &order[i], 4);
            else {
                const std::uint16_t index = std::uint16_t(order[i]);
                std::memcpy(&bytes[i * 2], &index, 2);
            }
        }
        tinygltf::Accessor indices;
        indices.bufferView = appendView(model, buffer, bytes, 0, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        indices.componentType = wide ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT : TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
        indices.type = TINYGLTF_TYPE_SCALAR;
        indices.count = order.size();
        model.accessors.push_back(indices);
        origins.push_back(-1);
        primitive.indices = int(model.accessors.size() - 1);
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
    }
    return origins;
}

std::vector<FileBytes> writeModel(const fs::path& path, const GltfModel& file, const std::vector<DevFace>& faces) {
    if (faces.size() * 3 != file.corners.size())
        throw FileError(path, 0, "the document has " + std::to_string(faces.size()) + " faces, the glTF file " +
                                     std::to_string(file.corners.size() / 3) + "; it cannot take them back");
    tinygltf::Model model = file.model;
    Reader reader(path, model);
    // Each corner's UV into its element; the first corner to reach an element gives it its
    // UV, a later one with another UV is a seam and gets a vertex of its own. Only elements
    // whose UV changed are written.
    struct Wanted {
        float uv[2];
        bool changed;
    };
    std::map<std::pair<int, std::uint32_t>, Wanted> wanted;
    std::vector<bool> seam(file.corners.size(), false);
    for (size_t i = 0; i < file.corners.size(); ++i) {
        const GltfModel::Corner& corner = file.corners[i];
        const float* uv = faces[i / 3].uv[i % 3];
        const bool changed = !sameUV(uv, corner.uv);
        if (corner.accessor < 0) {
            if (changed)
                throw FileError(path, 0, "face " + std::to_string(i / 3) + " corner " + std::to_string(i % 3) +
                                             ": its primitive has no TEXCOORD_0 to take the edited UV");
            continue;
        }
        auto [entry, added] = wanted.emplace(std::pair{corner.accessor, corner.element}, Wanted{{uv[0], uv[1]}, changed});
        seam[i] = !added && !sameUV(entry->second.uv, uv);
    }
    for (const auto& [key, element] : wanted) {
        if (!element.changed) continue;
        tinygltf::Accessor& accessor = model.accessors[size_t(key.first)];
        const std::string where = Reader::partName("accessors", size_t(key.first), accessor.name);
        if (accessor.bufferView < 0) throw FileError(path, 0, where + ": has no buffer view to take edited UVs");
        const Reader::Span span = reader.locate(accessor, where);
        storeUV(path, accessor, where,
                model.buffers[span.buffer].data.data() + span.offset + size_t(key.second) * span.stride, element.uv);
    }
    std::vector<int> origins;
    if (std::find(seam.begin(), seam.end(), true) != seam.end()) origins = splitSeams(path, model, reader, file, faces, seam);

    // The file's own JSON with what the edit changed: bounds, the accessors, views and
    // primitives seams added, buffer sizes. The library's serialiser is not used: it drops
    // values equal to their defaults and fields it does not know.
    nlohmann::ordered_json json = nlohmann::ordered_json::parse(file.json, nullptr, false);
    if (!json.is_object()) throw FileError(path, 0, "the file's JSON could not be read again");
    const tinygltf::Model& before = file.model;
    nlohmann::ordered_json& accessors = json["accessors"];
    for (size_t a = 0; a < model.accessors.size(); ++a) {
        const tinygltf::Accessor& now = model.accessors[a];
        if (a < before.accessors.size()) {
            if (now.minValues != before.accessors[a].minValues) accessors[a]["min"] = now.minValues;
            if (now.maxValues != before.accessors[a].maxValues) accessors[a]["max"] = now.maxValues;
            continue;
        }
        // A seam's copy keeps the name, extras and extensions of the accessor it copies.
        const int origin = origins[a - before.accessors.size()];
        nlohmann::ordered_json entry = origin >= 0 ? accessors[size_t(origin)] : nlohmann::ordered_json::object();
        entry.erase("byteOffset");
        entry.erase("sparse");
        entry["bufferView"] = now.bufferView;
        entry["componentType"] = now.componentType;
        entry["count"] = now.count;
        if (origin < 0) entry["type"] = "SCALAR";
        if (!now.minValues.empty()) entry["min"] = now.minValues;
        if (!now.maxValues.empty()) entry["max"] = now.maxValues;
        accessors.push_back(entry);
    }
    for (size_t v = before.bufferViews.size(); v < model.bufferViews.size(); ++v) {
        const tinygltf::BufferView& view = model.bufferViews[v];
        nlohmann::ordered_json entry = {{"buffer", view.buffer}, {"byteOffset", view.byteOffset}, {"byteLength", view.byteLength}};
        if (view.byteStride > 0) entry["byteStride"] = view.byteStride;
        entry["target"] = view.target;
        json["bufferViews"].push_back(entry);
    }
    for (size_t m = 0; m < model.meshes.size(); ++m)
        for (size_t p = 0; p < model.meshes[m].primitives.size(); ++p) {
            const tinygltf::Primitive& now = model.meshes[m].primitives[p];
            if (now.indices == before.meshes[m].primitives[p].indices) continue;
            nlohmann::ordered_json& entry = json["meshes"][m]["primitives"][p];
            for (const auto& [name, index] : now.attributes) entry["attributes"][name] = index;
            for (size_t t = 0; t < now.targets.size(); ++t)
                for (const auto& [name, index] : now.targets[t]) entry["targets"][t][name] = index;
            entry["indices"] = now.indices;
            entry["mode"] = now.mode;
        }

    // Buffers in files of their own are written beside the file by their own uri, embedded
    // ones again as data URIs when they changed; buffer 0 without a uri is a .glb's BIN
    // chunk: kept as one in a .glb, embedded in a .gltf.
    std::string extension = pathText(path.extension());
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    const bool binary = extension == ".glb";
    std::vector<FileBytes> files(1);
    files[0].path = path;
    std::vector<unsigned char> bin;
    bool withBin = false;
    for (size_t b = 0; b < model.buffers.size(); ++b) {
        const tinygltf::Buffer& buffer = model.buffers[b];
        nlohmann::ordered_json& entry = json["buffers"][b];
        entry["byteLength"] = buffer.data.size();
        if (buffer.uri.empty() && b == 0 && binary) {
            bin = buffer.data;
            withBin = true;
        } else if (buffer.uri.empty() || tinygltf::IsDataURI(buffer.uri)) {
            if (buffer.uri.empty() || buffer.data != before.buffers[b].data)
                entry["uri"] = "data:application/octet-stream;base64," +
                               tinygltf::base64_encode(buffer.data.data(), unsigned(buffer.data.size()));
        } else {
            fs::path target;
            try {
                target = (path.parent_path() / fs::u8path(tinygltf::dlib::urldecode(buffer.uri))).lexically_normal();
            } catch (const std::exception&) {
                throw FileError(path, 0, "buffers[" + std::to_string(b) + "]: the uri is not UTF-8");
            }
            files.push_back({target, std::string(buffer.data.begin(), buffer.data.end())});
        }
    }
    std::string text = json.dump(binary ? -1 : 2);
    if (!binary) {
        files[0].contents = text + "\n";
        return files;
    }
    // GLB: header, JSON chunk padded with spaces, BIN chunk padded with zeros.
    text.append((4 - text.size() % 4) % 4, ' ');
    bin.resize(bin.size() + (4 - bin.size() % 4) % 4, 0);
    std::string& glb = files[0].contents;
    auto put = [&glb](std::uint32_t value) {
        for (int i = 0; i < 4; ++i) glb += char((value >> (8 * i)) & 0xFF);
    };
    glb = "glTF";
    put(2);
    put(std::uint32_t(12 + 8 + text.size() + (withBin ? 8 + bin.size() : 0)));
    put(std::uint32_t(text.size()));
    put(0x4E4F534Au);
    glb += text;
    if (withBin) {
        put(std::uint32_t(bin.size()));
        put(0x004E4942u);
        glb.append(bin.begin(), bin.end());
    }
    return files;
}

}  // namespace

// ---- Entry points ----

GltfFile parseGltf(const fs::path& path, const std::string& bytes, const FileReader& readFile) {
    try {
        return readModel(path, bytes, readFile);
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& error) {  // the library's own (JSON, memory)
        throw FileError(path, 0, error.what());
    }
}

std::vector<FileBytes> formatGltf(const fs::path& path, const GltfModel& file, const std::vector<DevFace>& faces) {
    try {
        return writeModel(path, file, faces);
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& error) {
        throw FileError(path, 0, error.what());
    }
}

}  // namespace devhost
