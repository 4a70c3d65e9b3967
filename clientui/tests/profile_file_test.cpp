// Settings files: numbers that do not read keep their default, counts are
// bounded, texts are cut to their width, and the file becomes UTF-16 before
// the first write so that every character survives, while files of earlier
// versions in the ANSI code page still read and keep their lines.
#include <clientui/ProfileFile.h>

#include <fw/StringUtil.h>

#include <gtest/gtest.h>

#include "SettingsFolder.h"

namespace {

TEST(ProfileFile, NumbersThatDoNotReadKeepTheirDefault) {
    CSettingsFolder folder;
    const std::wstring path = folder.Path() + L"numbers.ini";
    CSettingsFolder::WriteUnicode(path,
                                  L"[s]\r\nplain=300\r\nspaced= 12 \r\nnegative=-5\r\nword=abc\r\nmixed=12abc\r\n"
                                  L"huge=99999999999\r\nempty=\r\n");
    const CProfileFile file(path);
    struct Case {
        const wchar_t* key;
        int expected;
    };
    const Case cases[] = {{L"plain", 300}, {L"spaced", 12},  {L"negative", -5}, {L"word", 77},
                          {L"mixed", 77},  {L"huge", 77},    {L"empty", 77},    {L"absent", 77}};
    for (const Case& c : cases) EXPECT_EQ(file.ReadInt(L"s", c.key, 77), c.expected) << fw::ToAnsi(c.key);
}

TEST(ProfileFile, CountsAreBounded) {
    CSettingsFolder folder;
    const std::wstring path = folder.Path() + L"counts.ini";
    CSettingsFolder::WriteUnicode(path, L"[s]\r\nbig=100000\r\nnegative=-3\r\nword=x\r\nfine=4\r\n");
    const CProfileFile file(path);
    EXPECT_EQ(file.ReadCount(L"s", L"big", 100), 100);
    EXPECT_EQ(file.ReadCount(L"s", L"negative", 100), 0);
    EXPECT_EQ(file.ReadCount(L"s", L"word", 100), 0);
    EXPECT_EQ(file.ReadCount(L"s", L"fine", 100), 4);
}

TEST(ProfileFile, TextsAreCutToTheirWidth) {
    CSettingsFolder folder;
    const std::wstring path = folder.Path() + L"texts.ini";
    const std::wstring longText(120, L'\u5B57');
    CSettingsFolder::WriteUnicode(path, L"[s]\r\nlong=" + longText + L"\r\npair=ab\U0001F600\r\n");
    const CProfileFile file(path);
    EXPECT_EQ(file.ReadText(L"s", L"long", L"", 99), std::wstring(99, L'\u5B57'));
    EXPECT_EQ(file.ReadText(L"s", L"pair", L"", 3), L"ab") << "no half surrogate pair";
    EXPECT_EQ(file.ReadText(L"s", L"absent", L"default", 31), L"default");
}

TEST(ProfileFile, NewFileIsUtf16AndKeepsCharactersOutsideTheCodePage) {
    CSettingsFolder folder;
    const std::wstring path = folder.Path() + L"new.ini";
    // Chinese, and a Korean syllable that code page 936 cannot hold.
    const std::wstring text = L"\u4F60\u597D \uD55C";
    CProfileFile file(path);
    file.WriteText(L"s", L"text", text);
    const std::string bytes = CSettingsFolder::ReadBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(CProfileFile(path).ReadText(L"s", L"text", L"", 31), text);
}

TEST(ProfileFile, AnsiFileOfAnEarlierVersionReadsAndIsConvertedOnWrite) {
    CSettingsFolder folder;
    const std::wstring path = folder.Path() + L"old.ini";
    // "你好" in code page 936, and a section the program does not know.
    CSettingsFolder::WriteBytes(path, "[s]\r\ngreeting=\xC4\xE3\xBA\xC3\r\n[other]\r\nkeep=1\r\n");
    CProfileFile file(path);
    EXPECT_EQ(file.ReadText(L"s", L"greeting", L"", 99), L"\u4F60\u597D");
    file.WriteText(L"s", L"added", L"\uD55C");
    EXPECT_EQ(CSettingsFolder::ReadBytes(path).substr(0, 2), std::string("\xFF\xFE", 2));
    const CProfileFile again(path);
    EXPECT_EQ(again.ReadText(L"s", L"greeting", L"", 99), L"\u4F60\u597D");
    EXPECT_EQ(again.ReadText(L"s", L"added", L"", 99), L"\uD55C");
    EXPECT_EQ(again.ReadInt(L"other", L"keep", 0), 1);
}

// A damaged file (zeros, or bytes that are no text of the code page) is not
// converted over itself, which would lose its bytes: it is kept aside whole
// and the write goes to a new file.
TEST(ProfileFile, ADamagedFileIsKeptAsideBeforeTheFirstWrite) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"zeros", std::string(300, '\0')},
        {"an invalid double-byte sequence", std::string("[s]\r\nk=\x81\x20\xFF\r\n")},
        {"UTF-8 mark with invalid bytes", std::string("\xEF\xBB\xBF[s]\r\nk=\xC0\xAF\r\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsFolder folder;
        const std::wstring path = folder.Path() + L"damaged.ini";
        CSettingsFolder::WriteBytes(path, c.bytes);
        CProfileFile file(path);
        file.WriteInt(L"s", L"k", 5);
        EXPECT_EQ(CSettingsFolder::ReadBytes(path + L".bad"), c.bytes) << "the damaged bytes are not kept";
        EXPECT_EQ(CSettingsFolder::ReadBytes(path).substr(0, 2), std::string("\xFF\xFE", 2));
        EXPECT_EQ(CProfileFile(path).ReadInt(L"s", L"k", 0), 5);
    }
}

TEST(ProfileFile, LineBreaksInATextCannotAddLinesToTheFile) {
    CSettingsFolder folder;
    const std::wstring path = folder.Path() + L"lines.ini";
    CProfileFile file(path);
    file.WriteText(L"s", L"reply1", L"first\r\niReplyCount=99\nlast");
    file.WriteInt(L"s", L"iReplyCount", 1);
    const CProfileFile again(path);
    EXPECT_EQ(again.ReadText(L"s", L"reply1", L"", 99), L"first  iReplyCount=99 last");
    EXPECT_EQ(again.ReadInt(L"s", L"iReplyCount", 0), 1);
}

TEST(ProfileFile, WriteIntoAMissingFolderFailsSilently) {
    CSettingsFolder folder;
    const std::wstring path = folder.Path() + L"no\\such\\file.ini";
    CProfileFile file(path);
    file.WriteInt(L"s", L"k", 1);
    EXPECT_FALSE(CSettingsFolder::Exists(path));
}

}  // namespace
