// The agent's main road through the real Tavrel.exe, driven as an agent
// drives it: real clicks, double clicks and keys (SendInput) at the places
// where the program shows its items, through its own window tree and
// message loop. Against the stand-in chat server with the demo organisation
// and the stand-in file server beside it (with-desk-server.sh --fileserver);
// the customer 赵磊 (60006) is a messenger engine host in this test program
// (CCustomerHost). What is checked is what the agent sees (windows, the
// tree's items and pictures, the log) and what the customer receives.
//
// The agent is 周宁 (50002): its customers are 刘洋 (60004, always offline
// here) and 赵磊, in the group "我的客户".
#include "AgentSession.h"
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

#include "clientui/TransFilePanel.h"

#include "fw/StringUtil.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr int32_t kAgent = 50002;
constexpr int32_t kCustomer = 60006;      // 赵磊
constexpr DWORD kWindowWaitMs = 30000;

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// The pixels of a row as the screen shows it.
std::vector<uint32_t> RowPixels(HWND tree, const TreeItem& item) {
    RECT row = item.rect;
    ::MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&row), 2);
    return ScreenPixels(row);
}

// The face picture of a user row as the screen shows it.
std::vector<uint32_t> FacePixels(HWND tree, const TreeItem& item) {
    RECT face = {6, item.rect.top + 6, 46, item.rect.top + 46};
    ::MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&face), 2);
    return ScreenPixels(face);
}

class MainRoadE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        ASSERT_TRUE(std::getenv("QV_FILESERVER_DIR")) << "run with --fileserver";
        app = WindowsPathFromEnv("QV_DESK_APP");
        WriteServerEntry(app);
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
        ASSERT_TRUE(customer.Loaded()) << "no customer engine";
    }

    void TearDown() override {
        // What the agent saw when a check failed, beside the test program.
        if (HasFailure() && main) {
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            testpicture::SaveScreenArea(screen, L"main_road_" + std::wstring(name.begin(), name.end()) + L".bmp");
        }
        if (main && process.IsRunning()) {
            EXPECT_TRUE(session.Stop());
        }
    }

    // Pumps the customer's messages while waiting.
    bool Wait(const std::function<bool()>& ready, DWORD ms = kWindowWaitMs) { return session.Wait(ready, ms); }

    // Starts the agent (pop-up off) and waits for its customer tree with
    // both customers; the window is put in front of every other.
    void StartAgent(int sendMsgOpt = 0) {
        WriteAgentSettings(app, kAgent, false, sendMsgOpt);
        ASSERT_TRUE(session.Start(app, false, true)) << "the agent's tree with both customers did not come";
        main = session.Main();
        tree = session.Tree();
        agentConnection = control.PacketsOf(CMD_LOGON).back().connection;
    }

    void LogonCustomer() { ASSERT_TRUE(customer.Logon(kCustomer, ServerAddress())); }

    // Opens the customers' group with a real click on its row.
    void ExpandCustomers() { ASSERT_TRUE(session.ExpandCustomers()) << "the click did not open the group"; }

    // A real double click on the customer's row opens the conversation.
    Conversation OpenByDoubleClick(int32_t user) { return session.Open(user); }

    // Clicks into the input of the conversation shown.
    void ClickIntoInput(const Conversation& c) {
        ASSERT_TRUE(session.FocusInput(c)) << "the click left the focus elsewhere";
    }

    // "按Ctrl+Enter键发送" from the conversation's send-options menu (a real
    // click on its button, then the menu's keys).
    void ChooseCtrlEnterToSend(const Conversation& c) {
        Click(CentreOf(::GetDlgItem(c.window, IDC_CHAT_SEND_OPTIONS)));
        HWND menu = nullptr;
        ASSERT_TRUE(Wait([&] {
            for (HWND window : process.Windows())
                if (ClassName(window) == L"#32768") return (menu = window) != nullptr;
            return false;
        }, 10000)) << "no send-options menu";
        PressKey(VK_DOWN);
        PressKey(VK_DOWN);
        PressKey(VK_RETURN);
        ASSERT_TRUE(Wait([&] { return !::IsWindowVisible(menu); }, 10000));
    }

    std::wstring app;
    CDeskServerControl control;
    CCustomerHost customer;
    CAgentSession session{[this](DWORD ms) { customer.Pump(ms); }};
    CTavrelProcess& process = session.Process();
    HWND main = nullptr;
    HWND tree = nullptr;
    int agentConnection = 0;
};

}  // namespace

// With the pop-up off, the customer's message makes the customer flash
// (its face jumps); a real double click on the customer's row opens the
// conversation with the message. Lines typed with the line-break key arrive
// as one message with the line break, for both send options, and the other
// key sends.
TEST_F(MainRoadE2E, ADoubleClickOpensTheFlashingCustomerAndLineBreaksReachTheCustomer) {
    LogonCustomer();
    StartAgent();
    // The customers' group closed (a click closes it when it is open): its
    // row blinks while the customer's message waits.
    TreeItem group = FindGroup(tree, L"我的客户");
    ASSERT_TRUE(group.visible);
    if (group.state & TVIS_EXPANDED) Click(TreeItemPoint(tree, group));
    ASSERT_TRUE(Wait([&] { return !((group = FindGroup(tree, L"我的客户")).state & TVIS_EXPANDED); }, 10000));
    const std::vector<uint32_t> groupRow = RowPixels(tree, group);
    ASSERT_TRUE(customer.SendText(kAgent, "hello agent"));
    EXPECT_TRUE(Wait([&] { return RowPixels(tree, group) != groupRow; }, 10000)) << "the group row does not blink";
    // Opened, the group shows the customer first, its face jumping.
    ExpandCustomers();
    ASSERT_TRUE(Wait([&] { return GroupOrder(tree, L"我的客户").front() == kCustomer; }));
    TreeItem row = FindTreeItem(tree, kCustomer);
    ASSERT_TRUE(row.visible);
    std::vector<uint32_t> first = FacePixels(tree, row);
    EXPECT_TRUE(Wait([&] { return FacePixels(tree, row) != first; }, 5000)) << "the face does not jump";
    EXPECT_TRUE(OpenConversations(main).empty()) << "a conversation opened by itself";

    const Conversation chat = OpenByDoubleClick(kCustomer);
    ASSERT_NE(chat.window, nullptr) << "the double click opened nothing";
    EXPECT_TRUE(Wait([&] { return LogShows(chat, L"hello agent"); }, 10000));

    // Send option 0: Ctrl+Enter breaks the line, Enter sends.
    ClickIntoInput(chat);
    TypeText(L"line one");
    PressKey(VK_RETURN, true);
    TypeText(L"line two");
    PressKey(VK_RETURN);
    std::string text;
    ASSERT_TRUE(customer.WaitForText("line two", kWindowWaitMs, &text));
    EXPECT_NE(text.find("line one\r\nline two"), std::string::npos) << text;
    EXPECT_TRUE(Wait([&] { return LogShows(chat, L"line two"); }, 10000)) << "the sent message is not shown";

    // The send-options menu (real click, then its keys): Ctrl+Enter sends,
    // Enter breaks the line.
    ChooseCtrlEnterToSend(chat);
    ClickIntoInput(chat);
    TypeText(L"alpha");
    PressKey(VK_RETURN);
    TypeText(L"beta");
    customer.Pump(500);
    EXPECT_FALSE(customer.WaitForText("alpha", 100)) << "Enter sent with the Ctrl+Enter option";
    PressKey(VK_RETURN, true);
    ASSERT_TRUE(customer.WaitForText("beta", kWindowWaitMs, &text));
    EXPECT_NE(text.find("alpha\r\nbeta"), std::string::npos) << text;
}

// The customer going online and offline shows in the tree (the face and the
// place in the group) and in the open conversation's tip bar; a new
// nickname and signature show in the tree once the user-info notice came.
TEST_F(MainRoadE2E, TheCustomersStatusAndProfileShowInTheTreeAndTheOpenConversation) {
    StartAgent();
    ExpandCustomers();
    // Both customers offline: by name, 刘洋 before 赵磊.
    EXPECT_EQ(GroupOrder(tree, L"我的客户"), (std::vector<LPARAM>{kOtherCustomer, kCustomer}));
    const std::vector<uint32_t> offlineFace = FacePixels(tree, FindTreeItem(tree, kCustomer));
    const Conversation chat = OpenByDoubleClick(kCustomer);
    ASSERT_NE(chat.window, nullptr);
    RECT log = {};
    const auto logTop = [&] {
        ::GetWindowRect(chat.log, &log);
        ::MapWindowPoints(nullptr, chat.window, reinterpret_cast<POINT*>(&log), 2);
        return log.top;
    };
    // Offline: the tip bar lies above the log.
    const int barTop = 52;
    ASSERT_TRUE(Wait([&] { return logTop() > barTop; }, 10000)) << "no tip bar for an offline customer";
    const int offlineLogTop = logTop();
    RECT chatClient = {};
    ::GetClientRect(chat.window, &chatClient);
    const POINT inBar = ClientPoint(chat.window, chatClient.right - 40, barTop + 2);
    EXPECT_TRUE(Wait([&] { return ScreenPixel(inBar) == 0xC5F9FFu; }, 10000))
        << "the tip bar's colour: " << std::hex << ScreenPixel(inBar);

    // Online: first in its group, the online face, no tip bar.
    LogonCustomer();
    EXPECT_TRUE(Wait([&] { return GroupOrder(tree, L"我的客户").front() == kCustomer; }))
        << "the tree was not sorted again";
    const std::vector<uint32_t> onlineFace = FacePixels(tree, FindTreeItem(tree, kCustomer));
    EXPECT_NE(onlineFace, offlineFace) << "the face did not change";
    EXPECT_TRUE(Wait([&] { return logTop() == barTop; }, 10000)) << "the tip bar stayed";

    // Offline again: back behind 刘洋, the offline face, the tip bar.
    ASSERT_TRUE(customer.Logout());
    EXPECT_TRUE(Wait([&] { return GroupOrder(tree, L"我的客户").front() == kOtherCustomer; }));
    EXPECT_TRUE(Wait([&] { return FacePixels(tree, FindTreeItem(tree, kCustomer)) == offlineFace; }, 10000));
    EXPECT_TRUE(Wait([&] { return logTop() == offlineLogTop; }, 10000)) << "no tip bar after going offline";

    // A new nickname and signature: the tree shows them after the user-info
    // notice (the server answers the agent's connection as if it had asked).
    LogonCustomer();
    ASSERT_TRUE(Wait([&] { return GroupOrder(tree, L"我的客户").front() == kCustomer; }));
    const std::vector<uint32_t> oldRow = RowPixels(tree, FindTreeItem(tree, kCustomer));
    ASSERT_TRUE(customer.UpdateProfile(fw::ToAnsi(L"赵磊磊"), fw::ToAnsi(L"周末有空")));
    const std::string ask = "REQUEST " + std::to_string(agentConnection) + " " + std::to_string(CMD_GET_USER_INFO) +
                            " " + CDeskServerControl::WordsHex({static_cast<uint32_t>(kCustomer), 3});
    ASSERT_EQ(control.Command(ask), "OK");
    EXPECT_TRUE(Wait([&] { return FindTreeItem(tree, kCustomer).text == L"赵磊磊"; }))
        << Utf8(FindTreeItem(tree, kCustomer).text);
    EXPECT_TRUE(Wait([&] { return RowPixels(tree, FindTreeItem(tree, kCustomer)) != oldRow; }, 10000))
        << "the row was not painted again";
}

// Files both ways through the "文件传输" page: the agent offers a file from
// the conversation (the send-file button and the open-file dialog), the
// customer accepts and gets the bytes from the file server; the customer
// offers one, the agent accepts it with a click and it lands in the
// received-files folder; a refusal by click reaches the customer.
TEST_F(MainRoadE2E, FilesGoBothWaysThroughTheFileTransferPage) {
    LogonCustomer();
    StartAgent();
    ExpandCustomers();
    const Conversation chat = OpenByDoubleClick(kCustomer);
    ASSERT_NE(chat.window, nullptr);
    const std::wstring server = ServerAddress();

    // The agent offers a file.
    const std::string outgoing = PatternBytes(150000, 1);
    const std::wstring outgoingPath = app + L"offer.bin";
    ASSERT_TRUE(WriteAll(outgoingPath, outgoing));
    Click(CentreOf(::GetDlgItem(chat.window, IDC_CHAT_SEND_FILE)));
    HWND dialog = nullptr;
    ASSERT_TRUE(Wait([&] {
        for (HWND window : process.Windows())
            if (window != main && ClassName(window) == L"#32770" && FileNameBox(window))
                return (dialog = window) != nullptr;
        return false;
    })) << "no open-file dialog";
    ASSERT_TRUE(BringToFront(dialog));
    // The file name box has the focus (a click puts it there otherwise).
    const auto nameBoxFocused = [&] {
        HWND focus = FocusOf(dialog);
        return focus && ::GetAncestor(focus, GA_ROOT) == dialog && ClassName(focus) == L"Edit";
    };
    if (!Wait(nameBoxFocused, 3000)) {
        HWND nameBox = FileNameBox(dialog);
        ASSERT_NE(nameBox, nullptr) << "no file name box";
        Click(CentreOf(nameBox));
        ASSERT_TRUE(Wait(nameBoxFocused, 5000)) << "the file name box has no focus";
    }
    TypeText(outgoingPath);
    PressKey(VK_RETURN);
    FileEvent offer;
    ASSERT_TRUE(customer.WaitForFileEvent(FILE_REQ_OFFER, kWindowWaitMs, &offer)) << "no offer reached the customer";
    EXPECT_EQ(offer.record.senderId, kAgent);
    EXPECT_EQ(offer.record.fileSize, static_cast<int32_t>(outgoing.size()));
    EXPECT_STREQ(offer.record.fileName, "offer.bin");
    EXPECT_TRUE(Wait([&] { return LogShows(chat, L"等待对方接收"); }, 10000)) << "no notice of the offer";
    const size_t beforeReady = customer.FileEvents().size();
    customer.Answer(offer.record, FILE_REQ_ACCEPT);
    FileEvent ready;
    ASSERT_TRUE(customer.WaitForFileEvent(FILE_REQ_READY, 60000, &ready, beforeReady)) << "the upload never finished";
    const std::wstring downloaded = app + L"customer-got.bin";
    ASSERT_TRUE(DownloadFromFileServer(server, downloaded, StoredFileName("offer.bin"), offer.record.fileSize));
    EXPECT_TRUE(ReadAll(downloaded) == outgoing) << "the bytes changed on the way";
    EXPECT_TRUE(Wait([&] { return LogShows(chat, L"成功发送文件"); }, 10000));

    // The customer offers a file; the page shows it and the agent accepts.
    const std::string incoming = PatternBytes(90000, 2);
    const std::wstring incomingSource = app + L"customer-offer.bin";
    ASSERT_TRUE(WriteAll(incomingSource, incoming));
    FileRequestRecord own = {};
    own.senderId = kCustomer;
    own.receiverId = kAgent;
    own.fileSize = static_cast<int32_t>(incoming.size());
    std::strcpy(own.fileName, "report.bin");
    size_t from = customer.FileEvents().size();
    customer.Send(own, FILE_REQ_OFFER);
    HWND receive = nullptr;
    ASSERT_TRUE(Wait([&] {
        receive = FindControl(main, kDeskTransFileIds.receive, L"Button");
        return receive && ::IsWindowVisible(receive);
    })) << "the file-transfer page does not show the offer";
    EXPECT_TRUE(Wait([&] { return LogShows(chat, L"对方请求给您发送文件"); }, 10000));
    customer.Pump(300);
    Click(CentreOf(receive));
    FileEvent accepted;
    ASSERT_TRUE(customer.WaitForFileEvent(FILE_REQ_ACCEPT, kWindowWaitMs, &accepted, from)) << "no acceptance";
    ASSERT_TRUE(UploadToFileServer(server, incomingSource, StoredFileName("report.bin"), own.fileSize));
    customer.Send(own, FILE_REQ_READY);
    const std::wstring landed = app + L"50002\\RecvFile\\report.bin";
    EXPECT_TRUE(Wait([&] { return ReadAll(landed) == incoming; }, 60000)) << "the file did not land intact";
    EXPECT_TRUE(Wait([&] { return LogShows(chat, L"成功接收文件"); }, 10000));

    // A second offer, refused with a click.
    std::strcpy(own.fileName, "unwanted.bin");
    from = customer.FileEvents().size();
    customer.Send(own, FILE_REQ_OFFER);
    HWND refuse = nullptr;
    ASSERT_TRUE(Wait([&] {
        refuse = FindControl(main, kDeskTransFileIds.refuse, L"Button");
        return refuse && ::IsWindowVisible(refuse);
    })) << "the second offer is not shown";
    customer.Pump(300);
    Click(CentreOf(refuse));
    FileEvent refused;
    ASSERT_TRUE(customer.WaitForFileEvent(FILE_REQ_REFUSE, kWindowWaitMs, &refused, from)) << "no refusal";
    EXPECT_STREQ(refused.record.fileName, "unwanted.bin");
}


// The send option chosen in a conversation holds after the chat server has
// restarted and the program has logged on again by itself (its settings
// files are not read again): Enter breaks the line, Ctrl+Enter sends.
TEST_F(MainRoadE2E, ASendOptionSurvivesAChatServerRestart) {
    StartAgent();
    ExpandCustomers();
    const Conversation chat = OpenByDoubleClick(kCustomer);
    ASSERT_NE(chat.window, nullptr) << "the double click opened nothing";
    ChooseCtrlEnterToSend(chat);

    // The server ends and starts again, knowing nothing; the agent logs on
    // again by itself and asks for its lists.
    ASSERT_EQ(control.Command("RESTART 500"), "OK");
    std::unique_ptr<CDeskServerControl> restarted;
    ASSERT_TRUE(Wait([&] {
        restarted = std::make_unique<CDeskServerControl>();
        return restarted->Connected() && restarted->Command("PING") == "OK";
    })) << "the chat server came back";
    // The agent's packets of a command: its log-on (the account at +0), its
    // messages (the sender at +12).
    const auto agentPackets = [&](uint32_t command) {
        const size_t at = command == CMD_TEXT_MSG ? 12 : 0;
        size_t n = 0;
        for (const ServerPacket& p : restarted->PacketsOf(command)) {
            int32_t id = 0;
            if (p.body.size() >= at + 4) std::memcpy(&id, p.body.data() + at, 4);
            if (id == kAgent) ++n;
        }
        return n;
    };
    ASSERT_TRUE(Wait([&] { return agentPackets(CMD_LOGON) > 0; }, 60000)) << "logged on again";
    customer.Pump(2000);  // the log-on reply and the lists reach the program

    ClickIntoInput(chat);
    TypeText(L"gamma");
    PressKey(VK_RETURN);
    TypeText(L"delta");
    customer.Pump(500);
    EXPECT_EQ(agentPackets(CMD_TEXT_MSG), 0u) << "Enter sent with the Ctrl+Enter option";
    PressKey(VK_RETURN, true);
    EXPECT_TRUE(Wait([&] { return agentPackets(CMD_TEXT_MSG) == 1; })) << "Ctrl+Enter sent";
}
