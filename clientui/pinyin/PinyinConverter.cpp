#include "PinyinConverter.h"

#include <algorithm>

#include "PinyinTable.h"

namespace clientui {

namespace {

const char kUnknown[] = "?";

bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
// Trail bytes of GBK are 0x40-0x7E and 0x80-0xFE; only the upper half is
// handled as a pair here (see ToPinyinAnsi).
bool IsUpperTrail(unsigned char b) { return b >= 0x80 && b <= 0xFE; }
bool IsGb2312Byte(unsigned char b) { return b > 0xA0 && b < 0xFF; }

char LowerAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

const char* CPinyinConverter::PinyinOfCode(int code) {
    using namespace pinyin_table;
    int cell = code % 100;
    if (cell < 1 || cell > 94) return kUnknown;
    if (code >= kLevel1First && code <= kLevel1Last) {
        const Level1Range* end = kLevel1Ranges + kLevel1RangeCount;
        // The first range whose last code is not below the code.
        const Level1Range* range = std::lower_bound(
            kLevel1Ranges, end, code, [](const Level1Range& r, int c) { return r.last < c; });
        if (range != end && range->first <= code) return kSyllables[range->syllable];
        return kUnknown;
    }
    if (code >= kLevel2First && code <= kLevel2Last) {
        uint16_t slot = kLevel2Slots[code - kLevel2First];
        if (slot > 0 && slot <= kSyllableCount) return kSyllables[slot - 1];
    }
    return kUnknown;
}

void CPinyinConverter::AppendSyllable(const char* syllable, std::string& out) const {
    for (size_t i = 0; syllable[i]; ++i) {
        if (m_initialsOnly && i > 0) break;
        char c = syllable[i];
        // Only the letters change case: "?" and the code-page-936 characters
        // of the u-diaeresis syllables stay as they are.
        bool keepUpper = (i == 0) ? m_upperCaseFirst != 0 : m_upperCaseOthers != 0;
        out += keepUpper ? c : LowerAsciiLetter(c);
    }
    if (m_separator) out += '\'';
}

std::string CPinyinConverter::ToPinyinAnsi(const std::string& ansi) const {
    std::string out;
    const size_t n = ansi.size();
    size_t i = 0;
    while (i < n) {
        unsigned char b1 = static_cast<unsigned char>(ansi[i]);
        if (b1 < 0x80) {
            out += static_cast<char>(b1);
            if (m_separator) out += '\'';
            ++i;
            continue;
        }
        unsigned char b2 = i + 1 < n ? static_cast<unsigned char>(ansi[i + 1]) : 0;
        if (IsGb2312Byte(b1) && IsGb2312Byte(b2)) {
            AppendSyllable(PinyinOfCode((b1 - 160) * 100 + (b2 - 160)), out);
            i += 2;
        } else if (IsGbkLead(b1) && IsUpperTrail(b2)) {
            // A GBK character outside GB2312 with a trail byte of 0x80 or
            // above: dropped whole, so that its trail byte is not taken as
            // the lead of the next character.
            i += 2;
        } else {
            // Any other byte is dropped and the next one examined on its own
            // (a GBK character with an ASCII trail byte leaves that character).
            ++i;
        }
    }
    return out;
}

std::wstring CPinyinConverter::ToPinyin(const std::wstring& text) const {
    if (text.empty()) return {};
    std::string ansi = m_codePage.ToAnsi(text);
    if (ansi.empty()) return {};
    return m_codePage.FromAnsi(ToPinyinAnsi(ansi));
}

}  // namespace clientui
