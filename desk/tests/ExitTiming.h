// What the exit-path tests of the real programs (Tavrel.exe, IM.exe) share:
// finding the program's icon in the notification area on the screen, the
// number of runs per path (QV_EXIT_RUNS, 2 by default; the measurement under
// load runs 50) and the figures of a path's runs.
#pragma once

#include <windows.h>

#include "TavrelDriver.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavreltest {

// The notification area's window on the test display; null when none.
HWND TrayWindow();
// One row of pixels through the middle of the tray window's icons; empty
// when there is no tray window.
std::vector<uint32_t> TrayRow();
// The middle of the icon that changed between two rows, on the screen;
// {-1, -1} when nothing changed.
POINT ChangedTrayIcon(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after);

// Finds the program's tray icon on the screen where the tray changes when
// the program's status, and so its icon, changes: the main window is given
// statusCommand (a status menu command other than the current status).
// {-1, -1} when nothing changed.
POINT TrayIconByStatusChange(HWND main, UINT statusCommand);

// Brings the window to the front and, after a moment as a user takes to
// look, clicks the middle of its control id; the tick count of the click.
ULONGLONG ClickControlOf(HWND window, int id);

// A shown window of the process with this class (and caption, when given);
// null when none came within ms.
HWND WaitForProcessWindow(const CTavrelProcess& process, const std::wstring& className, const std::wstring* caption,
                          DWORD ms);

// "退出" from the tray menu with real input: a right click on the icon,
// Up (from no selection: the last item) and Enter in the menu, then a click
// on "是" in the question (the message box with boxCaption, which must ask
// question). The tick count of that click; 0, with *error, when a step
// failed.
ULONGLONG ExitFromTrayMenu(const CTavrelProcess& process, POINT icon, const std::wstring& boxCaption,
                           const std::wstring& question, std::string* error);

// Alt+F4 on the keyboard, to the window with the focus, after a moment as
// a user takes to look; the tick count of the keys.
ULONGLONG PressAltF4();

// The time from lastInput to the end of the process; -1 when it is still
// running waitMs after the call.
long long TimeToExit(const CTavrelProcess& process, ULONGLONG lastInput, DWORD waitMs);

// The runs per exit path.
int ExitRuns();
// Prints a path's figures: how many of its runs ended within limitMs, the
// smallest, median and largest time.
void PrintExitTimes(const char* path, std::vector<long long> times, DWORD limitMs);

}  // namespace tavreltest
