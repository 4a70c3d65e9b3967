#include "clientui/EnTabCtrl.h"

#include "fw/GdiObject.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// The look of every CEnTabCtrl of the process.
DWORD g_lookFlags = 0;

// Rounded to the nearest value, so that 100 * 1.4 is 140 and not 139.
BYTE Clamp255(double value) {
    if (value <= 0.0) return 0;
    if (value >= 255.0) return 255;
    return static_cast<BYTE>(value + 0.5);
}

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    fw::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rc, brush);
}

}  // namespace

void CEnTabCtrl::SetLookFlags(DWORD flags) { g_lookFlags = flags; }
DWORD CEnTabCtrl::GetLookFlags() { return g_lookFlags; }

COLORREF CEnTabCtrl::Darken(COLORREF colour, double factor) {
    factor = std::min(1.0, std::max(0.0, factor));
    return RGB(Clamp255(GetRValue(colour) * factor), Clamp255(GetGValue(colour) * factor),
               Clamp255(GetBValue(colour) * factor));
}

COLORREF CEnTabCtrl::Lighten(COLORREF colour, double factor) {
    factor = std::max(1.0, factor);
    return RGB(Clamp255(GetRValue(colour) * factor), Clamp255(GetGValue(colour) * factor),
               Clamp255(GetBValue(colour) * factor));
}

COLORREF CEnTabCtrl::ComputeTabColour(DWORD flags, COLORREF background, COLORREF buttonFace, bool selected) {
    const bool given = background != kNoColour;
    const COLORREF byColourBit = (flags & kUseBkgndColour) && given ? background : buttonFace;
    if (!selected) {
        if ((flags & kTabsBehind) || !(flags & kFlat)) return Darken(byColourBit, 0.9);
        return given ? background : buttonFace;
    }
    if (flags & kLightenSelected) return Lighten(byColourBit, 1.4);
    return buttonFace;
}

COLORREF CEnTabCtrl::ComputeTabTextColour(DWORD flags, COLORREF background, COLORREF buttonFace,
                                          COLORREF windowText, bool selected) {
    if (selected) return windowText;
    const bool given = background != kNoColour;
    const COLORREF base = (flags & (kUseBkgndColour | kFlat)) && given ? background : buttonFace;
    return Darken(base, 0.5);
}

bool CEnTabCtrl::UseGradientFaces(DWORD flags, int bitsPerPixel) {
    return (flags & kGradientFaces) && bitsPerPixel > 15;
}

COLORREF CEnTabCtrl::TabColour(bool selected) const {
    return ComputeTabColour(GetLookFlags(), m_bkgndColour, ::GetSysColor(COLOR_BTNFACE), selected);
}

COLORREF CEnTabCtrl::TabTextColour(bool selected) const {
    return ComputeTabTextColour(GetLookFlags(), m_bkgndColour, ::GetSysColor(COLOR_BTNFACE),
                                ::GetSysColor(COLOR_WINDOWTEXT), selected);
}

void CEnTabCtrl::PaintTab(DRAWITEMSTRUCT* dis) {
    if (!dis) return;
    HDC dc = dis->hDC;
    const bool selected = static_cast<int>(dis->itemID) == GetCurSel();
    RECT face = dis->rcItem;
    if (selected) face.bottom -= 1;
    else face.bottom += 2;

    const COLORREF colour = TabColour(selected);
    const int depth = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
    if (UseGradientFaces(GetLookFlags(), depth)) {
        FillGradientBands(dc, face, colour, selected ? kSelectedFaceBottom : kFaceBottom);
        if (selected) FillSolid(dc, RECT{face.left, face.top, face.right, std::min(face.top + 2, face.bottom)}, colour);
    } else {
        FillSolid(dc, face, colour);
    }

    RECT textRect{face.left + 3, face.top + 3 + (selected ? 1 : 0), face.right - 3, face.bottom};
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);

    wchar_t text[100] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = text;
    item.cchTextMax = 100;
    item.iImage = -1;
    SendMessage(TCM_GETITEMW, dis->itemID, reinterpret_cast<LPARAM>(&item));
    text[99] = L'\0';

    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessage(TCM_GETIMAGELIST));
    if (images && item.iImage >= 0) {
        const int image = selected ? item.iImage : item.iImage + 1;
        if (!text[0]) {
            const int x = (face.left + face.right) / 2 - m_imageWidth / 2 - 3;
            const int y = (face.top + face.bottom) / 2 - m_imageHeight / 2;
            ::ImageList_Draw(images, image, dc, x, y, ILD_TRANSPARENT);
        } else {
            int cx = 0, cy = 0;
            ::ImageList_GetIconSize(images, &cx, &cy);
            const int y = (textRect.top + textRect.bottom - cy) / 2;
            ::ImageList_Draw(images, image, dc, textRect.left, y, ILD_TRANSPARENT);
            textRect.left += 19;
        }
    }
    if (text[0] && textRect.right > textRect.left) {
        const COLORREF oldColour = ::SetTextColor(dc, TabTextColour(selected));
        ::DrawTextW(dc, text, -1, &textRect,
                    DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        ::SetTextColor(dc, oldColour);
    }
    ::SetBkMode(dc, oldMode);
}

void CEnTabCtrl::PaintTabFrame(DRAWITEMSTRUCT* dis) {
    if (!dis) return;
    HDC dc = dis->hDC;
    const bool selected = static_cast<int>(dis->itemID) == GetCurSel();
    const RECT& rc = dis->rcItem;
    const int faceBottom = selected ? rc.bottom - 1 : rc.bottom + 2;
    const COLORREF colour = TabColour(selected);
    const COLORREF light = Lighten(colour, 1.5);
    const COLORREF dark = Darken(colour, 0.75);
    if (selected || (GetLookFlags() & kTabsBehind)) FillSolid(dc, RECT{rc.left, rc.top + 2, rc.left + 1, faceBottom}, light);
    else FillSolid(dc, RECT{rc.left - 1, rc.top, rc.left, rc.bottom}, dark);
    FillSolid(dc, RECT{rc.right - 1, rc.top + 2, rc.right, faceBottom}, dark);
}

bool CEnTabCtrl::AddTabPage(fw::CDialog* page, UINT templateId, const std::wstring& title) {
    if (!page || page->GetTemplateId() != templateId || !m_hWnd) return false;
    const int index = GetItemCount();
    if (InsertItem(index, title) < 0) return false;
    if (!page->IsWindow() && !page->Create(m_hWnd)) {
        SendMessage(TCM_DELETEITEM, static_cast<WPARAM>(index));
        return false;
    }
    m_pages.push_back(page);
    PlacePages();
    return true;
}

fw::CDialog* CEnTabCtrl::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

void CEnTabCtrl::ShowTabPage(int index) {
    if (index < 0 || index >= GetPageCount()) return;
    for (int i = 0; i < GetPageCount(); ++i) {
        fw::CDialog* page = m_pages[static_cast<size_t>(i)];
        if (page->IsWindow()) page->ShowWindow(i == index ? SW_SHOW : SW_HIDE);
    }
}

void CEnTabCtrl::PlacePages() {
    if (!m_hWnd || m_pages.empty()) return;
    const RECT client = GetClientRect();
    const RECT first = GetItemRect(0);
    const int top = first.bottom + 2;
    for (fw::CDialog* page : m_pages) {
        if (!page->IsWindow()) continue;
        page->SetWindowPos(nullptr, client.left, top, client.right - client.left, std::max(0L, client.bottom - top),
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int selected = GetCurSel();
    for (int i = 0; i < GetPageCount(); ++i) {
        fw::CDialog* page = m_pages[static_cast<size_t>(i)];
        if (page->IsWindow()) page->ShowWindow(i == selected ? SW_SHOW : SW_HIDE);
    }
}

LRESULT CEnTabCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE) {
        const LRESULT result = CBaseTabCtrl::WindowProc(msg, wParam, lParam);
        PlacePages();
        return result;
    }
    return CBaseTabCtrl::WindowProc(msg, wParam, lParam);
}

bool CEnTabCtrl::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        // The page follows the selection; the parent still sees the change.
        if (hdr && hdr->code == TCN_SELCHANGE) ShowTabPage(GetCurSel());
        return false;
    }
    return CBaseTabCtrl::OnReflectedMessage(msg, wParam, lParam, result);
}
