#include "ExitTiming.h"

#include "RealInput.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tavreltest {

namespace {
constexpr DWORD kLookingMs = 500;
}  // namespace

HWND TrayWindow() {
    HWND tray = ::FindWindowW(nullptr, L"Wine System Tray");
    return tray ? tray : ::FindWindowW(L"Shell_TrayWnd", nullptr);
}

std::vector<uint32_t> TrayRow() {
    HWND tray = TrayWindow();
    if (!tray) return {};
    RECT client = {};
    ::GetClientRect(tray, &client);
    POINT origin = {0, client.bottom / 2};
    ::ClientToScreen(tray, &origin);
    return ScreenPixels(RECT{origin.x, origin.y, origin.x + client.right, origin.y + 1});
}

POINT ChangedTrayIcon(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after) {
    int left = -1, right = -1;
    for (size_t x = 0; x < after.size(); ++x) {
        if (x < before.size() && before[x] == after[x]) continue;
        if (left < 0) left = static_cast<int>(x);
        right = static_cast<int>(x);
    }
    HWND tray = TrayWindow();
    if (left < 0 || !tray) return POINT{-1, -1};
    RECT client = {};
    ::GetClientRect(tray, &client);
    POINT at = {(left + right) / 2, client.bottom / 2};
    ::ClientToScreen(tray, &at);
    return at;
}

POINT TrayIconByStatusChange(HWND main, UINT statusCommand) {
    ::Sleep(500);  // the icon is drawn a moment after the program set it
    const std::vector<uint32_t> before = TrayRow();
    ::PostMessageW(main, WM_COMMAND, statusCommand, 0);
    POINT at = {-1, -1};
    WaitUntil([&] { return (at = ChangedTrayIcon(before, TrayRow())).x >= 0; }, 5000, 200);
    return at;
}

ULONGLONG ClickControlOf(HWND window, int id) {
    BringToFront(window);
    // A user looks before clicking; a click in the same moment as the
    // window came up would find the window manager still placing it, and
    // Wine waits for that before it hides the window.
    ::Sleep(kLookingMs);
    const POINT at = CentreOf(::GetDlgItem(window, id));
    const ULONGLONG tick = ::GetTickCount64();
    Click(at);
    return tick;
}

HWND WaitForProcessWindow(const CTavrelProcess& process, const std::wstring& className, const std::wstring* caption,
                          DWORD ms) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : process.Windows())
                if (ClassName(window) == className && (!caption || WindowText(window) == *caption))
                    return (found = window) != nullptr;
            return false;
        },
        ms, 50);
    return found;
}

ULONGLONG ExitFromTrayMenu(const CTavrelProcess& process, POINT icon, const std::wstring& boxCaption,
                           const std::wstring& question, std::string* error) {
    constexpr DWORD kWaitMs = 30000;
    if (icon.x < 0) {
        *error = "the program's tray icon was not found on the screen";
        return 0;
    }
    RightClick(icon);
    if (!WaitForProcessWindow(process, L"#32768", nullptr, kWaitMs)) {
        RECT tray = {};
        ::GetWindowRect(TrayWindow(), &tray);
        *error = "no tray menu after a right click at " + std::to_string(icon.x) + "," + std::to_string(icon.y) +
                 "; the tray window is at " + std::to_string(tray.left) + "," + std::to_string(tray.top) + "-" +
                 std::to_string(tray.right) + "," + std::to_string(tray.bottom);
        return 0;
    }
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    HWND box = WaitForProcessWindow(process, L"#32770", &boxCaption, kWaitMs);
    if (!box) {
        *error = "no exit question";
        return 0;
    }
    if (MessageBoxText(box) != question) {
        *error = "the exit question has another text";
        return 0;
    }
    return ClickControlOf(box, IDYES);
}

ULONGLONG PressAltF4() {
    ::Sleep(kLookingMs);
    INPUT keys[4] = {};
    const WORD order[4][2] = {{VK_MENU, 0}, {VK_F4, 0}, {VK_F4, KEYEVENTF_KEYUP}, {VK_MENU, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = order[i][0];
        keys[i].ki.dwFlags = order[i][1];
    }
    const ULONGLONG tick = ::GetTickCount64();
    ::SendInput(4, keys, sizeof(INPUT));
    return tick;
}

long long TimeToExit(const CTavrelProcess& process, ULONGLONG lastInput, DWORD waitMs) {
    if (!process.WaitForExit(waitMs)) return -1;
    return static_cast<long long>(::GetTickCount64() - lastInput);
}

int ExitRuns() {
    const char* value = std::getenv("QV_EXIT_RUNS");
    const int runs = value ? std::atoi(value) : 0;
    return runs > 0 ? runs : 2;
}

void PrintExitTimes(const char* path, std::vector<long long> times, DWORD limitMs) {
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    const long long limit = static_cast<long long>(limitMs);
    const long long within = std::count_if(times.begin(), times.end(), [&](long long t) { return t <= limit; });
    std::printf("exit %s: within %lld ms in %lld of %zu runs; min %lld ms, median %lld ms, max %lld ms\n", path,
                limit, within, times.size(), times.front(), times[times.size() / 2], times.back());
}

}  // namespace tavreltest
