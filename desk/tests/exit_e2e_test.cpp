// The real Tavrel.exe ends within two seconds on each of its exit paths,
// driven with real clicks and keys against the stand-in chat server with the
// demo organisation (with-desk-server.sh starts it):
//   - the log-on panel's close box, before any log-on;
//   - "退出" from the tray menu (a right click on the program's tray icon,
//     the menu's last item, "是" in the question);
//   - a forced log-out (the server puts the connection offline), its notice
//     answered, then Alt+F4 on the main window;
//   - "退出" from the tray menu with a customer's conversation open.
// The time is taken from the last input to the end of the process. Each
// path runs QV_EXIT_RUNS times (2 by default; the measurement under load
// runs 50), and the figures are printed per path.
#include "DeskServerControl.h"
#include "DeskWindows.h"
#include "DisplayTitle.h"
#include "ExitTiming.h"
#include "RealInput.h"
#include "TavrelDriver.h"
#include "main/TavrelMainPanel.h"

#include "clientui/InstanceControl.h"
#include "clientui/LogonPanelResource.h"
#include "clientui/PanelBase.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
// What each exit path must keep to, and how long a failing one is waited
// for before it is ended.
constexpr DWORD kExitLimitMs = 2000;
constexpr DWORD kExitWaitMs = 20000;

const std::wstring kTitle = kDeskDisplayTitle;
const std::wstring kLogonCaption = kTitle + L" 登录";
const std::wstring kExitQuestion = L"退出" + kTitle + L"，将不能及时收到消息。\r\n您确认要退出程序吗?";
const UINT WM_TRAY_QUERY = ::RegisterWindowMessageW(kTrayQueryMessageName);
// The main window's command for the status "忙碌".
constexpr UINT kCmdStatusBusy = 32801;

int TrayIconIndex(HWND main) { return static_cast<int>(SendTo(main, WM_TRAY_QUERY, 1, 0)); }

// The customer writes text (ASCII) to the agent, through the server.
std::string CustomerMessage(uint32_t customer, uint32_t agent, const std::string& text) {
    std::string hex = CDeskServerControl::WordsHex({0, 20261210, 93000000, customer, agent, 0});
    static const char digits[] = "0123456789abcdef";
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    hex += "00";
    while (hex.size() % 8) hex += "0";
    return "SEND last " + std::to_string(CMD_TEXT_MSG) + " " + hex;
}

enum class ExitPath { LogonPanelCloseBox, TrayMenu, ForcedLogOutThenAltF4, TrayMenuWithConversationOpen };

struct PathCase {
    ExitPath path;
    const char* name;
};

const PathCase kPaths[] = {
    {ExitPath::LogonPanelCloseBox, "LogonPanelCloseBox"},
    {ExitPath::TrayMenu, "TrayMenu"},
    {ExitPath::ForcedLogOutThenAltF4, "ForcedLogOutThenAltF4"},
    {ExitPath::TrayMenuWithConversationOpen, "TrayMenuWithConversationOpen"},
};

class DeskExitE2E : public ::testing::TestWithParam<PathCase> {
protected:
    static void SetUpTestSuite() { ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh"; }
    void SetUp() override {
        app = WindowsPathFromEnv("QV_DESK_APP");
        WriteServerEntry(app);
        ASSERT_TRUE(control.Connected());
    }

    // Logs the account on from the command line, shows the main window and
    // waits for the tray icon; the icon's place on the screen in *icon.
    HWND StartLoggedOn(CTavrelProcess& process, int32_t account, const std::wstring& caption, bool popUp,
                       POINT* icon) {
        WriteAgentSettings(app, account, popUp);
        if (!process.Start(app, L"run " + std::to_wstring(account))) return nullptr;
        HWND main = nullptr;
        WaitUntil([&] { return (main = FindMainWindow(process, caption)) != nullptr; }, kWindowWaitMs);
        if (!main) return nullptr;
        EXPECT_TRUE(WaitUntil([&] { return TrayIconIndex(main) == STATUS_ONLINE; }, kWindowWaitMs));
        // The icon is found where the tray changes when the program's status
        // (and so its icon) changes; the status comes from the menu command
        // here, as this is the preparation, not the path under test.
        ::Sleep(500);  // the icon is drawn a moment after the program set it
        const std::vector<uint32_t> online = TrayRow();
        ::PostMessageW(main, WM_COMMAND, kCmdStatusBusy, 0);
        EXPECT_TRUE(WaitUntil([&] { return TrayIconIndex(main) == STATUS_BUSY; }, kWindowWaitMs));
        POINT at = {-1, -1};
        WaitUntil([&] { return (at = ChangedTrayIcon(online, TrayRow())).x >= 0; }, 5000, 200);
        *icon = at;
        SendTo(main, WM_INSTANCE_CONTROL, 1, 0);  // show it
        return main;
    }

    // The tray menu's "退出", answered "是"; the moment of the answer.
    ULONGLONG ExitFromTray(const CTavrelProcess& process, POINT icon) {
        std::string error;
        const ULONGLONG at = ExitFromTrayMenu(process, icon, kTitle, kExitQuestion, &error);
        EXPECT_NE(at, 0u) << error;
        return at;
    }

    // Drives one exit path; the time from its last input to the end of the
    // process, or -1 when the path could not be driven.
    long long RunPath(ExitPath path) {
        CTavrelProcess process;
        ULONGLONG lastInput = 0;
        POINT icon = {-1, -1};
        switch (path) {
            case ExitPath::LogonPanelCloseBox: {
                if (!process.Start(app, L"")) return -1;
                HWND panel = process.WaitForWindow(kLogonCaption, kWindowWaitMs);
                EXPECT_NE(panel, nullptr) << "no log-on panel";
                if (!panel) return -1;
                BringToFront(panel);
                const POINT close = CentreOf(::GetDlgItem(panel, IDC_PANEL_CLOSE));
                lastInput = ::GetTickCount64();
                Click(close);
                break;
            }
            case ExitPath::TrayMenu: {
                HWND main = StartLoggedOn(process, 50001, kTitle + L" - 50001 - 林晓 ", false, &icon);
                EXPECT_NE(main, nullptr);
                if (!main) return -1;
                lastInput = ExitFromTray(process, icon);
                break;
            }
            case ExitPath::ForcedLogOutThenAltF4: {
                EXPECT_EQ(control.Command("CLEAR"), "OK");
                HWND main = StartLoggedOn(process, 50002, kTitle + L" - 50002 - 周宁 ", false, &icon);
                EXPECT_NE(main, nullptr);
                if (!main) return -1;
                const std::vector<ServerPacket> logons = control.PacketsOf(CMD_LOGON);
                EXPECT_FALSE(logons.empty());
                if (logons.empty()) return -1;
                const std::string notice = "SEND " + std::to_string(logons.back().connection) + " " +
                                           std::to_string(CMD_LOGOUT) + " " +
                                           CDeskServerControl::WordsHex({static_cast<uint32_t>(LOGON_ERR_PASSWORD)});
                EXPECT_EQ(control.Command(notice), "OK");
                HWND box = WaitForProcessWindow(process, L"#32770", &kTitle, kWindowWaitMs);
                EXPECT_NE(box, nullptr) << "no notice of the forced log-out";
                if (!box) return -1;
                BringToFront(box);
                Click(CentreOf(::GetDlgItem(box, IDOK)));
                EXPECT_TRUE(WaitUntil([&] { return TrayIconIndex(main) == STATUS_OFFLINE; }, kWindowWaitMs));
                // Not connected any more: Alt+F4 ends the program.
                EXPECT_TRUE(BringToFront(main));
                lastInput = ::GetTickCount64();
                PressAltF4();
                break;
            }
            case ExitPath::TrayMenuWithConversationOpen: {
                // With the pop-up setting, the customer's message opens the
                // conversation by itself.
                HWND main = StartLoggedOn(process, 50003, kTitle + L" - 50003 - 陈静 ", true, &icon);
                EXPECT_NE(main, nullptr);
                if (!main) return -1;
                EXPECT_EQ(control.Command(CustomerMessage(60005, 50003, "still there?")), "OK");
                Conversation open;
                EXPECT_TRUE(WaitUntil([&] { return (open = ShownConversation(main)).window != nullptr; },
                                      kWindowWaitMs))
                    << "the conversation did not open";
                lastInput = ExitFromTray(process, icon);
                break;
            }
        }
        if (!lastInput) return -1;
        const bool ended = process.WaitForExit(kExitWaitMs);
        const long long elapsed = static_cast<long long>(::GetTickCount64() - lastInput);
        EXPECT_TRUE(ended) << "still running " << kExitWaitMs << " ms after the last input";
        return ended ? elapsed : -1;
    }

    std::wstring app;
    CDeskServerControl control;
};

TEST_P(DeskExitE2E, EndsWithinTwoSeconds) {
    const int runs = ExitRuns();
    std::vector<long long> times;
    for (int run = 0; run < runs; ++run) {
        const long long ms = RunPath(GetParam().path);
        ASSERT_GE(ms, 0) << "run " << run + 1;
        EXPECT_LE(ms, static_cast<long long>(kExitLimitMs)) << "run " << run + 1;
        times.push_back(ms);
    }
    PrintExitTimes(GetParam().name, times, kExitLimitMs);
}

INSTANTIATE_TEST_SUITE_P(Paths, DeskExitE2E, ::testing::ValuesIn(kPaths),
                         [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

}  // namespace
