// CPinyinConverter: turns a wide text into pinyin through the ANSI code page
// (taken to be 936, GB2312 within GBK), for the contact search.
//
// ASCII passes through unchanged; a GB2312 double-byte character becomes its
// syllable ("?" when the table has none); any other byte is dropped. With
// both upper-case options on (as constructed, and as the clients use it)
// "张三(1001)" gives "ZHANGSAN(1001)", with the initials option "ZS(1001)".
#pragma once

#include <string>

#include "IAnsiCodePage.h"

namespace clientui {

class CPinyinConverter {
public:
    explicit CPinyinConverter(const IAnsiCodePage& codePage) : m_codePage(codePage) {}

    // Separator: an apostrophe follows every syllable and every ASCII character.
    void SetSeparator(bool on) { m_separator = on ? 1 : 0; }
    // The first letter of a syllable stays upper case.
    void SetUpperCaseFirst(bool on) { m_upperCaseFirst = on ? 1 : 0; }
    // The second and later letters of a syllable stay upper case.
    void SetUpperCaseOthers(bool on) { m_upperCaseOthers = on ? 1 : 0; }
    // Only the first letter of each syllable is kept.
    void SetInitialsOnly(bool on) { m_initialsOnly = on ? 1 : 0; }

    // The pinyin of a wide text (empty when the text cannot be converted to
    // the ANSI code page).
    std::wstring ToPinyin(const std::wstring& text) const;
    // The same for text already in the ANSI code page; the result is ANSI.
    std::string ToPinyinAnsi(const std::string& ansi) const;

    // The syllable of a GB2312 row/cell code, upper case; "?" for a code the
    // table does not know. Never null, never empty.
    static const char* PinyinOfCode(int code);

private:
    void AppendSyllable(const char* syllable, std::string& out) const;

    const IAnsiCodePage& m_codePage;
    int m_separator = 0;
    int m_upperCaseFirst = 1;
    int m_upperCaseOthers = 1;
    int m_initialsOnly = 0;
};

}  // namespace clientui
