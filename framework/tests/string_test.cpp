// Wide formatting and the ANSI boundary (the tests run with code page 936).
#include <fw/StringUtil.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StringUtil, TestsRunWithTheChineseCodePage) { ASSERT_EQ(::GetACP(), 936u); }

TEST(StringUtil, FormatNamesTheArgumentWidth) {
    EXPECT_EQ(fw::FormatString(L"%lsDLL%d", L"\u5904\u7406", 7), L"\u5904\u7406DLL7");
    EXPECT_EQ(fw::FormatString(L"[%hs]", "abc"), L"[abc]");
    EXPECT_EQ(fw::FormatString(L"%04d", 12), L"0012");
    const std::wstring longText(5000, L'x');
    EXPECT_EQ(fw::FormatString(L"%ls!", longText.c_str()), longText + L"!");
}

TEST(StringUtil, AnsiRoundTrip) {
    const std::wstring text = L"\u5728\u7EBF ok";  // "online ok"
    const std::string ansi = fw::ToAnsi(text);
    EXPECT_EQ(ansi, std::string("\xD4\xDA\xCF\xDF ok"));
    EXPECT_EQ(fw::FromAnsi(ansi), text);
    EXPECT_EQ(fw::AnsiLength(text), 7u);
    EXPECT_EQ(fw::ToAnsi(L""), "");
}

TEST(StringUtil, CutsOnCharacterBoundaries) {
    const std::string ansi = fw::ToAnsi(L"ab\u5728\u7EBF");  // 2 + 2 + 2 bytes
    struct Case {
        size_t max;
        const char* expected;
    };
    const Case cases[] = {{0, ""}, {2, "ab"}, {3, "ab"}, {4, "ab\xD4\xDA"}, {5, "ab\xD4\xDA"}, {6, "ab\xD4\xDA\xCF\xDF"}, {99, "ab\xD4\xDA\xCF\xDF"}};
    for (const Case& c : cases) EXPECT_EQ(fw::CutAnsi(ansi, c.max), c.expected) << c.max;

    const std::wstring pair = L"a\U0001F600b";  // a surrogate pair in the middle
    EXPECT_EQ(fw::CutWide(pair, 2), L"a");
    EXPECT_EQ(fw::CutWide(pair, 3), L"a\U0001F600");
}

TEST(StringUtil, FixedFieldsKeepWholeCharactersAndEndInNul) {
    struct Case {
        size_t fieldSize;
        size_t written;
    };
    // "ab" + two double-byte characters = 6 bytes of text.
    const Case cases[] = {{1, 0}, {4, 2}, {5, 4}, {6, 4}, {7, 6}, {16, 6}};
    for (const Case& c : cases) {
        char field[16];
        std::memset(field, 'X', sizeof field);
        EXPECT_EQ(fw::CopyToAnsiField(L"ab\u5728\u7EBF", field, c.fieldSize), c.written) << c.fieldSize;
        for (size_t i = c.written; i < c.fieldSize; ++i) EXPECT_EQ(field[i], 0) << c.fieldSize << " at " << i;
        EXPECT_EQ(field[c.fieldSize < 16 ? c.fieldSize : 15], c.fieldSize < 16 ? 'X' : 0) << "stays in the field";
    }
    // Reading a field never runs past it, NUL or not.
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(fw::FromAnsiField(full), L"abcd");
    const char shortField[8] = "\xD4\xDA";
    EXPECT_EQ(fw::FromAnsiField(shortField), L"\u5728");

    wchar_t wide[4];
    EXPECT_EQ(fw::CopyToWideField(L"abcdef", wide, 4), 3u);
    EXPECT_STREQ(wide, L"abc");
}

}  // namespace
