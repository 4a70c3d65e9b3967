#include "clientui/SortHeaderCtrl.h"

#include "clientui/ListRules.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"

#include <commctrl.h>

namespace {

constexpr COLORREF kDividerShadow = 0xB2C5C7;

}  // namespace

CSortHeaderCtrl::CSortHeaderCtrl() {
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(9, screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96, 72);
    if (screen) ::ReleaseDC(nullptr, screen);
    m_font.Reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
    m_marks.Reset(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kHeaderBitmap)));
}

CSortHeaderCtrl::~CSortHeaderCtrl() = default;

void CSortHeaderCtrl::SetSortArrow(int column, bool ascending) {
    m_nSortCol = column;
    m_bSortAsc = ascending ? 1 : 0;
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (m_hWnd && GetItem(column, &item)) {
        item.fmt |= HDF_OWNERDRAW;
        SetItem(column, item);
    }
    if (m_hWnd) Invalidate(true);
}

std::vector<uint8_t> CSortHeaderCtrl::SaveWidths() const {
    std::vector<int> widths;
    for (int i = 0; i < GetItemCount(); ++i) {
        const RECT rc = GetItemRect(i);
        widths.push_back(rc.right - rc.left);
    }
    return SaveHeaderWidths(widths);
}

bool CSortHeaderCtrl::LoadWidths(const std::vector<uint8_t>& bytes) {
    std::vector<int> widths;
    if (!LoadHeaderWidths(bytes, GetItemCount(), widths)) return false;
    for (size_t i = 0; i < widths.size(); ++i) {
        HDITEMW item = {};
        item.mask = HDI_WIDTH;
        item.cxy = widths[i];
        SetItem(static_cast<int>(i), item);
    }
    return true;
}

LRESULT CSortHeaderCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
#ifndef QV_LISTS_MESSENGER
    // The desk's header paints every column itself.
    if (msg == WM_PAINT) {
        PaintAll();
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
#endif
    return fw::CHeaderCtrl::WindowProc(msg, wParam, lParam);
}

bool CSortHeaderCtrl::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_DRAWITEM) return false;
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (!item || item->CtlType != ODT_HEADER) return false;
    DrawColumn(item->hDC, static_cast<int>(item->itemID), item->rcItem, (item->itemState & ODS_SELECTED) != 0);
    *result = TRUE;
    return true;
}

void CSortHeaderCtrl::PaintAll() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::CMemoryDC memory(paint, client.right, client.bottom);
    if (!memory.IsValid()) return;
    ::FillRect(memory, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    for (int i = 0; i < GetItemCount(); ++i) DrawColumn(memory, i, GetItemRect(i), false);
    memory.CopyTo(paint);
}

void CSortHeaderCtrl::DrawColumn(HDC dc, int column, const RECT& cell, bool pressed) {
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
    ::FillRect(dc, &cell, ::GetSysColorBrush(COLOR_BTNFACE));

    wchar_t text[256] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
    item.pszText = text;
    item.cchTextMax = 256;
    GetItem(column, &item);

    const int q = (cell.bottom - cell.top) / 4;
    const bool sortColumn = column == m_nSortCol;
    RECT textRect = cell;
    if (pressed) ::OffsetRect(&textRect, 1, 2);
    textRect.left += q;
    textRect.right -= q + (sortColumn ? 3 * q : 0);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    const int align = item.fmt & HDF_JUSTIFYMASK;
    format |= align == HDF_CENTER ? DT_CENTER : (align == HDF_RIGHT ? DT_RIGHT : DT_LEFT);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    const HGDIOBJ oldFont = ::SelectObject(dc, m_font.Get());
    ::DrawTextW(dc, text, -1, &textRect, format);
    ::SelectObject(dc, oldFont);

    // The check-all box of column 0: the 12 x 12 unchecked or the 13 x 12
    // checked part of the header bitmap.
    if (m_bShowCheckBox && m_marks && (item.fmt & HDF_IMAGE) && (item.iImage == 1 || item.iImage == 2)) {
        HDC source = ::CreateCompatibleDC(dc);
        const HGDIOBJ old = ::SelectObject(source, m_marks.Get());
        const int x = item.iImage == 1 ? 20 : 36;
        const int width = item.iImage == 1 ? 12 : 13;
        ::TransparentBlt(dc, cell.left + 8, cell.top + 4, width, 12, source, x, 3, width, 12, RGB(255, 0, 255));
        ::SelectObject(source, old);
        ::DeleteDC(source);
    }

    if (sortColumn) {
        // A small triangle at the right end, q from the edges: up when
        // ascending, down when descending.
        const int right = cell.right - q;
        const int left = right - 2 * q;
        const int top = cell.top + q;
        const int bottom = cell.bottom - q;
        fw::CPen light(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT)));
        fw::CPen shadow(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW)));
        fw::CBrush fill(::CreateSolidBrush(::GetSysColor(COLOR_BTNSHADOW)));
        const HGDIOBJ oldPen = ::SelectObject(dc, shadow.Get());
        const HGDIOBJ oldBrush = ::SelectObject(dc, fill.Get());
        const int middle = (left + right) / 2;
        // The shadow side filled, the lit edge on the right.
        POINT up[3] = {{middle, top}, {left, bottom}, {right, bottom}};
        POINT down[3] = {{middle, bottom}, {left, top}, {right, top}};
        ::Polygon(dc, m_bSortAsc ? up : down, 3);
        ::SelectObject(dc, light.Get());
        if (m_bSortAsc) {
            ::MoveToEx(dc, middle, top, nullptr);
            ::LineTo(dc, right, bottom);
        } else {
            ::MoveToEx(dc, middle, bottom, nullptr);
            ::LineTo(dc, right, top);
        }
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
    }

    // The divider: a white line and a shadow line left of it.
    fw::CPen white(::CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    fw::CPen grey(::CreatePen(PS_SOLID, 1, kDividerShadow));
    const HGDIOBJ oldPen = ::SelectObject(dc, white.Get());
    ::MoveToEx(dc, cell.right - 1, cell.top + 3, nullptr);
    ::LineTo(dc, cell.right - 1, cell.bottom - 3);
    ::SelectObject(dc, grey.Get());
    ::MoveToEx(dc, cell.right - 2, cell.top + 3, nullptr);
    ::LineTo(dc, cell.right - 2, cell.bottom - 3);
    ::SelectObject(dc, oldPen);
    ::RestoreDC(dc, saved);
}
