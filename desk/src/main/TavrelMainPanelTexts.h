// CTavrelMainPanelTexts: the texts that only the desk's main window shows:
// its captions and the question before the program ends.
#pragma once

#include <cstdint>
#include <string>

class CTavrelMainPanelTexts {
public:
    // "<title> - 未登录 "
    static std::wstring NotLoggedOnCaption(const std::wstring& title);
    // "<title> - <id> - <full name> "
    static std::wstring LoggedOnCaption(const std::wstring& title, int32_t userId, const std::wstring& fullName);
    static std::wstring ExitQuestion(const std::wstring& title);
};
