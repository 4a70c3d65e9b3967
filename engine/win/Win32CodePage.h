// The system's ANSI code page (CP_ACP; 936 on the target systems).
#pragma once

#include "EnginePorts.h"

namespace engine {

class Win32CodePage : public ICodePage {
public:
    Win32CodePage();
    std::string ToAnsi(const std::wstring& text) const override;
    std::wstring FromAnsi(const char* text, size_t length) const override;
    using ICodePage::FromAnsi;
    // From a table made once: the texts of a large list are cut byte by byte.
    bool IsLeadByte(unsigned char byte) const override { return leadBytes_[byte]; }

private:
    bool leadBytes_[256];
};

}  // namespace engine
