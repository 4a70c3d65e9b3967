// Start-up steps that both client programs take in the same way.
#pragma once

#include <windows.h>

#include <string>

// Whether an object of the animated-picture control can be created (the
// object is released at once). COM must be started.
BOOL IsImageControlRegistered();

// Starts "Service.exe" of the program folder (ending in a backslash) with the
// quoted full path of "Mervale.dll" there and "-Register", shown normally;
// does not wait and does not look at the result.
void StartControlRegistration(const std::wstring& programFolder);

// Admits (allow) or removes a window message through the message filter of
// Windows 6.0 and later (ChangeWindowMessageFilter, looked up in user32).
// Below 6.0 it does nothing and answers 1. When user32 lacks the function it
// shows "create windowmessage filter failed" (caption: the program's display
// title) and answers 0; otherwise the function's answer.
BOOL AddMessageFilter(UINT message, BOOL allow, const std::wstring& caption);
