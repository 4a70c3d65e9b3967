// CMainPanelTexts: the texts that the main window shows: its captions, the
// notices of a forced log-out and of a message that could not be sent, and
// the question before the program ends.
#pragma once

#include <cstdint>
#include <string>

class CMainPanelTexts {
public:
    static const wchar_t kForcedLogout[];   // "您的帐号重复登陆，您已经被迫下线"
    static const wchar_t kConnectFailed[];  // "连接服务器失败:("

    // "<title> - 未登录 "
    static std::wstring NotLoggedOnCaption(const std::wstring& title);
    // "<title> - <id> - <full name> "
    static std::wstring LoggedOnCaption(const std::wstring& title, int32_t userId, const std::wstring& fullName);
    // "由于网络原因，您hh:mm:ss的消息没有发送成功:(" for a message's time word
    // (hh*10000000 + mm*100000 + ss*1000 + ms).
    static std::wstring SendFailure(int32_t timeWord);
    static std::wstring ExitQuestion(const std::wstring& title);
};
