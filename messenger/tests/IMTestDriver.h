// What the end-to-end tests of the real IM.exe share beyond the general
// driver (TavrelDriver, DeskServerControl, RealInput) and the state query
// (IMMainWindow): the program folder's server entry, its controls,
// the status menu, and the chat messages the stand-in server received.
#pragma once

#include "DeskServerControl.h"
#include "IMMainWindow.h"
#include "TavrelDriver.h"

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace imtest {

// The program folder under test (QV_DESK_APP, with its trailing backslash).
std::wstring AppFolder();
// An environment variable as a wide string; empty when unset.
std::wstring Env(const char* name);
// The text with every character outside ASCII as '?', for failure messages.
std::string Narrow(const std::wstring& text);
// The text in the program's code page (936), as it goes on the wire.
std::string Ansi(const std::wstring& text);

// The program folder's server entry names the test's server
// (QV_DESK_SERVER); the accounts' settings files start from nothing.
void PrepareAppFolder(std::initializer_list<int> accounts);

// A visible control of a window (or of one of its descendants) by its id.
HWND FindControl(HWND window, int id);
// Keeps a window above the other windows of the shared display, so that the
// clicks meant for it reach it.
void OnTop(HWND window);
// Clicks the middle of a visible control (a test failure when none).
void ClickControl(HWND window, int id);

// The contact search's hit list: the list box (1516) of the program's
// shown pop-up; null when none shows.
HWND FindHitList(const tavreltest::CTavrelProcess& im);
// The lines of a list box (another process's too), at most 50.
std::vector<std::wstring> ListLines(HWND list);

// A pop-up menu shown on the display (any program's); null when none.
HWND VisibleMenu();
// Opens the status menu with a click on the main window's status button;
// the menu shown, null when none came.
HWND OpenStatusMenu(HWND main);

// A little-endian 32-bit field of a packet body; -1 past its end.
int32_t Word(const std::vector<uint8_t>& body, size_t at);
// The text field of a chat message the server received (CMD_TEXT_MSG).
std::string MessageText(const tavreltest::ServerPacket& packet);
// The chat messages from one user the server received (of one message
// type, or of any when type < 0).
std::vector<std::string> MessagesFrom(tavreltest::CDeskServerControl& server, int32_t sender, int32_t type = -1);

}  // namespace imtest
