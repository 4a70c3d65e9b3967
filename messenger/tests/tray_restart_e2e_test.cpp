// Both real programs (Tavrel.exe and IM.exe) under Wine and Xvfb against the
// stand-in chat server with the demo organisation (with-desk-server.sh,
// standins/demo), one after the other: the shell's notification area loses
// the program's tray icon as a restarting shell does (the icon is deleted
// from outside, with the program's window and icon id), the shell's
// "TaskbarCreated" broadcast follows, and the icon must come back; a real
// double click on it then shows the main window.
//
// The tray is Wine's own tray window; an icon is found on the screen by its
// pixels (the tray holds only the icon of the program under test).
#include "IMMainWindow.h"
#include "IMTestDriver.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include "../../desk/src/DisplayTitle.h"

#include "clientui/InstanceControl.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using namespace imtest;
using namespace tavreltest;

namespace {

constexpr DWORD kWaitMs = 30000;
constexpr UINT kTrayIconId = 1500;  // both programs' icon

HWND TrayWindow() {
    HWND tray = ::FindWindowW(nullptr, L"Wine System Tray");
    return tray ? tray : ::FindWindowW(L"Shell_TrayWnd", nullptr);
}

// The icon in the tray window: the columns of its middle row that differ
// from the row's most frequent colour (the background), as a span; empty
// (left > right) while the tray shows no icon.
struct Span {
    int left = 0;
    int right = -1;
    bool Empty() const { return left > right; }
};

Span TrayIconSpan() {
    Span span;
    HWND tray = TrayWindow();
    if (!tray || !::IsWindowVisible(tray)) return span;
    RECT client = {};
    ::GetClientRect(tray, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(tray, &origin);
    const RECT row = {origin.x, origin.y + client.bottom / 2, origin.x + client.right, origin.y + client.bottom / 2 + 1};
    const std::vector<uint32_t> pixels = ScreenPixels(row);
    std::map<uint32_t, int> counts;
    for (uint32_t pixel : pixels) ++counts[pixel];
    if (counts.size() < 2) return span;
    const uint32_t background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.second < b.second; })
            ->first;
    const int left = static_cast<int>(origin.x);
    span.left = left + static_cast<int>(pixels.size());
    for (size_t x = 0; x < pixels.size(); ++x) {
        if (pixels[x] == background) continue;
        span.left = std::min(span.left, left + static_cast<int>(x));
        span.right = left + static_cast<int>(x);
    }
    return span;
}

// One program under test: how it is started and how its logged-on main
// window is found.
struct ProgramCase {
    const wchar_t* program;
    const wchar_t* arguments;
    HWND (*waitForMain)(const CTavrelProcess&);
};

HWND WaitForDesk(const CTavrelProcess& desk) {
    const std::wstring caption = std::wstring(kDeskDisplayTitle) + L" - 50001 - 林晓 ";
    HWND main = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : desk.Windows(false))
                if (WindowText(window) == caption) return (main = window) != nullptr;
            return false;
        },
        kWaitMs);
    return main;
}

HWND WaitForMessenger(const CTavrelProcess& im) { return WaitForLogon(im); }

const ProgramCase kPrograms[] = {
    {L"Tavrel.exe", L"x 50001", WaitForDesk},
    {L"IM.exe", L"x 70001", WaitForMessenger},
};

}  // namespace

TEST(TrayRestartEndToEnd, BothProgramsPutTheirTrayIconBackForARestartedShell) {
    ASSERT_FALSE(AppFolder().empty()) << "run through with-desk-server.sh";
    PrepareAppFolder({50001, 70001});
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    for (const ProgramCase& c : kPrograms) {
        SCOPED_TRACE(Narrow(c.program));
        CTavrelProcess process;
        ASSERT_TRUE(process.Start(AppFolder(), c.arguments, c.program));
        HWND main = c.waitForMain(process);
        ASSERT_NE(main, nullptr) << "logged on";
        ASSERT_TRUE(WaitUntil([] { return !TrayIconSpan().Empty(); }, kWaitMs)) << "the tray icon";
        // The main window out of sight (the messenger's stays hidden after
        // its automatic log-on; the desk's is minimised).
        if (::IsWindowVisible(main)) ::ShowWindow(main, SW_MINIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(main) || ::IsIconic(main); }, kWaitMs));

        // The shell loses the icon, then says that it has started.
        NOTIFYICONDATAW icon = {};
        icon.cbSize = sizeof icon;
        icon.hWnd = main;
        icon.uID = kTrayIconId;
        ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &icon)) << "the program's icon was there";
        ASSERT_TRUE(WaitUntil([] { return TrayIconSpan().Empty(); }, kWaitMs)) << "the icon went";
        ::PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
        Span span;
        ASSERT_TRUE(WaitUntil([&] { return !(span = TrayIconSpan()).Empty(); }, kWaitMs)) << "the icon came back";

        // A double click on it shows the main window.
        HWND tray = TrayWindow();
        OnTop(tray);
        RECT trayRect = {};
        ::GetWindowRect(tray, &trayRect);
        DoubleClick(POINT{(span.left + span.right) / 2, (trayRect.top + trayRect.bottom) / 2});
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(main) && !::IsIconic(main); }, kWaitMs))
            << "the double click showed the main window";

        ::PostMessageW(main, WM_INSTANCE_CONTROL, 0, 0);
        EXPECT_TRUE(process.WaitForExit(kWaitMs));
        EXPECT_TRUE(WaitUntil([] { return TrayIconSpan().Empty(); }, kWaitMs)) << "the icon went with the program";
    }
}
