#include "FunctionPlugins.h"

#include "lib/Journal.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace loomhost {

namespace {

bool equalNoCase(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

}  // namespace

void FunctionPlugins::loadModule(const std::wstring& path) {
    std::string name = devhost::utf8(path);
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) throw std::runtime_error(name + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")");
    auto create = reinterpret_cast<CreateFunctionPluginsProc>(GetProcAddress(module, "CreateFunctionPlugins"));
    if (!create) {
        FreeLibrary(module);
        throw std::runtime_error(name + ": exports no CreateFunctionPlugins");
    }
    int count = 0;
    create(nullptr, &count);
    std::vector<FunctionPlugin*> created(static_cast<size_t>(std::clamp(count, 0, 1024)), nullptr);
    int result = created.empty() ? 0 : create(created.data(), &count);
    size_t added = 0;
    for (FunctionPlugin* plugin : created)
        if (plugin) {
            const char* display = plugin->GetDisplayName();
            plugins_.push_back({plugin, display ? display : "", path});
            ++added;
        }
    modules_.push_back(module);
    if (added == 0)
        throw std::runtime_error(name + ": CreateFunctionPlugins gave no function (count " + std::to_string(count) +
                                 ", result " + std::to_string(result) + ")");
}

std::vector<std::string> FunctionPlugins::loadFolder(const std::wstring& folder) {
    std::vector<std::string> problems;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.dll").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return problems;
    std::vector<std::wstring> names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names) {
        std::wstring path = folder + L"\\" + name;
        HMODULE probe = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        bool exports = probe && GetProcAddress(probe, "CreateFunctionPlugins");
        if (probe) FreeLibrary(probe);
        if (!exports) continue;
        try {
            loadModule(path);
        } catch (const std::exception& error) {
            problems.push_back(error.what());
        }
    }
    return problems;
}

void FunctionPlugins::releaseAll() {
    for (LoadedPlugin& loaded : plugins_) loaded.plugin->Release();
    plugins_.clear();
    for (HMODULE module : modules_) FreeLibrary(module);
    modules_.clear();
}

FunctionPlugin* FunctionPlugins::find(const std::string& displayName) const {
    for (const LoadedPlugin& loaded : plugins_)
        if (equalNoCase(loaded.displayName, displayName)) return loaded.plugin;
    return nullptr;
}

}  // namespace loomhost
