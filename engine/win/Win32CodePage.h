// The system's ANSI code page (CP_ACP; 936 on the target systems).
#pragma once

#include "EnginePorts.h"

namespace engine {

class Win32CodePage : public ICodePage {
public:
    std::string ToAnsi(const std::wstring& text) const override;
    std::wstring FromAnsi(const char* text, size_t length) const override;
    using ICodePage::FromAnsi;
    bool IsLeadByte(unsigned char byte) const override;
};

}  // namespace engine
