#include "ChatListPanel.h"

#include "ChatViewResource.h"
#include "main/DeskGlobals.h"
#include "main/DeskMessages.h"

#include <commctrl.h>

namespace {
constexpr COLORREF kListBackground = 0xFDFCF6;
constexpr COLORREF kSelectedBackground = 0xAAEBFA;
constexpr COLORREF kSelectedText = 0x0C0C0C;
}  // namespace

CChatListPanel::CChatListPanel() : CChildViewBase(IDD_CHAT_SESSION_PAGE) {}

BOOL CChatListPanel::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    const RECT client = GetClientRect();
    m_list.Create(m_hWnd, client, kListId, kRowHeight);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_list.SetColour(CListCtrlEx::kBackground, kListBackground);
    m_list.SetColour(CListCtrlEx::kEvenRow, kListBackground);
    m_list.SetColour(CListCtrlEx::kSelectedBackground, kSelectedBackground);
    m_list.SetColour(CListCtrlEx::kSelectedText, kSelectedText);
    m_list.InsertColumn(0, L"客户", 140);
    m_list.InsertColumn(1, L"描述", 216);
    LayoutControls(client.right, client.bottom);
    return TRUE;
}

int CChatListPanel::LayoutControls(int width, int height) {
    if (m_list.IsWindow()) ::MoveWindow(m_list.GetHwnd(), 0, 0, width, height, TRUE);
    return 0;
}

bool CChatListPanel::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::EndPaint(m_hWnd, &ps);
    return true;
}

int CChatListPanel::GetRowCount() const { return m_list.IsWindow() ? m_list.GetItemCount() : 0; }

int32_t CChatListPanel::GetRowUser(int row) const {
    return m_list.IsWindow() ? static_cast<int32_t>(m_list.GetItemData(row)) : 0;
}

void CChatListPanel::UpdateSession(const UserInfoBase& record, bool remove, bool watched) {
    const CSessionListModel::Change change = m_model.UpdateSession(record, remove, watched);
    if (!m_list.IsWindow()) return;
    if (change.kind == CSessionListModel::Change::kRemoved) {
        m_list.DeleteItem(change.index);
    } else if (change.kind == CSessionListModel::Change::kAdded) {
        const CSessionListModel::Row& row = m_model.Rows()[static_cast<size_t>(change.index)];
        const int index = m_list.InsertItem(change.index, row.name, -1, row.userId);
        if (index >= 0) m_list.SetItemText(index, 1, row.description);
    }
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
