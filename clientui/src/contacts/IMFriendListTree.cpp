#include "clientui/IMFriendListTree.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/StringUtil.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    fw::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rc, brush);
}

// Draws image index of list into a size x size square at (x, y), scaled.
void DrawListImage(HDC dc, HIMAGELIST list, int index, int x, int y, int size) {
    if (!list || index < 0 || index >= ::ImageList_GetImageCount(list)) return;
    HICON icon = ::ImageList_GetIcon(list, index, ILD_TRANSPARENT);
    if (!icon) return;
    ::DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
    ::DestroyIcon(icon);
}

SIZE TextSize(HDC dc, const std::wstring& text) {
    SIZE size = {0, 0};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

}  // namespace

CIMFriendListTree::CIMFriendListTree() {
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(9, screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96, 72);
    if (screen) ::ReleaseDC(nullptr, screen);
    m_font.Reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"\u5B8B\u4F53"));  // SimSun
    HINSTANCE program = ::GetModuleHandleW(nullptr);
    m_groupCollapsed.Reset(::LoadBitmapW(program, MAKEINTRESOURCEW(kGroupCollapsedBitmap)));
    m_groupExpanded.Reset(::LoadBitmapW(program, MAKEINTRESOURCEW(kGroupExpandedBitmap)));
    m_noFace = static_cast<HICON>(::LoadImageW(program, MAKEINTRESOURCEW(kNoFaceIcon), IMAGE_ICON, 40, 40, 0));
}

CIMFriendListTree::~CIMFriendListTree() {
    if (m_noFace) ::DestroyIcon(m_noFace);
}

bool CIMFriendListTree::SubclassTree(HWND tree) {
    if (!Subclass(tree)) return false;
    PrepareControl();
    return true;
}

bool CIMFriendListTree::Create(HWND parent, const RECT& rect, UINT id, DWORD style) {
    if (!CreateEx(0, WC_TREEVIEWW, L"", style | WS_CHILD, rect, parent, id)) return false;
    PrepareControl();
    return true;
}

void CIMFriendListTree::PrepareControl() {
    SendMessage(TVM_SETITEMHEIGHT, kItemUnitHeight);
    SendMessage(TVM_SETINDENT, 0);
    if (!m_font.IsNull()) SetFont(m_font, false);
}

// ---------------------------------------------------------------------------
// Filling

void CIMFriendListTree::InsertGroups(const std::vector<CategoryRecord>& categories) {
    DeleteAllItems();
    m_model.ClearContacts();
    for (const CategoryRecord& category : categories)
        InsertItem(fw::FromAnsiField(category.name), TVI_ROOT, TVI_LAST, kGroupImage, kGroupImage, 0);
}

int CIMFriendListTree::InsertFriends(const FriendMap& friends) {
    const UINT integral = IsSmallLayout() ? 1 : 2;
    for (const auto& category : friends) {
        HTREEITEM group = nullptr;
        for (HTREEITEM root = GetRootItem(); root; root = GetNextSiblingItem(root)) {
            if (::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, GetItemText(root).c_str(), -1,
                                 category.first.c_str(), -1) == CSTR_EQUAL) {
                group = root;
                break;
            }
        }
        if (!group) continue;
        for (const UserInfoBase& record : category.second) {
            const FriendTreeContact contact = FriendTreeContact::FromRecord(record);
            m_model.SetContact(contact);
            TVINSERTSTRUCTW tvi = {};
            tvi.hParent = group;
            tvi.hInsertAfter = TVI_LAST;
            tvi.itemex.mask = TVIF_TEXT | TVIF_PARAM | TVIF_INTEGRAL;
            tvi.itemex.pszText = const_cast<wchar_t*>(contact.nickname.c_str());
            tvi.itemex.lParam = static_cast<LPARAM>(contact.userId);
            tvi.itemex.iIntegral = static_cast<int>(integral);
            SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
        }
        // Sorting once after the group's members are in gives the order that
        // sorting after each insertion gives.
        SortGroup(group);
    }
    for (HTREEITEM root = GetRootItem(); root;) {
        HTREEITEM next = GetNextSiblingItem(root);
        if (!GetChildItem(root)) DeleteItem(root);
        root = next;
    }
    if (HTREEITEM first = GetRootItem()) Expand(first, TVE_EXPAND);
    Invalidate(false);
    return static_cast<int>(friends.size());
}

int CALLBACK CIMFriendListTree::CompareItems(LPARAM a, LPARAM b, LPARAM self) {
    const auto* tree = reinterpret_cast<const CIMFriendListTree*>(self);
    return tree->m_model.CompareIds(static_cast<int32_t>(a), static_cast<int32_t>(b));
}

void CIMFriendListTree::SortGroup(HTREEITEM group) {
    if (!group) return;
    TVSORTCB sort = {};
    sort.hParent = group;
    sort.lpfnCompare = &CIMFriendListTree::CompareItems;
    sort.lParam = reinterpret_cast<LPARAM>(this);
    SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

// ---------------------------------------------------------------------------
// Queries and changes

bool CIMFriendListTree::GetRowRect(HTREEITEM item, RECT* rc) const {
    if (!item || !rc) return false;
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    std::memcpy(rc, &item, sizeof item);
    return SendMessage(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(rc)) != 0;
}

bool CIMFriendListTree::IsGroupItem(HTREEITEM item) const { return item && !GetParentItem(item); }

int32_t CIMFriendListTree::GetUserId(HTREEITEM item) const {
    if (!item || IsGroupItem(item)) return 0;
    return static_cast<int32_t>(GetItemData(item));
}

HTREEITEM CIMFriendListTree::FindUserItem(int32_t userId) const {
    // Every message that names an item costs the control a search among all
    // its items, so the users' items are indexed in one walk, kept until an
    // item is inserted, changed or deleted (see WindowProc).
    if (!m_userItemsValid) {
        m_userItems.clear();
        m_indexedItems.clear();
        // The children of every group first, then theirs: the first item of
        // a user in this order is the one found.
        std::vector<std::pair<HTREEITEM, HTREEITEM>> pending;  // item, parent
        for (HTREEITEM root = GetRootItem(); root; root = GetNextSiblingItem(root)) {
            m_indexedItems[root].data = static_cast<int32_t>(GetItemData(root));
            for (HTREEITEM child = GetChildItem(root); child; child = GetNextSiblingItem(child))
                pending.emplace_back(child, root);
        }
        for (size_t i = 0; i < pending.size(); ++i) {
            const HTREEITEM item = pending[i].first;
            const int32_t user = static_cast<int32_t>(GetItemData(item));
            m_userItems.emplace(user, item);
            IndexedItem& indexed = m_indexedItems[item];
            indexed.data = user;
            indexed.parent = pending[i].second;
            ++m_indexedItems[pending[i].second].children;
            for (HTREEITEM child = GetChildItem(item); child; child = GetNextSiblingItem(child))
                pending.emplace_back(child, item);
        }
        m_userItemsValid = true;
    }
    const auto it = m_userItems.find(userId);
    return it == m_userItems.end() ? nullptr : it->second;
}

HTREEITEM CIMFriendListTree::IndexedParent(HTREEITEM item) const {
    if (m_userItemsValid) {
        const auto it = m_indexedItems.find(item);
        if (it != m_indexedItems.end()) return it->second.parent;
    }
    return GetParentItem(item);
}

LRESULT CIMFriendListTree::InsertIndexed(UINT msg, WPARAM wParam, LPARAM lParam) {
    // An empty tree has an empty index.
    if (!m_userItemsValid && fw::CTreeCtrl::WindowProc(TVM_GETCOUNT, 0, 0) == 0) {
        m_userItems.clear();
        m_indexedItems.clear();
        m_userItemsValid = true;
    }
    const bool wasValid = m_userItemsValid;
    const auto* insert = reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
    // The fields read lie at the same places in the A and W structures.
    HTREEITEM parent = insert ? insert->hParent : nullptr;
    if (parent == TVI_ROOT) parent = nullptr;
    const int32_t data = insert && (insert->itemex.mask & TVIF_PARAM) ? static_cast<int32_t>(insert->itemex.lParam) : 0;
    m_userItemsValid = false;
    const LRESULT result = fw::CTreeCtrl::WindowProc(msg, wParam, lParam);
    const auto item = reinterpret_cast<HTREEITEM>(result);
    // Followed when nothing asked for the index meanwhile, the parent is
    // known, and the user has no other item (which of two is found depends
    // on the order of the walk).
    if (!wasValid || m_userItemsValid || !item || (parent && !m_indexedItems.count(parent)) ||
        (parent && m_userItems.count(data)))
        return result;
    IndexedItem& indexed = m_indexedItems[item];
    indexed.data = data;
    indexed.parent = parent;
    if (parent) {
        ++m_indexedItems[parent].children;
        m_userItems.emplace(data, item);
    }
    m_userItemsValid = true;
    return result;
}

LRESULT CIMFriendListTree::DeleteIndexed(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool wasValid = m_userItemsValid;
    const auto item = reinterpret_cast<HTREEITEM>(lParam);
    const auto it = wasValid && item && item != TVI_ROOT ? m_indexedItems.find(item) : m_indexedItems.end();
    const bool leaf = it != m_indexedItems.end() && it->second.children == 0;
    // A notice during the deletion that asks walks the tree as it is then.
    m_userItemsValid = false;
    const LRESULT result = fw::CTreeCtrl::WindowProc(msg, wParam, lParam);
    if (!leaf || !result || m_userItemsValid) {
        m_userItemsValid = false;
        return result;
    }
    const IndexedItem gone = it->second;
    m_indexedItems.erase(it);
    if (gone.parent) {
        --m_indexedItems[gone.parent].children;
        const auto user = m_userItems.find(gone.data);
        if (user != m_userItems.end() && user->second == item) {
            m_userItems.erase(user);
            // Another item of the user: which one is found depends on the
            // order of the walk.
            for (const auto& other : m_indexedItems)
                if (other.second.parent && other.second.data == gone.data) return result;
        }
    }
    m_userItemsValid = true;
    return result;
}

std::vector<int32_t> CIMFriendListTree::GetGroupMembers(HTREEITEM group) const {
    std::vector<int32_t> ids;
    for (HTREEITEM child = GetChildItem(group); child; child = GetNextSiblingItem(child))
        ids.push_back(static_cast<int32_t>(GetItemData(child)));
    return ids;
}

std::wstring CIMFriendListTree::GetGroupText(HTREEITEM group) const {
    const std::pair<int, int> counts = m_model.CountGroup(GetGroupMembers(group));
    return CFriendTreeModel::GroupText(GetItemText(group), counts.first, counts.second);
}

BOOL CIMFriendListTree::SetUserStatus(int32_t userId, int32_t status) {
    return SetUserStatuses({{userId, status}}) != 0 ? TRUE : FALSE;
}

int CIMFriendListTree::SetUserStatuses(const std::vector<std::pair<int32_t, int32_t>>& statuses) {
    std::vector<HTREEITEM> groups;
    int found = 0;
    for (const auto& entry : statuses) {
        HTREEITEM item = FindUserItem(entry.first);
        if (!item || !m_model.SetStatus(entry.first, entry.second)) continue;
        ++found;
        HTREEITEM group = IndexedParent(item);
        if (group && std::find(groups.begin(), groups.end(), group) == groups.end()) groups.push_back(group);
    }
    // The order within a group follows from the contacts' final values
    // alone, so one sort after all changes equals one after each.
    for (HTREEITEM group : groups) SortGroup(group);
    if (found) Invalidate(false);
    return found;
}

BOOL CIMFriendListTree::UpdateUser(const UserInfoBase& record) {
    HTREEITEM item = record.userId != 0 ? FindUserItem(record.userId) : nullptr;
    if (!item) return FALSE;
    const FriendTreeContact contact = FriendTreeContact::FromRecord(record);
    m_model.SetContact(contact);
    TVITEMW text = {};
    text.mask = TVIF_TEXT;
    text.hItem = item;
    text.pszText = const_cast<wchar_t*>(contact.nickname.c_str());
    SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&text));
    SortGroup(IndexedParent(item));
    Invalidate(false);
    return TRUE;
}

HTREEITEM CIMFriendListTree::MoveToFirst(HTREEITEM item) {
    HTREEITEM group = GetParentItem(item);
    if (!group || GetChildItem(group) == item) return item;
    const bool wasSelected = GetSelectedItem() == item;
    TVITEMEXW old = {};
    old.mask = TVIF_PARAM | TVIF_INTEGRAL;
    old.hItem = item;
    SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&old));
    const std::wstring text = GetItemText(item);
    TVINSERTSTRUCTW tvi = {};
    tvi.hParent = group;
    tvi.hInsertAfter = TVI_FIRST;
    tvi.itemex.mask = TVIF_TEXT | TVIF_PARAM | TVIF_INTEGRAL;
    tvi.itemex.pszText = const_cast<wchar_t*>(text.c_str());
    tvi.itemex.lParam = old.lParam;
    tvi.itemex.iIntegral = old.iIntegral;
    HTREEITEM moved = reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tvi)));
    if (!moved) return item;
    DeleteItem(item);
    if (wasSelected) SelectItem(moved);
    Invalidate(false);
    return moved;
}

void CIMFriendListTree::FlashUser(int32_t userId, bool on) {
    if (!on) {
        if (!m_model.IsFlashing(userId)) return;
        m_model.RemoveFlash(userId);
        // The last step may have left the row (or its collapsed group)
        // blank or jumped: paint it as it stands.
        if (m_hWnd) Invalidate(false);
        return;
    }
    m_model.AddFlash(userId);
    if (!m_timerRunning && m_hWnd) {
        // Started with the first flashing user; once started, the timer
        // runs while the tree lives.
        m_timerRunning = SetTimer(kFlashTimer, kFlashPeriodMs) != 0;
    }
    if (HTREEITEM item = FindUserItem(userId)) MoveToFirst(item);
}

// ---------------------------------------------------------------------------
// Messages

LRESULT CIMFriendListTree::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaintTree();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        if (OnLButtonDown(lParam)) return 0;
        break;
    case WM_LBUTTONDBLCLK:
        if (OnLButtonDblClk(lParam)) return 0;
        break;
    case WM_RBUTTONDOWN:
        OnRButtonDown(lParam);
        return 0;
    case TVM_INSERTITEMA:
    case TVM_INSERTITEMW:
        return InsertIndexed(msg, wParam, lParam);
    case TVM_DELETEITEM:
        return DeleteIndexed(msg, wParam, lParam);
    case TVM_SETITEMA:
    case TVM_SETITEMW: {
        // A new text, picture or state keeps the item and its user: the
        // index stands. A new item data changes a user: the index is built
        // again when needed (also after the change, in case a notice
        // during it asked).
        const auto* item = reinterpret_cast<const TVITEMW*>(lParam);
        if (item && !(item->mask & TVIF_PARAM)) break;
        m_userItemsValid = false;
        const LRESULT result = fw::CTreeCtrl::WindowProc(msg, wParam, lParam);
        m_userItemsValid = false;
        return result;
    }
    default:
        break;
    }
    return fw::CTreeCtrl::WindowProc(msg, wParam, lParam);
}

bool CIMFriendListTree::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_NOTIFY) {
        const auto* nm = reinterpret_cast<const NMTREEVIEWW*>(lParam);
        if (nm && (nm->hdr.code == TVN_ITEMEXPANDINGW || nm->hdr.code == TVN_ITEMEXPANDINGA)) {
            RECT rc = {};
            if (GetRowRect(nm->itemNew.hItem, &rc)) Invalidate(false);
        }
    }
    return false;  // the parent sees every notification too
}

bool CIMFriendListTree::OnTimer(UINT_PTR id) {
    if (id != kFlashTimer) return false;
    OnFlashStep();
    return true;
}

HTREEITEM CIMFriendListTree::ItemAt(LPARAM lParam) const {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    UINT flags = 0;
    HTREEITEM item = HitTest(pt, &flags);
    return (flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON | TVHT_ONITEMRIGHT)) ? item : nullptr;
}

bool CIMFriendListTree::OnLButtonDown(LPARAM lParam) {
    HTREEITEM item = ItemAt(lParam);
    if (!item || !IsGroupItem(item)) return false;
    // Groups open and close on a click and are never selected by it.
    const bool expanded = (SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) &
                           TVIS_EXPANDED) != 0;
    Expand(item, expanded ? TVE_COLLAPSE : TVE_EXPAND);
    Invalidate(false);
    return true;
}

bool CIMFriendListTree::OnLButtonDblClk(LPARAM lParam) {
    HTREEITEM item = ItemAt(lParam);
    if (!item || IsGroupItem(item)) return false;
    HWND target = m_openChatTarget;
    if (!target) {
        HWND parent = GetParent();
        target = parent ? ::GetParent(parent) : nullptr;
    }
    if (target) ::SendMessageW(target, WM_OPEN_CHAT, static_cast<WPARAM>(GetUserId(item)), 0);
    return true;
}

void CIMFriendListTree::OnRButtonDown(LPARAM lParam) {
    HTREEITEM item = ItemAt(lParam);
    if (!item || IsGroupItem(item)) return;
    // The item is selected the way a left click selects it, without the
    // tree's own button-down mouse tracking (which would wait for a button
    // message that the right click does not send).
    SetFocus();
    SelectItem(item);
    HWND parent = GetParent();
    if (parent) ::SendMessageW(parent, WM_CONTACT_MENU, static_cast<WPARAM>(GetUserId(item)), 0);
}

// ---------------------------------------------------------------------------
// Painting

COLORREF CIMFriendListTree::BackgroundColour() const {
    const COLORREF colour = static_cast<COLORREF>(SendMessage(TVM_GETBKCOLOR));
    return colour == static_cast<COLORREF>(-1) ? ::GetSysColor(COLOR_WINDOW) : colour;
}

bool CIMFriendListTree::IsSelectedRow(HTREEITEM item) const {
    const UINT state = static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_SELECTED));
    if (!(state & TVIS_SELECTED)) return false;
    return ::GetFocus() == m_hWnd || (GetStyle() & TVS_SHOWSELALWAYS);
}

void CIMFriendListTree::FillVertical(HDC dc, const RECT& rc, COLORREF top, COLORREF bottom) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    TRIVERTEX v[2] = {};
    v[0].x = rc.left;
    v[0].y = rc.top;
    v[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
    v[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
    v[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
    v[1].x = rc.right;
    v[1].y = rc.bottom;
    v[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
    v[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
    v[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
    GRADIENT_RECT gr = {0, 1};
    ::GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
}

void CIMFriendListTree::OnPaintTree() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    // Only the rows in the part to paint are drawn: a focus or selection
    // change repaints a row or two, not every row shown.
    RECT box = client;
    RECT clip = {};
    if (::GetClipBox(paint, &clip) != ERROR && !::IntersectRect(&box, &client, &clip)) return;
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    fw::CMemoryDC mem(paint, width, height);
    if (!mem.IsValid()) return;
    ::SetViewportOrgEx(mem, -box.left, -box.top, nullptr);
    FillSolid(mem, box, BackgroundColour());
    fw::CSelectObject font(mem, m_font.IsNull() ? ::GetStockObject(DEFAULT_GUI_FONT) : m_font.Get());
    ::SetBkMode(mem, TRANSPARENT);
    for (HTREEITEM item = GetNextItem(nullptr, TVGN_FIRSTVISIBLE); item; item = GetNextItem(item, TVGN_NEXTVISIBLE)) {
        RECT row = {};
        if (!GetRowRect(item, &row)) break;
        if (row.top >= box.bottom) break;
        if (row.bottom <= box.top) continue;
        row.left = client.left;
        row.right = client.right;
        const bool groupRow = GetChildItem(item) || !GetParentItem(item);
        if (groupRow) PaintGroupRow(mem, item, row, true);
        else PaintUserRow(mem, item, row, IsSelectedRow(item));
    }
    ::BitBlt(paint, box.left, box.top, width, height, mem, box.left, box.top, SRCCOPY);
}

void CIMFriendListTree::PaintGroupRow(HDC dc, HTREEITEM item, const RECT& row, bool withMarkAndText) const {
    FillVertical(dc, row, kGroupTop, kGroupBottom);
    if (!withMarkAndText) return;
    const bool expanded =
        (SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    HBITMAP mark = expanded ? m_groupExpanded.Get() : m_groupCollapsed.Get();
    int textLeft = 3;
    if (mark) {
        const SIZE size = fw::GetBitmapSize(mark);
        HDC src = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(src, mark);
        ::BitBlt(dc, 3, row.top + (row.bottom - row.top - size.cy) / 2, size.cx, size.cy, src, 0, 0, SRCAND);
        ::SelectObject(src, old);
        ::DeleteDC(src);
        textLeft = 3 + size.cx;
    }
    const std::wstring text = GetGroupText(item);
    RECT textRect{textLeft + 5, row.top, row.right, row.bottom};
    const COLORREF oldColour = ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawTextW(dc, text.c_str(), -1, &textRect, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    ::SetTextColor(dc, oldColour);
}

void CIMFriendListTree::DrawFace(HDC dc, const FriendTreeContact& contact, int x, int y, bool standIn) const {
    const int size = FaceSize();
    const int face = CFriendTreeModel::FaceImage(contact.status, contact.faceKind);
    const bool haveFace = m_faces && face >= 0 && face < ::ImageList_GetImageCount(m_faces);
    if (haveFace) DrawListImage(dc, m_faces, face, x, y, size);
    else if (standIn && m_noFace) ::DrawIconEx(dc, x, y, m_noFace, size, size, 0, nullptr, DI_NORMAL);
    if (CFriendTreeModel::HasStatusMark(contact.status)) {
        const int mark = StatusSize();
        DrawListImage(dc, m_statuses, contact.status, x + size - mark, y + size - mark, mark);
    }
}

void CIMFriendListTree::PaintUserText(HDC dc, const FriendTreeContact& contact, const RECT& row) const {
    const int left = 6 + FaceSize() + 5;
    const int right = row.right - 20;
    if (right <= left) return;
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(dc, &tm);
    const int lineHeight = tm.tmHeight;
    const int top = IsSmallLayout() ? row.top + (row.bottom - row.top - lineHeight) / 2 : row.top + 6;
    const std::pair<std::wstring, std::wstring> first = CFriendTreeModel::FirstLine(contact);
    const UINT format = DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    RECT line{left, top, right, top + lineHeight};
    const COLORREF oldColour = ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawTextW(dc, first.first.c_str(), -1, &line, format);
    if (!first.second.empty()) {
        RECT rest = line;
        rest.left = std::min(right, left + static_cast<int>(TextSize(dc, first.first).cx));
        ::SetTextColor(dc, kGrayText);
        ::DrawTextW(dc, first.second.c_str(), -1, &rest, format);
    }
    if (!IsSmallLayout()) {
        RECT second{left, line.bottom + 3, right, line.bottom + 3 + lineHeight};
        const std::wstring signature = CFriendTreeModel::SignatureLine(contact);
        ::SetTextColor(dc, kGrayText);
        ::DrawTextW(dc, signature.c_str(), -1, &second, format);
    }
    ::SetTextColor(dc, oldColour);
}

void CIMFriendListTree::PaintUserRow(HDC dc, HTREEITEM item, const RECT& row, bool selected) const {
    if (selected) FillVertical(dc, row, kSelectedTop, kSelectedBottom);
    const FriendTreeContact* contact = m_model.FindContact(GetUserId(item));
    if (!contact) return;
    DrawFace(dc, *contact, 6, row.top + 6, false);
    PaintUserText(dc, *contact, row);
}

void CIMFriendListTree::OnFlashStep() {
    if (!m_hWnd) return;
    const auto step = m_model.TakeFlashStep();
    if (step.empty()) return;
    fw::CClientDC dc(m_hWnd);
    fw::CSelectObject font(dc, m_font.IsNull() ? ::GetStockObject(DEFAULT_GUI_FONT) : m_font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    const RECT client = GetClientRect();
    for (const auto& entry : step) {
        HTREEITEM item = FindUserItem(entry.first);
        const FriendTreeContact* contact = m_model.FindContact(entry.first);
        if (!item || !contact) continue;
        const int phase = entry.second;
        HTREEITEM group = GetParentItem(item);
        const bool expanded =
            group && (SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(group), TVIS_EXPANDED) & TVIS_EXPANDED);
        HTREEITEM shown = expanded ? item : group;
        if (!shown) continue;
        RECT row = {};
        if (!GetRowRect(shown, &row)) continue;  // not visible
        row.left = client.left;
        row.right = client.right;
        if (expanded) {
            const bool selected = IsSelectedRow(item);
            const RECT faceArea{0, row.top, FaceSize() + 6, row.bottom};
            FillSolid(dc, faceArea, BackgroundColour());
            if (selected) {
                // The selection gradient over the whole row, so that the
                // face area matches the rest; the text is drawn again on it.
                FillVertical(dc, row, kSelectedTop, kSelectedBottom);
            }
            DrawFace(dc, *contact, 6 - 6 * phase, row.top + 6, true);
            if (selected) PaintUserText(dc, *contact, row);
        } else {
            PaintGroupRow(dc, group, row, phase == 0);
        }
    }
}
