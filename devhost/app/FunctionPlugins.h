// Function plug-ins: the objects a plug-in DLL hands out from CreateFunctionPlugins.
#pragma once

#include "plugin/FunctionPlugin.h"

#include <string>
#include <vector>

namespace loomhost {

using ::FunctionPlugin;

// The plug-in's own declaration of the function object is the ABI both sides share.
using CreateFunctionPluginsProc = decltype(&::CreateFunctionPlugins);

struct LoadedPlugin {
    FunctionPlugin* plugin = nullptr;
    std::string displayName;
    std::wstring module;  // the DLL's path
};

class FunctionPlugins {
public:
    FunctionPlugins() = default;
    FunctionPlugins(const FunctionPlugins&) = delete;
    FunctionPlugins& operator=(const FunctionPlugins&) = delete;
    ~FunctionPlugins() { releaseAll(); }

    // Loads the functions of one DLL; throws std::runtime_error saying why not.
    void loadModule(const std::wstring& path);
    // Loads every DLL in the folder that exports CreateFunctionPlugins; others are
    // unloaded again. Answers the problems met, one line each.
    std::vector<std::string> loadFolder(const std::wstring& folder);
    // Releases every function object, then unloads the DLLs.
    void releaseAll();

    const std::vector<LoadedPlugin>& plugins() const { return plugins_; }
    // By display name, ignoring case; null when none.
    FunctionPlugin* find(const std::string& displayName) const;

private:
    std::vector<LoadedPlugin> plugins_;
    std::vector<HMODULE> modules_;
};

}  // namespace loomhost
