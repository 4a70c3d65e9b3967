// The profile panel's rules without a window: star signs at their
// boundaries, year animals, leap days, the byte limits of double-byte text
// (ANSI code page 936 under the test's Wine), the checks before sending and
// how the form goes into the records.
#include "clientui/UserInfoRules.h"

#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::wstring StarSign(int month, int day) { return CUserInfoRules::kStarSigns[CUserInfoRules::StarSignIndex(month, day)]; }

}  // namespace

TEST(UserInfoRules, StarSignsAtTheirBoundaries) {
    struct Case {
        int month, day;
        const wchar_t* sign;
    };
    const Case cases[] = {
        {1, 1, L"摩羯座(12.22~1.19)"},   {1, 19, L"摩羯座(12.22~1.19)"},  {1, 20, L"水瓶座(1.20~2.18)"},
        {2, 18, L"水瓶座(1.20~2.18)"},   {2, 19, L"双鱼座(2.19~3.20)"},   {3, 20, L"双鱼座(2.19~3.20)"},
        {3, 21, L"白羊座(3.21~4.19)"},   {4, 19, L"白羊座(3.21~4.19)"},   {4, 20, L"金牛座(4.20~5.20)"},
        {5, 20, L"金牛座(4.20~5.20)"},   {5, 21, L"双子座(5.21~6.21)"},   {6, 21, L"双子座(5.21~6.21)"},
        {6, 22, L"巨蟹座(6.22~7.22)"},   {7, 22, L"巨蟹座(6.22~7.22)"},   {7, 23, L"狮子座(7.23~8.22)"},
        {8, 22, L"狮子座(7.23~8.22)"},   {8, 23, L"处女座(8.23~9.22)"},   {9, 22, L"处女座(8.23~9.22)"},
        {9, 23, L"天枰座(9.23~10.23)"},  {10, 23, L"天枰座(9.23~10.23)"}, {10, 24, L"天蝎座(10.24~11.22)"},
        {11, 22, L"天蝎座(10.24~11.22)"}, {11, 23, L"射手座(11.23~12.21)"}, {12, 21, L"射手座(11.23~12.21)"},
        {12, 22, L"摩羯座(12.22~1.19)"}, {12, 31, L"摩羯座(12.22~1.19)"},
    };
    for (const Case& c : cases) EXPECT_EQ(StarSign(c.month, c.day), c.sign) << c.month << "." << c.day;
}

TEST(UserInfoRules, YearAnimals) {
    const std::pair<int, const wchar_t*> cases[] = {
        {1911, L"猪"}, {1912, L"鼠"}, {1923, L"猪"}, {1924, L"鼠"}, {1925, L"牛"},
        {1988, L"龙"}, {2000, L"龙"}, {2026, L"马"}, {1910, L""},   {1901, L""},
        {1900, L"鼠"},  // a remainder of 0
    };
    for (const auto& c : cases) EXPECT_EQ(CUserInfoRules::YearAnimal(c.first), c.second) << c.first;
}

TEST(UserInfoRules, DaysOfAMonth) {
    struct Case {
        int year, month, days;
    };
    const Case cases[] = {{2024, 2, 29}, {2023, 2, 28}, {2000, 2, 29}, {1900, 2, 28}, {2100, 2, 28},
                          {2026, 1, 31}, {2026, 4, 30}, {2026, 6, 30}, {2026, 9, 30}, {2026, 11, 30},
                          {2026, 12, 31}};
    for (const Case& c : cases) EXPECT_EQ(CUserInfoRules::DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
}

// The texts are checked against the bytes their fields keep (less the NUL);
// a Chinese character takes two.
TEST(UserInfoRules, ByteLimitsOfDoubleByteText) {
    ASSERT_EQ(fw::AnsiLength(L"中"), 2u) << "the test needs the ANSI code page 936";
    struct Case {
        std::wstring text;
        size_t limit;
        bool fits;
    };
    const Case cases[] = {
        {std::wstring(23, L'a'), CUserInfoRules::kNicknameBytes, true},
        {std::wstring(24, L'a'), CUserInfoRules::kNicknameBytes, false},
        {std::wstring(11, L'中') + L"a", CUserInfoRules::kNicknameBytes, true},  // 23 bytes
        {std::wstring(12, L'中'), CUserInfoRules::kNicknameBytes, false},        // 24 bytes
        {std::wstring(7, L'中') + L"a", CUserInfoRules::kRemarkBytes, true},     // 15 bytes
        {std::wstring(8, L'中'), CUserInfoRules::kRemarkBytes, false},           // 16 bytes
        {std::wstring(5, L'中') + L"a", CUserInfoRules::kFullNameBytes, true},   // 11 bytes
        {std::wstring(6, L'中'), CUserInfoRules::kFullNameBytes, false},         // 12 bytes
    };
    for (const Case& c : cases) EXPECT_EQ(CUserInfoRules::FitsBytes(c.text, c.limit), c.fits) << fw::ToAnsi(c.text);

    // A text too long is cut to the longest start of whole characters that fits.
    struct Cut {
        std::wstring text;
        size_t limit;
        std::wstring kept;
    };
    const Cut cuts[] = {
        {L"小明", CUserInfoRules::kNicknameBytes, L"小明"},
        {std::wstring(30, L'a'), CUserInfoRules::kNicknameBytes, std::wstring(23, L'a')},
        {L"a" + std::wstring(12, L'中'), CUserInfoRules::kNicknameBytes, L"a" + std::wstring(11, L'中')},
        {L"ab" + std::wstring(11, L'中'), CUserInfoRules::kNicknameBytes, L"ab" + std::wstring(10, L'中')},
        {std::wstring(8, L'中') + L"a", CUserInfoRules::kRemarkBytes, std::wstring(7, L'中')},
        {L"中", 1, L""},
    };
    for (const Cut& c : cuts) EXPECT_EQ(CUserInfoRules::CutToBytes(c.text, c.limit), c.kept) << fw::ToAnsi(c.text);
}

TEST(UserInfoRules, BirthDateAndMobileChecks) {
    const UserInfoDay today = {2026, 12, 10};
    struct Case {
        int yearIndex, monthIndex, dayIndex;
        CUserInfoRules::DateCheck check;
    };
    using Check = CUserInfoRules::DateCheck;
    const Case cases[] = {
        {0, 11, 9, Check::Ok},           // born today
        {0, 11, 10, Check::InFuture},    // tomorrow
        {0, 11, 30, Check::InFuture},
        {1, 11, 30, Check::Ok},          // last year's 31 December
        {0, 10, 30, Check::Incomplete},  // 31 November does not exist
        {2, 1, 28, Check::Ok},           // 29 February 2024
        {3, 1, 28, Check::Incomplete},   // 29 February 2023
        {-1, 1, 1, Check::Incomplete},
        {5, -1, 1, Check::Incomplete},
        {5, 1, -1, Check::Incomplete},
    };
    for (const Case& c : cases) {
        UserInfoForm form;
        form.yearIndex = c.yearIndex;
        form.monthIndex = c.monthIndex;
        form.dayIndex = c.dayIndex;
        EXPECT_EQ(CUserInfoRules::CheckBirthDate(form, today), c.check)
            << c.yearIndex << " " << c.monthIndex << " " << c.dayIndex;
    }
    EXPECT_TRUE(CUserInfoRules::IsMobileNumberValid(L""));
    EXPECT_TRUE(CUserInfoRules::IsMobileNumberValid(L"13800138000"));
    EXPECT_FALSE(CUserInfoRules::IsMobileNumberValid(L"1380013800"));   // 10 digits
    EXPECT_FALSE(CUserInfoRules::IsMobileNumberValid(L"138001380001"));
    EXPECT_EQ(CUserInfoRules::IndexOfYear(2026, 2026), 0);
    EXPECT_EQ(CUserInfoRules::IndexOfYear(1926, 2026), 100);
    EXPECT_EQ(CUserInfoRules::IndexOfYear(1925, 2026), -1);
    EXPECT_EQ(CUserInfoRules::IndexOfYear(2027, 2026), -1);
}

TEST(UserInfoRules, FormIntoTheRecords) {
    UserInfoBase base = {};
    UserInfoExt ext = {};
    base.userId = 50001;
    base.status = STATUS_BUSY;
    std::strcpy(base.category, "team");
    ext.gender = 0;
    ext.birthDate = 19880312;
    ext.bloodType = 1;
    std::strcpy(ext.loginName, "linxiao@qorvane");

    // Nothing chosen and the date not edited: only the texts change; they
    // are cut on a character boundary to what their fields keep.
    UserInfoForm form;
    form.nickname = std::wstring(13, L'中');  // 26 bytes: 11 characters are kept
    form.remark = L"备注";
    form.signature = std::wstring(200, L'签');
    form.fullName = L"林晓晓晓晓晓";  // 12 bytes: 5 characters are kept
    CUserInfoRules::ApplyForm(form, 2026, base, ext);
    EXPECT_EQ(fw::FromAnsiField(base.nickname), std::wstring(11, L'中'));
    EXPECT_EQ(fw::FromAnsiField(base.memo), L"备注");
    EXPECT_EQ(fw::FromAnsiField(base.signature), std::wstring(127, L'签'));
    EXPECT_EQ(fw::FromAnsiField(ext.fullName), L"林晓晓晓晓");
    EXPECT_EQ(ext.gender, 0);
    EXPECT_EQ(ext.birthDate, 19880312);
    EXPECT_EQ(ext.bloodType, 1);
    EXPECT_EQ(base.userId, 50001);
    EXPECT_EQ(base.status, STATUS_BUSY);
    EXPECT_STREQ(base.category, "team");
    EXPECT_STREQ(ext.loginName, "linxiao@qorvane");

    // Chosen values go in; a chosen date only when it was edited.
    form.gender = 0;         // "男"
    form.bloodType = 2;      // "AB型"
    form.yearIndex = 36;     // 1990
    form.monthIndex = 1;
    form.dayIndex = 27;
    CUserInfoRules::ApplyForm(form, 2026, base, ext);
    EXPECT_EQ(ext.gender, 1);
    EXPECT_EQ(ext.bloodType, 3);
    EXPECT_EQ(ext.birthDate, 19880312);
    form.dateEdited = true;
    CUserInfoRules::ApplyForm(form, 2026, base, ext);
    EXPECT_EQ(ext.birthDate, 19900228);
    form.gender = 1;  // "女"
    CUserInfoRules::ApplyForm(form, 2026, base, ext);
    EXPECT_EQ(ext.gender, 0);
}
