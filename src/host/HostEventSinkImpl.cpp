#include "host/HostEventSinkImpl.h"

#include <cwchar>
#include <utility>

HRESULT HostEventSinkImpl::OnEvent(HostEvent* event) {
    if (!event) return E_POINTER;
    HostEvent& e = *event;
    switch (e.kind) {
        case 0x1: return onKind1(e);
        case 0x2: return onKind2(e);
        case EVENT_NODE_ADDED: return onNodeAdded(e);
        case EVENT_NODE_DELETED: return onNodeDeleted(e);
        case 0x10: return onKind16(e);
        case EVENT_ATTRIBUTE_CHANGED: return onAttributeChanged(e);
        case 0x400: return onKind1024(e);
        case EVENT_COMMAND: return onCommandEvent(e);
        case EVENT_CHANGED: return onChanged(e);
        case 0x40: return onKind64(e);
        case 0x100: return onKind256(e);
        case 0x200: return onKind512(e);
        case 0x800: return onKind2048(e);
        case 0x2000: return onKind8192(e);
        case 0x4000: return onKind16384(e);
        case 0x8000: return onKind32768(e);
        case 0x10000: return onKind65536(e);
        default: return E_FAIL;
    }
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
