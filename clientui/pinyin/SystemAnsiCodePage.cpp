#include "SystemAnsiCodePage.h"

#include "AnsiText.h"

namespace clientui {

std::string CSystemAnsiCodePage::ToAnsi(const std::wstring& text) const { return codepage::ToAnsi(text); }

std::wstring CSystemAnsiCodePage::FromAnsi(const char* text, size_t length) const {
    return codepage::FromAnsi(text, length);
}

}  // namespace clientui
