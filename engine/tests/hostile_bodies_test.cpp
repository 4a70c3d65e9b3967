// Every reply handler of both builds fed damaged bodies: each well-formed
// sample cut at every length and with bytes overwritten at random. The
// bodies sit in heap blocks of exactly their size, so the sanitizer build
// catches any read past a body; every build checks that nothing crashes and
// that the store's fixed texts stay terminated.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "TestSupport.h"

using namespace sessiontest;
using engine::EngineVariant;

namespace {

struct Sample {
    uint32_t command;
    std::vector<uint8_t> body;
};

std::vector<Sample> Samples() {
    const auto friends = Cat({B(2), B(0), H(2), W(1), W(10), T("Friends"), W(2), W(20), T("Work"),
                              W(100), W(1), W(7), W(4), T("alice"), T("memo"), T("sig"),
                              W(101), W(2), W(8), W(5), T("bob"), T(""), T("s2")});
    TalkListRecord talk{501, 20261210, 100000, "t"};
    GroupUserRecord group{501, 3, "g"};
    return {
        {CMD_LOGON, Cat({W(kOwnId), W(LOGON_OK)})},
        {CMD_LOGOUT, W(LOGON_OK)},
        {CMD_CHANGE_STATUS, Cat({W(kOwnId), W(2)})},
        {CMD_GET_FRIEND_LIST, friends},
        {CMD_GET_STATUS_LIST, Cat({H(2), W(100), W(1), W(101), W(0)})},
        {CMD_GET_USER_INFO, Cat({W(100), W(3), Zeros(336), Zeros(100)})},
        {CMD_TEXT_MSG, Cat({W(0), W(20261210), W(101010123), W(42), W(kOwnId), W(0), R("hello")})},
        {CMD_TEXT_MSG, Cat({W(1002), W(77), W(1), W(0), W(20261210), W(5), W(77), W(1002), W(0), R("rec")})},
        {CMD_INPUT_STATUS, Cat({W(42), W(kOwnId)})},
        {CMD_UPDATE_USER_MEMO, Cat({W(0), W(100), T("memo")})},
        {CMD_FILE_REQUEST, Cat({Zeros(4), W(42), W(kOwnId), Zeros(8), R("f.txt"), Zeros(59), W(0)})},
        {CMD_GET_GROUP_USER_LIST, Cat({W(2), W(1), Rec(group)})},
        {CMD_UPDATE_TALK_LIST, Cat({W(kOwnId), W(1), W(1), Rec(talk)})},
        {CMD_UPDATE_TALK_LIST, Cat({W(501), W(2), W(1), Rec(talk)})},
        {CMD_GET_USER_LIST, Cat({W(501), friends})},
        {CMD_GET_MSG_RECORDS, Cat({W(kOwnId), W(77), W(1), W(0), W(20261210), W(5), W(77), W(kOwnId), W(0), R("x")})},
        {CMD_GET_USER_STATUS, Cat({W(100), W(1)})},
        {CMD_GET_SWITCH_USER_LIST, Cat({W(1), W(7), R("agent"), Zeros(7)})},
        {CMD_SWITCH_CUSTOMER, Cat({W(kOwnId), W(1002), W(77), W(0)})},
        {CMD_GRAB_CUSTOMER, Cat({W(kOwnId), W(1002), W(77), R("note"), Zeros(96), W(0)})},
        {CMD_GET_SWITCH_RECORDS, Cat({W(1), W(1), W(2), W(3), W(4)})},
        {CMD_SEARCH_MSG, Zeros(116)},
        {CMD_GET_USERS_INFO, Cat({H(1), W(100), W(1)})},
        {CMD_GET_FRIEND_UPDATE, Cat({W(kOwnId), W(20261210), W(1), H(1), H(1), W(kOwnId), W(100), W(1), W(1), W(0),
                                     W(0), W(100), W(1), W(0), W(0), T("a"), T(""), T("")})},
        {CMD_GET_USER_FRIENDS, Cat({W(kOwnId), B(1), Zeros(3), W(1), W(1), T("c")})},
        {CMD_SET_COMM_REPLY, Cat({W(1), W(2), W(3), W(0)})},
        {CMD_GET_COMM_REPLY, Cat({W(2), W(1), W(2), W(0), W(1), T("a"), T("b")})},
    };
}

void CheckTerminated(const CDataTree& store) {
    for (const auto& [id, u] : store.users) {
        EXPECT_NE(std::memchr(u.nickname, 0, sizeof u.nickname), nullptr);
        EXPECT_NE(std::memchr(u.memo, 0, sizeof u.memo), nullptr);
        EXPECT_NE(std::memchr(u.category, 0, sizeof u.category), nullptr);
        EXPECT_NE(std::memchr(u.signature, 0, sizeof u.signature), nullptr);
    }
    for (const auto& [peer, queue] : store.unreadMsgs)
        for (const auto& m : queue) EXPECT_NE(std::memchr(m.text, 0, sizeof m.text), nullptr);
    for (const auto& c : store.ownCategories) EXPECT_NE(std::memchr(c.name, 0, sizeof c.name), nullptr);
    for (const auto& a : store.agents) EXPECT_NE(std::memchr(a.name, 0, sizeof a.name), nullptr);
    for (const auto& [id, s] : store.switchRecords) EXPECT_NE(std::memchr(s.note, 0, sizeof s.note), nullptr);
}

TEST(HostileBodies, TruncatedAndOverwrittenBodiesAreHandled) {
    std::mt19937 random(20261210);
    for (EngineVariant variant : {EngineVariant::Desk, EngineVariant::Messenger}) {
        SessionFixture f(variant);
        f.ListOwner(501);
        f.KnownUser(100);
        for (const Sample& sample : Samples()) {
            SCOPED_TRACE(std::string(VariantName(variant)) + " command " + std::to_string(sample.command));
            for (size_t n = 0; n <= sample.body.size(); ++n) {
                f.Deliver(sample.command, std::vector<uint8_t>(sample.body.begin(), sample.body.begin() + n));
            }
            for (int round = 0; round < 40; ++round) {
                std::vector<uint8_t> body = sample.body;
                const int flips = 1 + static_cast<int>(random() % 4);
                for (int i = 0; i < flips && !body.empty(); ++i) {
                    // Mostly small values and 0xFF runs: they make counts and lengths lie.
                    const uint8_t values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, static_cast<uint8_t>(random())};
                    body[random() % body.size()] = values[random() % 6];
                }
                f.Deliver(sample.command, body);
            }
            // The requests that the replies triggered are of no interest here.
            f.queue.Clear();
        }
        EXPECT_GT(f.notifier.notes.size(), 100u);  // the handlers did run
        CheckTerminated(f.store);
    }
}

}  // namespace
