#include "ChatPlaceholderPanel.h"

#include "IMResource.h"

#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/StringUtil.h"

#include <cstring>

const wchar_t CChatPlaceholderPanel::kNotice[] = L"聊天窗口还没有做好：这一版还不能和好友聊天，请留意以后的版本。";

CChatPlaceholderPanel::CChatPlaceholderPanel() : CPanelBase(IDD_IM_CHAT) { std::memset(&m_peer, 0, sizeof m_peer); }

CChatPlaceholderPanel::~CChatPlaceholderPanel() = default;

void CChatPlaceholderPanel::SetPeer(const UserInfoBase& peer) {
    m_peer = peer;
    m_title = fw::FormatString(L"与 %ls 交流中", fw::FromAnsiField(peer.nickname).c_str());
}

BOOL CChatPlaceholderPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    SetWindowText(m_title);
    const HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(nullptr, work.left + (work.right - work.left - kWidth) / 2,
                 work.top + (work.bottom - work.top - kHeight) / 2, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (HWND close = GetDlgItem(IDC_PANEL_CLOSE)) ::MoveWindow(close, kWidth - 35, 1, 29, 18, TRUE);
    if (HWND minimize = GetDlgItem(IDC_PANEL_MINIMIZE)) ::MoveWindow(minimize, kWidth - 57, 1, 22, 18, TRUE);
    if (HWND notice = GetDlgItem(IDC_IM_CHAT_NOTICE)) {
        ::SetWindowTextW(notice, kNotice);
        ::MoveWindow(notice, 20, 48, kWidth - 40, kHeight - 68, TRUE);
        ::SendMessageW(notice, WM_SETFONT, reinterpret_cast<WPARAM>(m_skin.m_fontNormal.Get()), FALSE);
    }
    return TRUE;
}

bool CChatPlaceholderPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::CMemoryDC memory(paint, client.right, client.bottom);
    HDC dc = memory.IsValid() ? memory.Get() : paint.Get();
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, client.right, m_nCaptionHeight);
    if (m_skin.m_hIcon) ::DrawIconEx(dc, 5, 5, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    fw::CSelectObject font(dc, m_skin.m_fontNormal.Get());
    RECT title = {26, 0, client.right - 60, m_nCaptionHeight};
    ::DrawTextW(dc, m_title.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (memory.IsValid()) memory.CopyTo(paint);
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

bool CChatPlaceholderPanel::OnClose() {
    // The registry holds it as a conversation: taking it out deletes it
    // once this handler has returned.
    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    if (registry->Holds(this))
        registry->CloseChatWindow(this);
    else
        DestroyWindow();
    return true;
}

HBRUSH CChatPlaceholderPanel::OnCtlColor(UINT, HDC dc, HWND child) {
    if (::GetDlgCtrlID(child) != IDC_IM_CHAT_NOTICE) return nullptr;
    ::SetTextColor(dc, RGB(0x1C, 0x1C, 0x1C));
    ::SetBkColor(dc, RGB(255, 255, 255));
    return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
}
