#include "TavrelMainPanelTexts.h"

#include "fw/StringUtil.h"

std::wstring CTavrelMainPanelTexts::NotLoggedOnCaption(const std::wstring& title) {
    return fw::FormatString(L"%ls - 未登录 ", title.c_str());
}

std::wstring CTavrelMainPanelTexts::LoggedOnCaption(const std::wstring& title, int32_t userId,
                                              const std::wstring& fullName) {
    return fw::FormatString(L"%ls - %d - %ls ", title.c_str(), static_cast<int>(userId), fullName.c_str());
}

std::wstring CTavrelMainPanelTexts::ExitQuestion(const std::wstring& title) {
    return fw::FormatString(L"退出%ls，将不能及时收到消息。\r\n您确认要退出程序吗?", title.c_str());
}
