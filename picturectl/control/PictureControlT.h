// PictureControlT<Itf>: a picture control with its class's dual interface.
// The members common to IMervale and IReMervale forward to CPictureControl;
// IDispatch comes from the type library, so Invoke reaches these same members.
#pragma once

#include "../com/DispatchImpl.h"
#include "PictureControl.h"

namespace mervale {

template <class Itf>
class PictureControlT : public CPictureControl, public com::DispatchImpl<Itf> {
public:
    // IUnknown, once for all the interfaces of the object.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return InternalQueryInterface(riid, ppv, static_cast<Itf*>(this), __uuidof(Itf));
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InternalAddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return InternalRelease(); }

    STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return SetEnabled(enabled); }
    STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return GetEnabled(enabled); }
    STDMETHODIMP put_Text(BSTR text) override { return SetText(text); }
    STDMETHODIMP get_Text(BSTR* text) override { return GetText(text); }
    STDMETHODIMP LoadFromFile(BSTR fileName) override { return LoadPictureFile(fileName); }
    STDMETHODIMP LoadFromResource(OLE_HANDLE instance, BSTR name, BSTR type) override {
        return LoadPictureResource(instance, name, type);
    }
    STDMETHODIMP Play() override { return CPictureControl::Play(); }
    STDMETHODIMP Stop() override { return CPictureControl::Stop(); }
    STDMETHODIMP GetFilePath(BSTR* path) override { return CPictureControl::GetFilePath(path); }
    STDMETHODIMP get_DisplaySize(LONG* size) override { return GetDisplaySize(size); }
    STDMETHODIMP put_DisplaySize(LONG size) override { return SetDisplaySize(size); }
    STDMETHODIMP get_REMode(VARIANT_BOOL* mode) override { return GetREMode(mode); }
    STDMETHODIMP put_REMode(VARIANT_BOOL mode) override { return SetREMode(mode); }
    STDMETHODIMP AboutBox() override { return CPictureControl::AboutBox(); }
    STDMETHODIMP LoadFromStream(IUnknown* object) override { return LoadPictureStream(object); }

protected:
    using CPictureControl::CPictureControl;
};

}  // namespace mervale
