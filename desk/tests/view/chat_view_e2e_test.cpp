// The chat view of the real Tavrel.exe against the stand-in chat server
// with the demo organisation (with-desk-server.sh starts it): a customer
// writes while no conversation is open; without the pop-up setting the
// agent's conversation does not open by itself (the customer flashes in
// the list) and the message waits in the engine until the conversation is
// opened from the list, and a window hidden behind another still gets its
// customer's messages; with the pop-up setting it opens by itself and
// shows the message. The windows are driven and read from outside; a
// picture of the view is saved for the documentation.
#include "DeskServerControl.h"
#include "DisplayTitle.h"
#include "TavrelDriver.h"
#include "chat/ChatMainPanelResource.h"
#include "main/DeskMessages.h"
#include "InstanceControl.h"

#include "clientui/ClientSettings.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
constexpr DWORD kExitWaitMs = 20000;
const std::wstring kTitle = kDeskDisplayTitle;

std::wstring ServerAddress() {
    const char* value = std::getenv("QV_DESK_SERVER");
    std::wstring address;
    for (const char* p = value ? value : ""; *p; ++p) address += static_cast<wchar_t>(*p);
    return address;
}

LRESULT SendTo(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

HWND FindMainWindow(const CTavrelProcess& process, const std::wstring& caption) {
    for (HWND window : process.Windows(false))
        if (WindowText(window) == caption) return window;
    return nullptr;
}

// A conversation window: a child dialog that holds the chat log control.
struct Conversation {
    HWND window;
    HWND log;
};

BOOL CALLBACK CollectConversation(HWND child, LPARAM param) {
    HWND log = ::GetDlgItem(child, IDC_CHAT_LOG);
    if (log && ::GetParent(log) == child) reinterpret_cast<std::vector<Conversation>*>(param)->push_back({child, log});
    return TRUE;
}

std::vector<Conversation> Conversations(HWND main) {
    std::vector<Conversation> found;
    ::EnumChildWindows(main, CollectConversation, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The enabled (real) conversation windows; the placeholder is disabled.
std::vector<Conversation> OpenConversations(HWND main) {
    std::vector<Conversation> open;
    for (const Conversation& c : Conversations(main))
        if (::IsWindowEnabled(c.window)) open.push_back(c);
    return open;
}

// The customer writes text (ASCII) to the agent.
std::string CustomerMessage(int32_t customer, int32_t agent, int32_t time, const std::string& text) {
    std::string hex = CDeskServerControl::WordsHex({0, 20261210, time, customer, agent, 0});
    static const char digits[] = "0123456789abcdef";
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    hex += "00";
    while (hex.size() % 8) hex += "0";
    return "SEND last " + std::to_string(CMD_TEXT_MSG) + " " + hex;
}

bool LogShows(const Conversation& c, const std::wstring& text) { return WindowText(c.log).find(text) != std::wstring::npos; }

// Saves the main window's picture from the screen as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT rc = {};
    ::GetWindowRect(window, &rc);
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(memory, old);
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD size = stride * height;
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader + size), 0, 0,
                             static_cast<DWORD>(sizeof file + sizeof info.bmiHeader)};
    bool ok = false;
    HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE && bits) {
        DWORD written = 0;
        ok = ::WriteFile(out, &file, sizeof file, &written, nullptr) &&
             ::WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
             ::WriteFile(out, bits, size, &written, nullptr);
    }
    if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

class ChatViewE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        ::CreateDirectoryW((app + L"Ini").c_str(), nullptr);
        ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(ServerAddress()).c_str(),
                                     (app + L"Ini\\IMServerInfo.ini").c_str());
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
    }

    // Starts the program for the account with the pop-up setting given and
    // waits until the customer list has arrived.
    HWND StartAgent(CTavrelProcess& process, int32_t account, const std::wstring& caption, bool popUp) {
        const std::wstring folder = app + std::to_wstring(account);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        ::WritePrivateProfileStringW(L"systemSetting", L"bPopUp", popUp ? L"1" : L"0",
                                     (folder + L"\\systemSetting.dll").c_str());
        if (!process.Start(app, L"run " + std::to_wstring(account))) return nullptr;
        HWND main = nullptr;
        WaitUntil([&] { return (main = FindMainWindow(process, caption)) != nullptr; }, kWindowWaitMs);
        if (!main) return nullptr;
        SendTo(main, WM_INSTANCE_CONTROL, 1, 0);  // show it
        // The log-on has finished once the friend list was asked for and
        // answered; give the list a moment to be filled.
        ::Sleep(1500);
        return main;
    }

    std::wstring app;
    CDeskServerControl control;
};

TEST_F(ChatViewE2E, WithoutPopUpTheCustomerFlashesAndTheListOpensTheConversation) {
    CTavrelProcess process;
    HWND main = StartAgent(process, 50002, kTitle + L" - 50002 - 周宁 ", false);
    ASSERT_NE(main, nullptr);
    // Only the disabled placeholder lies on the conversation area.
    ASSERT_EQ(Conversations(main).size(), 1u);
    EXPECT_TRUE(OpenConversations(main).empty());

    // 刘洋 (60004) writes; agent 50002 is of user type 4: no window opens.
    ASSERT_EQ(control.Command(CustomerMessage(60004, 50002, 93000000, "hello from 60004")), "OK");
    ::Sleep(2000);
    EXPECT_TRUE(OpenConversations(main).empty()) << "a conversation opened by itself";

    // The agent opens the conversation from the customer list (the list
    // sends WM_OPEN_CHAT with the customer): the waiting message is shown.
    SendTo(main, WM_OPEN_CHAT, 60004, 0);
    std::vector<Conversation> open;
    ASSERT_TRUE(WaitUntil([&] { return (open = OpenConversations(main)).size() == 1; }, kWindowWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"hello from 60004"); }, 5000))
        << "log: " << WindowText(open[0].log).size();
    EXPECT_TRUE(::IsWindowVisible(open[0].window));

    // Opening it again does not make a second window; a further message
    // goes into the open one.
    SendTo(main, WM_OPEN_CHAT, 60004, 0);
    ASSERT_EQ(control.Command(CustomerMessage(60004, 50002, 93100000, "second line")), "OK");
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"second line"); }, kWindowWaitMs));
    EXPECT_EQ(OpenConversations(main).size(), 1u);
    // The first message was taken from the engine's queue once: it is in
    // the log once.
    const std::wstring log = WindowText(open[0].log);
    EXPECT_EQ(log.find(L"hello from 60004"), log.rfind(L"hello from 60004"));

    const char* shots = std::getenv("QV_VIEW_SHOT");
    if (shots && *shots) {
        ::Sleep(500);
        std::wstring path;
        for (const char* p = shots; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
        EXPECT_TRUE(SaveWindowPicture(main, L"Z:" + path));
    }

    // A second conversation (赵磊, 60006) comes to the front; a message of
    // 60004 still reaches its window, now hidden behind the other.
    SendTo(main, WM_OPEN_CHAT, 60006, 0);
    ASSERT_TRUE(WaitUntil([&] { return OpenConversations(main).size() == 2; }, kWindowWaitMs));
    EXPECT_FALSE(::IsWindowVisible(open[0].window));
    ASSERT_EQ(control.Command(CustomerMessage(60004, 50002, 93200000, "behind the other")), "OK");
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"behind the other"); }, kWindowWaitMs));
    EXPECT_FALSE(::IsWindowVisible(open[0].window));

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

TEST_F(ChatViewE2E, WithPopUpTheConversationOpensByItselfWithTheMessage) {
    CTavrelProcess process;
    HWND main = StartAgent(process, 50003, kTitle + L" - 50003 - 陈静 ", true);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(OpenConversations(main).empty());

    ASSERT_EQ(control.Command(CustomerMessage(60005, 50003, 94000000, "popup please")), "OK");
    std::vector<Conversation> open;
    ASSERT_TRUE(WaitUntil([&] { return (open = OpenConversations(main)).size() == 1; }, kWindowWaitMs))
        << "the conversation did not open";
    EXPECT_TRUE(WaitUntil([&] { return LogShows(open[0], L"popup please"); }, 5000));

    EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
    EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
}

}  // namespace
