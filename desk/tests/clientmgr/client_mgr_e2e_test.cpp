// The customer management view and the profile panel of the real Tavrel.exe
// against the stand-in chat server (with-desk-server.sh starts it with the
// demo organisation and 120 more customers of agent 50001 in the category
// "批量客户"). Everything is done with real input (SendInput) at the items'
// places on the screen and checked by what the agent sees (tree and list
// texts, windows, boxes) or by what reached the server:
//   - the view pages through the 120 customers, refuses a page that does
//     not exist, finds a customer by id and customers by name (last match
//     first, pager hidden), and clearing the search returns to the page
//     shown before;
//   - a customer chosen in the list gets a conversation with "发起会话"; a
//     click on the customer's name there opens the customer's card, and a
//     remark set on it reaches the server and the customer tree;
//   - the agent edits the own nickname and signature in "我的资料"; the
//     server keeps them and another agent's tree shows the new nickname.
// Pictures of the view and of the panel are saved for the documentation
// when QV_CLIENTMGR_SHOTS names a folder.
#include "DeskServerControl.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "RealInput.h"
#include "ScreenPicture.h"
#include "TavrelDriver.h"
#include "chat/ChatMainPanelResource.h"
#include "clientmgr/ClientMgrViewResource.h"
#include "main/TavrelMainPanel.h"
#include "view/ChatViewResource.h"

#include "clientui/ClientSettings.h"
#include "clientui/UserInfoPanelResource.h"

#include "fw/StringUtil.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr DWORD kWaitMs = 30000;
const std::wstring kTitle = kDeskDisplayTitle;
constexpr int kClientMgrTab = 2;
constexpr int kListColumns = 8;
constexpr int32_t kManager = 50001;
constexpr int32_t kAgent = 50002;
constexpr int32_t kCustomer = 60003;  // 王强, in the manager's "普通客户"

std::wstring ServerAddress() {
    const char* value = std::getenv("QV_DESK_SERVER");
    std::wstring address;
    for (const char* p = value ? value : ""; *p; ++p) address += static_cast<wchar_t>(*p);
    return address;
}

// The folder for the pictures, empty when none are asked for.
std::wstring ShotFolder() {
    const char* folder = std::getenv("QV_CLIENTMGR_SHOTS");
    if (!folder || !*folder) return std::wstring();
    std::wstring path = L"Z:";
    for (const char* p = folder; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path + L"\\";
}

LRESULT SendTo(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

struct ControlSearch {
    int id;
    std::wstring className;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (::GetDlgCtrlID(child) == search->id && _wcsicmp(ClassName(child).c_str(), search->className.c_str()) == 0) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

// The first descendant of window with the id and the class.
HWND FindControl(HWND window, int id, const std::wstring& className) {
    ControlSearch search = {id, className, nullptr};
    ::EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Visible(HWND window) { return window && ::IsWindowVisible(window); }

BOOL CALLBACK CollectConversation(HWND child, LPARAM param) {
    if (::GetDlgItem(child, IDC_CHAT_LOG) && ::IsWindowVisible(child) && ::IsWindowEnabled(child)) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// The conversation window shown (the placeholder shown while none is open
// is disabled); null when none.
HWND OpenConversation(HWND main) {
    HWND found = nullptr;
    ::EnumChildWindows(main, CollectConversation, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The point in the middle of a tree item's text on the screen.
POINT TreeTextPoint(HWND tree, HTREEITEM item) {
    RECT rc = {};
    std::memcpy(&rc, &item, sizeof item);
    CRemoteBuffer buffer(tree, sizeof rc);
    buffer.Write(0, &rc, sizeof rc);
    SendTo(tree, TVM_GETITEMRECT, TRUE, buffer.At());
    buffer.Read(0, &rc, sizeof rc);
    return ClientPoint(tree, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

TreeItem WaitForTreeItem(HWND tree, const std::wstring& text) {
    TreeItem item;
    WaitUntil([&] { return (item = FindTreeItemByText(tree, text)).item != nullptr; }, kWaitMs, 200);
    return item;
}

// The point in the middle of a tab of a tab control on the screen.
POINT TabPoint(HWND tabs, int index) {
    RECT rc = {};
    CRemoteBuffer buffer(tabs, sizeof rc);
    SendTo(tabs, TCM_GETITEMRECT, index, buffer.At());
    buffer.Read(0, &rc, sizeof rc);
    return ClientPoint(tabs, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

// The nickname column of every row.
std::vector<std::wstring> ListNames(HWND list) {
    std::vector<std::wstring> names;
    const int rows = ListRowCount(list);
    for (int row = 0; row < rows; ++row) {
        const std::vector<std::wstring> texts = ListRowTexts(list, row, 2);
        names.push_back(texts.size() == 2 ? texts[1] : std::wstring());
    }
    return names;
}

std::vector<std::wstring> BatchNames(int first, int last) {
    std::vector<std::wstring> names;
    if (first <= last)
        for (int n = first; n <= last; ++n) names.push_back(fw::FormatString(L"批量客户%03d", n));
    else
        for (int n = first; n >= last; --n) names.push_back(fw::FormatString(L"批量客户%03d", n));
    return names;
}

bool WaitForNames(HWND list, const std::vector<std::wstring>& names) {
    return WaitUntil([&] { return ListNames(list) == names; }, kWaitMs, 200);
}

// A message box of the process with the text.
HWND WaitForMessageBox(const CTavrelProcess& process, const std::wstring& text) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : process.Windows())
                if (ClassName(window) == L"#32770" && MessageBoxText(window).find(text) != std::wstring::npos)
                    return (found = window) != nullptr;
            return false;
        },
        kWaitMs);
    return found;
}

// The rightmost dark pixel of the first text line of a tree row (its
// nickname, or the remark and the nickname), relative to the row's left.
int TextExtent(HWND tree, const TreeItem& item) {
    RECT row = item.rect;
    POINT topLeft = {row.left, row.top + 6};
    ::ClientToScreen(tree, &topLeft);
    const int width = row.right - row.left;
    const int height = 12;  // the first line of a large row
    const std::vector<uint32_t> pixels =
        ScreenPixels({topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height});
    int extent = 0;
    for (int y = 0; y < height && !pixels.empty(); ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            const int light = (p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF);
            // Black and grey text; the row's backgrounds are lighter.
            if (light < 3 * 160 && x > extent) extent = x;
        }
    return extent;
}

class ClientMgrE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        ::CreateDirectoryW((app + L"Ini").c_str(), nullptr);
        ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(ServerAddress()).c_str(),
                                     (app + L"Ini\\IMServerInfo.ini").c_str());
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
    }

    // Starts the program for the account, shows its main window in front
    // and waits until the customer management tree holds its counts.
    HWND StartAgent(CTavrelProcess& process, int32_t account) {
        if (!process.Start(app, L"run " + std::to_wstring(account))) return nullptr;
        const std::wstring prefix = kTitle + L" - " + std::to_wstring(account) + L" - ";
        HWND main = nullptr;
        WaitUntil(
            [&] {
                for (HWND window : process.Windows(false))
                    if (WindowText(window).compare(0, prefix.size(), prefix) == 0) return (main = window) != nullptr;
                return false;
            },
            kWaitMs);
        if (!main) return nullptr;
        SendTo(main, WM_INSTANCE_CONTROL, 1, 0);  // show it
        EXPECT_TRUE(BringToFront(main));
        return main;
    }

    // Shows the tab with a real click.
    void ChooseTab(HWND main, int index) {
        HWND tabs = ::GetDlgItem(main, CTavrelMainPanel::kTabControlId);
        ASSERT_TRUE(WaitUntil([&] { return SendTo(tabs, TCM_GETITEMCOUNT, 0, 0) > index; }, kWaitMs));
        Click(TabPoint(tabs, index));
        ASSERT_TRUE(WaitUntil([&] { return SendTo(tabs, TCM_GETCURSEL, 0, 0) == index; }, kWaitMs));
    }

    std::wstring app;
    CDeskServerControl control;
};

}  // namespace

TEST_F(ClientMgrE2E, PagesSearchesAndOpensAConversationWhoseCardTakesARemark) {
    CTavrelProcess process;
    HWND main = StartAgent(process, kManager);
    ASSERT_NE(main, nullptr) << "no logged-on main window";
    HWND tree = FindControl(main, IDC_CLIENTMGR_TREE, WC_TREEVIEWW);
    HWND list = FindControl(main, IDC_CLIENTMGR_LIST, WC_LISTVIEWW);
    HWND search = FindControl(main, IDC_CLIENTMGR_SEARCH, L"Edit");
    HWND pageBox = FindControl(main, IDC_CLIENTMGR_PAGE, L"Edit");
    HWND next = FindControl(main, IDC_CLIENTMGR_NEXT, L"Button");
    HWND last = FindControl(main, IDC_CLIENTMGR_LAST, L"Button");
    HWND talk = FindControl(main, IDC_CLIENTMGR_TALK, L"Button");
    ASSERT_TRUE(tree && list && search && pageBox && next && last && talk);

    ChooseTab(main, kClientMgrTab);
    ASSERT_TRUE(WaitUntil([&] { return Visible(tree) && Visible(list); }, kWaitMs));
    // The tree counts the own customers: 3 agents of the team, the 120, 3
    // and 2 customers of the demo; the agents of the group stand below.
    ASSERT_NE(WaitForTreeItem(tree, L"我的客户(128)").item, nullptr);
    EXPECT_NE(FindTreeItemByText(tree, L"其他客服老师").item, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return FindTreeItem(tree, kAgent).item != nullptr; }, kWaitMs, 200));

    // The category of 120 customers: three pages of 50, 50 and 20.
    const TreeItem batch = WaitForTreeItem(tree, L"批量客户(120)");
    ASSERT_NE(batch.item, nullptr);
    Click(TreeTextPoint(tree, batch.item));
    ASSERT_TRUE(WaitForNames(list, BatchNames(1, 50)));
    EXPECT_EQ(ListRowTexts(list, 0, kListColumns)[4], L"批量客户");
    EXPECT_EQ(WindowText(pageBox), L"1");
    Click(CentreOf(next));
    EXPECT_TRUE(WaitForNames(list, BatchNames(51, 100)));
    EXPECT_EQ(WindowText(pageBox), L"2");
    Click(CentreOf(last));
    EXPECT_TRUE(WaitForNames(list, BatchNames(101, 120)));
    EXPECT_EQ(WindowText(pageBox), L"3");

    // The page box: Enter shows the page typed; a page that does not exist
    // is refused and the list stays.
    RetypeText(pageBox, L"2");
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitForNames(list, BatchNames(51, 100)));
    RetypeText(pageBox, L"9");
    PressKey(VK_RETURN);
    HWND refused = WaitForMessageBox(process, L"请输入正确的页数！");
    ASSERT_NE(refused, nullptr);
    HWND ok = ::GetDlgItem(refused, IDOK);
    Click(CentreOf(ok ? ok : ::GetDlgItem(refused, IDCANCEL)));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(refused) || !::IsWindowVisible(refused); }, kWaitMs));
    EXPECT_EQ(ListNames(list), BatchNames(51, 100));

    // A search by account number finds the one customer; the pager hides.
    RetypeText(search, L"61077");
    RECT box = {};
    ::GetClientRect(search, &box);
    Click(ClientPoint(search, box.right - 28, box.bottom / 2));  // the search button
    EXPECT_TRUE(WaitForNames(list, BatchNames(77, 77)));
    EXPECT_FALSE(Visible(next));
    EXPECT_FALSE(Visible(pageBox));
    // The clear button returns to the page shown before.
    Click(ClientPoint(search, box.right - 12, box.bottom / 2));
    EXPECT_TRUE(WaitForNames(list, BatchNames(51, 100)));
    EXPECT_TRUE(Visible(next));
    EXPECT_EQ(WindowText(pageBox), L"2");
    // By name: the last match walked comes first; emptying the box also
    // returns to the page.
    RetypeText(search, L"客户11");
    Click(ClientPoint(search, box.right - 28, box.bottom / 2));
    EXPECT_TRUE(WaitForNames(list, BatchNames(119, 110)));
    Click(CentreOf(search));
    PressKey(VK_END);
    for (int i = 0; i < 4; ++i) PressKey(VK_BACK);
    EXPECT_TRUE(WaitForNames(list, BatchNames(51, 100)));

    const std::wstring shots = ShotFolder();
    if (!shots.empty()) {
        // The agents of the group open too (a double click on their node).
        const TreeItem others = FindTreeItemByText(tree, L"其他客服老师");
        if (others.item && !(others.state & TVIS_EXPANDED)) DoubleClick(TreeTextPoint(tree, others.item));
        const TreeItem all = FindTreeItemByText(tree, L"我的客户(128)");
        Click(TreeTextPoint(tree, all.item));
        WaitUntil([&] { return ListRowCount(list) == 50; }, kWaitMs);
        ::Sleep(500);
        EXPECT_TRUE(testpicture::SaveWindowPicture(main, shots + L"desk_client_manager.bmp"));
    }

    // A row chosen on one page is no choice once another page shows:
    // "发起会话" then opens nothing.
    HWND tabs = ::GetDlgItem(main, CTavrelMainPanel::kTabControlId);
    Click(TreeTextPoint(tree, batch.item));
    ASSERT_TRUE(WaitForNames(list, BatchNames(1, 50)));
    const RECT chosen = ListRowRect(list, 3);
    Click({chosen.left + 150, (chosen.top + chosen.bottom) / 2});
    Click(CentreOf(next));
    ASSERT_TRUE(WaitForNames(list, BatchNames(51, 100)));
    Click(CentreOf(talk));
    ::Sleep(1000);
    EXPECT_EQ(SendTo(tabs, TCM_GETCURSEL, 0, 0), kClientMgrTab);
    EXPECT_EQ(OpenConversation(main), nullptr);

    // "发起会话" with a customer of the list opens the conversation on the
    // first tab.
    const TreeItem plain = WaitForTreeItem(tree, L"普通客户(3)");
    ASSERT_NE(plain.item, nullptr);
    Click(TreeTextPoint(tree, plain.item));
    ASSERT_TRUE(WaitForNames(list, {L"李芳", L"王强", L"陈敏"}));
    const RECT row = ListRowRect(list, 1);
    Click({row.left + 150, (row.top + row.bottom) / 2});
    Click(CentreOf(talk));
    ASSERT_TRUE(WaitUntil([&] { return SendTo(tabs, TCM_GETCURSEL, 0, 0) == 0; }, kWaitMs));
    HWND conversation = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (conversation = OpenConversation(main)) != nullptr; }, kWaitMs));

    // A click on the customer's name there opens the customer's card.
    Click(ClientPoint(conversation, 60, 14));
    HWND card = process.WaitForWindow(L"王强的资料", kWaitMs);
    ASSERT_NE(card, nullptr) << "the card did not open";
    HWND remark = ::GetDlgItem(card, IDC_USERINFO_REMARK);
    ASSERT_TRUE(Visible(remark));
    EXPECT_FALSE(Visible(::GetDlgItem(card, IDC_USERINFO_NICKNAME)));  // read-only card

    // The customer tree of the first tab, before the remark.
    HWND customers = FindControl(main, IDC_CHAT_CUSTOMER_TREE, WC_TREEVIEWW);
    ASSERT_NE(customers, nullptr);
    const TreeItem group = WaitForTreeItem(customers, L"普通客户");
    if (group.item && !(group.state & TVIS_EXPANDED)) Click(TreeTextPoint(customers, group.item));
    TreeItem customerRow;
    ASSERT_TRUE(WaitUntil(
        [&] { return (customerRow = FindTreeItem(customers, kCustomer)).item != nullptr && customerRow.visible; },
        kWaitMs));
    BringToFront(card);
    const int before = TextExtent(customers, customerRow);

    RetypeText(remark, L"VIPzz");
    if (!shots.empty()) {
        ::Sleep(300);
        EXPECT_TRUE(testpicture::SaveWindowPicture(card, shots + L"desk_profile_card.bmp"));
    }
    Click(CentreOf(::GetDlgItem(card, IDC_USERINFO_APPLY)));
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const ServerPacket& p : control.PacketsOf(CMD_UPDATE_USER_MEMO))
                if (p.body.size() >= 14 && std::memcmp(&p.body[4], &kCustomer, 4) == 0 &&
                    std::memcmp(&p.body[8], "VIPzz", 6) == 0)
                    return true;
            return false;
        },
        kWaitMs, 250));
    // The tree shows the remark before the nickname: its first line grows.
    BringToFront(main);
    EXPECT_TRUE(WaitUntil(
        [&] {
            customerRow = FindTreeItem(customers, kCustomer);
            return customerRow.visible && TextExtent(customers, customerRow) > before + 20;
        },
        kWaitMs, 250))
        << "the first line still ends at " << before;
}

TEST_F(ClientMgrE2E, TheOwnProfileIsEditedAndAnotherAgentSeesIt) {
    CTavrelProcess manager;
    HWND main = StartAgent(manager, kManager);
    ASSERT_NE(main, nullptr) << "no logged-on main window";

    // The tab "  我的资料  " (the last one once the role has arrived) opens
    // the own profile and leaves the tab shown before selected.
    HWND tabs = ::GetDlgItem(main, CTavrelMainPanel::kTabControlId);
    ASSERT_TRUE(WaitUntil([&] { return SendTo(tabs, TCM_GETITEMCOUNT, 0, 0) == 5; }, kWaitMs));
    Click(TabPoint(tabs, 4));
    HWND panel = manager.WaitForWindow(L"我的资料", kWaitMs);
    ASSERT_NE(panel, nullptr) << "the profile did not open";
    EXPECT_EQ(SendTo(tabs, TCM_GETCURSEL, 0, 0), 0);
    HWND nickname = ::GetDlgItem(panel, IDC_USERINFO_NICKNAME);
    HWND signature = ::GetDlgItem(panel, IDC_USERINFO_SIGNATURE);
    ASSERT_TRUE(Visible(nickname) && Visible(signature));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(nickname) == L"林晓"; }, kWaitMs));
    EXPECT_EQ(WindowText(::GetDlgItem(panel, IDC_USERINFO_ID)), L"50001");

    // The status menu's "我的资料..." shows the same panel, not a second one.
    HWND chatView = ::GetParent(FindControl(main, IDC_CHAT_UPPER_TABS, WC_TABCONTROLW));
    ASSERT_NE(chatView, nullptr);
    BringToFront(main);
    Click(ClientPoint(chatView, 40, 15));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = ::FindWindowW(L"#32768", nullptr)) && ::IsWindowVisible(menu); },
                          kWaitMs));
    RECT menuRect = {};
    ::GetWindowRect(menu, &menuRect);
    // The last item of the menu: "我的资料...".
    Click({(menuRect.left + menuRect.right) / 2, menuRect.bottom - 12});
    EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == panel; }, kWaitMs));
    int profiles = 0;
    for (HWND window : manager.Windows())
        if (WindowText(window) == L"我的资料") ++profiles;
    EXPECT_EQ(profiles, 1);

    const std::wstring shots = ShotFolder();
    if (!shots.empty()) {
        BringToFront(panel);
        ::Sleep(500);
        EXPECT_TRUE(testpicture::SaveWindowPicture(panel, shots + L"desk_profile_panel.bmp"));
    }

    // A new nickname and signature, sent with "确定", which closes the panel.
    BringToFront(panel);
    RetypeText(nickname, L"LinXiao2");
    RetypeText(signature, L"Sign 2026");
    Click(CentreOf(::GetDlgItem(panel, IDC_USERINFO_OK)));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(panel); }, kWaitMs));
    ASSERT_TRUE(WaitUntil([&] { return !control.PacketsOf(CMD_UPDATE_MY_INFO).empty(); }, kWaitMs, 250));
    const ServerPacket sent = control.PacketsOf(CMD_UPDATE_MY_INFO).back();
    ASSERT_EQ(sent.body.size(), 8 + sizeof(UserInfoBase) + sizeof(UserInfoExt));
    UserInfoBase base = {};
    UserInfoExt ext = {};
    std::memcpy(&base, &sent.body[8], sizeof base);
    std::memcpy(&ext, &sent.body[8 + sizeof base], sizeof ext);
    EXPECT_STREQ(base.nickname, "LinXiao2");
    EXPECT_STREQ(base.signature, "Sign 2026");
    EXPECT_EQ(ext.birthDate, 19880312);  // untouched fields keep their values
    EXPECT_EQ(ext.bloodType, 1);
    EXPECT_EQ(fw::FromAnsiField(ext.fullName), L"林晓");

    // Opened again, the profile shows what the server keeps now.
    Click(TabPoint(tabs, 4));
    panel = manager.WaitForWindow(L"我的资料", kWaitMs);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(::GetDlgItem(panel, IDC_USERINFO_NICKNAME)) == L"LinXiao2"; },
                          kWaitMs));
    EXPECT_EQ(WindowText(::GetDlgItem(panel, IDC_USERINFO_SIGNATURE)), L"Sign 2026");

    // Another agent, who keeps the manager in the team of the own list,
    // sees the new nickname in the customer tree.
    CTavrelProcess agent;
    HWND agentMain = StartAgent(agent, kAgent);
    ASSERT_NE(agentMain, nullptr);
    HWND agentTree = FindControl(agentMain, IDC_CHAT_CUSTOMER_TREE, WC_TREEVIEWW);
    ASSERT_NE(agentTree, nullptr);
    TreeItem colleague;
    EXPECT_TRUE(WaitUntil([&] { return (colleague = FindTreeItem(agentTree, kManager)).item != nullptr; }, kWaitMs,
                          250));
    EXPECT_EQ(colleague.text, L"LinXiao2");
}
