// CFlashEventSink: the IDispatch that receives the Flash control's events
// (_IShockwaveFlashEvents) and hands the two the pop-up needs to its owner.
// The control holds the sink while it is advised; Detach cuts the owner off.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace flash {

class FlashEventHandler {
public:
    virtual void OnFSCommand(const std::wstring& command, const std::wstring& args) = 0;
    virtual void OnReadyStateChange(LONG state) = 0;

protected:
    ~FlashEventHandler() = default;
};

class CFlashEventSink final : public IDispatch {
public:
    static CFlashEventSink* Create(FlashEventHandler* owner);  // one reference
    void Detach() { m_owner = nullptr; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

private:
    explicit CFlashEventSink(FlashEventHandler* owner) : m_owner(owner) {}
    ~CFlashEventSink() = default;

    LONG m_refs = 1;
    FlashEventHandler* m_owner;
};

}  // namespace flash
