// The hand-over decisions without a window: the buttons of each session
// state, the status rule, the state after an answer, the notices of every
// code, the records the buttons send, the note's cut, the canned notes and
// the tip window's texts. The engine is a fake function table.
#include "HandOverRules.h"

#include "SystemAnsiCodePage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int32_t kOwner = 50002;   // 周宁
constexpr int32_t kActing = 50001;  // 林晓
constexpr int32_t kCustomer = 60006;

struct FakeEngine {
    std::map<int, SwitchCustomerRecord> records;
    std::map<int, UserInfoBase> users;
    std::map<int, UserInfoExt> exts;
    std::vector<AgentRecord> agents;
};
FakeEngine* g_fake = nullptr;

SwitchCustomerRecord* FakeSwitch(int customer) {
    // The engine's getter makes an empty record for an unknown customer.
    return &g_fake->records[customer];
}
UserInfoBase* FakeUser(int id) {
    auto it = g_fake->users.find(id);
    return it == g_fake->users.end() ? nullptr : &it->second;
}
UserInfoExt* FakeExt(int id) {
    auto it = g_fake->exts.find(id);
    return it == g_fake->exts.end() ? nullptr : &it->second;
}
std::vector<AgentRecord>* FakeAgents() { return &g_fake->agents; }

class HandOverRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = &m_fake;
        m_engine.MGetSwitchCustomerMsg = FakeSwitch;
        m_engine.MGetUserInfoBase = FakeUser;
        m_engine.MGetUserInfoExt = FakeExt;
        m_engine.MGetSwitchUserList = FakeAgents;
        SetAgent(kOwner, L"周宁");
        SetAgent(kActing, L"林晓");
        UserInfoBase customer = {};
        customer.userId = kCustomer;
        Copy(customer.nickname, sizeof customer.nickname, L"赵磊");
        m_fake.users[kCustomer] = customer;
    }
    void TearDown() override { g_fake = nullptr; }

    void Copy(char* field, size_t size, const std::wstring& text) {
        const std::string ansi = m_codePage.ToAnsiCut(text, size - 1);
        std::memset(field, 0, size);
        std::memcpy(field, ansi.data(), ansi.size());
    }
    void SetAgent(int32_t id, const std::wstring& name) {
        UserInfoExt ext = {};
        Copy(ext.fullName, sizeof ext.fullName, name);
        m_fake.exts[id] = ext;
    }
    SwitchCustomerRecord Record(const std::wstring& note = L"") {
        SwitchCustomerRecord record = {};
        record.actingAgent = kActing;
        record.owningAgent = kOwner;
        record.customerId = kCustomer;
        Copy(record.note, sizeof record.note, note);
        return record;
    }
    std::wstring Notice(int32_t code, bool own, int32_t stateBefore = kSessionNormal) {
        return m_rules.Notice(Record(L"请帮忙"), code, own, stateBefore, L"赵磊");
    }

    FakeEngine m_fake;
    CEngineModule m_engine;
    clientui::CSystemAnsiCodePage m_codePage;
    CHandOverRules m_rules{m_engine, m_codePage};
};

// --- the buttons of each state -------------------------------------------------

TEST(HandOverButtons, EachStateShowsItsButtonAndSetsTheTools) {
    using E = ControlEnable;
    const struct Case {
        int32_t state;
        bool own;
        int32_t status;
        int shown;
        bool shownEnabled;
        E input, send, sendFile;
    } cases[] = {
        // own session
        {1, true, 0, 1118, true, E::On, E::On, E::On},
        {2, true, 0, 1118, false, E::Keep, E::Keep, E::Off},
        {3, true, 0, 1119, true, E::Off, E::Off, E::Off},
        {4, true, 0, 0, false, E::Keep, E::Keep, E::Keep},
        {5, true, 0, 1117, false, E::Keep, E::Keep, E::Off},
        {6, true, 0, 0, false, E::Off, E::Off, E::Off},
        {7, true, 0, 0, false, E::Keep, E::Keep, E::Keep},
        {0, true, 0, 0, false, E::Keep, E::Keep, E::Keep},
        {99, true, 0, 0, false, E::Keep, E::Keep, E::Keep},
        // watched session: the grab button follows the customer's status
        {1, false, 0, 1117, true, E::Off, E::Off, E::Off},
        {1, false, 4, 1117, true, E::Off, E::Off, E::Off},
        {1, false, 5, 1117, false, E::Off, E::Off, E::Off},
        {2, false, 0, 1118, false, E::Keep, E::Keep, E::Off},
        {3, false, 0, 1120, true, E::On, E::On, E::On},
        {4, false, 0, 0, false, E::Keep, E::Keep, E::Keep},
        {5, false, 0, 1117, false, E::Keep, E::Keep, E::Off},
        {6, false, 5, 1121, true, E::On, E::On, E::On},
        {7, false, 0, 0, false, E::Keep, E::Keep, E::Keep},
    };
    for (const Case& c : cases) {
        const SessionButtonPlan plan = CHandOverRules::ButtonsFor(c.state, c.own, c.status);
        const std::string what = "state " + std::to_string(c.state) + (c.own ? " own" : " watched") + " status " +
                                 std::to_string(c.status);
        EXPECT_EQ(plan.shownButton, c.shown) << what;
        if (c.shown) {
            EXPECT_EQ(plan.shownEnabled, c.shownEnabled) << what;
        }
        EXPECT_EQ(plan.input, c.input) << what;
        EXPECT_EQ(plan.send, c.send) << what;
        EXPECT_EQ(plan.sendFile, c.sendFile) << what;
    }
}

// Only the normal state follows a status notice: while a request waits the
// grab and hand-over buttons stay disabled whatever the status.
TEST(HandOverButtons, AStatusNoticeReEnablesOnlyInTheNormalState) {
    const struct Case {
        int32_t state;
        bool own;
        int32_t status;
        bool apply, grab, handOver;
    } cases[] = {
        {1, false, 0, true, true, false},  {1, false, 5, true, false, false}, {1, false, 4, true, true, false},
        {1, true, 0, true, false, true},   {1, true, 5, true, false, true},   {2, true, 0, false, false, false},
        {5, false, 0, false, false, false}, {3, false, 0, false, false, false}, {6, true, 0, false, false, false},
        {4, true, 0, false, false, false}, {7, false, 0, false, false, false},
    };
    for (const Case& c : cases) {
        const PeerStatusButtons b = CHandOverRules::ButtonsForStatus(c.state, c.own, c.status);
        const std::string what = "state " + std::to_string(c.state) + (c.own ? " own" : " watched");
        EXPECT_EQ(b.apply, c.apply) << what;
        if (c.apply) {
            EXPECT_EQ(b.grabEnabled, c.grab) << what;
            EXPECT_EQ(b.handOverEnabled, c.handOver) << what;
        }
    }
}

TEST(HandOverButtons, AnAnswerLeadsToItsState) {
    const std::pair<int32_t, int32_t> cases[] = {{1, 3}, {2, 6}, {3, 1}, {4, 1}, {0, 1}, {51, 1}, {54, 1},
                                                 {55, 1}, {-1, 1}, {-4, 1}, {1000, 1}};
    for (const auto& c : cases) EXPECT_EQ(CHandOverRules::StateAfterResult(c.first), c.second) << c.first;
}

// A refusal or failure that reaches a window which a hand-over or a grab
// holds answers a request the window no longer waits for: it changes
// nothing. Every other answer applies (decision logic).
TEST(HandOverButtons, ARefusalChangesNothingWhileTheSessionIsHeld) {
    const int32_t refusals[] = {-1, -2, -3, -4, 5, 54, 55};
    const int32_t others[] = {0, 1, 2, 3, 4, kNoticeHandOverCancelled, kNoticeHandOverAsked, kNoticeHandOverOffered};
    for (int32_t state = kSessionNormal; state <= kSessionReleaseAsked; ++state) {
        const bool held = state == kSessionHandedOver || state == kSessionGrabbed;
        for (int32_t code : refusals) EXPECT_EQ(CHandOverRules::AnswerApplies(state, code), !held) << state << " " << code;
        for (int32_t code : others) EXPECT_TRUE(CHandOverRules::AnswerApplies(state, code)) << state << " " << code;
    }
}

// The state a window opens in from the engine's record of its customer
// (decision logic): own id 50001 (林晓), a colleague 50002, customer 60006.
TEST(HandOverButtons, AWindowOpensInTheStateTheEngineRecordHolds) {
    constexpr int32_t kMe = 50001, kOther = 50002, kThird = 50003, kCust = 60006;
    const struct Case {
        const char* name;
        int32_t acting, owning, customer;
        const char* note;
        bool own;
        int32_t heldState;
        int32_t expected;
    } cases[] = {
        {"no record", 0, 0, 0, "", true, 0, kSessionNormal},
        {"another customer's record", kOther, kMe, 60001, "", true, 0, kSessionNormal},
        {"own customer handed over", kOther, kMe, kCust, "", true, 0, kSessionHandedOver},
        {"own customer grabbed", kOther, kMe, kCust, "", true, kSessionGrabbed, kSessionGrabbed},
        {"own hand-over request waiting", kOther, kMe, kCust, "note", true, 0, kSessionHandOverAsked},
        {"own request naming myself", kMe, kMe, kCust, "", true, 0, kSessionNormal},
        {"own window of a colleague's record", kOther, kThird, kCust, "", true, 0, kSessionNormal},
        {"colleague's customer handed to me", kMe, kOther, kCust, "", false, 0, kSessionHandedOver},
        {"colleague's customer grabbed by me", kMe, kOther, kCust, "", false, kSessionGrabbed, kSessionGrabbed},
        {"a hand-over offered to me, unanswered", kMe, kOther, kCust, "note", false, 0, kSessionNormal},
        {"a third agent holds it", kThird, kOther, kCust, "", false, 0, kSessionNormal},
    };
    for (const Case& c : cases) {
        SwitchCustomerRecord record = {};
        record.actingAgent = c.acting;
        record.owningAgent = c.owning;
        record.customerId = c.customer;
        std::strncpy(record.note, c.note, sizeof record.note - 1);
        EXPECT_EQ(CHandOverRules::OpeningState(record, kMe, c.own, kCust, c.heldState), c.expected) << c.name;
    }
}

// Whose session a window shows (decision logic): a customer the own agent
// holds for a colleague opens as the colleague's watched session.
TEST(HandOverButtons, ACustomerHeldForAColleagueOpensAsTheColleaguesSession) {
    constexpr int32_t kMe = 50001, kOther = 50002, kCust = 60006;
    SwitchCustomerRecord live = {};
    live.actingAgent = kMe;
    live.owningAgent = kOther;
    live.customerId = kCust;
    EXPECT_EQ(CHandOverRules::SessionOwner(&live, kMe, kCust, kMe), kOther);
    EXPECT_EQ(CHandOverRules::SessionOwner(&live, kMe, kCust, kOther), kOther);
    EXPECT_EQ(CHandOverRules::SessionOwner(nullptr, kMe, kCust, kMe), kMe);
    EXPECT_EQ(CHandOverRules::SessionOwner(&live, kMe, 60001, kMe), kMe);  // another customer's record
    SwitchCustomerRecord offered = live;
    std::strncpy(offered.note, "note", sizeof offered.note - 1);
    EXPECT_EQ(CHandOverRules::SessionOwner(&offered, kMe, kCust, kMe), kMe);  // not yet accepted
    SwitchCustomerRecord byOther = live;
    byOther.actingAgent = kOther;
    byOther.owningAgent = kMe;
    EXPECT_EQ(CHandOverRules::SessionOwner(&byOther, kMe, kCust, kMe), kMe);
}

// --- notices ---------------------------------------------------------------------

TEST_F(HandOverRulesTest, NoticesOfEveryCodeForOwnAndWatchedSessions) {
    const struct Case {
        int32_t code;
        bool own;
        const wchar_t* text;  // null: no notice
    } cases[] = {
        {-1, true, L"系统提示:\r\n 转接失败.\r\n"},
        {-1, false, L"系统提示:\r\n 转接客户失败. 将由原来的客服继续回答该客户的问题.\r\n"},
        {-2, true, nullptr},
        {-2, false, L"系统提示:\r\n 抢接失败. 将由原来的客服继续回答该客户的问题.\r\n"},
        {-3, true, L"系统提示:\r\n 回接客户失败.\r\n"},
        {-3, false, L"系统提示:\r\n 中止转接对话失败.\r\n"},
        {-4, true, nullptr},
        {-4, false, L"系统提示:\r\n 中止抢接对话失败.\r\n"},
        {-5, true, nullptr},
        {1, true, L"系统提示:\r\n 转接到 林晓 成功. 将由 林晓 回复该客户,他们的对话也将同时显示到这个页面.\r\n"},
        {1, false, L"系统提示:\r\n 转接入50002(周宁) 的一个客户(赵磊)成功. \r\n"},
        {2, true, L"系统提示:\r\n 赵磊 客户已被 林晓 抢接成功. 将由 林晓 回复该客户,您将不能和该客户直接对话.\r\n"},
        {2, false, L"系统提示:\r\n 抢接 周宁 的 赵磊 客户成功. 您可以同该客户对话了.\r\n"},
        {4, true, L"系统提示:\r\n 之前抢接的老师释放了该客户，会话权转交给了您。\r\n"},
        {4, false, L"系统提示:\r\n 释放该客户成功，会话权转交给原客服。\r\n"},
        {51, true, L"系统提示:\r\n 您没有转接该客户。\r\n"},
        {51, false, L"系统提示:\r\n 您没有转接该客户。\r\n"},
        {52, true, L"系统提示:\r\n 正在为您转接到 林晓，请稍后。\r\n"},
        {52, false, L"系统提示:\r\n 正在为您转接到 林晓，请稍后。\r\n"},
        {53, true, L"系统提示:\r\n 50002(周宁)转接给您一个客户, 并附言:请帮忙\r\n"},
        {53, false, L"系统提示:\r\n 50002(周宁)转接给您一个客户, 并附言:请帮忙\r\n"},
        {54, true, L"系统提示:\r\n 赵磊 之前由 林晓 接待，在 林晓 会话结束之前，您不能与该客户对话。\r\n"},
        {54, false, L"系统提示:\r\n 赵磊 之前由 林晓 接待，在 林晓 会话结束之前，您不能与该客户对话。\r\n"},
        {55, true, L"系统提示:\r\n 赵磊 之前由您接待，由于没有释放会话权，该客户继续由您接待。\r\n"},
        {55, false, L"系统提示:\r\n 赵磊 之前由您接待，由于没有释放会话权，该客户继续由您接待。\r\n"},
        {0, true, nullptr},
        {5, false, nullptr},
        {50, true, nullptr},
        {56, false, nullptr},
    };
    for (const Case& c : cases) {
        const std::wstring got = Notice(c.code, c.own);
        EXPECT_EQ(got, c.text ? std::wstring(c.text) : std::wstring())
            << "code " << c.code << (c.own ? " own" : " watched");
    }
}

// The engine forgets its record before a result above 2 reaches the window:
// notice 54 names the agent the window held from its earlier records, or,
// in a watched session that held none, the owner (decision logic).
TEST_F(HandOverRulesTest, NoticeFiftyFourNamesTheAgentOfTheEarlierRecords) {
    SwitchCustomerRecord erased = {};
    erased.customerId = kCustomer;
    SwitchCustomerRecord held = {};
    // The own agent's requests name himself: they are not kept.
    SwitchCustomerRecord ownRequest = Record();
    ownRequest.actingAgent = 50009;
    CHandOverRules::KeepActingAgent(ownRequest, 50009, &held);
    EXPECT_EQ(held.actingAgent, 0);
    CHandOverRules::KeepActingAgent(Record(L"请帮忙"), kOwner, &held);
    EXPECT_EQ(held.actingAgent, kActing);
    const std::wstring named = L"系统提示:\r\n 赵磊 之前由 林晓 接待，在 林晓 会话结束之前，您不能与该客户对话。\r\n";
    EXPECT_EQ(m_rules.Notice(CHandOverRules::NoticeRecord(erased, held, kOwner, kOwner), kNoticeHeldByColleague, true,
                             kSessionHandOverAsked, L"赵磊"),
              named);
    // A watched session that held nobody names the owner.
    const std::wstring byOwner = L"系统提示:\r\n 赵磊 之前由 周宁 接待，在 周宁 会话结束之前，您不能与该客户对话。\r\n";
    EXPECT_EQ(m_rules.Notice(CHandOverRules::NoticeRecord(erased, SwitchCustomerRecord{}, kActing, kOwner),
                             kNoticeHeldByColleague, false, kSessionGrabAsked, L"赵磊"),
              byOwner);
    // A record that names its agent is used as it is.
    EXPECT_EQ(CHandOverRules::NoticeRecord(Record(), SwitchCustomerRecord{}, kActing, kOwner).actingAgent, kActing);
}

// Code 3 (refused, taken back, stopped) says what happened by the state the
// window was in when the answer came.
TEST_F(HandOverRulesTest, CodeThreeIsToldByTheStateBeforeTheAnswer) {
    const struct Case {
        bool own;
        int32_t state;
        const wchar_t* text;
    } cases[] = {
        {true, 4, L"系统提示:\r\n 回接客户成功， 您可以和该客户交流了。\r\n"},
        {true, 3, L"系统提示:\r\n 转接老师已经中止了与该客户的对话， 您可以和该客户交流了。\r\n"},
        {true, 2, L"系统提示:\r\n 该老师正在忙，拒绝了您的转接请求。\r\n"},
        {true, 1, nullptr},
        {true, 6, nullptr},
        {false, 4, L"系统提示:\r\n 中止转接对话成功，会话权转交给原客服。\r\n"},
        {false, 1, L"系统提示:\r\n 您拒绝了对方的转接请求。\r\n"},
        {false, 3, L"系统提示:\r\n 原客服已经回接了该客户， 您不能和该客户交流了。\r\n"},
        {false, 6, L"系统提示:\r\n 原客服已经回接了该客户， 您不能和该客户交流了。\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Notice(3, c.own, c.state), c.text ? std::wstring(c.text) : std::wstring())
            << (c.own ? "own" : "watched") << " state " << c.state;
}

// Names come from records of fixed width: a name or note that fills its
// whole field (no NUL) is read up to the field's end and no further; an
// agent the engine does not know has an empty name.
TEST_F(HandOverRulesTest, FieldsWithoutTheirNulAreReadWithTheirBound) {
    UserInfoExt& owner = m_fake.exts[kOwner];
    std::memset(owner.fullName, 0, sizeof owner.fullName);
    const std::string twelve = m_codePage.ToAnsi(L"一二三四五六");
    ASSERT_EQ(twelve.size(), sizeof owner.fullName);
    std::memcpy(owner.fullName, twelve.data(), twelve.size());
    std::memset(owner.loginName, 'X', sizeof owner.loginName);  // what follows the field
    SwitchCustomerRecord record = Record();
    std::memset(record.note, 'n', sizeof record.note);
    EXPECT_EQ(m_rules.Notice(record, 53, true, 1, L""),
              L"系统提示:\r\n 50002(一二三四五六)转接给您一个客户, 并附言:" + std::wstring(100, L'n') + L"\r\n");
    EXPECT_EQ(m_rules.TipHeadline(record), L"50002(一二三四五六)转接给您一个客户");
    EXPECT_EQ(m_rules.TipNote(record), L"附言: " + std::wstring(100, L'n'));

    m_fake.exts.erase(kActing);
    EXPECT_EQ(Notice(52, true), L"系统提示:\r\n 正在为您转接到 ，请稍后。\r\n");
    m_fake.users.erase(kCustomer);
    EXPECT_EQ(Notice(1, false), L"系统提示:\r\n 转接入50002(一二三四五六) 的一个客户()成功. \r\n");

    AgentRecord full = {};
    full.agentId = 50003;
    std::memcpy(full.name, twelve.data(), sizeof full.name);
    AgentRecord plain = {};
    plain.agentId = 50004;
    Copy(plain.name, sizeof plain.name, L"王磊");
    m_fake.agents = {full, plain};
    const std::vector<HandOverAgent> agents = m_rules.Agents();
    ASSERT_EQ(agents.size(), 2u);
    EXPECT_EQ(agents[0].agentId, 50003);
    EXPECT_EQ(agents[0].name, L"一二三四五六");
    EXPECT_EQ(agents[1].agentId, 50004);
    EXPECT_EQ(agents[1].name, L"王磊");
}

// --- records --------------------------------------------------------------------

TEST_F(HandOverRulesTest, RecordsOfTheButtons) {
    const SwitchCustomerRecord grab = CHandOverRules::GrabRecord(kActing, kOwner, kCustomer);
    EXPECT_EQ(grab.actingAgent, kActing);
    EXPECT_EQ(grab.owningAgent, kOwner);
    EXPECT_EQ(grab.customerId, kCustomer);
    EXPECT_EQ(std::string(grab.note, sizeof grab.note), std::string(sizeof grab.note, '\0'));

    // Nothing stored: the own id acts for the owner.
    SwitchCustomerRecord end = m_rules.EndRecord(kActing, kOwner, kCustomer);
    EXPECT_EQ(end.actingAgent, kActing);
    EXPECT_EQ(end.owningAgent, kOwner);
    EXPECT_EQ(end.customerId, kCustomer);
    // Stored: the engine's record as it is.
    m_fake.records[kCustomer] = Record(L"kept");
    m_fake.records[kCustomer].actingAgent = 50003;
    end = m_rules.EndRecord(kOwner, kOwner, kCustomer);
    EXPECT_EQ(end.actingAgent, 50003);
    EXPECT_STREQ(end.note, "kept");

    // The stored record of an outcome gets its customer when it has none.
    m_fake.records[70001] = SwitchCustomerRecord{};
    m_fake.records[70001].actingAgent = kActing;
    const SwitchCustomerRecord outcome = m_rules.StoredRecord(70001);
    EXPECT_EQ(outcome.customerId, 70001);
    EXPECT_EQ(outcome.actingAgent, kActing);
}

TEST_F(HandOverRulesTest, AGrabRequestCountsOnlyForTheCustomerItsRecordNames) {
    SwitchCustomerRecord got = {};
    EXPECT_FALSE(m_rules.GrabRequestFor(kCustomer, &got));  // nothing stored
    m_fake.records[kCustomer] = Record(L"note");
    m_fake.records[kCustomer].customerId = 60004;  // names another customer
    EXPECT_FALSE(m_rules.GrabRequestFor(kCustomer, &got));
    m_fake.records[kCustomer].customerId = kCustomer;
    ASSERT_TRUE(m_rules.GrabRequestFor(kCustomer, &got));
    EXPECT_EQ(got.owningAgent, kOwner);
    EXPECT_STREQ(got.note, "note");
    CEngineModule none;
    CHandOverRules unbound(none, m_codePage);
    EXPECT_FALSE(unbound.GrabRequestFor(kCustomer, &got));
}

// The note goes out in the ANSI code page, at most 99 bytes and a NUL, cut
// between characters: never inside a double-byte character.
TEST_F(HandOverRulesTest, TheNoteIsCutToNinetyNineBytesOnACharacterBoundary) {
    const std::wstring sixty(60, L'转');
    const struct Case {
        std::wstring note;
        std::wstring sent;
    } cases[] = {
        {L"请帮我回复", L"请帮我回复"},
        {L"", L""},
        {std::wstring(99, L'a'), std::wstring(99, L'a')},
        {std::wstring(150, L'a'), std::wstring(99, L'a')},
        {sixty, std::wstring(49, L'转')},                  // 98 bytes: the 50th would need 100
        {L"a" + sixty, L"a" + std::wstring(49, L'转')},    // 99 bytes exactly
        {L"ab" + sixty, L"ab" + std::wstring(48, L'转')},  // 98 bytes
    };
    for (const Case& c : cases) {
        const SwitchCustomerRecord record = m_rules.HandOverRecord(kActing, kOwner, kCustomer, c.note);
        EXPECT_EQ(record.actingAgent, kActing);
        EXPECT_EQ(record.owningAgent, kOwner);
        EXPECT_EQ(record.customerId, kCustomer);
        const size_t length = std::strlen(record.note);
        EXPECT_LE(length, 99u);
        EXPECT_EQ(m_codePage.FromAnsi(record.note, length), c.sent) << c.note.size();
        // Zeros after the text: nothing of an earlier note is left.
        EXPECT_EQ(std::string(record.note + length, sizeof record.note - length),
                  std::string(sizeof record.note - length, '\0'));
    }
}

TEST(HandOverDialogTexts, CannedNotesAreOnlyTheThreeThatExist) {
    EXPECT_EQ(CHandOverRules::CannedNote(32911), nullptr);
    EXPECT_STREQ(CHandOverRules::CannedNote(32912), L"我正在忙，请帮我回复一下，谢谢");
    EXPECT_STREQ(CHandOverRules::CannedNote(32913), L"我正在和客户打电话，请帮我回复一下，谢谢");
    EXPECT_STREQ(CHandOverRules::CannedNote(32914), L"我在服务其他客户，请帮我回复一下，谢谢");
    for (UINT command = 32915; command <= 32920; ++command) EXPECT_EQ(CHandOverRules::CannedNote(command), nullptr);
    EXPECT_EQ(CHandOverRules::DefaultNote(), L"我在服务其他客户，请帮我回复一下，谢谢!");
    EXPECT_EQ(CHandOverRules::QuestionCaption(), L"提示框");
    EXPECT_EQ(CHandOverRules::TakeBackQuestion(), L"回接将会导致之前的老师不能与该客户进行对话。\r\n确认回接吗？");
}

TEST_F(HandOverRulesTest, TipWindowTexts) {
    EXPECT_EQ(m_rules.TipTitle(m_fake.exts[kActing]), L"林晓的提示消息");
    const SwitchCustomerRecord record = Record(L"客户急着要发票");
    EXPECT_EQ(m_rules.TipHeadline(record), L"50002(周宁)转接给您一个客户");
    EXPECT_EQ(m_rules.TipNote(record), L"附言: 客户急着要发票");
}

}  // namespace
