#include "ClassFactory.h"

#include "ComModule.h"
#include "InterfaceTable.h"

namespace com {

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    return QueryFromTable(riid, ppv, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
    ComModule::Lock();
    return 2;
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
    ComModule::Unlock();
    return 1;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return m_create(riid, ppv);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        ComModule::Lock();
    } else {
        ComModule::Unlock();
    }
    return S_OK;
}

}  // namespace com
