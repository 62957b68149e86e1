// Subscriptions and the events the host sends: mesh changes, texture changes and
// the toolbar's command events.
#include "DevHost.h"

#include <algorithm>
#include <cwchar>
#include <stdexcept>

namespace devhost {
namespace {

// The source of a change event: says what the subscriber has to re-read. Its questions
// can be made to fail but are not journaled: every change event asks them.
class ChangeSource : public ComObject<HostChange> {
public:
    explicit ChangeSource(Link link) : link_(std::move(link)) {}
    void set(bool reload, bool selection) {
        reload_ = reload;
        selection_ = selection;
    }
    HRESULT STDMETHODCALLTYPE NeedsMeshReload() override { return answer("NeedsMeshReload", reload_); }
    HRESULT STDMETHODCALLTYPE NeedsSelectionRefresh(LONG) override { return answer("NeedsSelectionRefresh", selection_); }

private:
    HRESULT answer(const char* method, bool yes) const {
        if (link_ && failureDue(*link_, method)) return E_FAIL;
        return yes ? S_OK : S_FALSE;
    }
    Link link_;
    bool reload_ = false;
    bool selection_ = false;
};

// A BSTR that lives for one delivery.
struct EventText {
    explicit EventText(const wchar_t* text) : bstr(text ? hostString(text, std::wcslen(text)) : nullptr) {}
    ~EventText() { freeHostString(bstr); }
    EventText(const EventText&) = delete;
    EventText& operator=(const EventText&) = delete;
    BSTR bstr;
};

Node* nodeOf(IUnknown* object) {
    HostRef<HostNode> node;
    if (!object || FAILED(object->QueryInterface(IID_HostNode, reinterpret_cast<void**>(node.GetAddressOf()))))
        return nullptr;
    // Every HostNode this host hands out is a Node.
    return static_cast<Node*>(node.Get());
}

}  // namespace

HRESULT Document::Subscribe(LONG a, HostEventSink* sink, DWORD kindMask, DWORD b, LONG c, LPCWSTR path,
                            LPCWSTR filter, DWORD* cookie) {
    if (record(link_, "Subscribe", a, kindMask, b, c, path, filter)) return failedCall(cookie);
    if (cookie) *cookie = 0;
    if (!sink || !cookie) return E_POINTER;
    Subscription subscription;
    subscription.cookie = nextCookie_++;
    subscription.sink = sink;
    subscription.a = a;
    subscription.kindMask = kindMask;
    subscription.b = b;
    subscription.c = c;
    subscription.hasPath = path != nullptr;
    subscription.path = path ? path : L"";
    subscription.hasFilter = filter != nullptr;
    subscription.filter = filter ? filter : L"";
    subscriptions_.push_back(std::move(subscription));
    *cookie = subscriptions_.back().cookie;
    return S_OK;
}

HRESULT Document::Unsubscribe(DWORD cookie) {
    if (record(link_, "Unsubscribe", cookie)) return failedCall();
    auto found = std::find_if(subscriptions_.begin(), subscriptions_.end(),
                              [cookie](const Subscription& s) { return s.cookie == cookie; });
    if (found == subscriptions_.end()) return E_INVALIDARG;
    subscriptions_.erase(found);
    return S_OK;
}

void Document::sendEvent(HostEvent& event, const std::string& logLine) {
    if (link_->journaling) eventLog_.push_back(logLine);
    // Sinks may subscribe or unsubscribe while they handle the event: those subscribed
    // when it was sent and still subscribed hear it, in the order they subscribed (the
    // cookies grow, and the list keeps their order). No copy of the list: an edit's
    // events allocate nothing.
    const DWORD lastCookie = nextCookie_ - 1;
    Node* source = nodeOf(event.source);
    for (DWORD delivered = 0;;) {
        auto next = std::find_if(subscriptions_.begin(), subscriptions_.end(),
                                 [&](const Subscription& s) { return s.cookie > delivered; });
        if (next == subscriptions_.end() || next->cookie > lastCookie) break;
        delivered = next->cookie;
        if ((next->kindMask & event.kind) == 0) continue;
        if (next->hasPath) {
            // A subscription to a node hears only about that node and what lies below it.
            Node* scope = applicationNode_->find(next->path);
            if (!scope) scope = documentNode_->find(next->path);
            if (scope && (!source || !source->isWithin(scope))) continue;
        }
        HostRef<HostEventSink> sink = next->sink;  // it may unsubscribe while it handles the event
        sink->OnEvent(&event);
    }
}

// Reload when the mesh was replaced or its size changed; refresh when any record
// changed since the last announcement: besides the flags that means UVs too, so
// that a view shows an undone move.
void Document::sendChange(bool meshReplaced) {
    // Inside a group whose start is set, whatever changes joins the group's entry however
    // late it is seen: the comparison waits for the group's end (a drag's steps would
    // each compare every record), and records touched since the last look count as changed.
    if (!meshReplaced && groupDepth_ > 0 && groupHasSnapshot_ && sizesAsSeen()) {
        if (recordsTouched_) unannounced_ = true;
    } else {
        look();
    }
    const bool reload = meshReplaced || announcedFaces_ != faces_.size() || announcedVertices_ != vertices_.size();
    const bool selection = reload || unannounced_;
    unannounced_ = false;
    announcedFaces_ = faces_.size();
    announcedVertices_ = vertices_.size();
    // One change source serves every event, unless a sink kept the last one.
    if (!changeSource_ || (changeSource_->AddRef(), changeSource_->Release()) > 1)
        changeSource_ = makeObject<ChangeSource>(link_);
    HostRef<HostChange> source = changeSource_;  // a sink's reentrant edit may replace it
    static_cast<ChangeSource*>(source.Get())->set(reload, selection);
    HostEvent event{};
    event.kind = HOST_EVENT_CHANGED;
    event.source = source.Get();
    sendEvent(event, link_->journaling ? "32 reload=" + std::to_string(reload) + " selection=" +
                                              std::to_string(selection)
                                        : std::string());
}

void Document::sendUpdate() {
    EventText name(L"Update");
    HostEvent event{};
    event.kind = HOST_EVENT_COMMAND;
    event.source = static_cast<HostNode*>(toolbarNode_);
    event.name = name.bstr;
    sendEvent(event, "131072 Update");
}

void Document::sendTextureEvent(DWORD kind, TextureNode& texture, const wchar_t* attribute) {
    // Keep the node alive through delivery even if a sink drops the last reference.
    HostRef<Node> keep(&texture);
    EventText attributeName(attribute);
    HostEvent event{};
    event.kind = kind;
    event.source = static_cast<HostNode*>(&texture);
    event.parent = static_cast<HostNode*>(texturesNode_);
    if (attribute) event.attributeName = attributeName.bstr;
    std::string line = std::to_string(kind) + " \"" + utf8(texture.name()) + "\"";
    if (attribute) line += " " + utf8(attribute);
    sendEvent(event, line);
}

void Document::sendRefresh(TextureNode& texture, int left, int top, int right, int bottom, short flag) {
    HostRef<Node> keep(&texture);
    EventText name(L"RefreshTextureData");
    VARIANT arguments[5] = {};
    const LONG values[4] = {left, top, right, bottom};
    for (int i = 0; i < 4; ++i) {
        arguments[i].vt = VT_I4;
        arguments[i].lVal = values[i];
    }
    arguments[4].vt = VT_I2;
    arguments[4].iVal = flag;
    HostEvent event{};
    event.kind = HOST_EVENT_COMMAND;
    event.source = static_cast<HostNode*>(&texture);
    event.name = name.bstr;
    event.argumentCount = 5;
    event.arguments = arguments;
    sendEvent(event, "131072 RefreshTextureData(" + std::to_string(left) + "," + std::to_string(top) + "," +
                         std::to_string(right) + "," + std::to_string(bottom) + "," + std::to_string(flag) + ")");
}

// ---- Textures ----

LONG Document::addTexture(const std::wstring& name, int width, int height, std::vector<std::uint32_t> pixels) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        throw std::invalid_argument("texture \"" + utf8(name) + "\": " + std::to_string(pixels.size()) +
                                    " pixels do not make a " + std::to_string(width) + " x " +
                                    std::to_string(height) + " image");
    HostRef<TextureNode> texture =
        makeObject<TextureNode>(link_, freeTextureName(name), Pixels32{width, height, std::move(pixels)});
    LONG id = nextTextureId_++;
    texture->setIdentifier(id);
    texturesNode_->addChild(texture);
    sendTextureEvent(HOST_EVENT_TEXTURE_ADDED, *texture.Get(), nullptr);
    return id;
}

TextureNode* Document::texture(LONG id) const {
    for (const HostRef<Node>& child : texturesNode_->children())
        if (child->identifier() == id) return static_cast<TextureNode*>(child.Get());
    return nullptr;
}

static TextureNode& requireTexture(const Document& document, LONG id) {
    TextureNode* texture = document.texture(id);
    if (!texture) throw std::invalid_argument("there is no texture " + std::to_string(id));
    return *texture;
}

// Users and every step tell textures apart by name: two of one name would be one too many.
std::wstring Document::freeTextureName(const std::wstring& wanted) const {
    auto taken = [this](const std::wstring& name) {
        for (const HostRef<Node>& child : texturesNode_->children())
            if (child->name() == name) return true;
        return false;
    };
    std::wstring name = wanted;
    for (int n = 2; taken(name); ++n) name = wanted + L" " + std::to_wstring(n);
    return name;
}

void Document::renameTexture(LONG id, const std::wstring& name) {
    TextureNode& texture = requireTexture(*this, id);
    if (texture.name() == name) return;
    if (freeTextureName(name) != name)
        throw std::invalid_argument("texture \"" + utf8(texture.name()) + "\" cannot be renamed \"" + utf8(name) +
                                    "\": another texture has that name");
    texture.setName(name);
    sendTextureEvent(HOST_EVENT_ATTRIBUTE_CHANGED, texture, L"Name");
}

void Document::deleteTexture(LONG id) {
    HostRef<TextureNode> texture(&requireTexture(*this, id));
    texturesNode_->removeChild(texture.Get());
    sendTextureEvent(HOST_EVENT_TEXTURE_DELETED, *texture.Get(), nullptr);
}

void Document::changeTexturePixels(LONG id, int left, int top, int right, int bottom,
                                   const std::vector<std::uint32_t>& pixels) {
    TextureNode& texture = requireTexture(*this, id);
    Pixels32& image = texture.image();
    if (left < 0 || top < 0 || right > image.width || bottom > image.height || left >= right || top >= bottom)
        throw std::invalid_argument("rectangle (" + std::to_string(left) + "," + std::to_string(top) + "," +
                                    std::to_string(right) + "," + std::to_string(bottom) +
                                    ") is not inside the texture");
    size_t width = static_cast<size_t>(right - left);
    if (pixels.size() != width * static_cast<size_t>(bottom - top))
        throw std::invalid_argument("pixel count does not match the rectangle");
    for (int y = top; y < bottom; ++y)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(width * static_cast<size_t>(y - top)), width,
                    image.pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(y) * image.width + left));
    sendRefresh(texture, left, top, right, bottom, 0);
}

void Document::replaceTexture(LONG id, int width, int height, std::vector<std::uint32_t> pixels) {
    TextureNode& texture = requireTexture(*this, id);
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        throw std::invalid_argument("pixel count does not match the image size");
    texture.image() = Pixels32{width, height, std::move(pixels)};
    sendRefresh(texture, 0, 0, width, height, 1);
}

std::vector<TextureInfo> Document::textures() const {
    std::vector<TextureInfo> result;
    for (const HostRef<Node>& child : texturesNode_->children()) {
        auto* texture = static_cast<TextureNode*>(child.Get());
        result.push_back({texture->identifier(), texture->name(), texture->image().width, texture->image().height});
    }
    return result;
}

}  // namespace devhost
