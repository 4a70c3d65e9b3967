#include "clientui/MainPanelCore.h"

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/LogonErrorText.h"
#include "clientui/LogonRules.h"
#include "clientui/OfficeXPMenu.h"

#include "fw/StringUtil.h"

const wchar_t CMainPanelCore::kForcedLogout[] = L"您的帐号重复登陆，您已经被迫下线";
const wchar_t CMainPanelCore::kConnectFailed[] = L"连接服务器失败:(";

void CMainPanelCore::StartAutomaticLogon(CLogonPanel& logonPanel, int32_t account) {
    logonPanel.SetLogonInfo(fw::FormatString(L"%d", account), std::wstring());
    g_ClientSettings.LoadServerInfo();
    if (g_EngineModule.MLogon)
        g_EngineModule.MLogon(logonPanel.GetAccount().c_str(), logonPanel.GetPassword().c_str(), LOGON_TYPE_AUTO,
                              g_ClientSettings.serverEntry.c_str(), kChatServerPort);
    logonPanel.SetLogonState(kLogonStateStarted);
}

void CMainPanelCore::OnConnectResult(bool connected, CLogonPanel& logonPanel, const ShowMessageFn& showMessage) {
    if (connected) return;
    showMessage(kConnectFailed, MB_OK);
    if (logonPanel.IsWindow()) logonPanel.EnableInputs();
}

void CMainPanelCore::OnLogonRefused(int result, bool manualLogon, CLogonPanel& logonPanel,
                                    const ShowMessageFn& showMessage) {
    if (g_EngineModule.MLogonOut) g_EngineModule.MLogonOut(1);
    // A refused automatic log-on of an unknown account stays silent.
    if (manualLogon || result != LOGON_ERR_PASSWORD) showMessage(FormatLogonFailure(result), MB_OK);
    if (logonPanel.IsWindow()) logonPanel.EnableInputs();
}

bool CMainPanelCore::OnForcedLogout(WPARAM wParam, const ShowMessageFn& showMessage) {
    if (wParam != 0) return false;
    // The same account has logged on elsewhere: this session is over.
    if (g_EngineModule.MLogonOut) g_EngineModule.MLogonOut(1);
    showMessage(kForcedLogout, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void CMainPanelCore::ShowTrayMenu(HWND window, bool loggedOn, HIMAGELIST statusIcons, int iconSize) {
    using namespace clientui::mainmenu;
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    ::SetForegroundWindow(window);
    COfficeXPMenu menu;
    if (iconSize > 0) menu.SetIconSize(iconSize, iconSize);
    if (loggedOn) {
        menu.AppendItem(MF_STRING, L"我的资料", kCmdMyProfile);
        menu.AppendItem(MF_SEPARATOR, std::wstring(), 0);
        const wchar_t* names[] = {L"在线", L"忙碌", L"离开", L"请勿打扰"};
        for (int i = 0; i < 4; ++i) menu.AppendItemWithIcon(names[i], kCmdStatusFirst + i, statusIcons, i);
        menu.AppendItem(MF_SEPARATOR, std::wstring(), 0);
    }
    menu.AppendItem(MF_STRING, L"打开主面板", kCmdOpenMainPanel);
    menu.AppendItem(MF_SEPARATOR, std::wstring(), 0);
    menu.AppendItem(MF_STRING, L"退出", kCmdExit);
    menu.TrackPopupMenu(TPM_BOTTOMALIGN, cursor.x, cursor.y, window);
    menu.DestroyMenu();
}

LRESULT CMainPanelCore::OnInstanceControl(InstanceControlAction action, CLogonPanel& logonPanel,
                                          const std::function<void()>& show,
                                          const std::function<void()>& closeProgram) {
    switch (action) {
    case InstanceControlAction::Show:
        show();
        break;
    case InstanceControlAction::Close:
        if (logonPanel.IsWindow())
            logonPanel.EndDialog(IDCANCEL);  // the initialisation then ends the program
        else
            closeProgram();
        break;
    case InstanceControlAction::Ignore:
        break;
    }
    return CInstanceControlRule::Answer(action);
}
