// The text shown for a user status.
#pragma once

#include <string>

// 0 "在线", 1 "忙碌", 2 "离开", 3 "请勿打扰", 4 "隐身", 5 "离线"; every
// other value reads as the status otherStatus (the desk: 5 "离线", the
// messenger's main window: 0 "在线").
void GetStatusName(int status, std::wstring& text, int otherStatus = 5);
