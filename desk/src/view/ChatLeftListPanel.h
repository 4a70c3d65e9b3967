// CChatLeftListPanel: the left list panel of the chat view (template 133),
// below the search box and the upper tabs. It holds the lists the upper
// tabs switch between, one shown at a time: the agent's own customers (the
// contact tree, CIMFriendListTree), the organisation tree (the agents of
// the own group with their current customers, COrgInfoTree 1130) and the
// registered users (1132: the root "我的注册用户" with the own registered
// users, then each agent with theirs). Both 20-high trees share one image
// list; their items carry ids (agent or customer), never pointers into
// lists that a later notice replaces.
//
// The trees are children of this panel, which is a child of the chat view:
// a contact tree sends WM_OPEN_CHAT to the parent of its parent, and a
// customer chosen in the organisation or registered-user tree is sent to
// the chat view the same way, so the conversation opens there.
//
// Timers: 1025 every 5 s asks for the own registered users; 1026 every
// 30 s asks for the talk list of the agent selected in the tree shown.
//
// UI thread only.
#pragma once

#include "LeftListRules.h"
#include "OrgInfoTree.h"

#include "clientui/ChildViewBase.h"
#include "clientui/EngineModule.h"
#include "clientui/IMFriendListTree.h"

#include "fw/ImageList.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CChatLeftListPanel : public CChildViewBase {
public:
    // The list kinds the panel can show (the item data of the upper tabs).
    enum ListKind : int {
        kKindCustomers = CLeftListRules::kCustomers,
        kKindOrganisation = CLeftListRules::kOrganisation,
        kKindRegistered = CLeftListRules::kRegistered,
    };
    static constexpr UINT kOrgTreeId = 1130;
    static constexpr UINT kRegisteredTreeId = 1132;
    static constexpr UINT_PTR kTimerOwnRegistered = 1025;
    static constexpr UINT kOwnRegisteredMs = 5000;
    static constexpr UINT_PTR kTimerTalkLists = 1026;
    static constexpr UINT kTalkListsMs = 30000;

    explicit CChatLeftListPanel(CEngineModule& engine = g_EngineModule);
    ~CChatLeftListPanel() override;

    // Stores the kind, then shows its list and hides the others; a kind
    // without a list of its own shows and hides nothing, so the list shown
    // before stays on screen (and the 30-second refresh does nothing).
    void ShowListKind(int kind);
    int GetListKind() const { return m_listKind; }
    int GetShownList() const { return m_shownList; }

    // The own friend list into the customer tree (and the friend-map cache).
    void RefreshCustomers();
    // The group's agents (the group-user cache) into the organisation and
    // registered-user trees; starts the timers.
    void RefreshGroups();
    // A stored talk list (WM_IM_TALKLIST): kind 0 rebuilds the agent's
    // customers in the organisation tree, kind 1 the registered users (the
    // own ones under the root).
    void OnTalkList(int32_t user, int kind);
    // The users' information arrived: the agents' status marks.
    void RefreshAgentStatuses();
    // A user's record arrived: its items in the organisation and
    // registered-user trees show its name (an agent keeps its count).
    void RefreshUserName(int32_t userId);

    CIMFriendListTree& GetCustomerTree() { return m_customerTree; }
    COrgInfoTree& GetOrgTree() { return m_orgTree; }
    COrgInfoTree& GetRegisteredTree() { return m_regTree; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnTimer(UINT_PTR id) override;

private:
    void CreateTrees(const RECT& client);
    // Rebuilds an agent's children from a talk list, sorted, and its count.
    void RebuildChildren(COrgInfoTree& tree, HTREEITEM agent, const std::vector<TalkListRecord>& list);
    void FillAgents(COrgInfoTree& tree, int talkKind);
    void OnSelection(COrgInfoTree& tree, const NMTREEVIEWW& change, int talkKind);
    std::wstring UserName(int32_t id, const char* fallback, size_t fallbackSize) const;
    int32_t OwnId() const;

    CEngineModule& m_engine;
    CIMFriendListTree m_customerTree;
    COrgInfoTree m_orgTree;
    COrgInfoTree m_regTree;
    fw::CImageList m_treeImages;
    HTREEITEM m_regRoot = nullptr;
    std::vector<TalkListRecord> m_ownRegistered;
    int m_listKind = kKindCustomers;
    int m_shownList = kKindCustomers;
    bool m_rebuilding = false;
};
