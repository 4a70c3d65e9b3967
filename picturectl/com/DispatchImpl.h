// DispatchImpl<Itf>: IDispatch for a dual interface, served by the type
// information of Itf from the module's type library. Invoke calls the
// interface's own vtable members, so both routes reach the same code.
#pragma once

#include "ComModule.h"
#include "ComPtr.h"

#include <oaidl.h>

namespace com {

template <class Itf>
class DispatchImpl : public Itf {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        const HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        m_typeInfo->AddRef();
        *info = m_typeInfo.Get();
        return S_OK;
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        const HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return m_typeInfo->GetIDsOfNames(names, count, ids);
    }

    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        const HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return m_typeInfo->Invoke(static_cast<Itf*>(this), id, flags, params, result, exception, argError);
    }

private:
    HRESULT EnsureTypeInfo() {
        if (m_typeInfo) return S_OK;
        return ComModule::LoadTypeInfo(__uuidof(Itf), m_typeInfo.Receive());
    }

    ComPtr<ITypeInfo> m_typeInfo;
};

}  // namespace com
