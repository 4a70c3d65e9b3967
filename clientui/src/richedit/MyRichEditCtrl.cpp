#include "clientui/MyRichEditCtrl.h"

#include <oleauto.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "BitmapDataObject.h"
#include "Mervale_h.h"
#include "RichEditOleCallback.h"
#include "clientui/ReObject.h"
#include "insert/PictureInsertion.h"
#include "fw/ComPtr.h"
#include "fw/StringUtil.h"

using fw::CComPtr;

CMyRichEditCtrl::CMyRichEditCtrl() : m_callback(new XRichEditOleCallback) {}

CMyRichEditCtrl::~CMyRichEditCtrl() { m_callback->Release(); }

HWND CMyRichEditCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    HWND hWnd = CreateEx(0, RICHEDIT_CLASSW, L"", style, rect, parent, id);
    if (hWnd) PreSubclassWindow();
    return hWnd;
}

bool CMyRichEditCtrl::Subclass(HWND hWnd) {
    if (!fw::CRichEditCtrl::Subclass(hWnd)) return false;
    PreSubclassWindow();
    return true;
}

void CMyRichEditCtrl::PreSubclassWindow() {
    SetEventMask(kEventMask);
    SetOleCallback(m_callback);
}

LRESULT CMyRichEditCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        // A window whose creation this object sees: the callback again after
        // the control's own creation.
        LRESULT result = Default();
        if (result == -1) return -1;
        SetOleCallback(m_callback);
        return result;
    }
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(wParam, lParam);
        return 0;
    case WM_PASTE:
        if (PasteBitmap()) return 0;
        break;
    case WM_KEYDOWN: {
        const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
        const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
        if (((wParam == 'V' && ctrl) || (wParam == VK_INSERT && shift)) && PasteBitmap()) return 0;
        break;
    }
    default:
        break;
    }
    return fw::CRichEditCtrl::WindowProc(msg, wParam, lParam);
}

bool CMyRichEditCtrl::PasteBitmap() {
    // Text on the clipboard is pasted as text; only a clipboard that holds
    // a picture alone gives a picture, and never into a read-only control.
    if (GetStyle() & ES_READONLY) return false;
    if (::IsClipboardFormatAvailable(CF_UNICODETEXT) || ::IsClipboardFormatAvailable(CF_TEXT)) return false;
    if (!::IsClipboardFormatAvailable(CF_BITMAP) || !::OpenClipboard(m_hWnd)) return false;
    HBITMAP shared = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    // The clipboard owns its bitmap: a copy is taken before it is closed.
    HBITMAP copy = shared ? static_cast<HBITMAP>(::CopyImage(shared, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    ::CloseClipboard();
    if (!copy) return false;
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(GetOleInterface());
    const bool inserted = ole && InsertStaticPicture(ole.Get(), copy);
    ::DeleteObject(copy);
    return inserted;
}

bool CMyRichEditCtrl::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
        *result = 0;
        return true;
    }
    return fw::CRichEditCtrl::OnReflectedMessage(msg, wParam, lParam, result);
}

HRESULT CMyRichEditCtrl::CreatePictureControl(IMervale** control) { return mervale::CreatePictureControl(control); }

// The control library's insertion sequence, with the record's key as the
// object's user word.
BOOL CMyRichEditCtrl::InsertImageObject(IRichEditOle* richEditOle, LPCWSTR path, PictureObjectInfo* info) {
    if (!richEditOle || !path || !info) return FALSE;

    CComPtr<IMervale> control;
    if (FAILED(CreatePictureControl(control.Receive())) || !control) return FALSE;
    mervale::PictureInsertion what;
    what.path = path;
    what.user = info->Key();
    return SUCCEEDED(mervale::InsertPictureControl(richEditOle, control.Get(), what)) ? TRUE : FALSE;
}

BOOL CMyRichEditCtrl::InsertStaticPicture(IRichEditOle* richEditOle, HBITMAP bitmap) {
    if (!richEditOle || !bitmap) return FALSE;

    FORMATETC format = CBitmapDataObject::BitmapFormat();
    CComPtr<IStorage> storage;
    if (FAILED(CreateStorageOnGlobalMemory(storage.Receive()))) return FALSE;
    CComPtr<CBitmapDataObject> source = CComPtr<CBitmapDataObject>::Adopt(CBitmapDataObject::Create(bitmap));
    if (!source) return FALSE;
    CComPtr<IOleClientSite> site;
    if (FAILED(richEditOle->GetClientSite(site.Receive())) || !site) return FALSE;
    CComPtr<IOleObject> object;
    if (FAILED(::OleCreateStaticFromData(source.Get(), IID_IOleObject, OLERENDER_FORMAT, &format, site.Get(),
                                         storage.Get(), object.ReceiveVoid())) ||
        !object) {
        return FALSE;
    }
    CLSID clsid = {};
    if (FAILED(object->GetUserClassID(&clsid))) return FALSE;

    REOBJECT reObject = {};
    reObject.cbStruct = sizeof reObject;
    reObject.cp = REO_CP_SELECTION;
    reObject.clsid = clsid;
    reObject.poleobj = object.Get();
    reObject.pstg = storage.Get();
    reObject.polesite = site.Get();
    reObject.dvaspect = DVASPECT_CONTENT;
    reObject.dwFlags = 0;
    reObject.dwUser = 0;
    return SUCCEEDED(richEditOle->InsertObject(&reObject)) ? TRUE : FALSE;
}

LONG CMyRichEditCtrl::GetObjectCount() const {
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(GetOleInterface());
    return ole ? ole->GetObjectCount() : 0;
}

PictureObjectInfo* CMyRichEditCtrl::GetObjectInfo(LONG index) const {
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(GetOleInterface());
    CReObject object;
    if (!object.Read(ole.Get(), index, REO_GETOBJ_NO_INTERFACES)) return nullptr;
    return PictureObjectInfo::FromKey(object.User());
}

DWORD CMyRichEditCtrl::DragDropEffect(BOOL drag, DWORD keyState, DWORD allowed) {
    if (drag) return allowed;
    DWORD wanted = DROPEFFECT_MOVE;
    if ((keyState & MK_CONTROL) && (keyState & MK_SHIFT)) wanted = DROPEFFECT_LINK;
    else if (keyState & MK_CONTROL) wanted = DROPEFFECT_COPY;
    return (allowed & wanted) ? wanted : allowed;
}

std::wstring CMyRichEditCtrl::PictureViewerParameters(const std::wstring& systemFolder, const std::wstring& path) {
    return fw::FormatString(L"%ls\\shimgvw.dll imageview_fullscreen %ls", systemFolder.c_str(), path.c_str());
}

PictureObjectInfo* CMyRichEditCtrl::PictureOnCaretLine() const {
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(GetOleInterface());
    if (!ole) return nullptr;
    const LONG lineStart = LineIndex(-1);
    const LONG count = ole->GetObjectCount();
    for (LONG i = 0; i < count; ++i) {
        CReObject object;
        if (!object.Read(ole.Get(), i, REO_GETOBJ_NO_INTERFACES)) return nullptr;
        if (object.Cp() >= lineStart) return PictureObjectInfo::FromKey(object.User());
    }
    return nullptr;
}

bool CMyRichEditCtrl::SelectObjectAt(POINT point) {
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(GetOleInterface());
    if (!ole) return false;
    POINTL at = {point.x, point.y};
    const LONG cp = static_cast<LONG>(SendMessage(EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at)));
    const LONG count = ole->GetObjectCount();
    for (LONG i = 0; i < count; ++i) {
        CReObject object;
        if (!object.Read(ole.Get(), i, REO_GETOBJ_NO_INTERFACES)) return false;
        const LONG objectCp = object.Cp();
        if (objectCp > cp) break;
        if (objectCp < cp - 1) continue;
        // The mouse is over the object when it lies between the object's
        // left edge and the next character's.
        POINTL left = {}, right = {};
        SendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&left), objectCp);
        SendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&right), objectCp + 1);
        const bool sameLine = right.y == left.y && right.x > left.x;
        if (point.x >= left.x && (!sameLine || point.x < right.x) && point.y >= left.y) {
            SetSel(objectCp, objectCp + 1);
            return true;
        }
    }
    return false;
}

void CMyRichEditCtrl::OnLButtonDblClk(WPARAM, LPARAM lParam) {
    Default();  // the rich edit selects the object under the mouse
    // Some rich edits only place the caret beside an object that is clicked:
    // the object under the mouse is then selected here.
    if (GetSelectionType() != SEL_OBJECT) {
        POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        SelectObjectAt(point);
    }
    if (GetSelectionType() != SEL_OBJECT) return;
    PictureObjectInfo* info = PictureOnCaretLine();
    // Only a picture that is on disk: a placeholder's file is not there yet.
    if (!info || info->path.empty() || !::PathFileExistsW(info->path.c_str())) return;

    wchar_t system[256] = {};
    const UINT length = ::GetSystemDirectoryW(system, 256);
    if (length == 0 || length >= 256) return;
    StartPictureViewer(std::wstring(system) + L"\\rundll32.exe", PictureViewerParameters(system, info->path));
}

void CMyRichEditCtrl::StartPictureViewer(const std::wstring& program, const std::wstring& parameters) {
    ::ShellExecuteW(m_hWnd, L"Open", program.c_str(), parameters.c_str(), nullptr, SW_SHOW);
}
