// The chat view's lists in the real Tavrel.exe of the team's manager 林晓
// (50001, role 1) against the stand-in chat server with the demo
// organisation, driven with real clicks and keys: each upper tab shows its
// own list; the organisation tree lists the agents of the group, an agent
// chosen in it shows its current customers after the server's talk list,
// and a colleague's customer chosen there opens a watched conversation; the
// session list shows the open conversations; the registered-user tree
// shows the manager's registered users under "我的注册用户". With
// QV_ORG_SHOT a picture of the organisation tree is saved.
#include "DeskServerControl.h"
#include "DeskWindows.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "RealInput.h"
#include "ScreenPicture.h"
#include "TavrelDriver.h"
#include "chat/ChatMainPanelResource.h"
#include "view/ChatViewResource.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr DWORD kWaitMs = 30000;
const std::wstring kManagerCaption = std::wstring(kDeskDisplayTitle) + L" - 50001 - 林晓 ";

std::wstring ShotPath() {
    const char* shot = std::getenv("QV_ORG_SHOT");
    if (!shot || !*shot) return std::wstring();
    std::wstring path = L"Z:";
    for (const char* p = shot; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path;
}

// The share of white pixels that the screen shows inside a control's client
// area (a margin of 3 pixels left out), from the left up to `part` of its
// width.
double WhiteShareOnScreen(HWND control, double part = 1.0) {
    RECT rc = {};
    ::GetClientRect(control, &rc);
    ::MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    rc.right = rc.left + static_cast<LONG>((rc.right - rc.left) * part);
    ::InflateRect(&rc, -3, -3);
    const std::vector<uint32_t> pixels = ScreenPixels(rc);
    if (pixels.empty()) return 0.0;
    size_t white = 0;
    for (uint32_t p : pixels)
        if (p == RGB(255, 255, 255)) ++white;
    return static_cast<double>(white) / pixels.size();
}

std::vector<std::wstring> RootTexts(HWND tree) {
    std::vector<std::wstring> texts;
    for (const TreeItem& item : TreeItems(tree))
        if (!item.parent) texts.push_back(item.text);
    return texts;
}

class OrgListsE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        WriteServerEntry(app);
        ASSERT_TRUE(control.Connected());
        WriteAgentSettings(app, 50001, false);
        ASSERT_TRUE(process.Start(app, L"run 50001"));
        ASSERT_TRUE(WaitUntil([&] { return (main = FindMainWindow(process, kManagerCaption)) != nullptr; }, kWaitMs));
        SendTo(main, WM_INSTANCE_CONTROL, 1, 0);
        ASSERT_TRUE(BringToFront(main));
        upperTabs = FindControl(main, IDC_CHAT_UPPER_TABS, WC_TABCONTROLW);
        lowerTabs = FindControl(main, IDC_CHAT_LOWER_TABS, WC_TABCONTROLW);
        customers = CustomerTree(main);
        org = FindControl(main, 1130, WC_TREEVIEWW);
        registered = FindControl(main, 1132, WC_TREEVIEWW);
        ASSERT_TRUE(upperTabs && lowerTabs && customers && org && registered);
        // The manager's group has members: the group-member tab is there.
        ASSERT_TRUE(WaitUntil([&] { return TabCount(upperTabs) == 4; }, kWaitMs));
    }

    void TearDown() override {
        if (HasFailure() && main) {
            const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            testpicture::SaveScreenArea(screen, L"org_lists_failure.bmp");
        }
        if (main && process.IsRunning()) {
            SendTo(main, WM_INSTANCE_CONTROL, 0, 0);
            EXPECT_TRUE(process.WaitForExit(20000));
        }
    }

    void ClickTab(HWND tabs, int index) {
        const RECT rc = TabRect(tabs, index);
        Click({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    }

    // Which of the three trees the agent sees.
    std::vector<bool> Shown() const {
        return {::IsWindowVisible(customers) != FALSE, ::IsWindowVisible(org) != FALSE,
                ::IsWindowVisible(registered) != FALSE};
    }

    std::wstring app;
    CDeskServerControl control;
    CTavrelProcess process;
    HWND main = nullptr;
    HWND upperTabs = nullptr;
    HWND lowerTabs = nullptr;
    HWND customers = nullptr;
    HWND org = nullptr;
    HWND registered = nullptr;
};

}  // namespace

// The main window repaints its whole body when the log-on is through; the
// controls inside the tab pages must show again over it, not the body's
// bitmap: the search box and the empty input box are white.
TEST_F(OrgListsE2E, TheControlsOfThePagesShowOverTheBodyOnceTheLogOnIsThrough) {
    ASSERT_TRUE(WaitUntil([&] { return TreeItems(customers).size() >= 2; }, kWaitMs)) << "no customers";
    HWND search = FindControl(main, IDC_CHAT_SEARCH_EDIT, L"Edit");
    ASSERT_TRUE(search);
    // No conversation is open: the shown one is the empty stand-in.
    HWND input = nullptr;
    for (const Conversation& c : Conversations(main))
        if (::IsWindowVisible(c.window)) input = ::GetDlgItem(c.window, IDC_CHAT_INPUT);
    ASSERT_TRUE(input);
    // The search box has its button at the right end.
    EXPECT_TRUE(WaitUntil([&] { return WhiteShareOnScreen(search, 0.6) > 0.9; }, 10000))
        << "the search box shows " << WhiteShareOnScreen(search, 0.6) * 100 << "% white";
    EXPECT_TRUE(WaitUntil([&] { return WhiteShareOnScreen(input) > 0.9; }, 10000))
        << "the input box shows " << WhiteShareOnScreen(input) * 100 << "% white";
}

TEST_F(OrgListsE2E, EachUpperTabShowsItsListAndTheOrganisationTreeOpensAWatchedConversation) {
    const std::vector<bool> customerTree = {true, false, false};
    const std::vector<bool> orgTree = {false, true, false};
    const std::vector<bool> registeredTree = {false, false, true};
    EXPECT_EQ(Shown(), customerTree);

    // "我的组员": the agents of the group, none of their customers known yet.
    ClickTab(upperTabs, 1);
    ASSERT_TRUE(WaitUntil([&] { return Shown() == orgTree; }, 10000)) << "the organisation tree is not shown";
    ASSERT_TRUE(WaitUntil([&] { return RootTexts(org).size() == 3; }, kWaitMs));
    EXPECT_EQ(RootTexts(org), (std::vector<std::wstring>{L"周宁 [0]", L"陈静 [0]", L"王磊 [0]"}));

    // Choosing 周宁 asks the server for her talk list: her customer shows.
    TreeItem zhou = FindTreeItem(org, 50002);
    ASSERT_TRUE(zhou.visible);
    Click(TreeItemPoint(org, zhou, 60));
    ASSERT_TRUE(WaitUntil([&] { return FindTreeItem(org, 50002).text == L"周宁 [1]"; }, kWaitMs))
        << "no talk list for the agent: " << control.PacketsOf(CMD_UPDATE_TALK_LIST).size() << " requests";
    // Opened with the arrow key, the customer is chosen with a click: a
    // watched conversation of 周宁's customer 刘洋.
    PressKey(VK_RIGHT);
    TreeItem liu;
    ASSERT_TRUE(WaitUntil([&] { return (liu = FindTreeItem(org, 60004)).visible; }, 10000));
    EXPECT_EQ(liu.text, L"刘洋");
    EXPECT_EQ(liu.parent, FindTreeItem(org, 50002).item);
    Click(TreeItemPoint(org, liu, 60));
    Conversation watched;
    ASSERT_TRUE(WaitUntil([&] { return (watched = ShownConversation(main)).window != nullptr; }, kWaitMs))
        << "no conversation opened";
    HWND input = ::GetDlgItem(watched.window, IDC_CHAT_INPUT);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(input); }, 5000)) << "a watched session cannot write";
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(watched.window, IDC_CHAT_GRAB)));
    const std::wstring shot = ShotPath();
    if (!shot.empty()) {
        ::Sleep(500);
        EXPECT_TRUE(testpicture::SaveWindowPicture(main, shot));
    }

    // The session list ("对话列表") shows the open conversation.
    ClickTab(lowerTabs, 2);
    HWND sessions = FindControl(main, 1053, WC_LISTVIEWW);
    ASSERT_NE(sessions, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(sessions) && ListRowCount(sessions) == 1; }, 10000));
    EXPECT_EQ(ListRowTexts(sessions, 0, 2), (std::vector<std::wstring>{L"刘洋", L"临时会话(转接或抢接)"}));

    // "免费用户": the registered users, the manager's own under the root.
    ClickTab(upperTabs, 2);
    ASSERT_TRUE(WaitUntil([&] { return Shown() == registeredTree; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return !RootTexts(registered).empty() &&
                                       RootTexts(registered).front() == L"我的注册用户 [3]"; }, kWaitMs))
        << "the own registered users did not arrive";
    for (int32_t id : {60001, 60002, 60003}) EXPECT_TRUE(FindTreeItem(registered, id).item) << id;

    // "组织结构" has no list of its own: the registered users stay.
    ClickTab(upperTabs, 3);
    EXPECT_TRUE(WaitUntil([&] { return SelectedTab(upperTabs) == 3; }, 10000));
    ::Sleep(300);
    EXPECT_EQ(Shown(), registeredTree);
    ClickTab(upperTabs, 0);
    EXPECT_TRUE(WaitUntil([&] { return Shown() == customerTree; }, 10000));
}
