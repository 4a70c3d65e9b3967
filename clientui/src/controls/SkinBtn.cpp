#include "clientui/SkinBtn.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"

namespace {

const COLORREF kTransparentKey = RGB(255, 0, 255);

// 9-point "Arial" for the screen's resolution.
HFONT MakeCaptionFont() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    LOGFONTW lf = {};
    lf.lfHeight = -::MulDiv(90, dpi, 720);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
    return ::CreateFontIndirectW(&lf);
}

}  // namespace

CSkinBtn::CSkinBtn() { m_font.Reset(MakeCaptionFont()); }

CSkinBtn::~CSkinBtn() {
    DropBackground();
    // The font and the pictures go with their owners.
}

void CSkinBtn::SetBitmaps(const std::wstring& normal, const std::wstring& hover, const std::wstring& pressed,
                          const std::wstring& disabled) {
    m_imgNormal.Load(normal);
    m_imgHover.Load(hover);
    m_imgPressed.Load(pressed);
    m_imgDisabled.Load(disabled);
}

void CSkinBtn::SetIconImages(const std::wstring& icon, const std::wstring& hoverIcon) {
    m_imgIcon.Load(icon);
    m_imgHoverIcon.Load(hoverIcon);
}

void CSkinBtn::SetIconRect(int left, int top, int right, int bottom) { m_rcIcon = RECT{left, top, right, bottom}; }

void CSkinBtn::SetTextPos(int x, int y) {
    m_ptText = POINT{x, y};
    Paint();
}

void CSkinBtn::SetTextColors(COLORREF normal, COLORREF hover, COLORREF iconKey) {
    m_crNormalText = normal;
    m_crHoverText = hover;
    m_crIconKey = iconKey;
    Paint();
}

RECT CSkinBtn::GetRectInParent() const {
    RECT rc = GetWindowRect();
    HWND parent = GetParent();
    if (parent) {
        RECT parentRect = {};
        ::GetWindowRect(parent, &parentRect);
        ::OffsetRect(&rc, -parentRect.left, -parentRect.top);
    }
    return rc;
}

void CSkinBtn::OnSubclassed() {
    ModifyStyle(0, BS_OWNERDRAW);
    Invalidate(true);
}

LRESULT CSkinBtn::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE:
        return OnMouseMove(wParam, lParam);
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    case WM_ENABLE:
        return OnEnable(wParam, lParam);
    case WM_WINDOWPOSCHANGED:
        return OnWindowPosChanged(wParam, lParam);
    default:
        return fw::CButton::WindowProc(msg, wParam, lParam);
    }
}

bool CSkinBtn::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg != WM_DRAWITEM) return false;
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!dis || dis->CtlType != ODT_BUTTON) return false;
    DrawItem(*dis);
    *result = TRUE;
    return true;
}

void CSkinBtn::DrawItem(const DRAWITEMSTRUCT& dis) {
    m_nState = kNormal;
    if ((dis.itemState & ODS_FOCUS) && (dis.itemState & ODS_SELECTED))
        m_nState = kPressed;
    else if (m_bHover)
        m_nState = kHover;  // hovered, with or without the focus
    if (dis.itemState & ODS_DISABLED) {
        m_nState = kDisabled;
        m_bEnabled = 0;
    }
    Compose(dis.hDC);
}

void CSkinBtn::Paint() {
    if (!IsWindow()) return;
    fw::CClientDC dc(m_hWnd);
    if (dc.Get()) Compose(dc);
}

void CSkinBtn::Compose(HDC target) {
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0 || !target) return;
    fw::CMemoryDC mem(target, width, height);
    if (!mem.IsValid()) return;

    // Until the parent's background has been saved, what the target shows
    // now stands in for it.
    ::BitBlt(mem, 0, 0, width, height, m_dcBack ? m_dcBack : target, 0, 0, SRCCOPY);

    fw::CSelectObject font(mem, m_font.Get());
    ::SetBkMode(mem, TRANSPARENT);
    const std::wstring text = GetWindowText();

    const CSkinPicture* picture = &m_imgNormal;
    if (m_nState == kHover) picture = &m_imgHover;
    else if (m_nState == kPressed) picture = &m_imgPressed;
    else if (m_nState == kDisabled) picture = &m_imgDisabled;
    picture->DrawTransparent(mem, 0, 0, kTransparentKey);

    const CSkinPicture& icon = m_nState == kHover ? m_imgHoverIcon : m_imgIcon;
    if (!icon.IsNull()) {
        const int shift = m_nState == kPressed ? 1 : 0;
        RECT iconRect = m_rcIcon;
        ::OffsetRect(&iconRect, shift, shift);
        icon.DrawTransparent(mem, iconRect, m_crIconKey);
        const bool hoverColour = m_nState == kHover || m_nState == kPressed;
        ::SetTextColor(mem, hoverColour ? m_crHoverText : m_crNormalText);
        ::TextOutW(mem, m_ptText.x + shift, m_ptText.y + shift, text.c_str(), static_cast<int>(text.size()));
    }
    mem.CopyTo(target);
}

bool CSkinBtn::CursorInWindow() const {
    POINT cursor = {};
    if (!::GetCursorPos(&cursor)) return false;
    const RECT rc = GetWindowRect();
    return ::PtInRect(&rc, cursor) != FALSE;
}

void CSkinBtn::EndHover() {
    KillTimer(kHoverTimerId);
    m_bHover = 0;
    m_nState = kNormal;
    Paint();
}

LRESULT CSkinBtn::OnMouseMove(WPARAM, LPARAM) {
    if (!m_bHover && m_bEnabled) {
        m_bHover = 1;
        m_nState = kHover;
        const bool inside = CursorInWindow();
        if (inside) Paint();
        SetTimer(kHoverTimerId, kHoverTimerMs);
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
        ::TrackMouseEvent(&track);
        if (!inside) return 0;
    }
    return Default();
}

bool CSkinBtn::OnTimer(UINT_PTR) {
    if (m_bHover && m_bEnabled && !CursorInWindow()) EndHover();
    return false;  // then the default handling
}

LRESULT CSkinBtn::OnMouseLeave() {
    // The cursor may still lie on the window while the button holds the
    // capture; then the timer ends the hover once it really leaves.
    if (m_bHover && m_bEnabled && !CursorInWindow()) EndHover();
    return 0;
}

LRESULT CSkinBtn::OnEnable(WPARAM wParam, LPARAM) {
    const LRESULT result = Default();
    m_bEnabled = wParam ? 1 : 0;
    return result;
}

RECT CSkinBtn::GetRectInParentClient() const {
    RECT rc = GetWindowRect();
    if (HWND parent = GetParent()) ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void CSkinBtn::DropBackground() {
    if (m_dcBack) {
        if (m_oldBack) ::SelectObject(m_dcBack, m_oldBack);
        ::DeleteDC(m_dcBack);
    }
    m_dcBack = nullptr;
    m_oldBack = nullptr;
    m_bmpBack.Reset(nullptr);
    m_bBackSaved = 0;
}

void CSkinBtn::SaveBackground(HDC dc) {
    DropBackground();
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    m_dcBack = ::CreateCompatibleDC(dc);
    if (!m_dcBack) return;
    m_bmpBack.Reset(::CreateCompatibleBitmap(dc, width > 0 ? width : 1, height > 0 ? height : 1));
    m_oldBack = ::SelectObject(m_dcBack, m_bmpBack.Get());
    // What the screen shows under the button: the parent's background when
    // the parent paints under its children.
    ::BitBlt(m_dcBack, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    m_rcSaved = GetRectInParentClient();
    HWND parent = GetParent();
    if (parent && (::GetWindowLongPtrW(parent, GWL_STYLE) & WS_CLIPCHILDREN)) {
        // A parent that clips its children leaves nothing of itself under
        // the button: it is asked to draw its client area into the copy,
        // shifted so that the button's part lands in it. A parent that does
        // not answer leaves the screen's copy as it was.
        POINT old = {};
        ::SetViewportOrgEx(m_dcBack, -m_rcSaved.left, -m_rcSaved.top, &old);
        ::SendMessageW(parent, fw::PrintClientMessage(), reinterpret_cast<WPARAM>(m_dcBack), PRF_CLIENT | PRF_ERASEBKGND);
        ::SetViewportOrgEx(m_dcBack, old.x, old.y, nullptr);
    }
    m_bBackSaved = 1;
    ::SetWindowRgn(m_hWnd, ::CreateRectRgn(0, 0, width, height), FALSE);
}

LRESULT CSkinBtn::OnWindowPosChanged(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Default();
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (m_bBackSaved && pos && (pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        const RECT now = GetRectInParentClient();
        if (!::EqualRect(&now, &m_rcSaved)) {
            // Another part of the parent lies under the button now: the copy
            // is taken again at the next erase. A parent that paints under
            // its children paints that part first (parents are painted
            // before their children), so the screen shows it again rather
            // than the button's own moved picture.
            DropBackground();
            HWND parent = GetParent();
            if (parent && !(::GetWindowLongPtrW(parent, GWL_STYLE) & WS_CLIPCHILDREN))
                ::RedrawWindow(parent, &now, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
            Invalidate(true);
        }
    }
    return result;
}

bool CSkinBtn::OnEraseBkgnd(HDC dc, LRESULT* result) {
    if (!m_bBackSaved && dc) SaveBackground(dc);
    *result = 1;
    return true;
}
