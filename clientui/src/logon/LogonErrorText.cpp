#include "clientui/LogonErrorText.h"

#include <ImEngineApi.h>

#include "fw/StringUtil.h"

void GetLogonErrorText(int code, std::wstring& text) {
    switch (code) {
    case LOGON_ERR_PASSWORD:
    case LOGON_ERR_PASSWORD2:
        text = L"您输入的账号或密码有误";
        break;
    case LOGON_ERR_REPEATED:
        text = L"重复登陆";
        break;
    case LOGON_ERR_OTHER:
        text = L"其他错误";
        break;
    default:
        text = L"未定义错误";
        break;
    }
}

std::wstring FormatLogonFailure(int code) {
    std::wstring reason;
    GetLogonErrorText(code, reason);
    return fw::FormatString(L"登录失败, 错误代码%d, 可能原因:\r\n%ls.", code, reason.c_str());
}
