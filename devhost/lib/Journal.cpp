#include "Journal.h"

namespace devhost {

bool isHostMethod(const std::string& name) {
    static const char* const methods[] = {
        "GetMainWindow", "GetDocumentNode", "GetApplicationNode", "GetActiveMesh", "GetViewHost",
        "CreatePreviewMesh", "GetModel", "LockFaces", "UnlockFaces", "BeginEdit", "EndEdit", "BeginUndoGroup",
        "EndUndoGroup", "Undo", "Redo", "Subscribe", "Unsubscribe", "SetPixels", "CreateTexture", "Commit",
        "SetTexture", "CreateImage", "CreateMaterial", "GetNode", "GetAttribute", "GetIntAttribute",
        "GetFirstChild", "GetNextSibling", "GetIdentifier", "GetNodeName", "FindTexture", "MakeBox",
        "MakeCylinder", "MakeSphere", "ConvertPixels", "CheckLoaded", "CheckPixels", "GetPixelFormat",
        "GetBytesPerPixel", "GetImageInfo", "GetPalette", "GetConverter", "EndRead", "CopyRect", "RedrawViews",
        "GetDrawState", "SetDrawState", "DrawMesh", "GetViewScale", "DrawAxes", "EnumConnectionPoints",
        "FindConnectionPoint", "Advise", "Unadvise", "NeedsMeshReload", "NeedsSelectionRefresh"};
    for (const char* method : methods)
        if (name == method) return true;
    return false;
}

bool failureDue(DocumentLink& link, const char* name) {
    if (link.failures.empty()) return false;
    auto found = link.failures.find(name);
    if (found == link.failures.end()) return false;
    FailurePlan& plan = found->second;
    ++plan.calls;
    bool fail = plan.calls == plan.nth || (plan.onward && plan.calls > plan.nth);
    if (fail) ++plan.failed;
    return fail;
}

}  // namespace devhost
