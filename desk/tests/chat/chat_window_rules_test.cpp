// The conversation window's decisions without a window: message stamps,
// send checks and records, sender names and header lines, notice texts,
// the per-window counters, the tip bar's height, the quick-reply ids and the
// watched session's filter. The engine is a fake function table.
#include "clientui/ChatMessageClock.h"
#include "clientui/ChatWindowCounters.h"
#include "ChatWindowRules.h"

#include "SystemAnsiCodePage.h"
#include "clientui/ChatLogEdit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

// The fake engine's state, read by its functions.
struct FakeEngine {
    int offline = 0;
    SwitchCustomerRecord handOver = {};
    bool hasHandOver = false;
    std::map<int, UserInfoBase> users;
    std::map<int, UserInfoExt> exts;
    std::vector<std::pair<int, int>> produced;
};
FakeEngine* g_fake = nullptr;

int FakeIsOffline() { return g_fake->offline; }
SwitchCustomerRecord* FakeSwitch(int) { return g_fake->hasHandOver ? &g_fake->handOver : nullptr; }
UserInfoBase* FakeUser(int id) {
    auto it = g_fake->users.find(id);
    if (it != g_fake->users.end()) return &it->second;
    static UserInfoBase unknown;
    unknown = UserInfoBase{};  // the engine's empty record: id word 0
    return &unknown;
}
UserInfoExt* FakeExt(int id) {
    auto it = g_fake->exts.find(id);
    return it == g_fake->exts.end() ? nullptr : &it->second;
}
int FakeProduce(int id, int kind) {
    g_fake->produced.emplace_back(id, kind);
    return 1;
}

class ChatRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = &m_fake;
        m_engine.MIsOffline = FakeIsOffline;
        m_engine.MGetSwitchCustomerMsg = FakeSwitch;
        m_engine.MGetUserInfoBase = FakeUser;
        m_engine.MGetUserInfoExt = FakeExt;
        m_engine.MProduceUserInfo = FakeProduce;
    }
    void TearDown() override { g_fake = nullptr; }

    void AddUser(int id, const std::wstring& name) {
        UserInfoBase user = {};
        user.userId = id;
        const std::string ansi = m_codePage.ToAnsi(name);
        std::memcpy(user.nickname, ansi.c_str(), ansi.size() + 1);
        m_fake.users[id] = user;
    }

    FakeEngine m_fake;
    CEngineModule m_engine;
    clientui::CSystemAnsiCodePage m_codePage;
    CChatWindowRules m_rules{m_engine, m_codePage};
};

SYSTEMTIME At(int hour, int minute, int second, int ms, int day = 10) {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    t.wMilliseconds = static_cast<WORD>(ms);
    return t;
}

TEST(ChatMessageClock, StampsAreUniqueOneMillisecondLaterOnAClash) {
    CChatMessageClock clock;
    const MessageStamp first = clock.Next(At(14, 30, 5, 250));
    EXPECT_EQ(first.date, 20261210);
    EXPECT_EQ(first.time, 143005250);
    // The same millisecond twice, then a clock that went back: each later.
    EXPECT_EQ(clock.Next(At(14, 30, 5, 250)).time, 143005251);
    EXPECT_EQ(clock.Next(At(14, 30, 5, 100)).time, 143005252);
    // The carry runs through seconds, minutes and hours.
    CChatMessageClock carry;
    carry.Next(At(9, 59, 59, 999));
    EXPECT_EQ(carry.Next(At(9, 59, 59, 999)).time, 100000000);
    // A new day starts afresh.
    EXPECT_EQ(carry.Next(At(0, 0, 0, 0, 11)).time, 0);
}

TEST_F(ChatRulesTest, OfflineOrUnboundEngineRefusesToSend) {
    EXPECT_FALSE(m_rules.IsOffline());
    m_fake.offline = 1;
    EXPECT_TRUE(m_rules.IsOffline());
    CEngineModule unbound;
    EXPECT_TRUE(CChatWindowRules(unbound, m_codePage).IsOffline());
    EXPECT_EQ(L"系统提示:\r\n 您现在处于离线状态，不能发送消息.\r\n",
              CChatLogEdit::SystemNoticeText(CChatWindowRules::OfflineNotice()));
}

TEST_F(ChatRulesTest, RecordCarriesTheOwnIdAsExtraOnlyWhenActingForTheCustomer) {
    const MessageStamp stamp{20261210, 143005250};
    struct Case {
        bool hasHandOver;
        int32_t acting, customer;
        int32_t extra;
    } cases[] = {
        {false, 0, 0, 0},
        {true, 10001, 40001, 10001},  // we act for the customer
        {true, 10002, 40001, 0},      // a colleague does
        {true, 10001, 0, 0},          // an empty record
    };
    for (const Case& c : cases) {
        m_fake.hasHandOver = c.hasHandOver;
        m_fake.handOver.actingAgent = c.acting;
        m_fake.handOver.customerId = c.customer;
        const TextMsgRecord record = m_rules.MakeRecord(10001, 40001, stamp);
        EXPECT_EQ(record.type, 0);
        EXPECT_EQ(record.date, stamp.date);
        EXPECT_EQ(record.time, stamp.time);
        EXPECT_EQ(record.senderId, 10001);
        EXPECT_EQ(record.receiverId, 40001);
        EXPECT_EQ(record.extraId, c.extra) << c.acting << " " << c.customer;
        EXPECT_EQ(record.text[0], '\0');
    }
}

TEST_F(ChatRulesTest, SenderNames) {
    UserInfoBase own = {};
    std::strcpy(own.nickname, "agent1");
    AddUser(40001, L"张三");
    TextMsgRecord record = {};
    record.senderId = 40001;
    EXPECT_EQ(m_rules.SenderName(record, true, own), L"agent1");
    EXPECT_EQ(m_rules.SenderName(record, false, own), L"张三");
    EXPECT_TRUE(m_fake.produced.empty());
    // Unknown to the engine: the id, and its information is asked for.
    record.senderId = 40009;
    EXPECT_EQ(m_rules.SenderName(record, false, own), L"40009");
    ASSERT_EQ(m_fake.produced.size(), 1u);
    EXPECT_EQ(m_fake.produced[0], std::make_pair(40009, 3));
    // Replied for by another agent.
    UserInfoExt ext = {};
    const std::string full = m_codePage.ToAnsi(L"李老师");
    std::memcpy(ext.fullName, full.c_str(), full.size() + 1);
    m_fake.exts[10002] = ext;
    record.senderId = 40001;
    record.extraId = 10002;
    EXPECT_EQ(m_rules.SenderName(record, false, own), L"张三（李老师代回复）");
}

TEST(ChatRules, HeaderLineShowsTheDayOnlyForAnotherDay) {
    EXPECT_EQ(CChatWindowRules::HeaderLine(L"张三", 20261210, 143005250, 20261210), L"张三 14:30:05\r\n");
    EXPECT_EQ(CChatWindowRules::HeaderLine(L"张三", 20261209, 90000000, 20261210), L"张三 12-09 09:00:00\r\n");
}

TEST(ChatRules, StatusTips) {
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L""},
        {1, L"对方\"离开(忙碌)\"，可能无法立即回复您"},
        {2, L"对方\"离开(忙碌)\"，可能无法立即回复您"},
        {3, L"对方为\"请勿打扰\"状态，可能不方便接收您的消息"},
        {4, L""},
        {5, L"对方\"离线\"，可能无法立即回复您"},
        {77, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(CChatWindowRules::StatusTip(c.first), c.second) << c.first;
}

TEST_F(ChatRulesTest, FileNoticesBySideAndState) {
    FileRequestRecord record = {};
    record.fileSize = 2048;
    const std::string name = m_codePage.ToAnsi(L"报表.xls");
    std::memcpy(record.fileName, name.c_str(), name.size() + 1);
    struct Case {
        bool own;
        int state;
        const wchar_t* text;
    } cases[] = {
        {true, 1, L"您尝试给对方发送文件\"报表.xls\"(2.00KB)，等待对方接收。"},
        {true, 3, L"您接受了对方的请求，等待对方发送文件\"报表.xls\"。"},
        {true, 4, L"您拒绝接收\"报表.xls\"(2.00KB)，文件传输失败。"},
        {true, 10, L"您取消发送\"报表.xls\"(2.00KB)，文件发送中止。"},
        {true, 11, L"您取消接收\"报表.xls\"(2.00KB)，文件传输中止。"},
        {true, 12, L"成功发送文件\"报表.xls\"(2.00KB)。"},
        {true, 2, L""},
        {false, 2, L"对方请求给您发送文件\"报表.xls\"(2.00KB)，请确认是否接收。"},
        {false, 5, L"对方同意接收\"报表.xls\"(2.00KB)，准备发送。"},
        {false, 6, L"对方拒绝接收\"报表.xls\"(2.00KB)，文件发送失败。"},
        {false, 10, L"对方取消发送\"报表.xls\"(2.00KB)，文件接收失败。"},
        {false, 11, L"对方取消接收\"报表.xls\"(2.00KB)，文件发送失败。"},
        {false, 12, L"成功接收文件\"报表.xls\"(2.00KB)。保存位置：C:\\in\\报表.xls"},
        {false, 1, L""},
        {false, 13, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m_rules.FileNotice(record, c.state, c.own, L"C:\\in\\报表.xls"), c.text) << c.own << c.state;
    // A name that fills its whole field without a NUL stays within it.
    std::memset(record.fileName, 'a', sizeof record.fileName);
    EXPECT_EQ(m_rules.FileNotice(record, 12, true, L""),
              L"成功发送文件\"" + std::wstring(64, L'a') + L"\"(2.00KB)。");
    EXPECT_EQ(CChatWindowRules::FileNoticeLine(At(8, 5, 3, 0), L"x"), L"08:05:03\r\n x\r\n");
}

TEST(ChatRules, Captions) {
    EXPECT_EQ(CChatWindowRules::Caption(false, L"", false, L"标题"), L"标题");
    EXPECT_EQ(CChatWindowRules::Caption(true, L"张三", false, L"标题"), L"与 张三 交流中");
    EXPECT_EQ(CChatWindowRules::Caption(true, L"张三", true, L"标题"), L"张三 正在输入");
}

TEST(ChatRules, TipBarHeightNeverDividesByZero) {
    EXPECT_EQ(CChatWindowRules::TipBarHeight(250, 100, 12), 3 * 12 + 8);
    EXPECT_EQ(CChatWindowRules::TipBarHeight(200, 100, 12), 2 * 12 + 8);
    EXPECT_EQ(CChatWindowRules::TipBarHeight(0, 100, 12), 8);
    // A bar squeezed to no width (or less) counts one line.
    EXPECT_EQ(CChatWindowRules::TipBarHeight(250, 0, 12), 12 + 8);
    EXPECT_EQ(CChatWindowRules::TipBarHeight(250, -30, 12), 12 + 8);
}

TEST(ChatRules, QuickRepliesNeverTakeTheSettingsId) {
    EXPECT_EQ(CChatWindowRules::QuickReplyItemCount(3), 3u);
    EXPECT_EQ(CChatWindowRules::QuickReplyItemCount(11), 11u);
    EXPECT_EQ(CChatWindowRules::QuickReplyItemCount(100), 11u);
    EXPECT_LT(ID_QUICKREPLY_FIRST + CChatWindowRules::QuickReplyItemCount(100) - 1, ID_QUICKREPLY_SETUP);
    EXPECT_EQ(CChatWindowRules::QuickReplyIndex(32900), 0);
    EXPECT_EQ(CChatWindowRules::QuickReplyIndex(32910), 10);
    EXPECT_EQ(CChatWindowRules::QuickReplyIndex(32911), -1);
    EXPECT_EQ(CChatWindowRules::QuickReplyIndex(32899), -1);
}

TEST(ChatRules, WatchedSessionSkipsWhatIsNotNewer) {
    CNewestShownFilter filter;
    EXPECT_TRUE(filter.Accept(20261210, 100));
    EXPECT_FALSE(filter.Accept(20261210, 100));  // the same moment
    EXPECT_FALSE(filter.Accept(20261210, 99));
    EXPECT_FALSE(filter.Accept(20261209, 200));  // an earlier day
    EXPECT_TRUE(filter.Accept(20261210, 101));
    EXPECT_TRUE(filter.Accept(20261211, 0));
    EXPECT_EQ(filter.Date(), 20261211);
}

// --- counters -----------------------------------------------------------------

TEST(ChatWindowCounters, FlashStopsOnTheNinthTickAndStandsAtOne) {
    CChatWindowCounters counters;
    std::string seen;
    for (int i = 0; i < 9; ++i) {
        const auto tick = counters.OnFlashTick();
        seen += tick.stop ? 'S' : tick.flashOn ? 'F' : '.';
    }
    EXPECT_EQ(seen, ".F.F.F.FS");
    EXPECT_EQ(counters.FlashCount(), 1);
    // Started again: the count goes on from 1 (odd: flashes at once).
    EXPECT_TRUE(counters.OnFlashTick().flashOn);
}

TEST(ChatWindowCounters, CountersBelongToEachWindow) {
    CChatWindowCounters a, b;
    for (int i = 0; i < 5; ++i) a.OnFlashTick();
    EXPECT_EQ(b.FlashCount(), 0);
    ASSERT_TRUE(a.OnInputChanged());
    EXPECT_TRUE(b.OnInputChanged());  // b's notice is not held back by a's
    a.OnTypingNotice();
    for (int i = 0; i < 7; ++i) a.OnDisplayTick();
    b.OnTypingNotice();
    EXPECT_FALSE(b.OnDisplayTick().stop);  // b's notice has its own 8 ticks
    EXPECT_TRUE(a.OnDisplayTick().stop);
    EXPECT_TRUE(b.TypingShown());
}

TEST(ChatWindowCounters, OneTypingNoticePerEightTicks) {
    CChatWindowCounters counters;
    EXPECT_TRUE(counters.OnInputChanged());
    int ticks = 0;
    while (!counters.OnThrottleTick().stop) {
        EXPECT_FALSE(counters.OnInputChanged());
        ++ticks;
        ASSERT_LT(ticks, 20);
    }
    EXPECT_EQ(ticks + 1, 8);
    EXPECT_TRUE(counters.OnInputChanged());
}

TEST(ChatWindowCounters, TypingNoticeEndsEightTicksAfterTheFirstOfASeries) {
    CChatWindowCounters counters;
    EXPECT_FALSE(counters.OnTypingNotice());
    EXPECT_TRUE(counters.TypingShown());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(counters.OnDisplayTick().stop);
    EXPECT_TRUE(counters.OnTypingNotice());  // a second notice 3 ticks later
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(counters.OnDisplayTick().stop);
    EXPECT_TRUE(counters.OnDisplayTick().stop);  // the 8th tick in all
    EXPECT_FALSE(counters.TypingShown());
    EXPECT_EQ(counters.DisplayCount(), 0);
}

}  // namespace
