#include "clientui/ScrollBarEx.h"

#include "clientui/ListRules.h"

#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"
#include "fw/MemoryDC.h"

namespace {

// Stretches the whole of bitmap over rc.
void Stretch(HDC dc, HBITMAP bitmap, const RECT& rc) {
    if (!bitmap || rc.right <= rc.left || rc.bottom <= rc.top) return;
    const SIZE size = fw::GetBitmapSize(bitmap);
    HDC source = ::CreateCompatibleDC(dc);
    const HGDIOBJ old = ::SelectObject(source, bitmap);
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, source, 0, 0, size.cx, size.cy, SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
}

}  // namespace

CScrollBarEx::CScrollBarEx(const std::wstring& skinFolder) : m_skin(skinFolder) {}

CScrollBarEx::~CScrollBarEx() {
    if (IsWindow()) DestroyWindow();
}

int CScrollBarEx::Attach(HWND host, int orientation) {
    if (!host || !::IsWindow(host) || (orientation != kHorizontal && orientation != kVertical)) return 0;
    m_host = host;
    m_orientation = orientation;
    if (!m_skin.IsLoaded()) m_skin.Load();
    ::SetWindowLongPtrW(host, GWL_STYLE, ::GetWindowLongPtrW(host, GWL_STYLE) | WS_CLIPSIBLINGS);
    // Over the strip of the host's window where the system bar lies.
    RECT rc = {};
    ::GetWindowRect(host, &rc);
    HWND parent = ::GetParent(host);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    if (orientation == kVertical)
        rc.left = rc.right - ::GetSystemMetrics(SM_CXVSCROLL);
    else
        rc.top = rc.bottom - ::GetSystemMetrics(SM_CYHSCROLL);
    if (!IsWindow() && !CreateEx(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, rc, parent, kControlId)) return 0;
    UpdateBar();
    return 1;
}

bool CScrollBarEx::ReadBar(SCROLLBARINFO& info) const {
    info = {};
    info.cbSize = sizeof info;
    return m_host && ::GetScrollBarInfo(m_host, m_orientation == kVertical ? OBJID_VSCROLL : OBJID_HSCROLL, &info);
}

void CScrollBarEx::UpdateBar() {
    if (m_updating || !IsWindow() || !m_host || !::IsWindow(m_host)) return;
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(m_updating);
    ::SetWindowPos(m_host, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SCROLLBARINFO info;
    const bool shown = ReadBar(info) && !(info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) &&
                       ::IsWindowVisible(m_host) && info.rcScrollBar.right > info.rcScrollBar.left &&
                       info.rcScrollBar.bottom > info.rcScrollBar.top;
    if (!shown) {
        // The host shows no such bar now: neither does the skin.
        if (IsWindowVisible()) ShowWindow(SW_HIDE);
        return;
    }
    RECT rc = info.rcScrollBar;
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&rc), 2);
    ::SetWindowPos(m_hWnd, HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Invalidate(false);
}

LRESULT CScrollBarEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return fw::CStatic::WindowProc(msg, wParam, lParam);
    }
}

void CScrollBarEx::Paint() {
    fw::CPaintDC paint(m_hWnd);
    SCROLLBARINFO info;
    if (!m_host || !ReadBar(info)) return;
    const RECT client = GetClientRect();
    const bool vertical = m_orientation == kVertical;
    const int width = vertical ? client.right : client.bottom;
    const int length = vertical ? client.bottom : client.right;
    fw::CMemoryDC memory(paint, client.right, client.bottom);
    if (!memory.IsValid()) return;
    const auto bitmap = [this](int index) { return static_cast<HBITMAP>(m_skin.m_bmpScroll[index].Get()); };
    const HBITMAP startCap = bitmap(vertical ? kVScrollSliderTop : kHScrollSliderLeft);
    const HBITMAP endCap = bitmap(vertical ? kVScrollSliderBottom : kHScrollSliderRight);
    const HBITMAP grip = bitmap(vertical ? kVScrollSliderCenter : kHScrollSliderCenter);
    const SIZE startSize = startCap ? fw::GetBitmapSize(startCap) : SIZE{0, 0};
    const SIZE endSize = endCap ? fw::GetBitmapSize(endCap) : SIZE{0, 0};
    const ScrollBarPieces pieces = LayoutScrollBar(
        vertical, width, length, ::GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL), info.xyThumbTop,
        info.xyThumbBottom, vertical ? startSize.cy : startSize.cx, vertical ? endSize.cy : endSize.cx,
        grip ? fw::GetBitmapSize(grip) : SIZE{0, 0});
    ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    Stretch(memory, bitmap(vertical ? kVScrollArrowUpOver : kHScrollArrowLeft), pieces.firstArrow);
    Stretch(memory, bitmap(vertical ? kVScrollArrowDown : kHScrollArrowRight), pieces.secondArrow);
    Stretch(memory, bitmap(vertical ? kVScrollTrough : kHScrollTrough), pieces.trough);
    if (pieces.thumb) {
        Stretch(memory, startCap, pieces.thumbStart);
        Stretch(memory, bitmap(vertical ? kVScrollSliderMiddle : kHScrollSliderMiddle), pieces.thumbMiddle);
        Stretch(memory, endCap, pieces.thumbEnd);
        Stretch(memory, grip, pieces.grip);
    }
    memory.CopyTo(paint);
}
