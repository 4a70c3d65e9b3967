// CChatView: the page of the main window's first tab "  会话窗口  "
// (template 129). The own status and the contact search at the top left,
// the left list panel (CChatLeftListPanel: the customer tree, the
// organisation tree and the registered users) below them,
// the conversation area in the middle where every conversation window
// (CChatMainPanel) lies on one rectangle, and the lower tabs on the right:
// quick replies, message history, session list, file transfer (the shared
// CTransFilePanel, which sends and receives the files of the conversations).
//
// It routes every incoming message (CIncomingMessageRouter decides whether
// the peer's window opens by itself or the peer only flashes) and it is
// where conversation windows are created. Its conversation windows are
// held by the panel registry; the first of the registry's list is a
// disabled placeholder of customer 0 that shows while no conversation is
// open.
//
// UI thread only.
#pragma once

#include "ChatLeftListPanel.h"
#include "ChatListPanel.h"
#include "ChatMsgPanel.h"
#include "ChatQuickReplyPanel.h"
#include "EditQuickReplyPanel.h"
#include "ChatViewPage.h"
#include "ChatViewResource.h"
#include "ContactSearch.h"
#include "clientui/ContactSearchList.h"
#include "SystemAnsiCodePage.h"

#include "clientui/ChildViewBase.h"
#include "clientui/EditWithButton.h"
#include "clientui/EnTabCtrl.h"
#include "clientui/FindListWnd.h"
#include "clientui/IMFriendListTree.h"
#include "clientui/TransFilePanel.h"

#include "fw/GdiObject.h"
#include "fw/ImageList.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <set>

class CChatMainPanel;
class CPanelBase;

class CChatView : public CChildViewBase {
public:
    static constexpr int kLeftWidth = 200;
    static constexpr int kRightWidth = 360;
    static constexpr int kTopBar = 28;
    static constexpr int kBottomBar = 28;
    static constexpr int kListTop = 51;

    CChatView();
    ~CChatView() override;

    // --- what the main window calls ----------------------------------------
    // NOTIFY_NEWMSG for peer.
    void RouteIncoming(int32_t peer);
    // WM_OPEN_CHAT: opens or shows the customer's conversation (owner 0:
    // the own id).
    void OpenChat(int32_t customer, int32_t owner);
    // Shows the peer's queued messages in its window and pops them, at
    // most kUnreadSlice at a time, appended to the log as one batch; a
    // longer queue (a flood) is worked off slice by slice on a timer, so
    // that the program answers between the slices.
    void ShowUnread(int32_t peer, CChatMainPanel& window);
    static constexpr size_t kUnreadSlice = 100;
    static constexpr UINT kUnreadBacklogMs = 10;
    // WM_REFRESH_CHATVIEW: the history pane follows the front-most
    // conversation (a hidden pane when its tab is next shown).
    void RefreshHistory();
    // The history pane shows the newest page of the customer's history
    // with the agent (0: the own id) and its tab comes to the front.
    // Customer 0 changes nothing.
    void ShowHistory(int32_t customer, int32_t agent);
    // The logged-on steps and the friend-list notices: the customer tree is
    // filled again from the engine's own friend list.
    void RefreshCustomers();
    // A user's new status: the friend-map cache and the customer tree (which
    // sorts the user's group again) take it.
    void SetContactStatus(int32_t userId, int32_t status);
    // The same for many users at once (user id, status).
    void SetContactStatuses(const std::vector<std::pair<int32_t, int32_t>>& statuses);
    // A user's new record: the friend-map cache and the customer tree take
    // it; the organisation and registered-user trees show its name.
    void UpdateContact(const UserInfoBase& record);
    void RepaintContactTree();
    // WM_SEND_FILE: when the customer's conversation is open, the
    // file-transfer page offers a file (chosen in the open-file dialog) to
    // the customer on behalf of ownId and comes to the front. False when no
    // conversation of the customer is open.
    bool SendFile(int32_t ownId, int32_t customer);
    // WM_IM_FILEREQUEST's first record and code: the peer's conversation
    // (the record's sender) is opened or shown, and the file-transfer page
    // takes the record with that window and comes to the front.
    void OnFileRequest(const FileRequestRecord& record, int code);
    // A file request without a record: the file-transfer page starts over.
    void ResetFileTransfer();
    // WM_UPDATE_SESSION_LIST: wParam the user record, lParam 1 to remove.
    void UpdateSessionList(WPARAM wParam, LPARAM lParam);
    // Hides the contact search's result pop-up.
    void HideSearchPopup();
    // NOTIFY_GROUPUSERLIST: once the group-user cache holds a member, the
    // upper tabs get the group-member tab (index 1, "我的组员"); then the
    // organisation and registered-user trees are filled again.
    void RefreshTeamList();
    // WM_IM_TALKLIST: a stored talk list of the user (kind 0 or 1).
    void OnTalkList(int32_t user, int kind);
    // NOTIFY_USERSINFO: the agents' status marks in the trees.
    void RefreshAgentStatuses();
    // Inserts the group-member tab once; true when it is there.
    bool AddTeamTab();
    bool HasTeamTab() const { return m_teamTabAdded; }

    // The rectangle on which the conversation windows lie (client
    // coordinates).
    RECT ConversationArea() const;
    CIMFriendListTree& GetCustomerTree() { return m_leftList.GetCustomerTree(); }
    CChatLeftListPanel& GetLeftList() { return m_leftList; }
    CTransFilePanel& GetTransFilePanel() { return m_transFilePanel; }
    CChatListPanel& GetSessionList() { return m_sessionList; }
    CChatMsgPanel& GetHistoryPane() { return m_historyPane; }
    CChatQuickReplyPanel& GetQuickReplyPanel() { return m_quickReplyPage; }
    CFindListWnd& GetSearchPopup() { return m_searchPopup; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;
    // While the pop-up shows, Enter, Up and Down in the search box go to it.
    bool PreTranslateMessage(MSG& msg) override;

private:
    void LoadSkin();
    void CreateSearchBox();
    void CreateUpperTabs();
    void CreateLowerTabs();
    void CreatePlaceholderWindow();
    void OnUpperTabChange();
    void OnLowerTabChange();
    void OnStatusAreaClick();
    // A text change of the search box: the contact search over the friend
    // map cache fills the pop-up over the list area (shown, without taking
    // the activation, even when nothing matched); an empty box hides it.
    void OnSearchTextChanged();
    void OnSearchClear();
    // The search box lost the focus: the pop-up hides unless it took it.
    void OnSearchKillFocus();
    void ShowLowerTab(int index);
    // The history pane reads the pair's history and shows its newest page.
    void LoadHistoryPage(int32_t customer, int32_t agent);
    void LayoutConversations();
    void OnUnreadBacklogTimer();
    // The pair that RefreshHistory left for the hidden history pane, read
    // when the pane's tab is shown.
    void LoadPendingHistory();
    void DrawStatusArea(HDC dc);
    // The file-transfer page talks to the file server on the chat server's
    // host, known once the server entry was read.
    void PrepareFileTransfer();

    clientui::CSystemAnsiCodePage m_codePage;
    // The friend-map cache's contacts, their search texts converted once.
    clientui::CContactSearchIndex m_contactSearch{m_codePage};
    CEditWithButton m_searchBox;
    CFindListWnd m_searchPopup;
    CEnTabCtrl m_upperTabs;
    CEnTabCtrl m_lowerTabs;
    CChatLeftListPanel m_leftList;
    CDeskReplyEditor m_replyEditor;
    CChatQuickReplyPanel m_quickReplyPage;
    CChatMsgPanel m_historyPane;
    CChatListPanel m_sessionList;
    CTransFilePanel m_transFilePanel;
    fw::CImageList m_listTypeImages;
    fw::CBitmap m_bmpTop;
    fw::CBitmap m_bmpBottom;
    fw::CFont m_statusFont;
    bool m_overStatus = false;
    std::pair<int32_t, int32_t> m_pendingHistory{0, 0};  // customer, agent
    // The peers whose queue is longer than one slice.
    std::set<int32_t> m_backlog;
    static constexpr UINT_PTR kTimerUnreadBacklog = 2310;
    // The customers' search texts prepared in slices while idle.
    static constexpr UINT_PTR kTimerSearchAhead = 2311;
    static constexpr size_t kSearchAheadSlice = 200;
    static constexpr DWORD kSearchAheadTickMs = 8;
    void OnSearchAheadTimer();
    bool m_teamTabAdded = false;
};
