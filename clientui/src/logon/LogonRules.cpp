#include "clientui/LogonRules.h"

#include <cwctype>

std::wstring TrimLogonText(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(text[first])) ++first;
    while (last > first && std::iswspace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

LogonInputProblem CheckLogonInputs(const std::wstring& account, const std::wstring& password) {
    if (TrimLogonText(account).empty()) return LogonInputProblem::EmptyAccount;
    if (TrimLogonText(password).empty()) return LogonInputProblem::EmptyPassword;
    return LogonInputProblem::None;
}

LogonCloseAction DecideLogonClose(bool connected, int32_t logonState) {
    if (connected) return LogonCloseAction::Ignore;
    return logonState == kLogonStateIdle ? LogonCloseAction::Quit : LogonCloseAction::AskFirst;
}
