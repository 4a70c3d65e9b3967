// The real Tavrel.exe against the stand-in chat server (with-desk-server.sh
// starts it and prepares the program folders): the command line, the
// log-on panel, a refused and an accepted log-on, a missing engine library
// and the control registration. The program's windows and message boxes
// are found from outside; the user's typing and clicks on the log-on panel
// are real keys and clicks (SendInput), the message boxes are answered
// through their buttons' messages.
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include "clientui/ClientSettings.h"
#include "clientui/LogonPanelResource.h"

#include <Mervale_h.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <string>

using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
constexpr DWORD kExitWaitMs = 20000;

const std::wstring kTitle = kDeskDisplayTitle;
const std::wstring kLogonCaption = kTitle + L" 登录";
const std::wstring kHostPrefix = kTitle + L" - ";

std::wstring ServerAddress() {
    const char* value = std::getenv("QV_DESK_SERVER");
    std::wstring address;
    for (const char* p = value ? value : ""; *p; ++p) address += static_cast<wchar_t>(*p);
    return address;
}

// The program folder's settings as an installation provides them: the
// scrambled server entry and two accounts used before.
// (Addresses 127.1.x.x are never given to the stand-in server.)
const wchar_t kNoServerAddress[] = L"127.1.0.1";

void PrepareProgramFolder(const std::wstring& folder, const std::wstring& server = ServerAddress()) {
    ::CreateDirectoryW((folder + L"Ini").c_str(), nullptr);
    const std::wstring ini = folder + L"Ini\\IMServerInfo.ini";
    ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(server).c_str(), ini.c_str());
    const std::wstring users = folder + L"IMUsers.dll";
    ::WritePrivateProfileStringW(L"userList", L"count", L"2", users.c_str());
    ::WritePrivateProfileStringW(L"userList", L"0001", L"10002", users.c_str());
    ::WritePrivateProfileStringW(L"userList", L"0002", L"10001", users.c_str());
}

// Every top-level window of the process, hidden ones too, whose caption
// starts with the host's caption.
HWND FindHostWindow(const CTavrelProcess& process) {
    for (HWND window : process.Windows(false))
        if (WindowText(window).compare(0, kHostPrefix.size(), kHostPrefix) == 0) return window;
    return nullptr;
}

LRESULT SendInstanceControl(HWND window, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, WM_INSTANCE_CONTROL, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// The program's message box with the caption, once it is shown.
HWND WaitForMessageBox(const CTavrelProcess& process, const std::wstring& caption, DWORD ms = kWindowWaitMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : process.Windows())
                if (ClassName(window) == L"#32770" && WindowText(window) == caption && !::GetDlgItem(window, IDC_LOGON_BUTTON))
                    return (found = window) != nullptr;
            return false;
        },
        ms);
    return found;
}

bool ControlRegistered() {
    IUnknown* object = nullptr;
    const HRESULT hr = ::CoCreateInstance(CLSID_Mervale, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                          IID_IMervale, reinterpret_cast<void**>(&object));
    if (FAILED(hr) || !object) return false;
    object->Release();
    return true;
}

class TavrelE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        PrepareProgramFolder(WindowsPathFromEnv("QV_DESK_APP"));
        PrepareProgramFolder(WindowsPathFromEnv("QV_DESK_NOENGINE"));
        PrepareProgramFolder(WindowsPathFromEnv("QV_DESK_NOSERVER"), kNoServerAddress);
    }

    void SetUp() override {
        ::CoInitialize(nullptr);
        app = WindowsPathFromEnv("QV_DESK_APP");
        noEngine = WindowsPathFromEnv("QV_DESK_NOENGINE");
        noServer = WindowsPathFromEnv("QV_DESK_NOSERVER");
    }
    void TearDown() override { ::CoUninitialize(); }

    // Ends a running program through WM_INSTANCE_CONTROL (0, 0), as another
    // program would; it must go within the deadline.
    static void EndProgram(CTavrelProcess& process) {
        if (!process.IsRunning()) return;
        HWND host = FindHostWindow(process);
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(SendInstanceControl(host, 0, 0), 1);
        EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
    }

    // Waits for the log-on panel of the process and checks its controls.
    static HWND WaitForLogonPanel(const CTavrelProcess& process) {
        HWND panel = process.WaitForWindow(kLogonCaption, kWindowWaitMs);
        if (panel) {
            EXPECT_NE(::GetDlgItem(panel, IDC_LOGON_ACCOUNT), nullptr);
            EXPECT_NE(::GetDlgItem(panel, IDC_LOGON_PASSWORD), nullptr);
            EXPECT_NE(::GetDlgItem(panel, IDC_LOGON_BUTTON), nullptr);
        }
        return panel;
    }

    static void TypeAndLogOn(HWND panel, const std::wstring& account, const std::wstring& password) {
        ASSERT_TRUE(BringToFront(panel));
        RetypeText(::GetDlgItem(panel, IDC_LOGON_ACCOUNT), account);
        RetypeText(::GetDlgItem(panel, IDC_LOGON_PASSWORD), password);
        Click(CentreOf(::GetDlgItem(panel, IDC_LOGON_BUTTON)));
    }

    // A click on the panel's own close button (1000) in its caption.
    static void ClickClose(HWND panel) {
        ASSERT_TRUE(BringToFront(panel));
        Click(CentreOf(::GetDlgItem(panel, 1000)));
    }

    std::wstring app;
    std::wstring noEngine;
    std::wstring noServer;
};

TEST_F(TavrelE2E, WithoutArgumentsTwoInstancesShowTheLogonPanelSideBySide) {
    CTavrelProcess first, second;
    ASSERT_TRUE(first.Start(app, L""));
    ASSERT_TRUE(second.Start(app, L""));
    HWND panel1 = WaitForLogonPanel(first);
    HWND panel2 = WaitForLogonPanel(second);
    ASSERT_NE(panel1, nullptr);
    ASSERT_NE(panel2, nullptr);
    EXPECT_TRUE(first.IsRunning());
    EXPECT_TRUE(second.IsRunning());

    // The panel's size, and the accounts used before, sorted.
    RECT rc = {};
    ::GetWindowRect(panel1, &rc);
    EXPECT_EQ(rc.right - rc.left, 366);
    EXPECT_EQ(rc.bottom - rc.top, 268);
    HWND box = ::GetDlgItem(panel1, IDC_LOGON_ACCOUNT);
    ASSERT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 2);
    wchar_t item[32] = {};
    ::SendMessageW(box, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, L"10001");

    // Closing before any attempt ends the program at once.
    ClickClose(panel1);
    EXPECT_TRUE(first.WaitForExit(kExitWaitMs));
    EXPECT_TRUE(second.IsRunning());
    ASSERT_TRUE(BringToFront(panel2));
    PressAltKey(VK_F4);
    EXPECT_TRUE(second.WaitForExit(kExitWaitMs));
}

TEST_F(TavrelE2E, AccountIdLogsOnByItselfAndASecondInstanceOfItEndsAtOnce) {
    CTavrelProcess first;
    ASSERT_TRUE(first.Start(app, L"run 10001"));
    HWND host = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (host = first.FindWindowByCaption(kHostPrefix + L"10001 - Agent One ")) != nullptr; },
                          kWindowWaitMs))
        << "no logged-on window";
    EXPECT_EQ(first.FindWindowByCaption(kLogonCaption), nullptr);

    CTavrelProcess second;
    ASSERT_TRUE(second.Start(app, L"run 10001"));
    bool sawWindow = false;
    EXPECT_TRUE(WaitUntil(
        [&] {
            sawWindow = sawWindow || !second.Windows().empty();
            return !second.IsRunning();
        },
        kExitWaitMs));
    EXPECT_FALSE(sawWindow);
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(first.IsRunning());

    // The start-up found the control unregistered and had it registered.
    EXPECT_TRUE(WaitUntil(ControlRegistered, kWindowWaitMs, 250));

    // Showing does not end it; another account's instance control is not
    // for this one.
    EXPECT_EQ(SendInstanceControl(host, 1, 0), 1);
    EXPECT_TRUE(::IsWindowVisible(host));
    EXPECT_EQ(SendInstanceControl(host, 0, 10002), 0);
    ::Sleep(500);
    EXPECT_TRUE(first.IsRunning());
    EXPECT_EQ(SendInstanceControl(host, 0, 10001), 1);
    EXPECT_TRUE(first.WaitForExit(kExitWaitMs));
}

TEST_F(TavrelE2E, NumberWithoutAccountEndsBeforeAnyWindow) {
    for (const wchar_t* arguments : {L"run 0 5", L"run abc 7"}) {
        SCOPED_TRACE(arguments);
        CTavrelProcess process;
        ASSERT_TRUE(process.Start(app, arguments));
        bool sawWindow = false;
        EXPECT_TRUE(WaitUntil(
            [&] {
                sawWindow = sawWindow || !process.Windows().empty();
                return !process.IsRunning();
            },
            kExitWaitMs, 20));
        EXPECT_FALSE(sawWindow);
        EXPECT_EQ(process.ExitCode(), 0u);
    }
}

TEST_F(TavrelE2E, WrongPasswordShowsTheFailureAndTheRightOneLogsOn) {
    CTavrelProcess process;
    ASSERT_TRUE(process.Start(app, L""));
    HWND panel = WaitForLogonPanel(process);
    ASSERT_NE(panel, nullptr);

    TypeAndLogOn(panel, L"10002", L"wrong");
    HWND box = WaitForMessageBox(process, kTitle);
    ASSERT_NE(box, nullptr) << "no failure message";
    EXPECT_EQ(MessageBoxText(box), L"登录失败, 错误代码10001, 可能原因:\r\n您输入的账号或密码有误.");
    AnswerMessageBox(box, IDOK);
    // The inputs are enabled again and keep what was typed.
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(panel, IDC_LOGON_BUTTON)) != FALSE; },
                          kWindowWaitMs));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(panel, IDC_LOGON_ACCOUNT)));
    EXPECT_EQ(WindowText(::GetDlgItem(panel, IDC_LOGON_ACCOUNT)), L"10002");

    TypeAndLogOn(panel, L" 10002 ", L"secret");
    ASSERT_TRUE(WaitUntil([&] { return process.FindWindowByCaption(kHostPrefix + L"10002 - Agent Two ") != nullptr; },
                          kWindowWaitMs))
        << "not logged on";
    EXPECT_FALSE(::IsWindow(panel));
    EndProgram(process);
}

TEST_F(TavrelE2E, EmptyAccountIsRefusedWithoutALogon) {
    CTavrelProcess process;
    ASSERT_TRUE(process.Start(app, L""));
    HWND panel = WaitForLogonPanel(process);
    ASSERT_NE(panel, nullptr);
    TypeAndLogOn(panel, L"   ", L"secret");
    HWND box = WaitForMessageBox(process, kTitle);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"请输入有效帐号后再登录:)");
    AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(panel, IDC_LOGON_ACCOUNT)) != FALSE; },
                          kWindowWaitMs));
    // Nothing was started, so closing ends the program without a question.
    ClickClose(panel);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

TEST_F(TavrelE2E, NoServerIsReportedAndTheInputsComeBack) {
    CTavrelProcess process;
    ASSERT_TRUE(process.Start(noServer, L""));
    HWND panel = WaitForLogonPanel(process);
    ASSERT_NE(panel, nullptr);
    TypeAndLogOn(panel, L"10001", L"secret");
    HWND box = WaitForMessageBox(process, kTitle);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"连接服务器失败:(");
    AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kWindowWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(panel, IDC_LOGON_BUTTON)) != FALSE; },
                          kWindowWaitMs));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(panel, IDC_LOGON_PASSWORD)));
    // A log-on was started, so closing asks first; No keeps the program.
    ClickClose(panel);
    HWND question = WaitForMessageBox(process, kTitle);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageBoxText(question), L"当前正在登录, 您确定要退出吗?");
    AnswerMessageBox(question, IDNO);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(question); }, kWindowWaitMs));
    ::Sleep(500);
    EXPECT_TRUE(process.IsRunning());
    ClickClose(panel);
    question = WaitForMessageBox(process, kTitle);
    ASSERT_NE(question, nullptr);
    AnswerMessageBox(question, IDYES);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

TEST_F(TavrelE2E, MissingEngineLibraryIsReportedAndEndsTheProgram) {
    CTavrelProcess process;
    ASSERT_TRUE(process.Start(noEngine, L""));
    HWND box = WaitForMessageBox(process, L"错误");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"处理DLL未找到！");
    AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
    EXPECT_EQ(process.FindWindowByCaption(kLogonCaption), nullptr);
}

}  // namespace
