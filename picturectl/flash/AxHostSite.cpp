#include "AxHostSite.h"

#include "../com/InterfaceTable.h"

#include <olectl.h>

#include <new>

namespace flash {

CAxHostSite* CAxHostSite::Create(HWND window) { return new (std::nothrow) CAxHostSite(window); }

void CAxHostSite::Detach() {
    if (m_capture && m_window && ::GetCapture() == m_window) ::ReleaseCapture();
    m_window = nullptr;
    m_active = false;
    m_capture = false;
    m_focus = false;
}

STDMETHODIMP CAxHostSite::QueryInterface(REFIID riid, void** ppv) {
    return com::QueryFromTable(riid, ppv,
                               {
                                   {IID_IUnknown, static_cast<IOleClientSite*>(this)},
                                   {IID_IOleClientSite, static_cast<IOleClientSite*>(this)},
                                   {IID_IOleWindow, static_cast<IOleInPlaceSiteWindowless*>(this)},
                                   {IID_IOleInPlaceSite, static_cast<IOleInPlaceSiteWindowless*>(this)},
                                   {IID_IOleInPlaceSiteEx, static_cast<IOleInPlaceSiteWindowless*>(this)},
                                   {IID_IOleInPlaceSiteWindowless, static_cast<IOleInPlaceSiteWindowless*>(this)},
                                   {IID_IOleInPlaceUIWindow, static_cast<IOleInPlaceFrame*>(this)},
                                   {IID_IOleInPlaceFrame, static_cast<IOleInPlaceFrame*>(this)},
                                   {IID_IDispatch, static_cast<IDispatch*>(this)},
                               });
}

STDMETHODIMP_(ULONG) CAxHostSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CAxHostSite::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

// ---------------------------------------------------------------- IOleClientSite

STDMETHODIMP CAxHostSite::SaveObject() { return S_OK; }

STDMETHODIMP CAxHostSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CAxHostSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CAxHostSite::ShowObject() { return S_OK; }
STDMETHODIMP CAxHostSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP CAxHostSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---------------------------------------------------------------- IOleWindow

STDMETHODIMP CAxHostSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

STDMETHODIMP CAxHostSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// ---------------------------------------------------------------- IOleInPlaceSite

STDMETHODIMP CAxHostSite::CanInPlaceActivate() { return m_window ? S_OK : S_FALSE; }

STDMETHODIMP CAxHostSite::OnInPlaceActivate() {
    BOOL noRedraw = FALSE;
    return OnInPlaceActivateEx(&noRedraw, 0);
}

STDMETHODIMP CAxHostSite::OnUIActivate() { return S_OK; }

// The control covers the host window's whole client area.
STDMETHODIMP CAxHostSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    if (!frame || !document || !position || !clip) return E_POINTER;
    if (!m_window) return E_FAIL;
    ::GetClientRect(m_window, position);
    *clip = *position;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    if (frameInfo) {
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = m_window;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP CAxHostSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP CAxHostSite::OnUIDeactivate(BOOL) { return S_OK; }

STDMETHODIMP CAxHostSite::OnInPlaceDeactivate() { return OnInPlaceDeactivateEx(TRUE); }

STDMETHODIMP CAxHostSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP CAxHostSite::DeactivateAndUndo() { return S_OK; }
STDMETHODIMP CAxHostSite::OnPosRectChange(LPCRECT) { return S_OK; }

// ---------------------------------------------------------------- IOleInPlaceSiteEx

STDMETHODIMP CAxHostSite::OnInPlaceActivateEx(BOOL* noRedraw, DWORD) {
    if (!m_window) return E_FAIL;
    if (noRedraw) *noRedraw = FALSE;
    m_active = true;
    return S_OK;
}

STDMETHODIMP CAxHostSite::OnInPlaceDeactivateEx(BOOL) {
    m_active = false;
    return S_OK;
}

STDMETHODIMP CAxHostSite::RequestUIActivate() { return S_OK; }

// ---------------------------------------------------------------- IOleInPlaceSiteWindowless

STDMETHODIMP CAxHostSite::CanWindowlessActivate() { return m_window ? S_OK : S_FALSE; }

STDMETHODIMP CAxHostSite::GetCapture() { return m_capture ? S_OK : S_FALSE; }

STDMETHODIMP CAxHostSite::SetCapture(BOOL capture) {
    if (!m_window) return E_FAIL;
    if (capture) {
        ::SetCapture(m_window);
    } else if (m_capture && ::GetCapture() == m_window) {
        ::ReleaseCapture();
    }
    m_capture = capture != FALSE;
    return S_OK;
}

STDMETHODIMP CAxHostSite::GetFocus() { return m_focus ? S_OK : S_FALSE; }

STDMETHODIMP CAxHostSite::SetFocus(BOOL focus) {
    m_focus = focus != FALSE;
    return S_OK;
}

STDMETHODIMP CAxHostSite::GetDC(LPCRECT, DWORD, HDC* dc) {
    if (!dc) return E_POINTER;
    *dc = m_window ? ::GetDC(m_window) : nullptr;
    return *dc ? S_OK : E_FAIL;
}

STDMETHODIMP CAxHostSite::ReleaseDC(HDC dc) {
    if (!m_window || !dc) return E_INVALIDARG;
    ::ReleaseDC(m_window, dc);
    return S_OK;
}

// The host window repaints the whole control when it is invalidated.
STDMETHODIMP CAxHostSite::InvalidateRect(LPCRECT rect, BOOL) {
    if (m_window) ::InvalidateRect(m_window, rect, FALSE);
    return S_OK;
}

STDMETHODIMP CAxHostSite::InvalidateRgn(HRGN region, BOOL) {
    if (m_window) ::InvalidateRgn(m_window, region, FALSE);
    return S_OK;
}

STDMETHODIMP CAxHostSite::ScrollRect(INT, INT, LPCRECT, LPCRECT) { return InvalidateRect(nullptr, FALSE); }

STDMETHODIMP CAxHostSite::AdjustRect(LPRECT rect) { return rect ? S_OK : E_POINTER; }

STDMETHODIMP CAxHostSite::OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (!result) return E_POINTER;
    *result = m_window ? ::DefWindowProcW(m_window, msg, wParam, lParam) : 0;
    return S_OK;
}

// ---------------------------------------------------------------- IOleInPlaceUIWindow, IOleInPlaceFrame

STDMETHODIMP CAxHostSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP CAxHostSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP CAxHostSite::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP CAxHostSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
STDMETHODIMP CAxHostSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
STDMETHODIMP CAxHostSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP CAxHostSite::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP CAxHostSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP CAxHostSite::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP CAxHostSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// ---------------------------------------------------------------- ambient properties

STDMETHODIMP CAxHostSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CAxHostSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CAxHostSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CAxHostSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                 UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    switch (id) {
    case DISPID_AMBIENT_USERMODE:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace flash
