// The real Tavrel.exe ends within two seconds on each of its exit paths,
// driven with real clicks and keys against the stand-in chat server with the
// demo organisation (with-desk-server.sh starts it):
//   - the log-on panel's close box, before any log-on;
//   - "退出" from the tray menu (a right click on the program's tray icon,
//     the menu's last item, "是" in the question);
//   - a forced log-out (the server puts the connection offline), its notice
//     answered, then Alt+F4 on the main window;
//   - "退出" from the tray menu with a customer's conversation open;
//   - "退出" from the tray menu while a customer's file comes in (offered by
//     the customer, taken with a click on the file-transfer page's receive
//     button) and the stand-in file server holds the download (its stall
//     trigger), so that the transfer is under way.
// The time is taken from the last input to the end of the process. Each
// path runs QV_EXIT_RUNS times (2 by default; the measurement under load
// runs 50), and the figures are printed per path.
#include "AgentSession.h"
#include "CustomerHost.h"
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
#include "clientui/TransFilePanel.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <memory>
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

enum class ExitPath {
    LogonPanelCloseBox,
    TrayMenu,
    ForcedLogOutThenAltF4,
    TrayMenuWithConversationOpen,
    TrayMenuWithFileTransferUnderWay,
};

using PathCase = ExitPathCase<ExitPath>;

const PathCase kPaths[] = {
    {ExitPath::LogonPanelCloseBox, "LogonPanelCloseBox"},
    {ExitPath::TrayMenu, "TrayMenu"},
    {ExitPath::ForcedLogOutThenAltF4, "ForcedLogOutThenAltF4"},
    {ExitPath::TrayMenuWithConversationOpen, "TrayMenuWithConversationOpen"},
    {ExitPath::TrayMenuWithFileTransferUnderWay, "TrayMenuWithFileTransferUnderWay"},
};

// The offered file's size (the server holds the download from its first request).
constexpr size_t kHeldFileBytes = 4 * 1024 * 1024;

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
        // A customer's client that the path needs; it logs out only after
        // the program's end has been timed.
        std::unique_ptr<CCustomerHost> customerHost;
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
            case ExitPath::TrayMenuWithFileTransferUnderWay: {
                const std::wstring store = WindowsPathFromEnv("QV_FILESERVER_DIR");
                EXPECT_FALSE(store.empty()) << "run with --fileserver";
                if (store.empty()) return -1;
                const std::wstring trigger = store + L"\\..\\stall";
                ::DeleteFileW(trigger.c_str());
                HWND main = StartLoggedOn(process, 50004, kTitle + L" - 50004 - 王磊 ", true, &icon);
                EXPECT_NE(main, nullptr);
                if (!main) return -1;
                customerHost = std::make_unique<CCustomerHost>();
                CCustomerHost& customer = *customerHost;
                EXPECT_TRUE(customer.Loaded() && customer.Logon(60006, ServerAddress())) << "the customer did not log on";
                if (!customer.LoggedOn()) return -1;
                EXPECT_TRUE(customer.SendText(50004, "a file, please"));
                Conversation chat;
                EXPECT_TRUE(WaitUntil([&] { return (chat = ShownConversation(main)).window != nullptr; },
                                      kWindowWaitMs))
                    << "the conversation did not open";
                if (!chat.window) return -1;
                // The customer offers a file; the agent takes it with a click
                // on the file-transfer page's receive button, and the server
                // stalls at the download's first request.
                FileRequestRecord own = {};
                own.senderId = 60006;
                own.receiverId = 50004;
                own.fileSize = static_cast<int32_t>(kHeldFileBytes);
                std::strcpy(own.fileName, "held.bin");
                const size_t from = customer.FileEvents().size();
                customer.Send(own, FILE_REQ_OFFER);
                HWND receive = nullptr;
                EXPECT_TRUE(WaitUntil([&] {
                    receive = FindControl(main, kDeskTransFileIds.receive, L"Button");
                    return receive && ::IsWindowVisible(receive);
                }, kWindowWaitMs)) << "the file-transfer page does not show the offer";
                if (!receive) return -1;
                EXPECT_TRUE(WriteAll(trigger, "stall"));
                customer.Pump(300);
                EXPECT_TRUE(BringToFront(main));
                Click(CentreOf(receive));
                EXPECT_TRUE(customer.WaitForFileEvent(FILE_REQ_ACCEPT, kWindowWaitMs, nullptr, from)) << "no acceptance";
                // The customer's word that the file is at the server: the
                // agent's download begins.
                customer.Send(own, FILE_REQ_READY);
                EXPECT_TRUE(WaitUntil([&] { return ::GetFileAttributesW(trigger.c_str()) == INVALID_FILE_ATTRIBUTES; },
                                      kWindowWaitMs))
                    << "the download never reached the file server";
                customer.Pump(200);
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
