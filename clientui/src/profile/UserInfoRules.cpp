#include "clientui/UserInfoRules.h"

#include "fw/StringUtil.h"

const wchar_t* const CUserInfoRules::kStarSigns[kStarSignCount] = {
    L"摩羯座(12.22~1.19)", L"水瓶座(1.20~2.18)",  L"双鱼座(2.19~3.20)",   L"白羊座(3.21~4.19)",
    L"金牛座(4.20~5.20)",  L"双子座(5.21~6.21)",  L"巨蟹座(6.22~7.22)",   L"狮子座(7.23~8.22)",
    L"处女座(8.23~9.22)",  L"天枰座(9.23~10.23)", L"天蝎座(10.24~11.22)", L"射手座(11.23~12.21)"};

const wchar_t* const CUserInfoRules::kYearAnimals[kYearAnimalCount] = {L"鼠", L"牛", L"虎", L"兔", L"龙", L"蛇",
                                                                       L"马", L"羊", L"猴", L"鸡", L"狗", L"猪"};

const wchar_t* const CUserInfoRules::kBloodTypes[kBloodTypeCount] = {L"A型", L"B型", L"AB型", L"O型", L"其他"};

const wchar_t* const CUserInfoRules::kGenders[2] = {L"男", L"女"};

int CUserInfoRules::StarSignIndex(int month, int day) {
    // The first day value of each sign from the second on (day + 31 * month).
    static const int kStarts[] = {51, 81, 114, 144, 176, 208, 240, 271, 302, 334, 364, 394};
    const int value = day + 31 * month;
    for (int sign = 1; sign < kStarSignCount; ++sign)
        if (value >= kStarts[sign - 1] && value < kStarts[sign]) return sign;
    return 0;
}

std::wstring CUserInfoRules::YearAnimal(int year) {
    if (year == 1911) return kYearAnimals[kYearAnimalCount - 1];
    const int rest = (year - 1912) % 12;
    if (rest < 0) return std::wstring();
    return kYearAnimals[rest];
}

bool CUserInfoRules::IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int CUserInfoRules::DaysInMonth(int year, int month) {
    switch (month) {
    case 2:
        return IsLeapYear(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

bool CUserInfoRules::FitsBytes(const std::wstring& text, size_t maxBytes) { return fw::AnsiLength(text) <= maxBytes; }

std::wstring CUserInfoRules::CutToBytes(const std::wstring& text, size_t maxBytes) {
    if (FitsBytes(text, maxBytes)) return text;
    // The bytes grow with the length of the start: the longest start that
    // fits, found by halving.
    size_t fits = 0, tooLong = text.size();
    while (tooLong - fits > 1) {
        const size_t middle = fits + (tooLong - fits) / 2;
        if (FitsBytes(text.substr(0, middle), maxBytes))
            fits = middle;
        else
            tooLong = middle;
    }
    // Never half of a surrogate pair.
    if (fits > 0 && text[fits - 1] >= 0xD800 && text[fits - 1] <= 0xDBFF) --fits;
    return text.substr(0, fits);
}

bool CUserInfoRules::IsMobileNumberValid(const std::wstring& text) { return text.empty() || text.size() == 11; }

CUserInfoRules::DateCheck CUserInfoRules::CheckBirthDate(const UserInfoForm& form, const UserInfoDay& today) {
    if (form.yearIndex < 0 || form.monthIndex < 0 || form.dayIndex < 0) return DateCheck::Incomplete;
    const int year = YearOfIndex(form.yearIndex, today.year);
    const int month = form.monthIndex + 1;
    const int day = form.dayIndex + 1;
    if (day > DaysInMonth(year, month)) return DateCheck::Incomplete;
    if (year > today.year) return DateCheck::InFuture;
    if (year == today.year && (month > today.month || (month == today.month && day > today.day)))
        return DateCheck::InFuture;
    return DateCheck::Ok;
}

int CUserInfoRules::IndexOfYear(int year, int currentYear) {
    const int index = currentYear - year;
    return index >= 0 && index < kYearCount ? index : -1;
}

void CUserInfoRules::ApplyForm(const UserInfoForm& form, int currentYear, UserInfoBase& base, UserInfoExt& ext) {
    fw::CopyToAnsiField(form.nickname, base.nickname);
    fw::CopyToAnsiField(form.remark, base.memo);
    fw::CopyToAnsiField(form.signature, base.signature);
    fw::CopyToAnsiField(form.fullName, ext.fullName);
    if (form.gender == 0 || form.gender == 1) ext.gender = form.gender == 0 ? 1 : 0;
    if (form.bloodType >= 0 && form.bloodType < kBloodTypeCount) ext.bloodType = form.bloodType + 1;
    if (form.dateEdited && form.yearIndex >= 0 && form.monthIndex >= 0 && form.dayIndex >= 0)
        ext.birthDate = YearOfIndex(form.yearIndex, currentYear) * 10000 + (form.monthIndex + 1) * 100 +
                        (form.dayIndex + 1);
}
