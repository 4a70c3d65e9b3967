// The OLE callback of CMyRichEditCtrl: through it the rich edit asks its
// container for storages of new objects and about drops. It is a COM object
// of its own (the rich edit holds references to it for as long as the window
// lives), created and released by the control object.
#pragma once

#include "clientui/MyRichEditCtrl.h"

class CMyRichEditCtrl::XRichEditOleCallback : public IRichEditOleCallback {
public:
    XRichEditOleCallback() = default;
    XRichEditOleCallback(const XRichEditOleCallback&) = delete;
    XRichEditOleCallback& operator=(const XRichEditOleCallback&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IRichEditOleCallback, in slot order
    STDMETHODIMP GetNewStorage(LPSTORAGE* storage) override;
    STDMETHODIMP GetInPlaceContext(LPOLEINPLACEFRAME* frame, LPOLEINPLACEUIWINDOW* doc,
                                   LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP ShowContainerUI(BOOL show) override;
    STDMETHODIMP QueryInsertObject(LPCLSID clsid, LPSTORAGE storage, LONG cp) override;
    STDMETHODIMP DeleteObject(LPOLEOBJECT object) override;
    STDMETHODIMP QueryAcceptData(LPDATAOBJECT data, CLIPFORMAT* format, DWORD reco, BOOL really,
                                 HGLOBAL metaPict) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;
    STDMETHODIMP GetClipboardData(CHARRANGE* range, DWORD reco, LPDATAOBJECT* data) override;
    STDMETHODIMP GetDragDropEffect(BOOL drag, DWORD keyState, LPDWORD effect) override;
    STDMETHODIMP GetContextMenu(WORD selectionType, LPOLEOBJECT object, CHARRANGE* range,
                                HMENU* menu) override;

private:
    virtual ~XRichEditOleCallback() = default;

    LONG m_references = 1;
};

// A compound storage on global memory (a docfile on an ILockBytes over an
// HGLOBAL that goes with it), as the rich edit keeps its objects in.
HRESULT CreateStorageOnGlobalMemory(IStorage** storage);
