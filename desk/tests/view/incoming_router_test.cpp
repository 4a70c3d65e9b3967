// The chat view's decisions about incoming messages, through a fake engine
// function table and without a window: which route a new message takes,
// how the unread queue is walked and popped, which record a new
// conversation starts from, and which window counts as the last one.
#include "IncomingMessageRouter.h"

#include "clientui/ChatWindowInfo.h"
#include "clientui/PanelBase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The engine's side: per-peer queues and user records, and a log of calls.
struct FakeEngine {
    std::map<int, TextMsgQueue> queues;
    std::map<int, UserInfoBase> users;
    int currentUser = 0;
    int pops = 0;
    std::vector<std::pair<int, int>> produced;
    TextMsgQueue* showingQueue = nullptr;  // the queue the show callback grows
};

FakeEngine* g_fake = nullptr;

TextMsgQueue* FakeGetUnread(int peer) {
    auto it = g_fake->queues.find(peer);
    return it == g_fake->queues.end() ? nullptr : &it->second;
}
void FakePopFront(int peer) {
    ++g_fake->pops;
    TextMsgQueue& queue = g_fake->queues[peer];
    if (!queue.empty()) queue.pop_front();
}
int FakeCurrentUser() { return g_fake->currentUser; }
UserInfoBase* FakeUserInfo(int id) {
    // Like the engine: a getter makes an empty record for an unknown id.
    return &g_fake->users[id];
}
int FakeProduce(int id, int kind) {
    g_fake->produced.emplace_back(id, kind);
    return 1;
}

class RouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = &fake;
        engine.MGetUnreadMsg = FakeGetUnread;
        engine.MPopFrontTextMsg = FakePopFront;
        engine.MGetCurUserID = FakeCurrentUser;
        engine.MGetUserInfoBase = FakeUserInfo;
        engine.MProduceUserInfo = FakeProduce;
    }
    void TearDown() override { g_fake = nullptr; }

    static TextMsgRecord Message(int32_t time, const char* text) {
        TextMsgRecord record = {};
        record.time = time;
        std::strncpy(record.text, text, sizeof record.text - 1);
        return record;
    }
    void SetOwnType(int32_t type) {
        fake.currentUser = 50002;
        fake.users[50002].userId = 50002;
        fake.users[50002].userType = type;
    }

    FakeEngine fake;
    CEngineModule engine;
};

TEST_F(RouterTest, DecidesTheRouteOfEveryCase) {
    struct Case {
        bool open, visible, popUp;
        int32_t type;
        IncomingRoute expected;
    };
    const Case cases[] = {
        {true, true, false, 0, IncomingRoute::ShowInWindow},
        {true, true, true, 5, IncomingRoute::ShowInWindow},
        // hidden behind another conversation: flash, and still show
        {true, false, false, 0, IncomingRoute::FlashAndShowInWindow},
        {false, false, true, 0, IncomingRoute::OpenWindow},
        {false, false, false, 5, IncomingRoute::OpenWindow},
        {false, false, false, 0, IncomingRoute::FlashOnly},
        {false, false, false, 3, IncomingRoute::FlashOnly},
    };
    for (const Case& c : cases) {
        IncomingContext context;
        context.windowOpen = c.open;
        context.windowVisible = c.visible;
        context.popUp = c.popUp;
        context.ownUserType = c.type;
        EXPECT_EQ(CIncomingMessageRouter::Decide(context), c.expected)
            << "open " << c.open << " visible " << c.visible << " popUp " << c.popUp << " type " << c.type;
    }
}

TEST_F(RouterTest, OwnUserTypeComesFromTheOwnRecord) {
    EXPECT_EQ(CIncomingMessageRouter::OwnUserType(CEngineModule()), 0);  // no engine bound
    SetOwnType(5);
    EXPECT_EQ(CIncomingMessageRouter::OwnUserType(engine), 5);
}

TEST_F(RouterTest, ShowUnreadShowsEachQueuedMessageAndPopsOncePerShown) {
    fake.queues[1001] = {Message(1, "one"), Message(2, "two"), Message(3, "three")};
    std::vector<std::string> shown;
    const int count = CIncomingMessageRouter::ShowUnread(
        engine, 1001, [&](const TextMsgRecord& record) { shown.emplace_back(record.text); });
    EXPECT_EQ(count, 3);
    EXPECT_EQ(shown, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(fake.pops, 3);
    EXPECT_TRUE(fake.queues[1001].empty());
}

TEST_F(RouterTest, AMessageQueuedWhileShowingStaysForTheNextNotice) {
    // Showing a message may let the engine queue another one: the walk
    // goes over its copy and pops only what it showed.
    fake.queues[1001] = {Message(1, "one"), Message(2, "two")};
    std::vector<std::string> shown;
    CIncomingMessageRouter::ShowUnread(engine, 1001, [&](const TextMsgRecord& record) {
        shown.emplace_back(record.text);
        if (shown.size() == 1) fake.queues[1001].push_back(Message(3, "late"));
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(fake.pops, 2);
    ASSERT_EQ(fake.queues[1001].size(), 1u);
    EXPECT_STREQ(fake.queues[1001].front().text, "late");
}

TEST_F(RouterTest, ShowUnreadWithALimitTakesTheFrontAndLeavesTheRestQueued) {
    // A flood is shown slice by slice: each call takes at most the limit
    // from the front, in order, and the rest waits in the engine's queue.
    for (int i = 1; i <= 7; ++i) fake.queues[1001].push_back(Message(i, std::to_string(i).c_str()));
    EXPECT_EQ(CIncomingMessageRouter::UnreadCount(engine, 1001), 7u);
    std::vector<std::string> shown;
    const auto show = [&](const TextMsgRecord& record) { shown.emplace_back(record.text); };
    EXPECT_EQ(CIncomingMessageRouter::ShowUnread(engine, 1001, show, 3), 3);
    EXPECT_EQ(CIncomingMessageRouter::UnreadCount(engine, 1001), 4u);
    EXPECT_EQ(CIncomingMessageRouter::ShowUnread(engine, 1001, show, 3), 3);
    EXPECT_EQ(CIncomingMessageRouter::ShowUnread(engine, 1001, show, 3), 1);
    EXPECT_EQ(CIncomingMessageRouter::ShowUnread(engine, 1001, show, 3), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(fake.pops, 7);
    EXPECT_EQ(CIncomingMessageRouter::UnreadCount(engine, 1001), 0u);
    EXPECT_EQ(CIncomingMessageRouter::UnreadCount(engine, 0), 0u);
    EXPECT_EQ(CIncomingMessageRouter::UnreadCount(CEngineModule(), 1001), 0u);
}

TEST_F(RouterTest, ShowUnreadWithoutQueueOrPeerShowsNothing) {
    int calls = 0;
    const auto show = [&](const TextMsgRecord&) { ++calls; };
    EXPECT_EQ(CIncomingMessageRouter::ShowUnread(engine, 1001, show), 0);  // no queue
    fake.queues[0] = {Message(1, "x")};
    EXPECT_EQ(CIncomingMessageRouter::ShowUnread(engine, 0, show), 0);  // the placeholder's id
    EXPECT_EQ(CIncomingMessageRouter::ShowUnread(CEngineModule(), 1001, show), 0);  // no engine
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(fake.pops, 0);
}

TEST_F(RouterTest, CustomerRecordOfEachKindOfAccountAndCustomer) {
    UserInfoBase known = {};
    known.userId = 1001;
    std::strcpy(known.nickname, "zhang");
    fake.users[1001] = known;

    // Own type 5: an empty record named by the id, the engine not asked.
    UserInfoBase record = CIncomingMessageRouter::CustomerRecord(engine, 1001, 5);
    EXPECT_EQ(record.userId, 1001);
    EXPECT_STREQ(record.nickname, "1001");
    EXPECT_TRUE(fake.produced.empty());

    // A known customer: the engine's record.
    record = CIncomingMessageRouter::CustomerRecord(engine, 1001, 0);
    EXPECT_STREQ(record.nickname, "zhang");
    EXPECT_TRUE(fake.produced.empty());

    // An unknown customer: the engine is asked, the record named by the id.
    record = CIncomingMessageRouter::CustomerRecord(engine, 777, 0);
    EXPECT_EQ(record.userId, 777);
    EXPECT_STREQ(record.nickname, "777");
    ASSERT_EQ(fake.produced.size(), 1u);
    EXPECT_EQ(fake.produced[0], std::make_pair(777, 3));
}

// A conversation window as the registry holds it, without a window.
class FakeChatWindow : public CPanelBase, public IChatWindowInfo {
public:
    explicit FakeChatWindow(int32_t user) : CPanelBase(1), m_user(user) {}
    int GetChatKind() const override { return kChatKindSingleUser; }
    int32_t GetChatUserId() const override { return m_user; }

private:
    int32_t m_user;
};

TEST_F(RouterTest, ThePlaceholderIsNeverTheLastCustomerWindow) {
    FakeChatWindow placeholder(0), first(1001), second(1002);
    EXPECT_EQ(CIncomingMessageRouter::LastCustomerWindow({}), nullptr);
    EXPECT_EQ(CIncomingMessageRouter::LastCustomerWindow({&placeholder}), nullptr);
    EXPECT_EQ(CIncomingMessageRouter::LastCustomerWindow({&placeholder, &first, &second}), &second);
    // The placeholder at the end (the last real window was brought behind).
    EXPECT_EQ(CIncomingMessageRouter::LastCustomerWindow({&first, &placeholder}), &first);
}

}  // namespace
