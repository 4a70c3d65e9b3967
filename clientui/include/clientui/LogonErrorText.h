// Texts of the log-on result codes (LOGON_* of the engine's header) and the
// failure message that the main windows build from them.
#pragma once

#include <string>

// 10001 and 10002 "您输入的账号或密码有误", 10003 "重复登陆", 10004 "其他错误",
// any other code "未定义错误".
void GetLogonErrorText(int code, std::wstring& text);

// "登录失败, 错误代码<code>, 可能原因:\r\n<text of the code>."
std::wstring FormatLogonFailure(int code);
