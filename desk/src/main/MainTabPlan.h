// CMainTabPlan: the tabs of the main window and the rules behind them.
//   - three tabs from the start: the conversation page (dialog 129), the
//     message records (130) and the customer management (136);
//   - once, on the organisation-role notice: the message search (149) for
//     roles 1 to 3, then always the tab that opens the own profile, which
//     has no page;
//   - choosing the profile tab (the last tab once it exists) opens the
//     profile and selects the tab shown before again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct MainTabSpec {
    std::wstring title;
    UINT pageTemplate;  // 0: the tab has no page
};

enum class TabChoice { ShowPage, OpenProfile };

class CMainTabPlan {
public:
    static constexpr UINT kChatViewTemplate = 129;
    static constexpr UINT kMsgMgrTemplate = 130;
    static constexpr UINT kClientMgrTemplate = 136;
    static constexpr UINT kSearchMsgTemplate = 149;

    static std::vector<MainTabSpec> InitialTabs();
    static MainTabSpec SearchTab();
    static MainTabSpec ProfileTab();
    // The tabs the role notice appends; empty from the second notice on.
    std::vector<MainTabSpec> OnOrgRole(int role);
    bool ProfileTabAdded() const { return m_profileTabAdded; }

    // A new selection among tabCount tabs: what to do, and the tab that is
    // current afterwards (the previous one again for the profile tab).
    TabChoice OnSelect(int selected, int tabCount);
    int CurrentTab() const { return m_currentTab; }
    void SetCurrentTab(int index) { m_currentTab = index; }

private:
    bool m_profileTabAdded = false;
    int m_currentTab = 0;
};
