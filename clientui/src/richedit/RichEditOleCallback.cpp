#include "RichEditOleCallback.h"

#include "fw/ComPtr.h"

HRESULT CreateStorageOnGlobalMemory(IStorage** storage) {
    if (!storage) return E_POINTER;
    *storage = nullptr;
    fw::CComPtr<ILockBytes> lockBytes;
    HRESULT hr = ::CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes.Receive());
    if (FAILED(hr)) return hr;
    return ::StgCreateDocfileOnILockBytes(lockBytes.Get(), STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE,
                                          0, storage);
}

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IRichEditOleCallback)) {
        *object = static_cast<IRichEditOleCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CMyRichEditCtrl::XRichEditOleCallback::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

STDMETHODIMP_(ULONG) CMyRichEditCtrl::XRichEditOleCallback::Release() {
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::GetNewStorage(LPSTORAGE* storage) {
    if (!storage) return E_INVALIDARG;
    return SUCCEEDED(CreateStorageOnGlobalMemory(storage)) ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::GetInPlaceContext(LPOLEINPLACEFRAME*, LPOLEINPLACEUIWINDOW*,
                                                                      LPOLEINPLACEFRAMEINFO) {
    return E_NOTIMPL;
}

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::ShowContainerUI(BOOL) { return S_OK; }

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::QueryInsertObject(LPCLSID, LPSTORAGE, LONG) { return S_OK; }

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::DeleteObject(LPOLEOBJECT) { return S_OK; }

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::QueryAcceptData(LPDATAOBJECT, CLIPFORMAT*, DWORD, BOOL,
                                                                    HGLOBAL) {
    return S_OK;
}

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::GetClipboardData(CHARRANGE*, DWORD, LPDATAOBJECT*) {
    return E_NOTIMPL;
}

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::GetDragDropEffect(BOOL drag, DWORD keyState, LPDWORD effect) {
    if (effect) *effect = CMyRichEditCtrl::DragDropEffect(drag, keyState, *effect);
    return S_OK;
}

STDMETHODIMP CMyRichEditCtrl::XRichEditOleCallback::GetContextMenu(WORD, LPOLEOBJECT, CHARRANGE*, HMENU*) {
    return E_NOTIMPL;
}
