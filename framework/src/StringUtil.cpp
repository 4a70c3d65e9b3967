#include "fw/StringUtil.h"

#include "AnsiText.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace fw {

std::wstring FormatStringV(const wchar_t* format, va_list args) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), n);
        // Too small (or a bad format): grow up to a sane limit.
        if (buffer.size() >= (1u << 20)) return std::wstring();
        buffer.resize(buffer.size() * 4);
    }
}

std::wstring FormatString(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatStringV(format, args);
    va_end(args);
    return text;
}

std::string ToAnsi(const std::wstring& text) { return codepage::ToAnsi(text); }

std::wstring FromAnsi(const std::string& text) { return codepage::FromAnsi(text.data(), text.size()); }

std::wstring FromAnsiField(const char* field, size_t fieldSize) {
    if (!field) return std::wstring();
    const void* nul = std::memchr(field, 0, fieldSize);
    const size_t len = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : fieldSize;
    return FromAnsi(std::string(field, len));
}

std::string CutAnsi(const std::string& ansi, size_t maxBytes) {
    if (ansi.size() <= maxBytes) return ansi;
    size_t pos = 0;
    while (pos < maxBytes) {
        const size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(ansi[pos])) ? 2 : 1;
        if (pos + step > maxBytes) break;
        pos += step;
    }
    return ansi.substr(0, pos);
}

std::wstring CutWide(const std::wstring& text, size_t maxUnits) {
    if (text.size() <= maxUnits) return text;
    size_t len = maxUnits;
    if (len > 0 && text[len - 1] >= 0xD800 && text[len - 1] <= 0xDBFF) --len;
    return text.substr(0, len);
}

size_t CopyToAnsiField(const std::wstring& text, char* field, size_t fieldSize) {
    if (!field || fieldSize == 0) return 0;
    std::memset(field, 0, fieldSize);
    // Converting the whole text and then cutting keeps whole characters of
    // the code page; a double-byte character never ends the field halfway.
    const std::string ansi = CutAnsi(ToAnsi(text), fieldSize - 1);
    std::memcpy(field, ansi.data(), ansi.size());
    return ansi.size();
}

size_t CopyToWideField(const std::wstring& text, wchar_t* field, size_t fieldUnits) {
    if (!field || fieldUnits == 0) return 0;
    std::wmemset(field, 0, fieldUnits);
    const std::wstring cut = CutWide(text, fieldUnits - 1);
    std::wmemcpy(field, cut.data(), cut.size());
    return cut.size();
}

size_t AnsiLength(const std::wstring& text) { return ToAnsi(text).size(); }

}  // namespace fw
