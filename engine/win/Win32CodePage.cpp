#include "Win32CodePage.h"

#include "AnsiText.h"

#include <windows.h>

namespace engine {

std::string Win32CodePage::ToAnsi(const std::wstring& text) const { return codepage::ToAnsi(text); }

std::wstring Win32CodePage::FromAnsi(const char* text, size_t length) const {
    return codepage::FromAnsi(text, length);
}

bool Win32CodePage::IsLeadByte(unsigned char byte) const {
    return IsDBCSLeadByteEx(CP_ACP, byte) != 0;
}

}  // namespace engine
