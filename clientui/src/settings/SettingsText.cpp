#include "clientui/SettingsText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>

namespace {

wchar_t ScrambleStep(size_t index) { return static_cast<wchar_t>(2 * (index % 3 + 1)); }

// The UTF-16 unit arithmetic of the scrambling, whatever the width of wchar_t.
wchar_t AddUnit(wchar_t unit, int delta) {
    return static_cast<wchar_t>(static_cast<uint16_t>(static_cast<uint32_t>(unit) + static_cast<uint32_t>(delta)));
}

void PutUnit(std::vector<uint8_t>& out, uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
}

// A code point as UTF-16 little-endian units.
void PutCodePoint(std::vector<uint8_t>& out, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        PutUnit(out, 0xD800 + (cp >> 10));
        PutUnit(out, 0xDC00 + (cp & 0x3FF));
    } else {
        PutUnit(out, cp);
    }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool DecodeUtf8(const uint8_t* p, size_t size, std::vector<uint8_t>& out) {
    size_t i = 0;
    while (i < size) {
        const uint8_t lead = p[i];
        uint32_t cp = 0;
        size_t extra = 0;
        uint32_t min = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F, extra = 1, min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F, extra = 2, min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07, extra = 3, min = 0x10000;
        } else {
            return false;
        }
        if (size - i - 1 < extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        PutCodePoint(out, cp);
        i += extra + 1;
    }
    return true;
}

}  // namespace

bool ParseSettingsNumber(const std::wstring& text, int* value) {
    const wchar_t* p = text.c_str();
    while (*p == L' ' || *p == L'\t') ++p;
    if (!*p) return false;
    wchar_t* end = nullptr;
    errno = 0;
    const long long v = std::wcstoll(p, &end, 10);
    if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    while (*end == L' ' || *end == L'\t') ++end;
    if (*end) return false;
    *value = static_cast<int>(v);
    return true;
}

int BoundSettingsCount(int value, int max) {
    if (value < 0) return 0;
    return value > max ? max : value;
}

int ClampListIndex(int index, size_t count) {
    if (count == 0 || index < 0) return 0;
    return static_cast<size_t>(index) >= count ? static_cast<int>(count - 1) : index;
}

std::wstring CutSettingsText(const std::wstring& text, size_t width) {
    if (text.size() <= width) return text;
    size_t length = width;
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    return text.substr(0, length);
}

std::wstring UnscrambleServerText(const std::wstring& text) {
    std::wstring out(text.rbegin(), text.rend());
    for (size_t i = 0; i < out.size(); ++i) out[i] = AddUnit(out[i], -ScrambleStep(i));
    return out;
}

std::wstring ScrambleServerText(const std::wstring& text) {
    std::wstring out(text);
    for (size_t i = 0; i < out.size(); ++i) out[i] = AddUnit(out[i], ScrambleStep(i));
    std::reverse(out.begin(), out.end());
    return out;
}

SettingsFileForm ConvertSettingsFile(const uint8_t* bytes, size_t size, const clientui::IAnsiCodePage& codePage,
                                     std::vector<uint8_t>& utf16) {
    utf16.clear();
    if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        return SettingsFileForm::Unicode;
    // A text file holds no NUL byte: a file of zeros (or of anything with
    // zeros in it) is damaged, not text.
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] == 0) return SettingsFileForm::Damaged;
    PutUnit(utf16, 0xFEFF);
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        if (!DecodeUtf8(bytes + 3, size - 3, utf16)) {
            utf16.clear();
            return SettingsFileForm::Damaged;
        }
        return SettingsFileForm::Legacy;
    }
    if (size == 0) return SettingsFileForm::Legacy;
    // The text of the ANSI code page: only when every byte is part of a
    // character that converts back to the same bytes (an invalid sequence
    // would become "?" and be lost).
    const char* text = reinterpret_cast<const char*>(bytes);
    const std::wstring wide = codePage.FromAnsi(text, size);
    if (wide.empty() || codePage.ToAnsi(wide) != std::string(text, size)) {
        utf16.clear();
        return SettingsFileForm::Damaged;
    }
    for (size_t i = 0; i < wide.size(); ++i) {
        const uint32_t unit = static_cast<uint32_t>(wide[i]);
        if (sizeof(wchar_t) == 2) {
            PutUnit(utf16, unit);
        } else {
            PutCodePoint(utf16, unit);
        }
    }
    return SettingsFileForm::Legacy;
}
