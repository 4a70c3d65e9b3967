// The real IM.exe under Wine and Xvfb against the stand-in chat server
// (with-desk-server.sh, data of tests/data), driven as a user drives it:
// clicks and keys as real input at the controls' places on the screen. What
// the program shows is read from its windows (texts, list lines, positions)
// and, for what it paints itself (the tree's group rows, the header lines,
// the tray), through its state-query message; what it sent is read from the
// server's record.
#include "DeskServerControl.h"
#include "IMTestDriver.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include "main/IMMainPanel.h"
#include "main/MainPanelRules.h"

#include "clientui/ClientSettings.h"
#include "clientui/InstanceControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

using namespace imtest;
using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
constexpr int kAccount = 12345;

// The program folder's server entry names the test's server; the account's
// settings start from nothing.
void PrepareAppFolder() {
    const std::wstring folder = AppFolder();
    ::CreateDirectoryW((folder + L"Ini").c_str(), nullptr);
    ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(Env("QV_DESK_SERVER")).c_str(),
                                 (folder + L"Ini\\IMServerInfo.ini").c_str());
    ::DeleteFileW((folder + std::to_wstring(kAccount) + L"\\Config.dll").c_str());
}

// The message box of the program (caption: its display title).
HWND FindMessageBox(const CTavrelProcess& im) {
    for (HWND window : im.Windows())
        if (ClassName(window) == L"#32770" && WindowText(window) == L"IM" && ::GetDlgItem(window, IDOK)) return window;
    return nullptr;
}

HWND WaitForMessageBox(const CTavrelProcess& im) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(im)) != nullptr; }, kWindowWaitMs);
    return box;
}

RECT WorkArea() {
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

std::vector<uint32_t> CommandsAfter(const std::vector<ServerPacket>& packets, size_t from) {
    std::vector<uint32_t> commands;
    for (size_t i = from; i < packets.size(); ++i) commands.push_back(packets[i].command);
    return commands;
}

// Runs the stand-in InstanceControl.exe (QV_INSTANCE_CONTROL) to its end.
bool RunInstanceControl(const std::wstring& arguments) {
    std::wstring program = WindowsPathFromEnv("QV_INSTANCE_CONTROL");
    if (program.empty()) return false;
    program.pop_back();  // a file, not a folder
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    const bool ended = ::WaitForSingleObject(info.hProcess, kWindowWaitMs) == WAIT_OBJECT_0;
    DWORD code = 1;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    return ended && code == 0;
}

class IMEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppFolder().empty()) << "run through with-desk-server.sh";
        ASSERT_TRUE(server.Connected());
        PrepareAppFolder();
    }

    CDeskServerControl server;
};

}  // namespace

// Started without arguments: the log-on panel; empty inputs are refused with
// their texts; a log-on by hand sends the digest and the requests that
// follow; after the friend list the panel closes and the main window shows
// docked at the right edge with the friend tree; a message makes the tray
// blink until a double click on the sender's row opens the chat; "zs" in
// the search box lists 张三 and Enter opens the chat with him; closing only
// hides; the instance-control message ends the program.
TEST_F(IMEndToEnd, LogOnByHandThenTheTreeTheTrayAndTheSearch) {
    CTavrelProcess im;
    ASSERT_TRUE(im.Start(AppFolder(), L"", L"IM.exe"));
    HWND logon = im.WaitForWindow(L"IM 登录", kWindowWaitMs);
    ASSERT_NE(logon, nullptr) << "the log-on panel";
    OnTop(logon);
    HWND account = ::GetDlgItem(logon, 1301);
    HWND password = ::GetDlgItem(logon, 1302);
    HWND button = ::GetDlgItem(logon, 1304);
    ASSERT_TRUE(account && password && button);

    // The log-on button with nothing typed.
    Click(CentreOf(button));
    HWND box = WaitForMessageBox(im);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"请输入有效帐号后再登录:)");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kWindowWaitMs));

    // An account and a password of blanks, Enter in the panel.
    RECT accountRect = {};
    ::GetWindowRect(account, &accountRect);
    Click(POINT{accountRect.left + 20, (accountRect.top + accountRect.bottom) / 2});
    TypeText(L"12345");
    Click(CentreOf(password));
    TypeText(L"   ");
    PressKey(VK_RETURN);
    box = WaitForMessageBox(im);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"请输入有效密码后再登录:)");
    const size_t before = server.Packets().size();
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kWindowWaitMs));
    EXPECT_EQ(server.Packets().size(), before) << "nothing was sent";

    // The password (the focus is back in its edit), Enter.
    TypeText(L"secret");
    PressKey(VK_RETURN);
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = im.FindWindowByCaption(L"IM 12345")) != nullptr; }, kWindowWaitMs))
        << "the main window after the friend list";
    EXPECT_FALSE(::IsWindow(logon) && ::IsWindowVisible(logon)) << "the log-on panel closed";

    // What went to the server: the log-on with the password's digest
    // (type 20), then the own information, the friend list, the statuses
    // and the post-log-on notice, in this order.
    std::vector<ServerPacket> packets = server.Packets();
    auto logonPacket = std::find_if(packets.begin(), packets.end(), [](const ServerPacket& p) {
        return p.command == 0 && p.body.size() >= 40;
    });
    ASSERT_NE(logonPacket, packets.end());
    EXPECT_EQ(Word(logonPacket->body, 0), kAccount);
    std::string digest(logonPacket->body.begin() + 4, logonPacket->body.begin() + 36);
    std::transform(digest.begin(), digest.end(), digest.begin(), [](char c) { return static_cast<char>(::tolower(c)); });
    EXPECT_EQ(digest, "5ebe2294ecd0e0f08eab7690d2a6ee69") << "MD5 of the password";
    EXPECT_EQ(Word(logonPacket->body, 36), 20);
    ASSERT_TRUE(WaitUntil(
        [&] {
            packets = server.Packets();
            return std::any_of(packets.begin(), packets.end(), [](const ServerPacket& p) { return p.command == 6; });
        },
        kWindowWaitMs));
    std::vector<uint32_t> after;
    const size_t logonIndex = static_cast<size_t>(
        std::find_if(packets.begin(), packets.end(), [](const ServerPacket& p) { return p.command == 0 && p.body.size() >= 40; }) -
        packets.begin());
    for (uint32_t c : CommandsAfter(packets, logonIndex + 1))
        if (c == 12 || c == 4 || c == 5 || c == 6) after.push_back(c);
    ASSERT_GE(after.size(), 4u);
    EXPECT_EQ(std::vector<uint32_t>(after.begin(), after.begin() + 4), (std::vector<uint32_t>{12, 4, 5, 6}));

    // Docked at the right edge of the work area with the default size.
    OnTop(main);
    RECT window = {};
    ::GetWindowRect(main, &window);
    const RECT docked = CMainPanelLayout::DockedRect(WorkArea(), 232, 482, ::GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(window.right, docked.right);
    EXPECT_EQ(window.top, docked.top);
    EXPECT_EQ(window.right - window.left, 232);
    EXPECT_EQ(window.bottom - window.top, 482);

    // The caption buttons (minimise, maximise, close) are mostly transparent
    // pictures: around their glyphs the screen shows the caption's blue, as
    // just left of them, not black.
    HWND minimise = ::GetDlgItem(main, 1002);
    ASSERT_NE(minimise, nullptr);
    RECT minimiseRect = {};
    ::GetWindowRect(minimise, &minimiseRect);
    auto screenPixel = [](int x, int y) {
        HDC screen = ::GetDC(nullptr);
        const COLORREF pixel = ::GetPixel(screen, x, y);
        ::ReleaseDC(nullptr, screen);
        return pixel;
    };
    for (int id : {1002, 1001, 1000}) {
        RECT button = {};
        ASSERT_TRUE(::GetWindowRect(::GetDlgItem(main, id), &button)) << id;
        COLORREF corner = 0, caption = 0;
        EXPECT_TRUE(WaitUntil(
            [&] {
                corner = screenPixel(button.left + 1, button.top + 1);
                caption = screenPixel(minimiseRect.left - 4, button.top + 1);
                return corner == caption && corner != RGB(0, 0, 0);
            },
            kWindowWaitMs))
            << "button " << id << std::hex << ": corner 0x" << corner << ", caption 0x" << caption;
    }

    // The friend tree: "name [online/total]", the empty group left out; the
    // busy friend counts as online once the statuses are in.
    EXPECT_TRUE(WaitUntil([&] { return QueryText(main, 2) == L"我的好友 [0/3]\n同事 [1/2]"; }, kWindowWaitMs))
        << Narrow(QueryText(main, 2));
    EXPECT_TRUE(WaitUntil([&] { return QueryText(main, 3) == L"小明  [在线]\n今天也要加油"; }, kWindowWaitMs))
        << Narrow(QueryText(main, 3));
    EXPECT_NE(QueryText(main, 0).find(L"小明"), std::wstring::npos) << "the tray tip";

    // 张三 writes: his row jumps to the top of his group, and the tray icon
    // blinks with a tip that names him.
    const std::string message = CDeskServerControl::WordsHex({0, 20261210, 120000000, 12346, 12345, 0}) + "686900";
    ASSERT_EQ(server.Command("SEND last " + std::to_string(CMD_TEXT_MSG) + " " + message), "OK");
    bool windowIcon = false, blinkIcon = false;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const LRESULT icon = QueryValue(main, 1);
            windowIcon = windowIcon || icon == CIMMainPanel::kWindowIconIndex;
            blinkIcon = blinkIcon || icon == CIMMainPanel::kBlinkIconIndex;
            return windowIcon && blinkIcon;
        },
        kWindowWaitMs, 50))
        << "the tray icon alternates";
    EXPECT_EQ(QueryText(main, 0), L"IM: 小明\r\n来自 12346 的未读消息");

    // A double click on his row (now the first of the first group) opens the
    // chat with him, which shows his message. The tray stops blinking.
    DoubleClick(WindowPoint(main, 100, 115 + 26 + 26));
    HWND chat = im.WaitForWindow(L"与 张三 交流中", kWindowWaitMs);
    ASSERT_NE(chat, nullptr) << "the tree's double click reached the main window";
    EXPECT_TRUE(WaitUntil([&] { return WindowText(::GetDlgItem(chat, 1101)).find(L"hi") != std::wstring::npos; },
                          kWindowWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return QueryText(main, 0).find(L"状态:在线") != std::wstring::npos; }, kWindowWaitMs))
        << Narrow(QueryText(main, 0));
    EXPECT_EQ(QueryValue(main, 1), STATUS_ONLINE);
    OnTop(chat);
    RECT chatRect = {};
    ::GetWindowRect(chat, &chatRect);
    Click(WindowPoint(chat, chatRect.right - chatRect.left - 35 + 14, 10));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(chat); }, kWindowWaitMs)) << "its close button closes it";

    // "zs" in the search box lists 张三, under the box.
    OnTop(main);
    Click(SearchBoxPoint(main));
    TypeText(L"zs");
    HWND hits = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            hits = FindHitList(im);
            return hits && ListLines(hits) == std::vector<std::wstring>{L"张三(12346)"};
        },
        kWindowWaitMs));
    RECT hitRect = {};
    ::GetWindowRect(::GetParent(hits), &hitRect);
    EXPECT_EQ(hitRect.left, window.left + 3) << "under the search box";
    EXPECT_EQ(hitRect.top, window.top + 116);

    // Enter opens the chat with him again.
    PressKey(VK_RETURN);
    chat = im.WaitForWindow(L"与 张三 交流中", kWindowWaitMs);
    ASSERT_NE(chat, nullptr);
    EXPECT_FALSE(::IsWindowVisible(::GetParent(hits))) << "Enter hid the hit list";
    OnTop(chat);
    ::GetWindowRect(chat, &chatRect);
    Click(WindowPoint(chat, chatRect.right - chatRect.left - 35 + 14, 10));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(chat); }, kWindowWaitMs));

    // The close button only hides the main window.
    OnTop(main);
    Click(WindowPoint(main, 232 - 35 + 14, 10));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(main); }, kWindowWaitMs));
    EXPECT_TRUE(im.IsRunning());

    // Another account's instance control is ignored (an account opened by
    // hand answers only to 0); wParam 1 shows the window again; wParam 0
    // ends the program, which keeps the window size in "Config.dll".
    DWORD_PTR answer = 99;
    ::SendMessageTimeoutW(main, WM_INSTANCE_CONTROL, 0, 54321, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_EQ(answer, 0u);
    ::SendMessageTimeoutW(main, WM_INSTANCE_CONTROL, 1, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }, kWindowWaitMs));
    EXPECT_TRUE(im.IsRunning());
    ::PostMessageW(main, WM_INSTANCE_CONTROL, 0, 0);
    ASSERT_TRUE(im.WaitForExit(kWindowWaitMs));
    const std::wstring config = AppFolder() + L"12345\\Config.dll";
    EXPECT_EQ(::GetPrivateProfileIntW(L"main", L"mainPanelWidth", 0, config.c_str()), 232);
    EXPECT_EQ(::GetPrivateProfileIntW(L"main", L"mainPanelHeight", 0, config.c_str()), 482);
}

// The status button opens the status menu (a real click on it, keys in the
// menu); the choice goes to the server and shows in the name line. Ctrl +
// keypad 0 takes a screenshot onto the clipboard.
TEST_F(IMEndToEnd, TheStatusMenuChangesTheOwnStatusAndTheHotKeyTakesAScreenshot) {
    CTavrelProcess im;
    ASSERT_TRUE(im.Start(AppFolder(), L"x 12345", L"IM.exe"));
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = FindMainWindow(im)) != nullptr && QueryValue(main, 4) == 1; },
                          kWindowWaitMs));
    // Another program opens it (the stand-in broadcasts the instance-control
    // message with wParam 1).
    ASSERT_TRUE(RunInstanceControl(L"show 12345"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }, kWindowWaitMs));
    OnTop(main);
    ASSERT_TRUE(WaitUntil([&] { return QueryText(main, 3).find(L"小明  [在线]") == 0; }, kWindowWaitMs));

    Click(WindowPoint(main, 67 + 8, 44 + 8));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = ::FindWindowW(L"#32768", nullptr)) && ::IsWindowVisible(menu); },
                          kWindowWaitMs))
        << "the status menu";
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    std::vector<ServerPacket> changes;
    EXPECT_TRUE(WaitUntil(
        [&] {
            changes = server.PacketsOf(3);
            return !changes.empty() && Word(changes.back().body, 0) == 1;
        },
        kWindowWaitMs))
        << "busy (1) sent";
    EXPECT_TRUE(WaitUntil([&] { return QueryText(main, 3).find(L"小明  [忙碌]") == 0; }, kWindowWaitMs))
        << Narrow(QueryText(main, 3));

    // The screenshot hot key: the picture lands on the clipboard.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
    PressKey(VK_NUMPAD0, true);
    EXPECT_TRUE(WaitUntil([] { return ::IsClipboardFormatAvailable(CF_BITMAP) != FALSE; }, kWindowWaitMs))
        << "a screenshot on the clipboard";

    ASSERT_TRUE(RunInstanceControl(L"close 12345"));
    EXPECT_TRUE(im.WaitForExit(kWindowWaitMs));
}

// "IM.exe x 12345" logs on by itself (type 10, no password) and stays
// hidden; a second start with the same account ends at once.
TEST_F(IMEndToEnd, AnAutomaticLogOnStaysHiddenAndASecondInstanceEndsAtOnce) {
    const size_t before = server.Packets().size();
    CTavrelProcess first;
    ASSERT_TRUE(first.Start(AppFolder(), L"x 12345", L"IM.exe"));
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = FindMainWindow(first)) != nullptr && QueryValue(main, 4) == 1; },
                          kWindowWaitMs))
        << "logged on";
    EXPECT_TRUE(first.Windows().empty()) << "nothing shown";
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_EQ(WindowText(main), L"IM 12345");
    const std::vector<ServerPacket> packets = server.Packets();
    bool automatic = false;
    for (size_t i = before; i < packets.size(); ++i)
        if (packets[i].command == 0 && Word(packets[i].body, 0) == kAccount && Word(packets[i].body, 36) == 10)
            automatic = true;
    EXPECT_TRUE(automatic) << "log-on type 10";
    // Docked (hidden) with the size held before the account's settings.
    RECT window = {};
    ::GetWindowRect(main, &window);
    EXPECT_EQ(window.right, WorkArea().right);
    EXPECT_EQ(window.right - window.left, 232);

    CTavrelProcess second;
    ASSERT_TRUE(second.Start(AppFolder(), L"x 12345", L"IM.exe"));
    EXPECT_TRUE(second.WaitForExit(15000)) << "the account runs already";
    EXPECT_TRUE(first.IsRunning());

    ::PostMessageW(main, WM_INSTANCE_CONTROL, 0, kAccount);
    EXPECT_TRUE(first.WaitForExit(kWindowWaitMs));
}
