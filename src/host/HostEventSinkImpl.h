// The plug-in's side of host notifications: a counted HostEventSink whose OnEvent
// calls the handler of the event's kind (HOST_EVENT_*), with the default answers a host
// expects.
#pragma once

#include "host/HostRef.h"
#include "platform/ComObject.h"
#include "platform/ModuleState.h"

// Counted like every plug-in object: it answers IUnknown and HostEventSink and keeps
// the module loaded while it lives.
class HostEventSinkImpl : public ComObject<HostEventSink> {
public:
    // Calls the handler of the event's kind. The other kinds of the host's sink table
    // (single bits up to 0x20000 but 0x1000) answer E_NOTIMPL, anything else E_FAIL.
    HRESULT STDMETHODCALLTYPE OnEvent(HostEvent* event) override;

protected:
    ~HostEventSinkImpl() override = default;

    // One handler per kind the plug-in takes; one not overridden answers E_NOTIMPL.
    virtual HRESULT onNodeAdded(HostEvent& event);    // HOST_EVENT_TEXTURE_ADDED: walks the node's subtree
    virtual HRESULT onNodeDeleted(HostEvent& event);  // HOST_EVENT_TEXTURE_DELETED: the same
    virtual HRESULT onChanged(HostEvent&) { return E_NOTIMPL; }           // HOST_EVENT_CHANGED
    virtual HRESULT onAttributeChanged(HostEvent&) { return E_NOTIMPL; }  // HOST_EVENT_ATTRIBUTE_CHANGED
    virtual HRESULT onCommandEvent(HostEvent&) { return E_NOTIMPL; }      // HOST_EVENT_COMMAND

private:
    ModuleLock moduleLock_;
};

// Case-insensitive comparison of a host text with a fixed name ("Update", "Name" ...).
bool hostTextEquals(const wchar_t* text, const wchar_t* name);
