#include "Win32CodePage.h"

#include <windows.h>

#include <climits>

namespace engine {

std::string Win32CodePage::ToAnsi(const std::wstring& text) const {
    if (text.empty() || text.size() > INT_MAX / 4) return std::string();
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string out(size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), &out[0], length, nullptr, nullptr);
    return out;
}

std::wstring Win32CodePage::FromAnsi(const char* text, size_t length) const {
    if (!text || length == 0 || length > INT_MAX / 2) return std::wstring();
    const int count = MultiByteToWideChar(CP_ACP, 0, text, int(length), nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring out(size_t(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, int(length), &out[0], count);
    return out;
}

bool Win32CodePage::IsLeadByte(unsigned char byte) const {
    return IsDBCSLeadByteEx(CP_ACP, byte) != 0;
}

}  // namespace engine
