// ClassFactory: the class object of one COM class. The factories live as
// long as the module; a reference held by a client locks the module.
#pragma once

#include <objbase.h>

#include <new>

namespace com {

class ClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(REFIID riid, void** ppv);
    explicit constexpr ClassFactory(Creator create) : m_create(create) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    Creator m_create;
};

// Creates a T (reference count 0 after construction) and asks it for riid.
template <class T>
HRESULT CreateComObject(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    T* object = new (std::nothrow) T();
    if (!object) return E_OUTOFMEMORY;
    object->AddRef();
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

}  // namespace com
