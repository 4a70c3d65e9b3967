#include "FlashEventSink.h"

#include "../com/InterfaceTable.h"
#include "ShockwaveFlash.h"

#include <new>

namespace flash {

namespace {

// Argument index (in call order) of DISPPARAMS, which holds them reversed,
// as text; empty when it is missing or not text.
std::wstring TextArgument(const DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) return std::wstring();
    VARIANT text;
    VariantInit(&text);
    std::wstring value;
    if (SUCCEEDED(VariantChangeType(&text, &params->rgvarg[params->cArgs - 1 - index], 0, VT_BSTR)) &&
        text.bstrVal) {
        value.assign(text.bstrVal, SysStringLen(text.bstrVal));
    }
    VariantClear(&text);
    return value;
}

bool LongArgument(const DISPPARAMS* params, UINT index, LONG& value) {
    if (!params || index >= params->cArgs) return false;
    VARIANT number;
    VariantInit(&number);
    const bool ok = SUCCEEDED(VariantChangeType(&number, &params->rgvarg[params->cArgs - 1 - index], 0, VT_I4));
    if (ok) value = number.lVal;
    VariantClear(&number);
    return ok;
}

}  // namespace

CFlashEventSink* CFlashEventSink::Create(FlashEventHandler* owner) {
    return new (std::nothrow) CFlashEventSink(owner);
}

STDMETHODIMP CFlashEventSink::QueryInterface(REFIID riid, void** ppv) {
    return com::QueryFromTable(riid, ppv,
                               {
                                   {IID_IUnknown, this},
                                   {IID_IDispatch, this},
                                   {kDiidShockwaveFlashEvents, this},
                               });
}

STDMETHODIMP_(ULONG) CFlashEventSink::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CFlashEventSink::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CFlashEventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CFlashEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CFlashEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

// Events the pop-up does not need are accepted and ignored.
STDMETHODIMP CFlashEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) {
    if (result) VariantInit(result);
    if (!m_owner) return S_OK;
    switch (id) {
    case kDispidFSCommand:
        m_owner->OnFSCommand(TextArgument(params, 0), TextArgument(params, 1));
        break;
    case kDispidOnReadyStateChange: {
        LONG state = 0;
        if (LongArgument(params, 0, state)) m_owner->OnReadyStateChange(state);
        break;
    }
    default:
        break;
    }
    return S_OK;
}

}  // namespace flash
