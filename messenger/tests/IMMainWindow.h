// The real IM.exe's state query and main window, as a test that drives the
// program from outside finds them: a value or a text the program answers
// about what its windows show, the main window once it is logged on, and
// its search box.
#pragma once

#include "TavrelDriver.h"

#include <windows.h>

#include <string>

namespace imtest {

// A value the program answers through its state query; -2 when the window
// does not answer.
LRESULT QueryValue(HWND window, WPARAM what, LPARAM lParam = 0);
// A text the program answers through its state query (an atom it made).
std::wstring QueryText(HWND window, WPARAM what, LPARAM lParam = 0);

// The main window, shown or not: the window that answers the log-on query.
HWND FindMainWindow(const tavreltest::CTavrelProcess& im);
// The main window once the program is logged on; null when it is not
// within ms.
HWND WaitForLogon(const tavreltest::CTavrelProcess& im, DWORD ms = 30000);

// The middle of the main window's contact search box, on the screen.
POINT SearchBoxPoint(HWND main);

}  // namespace imtest
