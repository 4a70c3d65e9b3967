#include "PictureName.h"

#include "MessageMarkup.h"

namespace clientui {

namespace {

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool IsForbidden(wchar_t c) {
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
    case L'/': case L'\\': case L':': case L'*': case L'?':
    case L'"': case L'<': case L'>': case L'|':
        return true;
    default:
        return false;
    }
}

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

FileNameProblem CheckFileName(const std::wstring& name, const IAnsiCodePage& codePage, size_t maxAnsiBytes) {
    if (name.empty()) return FileNameProblem::Empty;
    // Only a whole name of dots is a path component; ".." inside a name is not.
    if (name == L"." || name == L"..") return FileNameProblem::PathComponent;
    for (wchar_t c : name) {
        if (IsForbidden(c)) return FileNameProblem::ForbiddenCharacter;
    }
    if (name.back() == L'.' || name.back() == L' ') return FileNameProblem::TrailingDotOrSpace;
    if (IsDeviceName(name)) return FileNameProblem::DeviceName;
    const std::string ansi = codePage.ToAnsi(name);
    // No "?" can come from the name itself (it is forbidden above): one in
    // the ANSI form stands for a character that did not survive.
    if (ansi.empty() || ansi.find('?') != std::string::npos) return FileNameProblem::NotInCodePage;
    if (ansi.size() > maxAnsiBytes) return FileNameProblem::TooLong;
    return FileNameProblem::None;
}

bool IsSafePictureName(const std::wstring& name, const IAnsiCodePage& codePage) {
    return CheckFileName(name, codePage, markup::kMaxPictureNameBytes) == FileNameProblem::None;
}

}  // namespace clientui
