#include "clientui/IMUserInfoPanel.h"

#include "clientui/EngineModule.h"
#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

// The messages name the bytes that the fields keep (their NUL aside).
static_assert(CUserInfoRules::kNicknameBytes == 23 && CUserInfoRules::kRemarkBytes == 15, "the limits named");
const wchar_t CIMUserInfoPanel::kNicknameTooLong[] = L"昵称不能超过23个字符（1个汉字占2字符）！请修改。";
const wchar_t CIMUserInfoPanel::kRemarkTooLong[] = L"备注不能超过15个字符（1个汉字占2字符）！请修改。";
const wchar_t CIMUserInfoPanel::kNameTooLong[] = L"您输入的长度超出了范围，请重新输入:)";
const wchar_t CIMUserInfoPanel::kDateInFuture[] = L"输入的时间大于今天,请重新输入!";
const wchar_t CIMUserInfoPanel::kDateIncomplete[] = L"请输入正确的日期!";
const wchar_t CIMUserInfoPanel::kMobileInvalid[] = L"请输入正确的11位手机号码！";
const wchar_t CIMUserInfoPanel::kSaveOnClose[] = L"是否保存修改？";
const wchar_t CIMUserInfoPanel::kSaveOnCloseButton[] = L"刚才已经做了修改，是否保存？";
const wchar_t CIMUserInfoPanel::kSaveRemark[] = L"是否保存刚才修改的备注？";
const wchar_t CIMUserInfoPanel::kSignaturePrompt[] = L"点此输入个性签名";
const wchar_t CIMUserInfoPanel::kNoMoreInfo[] = L"暂时没有更多资料!";

namespace {

constexpr wchar_t kCaptionHint[] = L"提示";
constexpr wchar_t kCaptionSystemHint[] = L"系统提示";
constexpr wchar_t kOwnTitle[] = L"我的资料";

constexpr int kCaptionHeight = 28;
constexpr int kBottomBar = 28;
constexpr COLORREF kTitleColour = 0x141414;
constexpr COLORREF kTitleBack = 0xE1B432;
constexpr COLORREF kGradientTop = 0xECB338;
constexpr COLORREF kGradientBottom = 0xFAF3E3;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kLabelColour = 0x895935;
constexpr COLORREF kValueColour = 0x141414;
constexpr RECT kPagesRect = {2, 166, 134, 402};
constexpr int kLabelA = 150;   // first column: labels from here ...
constexpr int kFieldA = 222;   // ... controls from here
constexpr int kLabelB = 368;   // second column
constexpr int kFieldB = 424;
constexpr int kRowHeight = 20;

// Where a form control lies, with the label painted before it.
struct FormPlace {
    int id;
    int x, y, width, height;
    const wchar_t* label;  // null: none
    int labelX;
};

const FormPlace kFormPlaces[] = {
    {IDC_USERINFO_ID, kFieldA, 44, 130, kRowHeight, L"IM帐号：", kLabelA},
    {IDC_USERINFO_NICKNAME, kFieldB, 44, 150, kRowHeight, L"昵称：", kLabelB},
    {IDC_USERINFO_FULLNAME, kFieldA, 72, 130, kRowHeight, L"姓名：", kLabelA},
    {IDC_USERINFO_GENDER, kFieldB, 72, 60, 200, L"性别：", kLabelB},
    {IDC_USERINFO_AGE, kFieldA, 100, 60, 200, L"年龄：", kLabelA},
    {IDC_USERINFO_BLOOD, kFieldB, 100, 80, 200, L"血型：", kLabelB},
    {IDC_USERINFO_YEAR, kFieldA, 128, 62, 200, L"生日：", kLabelA},
    {IDC_USERINFO_MONTH, 302, 128, 46, 200, L"年", 288},
    {IDC_USERINFO_DAY, 366, 128, 46, 200, L"月", 351},
    {IDC_USERINFO_STAR, kFieldA, 156, 140, 200, L"星座：", kLabelA},
    {IDC_USERINFO_ANIMAL, kFieldB, 156, 60, 200, L"生肖：", kLabelB},
    {IDC_USERINFO_LOGIN, kFieldA, 184, 130, kRowHeight, L"登录名：", kLabelA},
    {IDC_USERINFO_EMAIL, kFieldB, 184, 150, kRowHeight, L"E-mail：", kLabelB},
    {IDC_USERINFO_DEPARTMENT, kFieldA, 212, 130, kRowHeight, L"部门：", kLabelA},
    {IDC_USERINFO_PHONE, kFieldB, 212, 150, kRowHeight, L"电话：", kLabelB},
    {IDC_USERINFO_MOBILE, kFieldA, 240, 130, kRowHeight, L"手机：", kLabelA},
    {IDC_USERINFO_REMARK, kFieldB, 240, 150, kRowHeight, L"备注：", kLabelB},
    {IDC_USERINFO_SIGNATURE, kFieldA, 268, 352, 44, L"个性签名：", kLabelA},
    {IDC_USERINFO_DESCRIPTION, kFieldA, 318, 352, 60, L"个人说明：", kLabelA},
};
// The day's label after the day box.
constexpr int kDayLabelX = 415;
// On another user's card the remark box lies here.
constexpr RECT kCardRemark = {kFieldA, 296, kFieldA + 150, 296 + kRowHeight};

// The controls that only the own profile shows.
const int kOwnOnlyControls[] = {IDC_USERINFO_ID,       IDC_USERINFO_NICKNAME, IDC_USERINFO_FULLNAME,
                                IDC_USERINFO_GENDER,   IDC_USERINFO_AGE,      IDC_USERINFO_BLOOD,
                                IDC_USERINFO_YEAR,     IDC_USERINFO_MONTH,    IDC_USERINFO_DAY,
                                IDC_USERINFO_STAR,     IDC_USERINFO_ANIMAL,   IDC_USERINFO_LOGIN,
                                IDC_USERINFO_EMAIL,    IDC_USERINFO_DEPARTMENT, IDC_USERINFO_PHONE,
                                IDC_USERINFO_MOBILE,   IDC_USERINFO_SIGNATURE, IDC_USERINFO_DESCRIPTION};

int32_t CurrentUserId() { return g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0; }

void DrawLine(HDC dc, const std::wstring& text, int x, int y, int right, COLORREF colour) {
    RECT rc = {x, y, right, y + kRowHeight};
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

CIMUserInfoPanel::CIMUserInfoPanel(UINT templateId, HINSTANCE instance, std::wstring programFolder)
    : CPanelBase(templateId, instance, std::move(programFolder)) {}

CIMUserInfoPanel::~CIMUserInfoPanel() = default;

bool CIMUserInfoPanel::CreatePanel() { return Create(nullptr); }

// ---------------------------------------------------------------------------
// Initialisation
// ---------------------------------------------------------------------------

BOOL CIMUserInfoPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    m_userSkin.Load(m_skin.GetProgramFolder());
    BindButtons();
    FillLists();

    if (m_skin.m_hIcon) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_skin.m_hIcon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_skin.m_hIcon));
    }
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_skin.m_fontNormal.Get()), FALSE);

    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(nullptr, work.left + (work.right - work.left - kWidth) / 2,
                 work.top + (work.bottom - work.top - kHeight) / 2, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls();
    ShowControlsForMode();
    return TRUE;
}

void CIMUserInfoPanel::BindButtons() {
    if (m_btnOk.SubclassDlgItem(IDC_USERINFO_OK, m_hWnd)) {
        const SkinButtonPaths& sure = m_skin.m_btnSure;
        m_btnOk.SetBitmaps(sure.normal, sure.hover, sure.pressed, sure.normal);
    }
    if (m_btnClose.SubclassDlgItem(IDC_USERINFO_CLOSE, m_hWnd)) m_btnClose.SetFont(m_skin.m_fontNormal.Get(), false);
    if (m_btnApply.SubclassDlgItem(IDC_USERINFO_APPLY, m_hWnd)) {
        const SkinButtonPaths& apply = m_userSkin.m_btnApply;
        m_btnApply.SetBitmaps(apply.normal, apply.hover, apply.pressed, apply.normal);
    }
    if (m_btnUpdate.SubclassDlgItem(IDC_USERINFO_UPDATE, m_hWnd)) {
        const SkinButtonPaths& refresh = m_userSkin.m_btnRefresh;
        m_btnUpdate.SetBitmaps(refresh.normal, refresh.hover, refresh.pressed, refresh.normal);
    }
    if (m_btnSettings.SubclassDlgItem(IDC_USERINFO_SETTINGS, m_hWnd)) {
        m_btnSettings.SetFont(m_skin.m_fontNormal.Get(), false);
        fw::CBitmap gear;
        if (CIMResourceComm::LoadBitmapFile(m_userSkin.m_strSystem, gear))
            m_btnSettings.SetBitmaps(gear.Release(), RGB(255, 255, 255));
    }
    m_pages.Attach(GetDlgItem(IDC_USERINFO_PAGES));
    if (m_pages.IsWindow()) {
        m_pages.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        m_pages.InsertColumn(0, L"", 128);
        m_pages.InsertItem(0, L"基本资料");
        m_pages.InsertItem(1, L"更多资料");
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        m_pages.SendMessage(LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void CIMUserInfoPanel::FillLists() {
    auto fill = [this](int id, const std::vector<std::wstring>& texts) {
        HWND combo = GetDlgItem(id);
        if (!combo) return;
        ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const std::wstring& text : texts)
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    };
    const UserInfoDay today = Today();
    std::vector<std::wstring> texts;
    fill(IDC_USERINFO_GENDER, {CUserInfoRules::kGenders[0], CUserInfoRules::kGenders[1]});
    for (int age = 0; age < CUserInfoRules::kAgeCount; ++age) texts.push_back(fw::FormatString(L"%d", age));
    fill(IDC_USERINFO_AGE, texts);
    texts.clear();
    for (int i = 0; i < CUserInfoRules::kYearCount; ++i)
        texts.push_back(fw::FormatString(L"%d", CUserInfoRules::YearOfIndex(i, today.year)));
    fill(IDC_USERINFO_YEAR, texts);
    texts.clear();
    for (int month = 1; month <= 12; ++month) texts.push_back(fw::FormatString(L"%d", month));
    fill(IDC_USERINFO_MONTH, texts);
    texts.clear();
    for (int day = 1; day <= 31; ++day) texts.push_back(fw::FormatString(L"%d", day));
    fill(IDC_USERINFO_DAY, texts);
    fill(IDC_USERINFO_STAR, std::vector<std::wstring>(CUserInfoRules::kStarSigns,
                                                      CUserInfoRules::kStarSigns + CUserInfoRules::kStarSignCount));
    fill(IDC_USERINFO_BLOOD, std::vector<std::wstring>(CUserInfoRules::kBloodTypes,
                                                       CUserInfoRules::kBloodTypes + CUserInfoRules::kBloodTypeCount));
    fill(IDC_USERINFO_ANIMAL,
         std::vector<std::wstring>(CUserInfoRules::kYearAnimals,
                                   CUserInfoRules::kYearAnimals + CUserInfoRules::kYearAnimalCount));
}

void CIMUserInfoPanel::PlaceControls() {
    const int w = kWidth;
    const int h = kHeight;
    for (const FormPlace& place : kFormPlaces)
        if (HWND control = GetDlgItem(place.id)) ::MoveWindow(control, place.x, place.y, place.width, place.height, TRUE);
    if (!m_bOwnUser)
        if (HWND remark = GetDlgItem(IDC_USERINFO_REMARK))
            ::MoveWindow(remark, kCardRemark.left, kCardRemark.top, kCardRemark.right - kCardRemark.left,
                         kCardRemark.bottom - kCardRemark.top, TRUE);
    if (m_pages.IsWindow())
        ::MoveWindow(m_pages.GetHwnd(), kPagesRect.left, kPagesRect.top, kPagesRect.right - kPagesRect.left,
                     kPagesRect.bottom - kPagesRect.top, TRUE);
    struct Place {
        int id, x, y, width, height;
    };
    const Place places[] = {{IDC_PANEL_CLOSE, w - 35, 1, 29, 18},
                            {IDC_PANEL_MINIMIZE, w - 57, 1, 22, 18},
                            {IDC_USERINFO_OK, w - 230, h - 24, 49, 20},
                            {IDC_USERINFO_CLOSE, w - 155, h - 24, 49, 20},
                            {IDC_USERINFO_UPDATE, w - 155, h - 24, 49, 20},
                            {IDC_USERINFO_APPLY, w - 80, h - 24, 49, 20},
                            {IDC_USERINFO_SETTINGS, 2, h - 20, 70, 20}};
    for (const Place& p : places)
        if (HWND control = GetDlgItem(p.id)) ::MoveWindow(control, p.x, p.y, p.width, p.height, TRUE);
}

// ---------------------------------------------------------------------------
// Showing a user
// ---------------------------------------------------------------------------

void CIMUserInfoPanel::ShowUser(bool ownUser, const UserInfoExt& ext, const UserInfoBase& base) {
    m_bOwnUser = ownUser;
    if (base.userId != 0) m_nUserId = base.userId;
    if (ownUser) {
        m_ownBase = base;
        m_ownExt = ext;
        m_strTitle = kOwnTitle;
    } else {
        m_peerBase = base;
        m_peerExt = ext;
        std::wstring name = fw::FromAnsiField(base.nickname);
        if (name.empty()) name = fw::FormatString(L"%d", m_nUserId);
        m_strTitle = name + L"的资料";
    }
    if (!IsWindow()) return;
    SetWindowText(m_strTitle);
    FillControls();
    PlaceControls();
    ShowControlsForMode();
    ClearChangeFlags();
    Invalidate(false);
}

bool CIMUserInfoPanel::RefreshFromEngine(bool ownUser) {
    UserInfoBase base = {};
    UserInfoExt ext = {};
    if (g_EngineModule.MGetUserInfoBase)
        if (const UserInfoBase* stored = g_EngineModule.MGetUserInfoBase(m_nUserId)) base = *stored;
    if (g_EngineModule.MGetUserInfoExt)
        if (const UserInfoExt* stored = g_EngineModule.MGetUserInfoExt(m_nUserId)) ext = *stored;
    return Refresh(ownUser, base, ext);
}

bool CIMUserInfoPanel::Refresh(bool ownUser, const UserInfoBase& base, const UserInfoExt& ext) {
    if (HasUnsavedChanges()) return false;
    UserInfoBase shown = base;
    // A user the engine does not know yet keeps its id.
    if (shown.userId != m_nUserId) shown.userId = m_nUserId;
    ShowUser(ownUser, ext, shown);
    return true;
}

void CIMUserInfoPanel::FillControls() {
    m_bFilling = true;
    const UserInfoBase& base = GetBase();
    const UserInfoExt& ext = GetExt();
    const UserInfoDay today = Today();
    SetControlText(IDC_USERINFO_ID, fw::FormatString(L"%d", m_nUserId));
    SetControlText(IDC_USERINFO_NICKNAME, fw::FromAnsiField(base.nickname));
    SetControlText(IDC_USERINFO_REMARK, fw::FromAnsiField(base.memo));
    std::wstring signature = fw::FromAnsiField(base.signature);
    if (m_bOwnUser && signature.empty() && ::GetFocus() != GetDlgItem(IDC_USERINFO_SIGNATURE))
        signature = kSignaturePrompt;
    SetControlText(IDC_USERINFO_SIGNATURE, signature);
    SetControlText(IDC_USERINFO_FULLNAME, fw::FromAnsiField(ext.fullName));
    SetControlText(IDC_USERINFO_LOGIN, fw::FromAnsiField(ext.loginName));
    for (int id : {IDC_USERINFO_DEPARTMENT, IDC_USERINFO_EMAIL, IDC_USERINFO_DESCRIPTION, IDC_USERINFO_PHONE,
                   IDC_USERINFO_MOBILE})
        SetControlText(id, std::wstring());

    SelectCombo(IDC_USERINFO_GENDER, ext.gender == 1 ? 0 : ext.gender == 0 ? 1 : -1);
    SelectCombo(IDC_USERINFO_BLOOD, ext.bloodType >= 1 && ext.bloodType <= 5 ? ext.bloodType - 1 : -1);

    const int year = ext.birthDate / 10000;
    const int month = ext.birthDate % 10000 / 100;
    const int day = ext.birthDate % 100;
    const int yearIndex = CUserInfoRules::IndexOfYear(year, today.year);
    SelectCombo(IDC_USERINFO_YEAR, yearIndex);
    SelectCombo(IDC_USERINFO_AGE, yearIndex);
    SelectCombo(IDC_USERINFO_MONTH, month >= 1 && month <= 12 ? month - 1 : -1);
    RebuildDays();
    const bool dayValid = month >= 1 && month <= 12 && day >= 1 && day <= CUserInfoRules::DaysInMonth(year, month);
    SelectCombo(IDC_USERINFO_DAY, dayValid ? day - 1 : -1);
    if (dayValid)
        SelectStarSign();
    else
        SelectCombo(IDC_USERINFO_STAR, -1);
    const std::wstring animal = CUserInfoRules::YearAnimal(year);
    int animalIndex = -1;
    for (int i = 0; i < CUserInfoRules::kYearAnimalCount && yearIndex >= 0; ++i)
        if (animal == CUserInfoRules::kYearAnimals[i]) animalIndex = i;
    SelectCombo(IDC_USERINFO_ANIMAL, animalIndex);
    m_bFilling = false;
}

void CIMUserInfoPanel::ShowControlsForMode() {
    const bool form = m_bOwnUser && m_nPage == 0;
    for (int id : kOwnOnlyControls)
        if (HWND control = GetDlgItem(id)) ::ShowWindow(control, form ? SW_SHOW : SW_HIDE);
    if (HWND remark = GetDlgItem(IDC_USERINFO_REMARK)) ::ShowWindow(remark, m_nPage == 0 ? SW_SHOW : SW_HIDE);
    if (m_btnClose.IsWindow()) m_btnClose.ShowWindow(m_bOwnUser ? SW_SHOW : SW_HIDE);
    if (m_btnUpdate.IsWindow()) m_btnUpdate.ShowWindow(m_bOwnUser ? SW_HIDE : SW_SHOW);
}

void CIMUserInfoPanel::SetPage(int page) {
    if (page == m_nPage || page < 0 || page > 1) return;
    m_nPage = page;
    ShowControlsForMode();
    Invalidate(false);
}

// ---------------------------------------------------------------------------
// Change notices
// ---------------------------------------------------------------------------

void CIMUserInfoPanel::OnEditChange(int id) {
    if (m_bFilling) return;
    switch (id) {
    case IDC_USERINFO_NICKNAME:
        m_bOwnChanged = true;
        KeepWithinField(id, CUserInfoRules::kNicknameBytes, kNicknameTooLong);
        break;
    case IDC_USERINFO_REMARK:
        if (m_bOwnUser)
            m_bOwnChanged = true;
        else
            m_bRemarkEdited = true;
        KeepWithinField(id, CUserInfoRules::kRemarkBytes, kRemarkTooLong);
        break;
    case IDC_USERINFO_FULLNAME:
        m_bOwnChanged = true;
        KeepWithinField(id, CUserInfoRules::kFullNameBytes, kNameTooLong);
        break;
    case IDC_USERINFO_MOBILE:
        m_bOwnChanged = true;
        m_bMobileEdited = true;
        break;
    case IDC_USERINFO_SIGNATURE:
        m_bOwnChanged = true;
        break;
    case IDC_USERINFO_DEPARTMENT:
    case IDC_USERINFO_EMAIL:
    case IDC_USERINFO_DESCRIPTION:
    case IDC_USERINFO_PHONE:
        m_bOwnChanged = true;
        m_bOtherEdited = true;
        break;
    default:
        break;
    }
}

void CIMUserInfoPanel::OnComboChange(int id) {
    if (m_bFilling) return;
    m_bFilling = true;  // the followers' selections are not edits of their own
    switch (id) {
    case IDC_USERINFO_AGE:
        SelectYearFollowers(ComboSelection(IDC_USERINFO_AGE));
        m_bDateEdited = true;
        break;
    case IDC_USERINFO_YEAR:
        SelectYearFollowers(ComboSelection(IDC_USERINFO_YEAR));
        m_bDateEdited = true;
        break;
    case IDC_USERINFO_MONTH:
        RebuildDays();
        SelectStarSign();
        m_bDateEdited = true;
        break;
    case IDC_USERINFO_DAY:
        SelectStarSign();
        m_bDateEdited = true;
        break;
    case IDC_USERINFO_GENDER:
    case IDC_USERINFO_BLOOD:
    case IDC_USERINFO_STAR:
    case IDC_USERINFO_ANIMAL:
        m_bOtherEdited = true;
        break;
    default:
        m_bFilling = false;
        return;
    }
    m_bOwnChanged = true;
    m_bFilling = false;
}

// An age or a birth year: the other of the two, the year animal and the
// days of the chosen month in that year.
void CIMUserInfoPanel::SelectYearFollowers(int yearIndex) {
    if (yearIndex < 0) return;
    SelectCombo(IDC_USERINFO_AGE, yearIndex);
    SelectCombo(IDC_USERINFO_YEAR, yearIndex);
    const std::wstring animal = CUserInfoRules::YearAnimal(CUserInfoRules::YearOfIndex(yearIndex, Today().year));
    int animalIndex = -1;
    for (int i = 0; i < CUserInfoRules::kYearAnimalCount; ++i)
        if (animal == CUserInfoRules::kYearAnimals[i]) animalIndex = i;
    SelectCombo(IDC_USERINFO_ANIMAL, animalIndex);
    RebuildDays();
}

void CIMUserInfoPanel::RebuildDays() {
    HWND days = GetDlgItem(IDC_USERINFO_DAY);
    if (!days) return;
    const int monthIndex = ComboSelection(IDC_USERINFO_MONTH);
    const int yearIndex = ComboSelection(IDC_USERINFO_YEAR);
    if (monthIndex < 0) return;
    const int year = yearIndex >= 0 ? CUserInfoRules::YearOfIndex(yearIndex, Today().year) : 2000;
    const int count = CUserInfoRules::DaysInMonth(year, monthIndex + 1);
    const int chosen = ComboSelection(IDC_USERINFO_DAY);
    ::SendMessageW(days, CB_RESETCONTENT, 0, 0);
    for (int day = 1; day <= count; ++day) {
        const std::wstring text = fw::FormatString(L"%d", day);
        ::SendMessageW(days, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SelectCombo(IDC_USERINFO_DAY, chosen >= 0 && chosen < count ? chosen : 0);
    SelectStarSign();
}

void CIMUserInfoPanel::SelectStarSign() {
    const int monthIndex = ComboSelection(IDC_USERINFO_MONTH);
    const int dayIndex = ComboSelection(IDC_USERINFO_DAY);
    if (monthIndex < 0 || dayIndex < 0) return;
    SelectCombo(IDC_USERINFO_STAR, CUserInfoRules::StarSignIndex(monthIndex + 1, dayIndex + 1));
}

void CIMUserInfoPanel::KeepWithinField(int id, size_t maxBytes, const wchar_t* message) {
    const std::wstring text = ControlText(id);
    if (CUserInfoRules::FitsBytes(text, maxBytes)) return;
    // What the field keeps stays in the box, the caret after it; the user
    // is told the limit.
    SetControlText(id, CUserInfoRules::CutToBytes(text, maxBytes));
    HWND box = GetDlgItem(id);
    const LRESULT end = ::GetWindowTextLengthW(box);
    ::SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), end);
    ShowMessage(message, kCaptionSystemHint, MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(box);
}

void CIMUserInfoPanel::OnSignatureClick() {
    HWND box = GetDlgItem(IDC_USERINFO_SIGNATURE);
    if (!m_bOwnUser || !box || ::GetFocus() != box) return;
    const std::wstring text = ControlText(IDC_USERINFO_SIGNATURE);
    if (text != L"0" && text != kSignaturePrompt) return;
    m_bFilling = true;
    SetControlText(IDC_USERINFO_SIGNATURE, std::wstring());
    m_bFilling = false;
}

void CIMUserInfoPanel::OnSignatureFocusLost() {
    if (!m_bOwnUser || !ControlText(IDC_USERINFO_SIGNATURE).empty()) return;
    m_bFilling = true;
    SetControlText(IDC_USERINFO_SIGNATURE, kSignaturePrompt);
    m_bFilling = false;
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

bool CIMUserInfoPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (lParam && code == EN_CHANGE) {
        OnEditChange(id);
        return true;
    }
    if (lParam && code == EN_KILLFOCUS && id == IDC_USERINFO_SIGNATURE) {
        OnSignatureFocusLost();
        return true;
    }
    if (lParam && code == CBN_SELCHANGE) {
        OnComboChange(id);
        return true;
    }
    if (lParam && code != BN_CLICKED) return CPanelBase::OnCommand(wParam, lParam);
    switch (id) {
    case IDC_USERINFO_OK:
        OnOkButton();
        return true;
    case IDC_USERINFO_CLOSE:
        OnCloseButton();
        return true;
    case IDC_USERINFO_APPLY:
        OnApplyButton();
        return true;
    case IDC_USERINFO_UPDATE:
        OnUpdateButton();
        return true;
    case IDC_USERINFO_SETTINGS:
        CPanelRegistry::GetInstance()->OpenSystemSetting();
        return true;
    case IDC_USERINFO_CANCEL:
        CloseWithQuestions();
        return true;
    case IDC_USERINFO_PICTURE:
        return true;
    default:
        // 1000 (through OnClose) and 1002 are the panel's.
        return CPanelBase::OnCommand(wParam, lParam);
    }
}

void CIMUserInfoPanel::OnOkButton() {
    if (m_bOwnUser) {
        if (m_bOwnChanged && !ApplyOwn()) return;
    } else if (m_bRemarkEdited) {
        // The remark typed on another user's card is not dropped.
        SendRemark();
    }
    ClosePanel();
}

void CIMUserInfoPanel::OnCloseButton() {
    if (m_bOwnUser && m_bOwnChanged) {
        if (ShowMessage(kSaveOnCloseButton, kCaptionHint, MB_YESNO) == IDYES && !ApplyOwn()) return;
        ClosePanel();
        return;
    }
    CloseWithQuestions();
}

void CIMUserInfoPanel::OnApplyButton() {
    if (m_bOwnUser) {
        if (m_bOwnChanged) ApplyOwn();
        return;
    }
    if (m_bRemarkEdited) SendRemark();
}

void CIMUserInfoPanel::OnUpdateButton() {
    if (g_EngineModule.MProduceUserInfo) g_EngineModule.MProduceUserInfo(m_nUserId, 3);
    ClearChangeFlags();
    RefreshFromEngine(m_bOwnUser);
}

bool CIMUserInfoPanel::OnClose() {
    CloseWithQuestions();
    return true;
}

void CIMUserInfoPanel::CloseWithQuestions() {
    if (m_bOwnUser && m_bOwnChanged) {
        if (ShowMessage(kSaveOnClose, kCaptionHint, MB_YESNO) == IDYES && !ApplyOwn()) return;
    } else if (!m_bOwnUser && m_bRemarkEdited) {
        if (ShowMessage(kSaveRemark, kCaptionHint, MB_YESNO) == IDYES) SendRemark();
    }
    ClosePanel();
}

bool CIMUserInfoPanel::ApplyOwn() {
    const UserInfoForm form = ReadForm();
    const UserInfoDay today = Today();
    if (m_bDateEdited) {
        switch (CUserInfoRules::CheckBirthDate(form, today)) {
        case CUserInfoRules::DateCheck::InFuture:
            ShowMessage(kDateInFuture, kCaptionHint, MB_OK);
            return false;
        case CUserInfoRules::DateCheck::Incomplete:
            ShowMessage(kDateIncomplete, kCaptionHint, MB_OK);
            return false;
        case CUserInfoRules::DateCheck::Ok:
            break;
        }
    }
    if (m_bMobileEdited && !CUserInfoRules::IsMobileNumberValid(ControlText(IDC_USERINFO_MOBILE))) {
        ShowMessage(kMobileInvalid, kCaptionHint, MB_OK);
        return false;
    }
    CUserInfoRules::ApplyForm(form, today.year, m_ownBase, m_ownExt);
    if (g_EngineModule.MUpdateMyInfomation) g_EngineModule.MUpdateMyInfomation(&m_ownBase, &m_ownExt);
    if (g_EngineModule.MProduceUserInfo) g_EngineModule.MProduceUserInfo(m_nUserId, 3);
    ClearChangeFlags();
    return true;
}

bool CIMUserInfoPanel::SendRemark() {
    char remark[sizeof(UserInfoBase::memo)] = {};
    fw::CopyToAnsiField(ControlText(IDC_USERINFO_REMARK), remark);
    if (!g_EngineModule.MUpdateUserMemo || g_EngineModule.MUpdateUserMemo(CurrentUserId(), m_nUserId, remark) != 1)
        return false;
    m_bRemarkEdited = false;
    std::memcpy(m_peerBase.memo, remark, sizeof remark);
    return true;
}

void CIMUserInfoPanel::ClosePanel() {
    EndDialog(IDCANCEL);
    CPanelRegistry::GetInstance()->RemovePanel(this);
}

void CIMUserInfoPanel::ClearChangeFlags() {
    m_bOwnChanged = false;
    m_bMobileEdited = false;
    m_bDateEdited = false;
    m_bRemarkEdited = false;
    m_bOtherEdited = false;
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

bool CIMUserInfoPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == IDC_USERINFO_PAGES && hdr->code == NM_CLICK) {
        const int item = reinterpret_cast<const NMITEMACTIVATE*>(hdr)->iItem;
        if (item >= 0) SetPage(item);
        *result = 0;
        return true;
    }
    return CPanelBase::OnNotify(wParam, hdr, result);
}

bool CIMUserInfoPanel::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return true;
    if (msg.message == WM_LBUTTONUP && msg.hwnd == GetDlgItem(IDC_USERINFO_SIGNATURE)) OnSignatureClick();
    return CPanelBase::PreTranslateMessage(msg);
}

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

UserInfoForm CIMUserInfoPanel::ReadForm() const {
    UserInfoForm form;
    form.nickname = ControlText(IDC_USERINFO_NICKNAME);
    form.remark = ControlText(IDC_USERINFO_REMARK);
    form.signature = ControlText(IDC_USERINFO_SIGNATURE);
    if (form.signature == kSignaturePrompt) form.signature.clear();
    form.fullName = ControlText(IDC_USERINFO_FULLNAME);
    form.gender = ComboSelection(IDC_USERINFO_GENDER);
    form.yearIndex = ComboSelection(IDC_USERINFO_YEAR);
    form.monthIndex = ComboSelection(IDC_USERINFO_MONTH);
    form.dayIndex = ComboSelection(IDC_USERINFO_DAY);
    form.bloodType = ComboSelection(IDC_USERINFO_BLOOD);
    form.dateEdited = m_bDateEdited;
    return form;
}

std::wstring CIMUserInfoPanel::ControlText(int id) const {
    HWND control = GetDlgItem(id);
    if (!control) return std::wstring();
    const int length = ::GetWindowTextLengthW(control);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int n = ::GetWindowTextW(control, buffer.data(), length + 1);
    return std::wstring(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

void CIMUserInfoPanel::SetControlText(int id, const std::wstring& text) {
    ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

int CIMUserInfoPanel::ComboSelection(int id) const {
    HWND combo = GetDlgItem(id);
    return combo ? static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)) : -1;
}

void CIMUserInfoPanel::SelectCombo(int id, int index) {
    if (HWND combo = GetDlgItem(id)) ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int CIMUserInfoPanel::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT flags) {
    return fw::ShowMessageBox(IsWindow() ? m_hWnd : nullptr, text, caption, flags);
}

UserInfoDay CIMUserInfoPanel::Today() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return UserInfoDay{now.wYear, now.wMonth, now.wDay};
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

bool CIMUserInfoPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    HDC dc = paint;
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    {
        fw::CMemoryDC memory(dc, w, h);
        if (memory.IsValid()) {
            DrawBitmapTiled(m_skin.m_bmpTitle, memory, 0, 0, w, kCaptionHeight);
            if (m_skin.m_hIcon) ::DrawIconEx(memory, 5, 5, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
            DrawGradientRect({0, kCaptionHeight, w, kCaptionHeight + 60}, kGradientTop, kWhite, memory);
            DrawGradientRect({0, kCaptionHeight + 60, w, h}, kWhite, kGradientBottom, memory);
            DrawBitmapAt(memory, m_userSkin.m_bmpPicture, 20, 40);

            const int oldMode = ::SetBkMode(memory, TRANSPARENT);
            const COLORREF oldBack = ::SetBkColor(memory, kTitleBack);
            const HGDIOBJ oldFont = ::SelectObject(memory, m_skin.m_fontNormal.Get());
            RECT title = {25, 4, 185, 20};
            ::SetTextColor(memory, kTitleColour);
            ::DrawTextW(memory, m_strTitle.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
            if (m_nPage == 1)
                DrawLine(memory, kNoMoreInfo, kLabelA, 44, w - 10, kValueColour);
            else if (m_bOwnUser)
                PaintFormLabels(memory);
            else
                PaintCard(memory);
            ::SelectObject(memory, oldFont);
            ::SetBkColor(memory, oldBack);
            ::SetBkMode(memory, oldMode);

            DrawBitmapTiled(m_userSkin.m_bmpBottom, memory, 0, h - kBottomBar, w, h);
            // The navigation list paints itself.
            ::ExcludeClipRect(dc, kPagesRect.left, kPagesRect.top, kPagesRect.right, kPagesRect.bottom);
            memory.CopyTo(dc);
        }
    }
    DrawPanelFrame(dc, m_hWnd);
    return true;
}

void CIMUserInfoPanel::PaintFormLabels(HDC dc) {
    for (const FormPlace& place : kFormPlaces) {
        const int right = place.labelX < place.x ? place.x - 2 : place.labelX + 60;
        DrawLine(dc, place.label, place.labelX, place.y, right, kLabelColour);
    }
    DrawLine(dc, L"日", kDayLabelX, 128, kDayLabelX + 16, kLabelColour);
}

void CIMUserInfoPanel::PaintCard(HDC dc) {
    const UserInfoBase& base = m_peerBase;
    const UserInfoExt& ext = m_peerExt;
    const int year = ext.birthDate / 10000;
    const int month = ext.birthDate % 10000 / 100;
    const int day = ext.birthDate % 100;
    const bool dated = year > 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
    // An extended record of zeros is one the engine has not received.
    static const UserInfoExt kNoExt = {};
    const bool known = std::memcmp(&ext, &kNoExt, sizeof ext) != 0;
    const std::wstring gender = !known            ? L""
                                : ext.gender == 1 ? CUserInfoRules::kGenders[0]
                                : ext.gender == 0 ? CUserInfoRules::kGenders[1]
                                                  : L"";
    const std::wstring blood =
        ext.bloodType >= 1 && ext.bloodType <= 5 ? CUserInfoRules::kBloodTypes[ext.bloodType - 1] : L"";

    const HGDIOBJ oldFont = ::SelectObject(dc, m_skin.m_fontBold.Get());
    DrawLine(dc, fw::FromAnsiField(base.nickname), kLabelA, 44, kWidth - 10, kValueColour);
    ::SelectObject(dc, oldFont);

    struct CardLine {
        const wchar_t* label;
        std::wstring value;
        int x, y;
    };
    const CardLine lines[] = {
        {L"IM帐号：", fw::FormatString(L"%d", m_nUserId), kLabelA, 72},
        {L"登录名：", fw::FromAnsiField(ext.loginName), kLabelB, 72},
        {L"性别：", gender, kLabelA, 100},
        {L"年龄：", dated ? fw::FormatString(L"%d", Today().year - year) : std::wstring(), kLabelB, 100},
        {L"生日：", dated ? fw::FormatString(L"%d年%d月%d日", year, month, day) : std::wstring(), kLabelA, 128},
        {L"生肖：", dated ? CUserInfoRules::YearAnimal(year) : std::wstring(), kLabelB, 128},
        {L"星座：", dated ? CUserInfoRules::kStarSigns[CUserInfoRules::StarSignIndex(month, day)] : L"", kLabelA, 156},
        {L"血型：", blood, kLabelB, 156},
        {L"E-mail：", std::wstring(), kLabelA, 184},
    };
    for (const CardLine& line : lines) {
        DrawLine(dc, line.label, line.x, line.y, line.x + 70, kLabelColour);
        DrawLine(dc, line.value, line.x + 72, line.y, line.x + 210, kValueColour);
    }
    DrawLine(dc, L"个性签名：", kLabelA, 212, kLabelA + 70, kLabelColour);
    const std::wstring signature = fw::FromAnsiField(base.signature);
    RECT text = {kFieldA, 214, kWidth - 14, 290};
    ::SetTextColor(dc, kValueColour);
    ::DrawTextW(dc, signature.c_str(), -1, &text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
    DrawLine(dc, L"备注：", kLabelA, kCardRemark.top, kLabelA + 70, kLabelColour);
}
