#include "Win32CodePage.h"

#include "AnsiText.h"

#include <windows.h>

namespace engine {

std::string Win32CodePage::ToAnsi(const std::wstring& text) const { return codepage::ToAnsi(text); }

std::wstring Win32CodePage::FromAnsi(const char* text, size_t length) const {
    return codepage::FromAnsi(text, length);
}

Win32CodePage::Win32CodePage() {
    // The ANSI code page does not change while the process runs.
    for (int byte = 0; byte < 256; ++byte) leadBytes_[byte] = IsDBCSLeadByteEx(CP_ACP, BYTE(byte)) != 0;
}

}  // namespace engine
