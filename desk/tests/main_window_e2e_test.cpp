// The real Tavrel.exe's main window against the stand-in chat server
// (with-desk-server.sh starts it): the caption and the tray follow the
// log-on and the status, a status chosen from the tray menu reaches the
// server, a forced log-out and a refused message are reported, the close
// button only minimises while connected, and WM_INSTANCE_CONTROL ends the
// program with a log-out the server sees. The windows are driven from
// outside, as a user or another program would: the user's part with real
// keys and clicks (SendInput), another program's part (the instance
// control) with its messages. The display has no notification area to
// click, so the tray icon's right click is the notification the platform
// would send; the menu it opens is then chosen from with real keys.
#include "DeskServerControl.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "RealInput.h"
#include "TavrelDriver.h"
#include "main/DeskMessages.h"
#include "main/TavrelMainPanel.h"

#include "clientui/ClientSettings.h"
#include "clientui/LogonPanelResource.h"

#include "fw/StringUtil.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
constexpr DWORD kExitWaitMs = 20000;

const std::wstring kTitle = kDeskDisplayTitle;
const std::wstring kLogonCaption = kTitle + L" 登录";
const std::wstring kNotLoggedOn = kTitle + L" - 未登录 ";
// Agents of the demo organisation (standins/demo), password "demo".
const std::wstring kManagerCaption = kTitle + L" - 50001 - 林晓 ";
const std::wstring kAgentCaption = kTitle + L" - 50002 - 周宁 ";

const UINT WM_TRAY_QUERY = ::RegisterWindowMessageW(kTrayQueryMessageName);

std::wstring ServerAddress() {
    const char* value = std::getenv("QV_DESK_SERVER");
    std::wstring address;
    for (const char* p = value ? value : ""; *p; ++p) address += static_cast<wchar_t>(*p);
    return address;
}

void PrepareProgramFolder(const std::wstring& folder) {
    ::CreateDirectoryW((folder + L"Ini").c_str(), nullptr);
    ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(ServerAddress()).c_str(),
                                 (folder + L"Ini\\IMServerInfo.ini").c_str());
}

LRESULT SendTo(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// The main window of the process (hidden ones too) with this caption.
HWND FindMainWindow(const CTavrelProcess& process, const std::wstring& caption) {
    for (HWND window : process.Windows(false))
        if (WindowText(window) == caption) return window;
    return nullptr;
}

HWND WaitForMainWindow(const CTavrelProcess& process, const std::wstring& caption) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMainWindow(process, caption)) != nullptr; }, kWindowWaitMs);
    return found;
}

// The tray tip as the program holds it; empty without a tray icon.
std::wstring TrayTip(HWND main) {
    const ATOM atom = static_cast<ATOM>(SendTo(main, WM_TRAY_QUERY, 0, 0));
    if (!atom) return std::wstring();
    wchar_t text[256] = {};
    ::GlobalGetAtomNameW(atom, text, 256);
    ::GlobalDeleteAtom(atom);
    return text;
}

std::string Hex(const std::wstring& text) {
    std::string out;
    char unit[8];
    for (wchar_t c : text) {
        std::snprintf(unit, sizeof unit, "%04x ", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

int TrayIconIndex(HWND main) { return static_cast<int>(SendTo(main, WM_TRAY_QUERY, 1, 0)); }

// Waits for the tray to show `tip` and the icon of `icon` together. The
// program sets them one after the other, and a query can come in between:
// setting the tip sends a message to the notification area, and the
// program answers other programs' queries while it waits.
::testing::AssertionResult WaitForTray(HWND main, const std::wstring& tip, int icon) {
    if (WaitUntil([&] { return TrayTip(main) == tip && TrayIconIndex(main) == icon; }, kWindowWaitMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "tray tip " << Hex(TrayTip(main)) << ", icon " << TrayIconIndex(main)
                                         << "; expected tip " << Hex(tip) << ", icon " << icon;
}

std::wstring TipFor(const std::wstring& fullName, const std::wstring& status) {
    return kTitle + L":" + fullName + L" \r\n 状态:" + status;
}

HWND WaitForMessageBox(const CTavrelProcess& process) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : process.Windows())
                if (ClassName(window) == L"#32770" && WindowText(window) == kTitle) return (found = window) != nullptr;
            return false;
        },
        kWindowWaitMs);
    return found;
}

class MainWindowE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        PrepareProgramFolder(WindowsPathFromEnv("QV_DESK_APP"));
    }
    void SetUp() override {
        app = WindowsPathFromEnv("QV_DESK_APP");
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
    }

    // Starts the program without an account and logs on through its panel.
    HWND LogOnByHand(CTavrelProcess& process, const std::wstring& account, const std::wstring& caption) {
        if (!process.Start(app, L"")) return nullptr;
        HWND panel = process.WaitForWindow(kLogonCaption, kWindowWaitMs);
        if (!panel) return nullptr;
        // Behind the panel the main window waits, not logged on, no tray yet.
        HWND main = FindMainWindow(process, kNotLoggedOn);
        EXPECT_NE(main, nullptr);
        if (main) {
            EXPECT_EQ(TrayIconIndex(main), -1);
        }
        EXPECT_TRUE(BringToFront(panel));
        RetypeText(::GetDlgItem(panel, IDC_LOGON_ACCOUNT), account);
        RetypeText(::GetDlgItem(panel, IDC_LOGON_PASSWORD), L"demo");
        Click(CentreOf(::GetDlgItem(panel, IDC_LOGON_BUTTON)));
        return WaitForMainWindow(process, caption);
    }

    // The tray icon's menu (opened by the notification a right click on
    // the icon gives), its last item "退出" chosen with the keys.
    bool ChooseExitFromTrayMenu(const CTavrelProcess& process, HWND main) {
        ::PostMessageW(main, WM_TRAY_NOTIFY, CTavrelMainPanel::kTrayIconId, WM_RBUTTONUP);
        const bool shown = WaitUntil(
            [&] {
                for (HWND window : process.Windows())
                    if (ClassName(window) == L"#32768") return true;
                return false;
            },
            kWindowWaitMs);
        if (!shown) return false;
        // 我的资料, 在线, 忙碌, 离开, 请勿打扰, 打开主面板, 退出 (the
        // separators are passed over).
        for (int i = 0; i < 7; ++i) PressKey(VK_DOWN);
        PressKey(VK_RETURN);
        return true;
    }

    // The log-on packets the server received, in order of connection.
    std::vector<ServerPacket> Logons() { return control.PacketsOf(CMD_LOGON); }

    bool WaitForStatusPacket(uint32_t status) {
        return WaitUntil(
            [&] {
                for (const ServerPacket& p : control.PacketsOf(CMD_CHANGE_STATUS))
                    if (p.body.size() >= 4 && p.body[0] == status) return true;
                return false;
            },
            kWindowWaitMs, 250);
    }

    std::wstring app;
    CDeskServerControl control;
};

}  // namespace

TEST_F(MainWindowE2E, LogonByHandSetsCaptionAndTrayCloseButtonMinimisesInstanceControlEnds) {
    CTavrelProcess process;
    HWND main = LogOnByHand(process, L"50001", kManagerCaption);
    ASSERT_NE(main, nullptr) << "no logged-on main window";
    EXPECT_TRUE(WaitForTray(main, TipFor(L"林晓", L"在线"), STATUS_ONLINE));
    // Shown once the log-on panel has gone.
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }, kWindowWaitMs));
    // The manager's role (1) adds the message search before the profile tab.
    HWND tabs = ::GetDlgItem(main, CTavrelMainPanel::kTabControlId);
    EXPECT_TRUE(WaitUntil([&] { return SendTo(tabs, TCM_GETITEMCOUNT, 0, 0) == 5; }, kWindowWaitMs));

    // The close button and Alt+F4 only minimise while connected.
    ASSERT_TRUE(BringToFront(main));
    Click(CentreOf(::GetDlgItem(main, IDC_PANEL_CLOSE)));
    EXPECT_TRUE(WaitUntil([&] { return ::IsIconic(main) != FALSE; }, 5000));
    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 1, 0), 1);
    EXPECT_TRUE(WaitUntil([&] { return !::IsIconic(main) && ::IsWindowVisible(main); }, 5000));
    ASSERT_TRUE(BringToFront(main));
    PressAltKey(VK_F4);
    EXPECT_TRUE(WaitUntil([&] { return ::IsIconic(main) != FALSE; }, 5000));
    ::Sleep(300);
    EXPECT_TRUE(process.IsRunning());

    // Another account's instance control is not for this one; wParam 0 ends
    // the program, and its log-out reaches the server.
    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 50002), 0);
    EXPECT_TRUE(process.IsRunning());
    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return !control.PacketsOf(CMD_LOGOUT).empty(); }, 5000, 250));
}

TEST_F(MainWindowE2E, AutomaticLogonAndAStatusFromTheTrayMenuReachesTheServer) {
    CTavrelProcess process;
    ASSERT_TRUE(process.Start(app, L"run 50001"));
    HWND main = WaitForMainWindow(process, kManagerCaption);
    ASSERT_NE(main, nullptr) << "no logged-on main window";
    EXPECT_EQ(process.FindWindowByCaption(kLogonCaption), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return TrayTip(main) == TipFor(L"林晓", L"在线"); }, kWindowWaitMs))
        << Hex(TrayTip(main)) << " icon " << TrayIconIndex(main);

    // Right click on the tray icon; in its menu the fourth item is "忙碌"
    // (after "我的资料", the separator and "在线").
    ::PostMessageW(main, WM_TRAY_NOTIFY, CTavrelMainPanel::kTrayIconId, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND window : process.Windows())
                if (ClassName(window) == L"#32768") return (menu = window) != nullptr;
            return false;
        },
        kWindowWaitMs))
        << "no tray menu";
    for (int i = 0; i < 3; ++i) PressKey(VK_DOWN);
    PressKey(VK_RETURN);

    EXPECT_TRUE(WaitForStatusPacket(STATUS_BUSY)) << "the server saw no status change to busy";
    EXPECT_TRUE(WaitForTray(main, TipFor(L"林晓", L"忙碌"), STATUS_BUSY));

    // The account's own instance control ends it.
    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 50001), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

TEST_F(MainWindowE2E, RepeatedLogonForcesTheFirstClientOffline) {
    CTavrelProcess first;
    HWND main = LogOnByHand(first, L"50002", kAgentCaption);
    ASSERT_NE(main, nullptr);
    const std::vector<ServerPacket> before = Logons();
    ASSERT_EQ(before.size(), 1u);
    // An agent's role (7) adds only the profile tab.
    HWND tabs = ::GetDlgItem(main, CTavrelMainPanel::kTabControlId);
    EXPECT_TRUE(WaitUntil([&] { return SendTo(tabs, TCM_GETITEMCOUNT, 0, 0) == 4; }, kWindowWaitMs));

    // The same account logs on from a second client; the server puts the
    // first connection offline (a log-out reply of 10001).
    CTavrelProcess second;
    ASSERT_NE(LogOnByHand(second, L"50002", kAgentCaption), nullptr);
    const std::string notice = "SEND " + std::to_string(before.front().connection) + " " +
                               std::to_string(CMD_LOGOUT) + " " +
                               CDeskServerControl::WordsHex({static_cast<uint32_t>(LOGON_ERR_PASSWORD)});
    ASSERT_EQ(control.Command(notice), "OK");

    HWND box = WaitForMessageBox(first);
    ASSERT_NE(box, nullptr) << "no notice of the forced log-out";
    EXPECT_EQ(MessageBoxText(box), L"您的帐号重复登陆，您已经被迫下线");
    AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitForTray(main, TipFor(L"周宁", L"离线"), STATUS_OFFLINE));

    // Not connected any more: Alt+F4 ends the program.
    ASSERT_TRUE(BringToFront(main));
    PressAltKey(VK_F4);
    EXPECT_TRUE(first.WaitForExit(kExitWaitMs));
    HWND other = FindMainWindow(second, kAgentCaption);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(SendTo(other, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(second.WaitForExit(kExitWaitMs));
}

TEST_F(MainWindowE2E, RefusedMessageIsReportedWithItsTimeAndTheTrayExitAsksFirst) {
    CTavrelProcess process;
    ASSERT_TRUE(process.Start(app, L"run 50001"));
    HWND main = WaitForMainWindow(process, kManagerCaption);
    ASSERT_NE(main, nullptr);

    // The server refuses the message of 14:30:05.250 (an acknowledgement
    // with a failure result).
    const std::string ack =
        "SEND last " + std::to_string(CMD_TEXT_MSG) + " " + CDeskServerControl::WordsHex({20261210, 143006000, 143005250, 0});
    ASSERT_EQ(control.Command(ack), "OK");
    HWND box = WaitForMessageBox(process);
    ASSERT_NE(box, nullptr) << "no notice of the refused message";
    EXPECT_EQ(MessageBoxText(box), L"由于网络原因，您14:30:05的消息没有发送成功:(");
    AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 5000));

    // The tray menu's "退出" asks first: No keeps the program, Yes ends it.
    const std::wstring question = L"退出" + kTitle + L"，将不能及时收到消息。\r\n您确认要退出程序吗?";
    ASSERT_TRUE(ChooseExitFromTrayMenu(process, main));
    box = WaitForMessageBox(process);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), question);
    AnswerMessageBox(box, IDNO);
    ::Sleep(500);
    EXPECT_TRUE(process.IsRunning());
    ASSERT_TRUE(ChooseExitFromTrayMenu(process, main));
    box = WaitForMessageBox(process);
    ASSERT_NE(box, nullptr);
    AnswerMessageBox(box, IDYES);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return !control.PacketsOf(CMD_LOGOUT).empty(); }, 5000, 250));
}

TEST_F(MainWindowE2E, SavedStatusIsRestoredAndAnIncomingMessageGetsTheAutomaticReply) {
    // 陈静 (50003) left with the automatic reply on and the status away.
    const std::wstring account = app + L"50003";
    ::CreateDirectoryW(account.c_str(), nullptr);
    const std::wstring settings = account + L"\\systemSetting.dll";
    ::WritePrivateProfileStringW(L"systemSetting", L"bAutoReply", L"1", settings.c_str());
    ::WritePrivateProfileStringW(L"systemSetting", L"iState", L"2", settings.c_str());

    CTavrelProcess process;
    ASSERT_TRUE(process.Start(app, L"run 50003"));
    HWND main = WaitForMainWindow(process, kTitle + L" - 50003 - 陈静 ");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitForStatusPacket(STATUS_AWAY)) << "the saved status was not restored";
    EXPECT_TRUE(WaitUntil([&] { return TrayTip(main) == TipFor(L"陈静", L"离开"); }, kWindowWaitMs));

    // The customer 张伟 (60001) writes; the reply goes back to him.
    std::string message = "SEND last " + std::to_string(CMD_TEXT_MSG) + " " +
                          CDeskServerControl::WordsHex({0, 20261210, 93000000, 60001, 50003, 0}) + "68690000";
    ASSERT_EQ(control.Command(message), "OK");
    std::string replyText;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const ServerPacket& p : control.PacketsOf(CMD_TEXT_MSG)) {
                if (p.body.size() <= TEXTMSG_HEAD_SIZE) continue;
                int32_t head[6];
                std::memcpy(head, p.body.data(), sizeof head);
                if (head[0] != 1 || head[3] != 50003 || head[4] != 60001) continue;
                replyText.assign(reinterpret_cast<const char*>(p.body.data() + TEXTMSG_HEAD_SIZE),
                                 p.body.size() - TEXTMSG_HEAD_SIZE);
                return true;
            }
            return false;
        },
        kWindowWaitMs, 250))
        << "no automatic reply";
    const std::wstring text = fw::FromAnsi(replyText.c_str());
    EXPECT_EQ(text.compare(0, 8, L"<format|"), 0) << Hex(text);
    EXPECT_NE(text.find(L"/format>[自动回复] "), std::wstring::npos) << Hex(text);

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}
