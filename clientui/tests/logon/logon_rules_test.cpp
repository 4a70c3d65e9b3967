// The log-on panel's decisions and texts, without a window.
#include "clientui/LogonErrorText.h"
#include "clientui/LogonRules.h"

#include <gtest/gtest.h>

namespace {

TEST(LogonRules, InputsAreTrimmedAndCheckedAccountFirst) {
    const struct {
        const wchar_t* account;
        const wchar_t* password;
        LogonInputProblem problem;
    } cases[] = {
        {L"10001", L"secret", LogonInputProblem::None},
        {L"  10001 ", L"\tsecret\r\n", LogonInputProblem::None},
        {L"", L"secret", LogonInputProblem::EmptyAccount},
        {L"   ", L"secret", LogonInputProblem::EmptyAccount},
        {L" \t ", L"", LogonInputProblem::EmptyAccount},
        {L"10001", L"", LogonInputProblem::EmptyPassword},
        {L"10001", L"    ", LogonInputProblem::EmptyPassword},
        {L"\u3000", L"secret", LogonInputProblem::EmptyAccount},  // ideographic space
    };
    for (const auto& c : cases) EXPECT_EQ(CheckLogonInputs(c.account, c.password), c.problem) << "[" << c.account << "]";
}

TEST(LogonRules, TrimKeepsInnerSpaces) {
    EXPECT_EQ(TrimLogonText(L"  a b  "), L"a b");
    EXPECT_EQ(TrimLogonText(L""), L"");
    EXPECT_EQ(TrimLogonText(L" \r\n\t"), L"");
}

TEST(LogonRules, CloseRequestDependsOnConnectionAndState) {
    EXPECT_EQ(DecideLogonClose(true, kLogonStateIdle), LogonCloseAction::Ignore);
    EXPECT_EQ(DecideLogonClose(true, kLogonStateStarted), LogonCloseAction::Ignore);
    EXPECT_EQ(DecideLogonClose(false, kLogonStateIdle), LogonCloseAction::Quit);
    EXPECT_EQ(DecideLogonClose(false, kLogonStateStarted), LogonCloseAction::AskFirst);
}

TEST(LogonErrorText, EveryResultCodeHasItsText) {
    const struct {
        int code;
        const wchar_t* text;
    } cases[] = {
        {10001, L"您输入的账号或密码有误"}, {10002, L"您输入的账号或密码有误"}, {10003, L"重复登陆"},
        {10004, L"其他错误"},               {10000, L"未定义错误"},             {0, L"未定义错误"},
        {10005, L"未定义错误"},             {-1, L"未定义错误"},
    };
    for (const auto& c : cases) {
        std::wstring text = L"stale";
        GetLogonErrorText(c.code, text);
        EXPECT_EQ(text, c.text) << c.code;
    }
}

TEST(LogonErrorText, FailureMessageNamesCodeAndReason) {
    EXPECT_EQ(FormatLogonFailure(10003), L"登录失败, 错误代码10003, 可能原因:\r\n重复登陆.");
    EXPECT_EQ(FormatLogonFailure(77), L"登录失败, 错误代码77, 可能原因:\r\n未定义错误.");
}

}  // namespace
