#include "Nodes.h"

#include <algorithm>
#include <cwctype>

namespace devhost {

Node::Node(Link link, std::wstring name) : link_(std::move(link)), name_(std::move(name)) {}

Node::~Node() {
    for (const HostRef<Node>& child : children_) child->parent_ = nullptr;
}

HRESULT Node::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_HostNode)
        *out = static_cast<HostNode*>(this);
    else
        *out = queryExtra(riid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG Node::AddRef() { return ++references_; }

ULONG Node::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

bool sameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(x) == std::towlower(y);
           });
}

bool NameLess::operator()(std::wstring_view a, std::wstring_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towlower(x) < std::towlower(y);
    });
}

Node* Node::child(std::wstring_view name) const {
    for (const HostRef<Node>& c : children_)
        if (sameName(c->name_, name)) return c.Get();
    return nullptr;
}

Node* Node::find(std::wstring_view relativePath) {
    Node* node = this;
    size_t start = 0;
    while (node && start <= relativePath.size()) {
        size_t end = relativePath.find_first_of(L"/\\", start);
        if (end == std::wstring_view::npos) end = relativePath.size();
        std::wstring_view part = relativePath.substr(start, end - start);
        if (part == L"..")
            node = node->parent_;
        else if (!part.empty() && part != L".")
            node = node->child(part);
        start = end + 1;
    }
    return node;
}

Node& Node::ensureChild(const std::wstring& name) {
    if (Node* existing = child(name)) return *existing;
    addChild(makeObject<Node>(link_, name));
    return *children_.back().Get();
}

void Node::addChild(HostRef<Node> child) {
    if (!child) return;
    child->parent_ = this;
    children_.push_back(std::move(child));
}

void Node::removeChild(Node* child) {
    auto found = std::find_if(children_.begin(), children_.end(),
                              [child](const HostRef<Node>& c) { return c.Get() == child; });
    if (found == children_.end()) return;
    (*found)->parent_ = nullptr;
    children_.erase(found);
}

bool Node::isWithin(const Node* ancestor) const {
    for (const Node* node = this; node; node = node->parent_)
        if (node == ancestor) return true;
    return false;
}

Node* Node::findIdentifier(LONG identifier) {
    for (const HostRef<Node>& c : children_) {
        if (c->identifier_ == identifier) return c.Get();
        if (Node* found = c->findIdentifier(identifier)) return found;
    }
    return nullptr;
}

const std::wstring* Node::text(std::wstring_view name) const {
    auto found = texts_.find(name);
    return found == texts_.end() ? nullptr : &found->second;
}

const LONG* Node::integer(std::wstring_view name) const {
    auto found = ints_.find(name);
    return found == ints_.end() ? nullptr : &found->second;
}

static HRESULT handOut(Node* node, HostNode** out) {
    *out = node;
    if (!node) return E_FAIL;
    node->AddRef();
    return S_OK;
}

HRESULT Node::GetNode(LPCWSTR relativePath, HostNode** node) {
    if (record(link_, "GetNode", relativePath)) return failedCall(node);
    if (!node) return E_POINTER;
    *node = nullptr;
    if (!relativePath) return E_POINTER;
    return handOut(find(relativePath), node);
}

HRESULT Node::GetAttribute(LPCWSTR name, BSTR* text) {
    if (record(link_, "GetAttribute", name)) return failedCall(text);
    if (!text) return E_POINTER;
    *text = nullptr;
    if (!name) return E_POINTER;
    const std::wstring* value = this->text(name);
    if (!value) {
        // The name of a node is one of its attributes.
        if (!sameName(name, L"name")) return E_FAIL;
        value = &name_;
    }
    *text = hostString(value->data(), value->size());
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT Node::GetIntAttribute(LPCWSTR name, LONG* value) {
    if (record(link_, "GetIntAttribute", name)) return failedCall(value);
    if (!value) return E_POINTER;
    *value = 0;
    if (!name) return E_POINTER;
    const LONG* found = integer(name);
    if (!found) return E_FAIL;
    *value = *found;
    return S_OK;
}

HRESULT Node::GetFirstChild(HostNode** child) {
    if (record(link_, "GetFirstChild")) return failedCall(child);
    if (!child) return E_POINTER;
    return handOut(children_.empty() ? nullptr : children_.front().Get(), child);
}

HRESULT Node::GetNextSibling(HostNode** sibling) {
    if (record(link_, "GetNextSibling")) return failedCall(sibling);
    if (!sibling) return E_POINTER;
    *sibling = nullptr;
    if (!parent_) return E_FAIL;
    const auto& siblings = parent_->children_;
    auto self = std::find_if(siblings.begin(), siblings.end(), [this](const HostRef<Node>& c) { return c.Get() == this; });
    if (self == siblings.end() || self + 1 == siblings.end()) return E_FAIL;
    return handOut((self + 1)->Get(), sibling);
}

HRESULT Node::GetIdentifier(LONG* identifier) {
    if (record(link_, "GetIdentifier")) return failedCall(identifier);
    if (!identifier) return E_POINTER;
    *identifier = identifier_;
    return S_OK;
}

HRESULT Node::GetNodeName(WCHAR* buffer, LONG capacity) {
    if (record(link_, "GetNodeName", capacity)) return failedCall();
    if (!buffer || capacity <= 0) return E_INVALIDARG;
    size_t count = std::min(name_.size(), static_cast<size_t>(capacity - 1));
    std::copy_n(name_.data(), count, buffer);
    buffer[count] = L'\0';
    return count == name_.size() ? S_OK : S_FALSE;
}

HRESULT Node::FindTexture(LONG identifier, HostNode** node) {
    if (record(link_, "FindTexture", identifier)) return failedCall(node);
    if (!node) return E_POINTER;
    *node = nullptr;
    if (identifier <= 0) return E_FAIL;  // 0 and -1 name no texture
    // Textures have one identifier space per document: search from the root.
    Node* root = this;
    while (root->parent_) root = root->parent_;
    return handOut(root->findIdentifier(identifier), node);
}

}  // namespace devhost
