#include "clientui/EditWithButton.h"

#include "clientui/IMResourceComm.h"
#include "fw/MemoryDC.h"

namespace {

// Draws bitmap at its own size at (x, y).
void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y) {
    if (!bitmap) return;
    BITMAP info = {};
    if (!::GetObjectW(bitmap, sizeof(info), &info)) return;
    HDC source = ::CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = ::SelectObject(source, bitmap);
    ::BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
}

// Tiles bitmap over [left, right) x [top, bottom).
void TileBitmap(HDC dc, HBITMAP bitmap, int left, int top, int right, int bottom) {
    if (!bitmap) return;
    BITMAP info = {};
    if (!::GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
    HDC source = ::CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = ::SelectObject(source, bitmap);
    for (int y = top; y < bottom; y += info.bmHeight) {
        for (int x = left; x < right; x += info.bmWidth) {
            const int w = (right - x < info.bmWidth) ? right - x : info.bmWidth;
            const int h = (bottom - y < info.bmHeight) ? bottom - y : info.bmHeight;
            ::BitBlt(dc, x, y, w, h, source, 0, 0, SRCCOPY);
        }
    }
    ::SelectObject(source, old);
    ::DeleteDC(source);
}

bool IsEmptyRect(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }

constexpr COLORREF kCueColour = 0x999999;

}  // namespace

BOOL CEditWithButton::SetBitmaps(const std::wstring& leftCap, const std::wstring& rightCap,
                                 const std::wstring& middle, const std::wstring& searchButton,
                                 const std::wstring& clearButton) {
    CIMResourceComm::LoadBitmapFile(leftCap, m_bmpLeft);
    CIMResourceComm::LoadBitmapFile(rightCap, m_bmpRight);
    CIMResourceComm::LoadBitmapFile(middle, m_bmpMiddle);
    CIMResourceComm::LoadBitmapFile(searchButton, m_bmpSearch);
    CIMResourceComm::LoadBitmapFile(clearButton, m_bmpClear);
    if (IsWindow()) Invalidate();
    return TRUE;
}

void CEditWithButton::SetOneButton(const RECT& rc, int clickMessage) {
    constexpr int kMarkAt = 5;
    m_bOneButton = 1;
    m_rcClearButton = rc;
    // The search picture stays a mark: an empty rectangle at its place.
    m_rcSearchButton = RECT{kMarkAt, kMarkAt, kMarkAt, kMarkAt};
    m_nClickMessage = clickMessage;
    if (IsWindow()) Invalidate();
}

void CEditWithButton::SetEditRect(int left, int top, int right, int bottom) {
    m_rcEdit = RECT{left, top, right, bottom};
    UpdateEditRect();
}

void CEditWithButton::UpdateEditRect() {
    if (!IsWindow() || IsEmptyRect(m_rcEdit)) return;
    SetWindowPos(nullptr, 0, 0, m_nWidth, m_nHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyFormatRect();
}

void CEditWithButton::ApplyFormatRect() {
    // Some one-line edits ignore EM_SETRECT: the margins keep the text
    // clear of the caps and the buttons there. They go first, because
    // setting margins makes other edits recompute their rectangle from
    // the client area, which would undo the rectangle's top.
    const RECT client = GetClientRect();
    const int left = m_rcEdit.left > 0 ? m_rcEdit.left : 0;
    const int right = client.right > m_rcEdit.right ? client.right - m_rcEdit.right : 0;
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
    RECT rc = m_rcEdit;
    SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rc));
}

bool CEditWithButton::HasText() const { return IsWindow() && ::GetWindowTextLengthW(GetHwnd()) > 0; }

void CEditWithButton::UpdateTextState() {
    const int hasText = HasText() ? 1 : 0;
    if (hasText != m_bHasText) {
        m_bHasText = hasText;
        Invalidate();
    }
}

void CEditWithButton::OnSubclassed() { UpdateEditRect(); }

HWND CEditWithButton::NotifyTarget() const {
    HWND owner = ::GetWindow(GetHwnd(), GW_OWNER);
    return owner ? owner : GetParent();
}

void CEditWithButton::PaintBackground(HDC dc) {
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    DrawBitmapAt(dc, m_bmpLeft.Get(), 0, 0);
    TileBitmap(dc, m_bmpMiddle.Get(), kCapWidth, 0, width - kCapWidth, kMiddleHeight);
    DrawBitmapAt(dc, m_bmpRight.Get(), width - kCapWidth, 0);
    DrawBitmapAt(dc, m_bmpSearch.Get(), m_rcSearchButton.left, m_rcSearchButton.top);
    if (HasText()) {
        m_bHasText = 1;
        DrawBitmapAt(dc, m_bmpClear.Get(), m_rcClearButton.left, m_rcClearButton.top);
    } else {
        m_bHasText = 0;
    }
}

bool CEditWithButton::OnEraseBkgnd(HDC dc, LRESULT* result) {
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width > 0 && height > 0) {
        fw::CMemoryDC memory(dc, width, height);
        if (memory.IsValid()) {
            // The text area between the pieces stays the edit's own white.
            ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            PaintBackground(memory);
            memory.CopyTo(dc);
        }
    }
    *result = 1;
    return true;
}

void CEditWithButton::PaintPieces() {
    if (!IsWindow() || IsEmptyRect(m_rcEdit)) return;
    HDC dc = ::GetDC(GetHwnd());
    if (!dc) return;
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width > 0 && height > 0) {
        fw::CMemoryDC memory(dc, width, height);
        if (memory.IsValid()) {
            ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            PaintBackground(memory);
            ::ExcludeClipRect(dc, m_rcEdit.left, m_rcEdit.top, m_rcEdit.right, m_rcEdit.bottom);
            memory.CopyTo(dc);
        }
    }
    ::ReleaseDC(GetHwnd(), dc);
}

void CEditWithButton::SetCueText(const std::wstring& cue) {
    m_strCue = cue;
    if (IsWindow()) Invalidate();
}

void CEditWithButton::PaintCue() {
    if (m_strCue.empty() || !IsWindow() || IsEmptyRect(m_rcEdit) || HasText() || ::GetFocus() == GetHwnd()) return;
    HDC dc = ::GetDC(GetHwnd());
    if (!dc) return;
    RECT rc = m_rcEdit;
    const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, kCueColour);
    ::DrawTextW(dc, m_strCue.c_str(), static_cast<int>(m_strCue.size()), &rc,
                DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(GetHwnd(), dc);
}

void CEditWithButton::OnLButtonUp(POINT point) {
    if (HasText() || m_bAlwaysNotify) {
        HWND target = NotifyTarget();
        if (m_bOneButton) {
            if (::PtInRect(&m_rcClearButton, point))
                ::SendMessageW(target, static_cast<UINT>(m_nClickMessage), 0, 0);
        } else if (::PtInRect(&m_rcClearButton, point)) {
            ::SendMessageW(target, WM_EDITBTN_CLEAR, 0, 0);
        } else if (::PtInRect(&m_rcSearchButton, point)) {
            ::SendMessageW(target, WM_EDITBTN_SEARCH, 0, 0);
        }
    }
}

bool CEditWithButton::OnSetCursor(POINT point) {
    if (::PtInRect(&m_rcEdit, point)) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return true;
}

std::wstring CEditWithButton::OneLine(const std::wstring& text) {
    std::wstring line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        line += (c == L'\r' || c == L'\n' || c == L'\t') ? L' ' : c;
    }
    return line;
}

bool CEditWithButton::IsMultiLine() const {
    return IsWindow() && (::GetWindowLongPtrW(GetHwnd(), GWL_STYLE) & ES_MULTILINE) != 0;
}

void CEditWithButton::PasteOneLine() {
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !::OpenClipboard(GetHwnd())) return;
    std::wstring text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            // The clipboard's block may be larger than its text.
            text.assign(chars, ::wcsnlen(chars, ::GlobalSize(data) / sizeof(wchar_t)));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    const std::wstring line = OneLine(text);
    SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line.c_str()));
}

LRESULT CEditWithButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE:
        // A multi-line edit asks for every key; this one leaves Enter, Tab
        // and Esc to the dialog, like a one-line edit.
        if (IsMultiLine())
            return DefWindowProc(msg, wParam, lParam) & ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB);
        break;
    case WM_CHAR:
        if (IsMultiLine() && (wParam == L'\r' || wParam == L'\n' || wParam == L'\t')) return 0;
        break;
    case WM_PASTE:
        if (IsMultiLine()) {
            PasteOneLine();
            return 0;
        }
        break;
    case WM_CREATE: {
        const LRESULT result = DefWindowProc(msg, wParam, lParam);
        if (result == -1) return -1;
        UpdateEditRect();
        return result;
    }
    case WM_SETFONT:
        DefWindowProc(msg, wParam, lParam);
        UpdateEditRect();
        return 0;
    case WM_SIZE: {
        const LRESULT result = DefWindowProc(msg, wParam, lParam);
        // The formatting rectangle only; the size was just given.
        if (!IsEmptyRect(m_rcEdit)) ApplyFormatRect();
        return result;
    }
    case WM_PAINT: {
        // The edit paints its text (and, on some systems, its whole client
        // area): the pieces outside the text rectangle go on top afterwards.
        const LRESULT result = DefWindowProc(msg, wParam, lParam);
        PaintPieces();
        PaintCue();
        return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The cue text shows only while the box does not have the focus.
        if (!m_strCue.empty()) Invalidate();
        break;
    case WM_LBUTTONUP: {
        const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        // The handler may end up destroying the box (the owner empties it,
        // searches, ...): look at the button before the default handling.
        OnLButtonUp(point);
        if (!IsWindow()) return 0;
        return DefWindowProc(msg, wParam, lParam);
    }
    case WM_SETCURSOR: {
        if (reinterpret_cast<HWND>(wParam) == GetHwnd() && LOWORD(lParam) == HTCLIENT) {
            POINT point = {};
            ::GetCursorPos(&point);
            ::ScreenToClient(GetHwnd(), &point);
            if (OnSetCursor(point)) return TRUE;
        }
        break;
    }
    default:
        break;
    }
    return fw::CEdit::WindowProc(msg, wParam, lParam);
}
