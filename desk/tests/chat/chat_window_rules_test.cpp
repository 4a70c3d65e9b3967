// The desk conversation window's own decisions without a window: the
// record of a message to send (the acting agent as extra id), the sender
// names and the watched session's filter. (What it shares with the
// messenger's chat window is tested with the shared rules in clientui.)
// The engine is a fake function table.
#include "ChatWindowRules.h"

#include "SystemAnsiCodePage.h"

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

TextMsgRecord Stamped(int32_t sender, int32_t date, int32_t time) {
    TextMsgRecord record = {};
    record.senderId = sender;
    record.date = date;
    record.time = time;
    return record;
}

TEST(ChatRules, HistoryRefreshSkipsWhatIsNotNewer) {
    CWatchedLogFilter filter;
    EXPECT_TRUE(filter.AcceptRefreshed(Stamped(1, 20261210, 100)));
    EXPECT_FALSE(filter.AcceptRefreshed(Stamped(1, 20261210, 100)));  // the same moment
    EXPECT_FALSE(filter.AcceptRefreshed(Stamped(2, 20261210, 99)));
    EXPECT_FALSE(filter.AcceptRefreshed(Stamped(2, 20261209, 200)));  // an earlier day
    EXPECT_TRUE(filter.AcceptRefreshed(Stamped(2, 20261210, 101)));
    EXPECT_TRUE(filter.AcceptRefreshed(Stamped(1, 20261211, 0)));
    EXPECT_EQ(filter.Date(), 20261211);
}

// Live messages are shown whatever their times (a customer's clock behind
// or ahead of the server's); the refresh then skips exactly those it meets
// again, and the live ones never move the point the refresh loads from.
TEST(ChatRules, LiveMessagesShowOnceBesideTheHistoryRefresh) {
    constexpr int32_t kDay = 20261210;
    constexpr int32_t kAgent = 10001, kCustomer = 40001;
    CWatchedLogFilter filter;
    ASSERT_TRUE(filter.AcceptRefreshed(Stamped(kAgent, kDay, 120000000)));  // 12:00 loaded
    const TextMsgRecord ahead = Stamped(kCustomer, kDay, 121500000);        // customer 10 min ahead
    const TextMsgRecord own = Stamped(kAgent, kDay, 120600000);             // server time
    const TextMsgRecord behind = Stamped(kCustomer, kDay, 115700000);       // customer 10 min behind
    for (const TextMsgRecord& live : {ahead, own, behind}) filter.NoteLive(live);
    EXPECT_EQ(filter.Date(), kDay);
    EXPECT_EQ(filter.Time(), 120000000);
    // The refresh meets them in the history, in their order of arrival.
    EXPECT_FALSE(filter.AcceptRefreshed(ahead));
    EXPECT_FALSE(filter.AcceptRefreshed(own));     // before the newest loaded
    EXPECT_FALSE(filter.AcceptRefreshed(behind));  // likewise
    EXPECT_TRUE(filter.AcceptRefreshed(Stamped(kCustomer, kDay, 121600000)));
    EXPECT_FALSE(filter.AcceptRefreshed(ahead));
}

}  // namespace
