#include "clientui/PanelBase.h"

#include "clientui/PanelRegistry.h"

#include <windowsx.h>

namespace {

bool InRect(const RECT& rc, POINT pt) { return ::PtInRect(&rc, pt) != FALSE; }

// The bottom-right grip square of rc.
RECT GripRect(const RECT& rc) {
    return RECT{rc.right - kPanelGripSize, rc.bottom - kPanelGripSize, rc.right, rc.bottom};
}

}  // namespace

CPanelBase::CPanelBase(UINT templateId, HINSTANCE instance, std::wstring programFolder)
    : fw::CDialog(templateId, instance), m_skin(std::move(programFolder)) {}

CPanelBase::~CPanelBase() = default;

void CPanelBase::LayoutPanel(int*, const RECT&, RECT*) {}

LRESULT CPanelBase::HitTest(const RECT& client, POINT pt, int border, int captionHeight, bool resizable,
                            bool maximized) {
    RECT inner = client;
    ::InflateRect(&inner, -border, -border);
    if (InRect(inner, pt)) {
        if (!maximized) {
            if (!resizable) return HTCAPTION;
            return InRect(GripRect(client), pt) ? HTBOTTOMRIGHT : HTCAPTION;
        }
        if (pt.y < client.top + captionHeight) return HTCAPTION;
    }
    if (!resizable || maximized) return 0;

    const RECT& r = client;
    const int b = border;
    const RECT topLeft = {r.left, r.top, r.left + b, r.top + b};
    const RECT topEdge = {r.left + b, r.top, r.right - b, r.top + b};
    const RECT topRight = {r.right - b, r.top, r.right, r.top + b};
    const RECT leftEdge = {r.left, r.top + b, r.left + b, r.bottom - b};
    const RECT rightEdge = {r.right - b, r.top + b, r.right, r.bottom - b};
    const RECT bottomLeft = {r.left, r.bottom - b, r.left + b, r.bottom};
    const RECT bottomEdge = {r.left + b, r.bottom - b, r.right - b, r.bottom};
    if (InRect(topLeft, pt)) return HTTOPLEFT;
    if (InRect(topEdge, pt)) return HTTOP;
    if (InRect(topRight, pt)) return HTTOPRIGHT;
    if (InRect(leftEdge, pt)) return HTLEFT;
    if (InRect(rightEdge, pt)) return HTRIGHT;
    if (InRect(bottomLeft, pt)) return HTBOTTOMLEFT;
    if (InRect(bottomEdge, pt)) return HTBOTTOM;
    if (InRect(GripRect(client), pt)) return HTBOTTOMRIGHT;
    return 0;
}

BOOL CPanelBase::OnInitDialog() {
    if (m_bInitialized) return TRUE;
    fw::CDialog::OnInitDialog();
    if (m_bFrameSkin) m_skin.Load();
    BindCaptionButton(m_btnMin, IDC_PANEL_MINIMIZE, m_skin.m_btnMin);
    BindCaptionButton(m_btnMax, IDC_PANEL_MAXIMIZE, m_skin.m_btnMax);
    BindCaptionButton(m_btnClose, IDC_PANEL_CLOSE, m_skin.m_btnClose);
    m_bInitialized = 1;
    return TRUE;
}

void CPanelBase::BindCaptionButton(CSkinBtn& button, int id, const SkinButtonPaths& paths) {
    if (!button.GetHwnd()) {
        HWND control = GetDlgItem(id);
        if (!control || !button.Subclass(control)) return;
    }
    // The normal picture stands for the disabled state too.
    button.SetBitmaps(paths.normal, paths.hover, paths.pressed, paths.normal);
}

bool CPanelBase::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_NCLBUTTONDOWN && msg.wParam == HTCAPTION && m_hWnd && IsPanelMaximized()) return true;
    return fw::CDialog::PreTranslateMessage(msg);
}

LRESULT CPanelBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        return OnNcHitTest(lParam);
    case WM_NCLBUTTONDOWN:
        return OnNcLButtonDown(wParam, lParam);
    case WM_NCLBUTTONDBLCLK:
        return OnNcLButtonDblClk(wParam, lParam);
    case WM_SETCURSOR:
        return OnSetCursor(wParam, lParam);
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam, lParam);
    default:
        return fw::CDialog::WindowProc(msg, wParam, lParam);
    }
}

LRESULT CPanelBase::OnNcHitTest(LPARAM lParam) {
    RECT client = GetClientRect();
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const LRESULT hit = HitTest(client, pt, m_nBorderWidth, m_nCaptionHeight, m_bResizable != 0, IsPanelMaximized());
    return hit ? hit : Default();
}

LRESULT CPanelBase::OnNcLButtonDown(WPARAM hitCode, LPARAM lParam) {
    if (hitCode >= HTLEFT && hitCode <= HTBOTTOMRIGHT) {
        const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        SendMessage(WM_SYSCOMMAND, SC_SIZE + (hitCode - 9), MAKELPARAM(pt.x, pt.y));
        return 0;
    }
    return Default();
}

LRESULT CPanelBase::OnNcLButtonDblClk(WPARAM hitCode, LPARAM lParam) {
    if (m_bMaximizable) {
        const RECT window = GetWindowRect();
        const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT strip = {window.left, window.top, window.right, window.top + m_nCaptionHeight};
        if (InRect(strip, pt)) {
            PostMessage(WM_SYSCOMMAND, IsPanelMaximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
            return 0;
        }
    }
    // The surface is a caption only for dragging: the platform's own
    // double-click action on a caption (maximise when the style allows it)
    // would bypass the maximisable flag.
    if (hitCode == HTCAPTION) return 0;
    return Default();
}

LRESULT CPanelBase::OnSetCursor(WPARAM, LPARAM lParam) {
    const wchar_t* cursor = nullptr;
    switch (LOWORD(lParam)) {
    case HTLEFT:
    case HTRIGHT:
        cursor = IDC_SIZEWE;
        break;
    case HTTOP:
    case HTBOTTOM:
        cursor = IDC_SIZENS;
        break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        cursor = IDC_SIZENWSE;
        break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        cursor = IDC_SIZENESW;
        break;
    default:
        return Default();
    }
    ::SetCursor(::LoadCursorW(nullptr, cursor));
    return TRUE;
}

LRESULT CPanelBase::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        OnClose();
        return 0;
    }
    return Default();
}

bool CPanelBase::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_PANEL_MINIMIZE:
        OnMinimize();
        return true;
    case IDC_PANEL_MAXIMIZE:
        OnMaximize();
        return true;
    case IDC_PANEL_CLOSE:
        OnClose();
        return true;
    default:
        return fw::CDialog::OnCommand(wParam, lParam);
    }
}

void CPanelBase::OnMinimize() { ShowWindow(SW_MINIMIZE); }

void CPanelBase::OnMaximize() {
    if (IsPanelMaximized())
        ShowWindow(SW_RESTORE);
    else
        PostMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

bool CPanelBase::OnClose() {
    // The dialog's own cancel (a derived OnCancel may itself close the
    // panel through here).
    fw::CDialog::OnCancel();
    // Deletes this object when the registry holds it (after the current
    // handler has returned); a panel it does not hold only ends its dialog.
    CPanelRegistry::GetInstance()->RemovePanel(this);
    return true;
}

bool CPanelBase::OnEraseBkgnd(HDC, LRESULT* result) {
    *result = TRUE;
    return true;
}

bool CPanelBase::OnSize(UINT type, int, int) {
    Default();
    if (type != SIZE_MINIMIZED) {
        // The rounded region needs one pixel more than the window on the
        // right and at the bottom to cover it.
        const RECT window = GetWindowRect();
        const int width = window.right - window.left;
        const int height = window.bottom - window.top;
        ::SetWindowRgn(m_hWnd, ::CreateRoundRectRgn(0, 0, width + 1, height + 1, 3, 3), TRUE);
    }
    Invalidate(true);
    return true;
}

void RelayoutPanel(CPanelBase* panel, int* part) {
    if (!panel || !panel->IsWindow()) return;
    const RECT client = panel->GetClientRect();
    RECT rect = {0, 0, 0, 0};
    panel->LayoutPanel(part, client, &rect);
    panel->InvalidateRect(rect, true);
}

void CPanelBase::PlaceOverOwner(int width, int height) {
    SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT over = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER)) ::GetWindowRect(owner, &over);
    SetWindowPos(nullptr, (over.left + over.right - width) / 2, (over.top + over.bottom - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPanelBase::FitMaximizedToWorkArea(MINMAXINFO* info, SIZE minTrack) {
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    info->ptMaxPosition = {work.left, work.top};
    info->ptMaxSize = {work.right - work.left, work.bottom - work.top};
    if (minTrack.cx || minTrack.cy) info->ptMinTrackSize = {minTrack.cx, minTrack.cy};
}
