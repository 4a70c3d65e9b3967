// CClientMgrView: the page of the main window's tab "  客户管理  "
// (template 136). On the left a tree browses customers by group: the own
// customers under "我的客户(N)" with one node per category, and the other
// agents of the group under "其他客服老师". On the right a list shows the
// customers of the chosen node, 50 a page, with their nickname, category
// and the end of their last conversation, and a pager with a page box. The
// search box finds the shown customers by nickname or account number; the
// button "发起会话" opens a conversation with the chosen customer.
//
// The customers come from the engine's friend maps: the first page after
// log-on from the friend-map cache (g_FriendMapCache, which the chat view
// fills from the engine's own friend list), every later page, node and
// search from a copy of MGetFriendList(owner). CClientMgrModel decides what
// is shown.
//
// UI thread only.
#pragma once

#include "ClientMgrList.h"
#include "ClientMgrModel.h"
#include "ClientMgrViewResource.h"

#include "clientui/ChildViewBase.h"
#include "clientui/EditWithButton.h"
#include "clientui/SkinBtn.h"

#include "fw/GdiObject.h"
#include "fw/ImageList.h"
#include "fw/ListCtrl.h"
#include "fw/TreeCtrl.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <string>
#include <vector>

class CClientMgrView : public CChildViewBase {
public:
    static constexpr int kTreeWidth = 240;
    static constexpr int kTopBand = 50;
    static constexpr int kBottomBar = 28;
    // Posted by the list after a column was resized.
    static constexpr UINT WM_CLAMP_COLUMNS = WM_APP + 29;

    CClientMgrView();
    ~CClientMgrView() override;

    // --- what the main window calls -----------------------------------------
    // NOTIFY_FRIENDLIST: the tree, once, from the friend-map cache and the
    // group-user cache; nothing while the friend-map cache is empty. Once
    // built, the own node's counts follow the cache (a category that came
    // later gets its node) and agents that came later are added.
    void BuildTree();
    // NOTIFY_FRIENDLIST: the first page of the own customers from the
    // friend-map cache.
    void FillFirstPage();
    // NOTIFY_USERLIST: the counts of a user's node and its category nodes
    // from the user's friend map. Nothing for a user without a node, or for
    // the root "我的客户".
    void UpdateUserCounts(int32_t userId, const FriendMap& friendMap);

    const CClientMgrModel& GetModel() const { return m_model; }
    // The rows of the list, top to bottom.
    const std::vector<ClientRow>& GetRows() const { return m_rows; }
    int GetSelectedRow() const { return m_nSelectedRow; }
    const std::wstring& GetTitle() const { return m_strTitle; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;
    // Enter and Escape are swallowed; Enter in the page box shows its page.
    bool PreTranslateMessage(MSG& msg) override;

private:
    void LoadSkin();
    void BindControls();
    void CreateColumns();

    // --- filling -----------------------------------------------------------
    // The owner's customers from the first page (all categories, or the
    // one the node names).
    void FillOwner(int32_t owner, const ClientScope& scope);
    // The rows of the current page.
    void ShowPage(int page);
    void ShowRows(const std::vector<ClientRow>& rows);
    FriendMap OwnerFriends(int32_t owner) const;
    void TakeTalkList(int32_t owner);

    // --- handlers ----------------------------------------------------------
    void OnTreeClick();
    void OnListClick(const NMITEMACTIVATE* activate);
    LRESULT OnListCustomDraw(NMLVCUSTOMDRAW* draw);
    void OnPager(PagerButton button);
    void OnPageBoxEnter();
    void OnSearch();
    void OnClearSearch();
    void OnSearchTextChanged();
    void LeaveSearch();
    void OnStartConversation();
    void ShowPager(bool show);

    // --- painting ------------------------------------------------------------
    RECT TitleBand() const;
    RECT PagerLabel() const;
    HTREEITEM FindNodeByData(HTREEITEM from, LPARAM data) const;
    // The counts of node and its category children from a friend map.
    void ApplyCounts(HTREEITEM node, const FriendMap& friendMap);
    void AddMissingAgents();

    CClientMgrModel m_model;
    CSkinBtn m_btnRefresh;
    CSkinBtn m_btnTalk;
    CSkinBtn m_btnFirst;
    CSkinBtn m_btnPrev;
    CSkinBtn m_btnNext;
    CSkinBtn m_btnLast;
    CEditWithButton m_searchBox;
    fw::CTreeCtrl m_tree;
    CClientMgrList m_list;
    fw::CEdit m_pageBox;
    fw::CImageList m_listImages;
    fw::CImageList m_treeImages;
    fw::CBitmap m_bmpToolBar;
    fw::CBitmap m_bmpBottom;
    fw::CFont m_font;

    std::wstring m_programFolder;
    std::wstring m_strTitle;
    std::wstring m_strKeyword;
    std::vector<TalkListRecord> m_talkList;
    std::vector<ClientRow> m_rows;
    int m_nSelectedRow = -1;
    bool m_bTreeBuilt = false;
    HTREEITEM m_hMine = nullptr;    // "我的客户(N)"
    HTREEITEM m_hOthers = nullptr;  // "其他客服老师"
    bool m_bColumnsMade = false;
};
