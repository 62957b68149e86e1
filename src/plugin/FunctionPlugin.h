// The function object a host receives from CreateFunctionPlugins. A plain abstract
// class (no interface query, no reference count): the host calls its operations by
// their position in the table and destroys it through Release.
#pragma once

#include <HostInterfaces.h>

class FunctionPlugin {
public:
    virtual const char* GetVersion() = 0;
    virtual const char* GetName() = 0;
    virtual const char* GetDisplayName() = 0;
    // Toggles the editor window: opens it, or closes it when it is open. Always 0.
    virtual int Execute(HostDocument* document) = 0;
    virtual void Release() = 0;
    virtual ~FunctionPlugin() = default;
};

// Sets *count to 1; with a non-null array stores one new function in plugins[0].
// Returns 0, or 1 when the function could not be allocated.
extern "C" int CreateFunctionPlugins(FunctionPlugin** plugins, int* count);
