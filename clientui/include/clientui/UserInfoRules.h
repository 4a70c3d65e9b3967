// CUserInfoRules: the rules of the profile panel without its window: the
// lists of its combo boxes, the star sign of a day, the year animal of a
// year, the days of a month, the byte limits of the texts kept in the
// records, the checks before the own profile is sent, and how the form's
// values go into the two records.
//
// Texts are kept in fixed 8-bit fields (ANSI code page, NUL-terminated):
// a text that needs more bytes than the field keeps is cut to what it
// keeps, on a character boundary, in the form and when written.
#pragma once

#include <ImEngineApi.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The values of the form of the own profile. Indexes are those of the
// combo boxes; -1 stands for no selection.
struct UserInfoForm {
    std::wstring nickname;
    std::wstring remark;
    std::wstring signature;
    std::wstring fullName;
    int gender = -1;     // 0 "男", 1 "女"
    int yearIndex = -1;  // 0: the current year, n: the current year - n
    int monthIndex = -1;
    int dayIndex = -1;
    int bloodType = -1;  // 0 "A型" .. 4 "其他"
    bool dateEdited = false;
};

// Today, as the checks see it.
struct UserInfoDay {
    int year = 0;
    int month = 0;
    int day = 0;
};

class CUserInfoRules {
public:
    static constexpr int kStarSignCount = 12;
    static constexpr int kYearAnimalCount = 12;
    static constexpr int kBloodTypeCount = 5;
    static constexpr int kAgeCount = 101;   // ages 0 .. 100
    static constexpr int kYearCount = 101;  // the current year down to 100 years before

    // Bytes kept of each text (its field less the NUL).
    static constexpr size_t kNicknameBytes = sizeof(UserInfoBase::nickname) - 1;
    static constexpr size_t kRemarkBytes = sizeof(UserInfoBase::memo) - 1;
    static constexpr size_t kSignatureBytes = sizeof(UserInfoBase::signature) - 1;
    static constexpr size_t kFullNameBytes = sizeof(UserInfoExt::fullName) - 1;

    static const wchar_t* const kStarSigns[kStarSignCount];
    static const wchar_t* const kYearAnimals[kYearAnimalCount];
    static const wchar_t* const kBloodTypes[kBloodTypeCount];
    static const wchar_t* const kGenders[2];

    // The star sign of a day (month 1 .. 12, day 1 .. 31), counted from 0
    // in the order of kStarSigns.
    static int StarSignIndex(int month, int day);
    // The year animal of a year: 1911 "猪", from 1912 on the animals in
    // their order; empty before 1911.
    static std::wstring YearAnimal(int year);
    static bool IsLeapYear(int year);
    // 28, 29, 30 or 31; 31 for a month outside 1 .. 12.
    static int DaysInMonth(int year, int month);

    // Whether text fits maxBytes bytes in the ANSI code page.
    static bool FitsBytes(const std::wstring& text, size_t maxBytes);
    // The longest start of text, of whole characters, that fits maxBytes
    // bytes in the ANSI code page (text itself when it fits).
    static std::wstring CutToBytes(const std::wstring& text, size_t maxBytes);
    // A mobile number is empty or exactly 11 characters.
    static bool IsMobileNumberValid(const std::wstring& text);

    enum class DateCheck { Ok, InFuture, Incomplete };
    // The birth date chosen in the form: no year, month or day is
    // Incomplete; a day after today is InFuture.
    static DateCheck CheckBirthDate(const UserInfoForm& form, const UserInfoDay& today);
    // The year of a year index.
    static int YearOfIndex(int yearIndex, int currentYear) { return currentYear - yearIndex; }
    // The year index of a year; -1 outside the list.
    static int IndexOfYear(int year, int currentYear);

    // The form into the records: the texts cut to what their fields keep;
    // the gender, the blood type and the birth date only when chosen (the
    // date also only when it was edited); everything else unchanged.
    static void ApplyForm(const UserInfoForm& form, int currentYear, UserInfoBase& base, UserInfoExt& ext);
};
