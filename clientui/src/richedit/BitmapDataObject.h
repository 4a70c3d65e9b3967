// CBitmapDataObject: a data object that offers one bitmap as CF_BITMAP
// (TYMED_GDI, DVASPECT_CONTENT). OleCreateStaticFromData makes a static
// picture object from it. Each GetData hands out a copy of the bitmap, which
// the receiver releases; the object keeps its own copy until it goes.
#pragma once

#include <windows.h>
#include <ole2.h>

class CBitmapDataObject : public IDataObject {
public:
    // A new object holding a copy of bitmap (one reference), or null when the
    // bitmap cannot be copied.
    static CBitmapDataObject* Create(HBITMAP bitmap);

    // The format it offers: {CF_BITMAP, no target device, DVASPECT_CONTENT,
    // lindex -1, TYMED_GDI}.
    static FORMATETC BitmapFormat();

    CBitmapDataObject(const CBitmapDataObject&) = delete;
    CBitmapDataObject& operator=(const CBitmapDataObject&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** enumerator) override;

private:
    explicit CBitmapDataObject(HBITMAP bitmap) : m_bitmap(bitmap) {}
    virtual ~CBitmapDataObject();

    LONG m_references = 1;
    HBITMAP m_bitmap;
};
