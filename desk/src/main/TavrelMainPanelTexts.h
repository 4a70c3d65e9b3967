// CTavrelMainPanelTexts: the texts that the desk's main window shows: its
// captions, the notices of a forced log-out and of a failed connection, and
// the question before the program ends.
#pragma once

#include <cstdint>
#include <string>

class CTavrelMainPanelTexts {
public:
    static const wchar_t kForcedLogout[];   // "您的帐号重复登陆，您已经被迫下线"
    static const wchar_t kConnectFailed[];  // "连接服务器失败:("

    // "<title> - 未登录 "
    static std::wstring NotLoggedOnCaption(const std::wstring& title);
    // "<title> - <id> - <full name> "
    static std::wstring LoggedOnCaption(const std::wstring& title, int32_t userId, const std::wstring& fullName);
    static std::wstring ExitQuestion(const std::wstring& title);
};
