// CTavrelMainPanel: the desk program's main window (template 102), run
// modally for the whole life of the program. It hands its handle to the
// engine, logs on (through the log-on panel or by itself for the command
// line's account), holds the tabs with the program's pages, owns the tray
// icon and the screenshot hot key, and receives every engine notification,
// which it passes to the pages, the conversation windows and the panels.
//
// Closing: while connected the close button and Alt+F4 only minimise; the
// program ends through the tray menu's "退出" (after a question),
// WM_INSTANCE_CONTROL with wParam 0, or Alt+F4 while not connected.
//
// UI thread only.
#pragma once

#include "DeskPanelOpener.h"
#include "DeskResource.h"
#include "MainTabPlan.h"
#include "clientui/TrayIcon.h"
#include "clientmgr/ClientMgrView.h"
#include "msgmgr/MsgMgrView.h"
#include "msgmgr/SearchMsgView.h"
#include "view/ChatView.h"

#include "clientui/EnTabCtrl.h"
#include "clientui/LogonPanel.h"
#include "clientui/MainPanelCore.h"
#include "clientui/PanelBase.h"
#include "clientui/ScreenshotHotKey.h"

#include "fw/GdiObject.h"

#include "SystemAnsiCodePage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IConversationHost;
class CSwitchUserListPanel;
class CSwitchUserTipWnd;

// The registered message through which a test reads the tray state from
// outside: wParam 0 answers a global atom holding the tip (0 without a tray
// icon; the caller deletes it), wParam 1 the index of the tray icon shown
// (-1 without one).
extern const wchar_t kTrayQueryMessageName[];

class CTavrelMainPanel : public CPanelBase {
public:
    static constexpr UINT kTemplateId = IDD_TAVREL_MAIN;
    static constexpr UINT kTabControlId = IDC_MAIN_TAB;
    static constexpr UINT kTrayIconId = 1500;

    CTavrelMainPanel(bool manualLogon, int32_t cmdUserId);
    ~CTavrelMainPanel() override;

    bool IsLoggedOn() const { return m_bLoggedOn != 0; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;
    // Asks the tab control and everything in it to paint again where the
    // body was painted (client coordinates of this window).
    void RepaintTabsUnder(const RECT& painted);
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnClose() override;
    void OnDestroy() override;
    bool PreTranslateMessage(MSG& msg) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    // --- initialisation ---------------------------------------------------
    void CreateTabs();
    void PlaceControls(int width, int height);

    // --- engine messages ----------------------------------------------------
    LRESULT OnEngineConnect(WPARAM connected);
    LRESULT OnEngineLogon(WPARAM loggedOn, LPARAM code);
    LRESULT OnEngineLogout(WPARAM wParam);
    LRESULT OnEngineNotify(WPARAM kind, LPARAM lParam);
    LRESULT OnUserStatus(WPARAM userId, LPARAM status);
    LRESULT OnMessageSent(WPARAM msgId);
    LRESULT OnMessageFailed(WPARAM msgId);
    LRESULT OnChatMessage(WPARAM sender);
    LRESULT OnPeerStatus(WPARAM userId, LPARAM status);
    LRESULT OnSwitchOutcome(UINT msg, WPARAM customer, LPARAM code);
    // WM_SWITCH_CUSTOMER: the hand-over dialog for a customer of an own
    // session (ignored while one runs).
    LRESULT OnSwitchCustomer(WPARAM ownerAgent, LPARAM customer);
    // WM_IM_GRABREQUEST: a colleague hands a customer over; the tip window
    // asks whether to take it.
    LRESULT OnGrabRequest(WPARAM customer);
    LRESULT OnFileRequest(WPARAM peer, LPARAM code);
    LRESULT OnShowMsgMgr(WPARAM agentId, LPARAM customerId);
    LRESULT OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    LRESULT OnHotKey(WPARAM id);
    LRESULT OnInstanceControl(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayQuery(WPARAM wParam);
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(MINMAXINFO* info);

    // --- notification kinds -------------------------------------------------
    void OnLoggedOn();
    void OnUserInfoNotice(int32_t userId);
    void OnOrgRole(int role);
    void OnGroupUserList();
    // NOTIFY_USERLIST: the customer management's counts of the user.
    void OnUserList(int32_t userId);

    // --- steps shared by several messages ----------------------------------
    void UpdateTray();
    // Every user of the own friend list, offline when offline is set.
    void RefreshStatuses(bool offline);
    void ApplyOwnStatus(int32_t status);
    void RefreshUserInfo(int32_t userId);
    void ShowTrayMenu();
    void ShowAndActivate();
    void AskAndExit();
    void CloseProgram();
    void OpenSystemSetting();
    void OnTabSelChange();
    // The conversation host of the open window of a user; null when none.
    static IConversationHost* FindConversation(int32_t userId);
    // The log-on panel while it is open, else this window.
    HWND MessageOwner() const;
    bool LogonPanelOpen() const { return m_logonPanel.IsWindow(); }
    int ShowMessage(const std::wstring& text, UINT flags);
    // ShowMessage for the shared log-on handlers.
    CMainPanelCore::ShowMessageFn MessageBoxes();

    // --- the pages of the tabs --------------------------------------------
    // What the views of the tabs take from the main window (the chat view's
    // search pop-up, lists and contact tree, the quick replies, the customer
    // management, the message records and the message search).
    void HideChatViewPopup() { m_chatView.HideSearchPopup(); }
    // Reads the account's Config.dll and systemSetting.dll. A file that
    // could not be read is moved aside first and the user is told once the
    // main window is up (ShowSettingsNotice).
    void LoadAccountSettings(int32_t self);
    // Shows the notice about settings files that could not be read, once
    // the log-on has finished and its panel has closed (until then it
    // tries again every 500 ms).
    void ShowSettingsNotice();
    // The own quick replies as the settings hold them.
    void RefreshQuickReplies();
    // WM_IM_COMMREPLY: the common replies the engine stored.
    void ReloadCommonReplies();
    // WM_IM_COMMREPLYSET: the server's id of a changed common reply.
    void SetCommonReplyId(WPARAM position, LPARAM id);
    void RefreshChatViewLists() { m_chatView.RefreshCustomers(); }
    void RefreshChatViewTeamList() { m_chatView.RefreshTeamList(); }
    // The customer management's tree (once) and first page.
    void RefreshCustomerManager() {
        m_clientMgrView.BuildTree();
        m_clientMgrView.FillFirstPage();
    }
    // The message records' owner list (and the own customers).
    void RefreshMessageManager() { m_msgMgrView.FillOwnerList(); }
    void RepaintChatView();
    void SetContactStatus(int32_t userId, int32_t status) { m_chatView.SetContactStatus(userId, status); }
    void RepaintContactTree() { m_chatView.RepaintContactTree(); }
    // WM_OPEN_CHAT: the chat view opens or shows the conversation; tab 0
    // is shown and selected.
    LRESULT OnOpenChat(WPARAM customer, LPARAM owner);

    // --- fields -------------------------------------------------------------
    CDeskPanelOpener m_panelOpener;
    CTrayIcon m_tray;
    std::wstring m_strCaption;
    CEnTabCtrl m_tab;
    CChatView m_chatView;
    CMsgMgrView m_msgMgrView;
    CClientMgrView m_clientMgrView;
    CSearchMsgView m_searchMsgView;
    CLogonPanel m_logonPanel;
    CMainTabPlan m_tabPlan;
    int32_t m_bLoggedOn = 0;
    std::wstring m_settingsNotice;  // not shown yet
    bool m_bManualLogon;
    int32_t m_nCmdUserID;
    CScreenshotHotKey m_hotKey;
    fw::CBitmap m_bmpBody;
    clientui::CSystemAnsiCodePage m_codePage;
    // The hand-over dialog while it runs (null otherwise), which the agent
    // list notice fills; the tip windows running (one per request).
    CSwitchUserListPanel* m_pSwitchPanel = nullptr;
    std::vector<CSwitchUserTipWnd*> m_tipWindows;
};
