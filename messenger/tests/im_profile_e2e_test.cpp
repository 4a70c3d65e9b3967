// The real IM.exe under Wine and Xvfb against the stand-in chat server
// (with-desk-server.sh, data of tests/data), driven by real input: a remark
// set on a friend's card, the limits of the profile's texts, and a chat's
// send option across a restart of the chat server. What the program paints
// itself (tree rows, the chat's header) is read through its state query,
// the rest from its windows; what it sent from the server's record.
//
// 小明 (12345) logs on by himself; his friend 赵六 (12349) is busy. The
// cases run in order on the same program.
#include "DeskServerControl.h"
#include "IMTestDriver.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include "IMResource.h"
#include "IMStateQuery.h"

#include "clientui/InstanceControl.h"
#include "clientui/UserInfoPanelResource.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace imtest;
using namespace tavreltest;

namespace {

constexpr DWORD kWaitMs = 30000;
constexpr int kSelf = 12345;
constexpr int kFriend = 12349;  // 赵六, in 同事
const std::wstring kFriendChat = L"与 赵六 交流中";
const std::wstring kFriendCard = L"赵六的资料";

HWND FindMessageBox(const CTavrelProcess& im, const std::wstring& caption) {
    for (HWND window : im.Windows())
        if (ClassName(window) == L"#32770" && WindowText(window) == caption) return window;
    return nullptr;
}

struct Suite {
    std::unique_ptr<CDeskServerControl> server = std::make_unique<CDeskServerControl>();
    CTavrelProcess im;
    HWND main = nullptr;
};
Suite* s = nullptr;

class IMProfileEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s = new Suite();
        if (AppFolder().empty() || !s->server->Connected()) return;
        PrepareAppFolder({kSelf});
        if (!s->im.Start(AppFolder(), L"x 12345", L"IM.exe")) return;
        s->main = WaitForLogon(s->im);
        // Another program opens the main window (the instance-control message).
        if (s->main) ::SendMessageTimeoutW(s->main, WM_INSTANCE_CONTROL, 1, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    }
    static void TearDownTestSuite() {
        if (s->main) ::PostMessageW(s->main, WM_INSTANCE_CONTROL, 0, 0);
        s->im.WaitForExit(kWaitMs);
        delete s;
        s = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(AppFolder().empty()) << "run through with-desk-server.sh";
        ASSERT_TRUE(s->server->Connected());
        ASSERT_NE(s->main, nullptr) << "logged on";
        ASSERT_TRUE(WaitUntil([] { return ::IsWindowVisible(s->main) != FALSE; }, kWaitMs));
    }

    static std::wstring Groups() { return QueryText(s->main, kQueryTreeGroups); }

    // Types the text into the search box; true once the hit list shows
    // exactly the lines expected (lines: what it showed last).
    static bool Search(const std::wstring& text, const std::vector<std::wstring>& expected,
                       std::vector<std::wstring>* lines = nullptr) {
        OnTop(s->main);
        RetypeText(FindControl(s->main, IDC_IM_SEARCH), text);
        std::vector<std::wstring> shown;
        const bool found = WaitUntil([&] {
            HWND hits = FindHitList(s->im);
            return hits && ::IsWindowVisible(::GetParent(hits)) && (shown = ListLines(hits)) == expected;
        }, kWaitMs);
        if (lines) *lines = shown;
        return found;
    }

    // The chat with 赵六, opened through the search (Enter on the hit).
    static HWND OpenFriendChat() {
        if (HWND open = s->im.FindWindowByCaption(kFriendChat)) return open;
        std::vector<std::wstring> lines;
        const std::wstring name = QueryText(s->main, kQueryTreeRow, kFriend);  // with the remark when he has one
        EXPECT_TRUE(Search(L"zl", {name == L"赵六" ? L"赵六(12349)" : L"老赵(12349)(赵六)"}, &lines)) << lines.size();
        PressKey(VK_RETURN);
        return s->im.WaitForWindow(kFriendChat, kWaitMs);
    }

    // 赵六's card, opened with a click on his name in the chat's header.
    static HWND OpenFriendCard(HWND chat) {
        if (HWND open = s->im.FindWindowByCaption(kFriendCard)) return open;
        OnTop(chat);
        Click(WindowPoint(chat, 67 + 6, 28 + 13));
        return s->im.WaitForWindow(kFriendCard, kWaitMs);
    }

    // Types into a box of a panel until the box overflows: the message box
    // that says so (null when none came) is answered with Enter.
    static std::wstring TypeUntilRefused(HWND panel, int box, const std::wstring& text) {
        OnTop(panel);
        RetypeText(FindControl(panel, box), text);
        HWND message = nullptr;
        WaitUntil([&] { return (message = FindMessageBox(s->im, L"系统提示")) != nullptr; }, kWaitMs);
        if (!message) return std::wstring();
        const std::wstring said = MessageBoxText(message);
        PressKey(VK_RETURN);
        WaitUntil([&] { return !::IsWindow(message); }, kWaitMs);
        return said;
    }
};

}  // namespace

// A remark typed on 赵六's card and applied shows at once on the card, in his
// tree row, in the search's hits and in the open chat's header; his status
// (away, told by the server after the card had his information) and the
// group counts stay as they were.
TEST_F(IMProfileEndToEnd, ARemarkShowsEverywhereAndTheStatusStays) {
    HWND chat = OpenFriendChat();
    ASSERT_NE(chat, nullptr) << "the search's Enter opened the chat";
    HWND card = OpenFriendCard(chat);
    ASSERT_NE(card, nullptr) << "the header's name opened the card";
    ASSERT_TRUE(WaitUntil([&] { return QueryValue(s->main, kQueryTreeStatus, kFriend) == STATUS_BUSY; }, kWaitMs));

    // The server says he is away now (a status that no record the engine
    // stores for him holds).
    ASSERT_EQ(s->server->Command("SEND last " + std::to_string(CMD_CHANGE_STATUS) + " " +
                                 CDeskServerControl::WordsHex({kFriend, STATUS_AWAY})),
              "OK");
    ASSERT_TRUE(WaitUntil([] { return QueryValue(s->main, kQueryTreeStatus, kFriend) == STATUS_AWAY; }, kWaitMs));
    ASSERT_EQ(Groups(), L"我的好友 [0/3]\n同事 [1/2]");

    const size_t memosBefore = s->server->PacketsOf(CMD_UPDATE_USER_MEMO).size();
    OnTop(card);
    RetypeText(FindControl(card, IDC_USERINFO_REMARK), L"老赵");
    ClickControl(card, IDC_USERINFO_APPLY);
    ASSERT_TRUE(WaitUntil([&] { return s->server->PacketsOf(CMD_UPDATE_USER_MEMO).size() > memosBefore; }, kWaitMs))
        << "the remark went to the server";

    EXPECT_TRUE(WaitUntil([] { return QueryText(s->main, kQueryTreeRow, kFriend) == L"老赵(赵六)"; }, kWaitMs))
        << "tree row " << Narrow(QueryText(s->main, kQueryTreeRow, kFriend));
    EXPECT_EQ(QueryText(chat, kQueryChatName), L"老赵(赵六)");
    EXPECT_EQ(WindowText(FindControl(card, IDC_USERINFO_REMARK)), L"老赵") << "the card keeps it";
    EXPECT_EQ(QueryValue(s->main, kQueryTreeStatus, kFriend), STATUS_AWAY);
    EXPECT_EQ(Groups(), L"我的好友 [0/3]\n同事 [1/2]");
    std::vector<std::wstring> hits;
    EXPECT_TRUE(Search(L"老赵", {L"老赵(12349)(赵六)"}, &hits)) << hits.size() << " hits";
    OnTop(s->main);
    RetypeText(FindControl(s->main, IDC_IM_SEARCH), L"");
}

// Texts longer than their fields keep are cut to what the field keeps, and
// the message names that limit: the own nickname (23 bytes, a Chinese
// character two of them) and a remark on a card (15 bytes). What fits stays
// in the box and can be typed on.
TEST_F(IMProfileEndToEnd, LongTextsAreCutToWhatTheFieldKeeps) {
    // The own profile: a click on the own face.
    OnTop(s->main);
    Click(WindowPoint(s->main, 5 + 26, 36 + 25));
    HWND own = s->im.WaitForWindow(L"我的资料", kWaitMs);
    ASSERT_NE(own, nullptr) << "the own profile";
    const std::wstring nickname = L"ab" + std::wstring(10, L'中');  // 22 bytes
    EXPECT_EQ(TypeUntilRefused(own, IDC_USERINFO_NICKNAME, nickname + L"中"),
              L"昵称不能超过23个字符（1个汉字占2字符）！请修改。");
    HWND box = FindControl(own, IDC_USERINFO_NICKNAME);
    EXPECT_EQ(WindowText(box), nickname) << "what fits is kept";
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(box) == box; }, kWaitMs)) << "the box keeps the focus";
    TypeText(L"c");  // 23 bytes: accepted
    ::Sleep(300);
    EXPECT_EQ(FindMessageBox(s->im, L"系统提示"), nullptr);
    EXPECT_EQ(WindowText(box), nickname + L"c");
    ClickControl(own, IDC_USERINFO_CLOSE);
    HWND question = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (question = FindMessageBox(s->im, L"提示")) != nullptr; }, kWaitMs));
    AnswerMessageBox(question, IDNO);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(own); }, kWaitMs));

    // A remark on 赵六's card.
    HWND chat = OpenFriendChat();
    ASSERT_NE(chat, nullptr);
    HWND card = OpenFriendCard(chat);
    ASSERT_NE(card, nullptr);
    const std::wstring remark = L"老赵" + std::wstring(5, L'好');  // 14 bytes
    EXPECT_EQ(TypeUntilRefused(card, IDC_USERINFO_REMARK, remark + L"好"),
              L"备注不能超过15个字符（1个汉字占2字符）！请修改。");
    EXPECT_EQ(WindowText(FindControl(card, IDC_USERINFO_REMARK)), remark);
    ::PostMessageW(card, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return (question = FindMessageBox(s->im, L"提示")) != nullptr; }, kWaitMs));
    AnswerMessageBox(question, IDNO);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(card); }, kWaitMs));
}

// "按Ctrl+Enter键发送" chosen in the chat's send-options menu holds after the
// chat server has restarted and the program has logged on again by itself:
// Enter still breaks the line and Ctrl+Enter sends.
TEST_F(IMProfileEndToEnd, ASendOptionSurvivesAChatServerRestart) {
    HWND chat = OpenFriendChat();
    ASSERT_NE(chat, nullptr);
    OnTop(chat);
    ClickControl(chat, IDC_IM_CHAT_SEND_OPTIONS);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; }, kWaitMs));
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menu); }, kWaitMs));

    // The server ends and starts again, knowing nothing; the program logs
    // on again and gets its lists and statuses (赵六 busy again).
    ASSERT_EQ(s->server->Command("RESTART 500"), "OK");
    s->server.reset();
    ASSERT_TRUE(WaitUntil(
        [] {
            s->server = std::make_unique<CDeskServerControl>();
            return s->server->Connected() && s->server->Command("PING") == "OK";
        },
        kWaitMs))
        << "the chat server came back";
    ASSERT_TRUE(WaitUntil([] { return QueryValue(s->main, kQueryTreeStatus, kFriend) == STATUS_OFFLINE; }, kWaitMs))
        << "everybody offline while it reconnects";
    ASSERT_TRUE(WaitUntil([] { return QueryValue(s->main, kQueryTreeStatus, kFriend) == STATUS_BUSY; }, 60000))
        << "logged on again: " << Narrow(Groups());

    OnTop(chat);
    ClickControl(chat, IDC_IM_CHAT_INPUT);
    TypeText(L"第一行");
    PressKey(VK_RETURN);
    TypeText(L"第二行");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(FindControl(chat, IDC_IM_CHAT_INPUT)) == L"第一行\r\n第二行"; },
                          kWaitMs))
        << Narrow(WindowText(FindControl(chat, IDC_IM_CHAT_INPUT)));
    EXPECT_TRUE(MessagesFrom(*s->server, kSelf).empty()) << "Enter only broke the line";
    PressKey(VK_RETURN, true);
    std::vector<std::string> sent;
    ASSERT_TRUE(WaitUntil([&] { return !(sent = MessagesFrom(*s->server, kSelf)).empty(); }, kWaitMs));
    EXPECT_NE(sent.back().find(Ansi(L"/format>第一行\r\n第二行")), std::string::npos) << sent.back();
}
