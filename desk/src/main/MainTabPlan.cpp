#include "MainTabPlan.h"

std::vector<MainTabSpec> CMainTabPlan::InitialTabs() {
    return {{L"  会话窗口  ", kChatViewTemplate},
            {L"  消息记录  ", kMsgMgrTemplate},
            {L"  客户管理  ", kClientMgrTemplate}};
}

MainTabSpec CMainTabPlan::SearchTab() { return {L"  搜索消息  ", kSearchMsgTemplate}; }

MainTabSpec CMainTabPlan::ProfileTab() { return {L"  我的资料  ", 0}; }

std::vector<MainTabSpec> CMainTabPlan::OnOrgRole(int role) {
    std::vector<MainTabSpec> tabs;
    if (m_profileTabAdded) return tabs;
    if (role >= 1 && role <= 3) tabs.push_back(SearchTab());
    tabs.push_back(ProfileTab());
    m_profileTabAdded = true;
    return tabs;
}

TabChoice CMainTabPlan::OnSelect(int selected, int tabCount) {
    if (m_profileTabAdded && selected == tabCount - 1) return TabChoice::OpenProfile;
    m_currentTab = selected;
    return TabChoice::ShowPage;
}
