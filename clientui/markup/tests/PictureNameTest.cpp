// The one file-name rule of picture tags, picture jobs and file offers.
#include "PictureName.h"

#include <gtest/gtest.h>

#include <string>

#include "MessageMarkup.h"
#include "SystemAnsiCodePage.h"

namespace clientui {
namespace {

TEST(FileNameRule, PlainNamesPassAndEverythingThatIsNoneIsNamed) {
    const CSystemAnsiCodePage codePage;
    const struct {
        const wchar_t* name;
        FileNameProblem problem;
    } cases[] = {
        {L"1210ABCDEF.JPG", FileNameProblem::None},
        {L"\u62A5\u544A.doc", FileNameProblem::None},  // a Chinese name
        // ".." inside a name is part of the name, not a way out of the folder.
        {L"report..v2.doc", FileNameProblem::None},
        {L"a..b.gif", FileNameProblem::None},
        {L"..hidden", FileNameProblem::None},
        {L".profile", FileNameProblem::None},
        {L"", FileNameProblem::Empty},
        {L".", FileNameProblem::PathComponent},
        {L"..", FileNameProblem::PathComponent},
        {L"..\\evil.jpg", FileNameProblem::ForbiddenCharacter},
        {L"../evil.jpg", FileNameProblem::ForbiddenCharacter},
        {L"a\\b.jpg", FileNameProblem::ForbiddenCharacter},
        {L"C:evil.jpg", FileNameProblem::ForbiddenCharacter},
        {L"tab\there", FileNameProblem::ForbiddenCharacter},
        {L"a*b", FileNameProblem::ForbiddenCharacter},
        {L"a?b", FileNameProblem::ForbiddenCharacter},
        {L"a|b", FileNameProblem::ForbiddenCharacter},
        {L"a\"b", FileNameProblem::ForbiddenCharacter},
        {L"a<b>", FileNameProblem::ForbiddenCharacter},
        {L"name.", FileNameProblem::TrailingDotOrSpace},
        {L"name ", FileNameProblem::TrailingDotOrSpace},
        {L"CON", FileNameProblem::DeviceName},
        {L"nul.txt", FileNameProblem::DeviceName},
        {L"com7.log", FileNameProblem::DeviceName},
        {L"LPT1 .doc", FileNameProblem::DeviceName},
        {L"COM0.txt", FileNameProblem::None},
        {L"console.txt", FileNameProblem::None},
        // Outside code page 936: the name would arrive as another one.
        {L"\uD55C\uAE00.jpg", FileNameProblem::NotInCodePage},
        {L"\U0001F600.gif", FileNameProblem::NotInCodePage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        EXPECT_EQ(CheckFileName(c.name, codePage, markup::kMaxPictureNameBytes), c.problem);
        EXPECT_EQ(IsSafePictureName(c.name, codePage), c.problem == FileNameProblem::None);
    }
}

TEST(FileNameRule, TheLengthCountsAnsiBytes) {
    const CSystemAnsiCodePage codePage;
    EXPECT_TRUE(IsSafePictureName(std::wstring(63, L'a'), codePage));
    EXPECT_FALSE(IsSafePictureName(std::wstring(64, L'a'), codePage));
    // A Chinese character is two bytes.
    EXPECT_TRUE(IsSafePictureName(std::wstring(31, L'\u6587') + L"a", codePage));
    EXPECT_EQ(CheckFileName(std::wstring(32, L'\u6587'), codePage, 63), FileNameProblem::TooLong);
    EXPECT_EQ(CheckFileName(std::wstring(30, L'\u6587'), codePage, 59), FileNameProblem::TooLong);
    EXPECT_EQ(CheckFileName(std::wstring(29, L'\u6587') + L"a", codePage, 59), FileNameProblem::None);
}

}  // namespace
}  // namespace clientui
