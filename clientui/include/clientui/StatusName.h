// The text shown for a user status.
#pragma once

#include <string>

// 0 "在线", 1 "忙碌", 2 "离开", 3 "请勿打扰", 4 "隐身"; 5 and every other
// value "离线".
void GetStatusName(int status, std::wstring& text);
