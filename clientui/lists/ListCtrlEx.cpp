#include "clientui/ListCtrlEx.h"

#include <commctrl.h>

#include <vector>

CListCtrlEx::CListCtrlEx() : m_colours(DefaultListColours()) {
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(9, screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96, 72);
    if (screen) ::ReleaseDC(nullptr, screen);
    m_font.Reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"\u5B8B\u4F53"));  // SimSun
}

CListCtrlEx::~CListCtrlEx() = default;

bool CListCtrlEx::Create(HWND parent, const RECT& rect, UINT id, int rowHeight, DWORD style) {
    m_rowHeight = rowHeight;
    if (!CreateEx(0, WC_LISTVIEWW, L"", style | LVS_REPORT | LVS_OWNERDRAWFIXED, rect, parent, id)) return false;
    SetFont(m_font.Get(), false);
    // The rows are as high as the small images: an image list of empty
    // images one pixel wide gives them their height.
    if (rowHeight > 0 && m_rowSpacer.Create(1, rowHeight, ILC_COLOR24, 1, 1)) {
        SetImageList(m_rowSpacer.Get(), LVSIL_SMALL);
    }
    SendMessage(LVM_SETBKCOLOR, 0, m_colours.background);
    return true;
}

void CListCtrlEx::SetColour(Colour which, COLORREF colour) {
    COLORREF* slots[] = {&m_colours.text,        &m_colours.background,         &m_colours.selectedText,
                         &m_colours.selectedBackground, &m_colours.infoText, &m_colours.unfocusedSelection,
                         &m_colours.oddRow,      &m_colours.evenRow};
    if (which < kText || which > kEvenRow) return;
    *slots[which] = colour;
    if (which == kBackground && m_hWnd) SendMessage(LVM_SETBKCOLOR, 0, colour);
    if (m_hWnd) Invalidate(false);
}

COLORREF CListCtrlEx::GetColour(Colour which) const {
    const COLORREF slots[] = {m_colours.text,   m_colours.background,         m_colours.selectedText,
                              m_colours.selectedBackground, m_colours.infoText, m_colours.unfocusedSelection,
                              m_colours.oddRow, m_colours.evenRow};
    return which >= kText && which <= kEvenRow ? slots[which] : CLR_INVALID;
}

LRESULT CListCtrlEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Focus changes repaint the selected row in its other colours.
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
        const LRESULT result = fw::CListCtrl::WindowProc(msg, wParam, lParam);
        Invalidate(false);
        return result;
    }
    return fw::CListCtrl::WindowProc(msg, wParam, lParam);
}

bool CListCtrlEx::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure && measure->CtlType == ODT_LISTVIEW && m_rowHeight > 0) {
            measure->itemHeight = static_cast<UINT>(m_rowHeight);
            *result = TRUE;
            return true;
        }
        return false;
    }
    if (msg != WM_DRAWITEM) return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!item || item->CtlType != ODT_LISTVIEW || item->hwndItem != m_hWnd) return false;
    DrawRow(*item);
    *result = TRUE;
    return true;
}

void CListCtrlEx::DrawRow(const DRAWITEMSTRUCT& draw) {
    const int row = static_cast<int>(draw.itemID);
    HDC dc = draw.hDC;
    const UINT state = static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                                      LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK));
    const bool selected = (state & LVIS_SELECTED) != 0;
    const bool focusedItem = (state & LVIS_FOCUSED) != 0;
    const bool hasFocus = ::GetFocus() == m_hWnd;
    const bool showAlways = (GetStyle() & LVS_SHOWSELALWAYS) != 0;
    const RowLook look = ListRowLook(m_colours, row, selected, focusedItem, hasFocus, showAlways);

    RECT rowRect = draw.rcItem;
    fw::CBrush background(::CreateSolidBrush(look.background));
    ::FillRect(dc, &rowRect, background.Get());
    if (look.outline) {
        fw::CBrush frame(::CreateSolidBrush(m_colours.selectedBackground));
        ::FrameRect(dc, &rowRect, frame.Get());
    }
    const int saved = ::SaveDC(dc);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, look.text);
    ::SelectObject(dc, m_font.Get());

    // The state image (a check box) and the small icon, when the row has them.
    LVITEMW info = {};
    info.mask = LVIF_IMAGE;
    info.iItem = row;
    SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
    bool hasIcon = false;
    if (HIMAGELIST states = reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, LVSIL_STATE))) {
        const int image = static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12) - 1;
        if (image >= 0) ::ImageList_Draw(states, image, dc, rowRect.left, rowRect.top, ILD_TRANSPARENT);
    }
    HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, LVSIL_SMALL));
    if (icons && icons != m_rowSpacer.Get() && info.iImage >= 0) {
        RECT iconRect = {LVIR_ICON, 0, 0, 0};
        SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&iconRect));
        ::ImageList_DrawEx(icons, info.iImage, dc, iconRect.left + 1, iconRect.top + 1, 16, 16, CLR_NONE, CLR_NONE,
                           ILD_TRANSPARENT);
        hasIcon = true;
    }

    // Every column's text.
    HWND header = GetHeader();
    const int columns = header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    for (int column = 0; column < columns; ++column) {
        RECT cell = {};
        cell.top = column;
        cell.left = LVIR_LABEL;
        if (!SendMessage(LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) continue;
        LVCOLUMNW format = {};
        format.mask = LVCF_FMT;
        SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&format));
        UINT flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
        const int align = format.fmt & LVCFMT_JUSTIFYMASK;
        flags |= align == LVCFMT_RIGHT ? DT_RIGHT : (align == LVCFMT_CENTER ? DT_CENTER : DT_LEFT);
        cell.right -= 6;
        if (column > 0 || hasIcon) cell.left += 6;
        const std::wstring text = GetItemText(row, column);
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell, flags);
    }
    ::RestoreDC(dc, saved);
    if (selected && hasFocus) ::DrawFocusRect(dc, &rowRect);
}
