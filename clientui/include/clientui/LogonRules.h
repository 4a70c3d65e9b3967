// The log-on panel's decisions, kept apart from its window so that they can
// be checked on their own: what counts as a usable input, and what a close
// request does in each state of the panel.
#pragma once

#include <cstdint>
#include <string>

// Log-on state of the panel: nothing started yet, or a log-on started (by
// the panel or by the main window's automatic log-on). Never set back.
constexpr int32_t kLogonStateIdle = 0;
constexpr int32_t kLogonStateStarted = 2;
// The messenger's main window marks the log-on done when the first friend
// list has arrived.
constexpr int32_t kLogonStateLoggedOn = 1;

// The port of the chat server that every log-on uses.
constexpr unsigned short kChatServerPort = 7012;

// The text with white space removed at both ends.
std::wstring TrimLogonText(const std::wstring& text);

enum class LogonInputProblem {
    None,
    EmptyAccount,   // also an account of blanks only
    EmptyPassword,  // also a password of blanks only
};

// Checks the two texts as the user typed them (they are trimmed here); the
// account is checked first.
LogonInputProblem CheckLogonInputs(const std::wstring& account, const std::wstring& password);

enum class LogonCloseAction {
    Ignore,    // connected: the request is ignored
    Quit,      // nothing started: the client ends at once
    AskFirst,  // a log-on is under way: ask, and end on Yes
};

LogonCloseAction DecideLogonClose(bool connected, int32_t logonState);
