// The stand-in server's desk commands, without sockets: the data file's
// lines, and the packets each request causes.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DeskData.h"
#include "DeskWorld.h"
#include "ImEngineApi.h"
#include "PacketFramer.h"

using namespace chatserver;

namespace {

constexpr int32_t kA = 30001, kB = 30002, kC = 30003, kK = 40001;

std::vector<uint8_t> Words(std::initializer_list<int32_t> words) {
    std::vector<uint8_t> out;
    for (int32_t w : words) AppendWord(out, uint32_t(w));
    return out;
}

int32_t WordAt(const std::vector<uint8_t>& body, size_t at) {
    return at + 4 <= body.size() ? int32_t(ReadWord(&body[at])) : -99999;
}

DeskData Sample() {
    DeskData d;
    for (const char* line : {
             "agent|30001|deskA|7", "agent|30002|deskB|7", "agent|30003|deskC|8",
             "group|30001|30002|7|deskB", "category|30001|1|10|VIP", "category|30001|2|5|Regular",
             "friend|30001|40001|1|0|1|cust1|first|likes tea", "friend|30001|40002|2|0|1|cust2||",
             "stamp|20261201|3600", "update|30001|30001|40002|1|2|20261205|7200",
             "update|30001|30001|40005|0|1|20261204|100",
             "list|30001|1|40002|20261208|90000|cust2", "list|30001|1|40001|20261209|101500|cust1",
             "message|40001|30001|0|20261201|101500123|hello agent",
             "message|30001|40001|0|20261201|101600000|hello customer",
             "message|40001|30001|0|20261202|90000000|a refund please",
             "message|40002|30001|0|20261203|90000000|refund again",
             "customer|40001|30001", "reply|2|1|second", "reply|1|0|first|with a bar",
         })
        EXPECT_TRUE(d.AddLine(line)) << line;
    return d;
}

class DeskWorldTest : public ::testing::Test {
protected:
    DeskWorldTest() : world(Sample()) {
        world.SetStatusSource([this](int32_t id) { return online.count(id) ? STATUS_ONLINE : STATUS_OFFLINE; });
    }
    std::vector<DeskOutgoing> Ask(int32_t from, uint32_t command, const std::vector<uint8_t>& body) {
        return world.Handle(from, command, body);
    }
    // A grab-customer packet: record {acting, owning, customer, note} and the answer.
    static std::vector<uint8_t> Grab(int32_t acting, int32_t owning, int32_t customer, int32_t answer) {
        std::vector<uint8_t> body = Words({acting, owning, customer});
        body.resize(112, 0);
        AppendWord(body, uint32_t(answer));
        return body;
    }
    static std::vector<uint8_t> Switch(int32_t target, int32_t owning, int32_t customer, const char* note) {
        std::vector<uint8_t> body = Words({target, owning, customer});
        body.resize(112, 0);
        std::memcpy(&body[12], note, std::strlen(note));
        return body;
    }
    // (to, result) of CMD_SWITCH_CUSTOMER packets; (to, -1000 - answer word) of forwarded requests.
    static std::vector<std::pair<int32_t, int32_t>> Outcome(const std::vector<DeskOutgoing>& out) {
        std::vector<std::pair<int32_t, int32_t>> r;
        for (const auto& o : out) {
            if (o.command == CMD_SWITCH_CUSTOMER) r.push_back({o.toUser, WordAt(o.body, 12)});
            if (o.command == CMD_GRAB_CUSTOMER) r.push_back({o.toUser, -1000 - WordAt(o.body, 112)});
        }
        return r;
    }

    DeskWorld world;
    std::set<int32_t> online{kA, kB};
};

TEST(DeskData, LinesThatDoNotParseAreSkipped) {
    DeskData d;
    for (const char* bad : {"", "# comment", "agent|x|name|1", "agent|1|name", "list|1|3|5|1|1|n",
                            "message|1|2|0|20260101|5", "nonsense|1", "reply|99999999999|0|t"})
        EXPECT_FALSE(d.AddLine(bad)) << bad;
    EXPECT_TRUE(d.AddLine("  reply | 5 | 2 | text with | bar  "));
    ASSERT_EQ(d.replies.size(), 1u);
    EXPECT_EQ(d.replies[0].text, "text with | bar");
    EXPECT_TRUE(d.agents.empty());
}

TEST_F(DeskWorldTest, GroupUsersByKind) {
    const struct { int32_t kind; std::vector<int32_t> ids; int32_t role; } cases[] = {
        {0, {kA}, 7}, {2, {kB}, 7}, {3, {kB, kC}, 7}, {1, {}, 0},
    };
    for (const auto& c : cases) {
        const auto out = Ask(kA, CMD_GET_GROUP_USER_LIST, Words({kA, c.kind}));
        ASSERT_EQ(out.size(), 1u);
        const auto& b = out[0].body;
        EXPECT_EQ(WordAt(b, 0), c.kind);
        ASSERT_EQ(WordAt(b, 4), int32_t(c.ids.size()));
        ASSERT_EQ(b.size(), 8 + 32 * c.ids.size());
        for (size_t i = 0; i < c.ids.size(); ++i) EXPECT_EQ(WordAt(b, 8 + 32 * i), c.ids[i]);
        if (!c.ids.empty()) {
            EXPECT_EQ(WordAt(b, 12), c.role);
            // The name lies in the record's last 12 bytes.
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[8 + 20])), c.kind == 0 ? "deskA" : "deskB");
        }
    }
    EXPECT_TRUE(Ask(kA, CMD_GET_GROUP_USER_LIST, Words({kA})).empty());  // too short
    EXPECT_TRUE(Ask(0, CMD_GET_GROUP_USER_LIST, Words({kA, 0})).empty()); // not logged on
}

TEST_F(DeskWorldTest, TalkListNewestFirstAndEmptyWhenTheOwnCopyIsCurrent) {
    auto out = Ask(kA, CMD_UPDATE_TALK_LIST, Words({kA, 1, 0, 0}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(WordAt(out[0].body, 8), 2);
    EXPECT_EQ(WordAt(out[0].body, 12), 40001);  // the newest first
    EXPECT_EQ(WordAt(out[0].body, 16), 20261209);
    EXPECT_EQ(WordAt(out[0].body, 20), 101500);
    EXPECT_EQ(out[0].body.size(), 12u + 2 * 36);
    // The own copy carries the newest stamp: nothing new.
    out = Ask(kA, CMD_UPDATE_TALK_LIST, Words({kA, 1, 20261209, 101500}));
    EXPECT_EQ(out[0].body, Words({kA, 1, 0}));
    // Another user's list goes whole, whatever the stamp.
    out = Ask(kB, CMD_UPDATE_TALK_LIST, Words({kA, 1, 20261209, 101500}));
    EXPECT_EQ(WordAt(out[0].body, 8), 2);
    // Unknown kind or list: no records.
    EXPECT_EQ(Ask(kA, CMD_UPDATE_TALK_LIST, Words({kA, 7, 0, 0}))[0].body, Words({kA, 7, 0}));
}

TEST_F(DeskWorldTest, MessageRecordsNewerThanAskedOldestFirst) {
    const struct { int32_t flag, date, hhmmss; std::vector<int32_t> times; } cases[] = {
        {1, 0, 0, {101500123, 101600000, 90000000}},
        {1, 20261201, 101500, {101600000, 90000000}},  // same second as the first: not newer
        {1, 20261202, 90000, {}},
        {0, 0, 0, {101500123, 101600000, 90000000}},
        {2, 0, 0, {}},
    };
    for (const auto& c : cases) {
        const auto out = Ask(kA, CMD_GET_MSG_RECORDS, Words({kA, kK, c.flag, c.date, c.hhmmss}));
        ASSERT_EQ(out.size(), c.times.size()) << c.flag << " " << c.date;
        for (size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(WordAt(out[i].body, 0), kA);
            EXPECT_EQ(WordAt(out[i].body, 4), kK);
            EXPECT_EQ(WordAt(out[i].body, 8), c.flag);
            EXPECT_EQ(WordAt(out[i].body, 20), c.times[i]);
        }
    }
    const auto first = Ask(kA, CMD_GET_MSG_RECORDS, Words({kA, kK, 1, 0, 0}))[0].body;
    EXPECT_EQ(std::string(first.begin() + 36, first.end()), "hello agent");  // no NUL
    EXPECT_EQ(WordAt(first, 24), kK);  // sender
}

TEST_F(DeskWorldTest, SearchByDateRangeAndKeywords) {
    auto search = [&](int32_t start, int32_t end, const char* keywords) {
        std::vector<uint8_t> body = Words({start, end});
        body.resize(72, 0);
        std::memcpy(&body[8], keywords, std::strlen(keywords));
        return Ask(kA, CMD_SEARCH_MSG, body);
    };
    const struct { int32_t start, end; const char* keywords; size_t count; } cases[] = {
        {20261201, 20261231, "", 4}, {20261201, 20261231, "refund", 2}, {20261202, 20261202, "refund", 1},
        {20261201, 20261231, "refund again", 1}, {20261201, 20261231, "nothing", 0}, {20270101, 20271231, "", 0},
    };
    for (const auto& c : cases) {
        const auto out = search(c.start, c.end, c.keywords);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].body.size(), 116 * c.count) << c.keywords;
    }
    const auto one = search(20261202, 20261202, "refund")[0].body;
    EXPECT_EQ(WordAt(one, 0), kK);
    EXPECT_EQ(WordAt(one, 8), 20261202);
    EXPECT_EQ(WordAt(one, 12), 90000);  // hhmmss
    EXPECT_STREQ(reinterpret_cast<const char*>(&one[16]), "a refund please");
    // A short request: no result.
    EXPECT_TRUE(Ask(kA, CMD_SEARCH_MSG, Words({20261201}))[0].body.empty());
}

TEST_F(DeskWorldTest, AManagerSearchesTheMessagesOfTheOwnGroup) {
    DeskData data = Sample();
    for (const char* line : {"agent|30004|lead|2", "group|30004|30001|7|deskA", "message|40003|30003|0|20261202|1000|refund elsewhere"})
        ASSERT_TRUE(data.AddLine(line));
    DeskWorld managed(data);
    std::vector<uint8_t> body = Words({20261201, 20261231});
    body.resize(72, 0);
    std::memcpy(&body[8], "refund", 6);
    // The manager (role 2) sees the refunds of its group's member deskA,
    // not those of deskC, who is in no group of the manager; an agent
    // (role 7) sees only its own.
    EXPECT_EQ(managed.Handle(30004, CMD_SEARCH_MSG, body)[0].body.size(), 116u * 2);
    EXPECT_EQ(managed.Handle(kC, CMD_SEARCH_MSG, body)[0].body.size(), 116u * 1);
    EXPECT_EQ(managed.Handle(kB, CMD_SEARCH_MSG, body)[0].body.size(), 0u);
}

TEST_F(DeskWorldTest, StatusesFollowTheStatusSource) {
    EXPECT_EQ(Ask(kA, CMD_GET_USER_STATUS, Words({kB}))[0].body, Words({kB, STATUS_ONLINE}));
    EXPECT_EQ(Ask(kA, CMD_GET_USER_STATUS, Words({kC}))[0].body, Words({kC, STATUS_OFFLINE}));
    std::vector<uint8_t> ids = {2, 0};
    for (uint8_t b : Words({kB, kC})) ids.push_back(b);
    auto out = Ask(kA, CMD_GET_USERS_INFO, ids);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].body.size(), 18u);
    EXPECT_EQ(WordAt(out[0].body, 2), kB);
    EXPECT_EQ(WordAt(out[0].body, 6), STATUS_ONLINE);
    EXPECT_EQ(WordAt(out[0].body, 14), STATUS_OFFLINE);
    ids[0] = 3;  // the count promises more than the body holds
    EXPECT_TRUE(Ask(kA, CMD_GET_USERS_INFO, ids).empty());
}

TEST_F(DeskWorldTest, FriendUpdatesSinceTheAskedStampOrOnlyTheStamp) {
    // No usable local list: every update, the entry of the friend added.
    auto out = Ask(kA, CMD_GET_FRIEND_UPDATE, Words({kA, 888, 0}));
    auto b = out[0].body;
    EXPECT_EQ(WordAt(b, 4), 20261205);
    EXPECT_EQ(WordAt(b, 8), 7200);
    EXPECT_EQ(b[12] | b[13] << 8, 2);
    EXPECT_EQ(b[14] | b[15] << 8, 1);
    EXPECT_EQ(WordAt(b, 16), kA);
    EXPECT_EQ(WordAt(b, 20), 40005);  // oldest first
    EXPECT_EQ(WordAt(b, 16 + 48), 40002);
    // Newer than the first update only.
    b = Ask(kA, CMD_GET_FRIEND_UPDATE, Words({kA, 20261204, 100}))[0].body;
    EXPECT_EQ(b[12] | b[13] << 8, 1);
    // Current: 16 bytes with the stamp.
    EXPECT_EQ(Ask(kA, CMD_GET_FRIEND_UPDATE, Words({kA, 20261205, 7200}))[0].body.size(), 16u);
    b = Ask(kC, CMD_GET_FRIEND_UPDATE, Words({kC, 888, 0}))[0].body;
    EXPECT_EQ(b.size(), 16u);
    EXPECT_EQ(WordAt(b, 4), 20261201);
    EXPECT_EQ(WordAt(b, 8), 3600);
}

TEST_F(DeskWorldTest, FriendListsAndCategories) {
    auto b = Ask(kB, CMD_GET_USER_LIST, Words({kA}))[0].body;
    EXPECT_EQ(WordAt(b, 0), kA);
    EXPECT_EQ(b[4], 2);                // categories
    EXPECT_EQ(b[6] | b[7] << 8, 2);    // users
    EXPECT_EQ(WordAt(b, 8), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[16]), "VIP");
    b = Ask(kA, CMD_GET_USER_FRIENDS, Words({kA}))[0].body;
    EXPECT_EQ(b.size(), 8u + (8 + 4) + (8 + 8));
    EXPECT_EQ(b[4], 2);
    EXPECT_EQ(Ask(kA, CMD_GET_USER_LIST, Words({77}))[0].body, Words({77, 0}));
}

TEST_F(DeskWorldTest, CommonRepliesAddModifyDelete) {
    auto set = [&](int32_t op, int32_t id, int32_t position, const std::string& text, int32_t length = -1) {
        std::vector<uint8_t> body = Words({op, id, position, length < 0 ? int32_t(text.size() + 1) : length});
        body.insert(body.end(), text.begin(), text.end());
        body.push_back(0);
        return Ask(kA, CMD_SET_COMM_REPLY, body)[0].body;
    };
    EXPECT_EQ(set(COMMREPLY_OP_SET, 0, 2, "third"), Words({1, 3, 2, 0}));       // added as id 3
    EXPECT_EQ(set(COMMREPLY_OP_SET, 2, 5, "changed"), Words({1, 2, 5, 0}));
    EXPECT_EQ(set(COMMREPLY_OP_DELETE, 1, 0, ""), Words({1, 1, 0, 9}));
    EXPECT_EQ(set(COMMREPLY_OP_DELETE, 42, 0, ""), Words({0, 42, 0, 9}));
    EXPECT_EQ(set(COMMREPLY_OP_SET, 0, 0, "x", 1000), Words({0, 0, 0, 0}));   // length beyond the body
    EXPECT_EQ(set(COMMREPLY_OP_SET, 0, 0, "xy", 2), Words({0, 0, 0, 0}));     // no NUL where it says
    const auto b = Ask(kA, CMD_GET_COMM_REPLY, {})[0].body;
    // By position: "third" (id 3, at 2), "changed" (id 2, at 5).
    std::vector<uint8_t> expected = Words({2, 3, 2, 2, 5});
    for (const char* t : {"third", "changed"}) expected.insert(expected.end(), t, t + std::strlen(t) + 1);
    EXPECT_EQ(b, expected);
}

TEST_F(DeskWorldTest, HandOverAcceptedThenTakenBack) {
    EXPECT_EQ(Outcome(Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kB, kA, kK, "please"))),
              (std::vector<std::pair<int32_t, int32_t>>{{kB, -1000 - kA}}));
    const auto forwarded = Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kB, kA, 40002, "note"))[0];
    EXPECT_EQ(WordAt(forwarded.body, 0), kB);
    EXPECT_EQ(WordAt(forwarded.body, 4), kA);
    EXPECT_STREQ(reinterpret_cast<const char*>(&forwarded.body[12]), "note");
    EXPECT_EQ(forwarded.body.size(), 116u);
    // A second request for a customer already asked about fails.
    EXPECT_EQ(Outcome(Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kB, kA, kK, "again"))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, -1}}));
    EXPECT_EQ(Outcome(Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 1))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {kA, 1}}));
    EXPECT_EQ(world.FindSession(kK)->agent, kB);
    EXPECT_EQ(WordAt(Ask(kB, CMD_GET_SWITCH_RECORDS, {})[0].body, 0), 1);
    EXPECT_EQ(Outcome(Ask(kA, CMD_GRAB_CUSTOMER, Grab(kA, kA, kK, 3))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, 3}, {kB, 3}}));
    EXPECT_EQ(world.FindSession(kK)->agent, 0);
}

TEST_F(DeskWorldTest, HandOverFailuresAndRefusal) {
    const struct { const char* what; int32_t from, target, customer; } failures[] = {
        {"not the owner", kB, kC, kK}, {"to oneself", kA, kA, kK}, {"target offline", kA, kC, kK},
    };
    for (const auto& f : failures)
        EXPECT_EQ(Outcome(Ask(f.from, CMD_SWITCH_CUSTOMER, Switch(f.target, kA, f.customer, ""))),
                  (std::vector<std::pair<int32_t, int32_t>>{{0, -1}}))
            << f.what;
    EXPECT_TRUE(Ask(kA, CMD_SWITCH_CUSTOMER, Words({kB, kA, kK})).empty());  // not 112 bytes
    Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kB, kA, kK, "busy?"));
    EXPECT_EQ(Outcome(Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 3))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, 3}, {kA, 3}}));
    EXPECT_EQ(world.FindSession(kK)->agent, 0);
    // Nothing asked of B any more.
    EXPECT_EQ(Outcome(Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 1))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, -1}}));
    // A request whose target went away does not hold the customer.
    Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kB, kA, kK, "first"));
    online.erase(kB);
    online.insert(kC);
    EXPECT_EQ(Outcome(Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kC, kA, kK, "second"))),
              (std::vector<std::pair<int32_t, int32_t>>{{kC, -1000 - kA}}));
}

TEST_F(DeskWorldTest, GrabRequestRefusedThenGrabAtOnceAndRelease) {
    // B asks the owner A: A gets {A, A, K} with B in the word.
    const auto request = Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 0));
    ASSERT_EQ(request.size(), 1u);
    EXPECT_EQ(request[0].toUser, kA);
    EXPECT_EQ(request[0].command, uint32_t(CMD_GRAB_CUSTOMER));
    EXPECT_EQ(request[0].body, [] { auto b = Words({kA, kA, kK}); b.resize(112, 0); AppendWord(b, kB); return b; }());
    EXPECT_EQ(Outcome(Ask(kA, CMD_GRAB_CUSTOMER, Grab(kA, kA, kK, 3))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, -2}, {kB, -2}}));
    // A grab request to somebody who does not own the customer.
    EXPECT_EQ(Outcome(Ask(kA, CMD_GRAB_CUSTOMER, Grab(kA, kB, kK, 0))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, -2}}));
    EXPECT_EQ(Outcome(Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 2))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, 2}, {kA, 2}}));
    EXPECT_EQ(Outcome(Ask(kA, CMD_GRAB_CUSTOMER, Grab(kA, kA, kK, 4))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, -4}}));  // only the grabber releases
    EXPECT_EQ(Outcome(Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 4))),
              (std::vector<std::pair<int32_t, int32_t>>{{0, 4}, {kA, 4}}));
    EXPECT_TRUE(Ask(kB, CMD_GRAB_CUSTOMER, Words({kB, kA, kK})).empty());  // short
}

}  // namespace

namespace {

std::vector<uint8_t> Message(int32_t date, int32_t time, int32_t sender, int32_t receiver, const std::string& text) {
    std::vector<uint8_t> body = Words({0, date, time, sender, receiver, 0});
    body.insert(body.end(), text.begin(), text.end());
    return body;
}

// While B talks for A (hand-over or grab), K's messages to A go to B; before,
// after and for anyone else they go where they were addressed.
TEST_F(DeskWorldTest, ACustomersMessageToItsOwnerGoesToWhoTalksForTheOwner) {
    EXPECT_EQ(world.Recipient(kK, kA), kA);  // no session yet
    Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kB, kA, kK, "note"));
    EXPECT_EQ(world.Recipient(kK, kA), kA);  // only asked
    Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 1));
    EXPECT_EQ(world.Recipient(kK, kA), kB);
    EXPECT_EQ(world.Recipient(kK, kC), kC);       // written to somebody else
    EXPECT_EQ(world.Recipient(kA, kK), kK);       // the owner writing
    EXPECT_EQ(world.Recipient(40002, kA), kA);    // another customer
    Ask(kA, CMD_GRAB_CUSTOMER, Grab(kA, kA, kK, 3));  // taken back
    EXPECT_EQ(world.Recipient(kK, kA), kA);
    Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 2));  // grabbed
    EXPECT_EQ(world.Recipient(kK, kA), kB);
    Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 4));  // released
    EXPECT_EQ(world.Recipient(kK, kA), kA);
}

TEST_F(DeskWorldTest, LiveMessagesAreArchivedAndCopiedToTheWatchingOwner) {
    Ask(kA, CMD_SWITCH_CUSTOMER, Switch(kB, kA, kK, "note"));
    Ask(kB, CMD_GRAB_CUSTOMER, Grab(kB, kA, kK, 1));
    // B talks for A: A gets a record of the message (owner, customer, flag 1, head, text).
    auto out = world.OnTextMessage(kB, Message(20261210, 110000000, 77 /* not trusted */, kK, "from B"));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].toUser, kA);
    EXPECT_EQ(out[0].command, uint32_t(CMD_TEXT_MSG));
    EXPECT_EQ(out[0].body, [] {
        auto b = Words({kA, kK, 1, 0, 20261210, 110000000, kB, kK, 0});
        for (char c : std::string("from B")) b.push_back(uint8_t(c));
        return b;
    }());
    out = world.OnTextMessage(kK, Message(20261210, 110500000, kK, kB, "to B"));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].toUser, kA);
    // The owner's own messages, and messages of customers nobody holds: no copy.
    EXPECT_TRUE(world.OnTextMessage(kA, Message(20261210, 111000000, kA, kK, "owner")).empty());
    EXPECT_TRUE(world.OnTextMessage(kB, Message(20261210, 111000000, kB, 40002, "other")).empty());
    EXPECT_TRUE(world.OnTextMessage(kB, Words({1, 2, 3})).empty());  // no head
    // The archive serves them, in date and time order.
    const auto records = Ask(kB, CMD_GET_MSG_RECORDS, Words({kB, kK, 1, 20261210, 0}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(WordAt(records[0].body, 20), 110000000);
    EXPECT_EQ(std::string(records[1].body.begin() + 36, records[1].body.end()), "to B");
    world.OnTextMessage(kA, Message(20261130, 80000000, kA, kK, "earlier"));
    const auto all = Ask(kA, CMD_GET_MSG_RECORDS, Words({kA, kK, 1, 0, 0}));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(std::string(all[0].body.begin() + 36, all[0].body.end()), "earlier");
}

}  // namespace
