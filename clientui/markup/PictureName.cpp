#include "PictureName.h"

#include "MessageMarkup.h"

namespace clientui {

namespace {

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9, alone or with an extension
// (and with trailing spaces, which the platform drops).
bool IsDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = UpperAscii(c);
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

}  // namespace

bool IsSafePictureName(const std::wstring& name, const IAnsiCodePage& codePage) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name) {
        if (c < 0x20 || c == 0x7F) return false;
        switch (c) {
        case L'/': case L'\\': case L':': case L'*': case L'?':
        case L'"': case L'<': case L'>': case L'|':
            return false;
        default:
            break;
        }
    }
    // The platform drops trailing dots and spaces, which would give another name.
    if (name.back() == L'.' || name.back() == L' ') return false;
    if (IsDeviceName(name)) return false;
    std::string ansi = codePage.ToAnsi(name);
    if (ansi.empty() || ansi.size() > markup::kMaxPictureNameBytes) return false;
    // Every character must survive the code page: a "?" stands for one that
    // did not, and the name would not be the same file.
    return ansi.find('?') == std::string::npos;
}

}  // namespace clientui
