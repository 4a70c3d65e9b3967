#include "clientui/BaseTabCtrl.h"

#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"

#include <commctrl.h>

#include <vector>

namespace {

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    fw::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rc, brush);
}

}  // namespace

bool CBaseTabCtrl::SubclassTab(HWND tab) {
    if (!Subclass(tab)) return false;
    if (WantsOwnerDraw()) ModifyStyle(0, TCS_OWNERDRAWFIXED);
    return true;
}

bool CBaseTabCtrl::Create(HWND parent, const RECT& rect, UINT id, DWORD style) {
    if (WantsOwnerDraw()) style |= TCS_OWNERDRAWFIXED;
    return CreateEx(0, WC_TABCONTROLW, L"", style | WS_CHILD, rect, parent, id) != nullptr;
}

RECT CBaseTabCtrl::GetPageRect() const {
    RECT rc = GetClientRect();
    SendMessage(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    return rc;
}

void CBaseTabCtrl::FillGradientBands(HDC dc, const RECT& rc, COLORREF top, COLORREF bottom) {
    const int height = rc.bottom - rc.top;
    if (height <= 0 || rc.right <= rc.left) return;
    const int bands = (height + 1) / 2;
    for (int i = 0; i < bands; ++i) {
        const double t = bands > 1 ? static_cast<double>(i) / (bands - 1) : 0.0;
        auto mix = [t](int a, int b) { return static_cast<BYTE>(a + (b - a) * t + 0.5); };
        const COLORREF colour = RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                                    mix(GetBValue(top), GetBValue(bottom)));
        RECT band{rc.left, rc.top + 2 * i, rc.right, rc.top + 2 * i + 2};
        if (band.bottom > rc.bottom) band.bottom = rc.bottom;
        FillSolid(dc, band, colour);
    }
}

LRESULT CBaseTabCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        if (m_paintMode >= 2 && OnPaintAll()) return 0;
        break;
    case WM_ERASEBKGND:
        if (m_paintMode >= 2) {
            OnEraseStrip(reinterpret_cast<HDC>(wParam));
            return 1;
        }
        break;
    default:
        break;
    }
    return fw::CTabCtrl::WindowProc(msg, wParam, lParam);
}

bool CBaseTabCtrl::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_DRAWITEM && m_paintMode == 1) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis && dis->CtlType == ODT_TAB) {
            PaintTab(dis);
            PaintTabFrame(dis);
            *result = TRUE;
            return true;
        }
    }
    return false;
}

bool CBaseTabCtrl::OnPaintAll() {
    fw::CPaintDC dc(m_hWnd);
    HFONT font = GetFont();
    fw::CSelectObject selectFont(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));

    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_TAB;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID());
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = m_hWnd;
    dis.hDC = dc;
    dis.rcItem = GetPageRect();
    PaintPageFrame(&dis);

    const int count = GetItemCount();
    const int selected = GetCurSel();
    for (int i = count - 1; i >= 0; --i) {
        if (i == selected) continue;
        dis.itemID = static_cast<UINT>(i);
        dis.itemState = 0;
        dis.rcItem = GetItemRect(i);
        PaintTab(&dis);
        PaintTabFrame(&dis);
    }
    if (selected >= 0 && selected < count) {
        dis.itemID = static_cast<UINT>(selected);
        dis.itemState = ODS_SELECTED;
        dis.rcItem = GetItemRect(selected);
        dis.rcItem.top -= 2;
        dis.rcItem.bottom += 2;
        PaintTab(&dis);
        PaintTabFrame(&dis);
    }
    return true;
}

void CBaseTabCtrl::OnEraseStrip(HDC dc) {
    const RECT client = GetClientRect();
    const COLORREF background = OrButtonFace(m_bkgndColour);
    const int count = GetItemCount();
    if (count <= 0) {
        FillSolid(dc, client, background);
        return;
    }
    RECT strip = GetItemRect(0);
    for (int i = 1; i < count; ++i) {
        const RECT rc = GetItemRect(i);
        ::UnionRect(&strip, &strip, &rc);
    }
    ::InflateRect(&strip, 2, 3);
    const int height = strip.bottom - strip.top;
    FillSolid(dc, RECT{client.left, client.top, client.right, strip.top + 3}, background);
    FillSolid(dc, RECT{client.left, strip.top, client.left + 2, strip.top + height + 4}, background);
    // The gradient starts at the last tab's own right edge (the strip was
    // widened by 2 on each side), so no column between them stays unpainted.
    FillGradientBands(dc, RECT{strip.right - 2, strip.top, client.right, strip.top + height + 3}, background,
                      OrButtonFace(m_gradientEndColour));
}
