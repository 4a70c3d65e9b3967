// The real IM.exe ends within two seconds on each of its exit paths, driven
// with real clicks and keys against the stand-in chat server
// (with-desk-server.sh, data of tests/data):
//   - the log-on panel's close box, before any log-on;
//   - "退出" from the tray menu (a right click on the program's tray icon,
//     the menu's last item, "是" in the question);
//   - a forced log-out (the server puts the connection offline), its notice
//     answered, then "退出" from the tray menu;
//   - "退出" from the tray menu with a chat window open.
// The time is taken from the last input to the end of the process. Each
// path runs QV_EXIT_RUNS times (2 by default; the measurement under load
// runs 50), and the figures are printed per path.
#include "DeskServerControl.h"
#include "ExitPathRuns.h"
#include "IMTestDriver.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include "main/MainPanelRules.h"

#include "clientui/IMFriendListTree.h"
#include "clientui/MainPanelCore.h"
#include "clientui/PanelBase.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace imtest;
using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
constexpr DWORD kExitLimitMs = 2000;
constexpr DWORD kExitWaitMs = 20000;
constexpr int kAccount = 12345;
constexpr int kFriend = 12346;  // 张三
// The main window's command for the status "忙碌".
constexpr UINT kCmdStatusBusy = 32801;
const std::wstring kBoxCaption = L"IM";

enum class ExitPath { LogonPanelCloseBox, TrayMenu, ForcedLogOutThenTrayMenu, TrayMenuWithChatOpen };

using PathCase = ExitPathCase<ExitPath>;

const PathCase kPaths[] = {
    {ExitPath::LogonPanelCloseBox, "LogonPanelCloseBox"},
    {ExitPath::TrayMenu, "TrayMenu"},
    {ExitPath::ForcedLogOutThenTrayMenu, "ForcedLogOutThenTrayMenu"},
    {ExitPath::TrayMenuWithChatOpen, "TrayMenuWithChatOpen"},
};

class IMExitE2E : public ::testing::TestWithParam<PathCase> {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppFolder().empty()) << "run through with-desk-server.sh";
        ASSERT_TRUE(server.Connected());
        PrepareAppFolder({kAccount});
    }

    // Logs the account on from the command line (the main window stays
    // hidden) and finds the tray icon on the screen.
    HWND StartLoggedOn(CTavrelProcess& im, POINT* icon) {
        if (!im.Start(AppFolder(), L"x " + std::to_wstring(kAccount), L"IM.exe")) return nullptr;
        HWND main = WaitForLogon(im, kWindowWaitMs);
        if (!main) return nullptr;
        // The status comes from the menu command here: this is the
        // preparation, not the path under test.
        *icon = TrayIconByStatusChange(main, kCmdStatusBusy);
        return main;
    }

    // Drives one exit path; the time from its last input to the end of the
    // process, or -1 when the path could not be driven.
    long long RunPath(ExitPath path) {
        CTavrelProcess im;
        ULONGLONG lastInput = 0;
        POINT icon = {-1, -1};
        switch (path) {
            case ExitPath::LogonPanelCloseBox: {
                if (!im.Start(AppFolder(), L"", L"IM.exe")) return -1;
                HWND panel = im.WaitForWindow(L"IM 登录", kWindowWaitMs);
                EXPECT_NE(panel, nullptr) << "no log-on panel";
                if (!panel) return -1;
                lastInput = ClickControlOf(panel, IDC_PANEL_CLOSE);
                break;
            }
            case ExitPath::TrayMenu: {
                HWND main = StartLoggedOn(im, &icon);
                EXPECT_NE(main, nullptr) << "not logged on";
                if (!main) return -1;
                lastInput = ExpectExitFromTrayMenu(im, icon, kBoxCaption, CIMMainPanelTexts::kExitQuestion);
                break;
            }
            case ExitPath::ForcedLogOutThenTrayMenu: {
                EXPECT_EQ(server.Command("CLEAR"), "OK");
                HWND main = StartLoggedOn(im, &icon);
                EXPECT_NE(main, nullptr) << "not logged on";
                if (!main) return -1;
                const std::vector<ServerPacket> logons = server.PacketsOf(CMD_LOGON);
                EXPECT_FALSE(logons.empty());
                if (logons.empty()) return -1;
                EXPECT_EQ(server.Command(ForcedLogOutCommand(logons)), "OK");
                HWND box = WaitForProcessWindow(im, L"#32770", &kBoxCaption, kWindowWaitMs);
                EXPECT_NE(box, nullptr) << "no notice of the forced log-out";
                if (!box) return -1;
                EXPECT_EQ(MessageBoxText(box), CMainPanelCore::kForcedLogout);
                ClickControlOf(box, IDOK);
                EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kWindowWaitMs));
                lastInput = ExpectExitFromTrayMenu(im, icon, kBoxCaption, CIMMainPanelTexts::kExitQuestion);
                break;
            }
            case ExitPath::TrayMenuWithChatOpen: {
                HWND main = StartLoggedOn(im, &icon);
                EXPECT_NE(main, nullptr) << "not logged on";
                if (!main) return -1;
                // The chat is opened as the friend tree opens it (preparation).
                ::PostMessageW(main, WM_OPEN_CHAT, kFriend, 0);
                EXPECT_NE(im.WaitForWindow(L"与 张三 交流中", kWindowWaitMs), nullptr) << "no chat window";
                lastInput = ExpectExitFromTrayMenu(im, icon, kBoxCaption, CIMMainPanelTexts::kExitQuestion);
                break;
            }
        }
        if (!lastInput) return -1;
        const long long elapsed = TimeToExit(im, lastInput, kExitWaitMs);
        EXPECT_GE(elapsed, 0) << "still running " << kExitWaitMs << " ms after the last input";
        return elapsed;
    }

    CDeskServerControl server;
};

TEST_P(IMExitE2E, EndsWithinTwoSeconds) {
    ExpectEachRunEndsWithin(GetParam().name, kExitLimitMs, [&] { return RunPath(GetParam().path); });
}

INSTANTIATE_TEST_SUITE_P(Paths, IMExitE2E, ::testing::ValuesIn(kPaths),
                         ExitPathCaseName());

}  // namespace
