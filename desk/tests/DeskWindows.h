// The windows of the real Tavrel.exe as its end-to-end tests find them from
// outside: the main window by its caption, the conversation windows (child
// dialogs holding a chat log), the controls by id and class.
#pragma once

#include "RealInput.h"
#include "TavrelDriver.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavreltest {

// The stand-in chat server's address from QV_DESK_SERVER (set by
// with-desk-server.sh); empty when the test was not started through it.
std::wstring ServerAddress();
// Writes the scrambled server entry into the program folder's Ini.
void WriteServerEntry(const std::wstring& programFolder);
// The agent's settings: the pop-up (systemSetting.dll) and the send option
// (Config.dll) of account in the program folder.
void WriteAgentSettings(const std::wstring& programFolder, int32_t account, bool popUp, int sendMsgOpt = 0);

// The stand-in server's command by which the customer writes text (ASCII)
// to the agent at a time of day (hhmmssmmm) of 2026-12-10.
std::string CustomerMessage(uint32_t customer, uint32_t agent, uint32_t time, const std::string& text);

// SendMessageTimeout with a bounded wait; its answer (0 on a time-out).
LRESULT SendTo(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// The process's top-level window with this caption, hidden ones too.
HWND FindMainWindow(const CTavrelProcess& process, const std::wstring& caption);
// The descendant of parent with the control id and window class; null when none.
HWND FindControl(HWND parent, int id, const std::wstring& className);
// The file name box of an open-file dialog: the edit inside its combo box.
HWND FileNameBox(HWND dialog);

// A conversation window: a child dialog that holds the chat log control.
struct Conversation {
    HWND window = nullptr;
    HWND log = nullptr;
};
std::vector<Conversation> Conversations(HWND main);
// The enabled (real) conversation windows; the placeholder is disabled.
std::vector<Conversation> OpenConversations(HWND main);
// The open conversation window shown on top (visible); empty when none.
Conversation ShownConversation(HWND main);
bool LogShows(const Conversation& c, const std::wstring& text);

// The agent's customer tree inside the chat view (control 1052).
HWND CustomerTree(HWND main);
// The user's row in a contact tree, made visible the way the agent does it:
// a click on its group's row when the group is closed. The row (with a
// null handle when it does not become visible within ms).
TreeItem RevealTreeUser(HWND tree, int32_t user, DWORD ms);

}  // namespace tavreltest
