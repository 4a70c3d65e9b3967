// CWindow: a thin, non-owning wrapper around a window handle, and the base of
// every window class of the framework.
//
// A CWindow constructed from a handle only wraps it. A window that the object
// creates (Create) or subclasses (Subclass) is entered in the handle map: its
// messages then reach the object's virtual WindowProc, whose one switch calls
// the named handlers below. "Default processing" (Default, DefWindowProc) goes
// to the original window procedure of a subclassed control, or to the
// platform's default procedure for a created window.
//
// Notifications that a child control sends to its parent (WM_COMMAND with a
// control handle, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*) are
// first reflected to the child's object, when it has one, through
// OnReflectedMessage. When the child consumes the message (returns TRUE) its
// result is the answer; otherwise the parent's own handler sees it as usual.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fw {

// A message of the framework's windows with the parameters of WM_PRINTCLIENT
// (wParam the DC, lParam PRF_ flags): the window draws its client area into
// the DC as it paints it on the screen. A message of its own rather than
// WM_PRINTCLIENT itself, which the system's themed controls send to their
// parents whenever they paint: a panel's paint handler may ask its children
// to paint again, and answering them would never end.
UINT PrintClientMessage();

class CWindow {
public:
    CWindow() = default;
    explicit CWindow(HWND hWnd) : m_hWnd(hWnd) {}
    virtual ~CWindow();

    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND GetHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Wraps a handle without taking its messages. Returns the old handle.
    HWND Attach(HWND hWnd);
    HWND Detach();

    // The object that receives the messages of hWnd, or null.
    static CWindow* FromHandle(HWND hWnd);

    // Creates a window of the given class (empty: the framework's own class)
    // whose messages go to this object.
    HWND CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                  const RECT& rect, HWND parent, UINT id);

    // Routes the messages of an existing window (typically a dialog control)
    // to this object; the original procedure stays the default processing.
    bool Subclass(HWND hWnd);
    bool SubclassDlgItem(UINT id, HWND parent) { return Subclass(::GetDlgItem(parent, id)); }
    // Gives the window its original procedure back and forgets it.
    HWND Unsubclass();
    // Called after Subclass has routed a window's messages to this object
    // (also for a window of another class made by CreateEx): a control that
    // paints itself adjusts its style here. The default does nothing.
    virtual void OnSubclassed() {}

    // Destroys the window (when there is one) and deletes this object, which
    // must have been created with new. When called while the object is still
    // inside one of its own handlers, the deletion waits until the outermost
    // of them has returned. It also waits for the handlers that the objects
    // of its child windows are inside at that moment (such a child object may
    // be a member of this one, e.g. the button whose click closes a panel).
    void Delete();

    // Called before a message is translated and dispatched, for the window
    // the message is for and then for each parent up to the top-level window.
    // Return true to swallow the message.
    virtual bool PreTranslateMessage(MSG& msg) { return false; }

    // Thin wrappers.
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    bool ShowWindow(int cmd) { m_lastShowCmd = cmd; return ::ShowWindow(m_hWnd, cmd) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool EnableWindow(bool enable) { return ::EnableWindow(m_hWnd, enable) != FALSE; }
    bool DestroyWindow();
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }
    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, msg, wParam, lParam) != FALSE;
    }
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    bool MoveWindow(const RECT& rc, bool repaint = true) {
        return ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, repaint) != FALSE;
    }
    bool SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags) != FALSE;
    }
    void Invalidate(bool erase = true) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT& rc, bool erase = true) { ::InvalidateRect(m_hWnd, &rc, erase); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    void ModifyStyle(DWORD remove, DWORD add);
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, bool redraw = true) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }

    // Timers of this window; WM_TIMER calls OnTimer.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }
    bool KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id) != FALSE; }

    // The last ShowWindow command given through this wrapper (-1: none).
    int GetLastShowCommand() const { return m_lastShowCmd; }

protected:
    // The one switch of this class: calls the named handlers below and falls
    // back to DefWindowProc. A derived class overrides it with its own switch
    // for its own messages and passes the rest to its base class.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // Default processing of a message: the original procedure.
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Default processing of the message currently being handled.
    LRESULT Default();

    // Named handlers. Each returns whether it handled the message; an
    // unhandled message gets default processing.
    virtual bool OnCreate(CREATESTRUCTW* cs, LRESULT* result) { return false; }
    virtual void OnDestroy() {}
    virtual bool OnClose() { return false; }
    // A command from a menu, an accelerator or a control (lParam its handle).
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam) { return false; }
    virtual bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) { return false; }
    virtual bool OnTimer(UINT_PTR id) { return false; }
    virtual bool OnPaint() { return false; }
    // PrintClientMessage(): draws the client area into dc as it is painted
    // on the screen (flags PRF_CLIENT; PRF_ERASEBKGND erases it first
    // through WM_ERASEBKGND). The default runs OnPaint with its CPaintDC standing for
    // dc; when that handler does not paint through CPaintDC, the default
    // processing paints instead.
    virtual bool OnPrintClient(HDC dc, UINT flags);
    virtual bool OnEraseBkgnd(HDC dc, LRESULT* result) { return false; }
    virtual bool OnSize(UINT type, int cx, int cy) { return false; }
    virtual bool OnDrawItem(UINT id, DRAWITEMSTRUCT* dis) { return false; }
    virtual bool OnMeasureItem(UINT id, MEASUREITEMSTRUCT* mis) { return false; }
    // WM_CTLCOLOR* for a child: return a brush, or null for default processing.
    virtual HBRUSH OnCtlColor(UINT msg, HDC dc, HWND child) { return nullptr; }
    // A notification this control sent to its parent, reflected back to it.
    // msg is the parent's message (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, ...).
    // Return true to consume it with *result as the parent's answer.
    virtual bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) { return false; }

    // Offers a child notification to the child's object (see above).
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Maps hWnd to this object and makes it the object's window.
    void AttachToMap(HWND hWnd);
    void RemoveFromMap();
    bool IsInHandler() const { return m_handlerDepth > 0; }

    static LRESULT CALLBACK StaticWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The object whose window is being created on this thread, taken by the
    // first message of the new window.
    static void SetCreatingObject(CWindow* wnd);
    static CWindow* TakeCreatingObject(HWND hWnd);

    // Runs one message through this object with the deferred-deletion guard.
    static LRESULT Dispatch(CWindow* wnd, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_prevProc = nullptr;  // original procedure of a subclassed window

private:
    friend class CHandlerScope;
    friend class CDialog;
    bool m_mapped = false;
    bool m_created = false;   // the window was created by this object
    bool m_deletePending = false;
    // Deletions waiting for this object's outermost handler to return, and
    // how many child objects this object's own pending deletion waits for.
    std::vector<CWindow*> m_waitingDeletes;
    int m_deleteBlockers = 0;
    // EnumChildWindows callback of Delete: a child object inside a handler
    // holds the deletion of the object in param.
    static BOOL CALLBACK WaitForBusyChild(HWND child, LPARAM param);
    int m_handlerDepth = 0;
    int m_lastShowCmd = -1;
    const MSG* m_currentMsg = nullptr;
};

// Counts an object as inside its own handler while the scope lives, and
// carries out a deferred deletion when the outermost scope ends.
class CHandlerScope {
public:
    explicit CHandlerScope(CWindow* wnd) : m_wnd(wnd) { if (m_wnd) ++m_wnd->m_handlerDepth; }
    ~CHandlerScope();
    CHandlerScope(const CHandlerScope&) = delete;
    CHandlerScope& operator=(const CHandlerScope&) = delete;

private:
    CWindow* m_wnd;
};

}  // namespace fw
