// CMainPanelCore: what the main windows of both clients do alike with the
// engine's log-on: the automatic log-on of the command line's account, a
// failed connection, a refused log-on and a forced log-out. Each window
// passes its log-on panel and its way of showing a message box; the tray
// and the views a forced log-out leaves offline stay the window's own.
#pragma once

#include "clientui/InstanceControlRule.h"
#include "clientui/LogonPanel.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

namespace clientui {
namespace mainmenu {

// The commands of the status menu and the tray menu of either main window.
constexpr UINT kCmdStatusFirst = 32800;  // online .. offline: 32800 .. 32805
constexpr UINT kCmdStatusLast = 32805;
constexpr UINT kCmdMyProfile = 32810;
constexpr UINT kCmdSystemSetting = 32811;
constexpr UINT kCmdOpenMainPanel = 32812;
constexpr UINT kCmdExit = 32813;

}  // namespace mainmenu
}  // namespace clientui

class CMainPanelCore {
public:
    // Shows a message box of the main window: text, flags; the answer.
    using ShowMessageFn = std::function<int(const std::wstring&, UINT)>;

    static const wchar_t kForcedLogout[];   // "您的帐号重复登陆，您已经被迫下线"
    static const wchar_t kConnectFailed[];  // "连接服务器失败:("

    // Logs on the command line's account with an empty password (type 10)
    // at the server of the settings; the log-on panel counts as started.
    static void StartAutomaticLogon(CLogonPanel& logonPanel, int32_t account);
    // A failed connection: the notice, and the open log-on panel's inputs
    // enabled again. Nothing once connected.
    static void OnConnectResult(bool connected, CLogonPanel& logonPanel, const ShowMessageFn& showMessage);
    // A refused log-on: the engine logs out (flag 1), the reason is shown
    // (not for an automatic log-on refused for an unknown account) and the
    // open log-on panel's inputs are enabled again.
    static void OnLogonRefused(int result, bool manualLogon, CLogonPanel& logonPanel,
                               const ShowMessageFn& showMessage);
    // The engine's log-out notice. For 0 (the same account has logged on
    // elsewhere) the engine logs out (flag 1), the notice is shown and true
    // is returned: the window then shows itself offline.
    static bool OnForcedLogout(WPARAM wParam, const ShowMessageFn& showMessage);

    // The tray menu at the cursor, for window: "我的资料" and the four
    // statuses (with their icons) while logged on, then "打开主面板" and
    // "退出". iconSize: the menu's icon size in pixels, 0 for its default.
    static void ShowTrayMenu(HWND window, bool loggedOn, HIMAGELIST statusIcons, int iconSize);

    // Carries out another instance's request: show shows the window; close
    // ends the open log-on panel (the initialisation then ends the program)
    // or calls closeProgram. The answer to the request.
    static LRESULT OnInstanceControl(InstanceControlAction action, CLogonPanel& logonPanel,
                                     const std::function<void()>& show, const std::function<void()>& closeProgram);
};
