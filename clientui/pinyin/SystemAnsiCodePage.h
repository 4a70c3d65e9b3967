// The process's ANSI code page: on Windows the system's (CP_ACP, 936 on the
// target systems), elsewhere GBK through iconv.
#pragma once

#include "IAnsiCodePage.h"

namespace clientui {

class CSystemAnsiCodePage : public IAnsiCodePage {
public:
    std::string ToAnsi(const std::wstring& text) const override;
    std::wstring FromAnsi(const char* text, size_t length) const override;
    using IAnsiCodePage::FromAnsi;
};

}  // namespace clientui
