// The host's node tree: named nodes with text and integer attributes, reached by
// relative paths ("./schema/preferences/undo"), and the texture nodes below
// "./Model/Textures".
#pragma once

#include "ComObject.h"
#include "Journal.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace devhost {

// Names of nodes and attributes compare without regard to case, and without copies:
// a plug-in looks some up on every refresh.
bool sameName(std::wstring_view a, std::wstring_view b);
struct NameLess {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const;
};

class Node : public HostNode {
public:
    Node(Link link, std::wstring name);
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    virtual ~Node();

    // IUnknown; derived nodes add interfaces through queryExtra.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // HostNode
    HRESULT STDMETHODCALLTYPE GetNode(LPCWSTR relativePath, HostNode** node) override;
    HRESULT STDMETHODCALLTYPE GetAttribute(LPCWSTR name, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE GetIntAttribute(LPCWSTR name, LONG* value) override;
    HRESULT STDMETHODCALLTYPE GetFirstChild(HostNode** child) override;
    HRESULT STDMETHODCALLTYPE GetNextSibling(HostNode** sibling) override;
    HRESULT STDMETHODCALLTYPE GetIdentifier(LONG* identifier) override;
    HRESULT STDMETHODCALLTYPE GetNodeName(WCHAR* buffer, LONG capacity) override;
    HRESULT STDMETHODCALLTYPE FindTexture(LONG identifier, HostNode** node) override;

    // Host side.
    const std::wstring& name() const { return name_; }
    void setName(std::wstring name) { name_ = std::move(name); }
    LONG identifier() const { return identifier_; }
    void setIdentifier(LONG identifier) { identifier_ = identifier; }
    Node* parent() const { return parent_; }
    const std::vector<HostRef<Node>>& children() const { return children_; }
    Node* child(std::wstring_view name) const;
    // The node at a relative path ("./a/b", "a/b", "..", "."), or null.
    Node* find(std::wstring_view relativePath);
    // The child of that name, made when missing.
    Node& ensureChild(const std::wstring& name);
    void addChild(HostRef<Node> child);
    void removeChild(Node* child);
    bool isWithin(const Node* ancestor) const;  // this node or one of its descendants
    Node* findIdentifier(LONG identifier);       // in this subtree

    void setText(const std::wstring& name, const std::wstring& text) { texts_[name] = text; }
    void setInt(const std::wstring& name, LONG value) { ints_[name] = value; }
    const std::wstring* text(std::wstring_view name) const;
    const LONG* integer(std::wstring_view name) const;

protected:
    // Interfaces beyond IUnknown and HostNode; null when not supported.
    virtual void* queryExtra(REFIID) { return nullptr; }
    const Link& link() const { return link_; }

private:
    Link link_;
    ULONG references_ = 1;
    std::wstring name_;
    LONG identifier_ = 0;
    Node* parent_ = nullptr;
    std::vector<HostRef<Node>> children_;
    std::map<std::wstring, std::wstring, NameLess> texts_;
    std::map<std::wstring, LONG, NameLess> ints_;
};

// Pixels of a texture or image: 32-bit BGRA words (0xAARRGGBB), first row first.
struct Pixels32 {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height
};

// A document texture: a node below "./Model/Textures" that is also a HostTexture.
// Its pixel format is 0 (32-bit BGRA, 4 bytes per pixel).
class TextureNode : public Node, public HostTexture {
public:
    TextureNode(Link link, std::wstring name, Pixels32 image);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override { return Node::QueryInterface(riid, out); }
    ULONG STDMETHODCALLTYPE AddRef() override { return Node::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Node::Release(); }

    // HostTexture
    HRESULT STDMETHODCALLTYPE CheckLoaded(LONG* loaded) override;
    HRESULT STDMETHODCALLTYPE CheckPixels(LONG* available) override;
    HRESULT STDMETHODCALLTYPE GetPixelFormat(LONG* format) override;
    HRESULT STDMETHODCALLTYPE GetBytesPerPixel(LONG* bytes) override;
    HRESULT STDMETHODCALLTYPE GetImageInfo(LONG* width, LONG* height, LONG* p, LONG* q) override;
    HRESULT STDMETHODCALLTYPE GetPalette(LONG first, LONG count, DWORD* entries) override;
    HRESULT STDMETHODCALLTYPE GetConverter(HostPixelConverter** converter) override;
    HRESULT STDMETHODCALLTYPE EndRead() override;
    HRESULT STDMETHODCALLTYPE CopyRect(LONG left, LONG top, LONG right, LONG bottom, LONG format,
                                       LONG rowPitch, BYTE* destination, LONG reserved1,
                                       LONG reserved2) override;

    const Pixels32& image() const { return image_; }
    Pixels32& image() { return image_; }
    int openReads() const { return openReads_; }  // converters handed out minus EndRead calls

protected:
    void* queryExtra(REFIID riid) override;

private:
    Pixels32 image_;
    int openReads_ = 0;
};

}  // namespace devhost
