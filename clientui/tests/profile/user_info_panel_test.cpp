// The profile panel as a window (template 146 from clientui/res) with a
// fake engine in g_EngineModule and the message boxes caught by a sink: the
// checks of the own form and what applying sends, the remark of another
// user's card, and the questions on closing. The controls are changed the
// way the dialog manager reports changes (text set, CBN_SELCHANGE, button
// commands): this tests the panel's decisions, not input.
#include "clientui/EngineModule.h"
#include "clientui/IMUserInfoPanel.h"

#include "fw/GdiPlusSession.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t kSelf = 50001;
constexpr int32_t kPeer = 60003;

struct FakeEngine {
    std::vector<std::pair<UserInfoBase, UserInfoExt>> myInfo;
    std::vector<std::pair<int, int>> produced;
    struct Memo {
        int first, second;
        std::string text;
    };
    std::vector<Memo> memos;
};
FakeEngine* g_fake = nullptr;

int FakeCurUserID() { return kSelf; }
int FakeUpdateMyInfomation(const UserInfoBase* base, const UserInfoExt* ext) {
    g_fake->myInfo.push_back({*base, *ext});
    return 1;
}
int FakeProduceUserInfo(int id, int kind) {
    g_fake->produced.push_back({id, kind});
    return 1;
}
int FakeUpdateUserMemo(int first, int second, const char* memo) {
    g_fake->memos.push_back({first, second, memo});
    return 1;
}

struct Box {
    std::wstring text, caption;
};

class UserInfoPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_gdiplus.Start();
        g_fake = &fake;
        m_savedEngine = g_EngineModule;
        g_EngineModule.MGetCurUserID = FakeCurUserID;
        g_EngineModule.MUpdateMyInfomation = FakeUpdateMyInfomation;
        g_EngineModule.MProduceUserInfo = FakeProduceUserInfo;
        g_EngineModule.MUpdateUserMemo = FakeUpdateUserMemo;
        g_EngineModule.MGetUserInfoBase = nullptr;
        g_EngineModule.MGetUserInfoExt = nullptr;
        m_savedSink = fw::SetMessageBoxSink([this](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
            boxes.push_back({text, caption});
            return answer;
        });
        base.userId = kSelf;
        fw::CopyToAnsiField(L"林晓", base.nickname);
        fw::CopyToAnsiField(L"客服主管", base.signature);
        ext.gender = 0;
        ext.birthDate = 19880312;
        ext.bloodType = 1;
        fw::CopyToAnsiField(L"林晓", ext.fullName);
        ::GetLocalTime(&today);
    }
    void TearDown() override {
        if (panel) {
            panel->DestroyWindow();
            delete panel;
        }
        fw::SetMessageBoxSink(m_savedSink);
        g_EngineModule = m_savedEngine;
        g_fake = nullptr;
    }

    void Open(bool own) {
        panel = new CIMUserInfoPanel(IDD_USERINFO_DESK);
        // Not shown: hiding a shown window costs seconds under Xvfb, and
        // nothing here needs the screen.
        ASSERT_TRUE(panel->CreatePanel());
        panel->ShowUser(own, ext, base);
    }
    HWND Item(int id) const { return ::GetDlgItem(panel->GetHwnd(), id); }
    // Whether a window would be seen once its panel shows.
    static bool Shown(HWND window) { return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }
    void Type(int id, const std::wstring& text) { ::SetWindowTextW(Item(id), text.c_str()); }
    std::wstring Text(int id) const {
        wchar_t text[512] = {};
        ::GetWindowTextW(Item(id), text, 512);
        return text;
    }
    void Choose(int id, int index) {
        ::SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(panel->GetHwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
    }
    int Chosen(int id) const { return static_cast<int>(::SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }
    void Press(int id) {
        ::SendMessageW(panel->GetHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    std::wstring LastBox() const { return boxes.empty() ? std::wstring() : boxes.back().text; }

    FakeEngine fake;
    CIMUserInfoPanel* panel = nullptr;
    UserInfoBase base = {};
    UserInfoExt ext = {};
    SYSTEMTIME today = {};
    std::vector<Box> boxes;
    int answer = IDYES;

private:
    fw::CGdiPlusSession m_gdiplus;
    CEngineModule m_savedEngine;
    fw::MessageBoxSink m_savedSink;
};

}  // namespace

TEST_F(UserInfoPanelTest, OwnFormFillsItsCombosFromTheRecords) {
    Open(true);
    EXPECT_EQ(panel->GetTitle(), L"我的资料");
    EXPECT_EQ(Text(IDC_USERINFO_ID), L"50001");
    EXPECT_EQ(Text(IDC_USERINFO_NICKNAME), L"林晓");
    EXPECT_EQ(Chosen(IDC_USERINFO_GENDER), 1);  // "女"
    EXPECT_EQ(Chosen(IDC_USERINFO_YEAR), today.wYear - 1988);
    EXPECT_EQ(Chosen(IDC_USERINFO_AGE), today.wYear - 1988);
    EXPECT_EQ(Chosen(IDC_USERINFO_MONTH), 2);
    EXPECT_EQ(Chosen(IDC_USERINFO_DAY), 11);
    EXPECT_EQ(Chosen(IDC_USERINFO_STAR), 2);    // "双鱼座(2.19~3.20)"
    EXPECT_EQ(Chosen(IDC_USERINFO_ANIMAL), 4);  // 1988: "龙"
    EXPECT_EQ(Chosen(IDC_USERINFO_BLOOD), 0);
    EXPECT_FALSE(panel->HasUnsavedChanges());

    // February of a leap year has 29 days; of the year after, 28 (the day
    // chosen stays when the month has it, else day 1).
    // The last leap year before this one (2000 .. 2096 are all leap years).
    const int leap = (today.wYear - 1) - ((today.wYear - 1) % 4);
    Choose(IDC_USERINFO_YEAR, today.wYear - leap);
    Choose(IDC_USERINFO_MONTH, 1);
    EXPECT_EQ(::SendMessageW(Item(IDC_USERINFO_DAY), CB_GETCOUNT, 0, 0), 29);
    EXPECT_EQ(Chosen(IDC_USERINFO_DAY), 11);
    EXPECT_EQ(Chosen(IDC_USERINFO_STAR), 1);  // 12 February: "水瓶座(1.20~2.18)"
    Choose(IDC_USERINFO_DAY, 28);
    Choose(IDC_USERINFO_AGE, today.wYear - leap - 1);  // the year after
    EXPECT_EQ(Chosen(IDC_USERINFO_YEAR), today.wYear - leap - 1);
    EXPECT_EQ(::SendMessageW(Item(IDC_USERINFO_DAY), CB_GETCOUNT, 0, 0), 28);
    EXPECT_EQ(Chosen(IDC_USERINFO_DAY), 0);
    EXPECT_TRUE(panel->HasUnsavedChanges());
}

TEST_F(UserInfoPanelTest, OwnFormChecksTextsDatesAndMobileBeforeSending) {
    Open(true);
    // Texts longer than their fields keep are cut to what the field keeps,
    // whole characters only (a double-byte character that would end past
    // the limit goes whole), and the message names the limit.
    struct TextCase {
        int id;
        std::wstring text;
        const wchar_t* message;
        std::wstring kept;
    };
    const TextCase texts[] = {
        {IDC_USERINFO_NICKNAME, L"a" + std::wstring(12, L'中'), CIMUserInfoPanel::kNicknameTooLong,
         L"a" + std::wstring(11, L'中')},                                    // 25 bytes: 23 kept
        {IDC_USERINFO_NICKNAME, L"ab" + std::wstring(11, L'中'), CIMUserInfoPanel::kNicknameTooLong,
         L"ab" + std::wstring(10, L'中')},                                   // 24: 22, not half a character
        {IDC_USERINFO_REMARK, std::wstring(8, L'中'), CIMUserInfoPanel::kRemarkTooLong, std::wstring(7, L'中')},
        {IDC_USERINFO_FULLNAME, std::wstring(6, L'中'), CIMUserInfoPanel::kNameTooLong, std::wstring(5, L'中')},
    };
    for (const TextCase& c : texts) {
        boxes.clear();
        Type(c.id, c.text);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, L"系统提示");
        EXPECT_EQ(Text(c.id), c.kept);
    }
    EXPECT_NE(std::wstring(CIMUserInfoPanel::kNicknameTooLong).find(L"23个字符"), std::wstring::npos);
    EXPECT_NE(std::wstring(CIMUserInfoPanel::kRemarkTooLong).find(L"备注不能超过15个字符"), std::wstring::npos);
    boxes.clear();
    Type(IDC_USERINFO_NICKNAME, std::wstring(11, L'中') + L"a");  // 23 bytes: kept
    Type(IDC_USERINFO_FULLNAME, L"林晓");
    EXPECT_TRUE(boxes.empty());

    // A day after today is refused; today is accepted.
    SYSTEMTIME tomorrow = today;
    FILETIME time = {};
    ::SystemTimeToFileTime(&today, &time);
    ULARGE_INTEGER value = {{time.dwLowDateTime, time.dwHighDateTime}};
    value.QuadPart += 24ULL * 3600 * 10000000;
    time = {value.LowPart, value.HighPart};
    ::FileTimeToSystemTime(&time, &tomorrow);
    Choose(IDC_USERINFO_YEAR, 0);
    if (tomorrow.wYear == today.wYear) {
        Choose(IDC_USERINFO_MONTH, tomorrow.wMonth - 1);
        Choose(IDC_USERINFO_DAY, tomorrow.wDay - 1);
        Press(IDC_USERINFO_APPLY);
        EXPECT_EQ(LastBox(), CIMUserInfoPanel::kDateInFuture);
        EXPECT_TRUE(fake.myInfo.empty());
    }
    Choose(IDC_USERINFO_MONTH, today.wMonth - 1);
    Choose(IDC_USERINFO_DAY, today.wDay - 1);
    // A mobile number of 10 digits is refused, an empty one accepted.
    Type(IDC_USERINFO_MOBILE, L"1380013800");
    Press(IDC_USERINFO_APPLY);
    EXPECT_EQ(LastBox(), CIMUserInfoPanel::kMobileInvalid);
    EXPECT_TRUE(fake.myInfo.empty());
    Type(IDC_USERINFO_MOBILE, L"");
    boxes.clear();
    Press(IDC_USERINFO_APPLY);
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(fake.myInfo.size(), 1u);
    const UserInfoExt& sent = fake.myInfo[0].second;
    EXPECT_EQ(sent.birthDate, today.wYear * 10000 + today.wMonth * 100 + today.wDay);
    EXPECT_EQ(fw::FromAnsiField(fake.myInfo[0].first.nickname), std::wstring(11, L'中') + L"a");
    EXPECT_EQ(fw::FromAnsiField(fake.myInfo[0].first.signature), L"客服主管");
    // The stored copy is asked for again; nothing is left to save.
    ASSERT_FALSE(fake.produced.empty());
    EXPECT_EQ(fake.produced.back(), std::make_pair(kSelf, 3));
    EXPECT_FALSE(panel->HasUnsavedChanges());
}

// What the form does not choose stays as it is stored.
TEST_F(UserInfoPanelTest, UnchosenValuesAndAnUneditedDateStay) {
    ext.gender = 7;      // neither "男" nor "女"
    ext.bloodType = 0;   // none
    ext.birthDate = 0;   // unknown
    Open(true);
    EXPECT_EQ(Chosen(IDC_USERINFO_GENDER), -1);
    EXPECT_EQ(Chosen(IDC_USERINFO_BLOOD), -1);
    EXPECT_EQ(Chosen(IDC_USERINFO_YEAR), -1);
    // The prompt of an empty signature is not sent as the signature.
    UserInfoBase noSignature = base;
    noSignature.signature[0] = '\0';
    panel->ShowUser(true, ext, noSignature);
    EXPECT_EQ(Text(IDC_USERINFO_SIGNATURE), CIMUserInfoPanel::kSignaturePrompt);
    Type(IDC_USERINFO_NICKNAME, L"新昵称");
    Press(IDC_USERINFO_OK);
    ASSERT_EQ(fake.myInfo.size(), 1u);
    EXPECT_EQ(fake.myInfo[0].second.gender, 7);
    EXPECT_EQ(fake.myInfo[0].second.bloodType, 0);
    EXPECT_EQ(fake.myInfo[0].second.birthDate, 0);
    EXPECT_STREQ(fake.myInfo[0].first.signature, "");
    EXPECT_EQ(fw::FromAnsiField(fake.myInfo[0].first.nickname), L"新昵称");
    EXPECT_TRUE(panel->IsEnding());  // "确定" closes
}

TEST_F(UserInfoPanelTest, ClosingTheOwnFormAsksFirst) {
    struct Case {
        int command;
        int answer;
        const wchar_t* question;
        bool sent;
    };
    const Case cases[] = {
        {IDC_USERINFO_CLOSE, IDYES, CIMUserInfoPanel::kSaveOnCloseButton, true},
        {IDC_USERINFO_CLOSE, IDNO, CIMUserInfoPanel::kSaveOnCloseButton, false},
        {IDC_PANEL_CLOSE, IDYES, CIMUserInfoPanel::kSaveOnClose, true},
        {IDC_PANEL_CLOSE, IDNO, CIMUserInfoPanel::kSaveOnClose, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        fake.myInfo.clear();
        boxes.clear();
        answer = c.answer;
        Open(true);
        Type(IDC_USERINFO_NICKNAME, L"改了");
        Press(c.command);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.question);
        EXPECT_EQ(boxes[0].caption, L"提示");
        EXPECT_EQ(fake.myInfo.size(), c.sent ? 1u : 0u);
        EXPECT_TRUE(panel->IsEnding());
        panel->DestroyWindow();
        delete panel;
        panel = nullptr;
    }
}

TEST_F(UserInfoPanelTest, PeerCardSendsOnlyTheRemark) {
    base.userId = kPeer;
    fw::CopyToAnsiField(L"王强", base.nickname);
    Open(false);
    EXPECT_EQ(panel->GetTitle(), L"王强的资料");
    EXPECT_FALSE(Shown(Item(IDC_USERINFO_NICKNAME)));
    EXPECT_TRUE(Shown(Item(IDC_USERINFO_REMARK)));
    EXPECT_TRUE(Shown(Item(IDC_USERINFO_UPDATE)));
    EXPECT_FALSE(Shown(Item(IDC_USERINFO_CLOSE)));

    Type(IDC_USERINFO_REMARK, std::wstring(8, L'好'));  // 16 bytes: 14 kept
    EXPECT_EQ(LastBox(), CIMUserInfoPanel::kRemarkTooLong);
    EXPECT_EQ(Text(IDC_USERINFO_REMARK), std::wstring(7, L'好'));
    Type(IDC_USERINFO_REMARK, L"老客户");
    Press(IDC_USERINFO_APPLY);
    ASSERT_EQ(fake.memos.size(), 1u);
    EXPECT_EQ(fake.memos[0].first, kSelf);
    EXPECT_EQ(fake.memos[0].second, kPeer);
    EXPECT_EQ(fake.memos[0].text, fw::ToAnsi(L"老客户"));
    EXPECT_TRUE(fake.myInfo.empty());
    EXPECT_EQ(fw::FromAnsiField(panel->GetBase().memo), L"老客户");

    // An edited remark is asked about on closing; "更新" asks the engine.
    Type(IDC_USERINFO_REMARK, L"新备注");
    boxes.clear();
    answer = IDYES;
    Press(IDC_PANEL_CLOSE);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, CIMUserInfoPanel::kSaveRemark);
    ASSERT_EQ(fake.memos.size(), 2u);
    EXPECT_EQ(fake.memos[1].text, fw::ToAnsi(L"新备注"));
    EXPECT_TRUE(panel->IsEnding());

    // "确定" on a card does not drop a remark typed there.
    panel->DestroyWindow();
    delete panel;
    panel = nullptr;
    Open(false);
    Type(IDC_USERINFO_REMARK, L"再改");
    boxes.clear();
    Press(IDC_USERINFO_OK);
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(fake.memos.size(), 3u);
    EXPECT_EQ(fake.memos[2].text, fw::ToAnsi(L"再改"));
    EXPECT_TRUE(panel->IsEnding());
}

TEST_F(UserInfoPanelTest, PagesAndTheRefreshKeepEditsNotSent) {
    Open(true);
    // "更多资料" hides the form and the remark.
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = Item(IDC_USERINFO_PAGES);
    click.hdr.idFrom = IDC_USERINFO_PAGES;
    click.hdr.code = NM_CLICK;
    click.iItem = 1;
    ::SendMessageW(panel->GetHwnd(), WM_NOTIFY, IDC_USERINFO_PAGES, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(panel->GetPage(), 1);
    EXPECT_FALSE(Shown(Item(IDC_USERINFO_REMARK)));
    EXPECT_FALSE(Shown(Item(IDC_USERINFO_NICKNAME)));
    click.iItem = 0;
    ::SendMessageW(panel->GetHwnd(), WM_NOTIFY, IDC_USERINFO_PAGES, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(Shown(Item(IDC_USERINFO_NICKNAME)));

    // New records from the engine do not overwrite what is being typed.
    Type(IDC_USERINFO_NICKNAME, L"正在输入");
    EXPECT_FALSE(panel->RefreshFromEngine(true));
    EXPECT_EQ(Text(IDC_USERINFO_NICKNAME), L"正在输入");
}
