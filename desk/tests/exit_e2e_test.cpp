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
#include "ExitPathRuns.h"
#include "RealInput.h"
#include "TavrelDriver.h"
#include "main/TavrelMainPanel.h"

#include "clientui/InstanceControl.h"
#include "clientui/LogonPanelResource.h"
#include "clientui/PanelBase.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

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

enum class ExitPath { LogonPanelCloseBox, TrayMenu, ForcedLogOutThenAltF4, TrayMenuWithConversationOpen };

using PathCase = ExitPathCase<ExitPath>;

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
        // Each run starts from an account folder of nothing but its settings.
        const std::wstring folder = app + std::to_wstring(account);
        std::wstring from = folder + L'\0';
        SHFILEOPSTRUCTW remove = {};
        remove.wFunc = FO_DELETE;
        remove.pFrom = from.c_str();
        remove.fFlags = FOF_NO_UI;
        ::SHFileOperationW(&remove);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        WriteAgentSettings(app, account, popUp);
        if (!process.Start(app, L"run " + std::to_wstring(account))) return nullptr;
        HWND main = nullptr;
        WaitUntil([&] { return (main = FindMainWindow(process, caption)) != nullptr; }, kWindowWaitMs);
        if (!main) return nullptr;
        EXPECT_TRUE(WaitUntil([&] { return TrayIconIndex(main) == STATUS_ONLINE; }, kWindowWaitMs))
            << "tray icon " << TrayIconIndex(main);
        // The status comes from the menu command here: this is the
        // preparation, not the path under test.
        *icon = TrayIconByStatusChange(main, kCmdStatusBusy);
        EXPECT_TRUE(WaitUntil([&] { return TrayIconIndex(main) == STATUS_BUSY; }, kWindowWaitMs));
        SendTo(main, WM_INSTANCE_CONTROL, 1, 0);  // show it
        return main;
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
                lastInput = ClickControlOf(panel, IDC_PANEL_CLOSE);
                break;
            }
            case ExitPath::TrayMenu: {
                HWND main = StartLoggedOn(process, 50001, kTitle + L" - 50001 - 林晓 ", false, &icon);
                EXPECT_NE(main, nullptr);
                if (!main) return -1;
                lastInput = ExpectExitFromTrayMenu(process, icon, kTitle, kExitQuestion);
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
                EXPECT_EQ(control.Command(ForcedLogOutCommand(logons)), "OK");
                HWND box = WaitForProcessWindow(process, L"#32770", &kTitle, kWindowWaitMs);
                EXPECT_NE(box, nullptr) << "no notice of the forced log-out";
                if (!box) return -1;
                ClickControlOf(box, IDOK);
                EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kWindowWaitMs));
                EXPECT_TRUE(WaitUntil([&] { return TrayIconIndex(main) == STATUS_OFFLINE; }, kWindowWaitMs));
                // Not connected any more: Alt+F4 ends the program.
                EXPECT_TRUE(BringToFront(main));
                lastInput = PressAltF4();
                break;
            }
            case ExitPath::TrayMenuWithConversationOpen: {
                // With the pop-up setting, the customer's message opens the
                // conversation by itself.
                HWND main = StartLoggedOn(process, 50003, kTitle + L" - 50003 - 陈静 ", true, &icon);
                EXPECT_NE(main, nullptr);
                if (!main) return -1;
                EXPECT_EQ(control.Command(CustomerMessage(60005, 50003, 93000000, "still there?")), "OK");
                Conversation open;
                EXPECT_TRUE(WaitUntil([&] { return (open = ShownConversation(main)).window != nullptr; },
                                      kWindowWaitMs))
                    << "the conversation did not open";
                lastInput = ExpectExitFromTrayMenu(process, icon, kTitle, kExitQuestion);
                break;
            }
        }
        if (!lastInput) return -1;
        const long long elapsed = TimeToExit(process, lastInput, kExitWaitMs);
        EXPECT_GE(elapsed, 0) << "still running " << kExitWaitMs << " ms after the last input";
        return elapsed;
    }

    std::wstring app;
    CDeskServerControl control;
};

TEST_P(DeskExitE2E, EndsWithinTwoSeconds) {
    ExpectEachRunEndsWithin(GetParam().name, kExitLimitMs, [&] { return RunPath(GetParam().path); });
}

INSTANTIATE_TEST_SUITE_P(Paths, DeskExitE2E, ::testing::ValuesIn(kPaths),
                         ExitPathCaseName());

}  // namespace
