#include "clientui/OfficeXPMenu.h"

#include "clientui/OfficeXPMenuMemDC.h"

#include "fw/DeviceContext.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

namespace {

using Look = COfficeXPMenuLook::Look;

// Every sub-menu handle that any COfficeXPMenu created or appended: the
// owner-drawn sub-menus of the process.
std::vector<HMENU>& SubMenuList() {
    static std::vector<HMENU> list;
    return list;
}

// Every live COfficeXPMenu, so that the owner-draw messages of a menu handle
// find their object.
std::vector<COfficeXPMenu*>& LiveMenus() {
    static std::vector<COfficeXPMenu*> menus;
    return menus;
}

void ForgetSubMenu(HMENU menu) {
    auto& list = SubMenuList();
    list.erase(std::remove(list.begin(), list.end(), menu), list.end());
}

void FillRect(HDC dc, const RECT& rc, COLORREF colour) {
    fw::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rc, brush);
}

void FrameRect(HDC dc, const RECT& rc, COLORREF colour) {
    fw::CBrush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &rc, brush);
}

// A 1-pixel frame with light top-left and dark bottom-right edges.
void Draw3dFrame(HDC dc, const RECT& rc, COLORREF topLeft, COLORREF bottomRight) {
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    FillRect(dc, RECT{rc.left, rc.top, rc.left + w - 1, rc.top + 1}, topLeft);
    FillRect(dc, RECT{rc.left, rc.top, rc.left + 1, rc.top + h - 1}, topLeft);
    FillRect(dc, RECT{rc.right - 1, rc.top, rc.right, rc.bottom}, bottomRight);
    FillRect(dc, RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom}, bottomRight);
}

void DrawEtchedLine(HDC dc, int left, int right, int y) {
    RECT line{left, y, right, y + 2};
    if (line.right > line.left) ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

}  // namespace

COfficeXPMenu::COfficeXPMenu() { LiveMenus().push_back(this); }

COfficeXPMenu::~COfficeXPMenu() {
    DestroyMenu();
    auto& live = LiveMenus();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

COfficeXPMenu* COfficeXPMenu::FromHandle(HMENU menu) {
    if (!menu) return nullptr;
    for (COfficeXPMenu* m : LiveMenus())
        if (m->Get() == menu) return m;
    return nullptr;
}

bool COfficeXPMenu::IsOwnerDrawnSubMenu(HMENU menu) {
    const auto& list = SubMenuList();
    return menu && std::find(list.begin(), list.end(), menu) != list.end();
}

bool COfficeXPMenu::EnsureMenu() { return Get() || CreatePopupMenu(); }

COfficeXPMenuData* COfficeXPMenu::AddData(std::unique_ptr<COfficeXPMenuData> data) {
    m_items.push_back(std::move(data));
    return m_items.back().get();
}

bool COfficeXPMenu::OwnsData(const COfficeXPMenuData* data) const {
    if (!data) return false;
    for (const auto& item : m_items)
        if (item.get() == data) return true;
    return false;
}

void COfficeXPMenu::RememberSubMenu(HMENU sub) {
    if (!sub) return;
    if (!IsOwnerDrawnSubMenu(sub)) SubMenuList().push_back(sub);
    if (std::find(m_subMenuHandles.begin(), m_subMenuHandles.end(), sub) == m_subMenuHandles.end())
        m_subMenuHandles.push_back(sub);
}

bool COfficeXPMenu::AppendItem(UINT flags, const std::wstring& text, UINT_PTR id) {
    if (!EnsureMenu()) return false;
    flags = COfficeXPMenuLook::AppendFlags(flags, id);
    auto data = std::make_unique<COfficeXPMenuData>();
    data->text = text;
    data->flags = flags;
    data->id = id;
    COfficeXPMenuData* item = data.get();
    if (!::AppendMenuW(Get(), flags, id, reinterpret_cast<const wchar_t*>(item))) return false;
    if (flags & MF_POPUP) RememberSubMenu(reinterpret_cast<HMENU>(id));
    AddData(std::move(data));
    return true;
}

bool COfficeXPMenu::AppendItemWithIcon(const std::wstring& text, UINT_PTR id, HIMAGELIST imageList, int index) {
    if (!EnsureMenu()) return false;
    const UINT flags = COfficeXPMenuLook::AppendFlags(MF_STRING, id);
    auto data = std::make_unique<COfficeXPMenuData>();
    data->text = text;
    data->flags = flags;
    data->id = id;
    if (imageList) {
        int cx = 0, cy = 0;
        HICON icon = ::ImageList_GetIconSize(imageList, &cx, &cy) ? ::ImageList_GetIcon(imageList, index, ILD_NORMAL)
                                                                   : nullptr;
        if (icon && data->imageList.Create(cx, cy, ILC_COLOR32 | ILC_MASK, 1, 1) &&
            data->imageList.AddIcon(icon) == 0) {
            data->imageIndex = 0;
            data->secondImage = 0;
        } else {
            data->imageList.Destroy();
        }
        if (icon) ::DestroyIcon(icon);
    }
    COfficeXPMenuData* item = data.get();
    if (!::AppendMenuW(Get(), flags, id, reinterpret_cast<const wchar_t*>(item))) return false;
    AddData(std::move(data));
    return true;
}

void COfficeXPMenu::SetCheckMarkImages(HIMAGELIST list, bool owned, int checkedIndex, int uncheckedIndex) {
    if (m_checkImages && m_ownsCheckImages && m_checkImages != list) ::ImageList_Destroy(m_checkImages);
    m_checkImages = list;
    m_ownsCheckImages = owned && list;
    m_checkedImage = checkedIndex;
    m_uncheckedImage = uncheckedIndex;
}

void COfficeXPMenu::DestroyMenu() {
    HMENU own = Get();
    if (own) ForgetSubMenu(own);
    for (HMENU sub : m_subMenuHandles) ForgetSubMenu(sub);
    // Pop-up items are taken out first: destroying a menu destroys the
    // sub-menus still in it, and those belong to their own objects (ours
    // below, or the caller's).
    if (own) {
        for (int pos = ::GetMenuItemCount(own) - 1; pos >= 0; --pos)
            if (::GetSubMenu(own, pos)) ::RemoveMenu(own, static_cast<UINT>(pos), MF_BYPOSITION);
    }
    m_subMenuHandles.clear();
    for (auto& sub : m_subMenus) sub->DestroyMenu();
    m_subMenus.clear();
    if (own) Destroy();
    m_items.clear();
    SetCheckMarkImages(nullptr, false, -1, -1);
}

COfficeXPMenu* COfficeXPMenu::GetSubMenu(int position) const {
    if (!Get()) return nullptr;
    return FromHandle(::GetSubMenu(Get(), position));
}

COfficeXPMenuData* COfficeXPMenu::GetItemData(int position) const {
    if (!Get()) return nullptr;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    if (!::GetMenuItemInfoW(Get(), static_cast<UINT>(position), TRUE, &info)) return nullptr;
    auto* data = reinterpret_cast<COfficeXPMenuData*>(info.dwItemData);
    return OwnsData(data) ? data : nullptr;
}

int COfficeXPMenu::FindMenuOwner(UINT id, COfficeXPMenu** owner) const {
    if (owner) *owner = nullptr;
    if (!Get()) return -1;
    const int count = ::GetMenuItemCount(Get());
    for (int pos = 0; pos < count; ++pos) {
        if (HMENU sub = ::GetSubMenu(Get(), pos)) {
            COfficeXPMenu* subMenu = FromHandle(sub);
            if (!subMenu || subMenu == this) continue;
            const int found = subMenu->FindMenuOwner(id, owner);
            if (found >= 0) return found;
        } else if (::GetMenuItemID(Get(), pos) == id) {
            if (owner) *owner = const_cast<COfficeXPMenu*>(this);
            return pos;
        }
    }
    return -1;
}

std::wstring COfficeXPMenu::GetItemText(UINT item, UINT flags) const {
    if (flags & MF_BYPOSITION) {
        const COfficeXPMenuData* data = GetItemData(static_cast<int>(item));
        return data ? data->text : std::wstring();
    }
    COfficeXPMenu* owner = nullptr;
    const int pos = FindMenuOwner(item, &owner);
    return pos >= 0 && owner ? owner->GetItemText(static_cast<UINT>(pos), MF_BYPOSITION) : std::wstring();
}

// ---------------------------------------------------------------------------
// Loading from a MENU resource

BOOL COfficeXPMenu::LoadMenu(UINT resourceId, HINSTANCE instance) {
    return LoadMenu(MAKEINTRESOURCEW(resourceId), instance);
}

BOOL COfficeXPMenu::LoadMenu(const wchar_t* resourceName, HINSTANCE instance) {
    if (!instance) instance = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(instance, resourceName, reinterpret_cast<LPCWSTR>(RT_MENU));
    if (!found) return FALSE;
    HGLOBAL loaded = ::LoadResource(instance, found);
    const BYTE* bytes = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    const size_t size = ::SizeofResource(instance, found);
    if (!bytes || size < 4) return FALSE;
    // MENUITEMTEMPLATEHEADER: version 0 (the classic template), then the
    // offset of the first item from the end of the header.
    const WORD version = *reinterpret_cast<const WORD*>(bytes);
    const WORD offset = *reinterpret_cast<const WORD*>(bytes + 2);
    if (version != 0 || 4u + offset > size) return FALSE;

    DestroyMenu();
    if (!CreatePopupMenu()) return FALSE;
    size_t pos = 4u + offset;
    if (pos == size) return TRUE;  // an empty menu
    if (!LoadLevel(bytes, size, &pos, 0)) {
        DestroyMenu();
        return FALSE;
    }
    return TRUE;
}

bool COfficeXPMenu::LoadLevel(const BYTE* begin, size_t size, size_t* pos, int depth) {
    if (depth > 16) return false;  // a template nested this deep is not a menu
    for (;;) {
        if (*pos + 2 > size) return false;
        const WORD option = *reinterpret_cast<const WORD*>(begin + *pos);
        *pos += 2;
        WORD id = 0;
        if (!(option & MF_POPUP)) {
            if (*pos + 2 > size) return false;
            id = *reinterpret_cast<const WORD*>(begin + *pos);
            *pos += 2;
        }
        std::wstring text;
        for (;;) {
            if (*pos + 2 > size) return false;
            const wchar_t ch = static_cast<wchar_t>(*reinterpret_cast<const WORD*>(begin + *pos));
            *pos += 2;
            if (!ch) break;
            text += ch;
        }
        const UINT flags = option & ~static_cast<UINT>(MF_END | MF_POPUP);
        if (option & MF_POPUP) {
            auto sub = std::make_unique<COfficeXPMenu>();
            sub->SetIconSize(m_iconWidth, m_iconHeight);
            if (!sub->CreatePopupMenu() || !sub->LoadLevel(begin, size, pos, depth + 1)) return false;
            HMENU handle = sub->Get();
            m_subMenus.push_back(std::move(sub));
            if (!AppendItem(flags | MF_POPUP, text, reinterpret_cast<UINT_PTR>(handle))) return false;
        } else if (!AppendItem(flags, text, id)) {
            return false;
        }
        if (option & MF_END) break;
    }
    FinishLoadedLevel();
    return true;
}

void COfficeXPMenu::FinishLoadedLevel() {
    // Shortcut texts of this level line up.
    {
        fw::CClientDC screen(nullptr);
        fw::CSelectObject font(screen, MenuFont());
        std::vector<std::wstring> texts;
        for (const auto& item : m_items) texts.push_back(item->text);
        COfficeXPMenuLook::AlignShortcuts(texts, [&screen](const std::wstring& text) {
            SIZE size = {0, 0};
            ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
            return static_cast<int>(size.cx);
        });
        for (size_t i = 0; i < m_items.size(); ++i) m_items[i]->text = texts[i];
    }
    // Every item becomes owner-drawn with its data. The item is changed in
    // place (type and data only), so a sub-menu stays where it is.
    const int count = ::GetMenuItemCount(Get());
    for (int pos = 0; pos < count && static_cast<size_t>(pos) < m_items.size(); ++pos) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoW(Get(), static_cast<UINT>(pos), TRUE, &info);
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        info.fType |= MFT_OWNERDRAW;
        info.dwItemData = reinterpret_cast<ULONG_PTR>(m_items[static_cast<size_t>(pos)].get());
        ::SetMenuItemInfoW(Get(), static_cast<UINT>(pos), TRUE, &info);
    }
}

// ---------------------------------------------------------------------------
// Measuring and painting

HFONT COfficeXPMenu::MenuFont() const {
    if (m_menuFont.IsNull()) {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof metrics;
        if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            m_menuFont.Reset(::CreateFontIndirectW(&metrics.lfMenuFont));
    }
    return m_menuFont.IsNull() ? static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)) : m_menuFont.Get();
}

void COfficeXPMenu::MeasureItem(MEASUREITEMSTRUCT* mis) {
    if (!mis) return;
    const auto* data = reinterpret_cast<const COfficeXPMenuData*>(mis->itemData);
    if (!OwnsData(data)) return;
    const int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    if (data->IsSeparator()) {
        mis->itemWidth = 0;
        mis->itemHeight = static_cast<UINT>(menuHeight / 2);
        return;
    }
    int textWidth = 0;
    if (COfficeXPMenuLook::IsNewStyle(COfficeXPMenuLook::ProcessStyle())) {
        fw::CClientDC screen(nullptr);
        fw::CSelectObject font(screen, MenuFont());
        RECT rc = {0, 0, 0, 0};
        ::DrawTextW(screen, data->text.c_str(), static_cast<int>(data->text.size()), &rc,
                    DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
        textWidth = rc.right - rc.left;
    }
    mis->itemWidth = static_cast<UINT>(textWidth + 2 * m_iconWidth + 1);
    mis->itemHeight = static_cast<UINT>(std::max(menuHeight, m_iconHeight + 4));
}

void COfficeXPMenu::DrawItem(DRAWITEMSTRUCT* dis) {
    if (!dis || dis->CtlType != ODT_MENU) return;
    const auto sys = COfficeXPMenuLook::SystemColours::FromSystem();
    const bool palette = (::GetDeviceCaps(dis->hDC, RASTERCAPS) & RC_PALETTE) != 0;
    const Look look =
        COfficeXPMenuLook::ChooseLook(palette, COfficeXPMenuLook::ProcessStyle(), sys.btnFace, sys.menu);
    DrawItemInLook(*dis, look, sys);
}

void COfficeXPMenu::DrawItemInLook(const DRAWITEMSTRUCT& dis, Look look,
                                   const COfficeXPMenuLook::SystemColours& sys) const {
    const auto* data = reinterpret_cast<const COfficeXPMenuData*>(dis.itemData);
    if (!OwnsData(data)) return;
    COfficeXPMenuMemDC dc(dis.hDC, dis.rcItem);
    fw::CSelectObject font(dc, MenuFont());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    if (look == Look::Flat) DrawFlat(dc, dis, *data, sys);
    else DrawClassic(dc, dis, *data, sys);
    ::SetBkMode(dc, oldMode);
}

void COfficeXPMenu::DrawCheckMark(HDC dc, const RECT& cell, COLORREF colour, bool checked) const {
    const int image = checked ? m_checkedImage : m_uncheckedImage;
    if (m_checkImages && image >= 0) {
        int cx = 0, cy = 0;
        ::ImageList_GetIconSize(m_checkImages, &cx, &cy);
        const int x = cell.left + (cell.right - cell.left - cx) / 2;
        const int y = cell.top + (cell.bottom - cell.top - cy) / 2;
        ::ImageList_Draw(m_checkImages, image, dc, x, y, ILD_TRANSPARENT);
        return;
    }
    if (!checked) return;
    // A tick in the middle of the cell, two pixels thick.
    const int cx = (cell.left + cell.right) / 2;
    const int cy = (cell.top + cell.bottom) / 2;
    fw::CPen pen(::CreatePen(PS_SOLID, 1, colour));
    fw::CSelectObject select(dc, pen);
    for (int dy = 0; dy < 2; ++dy) {
        ::MoveToEx(dc, cx - 4, cy - 1 + dy, nullptr);
        ::LineTo(dc, cx - 1, cy + 2 + dy);
        ::LineTo(dc, cx + 5, cy - 4 + dy);
    }
}

void COfficeXPMenu::DrawIcon(HDC dc, const COfficeXPMenuData& data, POINT at, bool grayed) const {
    if (!data.HasIcon()) return;
    if (!grayed) {
        data.imageList.Draw(dc, data.imageIndex, at.x, at.y, ILD_TRANSPARENT);
        return;
    }
    HICON icon = data.imageList.ExtractIcon(data.imageIndex);
    if (!icon) return;
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(data.imageList, &cx, &cy);
    if (m_embossDisabled) {
        // Embossed in the button highlight and shadow colours.
        ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, at.x, at.y, cx, cy,
                     DST_ICON | DSS_DISABLED);
    } else {
        fw::CBrush gray(::CreateSolidBrush(::GetSysColor(COLOR_GRAYTEXT)));
        ::DrawStateW(dc, gray, nullptr, reinterpret_cast<LPARAM>(icon), 0, at.x, at.y, cx, cy, DST_ICON | DSS_MONO);
    }
    ::DestroyIcon(icon);
}

void COfficeXPMenu::DrawText(HDC dc, const RECT& item, const std::wstring& text, COLORREF colour) const {
    const COLORREF old = ::SetTextColor(dc, colour);
    RECT labelRect{COfficeXPMenuLook::TextLeft(item, m_iconWidth), item.top, item.right, item.bottom};
    const std::wstring label = COfficeXPMenuLook::Label(text);
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &labelRect, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    const std::wstring shortcut = COfficeXPMenuLook::Shortcut(text);
    if (!shortcut.empty()) {
        RECT keyRect{labelRect.left, item.top, item.right - m_iconWidth, item.bottom};
        ::DrawTextW(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &keyRect,
                    DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    }
    ::SetTextColor(dc, old);
}

void COfficeXPMenu::DrawFlat(HDC dc, const DRAWITEMSTRUCT& dis, const COfficeXPMenuData& data,
                             const COfficeXPMenuLook::SystemColours& sys) const {
    const COfficeXPMenuLook::Colours c = COfficeXPMenuLook::FlatColours(sys);
    const RECT& rc = dis.rcItem;
    const RECT band{rc.left, rc.top, COfficeXPMenuLook::BandRight(rc, m_iconWidth), rc.bottom};
    if (data.IsSeparator()) {
        FillRect(dc, rc, c.background);
        FillRect(dc, band, c.band);
        FrameRect(dc, band, c.band);
        DrawEtchedLine(dc, band.right + 4, rc.right, (rc.top + rc.bottom) / 2);
        return;
    }
    const bool grayed = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool selected = (dis.itemState & ODS_SELECTED) && !grayed;
    const bool checked = (dis.itemState & ODS_CHECKED) != 0;
    if (selected) {
        FillRect(dc, rc, c.highlightFill);
        FrameRect(dc, rc, c.highlightFrame);
    } else {
        FillRect(dc, rc, c.background);
        FillRect(dc, band, c.band);
        FrameRect(dc, rc, c.background);
        FrameRect(dc, band, c.band);
    }
    if (!data.HasIcon() && (checked || m_uncheckedImage >= 0)) {
        const RECT cell = COfficeXPMenuLook::IconCell(rc, m_iconWidth, m_iconHeight);
        if (checked) {
            FillRect(dc, cell, c.checkFill);
            FrameRect(dc, cell, c.checkFrame);
        }
        DrawCheckMark(dc, cell, grayed ? c.grayText : c.text, checked);
    }
    DrawIcon(dc, data, COfficeXPMenuLook::IconOrigin(rc, m_iconHeight), grayed);
    DrawText(dc, rc, data.text, grayed ? c.grayText : c.text);
}

void COfficeXPMenu::DrawClassic(HDC dc, const DRAWITEMSTRUCT& dis, const COfficeXPMenuData& data,
                                const COfficeXPMenuLook::SystemColours& sys) const {
    const int style = COfficeXPMenuLook::ProcessStyle();
    const bool newStyle = COfficeXPMenuLook::IsNewStyle(style);
    const COfficeXPMenuLook::Colours c = COfficeXPMenuLook::ClassicColours(sys, style);
    const RECT& rc = dis.rcItem;
    if (data.IsSeparator()) {
        FillRect(dc, rc, c.background);
        DrawEtchedLine(dc, rc.left, rc.right, (rc.top + rc.bottom) / 2);
        return;
    }
    const bool grayed = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool selected = (dis.itemState & ODS_SELECTED) && !grayed;
    const bool checked = (dis.itemState & ODS_CHECKED) != 0;
    const bool hasCell = data.HasIcon() || checked;
    if (selected) {
        RECT fill = rc;
        if (hasCell) {
            FillRect(dc, rc, c.background);
            fill.left = rc.left + m_iconWidth + 5;
        }
        FillRect(dc, fill, c.highlightFill);
    } else {
        FillRect(dc, rc, c.background);
        FrameRect(dc, rc, c.background);
    }
    const RECT cell = COfficeXPMenuLook::IconCell(rc, m_iconWidth, m_iconHeight);
    // The cell is framed only where there is one: over a highlighted item
    // without icon it would cut a box out of the highlight.
    if (hasCell) FrameRect(dc, cell, c.background);
    if (data.HasIcon()) {
        if (newStyle && checked) Draw3dFrame(dc, cell, sys.btnShadow, sys.btnHighlight);
        else if (newStyle && selected) Draw3dFrame(dc, cell, sys.btnHighlight, sys.btnShadow);
        DrawIcon(dc, data, COfficeXPMenuLook::IconOrigin(rc, m_iconHeight), grayed);
    } else if (checked) {
        RECT inner = cell;
        FillRect(dc, inner, c.checkFill);
        if (newStyle) Draw3dFrame(dc, cell, sys.btnShadow, sys.btnHighlight);
        DrawCheckMark(dc, cell, grayed ? c.grayText : c.text, true);
    } else if (m_uncheckedImage >= 0) {
        DrawCheckMark(dc, cell, c.text, false);
    }
    DrawText(dc, rc, data.text, grayed ? c.grayText : (selected ? c.selectedText : c.text));
}

// ---------------------------------------------------------------------------
// Routing the owner window's messages

LRESULT COfficeXPMenu::FindMnemonic(wchar_t ch, HMENU menu) const {
    if (!menu || menu != Get()) return 0;
    const wchar_t wanted = static_cast<wchar_t>(std::towlower(ch));
    std::vector<int> matches;
    const int count = ::GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        const COfficeXPMenuData* data = GetItemData(pos);
        if (!data || data->IsSeparator()) continue;
        const std::wstring label = COfficeXPMenuLook::Label(data->text);
        for (size_t i = 0; i + 1 < label.size(); ++i) {
            if (label[i] != L'&') continue;
            if (label[i + 1] == L'&') {  // "&&" is a literal ampersand
                ++i;
                continue;
            }
            if (static_cast<wchar_t>(std::towlower(label[i + 1])) == wanted) matches.push_back(pos);
            break;
        }
    }
    if (matches.empty()) return 0;
    if (matches.size() == 1) return MAKELRESULT(matches[0], MNC_EXECUTE);
    // Several items share the key: select the one after the highlighted item.
    int current = -1;
    for (int pos = 0; pos < count; ++pos)
        if (::GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & MF_HILITE) current = pos;
    for (int pos : matches)
        if (pos > current) return MAKELRESULT(pos, MNC_SELECT);
    return MAKELRESULT(matches[0], MNC_SELECT);
}

bool COfficeXPMenu::RouteOwnerMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    LRESULT dummy = 0;
    if (!result) result = &dummy;
    switch (msg) {
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!mis || mis->CtlType != ODT_MENU) return false;
        const auto* data = reinterpret_cast<const COfficeXPMenuData*>(mis->itemData);
        for (COfficeXPMenu* menu : LiveMenus()) {
            if (menu->OwnsData(data)) {
                menu->MeasureItem(mis);
                *result = TRUE;
                return true;
            }
        }
        return false;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (!dis || dis->CtlType != ODT_MENU) return false;
        const auto* data = reinterpret_cast<const COfficeXPMenuData*>(dis->itemData);
        COfficeXPMenu* menu = FromHandle(reinterpret_cast<HMENU>(dis->hwndItem));
        if (!menu || !menu->OwnsData(data)) return false;
        menu->DrawItem(dis);
        *result = TRUE;
        return true;
    }
    case WM_MENUCHAR: {
        HMENU handle = reinterpret_cast<HMENU>(lParam);
        COfficeXPMenu* menu = FromHandle(handle);
        if (!menu || (HIWORD(wParam) & MF_SYSMENU)) return false;
        *result = menu->FindMnemonic(static_cast<wchar_t>(LOWORD(wParam)), handle);
        return true;
    }
    default:
        return false;
    }
}
