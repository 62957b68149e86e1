// The plug-in's side of host notifications: a counted HostEventSink whose OnEvent
// calls one handler per event kind bit, with the default answers a host expects.
#pragma once

#include "host/HostRef.h"
#include "platform/ComObject.h"
#include "platform/ModuleState.h"

// The event kinds the plug-in handles (HostEvent::kind, one bit each), also the bits of
// the kind mask that Subscribe takes.
enum HostEventKind : DWORD {
    EVENT_NODE_ADDED = 0x4,
    EVENT_NODE_DELETED = 0x8,
    EVENT_CHANGED = 0x20,
    EVENT_ATTRIBUTE_CHANGED = 0x80,
    EVENT_COMMAND = 0x20000,
    EVENT_ALL = 0xFFFFFFFF,
};

// Counted like every plug-in object: it answers IUnknown and HostEventSink and keeps
// the module loaded while it lives.
class HostEventSinkImpl : public ComObject<HostEventSink> {
public:
    // Calls the handler of the event's kind bit; E_FAIL for any other kind.
    HRESULT STDMETHODCALLTYPE OnEvent(HostEvent* event) override;

protected:
    ~HostEventSinkImpl() override = default;

    // One handler per kind bit, in the order the host's sink table lists them.
    // Unimplemented kinds answer E_NOTIMPL.
    virtual HRESULT onKind1(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind2(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onNodeAdded(HostEvent& event);    // 4: walks the node's subtree
    virtual HRESULT onNodeDeleted(HostEvent& event);  // 8: walks the node's subtree
    virtual HRESULT onKind16(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onAttributeChanged(HostEvent&) { return E_NOTIMPL; }  // 128
    virtual HRESULT onKind1024(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onCommandEvent(HostEvent&) { return E_NOTIMPL; }      // 0x20000
    virtual HRESULT onChanged(HostEvent&) { return E_NOTIMPL; }           // 32
    virtual HRESULT onKind64(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind256(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind512(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind2048(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind8192(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind16384(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind32768(HostEvent&) { return E_NOTIMPL; }
    virtual HRESULT onKind65536(HostEvent&) { return E_NOTIMPL; }

private:
    ModuleLock moduleLock_;
};

// Case-insensitive comparison of a host text with a fixed name ("Update", "Name" ...).
bool hostTextEquals(const wchar_t* text, const wchar_t* name);
