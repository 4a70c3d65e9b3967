#include "fw/Window.h"

#include "fw/DeviceContext.h"

#include <map>

namespace fw {
namespace {

// Handle -> object of every created or subclassed window. Windows belong to
// the thread that created them; the framework is used from one UI thread.
std::map<HWND, CWindow*>& HandleMap() {
    static std::map<HWND, CWindow*> map;
    return map;
}

thread_local CWindow* t_creating = nullptr;

const wchar_t kWindowClass[] = L"fw.Window";

// A button's notification other than a click. An owner-drawn button (and
// one with BS_NOTIFY) reports a double click as BN_CLICKED followed by
// BN_DOUBLECLICKED, and focus changes as BN_SETFOCUS / BN_KILLFOCUS; the
// button's command runs on BN_CLICKED only, so that a double click runs it
// once. Menu items and accelerators (no control) and the other controls'
// notifications pass unchanged.
bool IsButtonNoticeOtherThanClick(WPARAM wParam, LPARAM lParam) {
    if (!lParam || HIWORD(wParam) == BN_CLICKED) return false;
    wchar_t name[16] = {};
    if (!::GetClassNameW(reinterpret_cast<HWND>(lParam), name, 16)) return false;
    return ::lstrcmpiW(name, L"Button") == 0;
}

ATOM RegisterFrameworkClass(WNDPROC proc) {
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kWindowClass;
        atom = ::RegisterClassExW(&wc);
    }
    return atom;
}

}  // namespace

CHandlerScope::~CHandlerScope() {
    if (!m_wnd || --m_wnd->m_handlerDepth > 0) return;
    CWindow* wnd = m_wnd;
    std::vector<CWindow*> waiting;
    waiting.swap(wnd->m_waitingDeletes);
    if (wnd->m_deletePending && wnd->m_deleteBlockers == 0) delete wnd;
    // wnd may be gone from here on (it may also be a member of a waiting
    // object): only the waiting objects are touched.
    for (CWindow* other : waiting) {
        if (--other->m_deleteBlockers == 0 && other->m_handlerDepth == 0 && other->m_deletePending) delete other;
    }
}

CWindow::~CWindow() {
    // A deletion that waited for this object no longer waits for it.
    for (CWindow* other : m_waitingDeletes) --other->m_deleteBlockers;
    if (!m_mapped) return;
    // The derived parts are gone: the window's last messages must not reach
    // this object any more.
    const bool created = m_created;
    HWND hWnd = Unsubclass();
    if (created && ::IsWindow(hWnd)) ::DestroyWindow(hWnd);  // the object owned it
}

HWND CWindow::Attach(HWND hWnd) {
    HWND old = Detach();
    m_hWnd = hWnd;
    return old;
}

HWND CWindow::Detach() {
    HWND old = m_hWnd;
    if (m_mapped) {
        if (m_prevProc) Unsubclass();
        else RemoveFromMap();
    }
    m_hWnd = nullptr;
    return old;
}

CWindow* CWindow::FromHandle(HWND hWnd) {
    auto& map = HandleMap();
    auto it = map.find(hWnd);
    return it == map.end() ? nullptr : it->second;
}

void CWindow::AttachToMap(HWND hWnd) {
    m_hWnd = hWnd;
    HandleMap()[hWnd] = this;
    m_mapped = true;
}

void CWindow::RemoveFromMap() {
    if (!m_mapped) return;
    auto& map = HandleMap();
    auto it = map.find(m_hWnd);
    if (it != map.end() && it->second == this) map.erase(it);
    m_mapped = false;
}

void CWindow::SetCreatingObject(CWindow* wnd) { t_creating = wnd; }

CWindow* CWindow::TakeCreatingObject(HWND hWnd) {
    CWindow* wnd = t_creating;
    if (!wnd) return nullptr;
    t_creating = nullptr;
    wnd->AttachToMap(hWnd);
    return wnd;
}

HWND CWindow::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                       const RECT& rect, HWND parent, UINT id) {
    if (m_hWnd) return nullptr;
    const bool ownClass = !className || !*className;
    if (ownClass) RegisterFrameworkClass(&CWindow::StaticWindowProc);
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    if (ownClass) SetCreatingObject(this);
    HWND hWnd = ::CreateWindowExW(exStyle, ownClass ? kWindowClass : className, title, style, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, menu,
                                  ::GetModuleHandleW(nullptr), nullptr);
    SetCreatingObject(nullptr);
    if (!hWnd) {
        RemoveFromMap();
        m_hWnd = nullptr;
        return nullptr;
    }
    if (!ownClass) {
        // A window of another class (a control): its procedure stays the
        // default processing.
        if (!Subclass(hWnd)) return nullptr;
    }
    m_created = true;
    return hWnd;
}

bool CWindow::Subclass(HWND hWnd) {
    if (!hWnd || m_mapped || FromHandle(hWnd)) return false;
    AttachToMap(hWnd);
    m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindow::StaticWindowProc)));
    if (!m_prevProc) {
        RemoveFromMap();
        m_hWnd = nullptr;
        return false;
    }
    OnSubclassed();
    return true;
}

HWND CWindow::Unsubclass() {
    HWND hWnd = m_hWnd;
    if (m_prevProc && ::IsWindow(hWnd)) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
    }
    m_prevProc = nullptr;
    RemoveFromMap();
    m_created = false;
    return hWnd;
}

bool CWindow::DestroyWindow() {
    if (!m_hWnd || !::IsWindow(m_hWnd)) return false;
    return ::DestroyWindow(m_hWnd) != FALSE;
}

BOOL CALLBACK CWindow::WaitForBusyChild(HWND child, LPARAM param) {
    auto* self = reinterpret_cast<CWindow*>(param);
    CWindow* wnd = FromHandle(child);
    if (wnd && wnd != self && wnd->m_handlerDepth > 0) {
        wnd->m_waitingDeletes.push_back(self);
        ++self->m_deleteBlockers;
    }
    return TRUE;
}

void CWindow::Delete() {
    if (m_deletePending) return;  // asked already
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        // Child objects inside one of their handlers now will return into
        // it after the windows are gone: the deletion waits for them.
        ::EnumChildWindows(m_hWnd, &CWindow::WaitForBusyChild, reinterpret_cast<LPARAM>(this));
        // Destroying runs WM_DESTROY and WM_NCDESTROY through this object
        // while it still exists.
        CHandlerScope scope(this);
        ::DestroyWindow(m_hWnd);
    }
    if (m_handlerDepth > 0 || m_deleteBlockers > 0) {
        m_deletePending = true;
        return;
    }
    delete this;
}

std::wstring CWindow::GetWindowText() const {
    const int len = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
    const int got = ::GetWindowTextW(m_hWnd, &text[0], static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

RECT CWindow::GetClientRect() const {
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWindow::GetWindowRect() const {
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

void CWindow::ModifyStyle(DWORD remove, DWORD add) {
    const DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}

LRESULT CWindow::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_prevProc) return ::CallWindowProcW(m_prevProc, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWindow::Default() {
    if (!m_currentMsg) return 0;
    return DefWindowProc(m_currentMsg->message, m_currentMsg->wParam, m_currentMsg->lParam);
}

bool CWindow::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        child = lParam ? reinterpret_cast<NMHDR*>(lParam)->hwndFrom : nullptr;
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis && dis->CtlType != ODT_MENU) child = dis->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis && mis->CtlType != ODT_MENU) child = ::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID));
        break;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(lParam);
        break;
    default:
        return false;
    }
    if (!child || child == m_hWnd) return false;
    CWindow* wnd = FromHandle(child);
    if (!wnd) return false;
    CHandlerScope scope(wnd);
    LRESULT r = 0;
    if (!wnd->OnReflectedMessage(msg, wParam, lParam, &r)) return false;
    *result = r;
    return true;
}

UINT PrintClientMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"fw.PrintClient");
    return message;
}

LRESULT CWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != 0 && msg == PrintClientMessage())
        return OnPrintClient(reinterpret_cast<HDC>(wParam), static_cast<UINT>(lParam)) ? 1 : 0;
    LRESULT result = 0;
    switch (msg) {
    case WM_CREATE:
        if (OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam), &result)) return result;
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_CLOSE:
        if (OnClose()) return 0;
        break;
    case WM_COMMAND:
        if (lParam && ReflectToChild(msg, wParam, lParam, &result)) return result;
        if (IsButtonNoticeOtherThanClick(wParam, lParam)) break;
        if (OnCommand(wParam, lParam)) return 0;
        break;
    case WM_NOTIFY:
        if (ReflectToChild(msg, wParam, lParam, &result)) return result;
        if (OnNotify(wParam, reinterpret_cast<NMHDR*>(lParam), &result)) return result;
        break;
    case WM_TIMER:
        if (OnTimer(static_cast<UINT_PTR>(wParam))) return 0;
        break;
    case WM_PAINT:
        if (OnPaint()) return 0;
        break;
    case WM_ERASEBKGND:
        if (OnEraseBkgnd(reinterpret_cast<HDC>(wParam), &result)) return result;
        break;
    case WM_SIZE:
        if (OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam))) return 0;
        break;
    case WM_DRAWITEM:
        if (ReflectToChild(msg, wParam, lParam, &result)) return result;
        if (OnDrawItem(static_cast<UINT>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_MEASUREITEM:
        if (ReflectToChild(msg, wParam, lParam, &result)) return result;
        if (OnMeasureItem(static_cast<UINT>(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        if (ReflectToChild(msg, wParam, lParam, &result)) return result;
        if (HBRUSH brush = OnCtlColor(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    }
    default:
        break;
    }
    return DefWindowProc(msg, wParam, lParam);
}

bool CWindow::OnPrintClient(HDC dc, UINT flags) {
    if (!dc || !(flags & PRF_CLIENT)) return false;
    const int state = ::SaveDC(dc);
    if (!state) return false;
    if (flags & PRF_ERASEBKGND) ::SendMessageW(m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::RestoreDC(dc, state);
    bool painted = false;
    {
        CPrintRedirect redirect(m_hWnd, dc);
        OnPaint();
        painted = redirect.WasUsed();
    }
    if (!painted) {
        // The paint handler drew elsewhere (or not at all): the window's
        // default procedure paints, without erasing a second time.
        DefWindowProc(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), static_cast<LPARAM>(flags & ~PRF_ERASEBKGND));
    }
    return true;
}

LRESULT CWindow::Dispatch(CWindow* wnd, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MSG current = {hWnd, msg, wParam, lParam, 0, {0, 0}};
    const MSG* saved = wnd->m_currentMsg;
    wnd->m_currentMsg = &current;
    LRESULT result;
    {
        CHandlerScope scope(wnd);
        result = wnd->WindowProc(msg, wParam, lParam);
        wnd->m_currentMsg = saved;
        if (msg == WM_NCDESTROY) {
            // The window is gone: the object forgets it, a subclassed
            // control gets its own procedure back first.
            if (wnd->m_prevProc) ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_prevProc));
            wnd->m_prevProc = nullptr;
            wnd->RemoveFromMap();
            wnd->m_created = false;
            wnd->m_hWnd = nullptr;
        }
    }
    return result;
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWindow* wnd = FromHandle(hWnd);
    if (!wnd) wnd = TakeCreatingObject(hWnd);
    if (!wnd) return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    return Dispatch(wnd, hWnd, msg, wParam, lParam);
}

}  // namespace fw
