#include "host/HostEventSinkImpl.h"

#include <cwchar>
#include <utility>

HRESULT HostEventSinkImpl::OnEvent(HostEvent* event) {
    if (!event) return E_POINTER;
    HostEvent& e = *event;
    switch (e.kind) {
        case HOST_EVENT_TEXTURE_ADDED: return onNodeAdded(e);
        case HOST_EVENT_TEXTURE_DELETED: return onNodeDeleted(e);
        case HOST_EVENT_CHANGED: return onChanged(e);
        case HOST_EVENT_ATTRIBUTE_CHANGED: return onAttributeChanged(e);
        case HOST_EVENT_COMMAND: return onCommandEvent(e);
        default: break;
    }
    constexpr DWORD kSinkTableKinds = 0x3FFFF & ~DWORD(0x1000);
    const bool oneKind = (e.kind & (e.kind - 1)) == 0 && (e.kind & kSinkTableKinds) != 0;
    return oneKind ? E_NOTIMPL : E_FAIL;
}

namespace {
// Visits every node below the given one, doing nothing with them. Iterative, with a
// bounded stack, so a deep or cyclic host tree cannot exhaust the thread's stack.
void walkSubtree(IUnknown* root) {
    HostRef<HostNode> node;
    if (!root || FAILED(root->QueryInterface(IID_HostNode, reinterpret_cast<void**>(node.GetAddressOf()))))
        return;
    constexpr int kMaxDepth = 256;
    HostRef<HostNode> stack[kMaxDepth];
    int depth = 0;
    node->GetFirstChild(stack[depth].GetAddressOf());
    if (stack[depth]) ++depth;
    for (int visits = 0; depth > 0 && visits < 1000000; ++visits) {
        HostRef<HostNode> current = std::move(stack[--depth]);
        HostRef<HostNode> sibling, child;
        current->GetNextSibling(sibling.GetAddressOf());
        current->GetFirstChild(child.GetAddressOf());
        if (sibling && depth < kMaxDepth) stack[depth++] = std::move(sibling);
        if (child && depth < kMaxDepth) stack[depth++] = std::move(child);
    }
}
}  // namespace

HRESULT HostEventSinkImpl::onNodeAdded(HostEvent& event) {
    walkSubtree(event.source);
    return S_OK;
}

HRESULT HostEventSinkImpl::onNodeDeleted(HostEvent& event) {
    walkSubtree(event.source);
    return S_OK;
}
