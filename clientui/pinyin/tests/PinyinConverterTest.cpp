#include "PinyinConverter.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "PinyinTable.h"
#include "SystemAnsiCodePage.h"

namespace clientui {
namespace {

// The syllables the table may use, besides the two with a diaeresis.
const char kSyllableList[] =
    "A AI AN ANG AO BA BAI BAN BANG BAO BEI BEN BENG BI BIAN BIAO BIE BIN BING BO BU CA CAI CAN "
    "CANG CAO CE CEN CENG CHA CHAI CHAN CHANG CHAO CHE CHEN CHENG CHI CHONG CHOU CHU CHUAI CHUAN "
    "CHUANG CHUI CHUN CHUO CI CONG COU CU CUAN CUI CUN CUO DA DAI DAN DANG DAO DE DENG DI DIA DIAN "
    "DIAO DIE DING DIU DONG DOU DU DUAN DUI DUN DUO E EN ER FA FAN FANG FEI FEN FENG FO FOU FU GA "
    "GAI GAN GANG GAO GE GEI GEN GENG GONG GOU GU GUA GUAI GUAN GUANG GUI GUN GUO HA HAI HAN HANG "
    "HAO HE HEI HEN HENG HONG HOU HU HUA HUAI HUAN HUANG HUI HUN HUO JI JIA JIAN JIANG JIAO JIE JIN "
    "JING JIONG JIU JU JUAN JUE JUN KA KAI KAN KANG KAO KE KEN KENG KONG KOU KU KUA KUAI KUAN KUANG "
    "KUI KUN KUO LA LAI LAN LANG LAO LE LEI LENG LI LIA LIAN LIANG LIAO LIE LIN LING LIU LONG LOU "
    "LU LUAN LUE LUN LUO M MA MAI MAN MANG MAO ME MEI MEN MENG MI MIAN MIAO MIE MIN MING MO MOU MU "
    "N NA NAI NAN NANG NAO NE NEI NEN NENG NI NIAN NIANG NIAO NIE NIN NING NIU NONG NOU NU NUAN NUE "
    "NUO O OU PA PAI PAN PANG PAO PEI PEN PENG PI PIAN PIAO PIE PIN PING PO POU PU QI QIA QIAN "
    "QIANG QIAO QIE QIN QING QIONG QIU QU QUAN QUE QUN RAN RANG RAO RE REN RENG RI RONG ROU RU RUAN "
    "RUI RUN RUO SA SAI SAN SANG SAO SE SEN SENG SHA SHAI SHAN SHANG SHAO SHE SHEN SHENG SHI SHOU "
    "SHU SHUA SHUAI SHUAN SHUANG SHUI SHUN SHUO SI SONG SOU SU SUAN SUI SUN SUO TA TAI TAN TANG TAO "
    "TE TENG TI TIAN TIAO TIE TING TONG TOU TU TUAN TUI TUN TUO WA WAI WAN WANG WEI WEN WENG WO WU "
    "XI XIA XIAN XIANG XIAO XIE XIN XING XIONG XIU XU XUAN XUE XUN YA YAN YANG YAO YE YI YIN YING "
    "YO YONG YOU YU YUAN YUE YUN ZA ZAI ZAN ZANG ZAO ZE ZEI ZEN ZENG ZHA ZHAI ZHAN ZHANG ZHAO ZHE "
    "ZHEN ZHENG ZHI ZHONG ZHOU ZHU ZHUA ZHUAI ZHUAN ZHUANG ZHUI ZHUN ZHUO ZI ZONG ZOU ZU ZUAN ZUI "
    "ZUN ZUO";

std::set<std::string> AllowedSyllables() {
    std::set<std::string> out;
    std::istringstream words(kSyllableList);
    for (std::string w; words >> w;) out.insert(w);
    out.insert("L\xA8\xB9");  // lu with a diaeresis, in code page 936
    out.insert("N\xA8\xB5");  // nu with a diaeresis and macron
    return out;
}

bool IsValidCell(int code) { return code % 100 >= 1 && code % 100 <= 94; }

// ---------------------------------------------------------------------------
// The table
// ---------------------------------------------------------------------------

struct CodeCase {
    int code;
    const char* syllable;
};

class PinyinOfCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(PinyinOfCodeTest, GivesTheSyllableOfTheCode) {
    EXPECT_STREQ(CPinyinConverter::PinyinOfCode(GetParam().code), GetParam().syllable)
        << "code " << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    Level1RangeEnds, PinyinOfCodeTest,
    ::testing::Values(CodeCase{1601, "A"}, CodeCase{1602, "A"}, CodeCase{1603, "AI"},
                      CodeCase{1615, "AI"}, CodeCase{1616, "AN"}, CodeCase{1624, "AN"},
                      CodeCase{1663, "BAN"}, CodeCase{1677, "BAN"}, CodeCase{1678, "BANG"},
                      CodeCase{1689, "BANG"}, CodeCase{1788, "BING"}, CodeCase{1794, "BING"},
                      CodeCase{1801, "BING"}, CodeCase{1802, "BING"}, CodeCase{5582, "ZUO"},
                      CodeCase{5589, "ZUO"}));

INSTANTIATE_TEST_SUITE_P(
    Level2Samples, PinyinOfCodeTest,
    ::testing::Values(CodeCase{5601, "CHU"}, CodeCase{5603, "WU"}, CodeCase{5605, "NIAN"},
                      CodeCase{5607, "PI"}, CodeCase{5608, "GEN"}));

INSTANTIATE_TEST_SUITE_P(
    Unknown, PinyinOfCodeTest,
    ::testing::Values(CodeCase{101, "?"},    // row 1: punctuation
                      CodeCase{312, "?"},    // full-width comma
                      CodeCase{333, "?"},    // full-width A
                      CodeCase{1595, "?"},   // no cell 95
                      CodeCase{5590, "?"},   // empty cells at the end of row 55
                      CodeCase{5594, "?"}, CodeCase{8795, "?"}, CodeCase{0, "?"},
                      CodeCase{-1, "?"}, CodeCase{9999, "?"}));

TEST(PinyinTableTest, Level1RangesAreAscendingAndEndAtTheNeighbours) {
    using namespace pinyin_table;
    ASSERT_GT(kLevel1RangeCount, 0u);
    EXPECT_EQ(kLevel1Ranges[0].first, kLevel1First);
    EXPECT_EQ(kLevel1Ranges[kLevel1RangeCount - 1].last, kLevel1Last);
    for (size_t i = 0; i < kLevel1RangeCount; ++i) {
        EXPECT_LE(kLevel1Ranges[i].first, kLevel1Ranges[i].last);
        EXPECT_LT(kLevel1Ranges[i].syllable, kSyllableCount);
        if (i > 0) {
            EXPECT_LT(kLevel1Ranges[i - 1].last, kLevel1Ranges[i].first);
        }
    }
    // The given ranges start and end exactly where they should.
    EXPECT_STRNE(CPinyinConverter::PinyinOfCode(1662), "BAN");
    EXPECT_STRNE(CPinyinConverter::PinyinOfCode(1690), "BANG");
    EXPECT_STRNE(CPinyinConverter::PinyinOfCode(1787), "BING");
    EXPECT_STRNE(CPinyinConverter::PinyinOfCode(1803), "BING");
    EXPECT_STRNE(CPinyinConverter::PinyinOfCode(5581), "ZUO");
}

TEST(PinyinTableTest, EveryLevel1CharacterHasAListedSyllable) {
    const std::set<std::string> allowed = AllowedSyllables();
    for (int code = pinyin_table::kLevel1First; code <= pinyin_table::kLevel1Last; ++code) {
        if (!IsValidCell(code)) continue;
        const char* s = CPinyinConverter::PinyinOfCode(code);
        EXPECT_TRUE(allowed.count(s)) << "code " << code << " gives " << s;
    }
}

TEST(PinyinTableTest, Level2UsesListedSyllablesAndKnowsMostCharacters) {
    const std::set<std::string> allowed = AllowedSyllables();
    int known = 0;
    for (int code = pinyin_table::kLevel2First; code <= pinyin_table::kLevel2Last; ++code) {
        const char* s = CPinyinConverter::PinyinOfCode(code);
        if (std::string(s) == "?") continue;
        EXPECT_TRUE(IsValidCell(code)) << code;
        EXPECT_TRUE(allowed.count(s)) << "code " << code << " gives " << s;
        ++known;
    }
    EXPECT_GE(known, 2825);
    EXPECT_LE(known, 3008);
    EXPECT_EQ(pinyin_table::kLevel2SlotCount, 3194u);
}

// ---------------------------------------------------------------------------
// ToPinyin
// ---------------------------------------------------------------------------

struct Options {
    bool separator, upperFirst, upperOthers, initials;
};
constexpr Options kDefault{false, true, true, false};
constexpr Options kInitials{false, true, true, true};
constexpr Options kSeparator{true, true, true, false};
constexpr Options kLowerOthers{false, true, false, false};
constexpr Options kLowerAll{false, false, false, false};

struct PinyinCase {
    const char* what;
    const wchar_t* text;
    Options options;
    const wchar_t* pinyin;
};

class ToPinyinTest : public ::testing::TestWithParam<PinyinCase> {
protected:
    CSystemAnsiCodePage codePage_;
};

TEST_P(ToPinyinTest, Converts) {
    const PinyinCase& c = GetParam();
    CPinyinConverter converter(codePage_);
    converter.SetSeparator(c.options.separator);
    converter.SetUpperCaseFirst(c.options.upperFirst);
    converter.SetUpperCaseOthers(c.options.upperOthers);
    converter.SetInitialsOnly(c.options.initials);
    EXPECT_EQ(converter.ToPinyin(c.text), std::wstring(c.pinyin)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToPinyinTest,
    ::testing::Values(
        PinyinCase{"full syllables", L"张三(1001)", kDefault, L"ZHANGSAN(1001)"},
        PinyinCase{"initials", L"张三(1001)", kInitials, L"ZS(1001)"},
        PinyinCase{"separator after every syllable and byte", L"张三(1001)", kSeparator,
                   L"ZHANG'SAN'('1'0'0'1')'"},
        PinyinCase{"full-width comma", L"张，三", kDefault, L"ZHANG?SAN"},
        PinyinCase{"full-width letter", L"Ａ李", kDefault, L"?LI"},
        PinyinCase{"GBK outside GB2312 with an ASCII trail byte", L"丂三", kDefault, L"@SAN"},
        PinyinCase{"GBK outside GB2312 with a high trail byte", L"仭三", kDefault, L"SAN"},
        PinyinCase{"GB2312 lead with a GBK-only trail byte", L"癅四", kDefault, L"@SI"},
        PinyinCase{"Latin name keeps its case", L"Alice Wu", kDefault, L"Alice Wu"},
        PinyinCase{"Latin name under lower-case options", L"Alice", kLowerAll, L"Alice"},
        PinyinCase{"level 2", L"亍兀", kDefault, L"CHUWU"},
        PinyinCase{"u-diaeresis syllables", L"吕女", kDefault, L"L\u00FCN\u01D6"},
        PinyinCase{"u-diaeresis initials", L"吕女", kInitials, L"LN"},
        PinyinCase{"lower-case later letters", L"张三", kLowerOthers, L"ZhangSan"},
        PinyinCase{"lower case throughout", L"张三", kLowerAll, L"zhangsan"},
        PinyinCase{"lower case leaves the unknown mark and the diaeresis", L"，吕", kLowerAll,
                   L"?l\u00FC"},
        PinyinCase{"empty", L"", kDefault, L""},
        PinyinCase{"not in the code page", L"a\u0E01b", kDefault, L"a?b"}));

TEST(ToPinyinAnsiTest, HandlesCutAndStrayBytes) {
    CSystemAnsiCodePage codePage;
    CPinyinConverter converter(codePage);
    // A lead byte at the very end, a 0x80 and a 0xFF byte are dropped.
    EXPECT_EQ(converter.ToPinyinAnsi("a\xD5\xC5\x80" "b\xFF" "c\xD5"), "aZHANGbc");
    // Row 1 (punctuation) gives the unknown mark.
    EXPECT_EQ(converter.ToPinyinAnsi("\xA1\xA1"), "?");
}

}  // namespace
}  // namespace clientui
