// The canvas's answers to host notifications: the texture list follows the document's
// textures, the background follows its texture's pixels, and mesh or selection changes
// refresh the editor.
#include "canvas/UVCanvas.h"

namespace {
HostRef<HostTexture> textureOf(IUnknown* source) {
    HostRef<HostTexture> texture;
    if (source) source->QueryInterface(IID_HostTexture, reinterpret_cast<void**>(texture.GetAddressOf()));
    return texture;
}

bool identifierOf(IUnknown* source, LONG& identifier) {
    HostRef<HostNode> node;
    if (!source || FAILED(source->QueryInterface(IID_HostNode, reinterpret_cast<void**>(node.GetAddressOf()))) ||
        !node)
        return false;
    return SUCCEEDED(node->GetIdentifier(&identifier));
}

// Argument i (from 0) of a command event as a 32-bit or 16-bit value.
LONG argumentLong(const HostEvent& event, int i) { return event.arguments[i].lVal; }
SHORT argumentShort(const HostEvent& event, int i) { return event.arguments[i].iVal; }
}  // namespace

bool UVCanvas::isOwnTexture(IUnknown* object) const {
    if (!object || !texture_) return false;
    // Object identity is the IUnknown each side answers.
    HostRef<IUnknown> a, b;
    object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(a.GetAddressOf()));
    texture_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(b.GetAddressOf()));
    return a && a.Get() == b.Get();
}

HRESULT UVCanvas::onNodeAdded(HostEvent& event) {
    if (textureOf(event.source) && owner_) owner_->controls().addTexture(event.source);
    return S_OK;
}

HRESULT UVCanvas::onNodeDeleted(HostEvent& event) {
    if (!textureOf(event.source)) return S_OK;
    if (owner_) owner_->controls().removeTexture(event.source);
    if (isOwnTexture(event.source)) {
        loadTexture(-1);
        invalidate();
    }
    return S_OK;
}

HRESULT UVCanvas::onAttributeChanged(HostEvent& event) {
    if (!textureOf(event.source) || !hostTextEquals(event.attributeName, L"Name") || !owner_) return S_OK;
    LONG identifier = 0;
    if (!identifierOf(event.source, identifier)) return S_OK;
    // Removed and added again so that the list shows the new name, keeping the choice.
    CanvasControls& controls = owner_->controls();
    LONG selected = controls.selectedTexture();
    controls.removeTexture(event.source);
    controls.addTexture(event.source);
    if (identifier == selected) controls.selectTexture(identifier);
    return S_OK;
}

HRESULT UVCanvas::onChanged(HostEvent& event) {
    HostRef<HostChange> change;
    if (!event.source ||
        FAILED(event.source->QueryInterface(IID_HostChange, reinterpret_cast<void**>(change.GetAddressOf()))) ||
        !change)
        return S_OK;
    // Keep this object alive: the editor's refresh may replace what it holds.
    HostRef<UVCanvas> self(this);
    tintsStale_ = true;
    if (change->NeedsMeshReload() == S_OK) {
        if (owner_) {
            owner_->refreshActiveMesh();
            owner_->refreshSelection();
        }
        invalidate();
    } else if (change->NeedsSelectionRefresh(46) == S_OK) {
        if (owner_) owner_->refreshSelection();
        invalidate();
    }
    return S_OK;
}

HRESULT UVCanvas::onCommandEvent(HostEvent& event) {
    if (!textureOf(event.source) || !isOwnTexture(event.source) ||
        !hostTextEquals(event.name, L"RefreshTextureData") || event.argumentCount != 5 || !event.arguments)
        return S_OK;
    // Arguments 1 to 4 are the rectangle, argument 5 asks for a whole reload.
    RECT changed = {argumentLong(event, 0), argumentLong(event, 1), argumentLong(event, 2),
                    argumentLong(event, 3)};
    if (argumentShort(event, 4) != 0) {
        LONG identifier = 0;
        identifierOf(event.source, identifier);
        loadTexture(identifier);
        invalidate();
        return S_OK;
    }
    if (changed.left < changed.right && changed.top < changed.bottom) {
        if (IsRectEmpty(&dirtyRect_))
            dirtyRect_ = changed;
        else
            UnionRect(&dirtyRect_, &dirtyRect_, &changed);
    }
    if (window_) SetTimer(window_, kTextureRefreshTimer, kTextureRefreshDelay, nullptr);
    return S_OK;
}
