#include "LogonHostWindow.h"

#include "DeskResource.h"
#include "DisplayTitle.h"
#include "InstanceControl.h"

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/LogonErrorText.h"

#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

CLogonHostWindow::CLogonHostWindow(bool manualLogon, int32_t cmdUserId)
    : fw::CDialog(IDD_LOGON_HOST), m_logonPanel(kDeskDisplayTitle), m_bManualLogon(manualLogon),
      m_nCmdUserID(cmdUserId) {}

CLogonHostWindow::~CLogonHostWindow() = default;

void CLogonHostWindow::SetState(const std::wstring& caption, const std::wstring& state) {
    SetWindowText(caption);
    ::SetDlgItemTextW(m_hWnd, IDC_LOGON_HOST_STATE, state.c_str());
}

HWND CLogonHostWindow::MessageOwner() const { return LogonPanelOpen() ? m_logonPanel.GetHwnd() : m_hWnd; }

BOOL CLogonHostWindow::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    SetWindowText(kDeskDisplayTitle);
    if (g_EngineModule.MInitModule) g_EngineModule.MInitModule(m_hWnd);
    const HINSTANCE program = ::GetModuleHandleW(nullptr);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(::LoadIconW(program, MAKEINTRESOURCEW(IDR_MAINFRAME))));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(::LoadIconW(program, MAKEINTRESOURCEW(IDR_MAINFRAME))));
    SetState(fw::FormatString(L"%ls - 未登录 ", kDeskDisplayTitle), L"未登录");

    if (m_bManualLogon) {
        // The log-on panel runs inside this initialisation; anything but OK
        // ends the program.
        if (m_logonPanel.DoModal(m_hWnd) != IDOK) {
            ::PostQuitMessage(0);
            EndDialog(IDCANCEL);
            return FALSE;
        }
    } else {
        StartAutomaticLogon();
    }
    return TRUE;
}

void CLogonHostWindow::StartAutomaticLogon() {
    // The account of the command line with an empty password (type 10).
    m_logonPanel.SetLogonInfo(fw::FormatString(L"%d", m_nCmdUserID), std::wstring());
    g_ClientSettings.LoadServerInfo();
    if (g_EngineModule.MLogon)
        g_EngineModule.MLogon(m_logonPanel.GetAccount().c_str(), m_logonPanel.GetPassword().c_str(), LOGON_TYPE_AUTO,
                              g_ClientSettings.serverEntry.c_str(), kChatServerPort);
    m_logonPanel.SetLogonState(kLogonStateStarted);
    SetState(fw::FormatString(L"%ls - 未登录 ", kDeskDisplayTitle), L"正在登录…");
}

bool CLogonHostWindow::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return true;
    return fw::CDialog::PreTranslateMessage(msg);
}

LRESULT CLogonHostWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INSTANCE_CONTROL) return OnInstanceControl(wParam, lParam);
    switch (msg) {
    case WM_IM_CONNECT:
        return OnConnect(wParam);
    case WM_IM_LOGON:
        return OnLogonResult(wParam, lParam);
    case WM_IM_NOTIFY:
        return OnNotify(wParam, lParam);
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam, lParam);
    default:
        return fw::CDialog::WindowProc(msg, wParam, lParam);
    }
}

LRESULT CLogonHostWindow::OnConnect(WPARAM connected) {
    if (connected) return 0;
    fw::ShowMessageBox(MessageOwner(), L"连接服务器失败:(", kDeskDisplayTitle, MB_OK);
    if (LogonPanelOpen()) m_logonPanel.EnableInputs();
    return 0;
}

LRESULT CLogonHostWindow::OnLogonResult(WPARAM loggedOn, LPARAM code) {
    if (loggedOn) {
        const int32_t self = g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0;
        g_ClientSettings.LoadUserConfig(self);
        g_ClientSettings.LoadSystemSetting(self);
        return 0;
    }
    if (g_EngineModule.MLogonOut) g_EngineModule.MLogonOut(1);
    const int result = static_cast<int>(code);
    // A refused automatic log-on of an unknown account stays silent.
    if (m_bManualLogon || result != LOGON_ERR_PASSWORD)
        fw::ShowMessageBox(MessageOwner(), FormatLogonFailure(result), kDeskDisplayTitle, MB_OK);
    if (LogonPanelOpen()) m_logonPanel.EnableInputs();
    SetState(fw::FormatString(L"%ls - 未登录 ", kDeskDisplayTitle), L"登录失败");
    return 0;
}

LRESULT CLogonHostWindow::OnNotify(WPARAM kind, LPARAM) {
    if (kind != NOTIFY_FRIENDLIST) return 0;
    // The own friend list has arrived: logged on.
    m_bLoggedOn = true;
    if (LogonPanelOpen()) m_logonPanel.PostMessage(WM_IM_CONNECT, 0, 0);
    const int32_t self = g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0;
    SetState(fw::FormatString(L"%ls - %d", kDeskDisplayTitle, self), L"已登录");
    if (g_ClientSettings.iState != 0 && g_EngineModule.MProChangeUserStatus)
        g_EngineModule.MProChangeUserStatus(g_ClientSettings.iState);
    return 0;
}

LRESULT CLogonHostWindow::OnInstanceControl(WPARAM wParam, LPARAM lParam) {
    if (wParam != 0) {
        ShowWindow(SW_SHOWNORMAL);
        ::SetForegroundWindow(m_hWnd);
        return 1;
    }
    // Another account's instance is meant.
    if (lParam != 0 && static_cast<int32_t>(lParam) != m_nCmdUserID) return 0;
    if (LogonPanelOpen()) {
        // Ends the panel; the initialisation then ends the program.
        m_logonPanel.EndDialog(IDCANCEL);
        return 1;
    }
    EndDialog(IDCANCEL);
    return 1;
}

LRESULT CLogonHostWindow::OnSysCommand(WPARAM wParam, LPARAM lParam) {
    if ((wParam & 0xFFF0) != SC_CLOSE) return Default();
    // While connected closing only minimises.
    if (g_EngineModule.MGetConnectStatus && g_EngineModule.MGetConnectStatus()) {
        ShowWindow(SW_MINIMIZE);
        return 0;
    }
    EndDialog(IDCANCEL);
    return 0;
}
