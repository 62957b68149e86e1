#include "host/HostEventSinkImpl.h"

#include <gtest/gtest.h>

namespace {

// A sink that implements only the change and command handlers and records the calls.
class RecordingSink : public HostEventSinkImpl {
public:
    int changed = 0, commands = 0;

protected:
    HRESULT onChanged(HostEvent&) override { ++changed; return S_OK; }
    HRESULT onCommandEvent(HostEvent&) override { ++commands; return S_OK; }
};

HRESULT send(HostEventSink* sink, DWORD kind, IUnknown* source = nullptr) {
    HostEvent event{};
    event.kind = kind;
    event.source = source;
    return sink->OnEvent(&event);
}

}  // namespace

TEST(HostEventSink, DispatchesByKindBitWithDefaultAnswers) {
    auto* sink = new RecordingSink;
    EXPECT_TRUE(send(sink, 0x20) == S_OK && send(sink, 0x20000) == S_OK);
    EXPECT_TRUE(sink->changed == 1 && sink->commands == 1);
    // Listed kinds without a handler are not implemented; node add/delete default to success.
    for (DWORD kind : {0x1u, 0x2u, 0x10u, 0x80u, 0x400u, 0x40u, 0x100u, 0x200u, 0x800u, 0x2000u,
                       0x4000u, 0x8000u, 0x10000u})
        EXPECT_EQ(send(sink, kind), E_NOTIMPL) << kind;
    EXPECT_TRUE(send(sink, 0x4) == S_OK && send(sink, 0x8) == S_OK);
    // Unknown kinds and combinations of bits fail.
    for (DWORD kind : {0x1000u, 0x40000u, 0x24u, 0u}) EXPECT_EQ(send(sink, kind), E_FAIL) << kind;
    EXPECT_EQ(sink->OnEvent(nullptr), E_POINTER);
    sink->Release();
}

TEST(HostEventSink, CountsReferencesAndLocksTheModule) {
    long before = moduleLockCount();
    auto* sink = new RecordingSink;
    EXPECT_EQ(moduleLockCount(), before + 1);
    HostEventSink* asSink = nullptr;
    ASSERT_EQ(sink->QueryInterface(IID_HostEventSink, reinterpret_cast<void**>(&asSink)), S_OK);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(sink->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(IID_HostNode, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(asSink->Release(), 1u);
    EXPECT_EQ(sink->Release(), 0u);
    EXPECT_EQ(moduleLockCount(), before);
}

TEST(HostEventSink, TextComparisonIgnoresCaseOnly) {
    EXPECT_TRUE(hostTextEquals(L"update", L"Update") && hostTextEquals(L"UPDATE", L"Update"));
    EXPECT_FALSE(hostTextEquals(L"Update ", L"Update") || hostTextEquals(nullptr, L"Update"));
}
