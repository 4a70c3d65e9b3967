#include "clientui/ButtonST.h"

#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"

#include <shellapi.h>

namespace {

const int kToolId = 1;
const int kMaxTipWidth = 400;

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

// A rectangle outline with rounded corners of the given size in colour.
void RoundOutline(HDC dc, const RECT& rc, int corner, COLORREF colour) {
    fw::CPen pen(::CreatePen(PS_SOLID, 1, colour));
    fw::CSelectObject selectPen(dc, pen.Get());
    fw::CSelectObject selectBrush(dc, ::GetStockObject(NULL_BRUSH));
    if (corner > 0)
        ::RoundRect(dc, rc.left, rc.top, rc.right, rc.bottom, corner, corner);
    else
        ::Rectangle(dc, rc.left, rc.top, rc.right, rc.bottom);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

}  // namespace

CButtonST::CButtonST() { SetDefaultColors(false); }

CButtonST::~CButtonST() {
    FreeBackgroundCopy();
    FreeResources();
    if (m_hCursor) ::DestroyCursor(m_hCursor);
    if (m_hMenu) ::DestroyMenu(m_hMenu);
}

// --- options ---------------------------------------------------------------

void CButtonST::SetColor(int index, COLORREF colour, bool repaint) {
    if (index < 0 || index >= kColourCount) return;
    m_crColors[index] = colour;
    Repaint(repaint);
}

COLORREF CButtonST::GetColor(int index) const {
    return index >= 0 && index < kColourCount ? m_crColors[index] : CLR_INVALID;
}

void CButtonST::SetDefaultColors(bool repaint) {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    for (int i = 0; i < kColourCount; ++i) m_crColors[i] = (i % 2 == 0) ? face : text;
    Repaint(repaint);
}

void CButtonST::SetGradientColors(COLORREF light, COLORREF dark, bool repaint) {
    m_crGradientLight = light;
    m_crGradientDark = dark;
    Repaint(repaint);
}

void CButtonST::SetFlat(bool flat, bool repaint) {
    m_bIsFlat = flat ? 1 : 0;
    Repaint(repaint);
}

void CButtonST::SetDrawBorder(bool draw, bool repaint) {
    m_bDrawBorder = draw ? 1 : 0;
    Repaint(repaint);
}

void CButtonST::SetDrawTransparent(bool transparent, bool repaint) {
    m_bDrawTransparent = transparent ? 1 : 0;
    if (!transparent) FreeBackgroundCopy();
    Repaint(repaint);
}

void CButtonST::SetFlatFocus(bool drawFocus, bool repaint) {
    m_bDrawFlatFocus = drawFocus ? 1 : 0;
    Repaint(repaint);
}

void CButtonST::SetAlign(Align align, bool repaint) {
    m_byAlign = align;
    Repaint(repaint);
}

void CButtonST::SetMenu(HMENU menu, HWND owner, bool repaint) {
    if (m_hMenu && m_hMenu != menu) ::DestroyMenu(m_hMenu);
    m_hMenu = menu;
    m_hParentWndMenu = menu ? owner : nullptr;
    Repaint(repaint);
}

void CButtonST::SetBtnCursor(HCURSOR cursor) {
    if (m_hCursor && m_hCursor != cursor) ::DestroyCursor(m_hCursor);
    m_hCursor = cursor;
}

void CButtonST::SetURL(const std::wstring& url) {
    lstrcpynW(m_szURL, url.c_str(), static_cast<int>(sizeof m_szURL / sizeof m_szURL[0]));
}

void CButtonST::FreeResources() {
    for (IconInfo& icon : m_csIcons) {
        if (icon.icon) ::DestroyIcon(icon.icon);
        icon = IconInfo();
    }
    for (BitmapInfo& bitmap : m_csBitmaps) {
        if (bitmap.bitmap) ::DeleteObject(bitmap.bitmap);
        if (bitmap.mask) ::DeleteObject(bitmap.mask);
        bitmap = BitmapInfo();
    }
}

void CButtonST::SetIcon(HICON in, HICON out) {
    FreeResources();
    HICON icons[2] = {in, out};
    for (int i = 0; i < 2; ++i) {
        if (!icons[i]) continue;
        m_csIcons[i].icon = icons[i];
        ICONINFO info = {};
        if (::GetIconInfo(icons[i], &info)) {
            BITMAP bm = {};
            HBITMAP measure = info.hbmColor ? info.hbmColor : info.hbmMask;
            ::GetObjectW(measure, sizeof bm, &bm);
            m_csIcons[i].width = bm.bmWidth;
            // A monochrome icon keeps its image and mask in one bitmap.
            m_csIcons[i].height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
            if (info.hbmColor) ::DeleteObject(info.hbmColor);
            if (info.hbmMask) ::DeleteObject(info.hbmMask);
        }
    }
    Repaint(true);
}

HBITMAP CButtonST::CreateBitmapMask(HBITMAP bitmap, COLORREF key) {
    const SIZE size = fw::GetBitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return nullptr;
    HBITMAP mask = ::CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
    if (!mask) return nullptr;
    HDC source = ::CreateCompatibleDC(nullptr);
    HDC target = ::CreateCompatibleDC(nullptr);
    HGDIOBJ oldSource = ::SelectObject(source, bitmap);
    HGDIOBJ oldTarget = ::SelectObject(target, mask);
    // Key pixels become white (1) in the mask ...
    const COLORREF oldBk = ::SetBkColor(source, key);
    ::BitBlt(target, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
    // ... and black in the bitmap, so that SRCPAINT leaves them out.
    ::SetBkColor(source, RGB(0, 0, 0));
    ::SetTextColor(source, RGB(255, 255, 255));
    ::BitBlt(source, 0, 0, size.cx, size.cy, target, 0, 0, 0x220326);  // DSna
    ::SetBkColor(source, oldBk);
    ::SelectObject(source, oldSource);
    ::SelectObject(target, oldTarget);
    ::DeleteDC(source);
    ::DeleteDC(target);
    return mask;
}

void CButtonST::SetBitmaps(HBITMAP in, COLORREF keyIn, HBITMAP out, COLORREF keyOut) {
    FreeResources();
    HBITMAP bitmaps[2] = {in, out};
    COLORREF keys[2] = {keyIn, keyOut};
    for (int i = 0; i < 2; ++i) {
        if (!bitmaps[i]) continue;
        BitmapInfo& info = m_csBitmaps[i];
        info.bitmap = bitmaps[i];
        const SIZE size = fw::GetBitmapSize(bitmaps[i]);
        info.width = size.cx;
        info.height = size.cy;
        info.mask = CreateBitmapMask(bitmaps[i], keys[i]);
        if (!info.mask) {
            ::DeleteObject(info.bitmap);
            info = BitmapInfo();
        }
    }
    Repaint(true);
}

void CButtonST::InitToolTip() {
    if (m_toolTip.IsWindow() || !IsWindow()) return;
    if (!m_toolTip.Create(m_hWnd)) return;
    m_toolTip.Activate(false);
    m_toolTip.SetMaxTipWidth(kMaxTipWidth);
}

void CButtonST::SetToolTip(const wchar_t* text) {
    if (!text) return;
    InitToolTip();
    if (!m_toolTip.IsWindow()) return;
    TOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = m_hWnd;
    ti.uId = kToolId;
    if (m_toolTip.SendMessage(TTM_GETTOOLCOUNT) == 0) {
        ti.rect = GetClientRect();
        ti.lpszText = const_cast<wchar_t*>(text);
        m_toolTip.SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ti.lpszText = const_cast<wchar_t*>(text);
    m_toolTip.SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    m_toolTip.Activate(true);
}

// --- messages ----------------------------------------------------------------

bool CButtonST::PreTranslateMessage(MSG& msg) {
    InitToolTip();
    if (m_toolTip.IsWindow()) m_toolTip.RelayEvent(&msg);
    return fw::CButton::PreTranslateMessage(msg);
}

void CButtonST::OnSubclassed() {
    const DWORD style = GetStyle();
    m_nTypeStyle = style & 0x1F;
    if (m_nTypeStyle & BS_CHECKBOX) m_bIsCheckBox = 1;
    if (m_nTypeStyle == BS_DEFPUSHBUTTON) {
        m_bIsDefault = 1;
        m_nTypeStyle = BS_PUSHBUTTON;
    }
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~0x1Fu) | BS_OWNERDRAW));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CButtonST::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDBLCLK) msg = WM_LBUTTONDOWN;
    return fw::CButton::DefWindowProc(msg, wParam, lParam);
}

LRESULT CButtonST::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE:
        return OnMouseMove(wParam, lParam);
    case WM_MOUSELEAVE:
        Default();
        CancelHover();
        return 0;
    case WM_KILLFOCUS:
    case WM_CANCELMODE: {
        const LRESULT result = Default();
        CancelHover();
        return result;
    }
    case WM_ACTIVATE: {
        const LRESULT result = Default();
        if (LOWORD(wParam) == WA_INACTIVE) CancelHover();
        return result;
    }
    case WM_ENABLE: {
        const bool hadFocus = ::GetFocus() == m_hWnd;
        const LRESULT result = Default();
        if (!wParam) {
            // Only a button that had the focus hands it on; disabling a
            // button elsewhere leaves the user's focus where it is.
            if (hadFocus) {
                HWND parent = GetParent();
                HWND next = parent ? ::GetNextDlgTabItem(parent, m_hWnd, FALSE) : nullptr;
                if (next && next != m_hWnd)
                    ::SetFocus(next);
                else if (parent)
                    ::SetFocus(parent);
            }
            CancelHover();
        }
        return result;
    }
    case WM_SETCURSOR:
        if (m_hCursor) {
            ::SetCursor(m_hCursor);
            return TRUE;
        }
        return Default();
    case WM_GETDLGCODE: {
        LRESULT code = Default();
        code |= m_bIsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
        return code;
    }
    case BM_SETSTYLE: {
        const UINT type = static_cast<UINT>(wParam) & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) m_bIsDefault = type == BS_DEFPUSHBUTTON ? 1 : 0;
        return DefWindowProc(msg, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
    }
    case BM_SETCHECK:
        if (m_bIsCheckBox) {
            m_nCheck = (wParam == BST_CHECKED || wParam == BST_INDETERMINATE) ? 1 : 0;
            Invalidate(true);
        }
        return 0;
    case BM_GETCHECK:
        return m_nCheck;
    case WM_SYSCOLORCHANGE: {
        const LRESULT result = Default();
        FreeBackgroundCopy();
        return result;
    }
    default:
        return fw::CButton::WindowProc(msg, wParam, lParam);
    }
}

LRESULT CButtonST::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Default();
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(m_hWnd, &pt);
    HWND under = ::WindowFromPoint(pt);
    if ((wParam & MK_LBUTTON) && !m_bMouseOnButton) return result;
    if (!m_bIsFlat) return result;
    HWND reference = m_bAlwaysTrack ? m_hWnd : ::GetActiveWindow();
    if (under == m_hWnd && reference) {
        if (!m_bMouseOnButton) {
            m_bMouseOnButton = 1;
            Invalidate(true);
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&track);
        }
    } else {
        CancelHover();
    }
    return result;
}

void CButtonST::CancelHover() {
    if (m_bIsFlat && m_bMouseOnButton) {
        m_bMouseOnButton = 0;
        Invalidate(true);
    }
}

bool CButtonST::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!dis || dis->CtlType != ODT_BUTTON) return false;
        DrawItem(*dis);
        *result = TRUE;
        return true;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnClicked();
        return false;  // the parent still gets the click
    default:
        return false;
    }
}

void CButtonST::OnClicked() {
    SetFocus();
    if (m_bIsCheckBox) {
        m_nCheck = m_nCheck ? 0 : 1;
        Invalidate(true);
    } else if (m_hMenu) {
        m_bMenuDisplayed = 1;
        Invalidate(true);
        const RECT rc = GetWindowRect();
        HMENU sub = ::GetSubMenu(m_hMenu, 0);
        const UINT command =
            sub ? static_cast<UINT>(::TrackPopupMenuEx(sub, TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                       rc.left, rc.bottom, m_hParentWndMenu, nullptr))
                : 0;
        m_bMenuDisplayed = 0;
        Invalidate(true);
        if (command && m_hParentWndMenu) ::PostMessageW(m_hParentWndMenu, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    } else if (m_szURL[0]) {
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.lpVerb = L"open";
        info.lpFile = m_szURL;
        info.nShow = SW_SHOWMAXIMIZED;
        ::ShellExecuteExW(&info);
    }
}

// --- painting ------------------------------------------------------------------

void CButtonST::FreeBackgroundCopy() {
    if (!m_dcBk) return;
    if (m_pbmpOldBk) ::SelectObject(m_dcBk, m_pbmpOldBk);
    ::DeleteDC(m_dcBk);
    if (m_bmpBk) ::DeleteObject(m_bmpBk);
    m_dcBk = nullptr;
    m_bmpBk = nullptr;
    m_pbmpOldBk = nullptr;
}

void CButtonST::PaintBackgroundCopy(HDC dc) {
    const RECT client = GetClientRect();
    if (!m_dcBk) {
        HWND parent = GetParent();
        if (!parent) return;
        RECT inParent = GetWindowRect();
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&inParent), 2);
        fw::CClientDC parentDc(parent);
        m_dcBk = ::CreateCompatibleDC(parentDc);
        m_bmpBk = ::CreateCompatibleBitmap(parentDc, Width(client), Height(client));
        m_pbmpOldBk = ::SelectObject(m_dcBk, m_bmpBk);
        ::BitBlt(m_dcBk, 0, 0, Width(client), Height(client), parentDc, inParent.left, inParent.top, SRCCOPY);
        // The copy carries a flat frame.
        fw::CBrush frame(::CreateSolidBrush(RGB(0xA9, 0xB3, 0xBD)));
        ::FrameRect(m_dcBk, &client, frame);
    }
    ::BitBlt(dc, 0, 0, Width(client), Height(client), m_dcBk, 0, 0, SRCCOPY);
}

DWORD CButtonST::DrawBackground(HDC dc, const RECT& rect) {
    RECT face = rect;
    ::InflateRect(&face, -2, -2);
    COLORREF top = m_crGradientLight;
    COLORREF bottom = m_crGradientDark;
    if (m_bIsPressed) std::swap(top, bottom);
    TRIVERTEX vertices[2] = {};
    vertices[0].x = face.left;
    vertices[0].y = face.top;
    vertices[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
    vertices[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
    vertices[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
    vertices[1].x = face.right;
    vertices[1].y = face.bottom;
    vertices[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
    vertices[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
    vertices[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
    GRADIENT_RECT gradient = {0, 1};
    ::GradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
    return 0;
}

DWORD CButtonST::DrawBorder(HDC dc, const RECT& rect) {
    RECT rc = rect;
    if (m_bMouseOnButton && !m_bIsPressed) {
        RoundOutline(dc, rc, 6, 0xB1844E);
        ::InflateRect(&rc, -1, -1);
        RoundOutline(dc, rc, 4, 0xFFD156);
        ::InflateRect(&rc, -1, -1);
        RoundOutline(dc, rc, 0, 0xFEEEC5);
    } else {
        RoundOutline(dc, rc, 6, 0xBDB2AB);
        ::InflateRect(&rc, -1, -1);
        RoundOutline(dc, rc, 4, 0xFFFFFF);
    }
    return 0;
}

bool CButtonST::UseOutImage(bool hasOut) const {
    if (!hasOut) return false;
    if (m_bIsCheckBox) return !m_bIsPressed;
    return !m_bIsPressed && !m_bMouseOnButton;
}

void CButtonST::PrepareImageRect(bool hasTitle, const RECT& item, RECT* title, bool pressed, int width,
                                 int height, RECT* image) const {
    *image = item;
    switch (m_byAlign) {
    case kAlignVertical:
        image->left += (Width(*image) - width) / 2;
        if (hasTitle) {
            image->top = item.top + 3;
            title->top = image->top + height;
        } else {
            image->top += (Height(*image) - height) / 2;
        }
        break;
    case kAlignHorizontalRight:
        if (hasTitle) {
            image->left = item.right - width - 3;
            title->right = image->left;
        } else {
            image->left += (Width(*image) - width) / 2;
        }
        image->top += (Height(*image) - height) / 2;
        break;
    case kAlignHorizontal:
    default:
        if (hasTitle) {
            image->left = item.left + 3;
            title->left = image->left + width + 3;
        } else {
            image->left += (Width(*image) - width) / 2;
        }
        image->top += (Height(*image) - height) / 2;
        break;
    }
    image->right = image->left + width;
    image->bottom = image->top + height;
    if (pressed && !m_bIsCheckBox) ::OffsetRect(image, 1, 1);
}

void CButtonST::DrawTheIcon(HDC dc, bool hasTitle, const RECT& item, RECT* title, bool pressed, bool disabled) {
    const int index = UseOutImage(m_csIcons[1].icon != nullptr) ? 1 : 0;
    const IconInfo& icon = m_csIcons[index];
    if (!icon.icon) return;
    RECT image = {};
    PrepareImageRect(hasTitle, item, title, pressed, icon.width, icon.height, &image);
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.icon), 0, image.left, image.top, Width(image),
                 Height(image), DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));
}

void CButtonST::DrawTheBitmap(HDC dc, bool hasTitle, const RECT& item, RECT* title, bool pressed, bool disabled) {
    const int index = UseOutImage(m_csBitmaps[1].bitmap != nullptr) ? 1 : 0;
    const BitmapInfo& bitmap = m_csBitmaps[index];
    if (!bitmap.bitmap) return;
    RECT image = {};
    PrepareImageRect(hasTitle, item, title, pressed, bitmap.width, bitmap.height, &image);
    const COLORREF oldBk = ::SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
    HDC source = ::CreateCompatibleDC(dc);
    if (disabled && m_bDisabledBmpEmbossed) {
        // Compose the masked picture first, then draw it embossed.
        HBITMAP composed = ::CreateCompatibleBitmap(dc, bitmap.width, bitmap.height);
        HDC target = ::CreateCompatibleDC(dc);
        HGDIOBJ oldTarget = ::SelectObject(target, composed);
        const RECT all = {0, 0, bitmap.width, bitmap.height};
        ::FillRect(target, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::SetBkColor(target, RGB(255, 255, 255));
        ::SetTextColor(target, RGB(0, 0, 0));
        HGDIOBJ oldSource = ::SelectObject(source, bitmap.mask);
        ::BitBlt(target, 0, 0, bitmap.width, bitmap.height, source, 0, 0, SRCAND);
        ::SelectObject(source, bitmap.bitmap);
        ::BitBlt(target, 0, 0, bitmap.width, bitmap.height, source, 0, 0, SRCPAINT);
        ::SelectObject(source, oldSource);
        ::SelectObject(target, oldTarget);
        ::DeleteDC(target);
        ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(composed), 0, image.left, image.top,
                     bitmap.width, bitmap.height, DST_BITMAP | DSS_DISABLED);
        ::DeleteObject(composed);
    } else {
        HGDIOBJ oldSource = ::SelectObject(source, bitmap.mask);
        ::BitBlt(dc, image.left, image.top, bitmap.width, bitmap.height, source, 0, 0, SRCAND);
        ::SelectObject(source, bitmap.bitmap);
        ::BitBlt(dc, image.left, image.top, bitmap.width, bitmap.height, source, 0, 0, SRCPAINT);
        ::SelectObject(source, oldSource);
    }
    ::DeleteDC(source);
    ::SetBkColor(dc, oldBk);
    ::SetTextColor(dc, oldText);
}

void CButtonST::DrawTheText(HDC dc, const std::wstring& title, RECT* caption, bool pressed, bool disabled) {
    if (pressed && !m_bIsCheckBox) ::OffsetRect(caption, 1, 1);
    const RECT centre = *caption;
    RECT measured = *caption;
    ::DrawTextW(dc, title.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    ::OffsetRect(&measured, (Width(centre) - Width(measured)) / 2, (Height(centre) - Height(measured)) / 2);
    *caption = measured;
    m_lastCaption = measured;
    ::SetBkMode(dc, TRANSPARENT);
    if (disabled) {
        RECT shifted = measured;
        ::OffsetRect(&shifted, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_3DHILIGHT));
        ::DrawTextW(dc, title.c_str(), -1, &shifted, DT_WORDBREAK | DT_CENTER);
        ::SetTextColor(dc, ::GetSysColor(COLOR_3DSHADOW));
        ::DrawTextW(dc, title.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER);
    } else {
        const bool in = m_bMouseOnButton || pressed;
        ::SetTextColor(dc, m_crColors[in ? kColourFgIn : kColourFgOut]);
        ::SetBkColor(dc, m_crColors[in ? kColourBkIn : kColourBkOut]);
        ::DrawTextW(dc, title.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER);
    }
}

void CButtonST::DrawItem(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    if (m_bIsCheckBox)
        m_bIsPressed = (dis.itemState & ODS_SELECTED) || m_nCheck;
    else
        m_bIsPressed = (dis.itemState & ODS_SELECTED) || m_bMenuDisplayed;
    m_bIsFocused = (dis.itemState & ODS_FOCUS) ? 1 : 0;
    m_bIsDisabled = (dis.itemState & ODS_DISABLED) ? 1 : 0;
    const bool pressed = m_bIsPressed != 0;
    const bool disabled = m_bIsDisabled != 0;

    fw::CSelectObject font(dc, GetFont());
    RECT item = dis.rcItem;
    ::SetBkMode(dc, TRANSPARENT);
    if (!m_bIsFlat && (m_bIsFocused || m_bIsDefault)) {
        ::FrameRect(dc, &item, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::InflateRect(&item, -1, -1);
    }

    if (m_bDrawTransparent)
        PaintBackgroundCopy(dc);
    else
        DrawBackground(dc, item);

    if (pressed) {
        if (m_bIsFlat) {
            if (m_bDrawBorder) DrawBorder(dc, item);
        } else {
            fw::CBrush shadow(::CreateSolidBrush(::GetSysColor(COLOR_BTNSHADOW)));
            ::FrameRect(dc, &item, shadow);
        }
    } else if (m_bIsFlat) {
        if (m_bDrawBorder) DrawBorder(dc, item);
    } else {
        // A raised edge of one-pixel lines.
        fw::CPen highlight(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT)));
        fw::CPen light(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DLIGHT)));
        fw::CPen darkShadow(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DDKSHADOW)));
        fw::CPen shadow(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW)));
        HGDIOBJ old = ::SelectObject(dc, highlight.Get());
        Line(dc, item.left, item.bottom - 1, item.left, item.top);
        ::LineTo(dc, item.right, item.top);
        ::SelectObject(dc, light.Get());
        Line(dc, item.left + 1, item.bottom - 2, item.left + 1, item.top + 1);
        ::LineTo(dc, item.right - 1, item.top + 1);
        ::SelectObject(dc, darkShadow.Get());
        Line(dc, item.left, item.bottom - 1, item.right - 1, item.bottom - 1);
        ::LineTo(dc, item.right - 1, item.top - 1);
        ::SelectObject(dc, shadow.Get());
        Line(dc, item.left + 1, item.bottom - 2, item.right - 2, item.bottom - 2);
        ::LineTo(dc, item.right - 2, item.top);
        ::SelectObject(dc, old);
    }

    const std::wstring title = GetWindowText();
    const bool hasTitle = !title.empty();
    RECT caption = item;
    if (m_csIcons[0].icon) DrawTheIcon(dc, hasTitle, item, &caption, pressed, disabled);
    if (m_csBitmaps[0].bitmap) DrawTheBitmap(dc, hasTitle, item, &caption, pressed, disabled);
    if (hasTitle) DrawTheText(dc, title, &caption, pressed, disabled);

    if (m_bIsFocused && (!m_bIsFlat || m_bDrawFlatFocus)) {
        RECT focus = item;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
}
