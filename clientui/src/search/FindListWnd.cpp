#include "clientui/FindListWnd.h"

#include "fw/GdiObject.h"

const FindListStyle kDeskFindList = {CFindListWnd::kTemplateId, CFindListWnd::kListId, CFindListWnd::kFrameColour,
                                     true};
const FindListStyle kMessengerFindList = {406, 1516, 0xB99D7F, false};

CFindListWnd::CFindListWnd(HINSTANCE instance, const FindListStyle& style)
    : fw::CDialog(style.templateId, instance), m_style(style) {}

CFindListWnd::~CFindListWnd() {
    m_list.Detach();
    if (IsWindow()) DestroyWindow();
}

bool CFindListWnd::Create(HWND parent) { return fw::CDialog::Create(parent); }

BOOL CFindListWnd::OnInitDialog() {
    m_list.Attach(GetDlgItem(m_style.listId));
    m_list.SetItemHeight(0, kItemHeight);
    ShowWindow(SW_HIDE);
    return FALSE;
}

void CFindListWnd::ClearList() {
    if (m_list.GetHwnd()) m_list.ResetContent();
}

bool CFindListWnd::AddItem(const std::wstring& text, int32_t userId) {
    if (!m_list.GetHwnd() || static_cast<size_t>(m_list.GetCount()) >= kMaxItems) return false;
    const int index = m_list.AddString(text);
    if (index < 0) return false;
    m_list.SetItemData(index, static_cast<LPARAM>(userId));
    m_list.SetCurSel(0);
    return true;
}

int32_t CFindListWnd::GetItemUserId(int index) const {
    const LPARAM data = m_list.GetItemData(index);
    if (data == LB_ERR) return 0;
    return static_cast<int32_t>(data);
}

void CFindListWnd::MoveSelection(int step) {
    const int count = m_list.GetCount();
    if (count <= 0) return;
    const int current = m_list.GetCurSel();
    int next;
    if (step < 0) {
        next = (current <= 0) ? count - 1 : current - 1;
    } else {
        next = (current < 0 || current >= count - 1) ? 0 : current + 1;
    }
    m_list.SetCurSel(next);
}

bool CFindListWnd::OpenSelected() {
    const int selected = m_list.GetCurSel();
    if (selected < 0) return false;
    const int32_t userId = GetItemUserId(selected);
    if (userId == 0) return false;
    ::SendMessageW(GetParent(), WM_OPEN_CHAT, static_cast<WPARAM>(userId), 0);
    return true;
}

bool CFindListWnd::HandleKey(UINT virtualKey) {
    switch (virtualKey) {
    case VK_UP:
        MoveSelection(-1);
        return true;
    case VK_DOWN:
        MoveSelection(1);
        return true;
    case VK_RETURN:
        OpenSelected();
        if (IsWindow()) ShowWindow(SW_HIDE);
        return true;
    default:
        return false;
    }
}

bool CFindListWnd::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && HandleKey(static_cast<UINT>(msg.wParam))) return true;
    return fw::CDialog::PreTranslateMessage(msg);
}

void CFindListWnd::OnOK() { ShowWindow(SW_HIDE); }

void CFindListWnd::OnCancel() { ShowWindow(SW_HIDE); }

bool CFindListWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == m_style.listId && HIWORD(wParam) == LBN_DBLCLK) {
        OpenSelected();
        return true;
    }
    return fw::CDialog::OnCommand(wParam, lParam);
}

bool CFindListWnd::OnSize(UINT, int cx, int cy) {
    if (m_list.GetHwnd()) {
        const int width = cx > 2 ? cx - 2 : 0;
        const int height = cy > 2 ? cy - 2 : 0;
        ::MoveWindow(m_list.GetHwnd(), 1, 1, width, height, TRUE);
    }
    return true;
}

bool CFindListWnd::OnEraseBkgnd(HDC dc, LRESULT* result) {
    const RECT client = GetClientRect();
    fw::CBrush frame(::CreateSolidBrush(m_style.frameColour));
    ::FrameRect(dc, &client, frame.Get());
    *result = 1;
    return true;
}

void CFindListWnd::OnActivate(UINT state) {
    if (state == WA_INACTIVE) {
        ShowWindow(SW_HIDE);
    } else if (state == WA_CLICKACTIVE) {
        ShowWindow(SW_SHOWNORMAL);
    }
}

LRESULT CFindListWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ACTIVATE: {
        const LRESULT result = fw::CDialog::WindowProc(msg, wParam, lParam);
        if (IsWindow()) OnActivate(LOWORD(wParam));
        return result;
    }
    case WM_KILLFOCUS:
        if (m_style.hideOnKillFocus) ShowWindow(SW_HIDE);
        break;
    case WM_NCDESTROY:
        m_list.Detach();
        break;
    default:
        break;
    }
    return fw::CDialog::WindowProc(msg, wParam, lParam);
}
