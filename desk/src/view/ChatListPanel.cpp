#include "ChatListPanel.h"

#include "ChatViewResource.h"
#include "main/DeskGlobals.h"
#include "main/DeskMessages.h"

#include "fw/StringUtil.h"

#include <commctrl.h>

namespace {
constexpr COLORREF kListBackground = 0xFDFCF6;
}

CChatListPanel::CChatListPanel() : CChildViewBase(IDD_CHAT_SESSION_PAGE) {}

BOOL CChatListPanel::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    m_list = ::CreateWindowExW(0, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 10,
                               10, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), nullptr, nullptr);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT);
    ListView_SetBkColor(m_list, kListBackground);
    ListView_SetTextBkColor(m_list, kListBackground);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 140;
    column.pszText = const_cast<wchar_t*>(L"客户");
    ListView_InsertColumn(m_list, 0, &column);
    column.cx = 216;
    column.pszText = const_cast<wchar_t*>(L"描述");
    ListView_InsertColumn(m_list, 1, &column);
    const RECT client = GetClientRect();
    LayoutControls(client.right, client.bottom);
    return TRUE;
}

int CChatListPanel::LayoutControls(int width, int height) {
    if (m_list) ::MoveWindow(m_list, 0, 0, width, height, TRUE);
    return 0;
}

bool CChatListPanel::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::EndPaint(m_hWnd, &ps);
    return true;
}

int CChatListPanel::FindRow(int32_t userId) const {
    const int count = GetRowCount();
    for (int row = 0; row < count; ++row)
        if (GetRowUser(row) == userId) return row;
    return -1;
}

int CChatListPanel::GetRowCount() const { return m_list ? ListView_GetItemCount(m_list) : 0; }

int32_t CChatListPanel::GetRowUser(int row) const {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!m_list || !ListView_GetItem(m_list, &item)) return 0;
    return static_cast<int32_t>(item.lParam);
}

void CChatListPanel::UpdateSession(const UserInfoBase& record, bool remove, bool watched) {
    if (!m_list) return;
    if (remove) {
        const int row = FindRow(record.userId);
        if (row >= 0) ListView_DeleteItem(m_list, row);
        return;
    }
    if (record.userId == 0) return;
    std::wstring name = fw::FromAnsiField(record.nickname);
    std::wstring description = watched ? std::wstring(L"临时会话(转接或抢接)") : fw::FromAnsiField(record.category);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = GetRowCount();
    item.pszText = &name[0];
    item.lParam = record.userId;
    const int row = ListView_InsertItem(m_list, &item);
    if (row >= 0) ListView_SetItemText(m_list, row, 1, &description[0]);
}

bool CChatListPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == kListId && hdr->code == NM_DBLCLK) {
        const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
        const int32_t user = activate->iItem >= 0 ? GetRowUser(activate->iItem) : 0;
        if (user != 0 && g_hMainWnd) ::SendMessageW(g_hMainWnd, WM_OPEN_CHAT, static_cast<WPARAM>(user), 0);
        *result = 0;
        return true;
    }
    return CChildViewBase::OnNotify(wParam, hdr, result);
}
