// The main window's decisions without a window: instance control, the
// automatic reply, the tray status and tip, the tab plan by organisation
// role and the texts with a message's time. The engine is a table of fake
// functions over a small fixture.
#include "main/DeskAutoReply.h"
#include "clientui/FailedMessageText.h"
#include "clientui/InstanceControlRule.h"
#include "main/TavrelMainPanelTexts.h"
#include "main/MainTabPlan.h"
#include "main/TrayStatusModel.h"

#include "clientui/ChatSessionRules.h"
#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"

#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// What the fake engine functions read and record.
struct FakeEngine {
    int32_t self = 50001;
    int connected = 1;
    UserInfoBase base = {};
    UserInfoExt ext = {};
    std::vector<TextMsgRecord> sent;
};
FakeEngine* g_fake = nullptr;

int FakeCurUserID() { return g_fake->self; }
int FakeConnectStatus() { return g_fake->connected; }
UserInfoBase* FakeUserInfoBase(int id) { return id == g_fake->self ? &g_fake->base : nullptr; }
UserInfoExt* FakeUserInfoExt(int id) { return id == g_fake->self ? &g_fake->ext : nullptr; }
void FakeSendTextMsg(const TextMsgRecord* record) { g_fake->sent.push_back(*record); }

class MainWindowRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = &fake;
        engine.MGetCurUserID = FakeCurUserID;
        engine.MGetConnectStatus = FakeConnectStatus;
        engine.MGetUserInfoBase = FakeUserInfoBase;
        engine.MGetUserInfoExt = FakeUserInfoExt;
        engine.MSendTextMsg = FakeSendTextMsg;
        fake.base.userId = fake.self;
        fw::CopyToAnsiField(L"林晓", fake.ext.fullName);
    }
    void TearDown() override { g_fake = nullptr; }

    FakeEngine fake;
    CEngineModule engine;
};

SYSTEMTIME At(WORD h, WORD m, WORD s, WORD ms) {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 10;
    t.wHour = h;
    t.wMinute = m;
    t.wSecond = s;
    t.wMilliseconds = ms;
    return t;
}

}  // namespace

TEST(InstanceControlRule, FollowsTheTableOfWParamAndAccount) {
    struct Case {
        WPARAM wParam;
        LPARAM lParam;
        InstanceControlAction action;
        LRESULT answer;
    } cases[] = {
        {1, 0, InstanceControlAction::Show, 1},       // show only
        {1, 777, InstanceControlAction::Show, 1},     // any account: still only shown
        {0, 0, InstanceControlAction::Close, 1},      // close
        {0, 10001, InstanceControlAction::Close, 1},  // the command line's account
        {0, 50001, InstanceControlAction::Close, 1},  // the logged-on account
        {0, 10002, InstanceControlAction::Ignore, 0}, // another instance's account
    };
    for (const Case& c : cases) {
        const InstanceControlAction action = CInstanceControlRule::Decide(c.wParam, c.lParam, 10001, 50001);
        EXPECT_EQ(action, c.action) << c.wParam << " " << c.lParam;
        EXPECT_EQ(CInstanceControlRule::Answer(action), c.answer);
    }
    // Before any log-on (ids 0) only lParam 0 closes.
    EXPECT_EQ(CInstanceControlRule::Decide(0, 50001, 0, 0), InstanceControlAction::Ignore);
}

TEST_F(MainWindowRulesTest, AutomaticReplyOnlyWhileBusyAwayOrDoNotDisturb) {
    CClientSettings settings;
    settings.bAutoReply = true;
    for (int status = -1; status <= 6; ++status) {
        fake.sent.clear();
        const bool due = status >= 1 && status <= 3;
        EXPECT_EQ(CDeskAutoReply::ReplyTo(engine, settings, status, 50001, 60001, At(9, 0, 0, 0)), due) << status;
        EXPECT_EQ(fake.sent.size(), due ? 1u : 0u) << status;
    }
    settings.bAutoReply = false;
    EXPECT_FALSE(CDeskAutoReply::ReplyTo(engine, settings, 1, 50001, 60001, At(9, 0, 0, 0)));
}

TEST_F(MainWindowRulesTest, AutomaticReplyRecordCarriesFontMarkerAndChosenReply) {
    CClientSettings settings;
    settings.bAutoReply = true;
    settings.autoReplies = {L"马上回来", L"开会中，稍后回复"};
    settings.iListIndex = 1;
    settings.bold = true;
    settings.underline = true;
    settings.fontSize = 0;
    settings.textColour = 255;
    settings.fontName = L"宋体";
    ASSERT_TRUE(CDeskAutoReply::ReplyTo(engine, settings, 2, 50001, 60003, At(14, 30, 5, 250)));
    ASSERT_EQ(fake.sent.size(), 1u);
    const TextMsgRecord& r = fake.sent.front();
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(r.date, 20261210);
    EXPECT_EQ(r.time, 143005250);
    EXPECT_EQ(r.senderId, 50001);
    EXPECT_EQ(r.receiverId, 60003);
    EXPECT_EQ(r.extraId, 0);
    EXPECT_EQ(fw::FromAnsi(r.text), L"<format|5|9|255|宋体|/format>[自动回复] 开会中，稍后回复");
    EXPECT_EQ(settings.fontSize, 9);  // 0 counts as 9 and is kept
}

TEST_F(MainWindowRulesTest, AutomaticReplyIndexOutsideTheListUsesTheFixedText) {
    CClientSettings settings;
    settings.autoReplies = {L"马上回来"};
    for (int index : {1, 5, -1}) {
        settings.iListIndex = index;
        EXPECT_EQ(CAutoReplyRules::ReplyText(settings), L"您好，我现在有事不在，一会再和您联系。") << index;
    }
    settings.iListIndex = 0;
    EXPECT_EQ(CAutoReplyRules::ReplyText(settings), L"马上回来");
}

TEST_F(MainWindowRulesTest, AutomaticReplyTextIsCutToTheTextField) {
    CClientSettings settings;
    settings.autoReplies = {std::wstring(800, L'长')};  // 1600 bytes in GBK
    settings.fontName = std::wstring(40, L'字');         // cut to 31 bytes: 15 characters
    const std::string text = CDeskAutoReply::ComposeText(settings);
    EXPECT_LE(text.size(), TEXTMSG_TEXT_SIZE - 1);
    EXPECT_NE(text.find("|" + fw::ToAnsi(std::wstring(15, L'字')) + "|/format>"), std::string::npos);
    EXPECT_EQ(fw::ToAnsi(fw::FromAnsi(text)), text);  // no half character at the end
}

TEST_F(MainWindowRulesTest, TrayShowsTheOwnStatusWhileConnectedAndOfflineOtherwise) {
    struct Case {
        int connected;
        int32_t status;
        int32_t shown;
        int icon;
        const wchar_t* text;
    } cases[] = {
        {1, 0, 0, 0, L"在线"},  {1, 1, 1, 1, L"忙碌"},  {1, 2, 2, 2, L"离开"},    {1, 3, 3, 3, L"请勿打扰"},
        {1, 4, 4, 4, L"隐身"},  {1, 5, 5, 5, L"离线"},  {1, -1, -1, 5, L"离线"},  {1, 9, 9, 5, L"离线"},
        {0, 1, 5, 5, L"离线"},
    };
    for (const Case& c : cases) {
        fake.connected = c.connected;
        fake.base.status = c.status;
        const TrayStatus tray = CTrayStatusModel::Compute(engine, L"Qorvane 客服");
        EXPECT_EQ(tray.status, c.shown);
        EXPECT_EQ(tray.iconIndex, c.icon);
        EXPECT_EQ(tray.tip, std::wstring(L"Qorvane 客服:林晓 \r\n 状态:") + c.text);
    }
}

TEST_F(MainWindowRulesTest, TrayTipIsCutToItsField) {
    const std::wstring tip = CTrayStatusModel::FormatTip(std::wstring(200, L'T'), L"林晓", 0);
    EXPECT_EQ(tip, std::wstring(127, L'T'));
}

TEST(MainTabPlan, StartsWithThreeTabsOfTheirTemplates) {
    const std::vector<MainTabSpec> tabs = CMainTabPlan::InitialTabs();
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[0].title, L"  会话窗口  ");
    EXPECT_EQ(tabs[0].pageTemplate, 129u);
    EXPECT_EQ(tabs[1].title, L"  消息记录  ");
    EXPECT_EQ(tabs[1].pageTemplate, 130u);
    EXPECT_EQ(tabs[2].title, L"  客户管理  ");
    EXPECT_EQ(tabs[2].pageTemplate, 136u);
}

TEST(MainTabPlan, RoleNoticeAddsSearchForRolesOneToThreeThenTheProfileOnce) {
    for (int role = -1; role <= 8; ++role) {
        CMainTabPlan plan;
        const std::vector<MainTabSpec> tabs = plan.OnOrgRole(role);
        std::vector<std::wstring> titles;
        for (const MainTabSpec& t : tabs) titles.push_back(t.title);
        if (role >= 1 && role <= 3) {
            EXPECT_EQ(titles, (std::vector<std::wstring>{L"  搜索消息  ", L"  我的资料  "})) << role;
            EXPECT_EQ(tabs[0].pageTemplate, 149u);
        } else {
            EXPECT_EQ(titles, (std::vector<std::wstring>{L"  我的资料  "})) << role;
        }
        EXPECT_EQ(tabs.back().pageTemplate, 0u);  // the profile tab has no page
        EXPECT_TRUE(plan.ProfileTabAdded());
        EXPECT_TRUE(plan.OnOrgRole(2).empty()) << "a second notice changes nothing";
    }
}

TEST(MainTabPlan, ChoosingTheProfileTabKeepsThePreviousTab) {
    CMainTabPlan plan;
    EXPECT_EQ(plan.OnSelect(2, 3), TabChoice::ShowPage);  // no profile tab yet: the last tab is a page
    EXPECT_EQ(plan.CurrentTab(), 2);
    plan.OnOrgRole(0);
    EXPECT_EQ(plan.OnSelect(1, 4), TabChoice::ShowPage);
    EXPECT_EQ(plan.CurrentTab(), 1);
    EXPECT_EQ(plan.OnSelect(3, 4), TabChoice::OpenProfile);
    EXPECT_EQ(plan.CurrentTab(), 1);
}

TEST(FailedMessageText, SendFailureShowsTheMessageTime) {
    struct Case {
        int32_t time;
        const wchar_t* clock;
    } cases[] = {{143005250, L"14:30:05"}, {0, L"00:00:00"}, {235959999, L"23:59:59"}, {90100500, L"09:01:00"}};
    for (const Case& c : cases)
        EXPECT_EQ(clientui::FailedMessageText(c.time),
                  std::wstring(L"由于网络原因，您") + c.clock + L"的消息没有发送成功:(");
}

TEST(TavrelMainPanelTexts, Captions) {
    EXPECT_EQ(CTavrelMainPanelTexts::NotLoggedOnCaption(L"Q"), L"Q - 未登录 ");
    EXPECT_EQ(CTavrelMainPanelTexts::LoggedOnCaption(L"Q", 50001, L"林晓"), L"Q - 50001 - 林晓 ");
    EXPECT_EQ(CTavrelMainPanelTexts::ExitQuestion(L"Q"), L"退出Q，将不能及时收到消息。\r\n您确认要退出程序吗?");
}
