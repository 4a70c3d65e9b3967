// A customer handed over, taken back, refused and grabbed between two real
// Tavrel.exe, driven as agents drive them: real clicks and keys (SendInput)
// at the places where the programs show their buttons, lists and dialogs.
// Against the stand-in chat server with the demo organisation; the customer
// 赵磊 (60006) is a messenger engine host in this test program
// (CCustomerHost). What is checked is what the agents see (the dialogs,
// the conversation logs, which buttons and inputs are usable), what the
// server received and where the customer's messages arrive.
//
// Agent A is 周宁 (50002), the owner of 赵磊; agent B is 林晓 (50001).
#include "CustomerHost.h"
#include "DeskServerControl.h"
#include "DeskWindows.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "RealInput.h"
#include "ScreenPicture.h"
#include "TavrelDriver.h"
#include "chat/ChatMainPanelResource.h"
#include "main/DeskMessages.h"
#include "HandOverResource.h"

#include "clientui/PanelBase.h"

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

constexpr int32_t kAgentA = 50002;  // 周宁, owner of the customer
constexpr int32_t kAgentB = 50001;  // 林晓
constexpr int32_t kCustomer = 60006;  // 赵磊
constexpr DWORD kWaitMs = 30000;
constexpr DWORD kExitWaitMs = 20000;
const std::wstring kCaptionA = std::wstring(kDeskDisplayTitle) + L" - 50002 - 周宁 ";
const std::wstring kCaptionB = std::wstring(kDeskDisplayTitle) + L" - 50001 - 林晓 ";

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// One agent's program and what the test finds in it.
struct Agent {
    int32_t id = 0;
    std::wstring caption;
    CTavrelProcess process;
    HWND main = nullptr;
    Conversation chat;  // the customer's conversation window

    HWND Control(int id) const { return ::GetDlgItem(chat.window, id); }
    bool Shows(int id) const { return ::IsWindowVisible(Control(id)) != FALSE; }
    bool Usable(int id) const { return Shows(id) && ::IsWindowEnabled(Control(id)); }
    bool InputEnabled() const { return ::IsWindowEnabled(Control(IDC_CHAT_INPUT)) != FALSE; }
    std::wstring Log() const { return WindowText(chat.log); }
    // The hand-over buttons shown, in id order.
    std::vector<int> HandOverButtons() const {
        std::vector<int> shown;
        for (int id = IDC_CHAT_GRAB; id <= IDC_CHAT_RELEASE_GRAB; ++id)
            if (Shows(id)) shown.push_back(id);
        return shown;
    }
    // A visible top-level window of the program, other than the main
    // window, that holds a control with this id and class.
    HWND Dialog(int id, const std::wstring& className) const {
        for (HWND window : process.Windows())
            if (window != main && FindControl(window, id, className)) return window;
        return nullptr;
    }
};

class HandOverE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        WriteServerEntry(app);
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
        ASSERT_TRUE(customer.Loaded()) << "no customer engine";
        a.id = kAgentA;
        a.caption = kCaptionA;
        b.id = kAgentB;
        b.caption = kCaptionB;
    }

    void TearDown() override {
        if (HasFailure()) {
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            testpicture::SaveScreenArea(screen, L"handover_" + std::wstring(name.begin(), name.end()) + L".bmp");
            ADD_FAILURE() << "A's log:\n" << Utf8(a.Log()) << "\nB's log:\n" << Utf8(b.Log());
        }
        for (Agent* agent : {&a, &b}) {
            if (agent->main && agent->process.IsRunning()) {
                SendTo(agent->main, WM_INSTANCE_CONTROL, 0, 0);
                EXPECT_TRUE(agent->process.WaitForExit(kExitWaitMs)) << agent->id;
            }
        }
    }

    bool Wait(const std::function<bool()>& ready, DWORD ms = kWaitMs) { return customer.PumpUntil(ready, ms); }

    void Start(Agent& agent) {
        WriteAgentSettings(app, agent.id, false);
        ASSERT_TRUE(agent.process.Start(app, L"run " + std::to_wstring(agent.id)));
        ASSERT_TRUE(Wait([&] { return (agent.main = FindMainWindow(agent.process, agent.caption)) != nullptr; }));
        SendTo(agent.main, WM_INSTANCE_CONTROL, 1, 0);
        ASSERT_TRUE(Wait([&] { return CustomerTree(agent.main) != nullptr; }));
    }

    // The front window for the agent's next click.
    void Front(HWND window) { ASSERT_TRUE(BringToFront(window)) << "cannot bring the window to the front"; }

    void ClickButton(const Agent& agent, int id) {
        ASSERT_TRUE(agent.Usable(id)) << "button " << id << " of " << agent.id << " is not usable";
        Front(agent.main);
        Click(CentreOf(agent.Control(id)));
    }

    bool LogShows(const Agent& agent, const std::wstring& text, DWORD ms = kWaitMs) {
        return Wait([&] { return agent.Log().find(text) != std::wstring::npos; }, ms);
    }

    // A opens the customer's conversation with a real double click in its
    // customer tree (held: a colleague holds the session, so that no
    // hand-over button shows).
    void OpenCustomerAtA(bool held = false) {
        Front(a.main);
        HWND tree = CustomerTree(a.main);
        const TreeItem item = RevealTreeUser(tree, kCustomer, 10000);
        ASSERT_TRUE(item.item) << "no row of the customer";
        DoubleClick(TreeItemPoint(tree, item));
        ASSERT_TRUE(Wait([&] {
            a.chat = ShownConversation(a.main);
            return a.chat.window && ::GetDlgItem(a.chat.window, IDC_CHAT_HAND_OVER);
        })) << "the double click opened no conversation";
        // The window shows before its session state has set its buttons.
        if (!held) Wait([&] { return !a.HandOverButtons().empty(); });
    }

    // A presses "转接", picks 林晓 in the agent list with a click and
    // (optionally) chooses the second canned note and adds to it; the
    // dialog is left open. Returns the dialog.
    HWND OpenHandOverAndPickB(bool cannedNote) {
        HWND dialog = nullptr;
        ClickButton(a, IDC_CHAT_HAND_OVER);
        EXPECT_TRUE(Wait([&] { return (dialog = a.Dialog(IDC_SWITCH_AGENT_LIST, WC_LISTVIEWW)) != nullptr; }))
            << "no hand-over dialog";
        if (!dialog) return nullptr;
        Front(dialog);
        HWND list = ::GetDlgItem(dialog, IDC_SWITCH_AGENT_LIST);
        int rowB = -1;
        EXPECT_TRUE(Wait([&] {
            for (int row = 0; row < ListRowCount(list); ++row)
                if (ListRowTexts(list, row, 1).at(0) == L"林晓") rowB = row;
            return rowB >= 0;
        })) << "agent B is not in the agent list";
        if (rowB < 0) return dialog;
        EXPECT_GE(ListRowCount(list), 3) << "the other agents are missing";
        const RECT row = ListRowRect(list, rowB);
        Click({(row.left + row.right) / 2, (row.top + row.bottom) / 2});
        EXPECT_TRUE(Wait([&] { return SendTo(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == rowB; },
                         10000))
            << "the click did not choose agent B";
        if (!cannedNote) return dialog;
        HWND note = ::GetDlgItem(dialog, IDC_SWITCH_NOTE);
        EXPECT_EQ(WindowText(note), L"我在服务其他客户，请帮我回复一下，谢谢!");
        Click(CentreOf(::GetDlgItem(dialog, IDC_SWITCH_CANNED_NOTE)));
        HWND menu = nullptr;
        EXPECT_TRUE(Wait([&] {
            for (HWND window : a.process.Windows())
                if (ClassName(window) == L"#32768") return (menu = window) != nullptr;
            return false;
        }, 10000)) << "no menu of canned notes";
        PressKey(VK_DOWN);
        PressKey(VK_DOWN);
        PressKey(VK_RETURN);
        EXPECT_TRUE(Wait([&] { return WindowText(note) == L"我正在和客户打电话，请帮我回复一下，谢谢"; }, 10000))
            << Utf8(WindowText(note));
        // A few words more at the end of the note.
        Click(CentreOf(note));
        EXPECT_TRUE(Wait([&] { return FocusOf(dialog) == note; }, 5000)) << "the note has no focus";
        PressKey(VK_END, true);
        TypeText(L" 8:30");
        EXPECT_TRUE(Wait([&] { return WindowText(note) == L"我正在和客户打电话，请帮我回复一下，谢谢 8:30"; }, 10000))
            << Utf8(WindowText(note));
        return dialog;
    }

    // B's tip window, once it shows.
    HWND WaitForTip() {
        HWND tip = nullptr;
        EXPECT_TRUE(Wait([&] {
            tip = b.Dialog(IDOK, L"Button");
            return tip && WindowText(::GetDlgItem(tip, IDOK)) == L"接入";
        })) << "no tip window at B";
        return tip;
    }

    // The picture of a window beside the test program, when asked for.
    void SavePicture(HWND window, const wchar_t* name) {
        const std::wstring folder = WindowsPathFromEnv("QV_HANDOVER_SHOTS");
        if (folder.empty()) return;
        customer.Pump(500);  // the last paint
        testpicture::SaveWindowPicture(window, folder + name);
    }

    std::wstring app;
    CDeskServerControl control;
    CCustomerHost customer;
    Agent a;
    Agent b;
};

// The conversation window's commands and its watched sessions under real
// use: double clicks, a grab whose answer is held back, clocks that
// disagree, windows opened again and an agent who restarts.
class ConversationE2E : public HandOverE2E {
protected:
    // B's program, started once before on this machine: its first log-on
    // fetches the lists of the organisation, whose records (with the
    // customers' statuses as the lists last knew them) come in after a
    // window has opened; a later log-on finds them current.
    void StartB() {
        static bool startedBefore = false;
        if (!startedBefore) {
            Start(b);
            customer.Pump(3000);
            SendTo(b.main, WM_INSTANCE_CONTROL, 0, 0);
            ASSERT_TRUE(b.process.WaitForExit(kExitWaitMs)) << "B did not end";
            startedBefore = true;
        }
        Start(b);
    }

    // The server's connection of an agent (of its last log-on).
    int ConnectionOf(int32_t agent) {
        int connection = -1;
        for (const ServerPacket& p : control.PacketsOf(CMD_LOGON))
            if (p.body.size() >= 4 && *reinterpret_cast<const int32_t*>(p.body.data()) == agent) connection = p.connection;
        return connection;
    }
    std::string Verb(const char* verb, int connection) { return std::string(verb) + " " + std::to_string(connection); }
    static std::string Hex(const std::vector<uint8_t>& bytes) {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (uint8_t b : bytes) {
            out += digits[b >> 4];
            out += digits[b & 15];
        }
        return out;
    }

    // B's watched window of A's customer. How it opens (from the
    // organisation lists) is not what these tests are about: the chat view
    // is told as the lists tell it.
    void OpenWatchedAtB() {
        std::vector<Conversation> placeholder = Conversations(b.main);
        ASSERT_FALSE(placeholder.empty()) << "B's chat view has no conversation area";
        ::PostMessageW(::GetParent(placeholder.front().window), WM_OPEN_CHAT, kCustomer, kAgentA);
        ASSERT_TRUE(Wait([&] {
            b.chat = ShownConversation(b.main);
            return b.chat.window && b.Usable(IDC_CHAT_GRAB);
        })) << "B's watched conversation did not open with a usable grab button";
    }

    // How often the log shows the text.
    static size_t Count(const std::wstring& log, const std::wstring& text) {
        size_t n = 0;
        for (size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + text.size())) ++n;
        return n;
    }

    // The agent writes a line with the keyboard and sends it with Enter.
    void WriteLine(const Agent& agent, const std::wstring& text) {
        Front(agent.main);
        Click(CentreOf(agent.Control(IDC_CHAT_INPUT)));
        ASSERT_TRUE(Wait([&] { return FocusOf(agent.main) == agent.Control(IDC_CHAT_INPUT); }, 5000))
            << "the input has no focus";
        TypeText(text);
        PressKey(VK_RETURN);
    }

    bool MenuShown(const Agent& agent) const {
        for (HWND window : agent.process.Windows())
            if (ClassName(window) == L"#32768") return true;
        return false;
    }
};

}  // namespace

// A hands 赵磊 to B with a note (a second request while the dialog runs
// opens nothing); B sees the tip and accepts; 赵磊's next message reaches B
// while A watches without an input; A takes 赵磊 back.
// A second hand-over is refused by B. B, still watching, grabs 赵磊 and
// releases it; each step shows both sides' notices and buttons.
TEST_F(HandOverE2E, HandOverTakeBackRefusalGrabAndRelease) {
    ASSERT_TRUE(customer.Logon(kCustomer, ServerAddress()));
    Start(a);
    Start(b);
    OpenCustomerAtA();
    ASSERT_EQ(a.HandOverButtons(), std::vector<int>{IDC_CHAT_HAND_OVER});
    ASSERT_TRUE(a.InputEnabled());

    // --- A hands the customer to B with a note -------------------------
    HWND dialog = OpenHandOverAndPickB(true);
    ASSERT_NE(dialog, nullptr);
    SavePicture(dialog, L"desk_handover_dialog.bmp");
    // Another request for the dialog while it runs opens no second one.
    ::PostMessageW(a.main, WM_SWITCH_CUSTOMER, kAgentA, kCustomer);
    customer.Pump(1000);
    size_t dialogs = 0;
    for (HWND window : a.process.Windows())
        if (FindControl(window, IDC_SWITCH_AGENT_LIST, WC_LISTVIEWW)) ++dialogs;
    EXPECT_EQ(dialogs, 1u) << "a second hand-over dialog opened";
    Front(dialog);
    Click(CentreOf(::GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(Wait([&] { return !::IsWindow(dialog); }, 10000)) << "the dialog stayed open";
    EXPECT_TRUE(LogShows(a, L"正在为您转接到 林晓，请稍后。"));
    EXPECT_EQ(a.HandOverButtons(), std::vector<int>{IDC_CHAT_HAND_OVER});
    EXPECT_FALSE(a.Usable(IDC_CHAT_HAND_OVER)) << "a second request could go out";
    // The server got the request with the note in the clients' code page.
    std::vector<ServerPacket> requests;
    ASSERT_TRUE(Wait([&] { return !(requests = control.PacketsOf(CMD_SWITCH_CUSTOMER)).empty(); }, 10000));
    ASSERT_EQ(requests.back().body.size(), sizeof(SwitchCustomerRecord));
    SwitchCustomerRecord sent = {};
    std::memcpy(&sent, requests.back().body.data(), sizeof sent);
    EXPECT_EQ(sent.actingAgent, kAgentB);
    EXPECT_EQ(sent.owningAgent, kAgentA);
    EXPECT_EQ(sent.customerId, kCustomer);
    EXPECT_EQ(std::string(sent.note), fw::ToAnsi(L"我正在和客户打电话，请帮我回复一下，谢谢 8:30"));

    // --- B sees the tip with the note and accepts ----------------------
    HWND tip = WaitForTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(WindowText(tip), L"林晓的提示消息");
    Front(tip);
    SavePicture(tip, L"desk_handover_tip.bmp");
    Click(CentreOf(::GetDlgItem(tip, IDOK)));
    ASSERT_TRUE(Wait([&] {
        b.chat = ShownConversation(b.main);
        return b.chat.window != nullptr;
    })) << "B's conversation with the customer did not open";
    EXPECT_TRUE(LogShows(b, L"转接入50002(周宁) 的一个客户(赵磊)成功."));
    EXPECT_TRUE(Wait([&] { return b.HandOverButtons() == std::vector<int>{IDC_CHAT_STOP_HAND_OVER}; }));
    EXPECT_TRUE(b.InputEnabled()) << "B cannot write";
    EXPECT_TRUE(LogShows(a, L"转接到 林晓 成功. 将由 林晓 回复该客户"));
    EXPECT_TRUE(Wait([&] { return !a.InputEnabled(); })) << "A can still write";
    EXPECT_EQ(a.HandOverButtons(), std::vector<int>{IDC_CHAT_TAKE_BACK});

    // The customer writes to A as always: B gets it, A does not.
    ASSERT_TRUE(customer.SendText(kAgentA, "is anybody there"));
    EXPECT_TRUE(LogShows(b, L"is anybody there")) << "the customer's message did not reach B";
    customer.Pump(1000);
    EXPECT_EQ(a.Log().find(L"is anybody there"), std::wstring::npos);
    // B answers with the keyboard; the customer gets it from B.
    Front(b.main);
    Click(CentreOf(b.Control(IDC_CHAT_INPUT)));
    ASSERT_TRUE(Wait([&] { return FocusOf(b.main) == b.Control(IDC_CHAT_INPUT); }, 5000));
    TypeText(L"B here");
    PressKey(VK_RETURN);
    ASSERT_TRUE(customer.WaitForText("B here", kWaitMs));
    EXPECT_EQ(customer.Received().back().senderId, kAgentB);

    // --- A takes the customer back -------------------------------------
    ClickButton(a, IDC_CHAT_TAKE_BACK);
    HWND question = nullptr;
    ASSERT_TRUE(Wait([&] { return (question = a.process.FindWindowByCaption(L"提示框")) != nullptr; }, 10000))
        << "no question before the take-back";
    EXPECT_NE(MessageBoxText(question).find(L"确认回接吗？"), std::wstring::npos);
    Front(question);
    Click(CentreOf(::GetDlgItem(question, IDYES)));
    EXPECT_TRUE(LogShows(a, L"回接客户成功， 您可以和该客户交流了。"));
    EXPECT_TRUE(Wait([&] { return a.InputEnabled() && a.Usable(IDC_CHAT_HAND_OVER); }));
    EXPECT_TRUE(LogShows(b, L"原客服已经回接了该客户， 您不能和该客户交流了。"));
    EXPECT_TRUE(Wait([&] { return !b.InputEnabled(); })) << "B can still write";
    EXPECT_EQ(b.HandOverButtons(), std::vector<int>{IDC_CHAT_GRAB});

    // --- A hands over again; B refuses ---------------------------------
    dialog = OpenHandOverAndPickB(false);
    ASSERT_NE(dialog, nullptr);
    Click(CentreOf(::GetDlgItem(dialog, IDOK)));
    tip = WaitForTip();
    ASSERT_NE(tip, nullptr);
    // B's open window tells who hands over with which note.
    EXPECT_TRUE(LogShows(b, L"50002(周宁)转接给您一个客户, 并附言:我在服务其他客户，请帮我回复一下，谢谢!"));
    Front(tip);
    Click(CentreOf(::GetDlgItem(tip, IDC_PANEL_CLOSE)));
    EXPECT_TRUE(LogShows(a, L"该老师正在忙，拒绝了您的转接请求。"));
    EXPECT_TRUE(Wait([&] { return a.Usable(IDC_CHAT_HAND_OVER) && a.InputEnabled(); }));
    EXPECT_TRUE(LogShows(b, L"您拒绝了对方的转接请求。"));

    // --- B grabs the customer and releases it --------------------------
    ASSERT_TRUE(Wait([&] { return b.Usable(IDC_CHAT_GRAB); })) << "B cannot grab an online customer";
    ClickButton(b, IDC_CHAT_GRAB);
    EXPECT_TRUE(LogShows(b, L"抢接 周宁 的 赵磊 客户成功. 您可以同该客户对话了."));
    EXPECT_TRUE(Wait([&] { return b.HandOverButtons() == std::vector<int>{IDC_CHAT_RELEASE_GRAB}; }));
    EXPECT_TRUE(b.InputEnabled());
    EXPECT_TRUE(LogShows(a, L"赵磊 客户已被 林晓 抢接成功."));
    EXPECT_TRUE(Wait([&] { return !a.InputEnabled() && a.HandOverButtons().empty(); }));
    ASSERT_TRUE(customer.SendText(kAgentA, "grabbed now"));
    EXPECT_TRUE(LogShows(b, L"grabbed now")) << "the customer's message did not reach B";

    ClickButton(b, IDC_CHAT_RELEASE_GRAB);
    EXPECT_TRUE(LogShows(b, L"释放该客户成功，会话权转交给原客服。"));
    EXPECT_TRUE(Wait([&] { return b.HandOverButtons() == std::vector<int>{IDC_CHAT_GRAB} && !b.InputEnabled(); }));
    EXPECT_TRUE(LogShows(a, L"之前抢接的老师释放了该客户，会话权转交给了您。"));
    EXPECT_TRUE(Wait([&] { return a.InputEnabled() && a.Usable(IDC_CHAT_HAND_OVER); }));
    ASSERT_TRUE(customer.SendText(kAgentA, "back with A"));
    EXPECT_TRUE(LogShows(a, L"back with A")) << "the customer's message did not reach A";
}

// A double click on "发送" with a text in the input sends it once and opens
// no quick-reply menu. A double click on "抢接" sends one grab; while the
// server holds its answer the window waits in the grab-asked state (the
// button shown and disabled, no input); the answer then gives B the
// customer as a single click does.
TEST_F(ConversationE2E, DoubleClicksRunTheirCommandOnce) {
    ASSERT_TRUE(customer.Logon(kCustomer, ServerAddress()));
    Start(a);
    StartB();
    OpenCustomerAtA();
    OpenWatchedAtB();

    Front(a.main);
    Click(CentreOf(a.Control(IDC_CHAT_INPUT)));
    ASSERT_TRUE(Wait([&] { return FocusOf(a.main) == a.Control(IDC_CHAT_INPUT); }, 5000));
    TypeText(L"only once");
    DoubleClick(CentreOf(a.Control(IDC_CHAT_SEND)));
    ASSERT_TRUE(customer.WaitForText("only once", kWaitMs));
    EXPECT_TRUE(LogShows(a, L"only once"));
    customer.Pump(2000);
    size_t received = 0;
    for (const TextMsgRecord& r : customer.Received())
        if (std::strstr(r.text, "only once")) ++received;
    EXPECT_EQ(received, 1u) << "the double click sent the text more than once";
    EXPECT_EQ(Count(a.Log(), L"only once"), 1u);
    EXPECT_FALSE(MenuShown(a)) << "the double click opened the quick-reply menu";
    if (MenuShown(a)) PressKey(VK_ESCAPE);

    const int connectionB = ConnectionOf(kAgentB);
    ASSERT_GT(connectionB, 0);
    ASSERT_EQ(control.Command(Verb("MUTE", connectionB)), "OK");
    Front(b.main);
    DoubleClick(CentreOf(b.Control(IDC_CHAT_GRAB)));
    std::vector<ServerPacket> grabs;
    ASSERT_TRUE(Wait([&] { return !(grabs = control.PacketsOf(CMD_GRAB_CUSTOMER)).empty(); }, 10000)) << "no grab sent";
    customer.Pump(1500);
    grabs = control.PacketsOf(CMD_GRAB_CUSTOMER);
    EXPECT_EQ(grabs.size(), 1u) << "the double click sent more than one grab";
    EXPECT_EQ(b.HandOverButtons(), std::vector<int>{IDC_CHAT_GRAB});
    EXPECT_FALSE(b.Usable(IDC_CHAT_GRAB)) << "a second grab could go out while the first waits";
    EXPECT_FALSE(b.InputEnabled());

    // The server answers the one grab now.
    ASSERT_EQ(control.Command(Verb("REQUEST", connectionB) + " " + std::to_string(CMD_GRAB_CUSTOMER) + " " +
                              Hex(grabs.front().body)),
              "OK");
    ASSERT_EQ(control.Command(Verb("UNMUTE", connectionB)), "OK");
    EXPECT_TRUE(LogShows(b, L"抢接 周宁 的 赵磊 客户成功. 您可以同该客户对话了."));
    EXPECT_TRUE(Wait([&] { return b.HandOverButtons() == std::vector<int>{IDC_CHAT_RELEASE_GRAB} && b.InputEnabled(); }));
    EXPECT_TRUE(LogShows(a, L"赵磊 客户已被 林晓 抢接成功."));
    WriteLine(b, L"B grabbed");
    EXPECT_TRUE(customer.WaitForText("B grabbed", kWaitMs)) << "B cannot write after the grab";
    EXPECT_EQ(b.Log().find(L"抢接失败"), std::wstring::npos);
    // The server's session ends free for the next case.
    ClickButton(b, IDC_CHAT_RELEASE_GRAB);
    EXPECT_TRUE(LogShows(b, L"释放该客户成功，会话权转交给原客服。"));
}

// B grabs a customer whose clock runs 10 minutes behind the server's, then
// 10 minutes ahead: B sees every message of the customer and every own
// line once each, in the order they came; after the release the history
// refresh of the watched session adds none of them again.
TEST_F(ConversationE2E, SkewedCustomerClocksLoseNoMessage) {
    ASSERT_TRUE(customer.Logon(kCustomer, ServerAddress()));
    StartB();
    OpenWatchedAtB();
    ClickButton(b, IDC_CHAT_GRAB);
    ASSERT_TRUE(Wait([&] { return b.HandOverButtons() == std::vector<int>{IDC_CHAT_RELEASE_GRAB} && b.InputEnabled(); }))
        << "the grab did not give B the customer";

    const std::vector<std::wstring> order = {L"behind one", L"own one", L"ahead one", L"own two", L"behind two"};
    for (const std::wstring& line : order) {
        if (line.rfind(L"own", 0) == 0) {
            WriteLine(b, line);
            ASSERT_TRUE(customer.WaitForText(Utf8(line), kWaitMs));
        } else {
            customer.SetClockSkew(line.find(L"behind") == 0 ? -10 : 10);
            ASSERT_TRUE(customer.SendText(kAgentA, Utf8(line)));
        }
        EXPECT_TRUE(LogShows(b, line, 10000)) << "B's log does not show: " << Utf8(line);
    }
    const auto checkOnceInOrder = [&](const char* when) {
        const std::wstring log = b.Log();
        size_t last = 0;
        for (const std::wstring& line : order) {
            EXPECT_EQ(Count(log, line), 1u) << Utf8(line) << " " << when;
            const size_t at = log.find(line);
            EXPECT_TRUE(at != std::wstring::npos && at >= last) << Utf8(line) << " out of order " << when;
            if (at != std::wstring::npos) last = at;
        }
    };
    checkOnceInOrder("while B talks");

    ClickButton(b, IDC_CHAT_RELEASE_GRAB);
    ASSERT_TRUE(Wait([&] { return b.HandOverButtons() == std::vector<int>{IDC_CHAT_GRAB}; }));
    // The watched session refreshes its log from the server every 10 s.
    customer.Pump(12000);
    checkOnceInOrder("after the history refresh");
}

// The owner closes the window of a grabbed customer and opens it again: it
// opens grabbed (no hand-over button, no input). A grab and a hand-over
// refused with a result above 2 (the server's 54: another agent holds the
// customer) show their notice with the names filled, though the engine has
// forgotten its record by then.
TEST_F(ConversationE2E, ReopenedGrabbedWindowAndRefusalsNameTheirAgents) {
    ASSERT_TRUE(customer.Logon(kCustomer, ServerAddress()));
    Start(a);
    StartB();
    OpenCustomerAtA();
    OpenWatchedAtB();
    ClickButton(b, IDC_CHAT_GRAB);
    ASSERT_TRUE(LogShows(a, L"赵磊 客户已被 林晓 抢接成功."));
    ASSERT_TRUE(Wait([&] { return !a.InputEnabled() && a.HandOverButtons().empty(); }));

    ClickButton(a, IDC_CHAT_CLOSE);
    ASSERT_TRUE(Wait([&] { return !::IsWindow(a.chat.window); }, 10000)) << "A's window did not close";
    OpenCustomerAtA(true);
    customer.Pump(1500);  // the window's first status and layout
    EXPECT_TRUE(a.HandOverButtons().empty()) << "the reopened window offers a hand-over of a grabbed customer";
    EXPECT_FALSE(a.InputEnabled()) << "the owner can write to a grabbed customer";

    // B releases and asks again; the server refuses with 54.
    ClickButton(b, IDC_CHAT_RELEASE_GRAB);
    ASSERT_TRUE(Wait([&] { return b.Usable(IDC_CHAT_GRAB); })) << "B's release did not end";
    const int connectionB = ConnectionOf(kAgentB);
    ASSERT_GT(connectionB, 0);
    ASSERT_EQ(control.Command(Verb("MUTE", connectionB)), "OK");
    ClickButton(b, IDC_CHAT_GRAB);
    ASSERT_TRUE(Wait([&] { return !b.Usable(IDC_CHAT_GRAB); }, 10000));
    ASSERT_EQ(control.Command(Verb("SEND", connectionB) + " " + std::to_string(CMD_SWITCH_CUSTOMER) + " " +
                              CDeskServerControl::WordsHex({50003, kAgentA, kCustomer, 54})),
              "OK");
    EXPECT_TRUE(LogShows(b, L"赵磊 之前由 周宁 接待，在 周宁 会话结束之前，您不能与该客户对话。"));
    EXPECT_TRUE(Wait([&] { return b.Usable(IDC_CHAT_GRAB) && !b.InputEnabled(); })) << "B did not return to watching";
    ASSERT_EQ(control.Command(Verb("UNMUTE", connectionB)), "OK");

    // A hands the customer to B; the server refuses with 54 too.
    ASSERT_TRUE(Wait([&] { return a.Usable(IDC_CHAT_HAND_OVER); })) << "A did not get the customer back";
    HWND dialog = OpenHandOverAndPickB(false);
    ASSERT_NE(dialog, nullptr);
    const int connectionA = ConnectionOf(kAgentA);
    ASSERT_GT(connectionA, 0);
    ASSERT_EQ(control.Command(Verb("MUTE", connectionA)), "OK");
    Click(CentreOf(::GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(LogShows(a, L"正在为您转接到 林晓，请稍后。"));
    ASSERT_EQ(control.Command(Verb("SEND", connectionA) + " " + std::to_string(CMD_SWITCH_CUSTOMER) + " " +
                              CDeskServerControl::WordsHex({kAgentB, kAgentA, kCustomer, 54})),
              "OK");
    EXPECT_TRUE(LogShows(a, L"赵磊 之前由 林晓 接待，在 林晓 会话结束之前，您不能与该客户对话。"));
    EXPECT_TRUE(Wait([&] { return a.Usable(IDC_CHAT_HAND_OVER) && a.InputEnabled(); })) << "A did not get it back";
    ASSERT_EQ(control.Command(Verb("UNMUTE", connectionA)), "OK");
}

// B, holding a customer handed over by A, closes the program and starts it
// again; the customer's next message opens B's window as A's handed-over
// session, and B stops the hand-over.
TEST_F(ConversationE2E, RestartedAgentStopsTheHandOverHeHolds) {
    ASSERT_TRUE(customer.Logon(kCustomer, ServerAddress()));
    Start(a);
    StartB();
    OpenCustomerAtA();
    HWND dialog = OpenHandOverAndPickB(false);
    ASSERT_NE(dialog, nullptr);
    Click(CentreOf(::GetDlgItem(dialog, IDOK)));
    HWND tip = WaitForTip();
    ASSERT_NE(tip, nullptr);
    Front(tip);
    Click(CentreOf(::GetDlgItem(tip, IDOK)));
    ASSERT_TRUE(LogShows(a, L"转接到 林晓 成功."));

    SendTo(b.main, WM_INSTANCE_CONTROL, 0, 0);
    ASSERT_TRUE(b.process.WaitForExit(kExitWaitMs)) << "B did not end";
    b.main = nullptr;
    b.chat = Conversation();
    // With the pop-up on, the customer's message opens B's window by itself.
    WriteAgentSettings(app, b.id, true);
    ASSERT_TRUE(b.process.Start(app, L"run " + std::to_wstring(b.id)));
    ASSERT_TRUE(Wait([&] { return (b.main = FindMainWindow(b.process, b.caption)) != nullptr; }));
    SendTo(b.main, WM_INSTANCE_CONTROL, 1, 0);
    ASSERT_TRUE(Wait([&] { return CustomerTree(b.main) != nullptr; }));
    customer.Pump(2000);  // the engine's records after the log-on
    ASSERT_TRUE(customer.SendText(kAgentA, "after the restart"));
    ASSERT_TRUE(Wait([&] {
        b.chat = ShownConversation(b.main);
        return b.chat.window && LogShows(b, L"after the restart", 0);
    })) << "the customer's message did not open B's window";
    EXPECT_TRUE(Wait([&] { return b.HandOverButtons() == std::vector<int>{IDC_CHAT_STOP_HAND_OVER}; }, 5000))
        << "the restarted agent cannot stop the hand-over";
    EXPECT_TRUE(b.InputEnabled());
    ClickButton(b, IDC_CHAT_STOP_HAND_OVER);
    EXPECT_TRUE(LogShows(b, L"中止转接对话成功，会话权转交给原客服。"));
    EXPECT_TRUE(LogShows(a, L"转接老师已经中止了与该客户的对话， 您可以和该客户交流了。"));
    EXPECT_TRUE(Wait([&] { return a.InputEnabled() && a.Usable(IDC_CHAT_HAND_OVER); }));
}
