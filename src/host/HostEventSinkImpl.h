// The plug-in's side of host notifications: a counted HostEventSink whose OnEvent
// calls one handler per event kind bit, with the default answers a host expects.
#pragma once

#include "host/HostRef.h"
#include "platform/ModuleState.h"

class HostEventSinkImpl : public HostEventSink {
public:
    HostEventSinkImpl() = default;
    HostEventSinkImpl(const HostEventSinkImpl&) = delete;
    HostEventSinkImpl& operator=(const HostEventSinkImpl&) = delete;

    // IUnknown: answers IUnknown and HostEventSink; the object lives while counted.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Calls the handler of the event's kind bit; E_FAIL for any other kind.
    HRESULT STDMETHODCALLTYPE OnEvent(HostEvent* event) override;

protected:
    virtual ~HostEventSinkImpl() = default;

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
    LONG references_ = 1;  // the creator holds the first reference
    ModuleLock moduleLock_;
};

// Case-insensitive comparison of a host text with a fixed name ("Update", "Name" ...).
bool hostTextEquals(const wchar_t* text, const wchar_t* name);
