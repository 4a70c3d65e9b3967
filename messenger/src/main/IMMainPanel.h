// CIMMainPanel: the messenger's main window (template 102), a skinned panel
// docked at the right edge of the work area. It hands its handle to the
// engine before the log-on, runs the log-on (the log-on panel modally inside
// its own initialisation, or the command line's account by itself), and then
// shows the own face, status, name and signature, the contact search with
// its hit list, and the friend tree. It owns the tray icon, the status, tray
// and contact menus, the list of unread senders that makes the tray blink,
// and the screenshot hot key. It dispatches the engine's events: it opens
// the chat windows and hands them their unread messages, routes new
// messages (pop-up, open chat, or the blinking tray) with their sound,
// answers with the automatic reply, shows delivered and failed messages,
// and passes file offers and answers to the peer's chat.
//
// Closing and minimising only hide it; the program ends through the tray
// menu's "退出" (after a question) or WM_INSTANCE_CONTROL with wParam 0, which
// destroy the window; its WM_DESTROY ends the message loop.
//
// UI thread only.
#pragma once

#include "IMStateQuery.h"
#include "IMUser.h"
#include "MainPanelRules.h"
#include "MainPanelSkin.h"

#include "clientui/EditWithButton.h"
#include "clientui/FindListWnd.h"
#include "clientui/IMFriendListTree.h"
#include "clientui/LogonPanel.h"
#include "clientui/MainPanelCore.h"
#include "clientui/PanelBase.h"
#include "clientui/ScreenshotHotKey.h"
#include "clientui/TrayIcon.h"

#include "SystemAnsiCodePage.h"

#include "fw/GdiObject.h"
#include "fw/GdiPlusImage.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class CIMChatPanel;

#ifndef WM_TRAY_NOTIFY
#define WM_TRAY_NOTIFY (WM_USER + 102)  // tray icon: wParam icon id, lParam mouse message
#endif


class CIMMainPanel : public CPanelBase {
public:
    static constexpr UINT kTrayIconId = 1500;
    static constexpr UINT_PTR kUnreadTimer = 1025;
    static constexpr UINT_PTR kOwnProfileTimer = 1027;
    static constexpr UINT_PTR kContactProfileTimer = 1028;
    static constexpr UINT_PTR kSettingsNoticeTimer = 1029;
    // Prepares the contact search's texts once the new friend tree has been
    // painted (timers come after painting), so that the first keystroke
    // only compares.
    static constexpr UINT_PTR kSearchPrepareTimer = 1030;
    // Tray icon indices beyond the statuses, for the blinking.
    static constexpr int kWindowIconIndex = 100;
    static constexpr int kBlinkIconIndex = 201;

    CIMMainPanel();
    ~CIMMainPanel() override;

    // Log-on state: 0 none, 2 started, 1 logged on (the first friend list).
    int32_t GetLogonState() const { return m_logonPanel.GetLogonState(); }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnClose() override;
    void OnDestroy() override;
    bool PreTranslateMessage(MSG& msg) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    // --- initialisation ---------------------------------------------------
    void CreateTree();
    void CreateSearch();
    void Dock();
    void AddTrayIcon();

    // --- layout and painting ------------------------------------------------
    RECT ClientArea(int area) const;
    RECT WindowArea(int area) const;
    void PlaceChildren(int width, int height);
    void PaintSurface(HDC dc, int width, int height);
    void PaintHeaderTexts(HDC dc);
    void InvalidateArea(int area);
    HBITMAP StatusBitmap(int32_t status);

    // --- engine messages ----------------------------------------------------
    LRESULT OnEngineConnect(WPARAM connected);
    LRESULT OnEngineLogon(WPARAM loggedOn, LPARAM code);
    LRESULT OnEngineLogout(WPARAM wParam);
    LRESULT OnEngineNotify(WPARAM kind, LPARAM lParam);
    LRESULT OnUserStatus(WPARAM userId, LPARAM status);
    LRESULT OnReconnecting();
    // Shows the notice about settings files that could not be read (moved
    // aside at log-on) once the log-on panel has closed (until then it
    // tries again every 500 ms).
    void ShowSettingsNotice();
    LRESULT OnOpenChat(WPARAM userId);
    // The chat with the user, opened or brought up, with the user's unread
    // messages handed over; null when none can be opened.
    CIMChatPanel* OpenChat(int32_t userId);
    CIMChatPanel* FindChat(int32_t userId) const;
    void TakeUnread(CIMChatPanel& chat, int32_t peer);
    LRESULT OnAutoReply(WPARAM sender);
    LRESULT OnMessageSent(WPARAM messageId);
    LRESULT OnMessageFailed(WPARAM timeWord);
    LRESULT OnFileRequest(WPARAM peer, LPARAM code);
    void PlayNewMessageSound();
    void OnFriendList();
    void OnNewMessage(int32_t sender);
    void OnUserInfoNotice(int32_t userId);
    void FillFriendTree();
    // What a user update brings: the user's information (the engine's
    // stored record) or only a remark set on the user.
    enum class UserUpdate { Information, Remark };
    // The shown copies of the user's record (the friend maps, the tree, an
    // open chat and profile) take the update; the status stays the one
    // the tree shows.
    void UpdateUser(int32_t userId, UserUpdate update);
    // The user's record in the engine's own friend list; null when none.
    const UserInfoBase* FindListedFriend(int32_t userId) const;
    void ChangeStatus(int32_t userId, int32_t status);
    void RefreshStatuses(bool everybodyOffline);

    // --- tray, menus, commands ---------------------------------------------
    LRESULT OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    LRESULT OnContactMenu(WPARAM userId);
    LRESULT OnHotKey(WPARAM id);
    LRESULT OnInstanceControl(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDown(WPARAM hitCode, LPARAM lParam);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(MINMAXINFO* info);
    LRESULT OnStateQuery(WPARAM what, LPARAM lParam);
    void ShowStatusMenu();
    void ShowTrayMenu();
    void RefreshTrayTip();
    void SetTrayIcon(int index);
    void OnUnreadTick();
    void OnProfileTick(UINT_PTR timer);
    void RequestProfile(int32_t userId, UINT_PTR timer);
    void OpenSettings();
    void HideAnimated();
    void ShowAndActivate();
    void AskAndExit();
    void CloseProgram();
    void ShowAbout();

    // --- search -------------------------------------------------------------
    void OnSearchChanged();
    void OnSearchClear();
    void HideHitList();
    bool HitListVisible() const;

    int ShowMessage(const std::wstring& text, UINT flags);
    // ShowMessage for the shared log-on handlers.
    CMainPanelCore::ShowMessageFn MessageBoxes();
    HWND MessageOwner() const;
    bool LogonPanelOpen() const { return m_logonPanel.IsWindow(); }
    int32_t OwnId() const;

    // --- fields -------------------------------------------------------------
    CIMFriendListTree m_tree;
    CEditWithButton m_searchBox;
    std::unique_ptr<CFindListWnd> m_hitList;
    MainPanelSkin m_mainSkin;
    FriendMap m_friends;
    std::map<int32_t, UserInfoBase> m_friendById;
    CTrayIcon m_tray;
    CIMUser m_user;
    CLogonPanel m_logonPanel;
    std::wstring m_settingsNotice;  // not shown yet
    CScreenshotHotKey m_hotKey;
    int32_t m_nChosenContact = 0;
    CProfileRequest m_contactProfile;
    CProfileRequest m_ownProfile;
    CUnreadTrayList m_unread;
    HICON m_hIcon = nullptr;
    HICON m_hBlinkIcon = nullptr;

    clientui::CSystemAnsiCodePage m_codePage;
    CFriendSearch m_search;
    fw::CBitmap m_statusBitmaps[6];
    bool m_statusLoaded[6] = {};
    fw::CGdiPlusImage m_listDown;
};
