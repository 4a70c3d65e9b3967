#include "ChatLeftListPanel.h"

#include "ChatViewResource.h"
#include "TavrelApp.h"
#include "main/DeskGlobals.h"
#include "main/DeskMessages.h"

#include "clientui/ContactCache.h"
#include "clientui/IMResourceComm.h"

#include "fw/StringUtil.h"

#include <commctrl.h>

namespace {

const wchar_t kRegisteredRoot[] = L"我的注册用户";

}  // namespace

CChatLeftListPanel::CChatLeftListPanel(CEngineModule& engine) : CChildViewBase(IDD_CHAT_LEFT_LIST), m_engine(engine) {}

CChatLeftListPanel::~CChatLeftListPanel() = default;

int32_t CChatLeftListPanel::OwnId() const {
    if (m_engine.MGetCurUserID) return m_engine.MGetCurUserID();
    return g_nMyUserID;
}

BOOL CChatLeftListPanel::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    const RECT client = GetClientRect();
    CreateTrees(client);
    LayoutControls(client.right, client.bottom);
    ShowListKind(m_listKind);
    return TRUE;
}

void CChatLeftListPanel::CreateTrees(const RECT& client) {
    m_customerTree.Create(m_hWnd, client, IDC_CHAT_CUSTOMER_TREE,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_SHOWSELALWAYS | TVS_NOHSCROLL);
    CTavrelApp* app = CTavrelApp::GetApp();
    if (app) {
        m_customerTree.SetFaceImages(app->GetFaceImageList());
        m_customerTree.SetStatusImages(app->GetStatusImageList());
    }
    // The agent and customer pictures of the 20-high trees (white is clear).
    m_treeImages.Create(16, 16, ILC_COLORDDB | ILC_MASK, 4, 0);
    const std::wstring folder = fw::CApplication::GetProgramFolder();
    for (int i = 1; i <= 4; ++i) {
        fw::CBitmap picture;
        if (CIMResourceComm::LoadBitmapFile(folder + fw::FormatString(L"Resource\\TavrelRes\\treeIcon_%d.bmp", i), picture))
            m_treeImages.AddMasked(picture, RGB(255, 255, 255));
    }
    const auto agentStatus = [this](int32_t id) {
        const UserInfoBase* record = m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(id) : nullptr;
        return record && record->userId == id ? record->status : static_cast<int32_t>(STATUS_OFFLINE);
    };
    for (COrgInfoTree* tree : {&m_orgTree, &m_regTree}) {
        tree->Create(m_hWnd, client, tree == &m_orgTree ? kOrgTreeId : kRegisteredTreeId);
        tree->SetImageList(m_treeImages.Get());
        tree->SetStatusImages(app ? app->GetStatusImageList() : nullptr);
        tree->SetStatusSource(agentStatus);
        tree->ShowWindow(SW_HIDE);
    }
}

int CChatLeftListPanel::LayoutControls(int width, int height) {
    for (fw::CWindow* tree : {static_cast<fw::CWindow*>(&m_customerTree), static_cast<fw::CWindow*>(&m_orgTree),
                              static_cast<fw::CWindow*>(&m_regTree)})
        if (tree->IsWindow()) ::MoveWindow(tree->GetHwnd(), 0, 0, width, height, TRUE);
    return 0;
}

void CChatLeftListPanel::ShowListKind(int kind) {
    m_listKind = kind;
    m_shownList = CLeftListRules::ShownList(kind, m_shownList);
    if (kind != m_shownList) return;  // no list of its own: the one shown stays
    if (m_customerTree.IsWindow()) m_customerTree.ShowWindow(kind == kKindCustomers ? SW_SHOW : SW_HIDE);
    if (m_orgTree.IsWindow()) m_orgTree.ShowWindow(kind == kKindOrganisation ? SW_SHOW : SW_HIDE);
    if (m_regTree.IsWindow()) m_regTree.ShowWindow(kind == kKindRegistered ? SW_SHOW : SW_HIDE);
}

bool CChatLeftListPanel::OnPaint() {
    // The trees cover the panel; what shows between them is white.
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::EndPaint(m_hWnd, &ps);
    return true;
}

// ---------------------------------------------------------------------------
// Filling

void CChatLeftListPanel::RefreshCustomers() {
    if (!m_customerTree.IsWindow()) return;
    const int32_t self = OwnId();
    FriendMap friends;
    if (m_engine.MGetFriendList)
        if (const FriendMap* map = m_engine.MGetFriendList(self)) friends = *map;
    std::vector<CategoryRecord> categories;
    if (m_engine.MGetUserListCategorys)
        if (const std::vector<CategoryRecord>* list = m_engine.MGetUserListCategorys(self)) categories = *list;
    // The search and the customer management read the same copy.
    g_FriendMapCache = friends;
    m_customerTree.DeleteAllItems();
    m_customerTree.InsertGroups(categories);
    m_customerTree.InsertFriends(friends);
    m_customerTree.Invalidate(false);
}

std::wstring CChatLeftListPanel::UserName(int32_t id, const char* fallback, size_t fallbackSize) const {
    const UserInfoBase* record = m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(id) : nullptr;
    if (record && record->userId == id && record->nickname[0]) return fw::FromAnsiField(record->nickname);
    if (fallback && fallbackSize) {
        std::string text(fallback, fallbackSize);
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        if (!text.empty()) return fw::FromAnsi(text.c_str());
    }
    return std::to_wstring(id);
}

void CChatLeftListPanel::RefreshGroups() {
    if (!m_orgTree.IsWindow() || !m_regTree.IsWindow()) return;
    m_rebuilding = true;
    m_orgTree.DeleteAllItems();
    m_regTree.DeleteAllItems();
    m_regRoot = m_regTree.InsertItem(kRegisteredRoot, TVI_ROOT, TVI_LAST, CLeftListRules::kAgentImage,
                                     CLeftListRules::kAgentSelectedImage, 0);
    SetTimer(kTimerOwnRegistered, kOwnRegisteredMs);
    const int32_t self = OwnId();
    TVITEMW root = {};
    root.mask = TVIF_PARAM;
    root.hItem = m_regRoot;
    root.lParam = self;
    m_regTree.SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&root));
    if (!m_ownRegistered.empty()) RebuildChildren(m_regTree, m_regRoot, m_ownRegistered);
    if (!g_GroupUserCache.users.empty()) {
        FillAgents(m_orgTree, TALKLIST_TALK);
        FillAgents(m_regTree, TALKLIST_REGISTERED);
        SetTimer(kTimerTalkLists, kTalkListsMs);
    }
    m_rebuilding = false;
    m_orgTree.RefreshAgentStatuses();
    m_regTree.RefreshAgentStatuses();
}

void CChatLeftListPanel::FillAgents(COrgInfoTree& tree, int talkKind) {
    for (const GroupUserRecord& agent : g_GroupUserCache.users) {
        if (agent.userId == 0) continue;
        // Until the engine has the agent's record: the name the group record
        // carries at +20, or else from the start of its carried bytes.
        const char* carriedName = reinterpret_cast<const char*>(&agent) + 20;
        std::wstring name = UserName(agent.userId, carriedName, sizeof(GroupUserRecord) - 20);
        if (name == std::to_wstring(agent.userId)) name = UserName(agent.userId, agent.carried, sizeof agent.carried);
        HTREEITEM item = tree.InsertItem(CLeftListRules::AgentText(name, 0), TVI_ROOT, TVI_LAST,
                                         CLeftListRules::kAgentImage, CLeftListRules::kAgentSelectedImage,
                                         static_cast<LPARAM>(agent.userId));
        auto cached = g_GroupUserCache.members.find(agent.userId);
        if (item && cached != g_GroupUserCache.members.end() && !cached->second.talkLists[talkKind].empty())
            RebuildChildren(tree, item, cached->second.talkLists[talkKind]);
    }
}

void CChatLeftListPanel::RebuildChildren(COrgInfoTree& tree, HTREEITEM agent, const std::vector<TalkListRecord>& list) {
    if (!agent) return;
    const bool outer = !m_rebuilding;
    m_rebuilding = true;
    for (HTREEITEM child = tree.GetChildItem(agent); child;) {
        HTREEITEM next = tree.GetNextSiblingItem(child);
        tree.DeleteItem(child);
        child = next;
    }
    int count = 0;
    for (const TalkListRecord& customer : CLeftListRules::SortedCustomers(list)) {
        if (customer.userId == 0) continue;
        tree.InsertItem(UserName(customer.userId, customer.carried, sizeof customer.carried), agent, TVI_LAST,
                        CLeftListRules::kCustomerImage, CLeftListRules::kCustomerSelectedImage,
                        static_cast<LPARAM>(customer.userId));
        ++count;
    }
    tree.SetItemText(agent, CLeftListRules::AgentText(tree.GetItemText(agent), count));
    if (outer) m_rebuilding = false;
    tree.Invalidate(false);
}

void CChatLeftListPanel::OnTalkList(int32_t user, int kind) {
    if (kind != TALKLIST_TALK && kind != TALKLIST_REGISTERED) return;
    const std::vector<TalkListRecord>* fresh = m_engine.MGetTalkList ? m_engine.MGetTalkList(user, kind) : nullptr;
    const std::vector<TalkListRecord> list = fresh ? *fresh : std::vector<TalkListRecord>();
    if (kind == TALKLIST_REGISTERED && user == OwnId()) {
        m_ownRegistered = list;
        if (m_regRoot) RebuildChildren(m_regTree, m_regRoot, m_ownRegistered);
        return;
    }
    auto cached = g_GroupUserCache.members.find(user);
    if (cached == g_GroupUserCache.members.end()) return;  // not an agent of the group
    cached->second.talkLists[kind] = list;
    COrgInfoTree& tree = kind == TALKLIST_TALK ? m_orgTree : m_regTree;
    if (tree.IsWindow()) RebuildChildren(tree, tree.FindItemByData(user), list);
}

void CChatLeftListPanel::RefreshAgentStatuses() {
    m_orgTree.RefreshAgentStatuses();
    m_regTree.RefreshAgentStatuses();
}

void CChatLeftListPanel::RefreshUserName(int32_t userId) {
    if (userId == 0) return;
    const std::wstring name = UserName(userId, nullptr, 0);
    for (COrgInfoTree* tree : {&m_orgTree, &m_regTree}) {
        if (!tree->IsWindow()) continue;
        std::vector<HTREEITEM> pending;
        for (HTREEITEM root = tree->GetRootItem(); root; root = tree->GetNextSiblingItem(root)) pending.push_back(root);
        for (size_t i = 0; i < pending.size(); ++i) {
            HTREEITEM item = pending[i];
            for (HTREEITEM child = tree->GetChildItem(item); child; child = tree->GetNextSiblingItem(child))
                pending.push_back(child);
            if (item == m_regRoot || tree->GetItemData(item) != static_cast<LPARAM>(userId)) continue;
            if (tree->GetParentItem(item)) {
                tree->SetItemText(item, name);  // a customer
            } else {
                int count = 0;
                for (HTREEITEM child = tree->GetChildItem(item); child; child = tree->GetNextSiblingItem(child)) ++count;
                tree->SetItemText(item, CLeftListRules::AgentText(name, count));
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Selection and timers

bool CChatLeftListPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && (hdr->code == TVN_SELCHANGEDW || hdr->code == TVN_SELCHANGEDA)) {
        if (hdr->hwndFrom == m_orgTree.GetHwnd() || hdr->hwndFrom == m_regTree.GetHwnd()) {
            const bool org = hdr->hwndFrom == m_orgTree.GetHwnd();
            OnSelection(org ? m_orgTree : m_regTree, *reinterpret_cast<const NMTREEVIEWW*>(hdr),
                        org ? TALKLIST_TALK : TALKLIST_REGISTERED);
            *result = 0;
            return true;
        }
    }
    return CChildViewBase::OnNotify(wParam, hdr, result);
}

void CChatLeftListPanel::OnSelection(COrgInfoTree& tree, const NMTREEVIEWW& change, int talkKind) {
    HTREEITEM item = change.itemNew.hItem;
    if (!item) return;
    TVITEMW info = {};
    info.mask = TVIF_IMAGE | TVIF_PARAM | TVIF_STATE;
    info.stateMask = TVIS_EXPANDED;
    info.hItem = item;
    tree.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
    HTREEITEM parent = tree.GetParentItem(item);
    CLeftListRules::Selection selection;
    selection.rebuilding = m_rebuilding;
    selection.byUser = change.action == TVC_BYMOUSE || change.action == TVC_BYKEYBOARD;
    selection.image = info.iImage;
    selection.itemData = static_cast<int32_t>(info.lParam);
    selection.parentData = parent ? static_cast<int32_t>(tree.GetItemData(parent)) : 0;
    selection.expanded = (info.state & TVIS_EXPANDED) != 0;
    selection.talkKind = talkKind;
    const CLeftListRules::Action action = CLeftListRules::OnSelection(selection);
    switch (action.kind) {
    case CLeftListRules::Action::kOpenWatched:
        // The chat view opens the conversation of that agent's customer.
        ::SendMessageW(GetParent(), WM_OPEN_CHAT, static_cast<WPARAM>(action.customer), action.agent);
        if (m_engine.MGetUserStatus) m_engine.MGetUserStatus(action.customer);
        if (m_engine.MRefreshMsgRecords) m_engine.MRefreshMsgRecords(action.agent, action.customer, 1);
        break;
    case CLeftListRules::Action::kAskTalkList:
        if (m_engine.MUpdateTalkList) m_engine.MUpdateTalkList(action.agent, action.talkKind);
        break;
    case CLeftListRules::Action::kNone:
        break;
    }
}

bool CChatLeftListPanel::OnTimer(UINT_PTR id) {
    if (id == kTimerOwnRegistered) {
        if (m_engine.MUpdateTalkList) m_engine.MUpdateTalkList(g_nMyUserID, TALKLIST_REGISTERED);
        return true;
    }
    if (id != kTimerTalkLists) return CChildViewBase::OnTimer(id);
    const int talkKind = CLeftListRules::RefreshTalkKind(m_listKind);
    if (talkKind < 0) return true;
    COrgInfoTree& tree = talkKind == TALKLIST_TALK ? m_orgTree : m_regTree;
    HTREEITEM selected = tree.GetSelectedItem();
    if (!selected) return true;
    // A customer's agent is its parent.
    if (HTREEITEM parent = tree.GetParentItem(selected)) selected = parent;
    const int32_t agent = static_cast<int32_t>(tree.GetItemData(selected));
    if (agent != 0 && m_engine.MUpdateTalkList) m_engine.MUpdateTalkList(agent, talkKind);
    tree.RefreshAgentStatuses();
    return true;
}
