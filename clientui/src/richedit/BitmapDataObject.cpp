#include "BitmapDataObject.h"

namespace {

HBITMAP CopyBitmap(HBITMAP bitmap) {
    if (!bitmap) return nullptr;
    return static_cast<HBITMAP>(::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

bool IsOurFormat(const FORMATETC* format) {
    return format && format->cfFormat == CF_BITMAP && format->dwAspect == DVASPECT_CONTENT &&
           (format->tymed & TYMED_GDI) != 0;
}

}  // namespace

CBitmapDataObject* CBitmapDataObject::Create(HBITMAP bitmap) {
    HBITMAP copy = CopyBitmap(bitmap);
    if (!copy) return nullptr;
    return new CBitmapDataObject(copy);
}

FORMATETC CBitmapDataObject::BitmapFormat() {
    FORMATETC format = {};
    format.cfFormat = CF_BITMAP;
    format.ptd = nullptr;
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_GDI;
    return format;
}

CBitmapDataObject::~CBitmapDataObject() {
    if (m_bitmap) ::DeleteObject(m_bitmap);
}

STDMETHODIMP CBitmapDataObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CBitmapDataObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }

STDMETHODIMP_(ULONG) CBitmapDataObject::Release() {
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP CBitmapDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_INVALIDARG;
    if (!IsOurFormat(format)) return DV_E_FORMATETC;
    HBITMAP copy = CopyBitmap(m_bitmap);
    if (!copy) return E_OUTOFMEMORY;
    medium->tymed = TYMED_GDI;
    medium->hBitmap = copy;
    medium->pUnkForRelease = nullptr;  // the receiver deletes the copy
    return S_OK;
}

STDMETHODIMP CBitmapDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

STDMETHODIMP CBitmapDataObject::QueryGetData(FORMATETC* format) {
    return IsOurFormat(format) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP CBitmapDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP CBitmapDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP CBitmapDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC** enumerator) {
    if (enumerator) *enumerator = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CBitmapDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP CBitmapDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }

STDMETHODIMP CBitmapDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }
