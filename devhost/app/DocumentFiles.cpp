// Opening and saving the document's mesh in the formats of devhost_io.
#include "LoomHost.h"

#include "io/GltfFile.h"
#include "io/StateFile.h"
#include "lib/Journal.h"

#include <algorithm>

namespace loomhost {

namespace {

bool hasExtension(const std::filesystem::path& path, const wchar_t* extension) {
    return lstrcmpiW(path.extension().c_str(), extension) == 0;
}

// A texture that could not take the name it asked for (another texture has it) says
// which name it got, on stderr and in the status bar; `source` is where it came from.
void noteTextureName(App& app, const std::string& source, const std::wstring& wanted, LONG id) {
    const devhost::TextureNode* texture = app.document->texture(id);
    if (!texture || texture->name() == wanted) return;
    std::string text = source + ": a texture named \"" + devhost::utf8(wanted) + "\" exists; this one is named \"" +
                       devhost::utf8(texture->name()) + "\"";
    writeError("loomhost: note: " + text);
    if (app.statusBar) SetWindowTextW(app.statusBar, devhost::wide(text).c_str());
}

// A material's texture decoded, with the materials that show it.
struct MeshTexture {
    const devhost::MeshMaterial* first;  // the material that named it first
    std::wstring name;
    devhost::Pixels32 image;
    std::vector<size_t> materials;
};

bool sameTexture(const devhost::MeshMaterial& a, const devhost::MeshMaterial& b) {
    return a.texture == b.texture && a.textureName == b.textureName && a.textureBytes == b.textureBytes;
}

}  // namespace

LONG textureNamed(const App& app, const std::wstring& name) {
    for (const devhost::TextureInfo& texture : app.document->textures())
        if (texture.name == name) return texture.id;
    throw std::runtime_error("there is no texture named \"" + devhost::utf8(name) + "\"");
}

LONG addTextureFile(App& app, const std::filesystem::path& file) {
    LONG id = app.document->addTextureFile(file.wstring());
    app.textureFiles[id] = file;
    noteTextureName(app, devhost::pathText(file), file.stem().wstring(), id);
    return id;
}

void reloadTexture(App& app, LONG id) {
    auto found = app.textureFiles.find(id);
    if (found == app.textureFiles.end() || !app.document->texture(id))
        throw std::runtime_error("the texture has no image file to reload from");
    devhost::Pixels32 image = devhost::readImageFile(found->second.wstring());
    app.document->replaceTexture(id, image.width, image.height, std::move(image.pixels));
}

void openMesh(App& app, const std::filesystem::path& path) {
    devhost::MeshFile mesh;
    std::shared_ptr<devhost::GltfModel> gltf;
    if (hasExtension(path, L".json")) {
        mesh = devhost::readState(path);
    } else if (hasExtension(path, L".obj")) {
        mesh = devhost::readObj(path);
    } else if (hasExtension(path, L".gltf") || hasExtension(path, L".glb")) {
        devhost::GltfFile file = devhost::readGltf(path);
        mesh = std::move(file.mesh);
        gltf = std::move(file.model);
    } else {
        throw devhost::FileError(path, 0, "not an .obj, .gltf, .glb or .json file");
    }

    // Images are decoded before the document changes. One that cannot be read is a
    // warning: the mesh is still worth opening without it.
    std::vector<MeshTexture> textures;
    for (size_t m = 0; m < mesh.materials.size(); ++m) {
        const devhost::MeshMaterial& material = mesh.materials[m];
        if (material.texture.empty() && material.textureBytes.empty()) continue;
        auto same = std::find_if(textures.begin(), textures.end(),
                                 [&](const MeshTexture& texture) { return sameTexture(*texture.first, material); });
        if (same != textures.end()) {
            same->materials.push_back(m);
            continue;
        }
        const std::wstring name =
            material.textureName.empty() ? material.texture.stem().wstring() : devhost::wide(material.textureName);
        try {
            devhost::Pixels32 image = material.texture.empty()
                                          ? devhost::readImageBytes(material.textureBytes, L"image \"" + name + L"\"")
                                          : devhost::readImageFile(material.texture.wstring());
            textures.push_back({&material, name, std::move(image), {m}});
        } catch (const std::exception& error) {
            mesh.warnings.push_back(
                devhost::FileError(material.library, material.textureLine,
                                   "texture " + std::string(error.what()) + "; material \"" + material.name +
                                       "\" drawn without it")
                    .what());
        }
    }

    app.document->setMesh(std::move(mesh.faces), std::move(mesh.vertices));
    for (LONG id : app.meshTextures)
        if (app.document->texture(id)) app.document->deleteTexture(id);
    app.meshTextures.clear();
    std::vector<LONG> materialTextures(mesh.materials.size(), 0);
    for (MeshTexture& texture : textures) {
        LONG id = app.document->addTexture(texture.name, texture.image.width, texture.image.height,
                                           std::move(texture.image.pixels));
        app.meshTextures.push_back(id);
        if (!texture.first->texture.empty()) app.textureFiles[id] = texture.first->texture;
        noteTextureName(app, devhost::pathText(texture.first->texture.empty() ? path : texture.first->texture),
                        texture.name, id);
        for (size_t m : texture.materials) materialTextures[m] = id;
    }
    if (app.view) app.view->setMaterialTextures(std::move(materialTextures));
    app.materials = std::move(mesh.materials);
    app.fileV = std::move(mesh.fileV);
    app.gltf = std::move(gltf);
    app.meshPath = path;
    app.savedPosition = app.document->historyPosition();
    addRecentFile(path);
    for (const std::string& warning : mesh.warnings) writeError("loomhost: warning: " + warning);
    if (app.view) app.view->resetCamera();
    updateTitle(app);
}

void saveMesh(App& app, const std::filesystem::path& path) {
    if (!app.document->hasMesh()) throw std::runtime_error("there is no mesh to save");
    if (hasExtension(path, L".json")) {
        devhost::StateJson state;
        state["faces"] = devhost::facesToJson(app.document->faces());
        state["vertices"] = devhost::verticesToJson(app.document->vertices());
        devhost::writeState(path, state);
    } else if (hasExtension(path, L".obj")) {
        devhost::MeshFile mesh;
        mesh.faces = app.document->faces();
        mesh.vertices = app.document->vertices();
        mesh.materials = app.materials;
        mesh.fileV = app.fileV;
        devhost::writeObj(path, mesh);
    } else if (hasExtension(path, L".gltf") || hasExtension(path, L".glb")) {
        // The UVs go back into the file they came from; everything else of it stays.
        if (!app.gltf)
            throw devhost::FileError(path, 0, "only a mesh opened from a .gltf or .glb file can be saved as glTF");
        devhost::writeGltf(path, *app.gltf, app.document->faces());
    } else {
        throw devhost::FileError(path, 0, "can only be saved as .obj, .gltf, .glb or .json");
    }
    app.meshPath = path;
    app.savedPosition = app.document->historyPosition();
    updateTitle(app);
}

bool modified(const App& app) { return app.document->hasMesh() && app.document->historyPosition() != app.savedPosition; }

namespace {
constexpr const wchar_t* kRecentKey = L"Software\\loomhost\\Recent Files";
constexpr int kRecentCount = 6;
}  // namespace

std::vector<std::filesystem::path> recentFiles() {
    std::vector<std::filesystem::path> files;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRecentKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return files;
    for (int i = 0; i < kRecentCount; ++i) {
        wchar_t path[MAX_PATH * 2] = {};
        DWORD size = sizeof path - sizeof(wchar_t), type = 0;
        std::wstring name = L"File" + std::to_wstring(i + 1);
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(path), &size) == ERROR_SUCCESS &&
            type == REG_SZ && path[0])
            files.emplace_back(path);
    }
    RegCloseKey(key);
    return files;
}

void addRecentFile(const std::filesystem::path& path) {
    std::filesystem::path full = std::filesystem::absolute(path);
    std::vector<std::filesystem::path> files = recentFiles();
    std::erase_if(files, [&](const std::filesystem::path& file) { return lstrcmpiW(file.c_str(), full.c_str()) == 0; });
    files.insert(files.begin(), full);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRecentKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;  // a list that cannot be kept is no reason to refuse the file
    for (int i = 0; i < kRecentCount && i < int(files.size()); ++i) {
        const std::wstring& text = files[size_t(i)].native();
        std::wstring name = L"File" + std::to_wstring(i + 1);
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       DWORD((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

}  // namespace loomhost
