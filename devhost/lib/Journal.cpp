#include "Journal.h"

#include <windows.h>

namespace devhost {

std::string utf8(const wchar_t* text) {
    if (!text || !*text) return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string result(static_cast<size_t>(length - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    return result;
}

std::string utf8(const std::wstring& text) { return utf8(text.c_str()); }

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
        "FindConnectionPoint", "Advise", "Unadvise"};
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

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring result(static_cast<size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), length);
    return result;
}

}  // namespace devhost
