// The chat view of the real Tavrel.exe against the stand-in chat server
// with the demo organisation (with-desk-server.sh starts it): a customer
// writes while no conversation is open; without the pop-up setting the
// agent's conversation does not open by itself (the customer flashes in
// the list) and the message waits in the engine until the conversation is
// opened from the list, and a window hidden behind another still gets its
// customer's messages; with the pop-up setting it opens by itself and
// shows the message. The agent finds a customer by the pinyin of the name
// in the search box and opens the conversation from the result pop-up;
// the history tab pages through a generated history of a few hundred
// records. The agent's part is real input (clicks and double clicks at the
// items' places, keys into the focused control); the windows are read from
// outside; a picture of the view with the pop-up is saved for the
// documentation.
#include "DeskServerControl.h"
#include "DeskWindows.h"
#include "DisplayTitle.h"
#include "HistoryFixture.h"
#include "RealInput.h"
#include "ScreenPicture.h"
#include "TavrelDriver.h"
#include "chat/ChatMainPanelResource.h"
#include "history/ChatMsgPanelResource.h"
#include "view/ChatViewResource.h"
#include "main/DeskMessages.h"
#include "clientui/InstanceControl.h"

#include "clientui/ClientSettings.h"
#include "clientui/UserInfoPanelResource.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
constexpr DWORD kExitWaitMs = 20000;
const std::wstring kTitle = kDeskDisplayTitle;

// The picture path from QV_VIEW_SHOT (a Unix path), empty when not asked for.
std::wstring ShotPath() {
    const char* shot = std::getenv("QV_VIEW_SHOT");
    if (!shot || !*shot) return std::wstring();
    std::wstring path = L"Z:";
    for (const char* p = shot; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path;
}

// The search result pop-up: the program's top-level window holding the
// result list (1052); its list box, null when there is none.
HWND FindResultList(const CTavrelProcess& process) {
    for (HWND window : process.Windows(false)) {
        HWND list = ::GetDlgItem(window, 1052);
        if (list && ClassName(list) == L"ListBox") return list;
    }
    return nullptr;
}

bool ResultListShown(HWND list) { return list && ::IsWindowVisible(::GetParent(list)); }

std::vector<std::wstring> ResultLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendTo(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendTo(list, LB_GETTEXTLEN, i, 0);
        if (length < 0 || length > 1000) break;
        std::wstring line(static_cast<size_t>(length) + 1, L'\0');
        DWORD_PTR copied = 0;
        ::SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]), SMTO_ABORTIFHUNG, 5000,
                              &copied);
        line.resize(copied);
        lines.push_back(line);
    }
    return lines;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// Types into the search box with the keyboard, replacing what it holds
// (the box searches on every change); an empty text deletes it.
void TypeSearch(HWND box, const std::wstring& text) {
    if (FocusOf(box) != box) Click(ClientPoint(box, 20, 10));
    WaitUntil([&] { return FocusOf(box) == box; }, 5000);
    PressKey(VK_END);
    PressKey(VK_HOME, false, true);
    PressKey(VK_DELETE);
    TypeText(text);
}

// The open conversation windows that were not in before.
std::vector<Conversation> NewConversations(HWND main, const std::vector<Conversation>& before) {
    std::vector<Conversation> added;
    for (const Conversation& c : OpenConversations(main)) {
        bool known = false;
        for (const Conversation& b : before) known = known || b.window == c.window;
        if (!known) added.push_back(c);
    }
    return added;
}

class ChatViewE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        WriteServerEntry(app);
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
    }

    // Starts the program for the account with the pop-up setting given,
    // puts its window in front of every other and waits until the customer
    // list has arrived.
    HWND StartAgent(CTavrelProcess& process, int32_t account, const std::wstring& caption, bool popUp) {
        WriteAgentSettings(app, account, popUp);
        if (!process.Start(app, L"run " + std::to_wstring(account))) return nullptr;
        HWND main = nullptr;
        WaitUntil([&] { return (main = FindMainWindow(process, caption)) != nullptr; }, kWindowWaitMs);
        if (!main) return nullptr;
        SendTo(main, WM_INSTANCE_CONTROL, 1, 0);  // show it
        EXPECT_TRUE(BringToFront(main));
        HWND tree = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return (tree = CustomerTree(main)) && TreeItems(tree).size() > 1; },
                              kWindowWaitMs))
            << "no customer list";
        return main;
    }

    // A real double click on the user's row in the customer tree.
    static void DoubleClickCustomer(HWND main, int32_t user) {
        HWND tree = CustomerTree(main);
        const TreeItem item = RevealTreeUser(tree, user, 10000);
        ASSERT_TRUE(item.item) << "no row of " << user;
        DoubleClick(TreeItemPoint(tree, item));
    }

    std::wstring app;
    CDeskServerControl control;
};

TEST_F(ChatViewE2E, WithoutPopUpTheCustomerFlashesAndTheListOpensTheConversation) {
    CTavrelProcess process;
    HWND main = StartAgent(process, 50002, kTitle + L" - 50002 - 周宁 ", false);
    ASSERT_NE(main, nullptr);
    // Only the disabled placeholder lies on the conversation area.
    ASSERT_EQ(Conversations(main).size(), 1u);
    EXPECT_TRUE(OpenConversations(main).empty());

    // 刘洋 (60004) writes; agent 50002 is of user type 4: no window opens.
    ASSERT_EQ(control.Command(CustomerMessage(60004, 50002, 93000000, "hello from 60004")), "OK");
    ::Sleep(2000);
    EXPECT_TRUE(OpenConversations(main).empty()) << "a conversation opened by itself";

    // The agent opens the conversation with a double click on the customer
    // in the list: the waiting message is shown.
    DoubleClickCustomer(main, 60004);
    std::vector<Conversation> open;
    ASSERT_TRUE(WaitUntil([&] { return (open = OpenConversations(main)).size() == 1; }, kWindowWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"hello from 60004"); }, 5000))
        << "log: " << WindowText(open[0].log).size();
    EXPECT_TRUE(::IsWindowVisible(open[0].window));

    // Opening it again does not make a second window; a further message
    // goes into the open one.
    DoubleClickCustomer(main, 60004);
    ASSERT_EQ(control.Command(CustomerMessage(60004, 50002, 93100000, "second line")), "OK");
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"second line"); }, kWindowWaitMs));
    EXPECT_EQ(OpenConversations(main).size(), 1u);
    // The first message was taken from the engine's queue once: it is in
    // the log once.
    const std::wstring log = WindowText(open[0].log);
    EXPECT_EQ(log.find(L"hello from 60004"), log.rfind(L"hello from 60004"));

    // A second conversation (赵磊, 60006) comes to the front; a message of
    // 60004 still reaches its window, now hidden behind the other.
    DoubleClickCustomer(main, 60006);
    ASSERT_TRUE(WaitUntil([&] { return OpenConversations(main).size() == 2; }, kWindowWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(open[0].window); }, kWindowWaitMs))
        << "the first conversation stayed in front";
    ASSERT_EQ(control.Command(CustomerMessage(60004, 50002, 93200000, "behind the other")), "OK");
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"behind the other"); }, kWindowWaitMs));
    EXPECT_FALSE(::IsWindowVisible(open[0].window));

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

// A conversation's buttons show their tips when the pointer rests on them
// (the tips are made when the pointer first moves over the window).
TEST_F(ChatViewE2E, TheConversationsButtonsShowTheirTipsUnderThePointer) {
    CTavrelProcess process;
    HWND main = StartAgent(process, 50002, kTitle + L" - 50002 - 周宁 ", false);
    ASSERT_NE(main, nullptr);
    DoubleClickCustomer(main, 60004);
    Conversation shown;
    ASSERT_TRUE(WaitUntil([&] { return (shown = ShownConversation(main)).window != nullptr; }, kWindowWaitMs));
    // The shown tip: a visible tooltip window of the program and its text.
    const auto tipShown = [&process](const std::wstring& text) {
        for (HWND window : process.Windows(true))
            if (ClassName(window) == L"tooltips_class32" && WindowText(window) == text) return true;
        return false;
    };
    const struct {
        int id;
        const wchar_t* tip;
    } buttons[] = {{IDC_CHAT_SEND, L"发送消息"}, {IDC_CHAT_CLOSE, L"关闭聊天窗口"}};
    for (const auto& b : buttons) {
        HWND button = ::GetDlgItem(shown.window, b.id);
        ASSERT_NE(button, nullptr) << b.id;
        // Onto the button in two steps, as a hand moves it, and rest there.
        POINT centre = CentreOf(button);
        MoveTo({centre.x - 8, centre.y});
        MoveTo(centre);
        EXPECT_TRUE(WaitUntil([&] { return tipShown(b.tip); }, 10000)) << b.id;
    }
    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

TEST_F(ChatViewE2E, WithPopUpTheConversationOpensByItselfWithTheMessage) {
    CTavrelProcess process;
    HWND main = StartAgent(process, 50003, kTitle + L" - 50003 - 陈静 ", true);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(OpenConversations(main).empty());

    ASSERT_EQ(control.Command(CustomerMessage(60005, 50003, 94000000, "popup please")), "OK");
    std::vector<Conversation> open;
    ASSERT_TRUE(WaitUntil([&] { return (open = OpenConversations(main)).size() == 1; }, kWindowWaitMs))
        << "the conversation did not open";
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"popup please"); }, 5000));
    // 陈静 has no colleagues in a group of her own: no group-member tab.
    EXPECT_EQ(SendTo(FindControl(main, IDC_CHAT_UPPER_TABS, WC_TABCONTROLW), TCM_GETITEMCOUNT, 0, 0), 3);

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

TEST_F(ChatViewE2E, TheSearchFindsACustomerByPinyinAndOpensTheConversation) {
    CTavrelProcess process;
    HWND main = StartAgent(process, 50002, kTitle + L" - 50002 - 周宁 ", false);
    ASSERT_NE(main, nullptr);
    // The agent has colleagues in the group: the upper tabs have the
    // group-member tab beside customers, registered users and organisation.
    HWND upperTabs = FindControl(main, IDC_CHAT_UPPER_TABS, WC_TABCONTROLW);
    ASSERT_NE(upperTabs, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return SendTo(upperTabs, TCM_GETITEMCOUNT, 0, 0) == 4; }, 5000));
    HWND box = FindControl(main, IDC_CHAT_SEARCH_EDIT, L"Edit");
    ASSERT_NE(box, nullptr);
    HWND list = FindResultList(process);
    ASSERT_NE(list, nullptr) << "no result pop-up";
    EXPECT_FALSE(ResultListShown(list));

    // A conversation is open beside the search, as an agent would have it.
    DoubleClickCustomer(main, 60004);
    std::vector<Conversation> before;
    ASSERT_TRUE(WaitUntil([&] { return (before = OpenConversations(main)).size() == 1; }, kWindowWaitMs));

    // The initials of 赵磊 (60006), typed in lower case; nobody else of the
    // agent's customers matches.
    TypeSearch(box, L"zl");
    ASSERT_TRUE(WaitUntil([&] { return ResultListShown(list); }, 5000)) << "the pop-up did not show";
    EXPECT_EQ(ResultLines(list), std::vector<std::wstring>({L"赵磊(60006)"}));
    // The box keeps the focus: the pop-up shows without taking it.
    EXPECT_EQ(SendTo(list, LB_GETCURSEL, 0, 0), 0);

    // The full pinyin finds the other customer, and the digits of the ids
    // both, in the list's order.
    TypeSearch(box, L"LIUYANG");
    EXPECT_TRUE(WaitUntil([&] { return ResultLines(list) == std::vector<std::wstring>({L"刘洋(60004)"}); }, 5000));
    TypeSearch(box, L"600");
    EXPECT_TRUE(WaitUntil([&] { return ResultLines(list).size() == 2; }, 5000));
    // Nobody: the pop-up stays with an empty list; an empty box hides it,
    // whether deleted or cleared by the button.
    TypeSearch(box, L"nobody");
    EXPECT_TRUE(WaitUntil([&] { return ResultLines(list).empty(); }, 5000));
    EXPECT_TRUE(ResultListShown(list));
    // The clear button (inside the box's right end).
    Click(ClientPoint(box, 186, 10));
    EXPECT_TRUE(WaitUntil([&] { return !ResultListShown(list); }, 5000)) << "the clear button left the pop-up";
    EXPECT_EQ(WindowText(box), L"");
    TypeSearch(box, L"z");
    ASSERT_TRUE(WaitUntil([&] { return ResultListShown(list); }, 5000));
    TypeSearch(box, L"");
    EXPECT_TRUE(WaitUntil([&] { return !ResultListShown(list); }, 5000)) << "an empty box left the pop-up";

    TypeSearch(box, L"ZL");
    ASSERT_TRUE(WaitUntil([&] { return ResultListShown(list) && ResultLines(list).size() == 1; }, 5000));
    const std::wstring shot = ShotPath();
    if (!shot.empty()) {
        ::Sleep(700);
        EXPECT_TRUE(testpicture::SaveWindowPicture(main, shot));
    }

    // With the pop-up shown, the arrow keys in the box move its selection
    // (wrapping around) and Enter opens the selected hit's conversation and
    // hides the pop-up: the second of 刘洋 and 赵磊.
    TypeSearch(box, L"600");
    ASSERT_TRUE(WaitUntil([&] { return ResultLines(list).size() == 2; }, 5000));
    PressKey(VK_UP);
    EXPECT_TRUE(WaitUntil([&] { return SendTo(list, LB_GETCURSEL, 0, 0) == 1; }, 5000)) << "Up did not wrap";
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return SendTo(list, LB_GETCURSEL, 0, 0) == 0; }, 5000)) << "Down did not wrap";
    PressKey(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return SendTo(list, LB_GETCURSEL, 0, 0) == 1; }, 5000));
    EXPECT_EQ(ResultLines(list)[1], L"赵磊(60006)");
    EXPECT_EQ(WindowText(box), L"600") << "the keys went into the box";
    PressKey(VK_RETURN);
    std::vector<Conversation> added;
    ASSERT_TRUE(WaitUntil([&] { return (added = NewConversations(main, before)).size() == 1; }, kWindowWaitMs))
        << "no conversation opened from the pop-up";
    // The window is found as soon as it exists; the layout that shows it in
    // front of the earlier one follows.
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(added[0].window) && !::IsWindowVisible(before[0].window); },
                          kWindowWaitMs))
        << "the new conversation is not the one shown";
    EXPECT_TRUE(WaitUntil([&] { return !ResultListShown(list); }, 5000));
    // The conversation is 60006's: a message of 60006 arrives in it.
    ASSERT_EQ(control.Command(CustomerMessage(60006, 50002, 95000000, "found by pinyin")), "OK");
    EXPECT_TRUE(WaitUntil([&] { return LogShows(added[0], L"found by pinyin"); }, kWindowWaitMs));

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

TEST_F(ChatViewE2E, TheHistoryTabPagesThroughTheConversationsHistory) {
    // 350 records with 60004 in the agent's history: pages 1 to 6 of 60
    // records from the newest back, so page 1 holds the oldest 50.
    const std::wstring file = app + L"50002\\msg\\60004.msg";
    ::CreateDirectoryW((app + L"50002").c_str(), nullptr);
    ASSERT_TRUE(historytest::WriteBytes(file, historytest::HistoryBytes(historytest::Conversation(350, 50002, 60004))));

    CTavrelProcess process;
    HWND main = StartAgent(process, 50002, kTitle + L" - 50002 - 周宁 ", false);
    ASSERT_NE(main, nullptr);
    HWND pageBox = FindControl(main, IDC_MSG_PAGE_EDIT, L"Edit");
    ASSERT_NE(pageBox, nullptr) << "no history pane";
    HWND pane = ::GetParent(pageBox);
    HWND log = ::GetDlgItem(pane, IDC_MSG_LOG);
    ASSERT_NE(log, nullptr);
    EXPECT_FALSE(::IsWindowVisible(pane)) << "the quick replies are the first tab shown";

    // The conversation's history command brings the history tab with the
    // newest page.
    DoubleClickCustomer(main, 60004);
    std::vector<Conversation> open;
    ASSERT_TRUE(WaitUntil([&] { return (open = OpenConversations(main)).size() == 1; }, kWindowWaitMs));
    HWND historyButton = ::GetDlgItem(open[0].window, IDC_CHAT_HISTORY);
    ASSERT_NE(historyButton, nullptr);
    // Clicked once the conversation shows in its place.
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(historyButton) != FALSE; }, kWindowWaitMs));
    ::Sleep(300);
    // The history tab chosen by hand shows the open conversation's newest
    // page as well (the hidden pane reads it when its tab comes up).
    HWND lowerTabs = FindControl(main, IDC_CHAT_LOWER_TABS, WC_TABCONTROLW);
    ASSERT_NE(lowerTabs, nullptr);
    const auto clickTab = [&](int index) {
        const RECT rc = TabRect(lowerTabs, index);
        Click({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    };
    clickTab(1);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(pane) != FALSE; }, 5000)) << "the history tab did not show";
    EXPECT_TRUE(WaitUntil(
        [&] { return WindowText(pageBox) == L"6" && WindowText(log).find(L"message 349") != std::wstring::npos; },
        kWindowWaitMs))
        << "the history tab does not show the conversation's newest page";
    clickTab(0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(pane); }, 5000)) << "the quick replies did not come back";
    Click(CentreOf(historyButton));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(pane) != FALSE; }, 5000)) << "the history tab did not show";
    const auto logShows = [&](const std::wstring& text) {
        const std::wstring shown = WindowText(log) + L"\n";
        // "message 34" is also the start of "message 349": look for the
        // whole number.
        return shown.find(text + L"\r") != std::wstring::npos || shown.find(text + L"\n") != std::wstring::npos ||
               shown.find(text + L" ") != std::wstring::npos;
    };
    const auto onPage = [&](int page, int first, int last) {
        return WaitUntil(
            [&] {
                return WindowText(pageBox) == std::to_wstring(page) &&
                       logShows(L"message " + std::to_wstring(first)) &&
                       logShows(L"message " + std::to_wstring(last)) &&
                       !logShows(L"message " + std::to_wstring(first - 1)) &&
                       !logShows(L"message " + std::to_wstring(last + 1));
            },
            kWindowWaitMs);
    };
    const auto logEnd = [&] {
        const std::wstring shown = WindowText(log);
        return Utf8(shown.substr(shown.size() > 300 ? shown.size() - 300 : 0));
    };
    EXPECT_TRUE(onPage(6, 290, 349)) << "page box " << Utf8(WindowText(pageBox)) << " log ends " << logEnd();

    Click(CentreOf(::GetDlgItem(pane, IDC_MSG_PAGE_PREV)));
    EXPECT_TRUE(onPage(5, 230, 289));
    Click(CentreOf(::GetDlgItem(pane, IDC_MSG_PAGE_FIRST)));
    EXPECT_TRUE(onPage(1, 0, 49));
    Click(CentreOf(::GetDlgItem(pane, IDC_MSG_PAGE_PREV)));  // there is no page 0
    ::Sleep(500);
    EXPECT_TRUE(onPage(1, 0, 49));
    Click(CentreOf(::GetDlgItem(pane, IDC_MSG_PAGE_NEXT)));
    EXPECT_TRUE(onPage(2, 50, 109));
    Click(CentreOf(::GetDlgItem(pane, IDC_MSG_PAGE_LAST)));
    EXPECT_TRUE(onPage(6, 290, 349));

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

// The search answers from texts it made before, and a contact whose remark
// changes is found by the new one at once: the agent searches, gives 刘洋
// (60004) a remark on his card, and the same box finds him by it. The
// remark is taken off again at the end (the server keeps it for the cases
// after this one; this case comes last).
TEST_F(ChatViewE2E, AContactGivenARemarkIsFoundByItAtOnce) {
    CTavrelProcess process;
    HWND main = StartAgent(process, 50002, kTitle + L" - 50002 - 周宁 ", false);
    ASSERT_NE(main, nullptr);
    HWND box = FindControl(main, IDC_CHAT_SEARCH_EDIT, L"Edit");
    HWND list = FindResultList(process);
    ASSERT_TRUE(box && list);

    // Searched before: the texts are made, and nobody is "kfzz" yet.
    TypeSearch(box, L"ly");
    ASSERT_TRUE(WaitUntil([&] { return ResultLines(list) == std::vector<std::wstring>({L"刘洋(60004)"}); }, 5000));
    TypeSearch(box, L"kfzz");
    ASSERT_TRUE(WaitUntil([&] { return ResultListShown(list) && ResultLines(list).empty(); }, 5000));
    TypeSearch(box, L"");

    // The remark, typed on his card (a click on his name in the
    // conversation) and applied.
    const auto giveRemark = [&](const std::wstring& remark) {
        DoubleClickCustomer(main, 60004);
        Conversation conversation;
        ASSERT_TRUE(WaitUntil([&] { return (conversation = ShownConversation(main)).window != nullptr; },
                              kWindowWaitMs));
        BringToFront(main);
        Click(ClientPoint(conversation.window, 60, 14));
        HWND card = process.WaitForWindow(L"刘洋的资料", kWindowWaitMs);
        ASSERT_NE(card, nullptr) << "the card did not open";
        BringToFront(card);
        RetypeText(::GetDlgItem(card, IDC_USERINFO_REMARK), remark);
        Click(CentreOf(::GetDlgItem(card, IDC_USERINFO_APPLY)));
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (const ServerPacket& p : control.PacketsOf(CMD_UPDATE_USER_MEMO))
                    if (p.body.size() >= 8 + remark.size() + 1 &&
                        std::string(p.body.begin() + 8, p.body.begin() + 8 + remark.size() + 1) ==
                            std::string(remark.begin(), remark.end()) + '\0')
                        return true;
                return false;
            },
            kWindowWaitMs, 250))
            << "the remark did not reach the server";
        ::PostMessageW(card, WM_CLOSE, 0, 0);
        WaitUntil([&] { return !::IsWindow(card); }, 5000);
        BringToFront(main);
    };
    giveRemark(L"KFzz");

    // The same box finds him by the remark, which now heads his line.
    TypeSearch(box, L"kfzz");
    std::vector<std::wstring> lines;
    EXPECT_TRUE(WaitUntil([&] { return (lines = ResultLines(list)).size() == 1; }, 5000));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].compare(0, 4, L"KFzz"), 0) << Utf8(lines[0]);
    EXPECT_NE(lines[0].find(L"60004"), std::wstring::npos) << Utf8(lines[0]);
    TypeSearch(box, L"");

    // Taken off: nobody is "kfzz" again.
    giveRemark(L"");
    TypeSearch(box, L"kfzz");
    EXPECT_TRUE(WaitUntil([&] { return ResultListShown(list) && ResultLines(list).empty(); }, 5000))
        << (ResultLines(list).empty() ? std::string() : Utf8(ResultLines(list)[0]));

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

}  // namespace
