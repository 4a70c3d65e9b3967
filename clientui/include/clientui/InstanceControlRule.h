// CInstanceControlRule: what the main window does with WM_INSTANCE_CONTROL.
//   wParam nonzero           show the window and bring it to the front
//   wParam 0, lParam 0       close the program
//   wParam 0, lParam = ours  close the program (the command line's account
//                            or the logged-on one)
//   wParam 0, another id     ignored (answer 0): it means another instance
#pragma once

#include <windows.h>

#include <cstdint>

enum class InstanceControlAction { Show, Close, Ignore };

class CInstanceControlRule {
public:
    static InstanceControlAction Decide(WPARAM wParam, LPARAM lParam, int32_t cmdUserId, int32_t loggedOnUserId);
    // The message's answer for the action: 0 when ignored, else 1.
    static LRESULT Answer(InstanceControlAction action) { return action == InstanceControlAction::Ignore ? 0 : 1; }
};
