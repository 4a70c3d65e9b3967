#include "PictureInsertion.h"

#include <oleauto.h>

#include "Mervale_h.h"

namespace mervale {

namespace {

// Releases a COM interface at the end of a scope.
template <class T>
class Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (m_p) m_p->Release();
    }
    T** Receive() { return &m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

HRESULT CreateStorageOnGlobalMemory(IStorage** storage) {
    Held<ILockBytes> bytes;
    HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Receive());
    if (FAILED(hr)) return hr;
    return StgCreateDocfileOnILockBytes(bytes.Get(), STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0,
                                        storage);
}

}  // namespace

HRESULT CreatePictureControl(IMervale** control) {
    if (!control) return E_POINTER;
    *control = nullptr;
    return CoCreateInstance(CLSID_Mervale, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IMervale,
                            reinterpret_cast<void**>(control));
}

HRESULT InsertPictureControl(IRichEditOle* richEditOle, IMervale* control, const PictureInsertion& what) {
    if (!richEditOle || !control || !what.path) return E_INVALIDARG;

    HRESULT hr = S_OK;
    if (what.width != 0 && what.height != 0) {
        hr = control->put_DisplaySize(MAKELONG(static_cast<WORD>(what.width), static_cast<WORD>(what.height)));
        if (FAILED(hr)) return hr;
    }
    hr = control->put_REMode(VARIANT_TRUE);
    if (FAILED(hr)) return hr;
    {
        BSTR file = SysAllocString(what.path);
        if (!file) return E_OUTOFMEMORY;
        hr = control->LoadFromFile(file);
        SysFreeString(file);
        if (FAILED(hr)) return hr;
    }

    Held<IOleObject> object;
    hr = control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.Receive()));
    if (FAILED(hr)) return hr;
    CLSID clsid{};
    hr = object.Get()->GetUserClassID(&clsid);
    if (FAILED(hr)) return hr;
    Held<IStorage> storage;
    hr = CreateStorageOnGlobalMemory(storage.Receive());
    if (FAILED(hr)) return hr;
    Held<IOleClientSite> site;
    hr = richEditOle->GetClientSite(site.Receive());
    if (FAILED(hr)) return hr;
    if (!site.Get()) return E_FAIL;
    hr = object.Get()->SetClientSite(site.Get());
    if (FAILED(hr)) return hr;

    REOBJECT reObject{};
    reObject.cbStruct = sizeof reObject;
    reObject.cp = REO_CP_SELECTION;
    reObject.clsid = clsid;
    reObject.poleobj = object.Get();
    reObject.pstg = storage.Get();
    reObject.polesite = site.Get();
    reObject.sizel.cx = reObject.sizel.cy = 0;  // the object supplies its extent
    reObject.dvaspect = DVASPECT_CONTENT;
    reObject.dwFlags = REO_BELOWBASELINE;
    reObject.dwUser = what.user;
    hr = richEditOle->InsertObject(&reObject);
    if (FAILED(hr)) {
        object.Get()->SetClientSite(nullptr);
        return hr;
    }

    // The object is in the text from here on, whatever the last steps answer.
    OleSetContainedObject(object.Get(), TRUE);
    control->put_Enabled(VARIANT_TRUE);
    return S_OK;
}

}  // namespace mervale
