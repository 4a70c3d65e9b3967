// The wire format: every request as it goes into the send queue (golden
// bytes written out by hand from the protocol's tables), the dispatcher's
// length rules at each boundary, and the reply parsers fed hostile bodies.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "TestSupport.h"

using namespace sessiontest;
using engine::EngineVariant;
namespace wire = engine::wire;

namespace {

// ---- Golden request packets -----------------------------------------------------------

struct RequestCase {
    const char* name;
    EngineVariant variant;
    std::function<void(SessionFixture&)> request;
    std::vector<std::vector<uint8_t>> packets;  // the whole queue afterwards, front first
};

std::vector<uint8_t> Header(const char* command, const char* length) {
    return Hex(std::string(command) + " 00000000 ff000000 00000000 00000000 " + length);
}

UserInfoBase SampleBase() {
    UserInfoBase b{};
    b.userId = kOwnId;
    b.carried = 5;
    b.userType = 4;
    b.status = 1;
    std::strcpy(b.nickname, "nick");
    std::strcpy(b.memo, "m");
    std::strcpy(b.category, "c");
    std::strcpy(b.signature, "sig");
    return b;
}

UserInfoExt SampleExt() {
    UserInfoExt e{};
    e.gender = 1;
    e.birthDate = 20261201;
    e.bloodType = 3;
    std::strcpy(e.fullName, "full");
    std::strcpy(e.loginName, "login");
    return e;
}

SwitchCustomerRecord SampleSwitch() {
    SwitchCustomerRecord s{};
    s.actingAgent = kOwnId;
    s.owningAgent = 1002;
    s.customerId = 77;
    std::strcpy(s.note, "note");
    return s;
}

const std::vector<uint8_t> kSwitchBytes =
    Cat({Hex("e9030000 ea030000 4d000000"), R("note"), Zeros(96)});

std::vector<RequestCase> RequestCases() {
    const auto D = EngineVariant::Desk;
    const auto M = EngineVariant::Messenger;
    return {
        {"Logout at the front", D, [](SessionFixture& f) { f.session->RequestStatusList(); f.session->SendLogout(true); },
         {Cat({Header("01000000", "04000000"), Hex("e9030000")}), Header("05000000", "00000000")}},
        {"Logout at the back", D, [](SessionFixture& f) { f.session->RequestStatusList(); f.session->SendLogout(false); },
         {Header("05000000", "00000000"), Cat({Header("01000000", "04000000"), Hex("e9030000")})}},
        {"Status change", M, [](SessionFixture& f) { f.session->RequestStatusChange(3); },
         {Cat({Header("03000000", "04000000"), Hex("03000000")})}},
        {"Friend list", M, [](SessionFixture& f) { f.session->RequestFriendList(); }, {Header("04000000", "00000000")}},
        {"Status list", M, [](SessionFixture& f) { f.session->RequestStatusList(); }, {Header("05000000", "00000000")}},
        {"Post log-on", M, [](SessionFixture& f) { f.session->RequestPostLogon(); }, {Header("06000000", "00000000")}},
        {"User info", M, [](SessionFixture& f) { f.session->RequestUserInfo(0x1234, 3); },
         {Cat({Header("0c000000", "08000000"), Hex("34120000 03000000")})}},
        {"Input status", M, [](SessionFixture& f) { f.session->SendInputStatus(42); },
         {Cat({Header("15000000", "08000000"), Hex("e9030000 2a000000")})}},
        {"Memo with its NUL", M, [](SessionFixture& f) { f.session->SendUserMemo(7, 8, "ab"); },
         {Cat({Header("17000000", "0b000000"), Hex("07000000 08000000 616200")})}},
        {"Memo null text", M, [](SessionFixture& f) { f.session->SendUserMemo(7, 8, nullptr); },
         {Cat({Header("17000000", "09000000"), Hex("07000000 08000000 00")})}},
        {"My info", M, [](SessionFixture& f) { f.session->SendMyInfo(SampleBase(), SampleExt()); },
         {Cat({Header("16000000", "bc010000"), Hex("e9030000 03000000"),
               Hex("e9030000 05000000 04000000 01000000"), R("nick"), Zeros(20), R("m"), Zeros(15),
               R("c"), Zeros(23), R("sig"), Zeros(253),
               Hex("01000000 51293501 03000000"), R("full"), Zeros(8), R("login"), Zeros(71)})}},
        {"File respond", M,
         [](SessionFixture& f) {
             FileRequestRecord r{};
             r.senderId = 42;
             r.receiverId = kOwnId;
             r.servingAgent = 3;
             r.fileSize = 0x10000;
             std::strcpy(r.fileName, "a.txt");
             f.session->SendFileRespond(r, FILE_REQ_ACCEPT);
         },
         {Cat({Header("27000000", "58000000"), Hex("00000000 2a000000 e9030000 03000000 00000100"), R("a.txt"),
               Zeros(59), Hex("01000000")})}},
        {"Text message, desk: front, text without NUL", D,
         [](SessionFixture& f) {
             f.session->RequestStatusList();
             TextMsgRecord m{};
             m.date = 20261210;
             m.time = 101010123;
             m.senderId = kOwnId;
             m.receiverId = 42;
             m.extraId = 9;
             std::strcpy(m.text, "hi");
             f.session->SendTextMsg(m);
         },
         {Cat({Header("12000000", "1a000000"), Hex("00000000 5a293501 cb4a0506 e9030000 2a000000 09000000 6869")}),
          Header("05000000", "00000000")}},
        {"Text message, messenger: back", M,
         [](SessionFixture& f) {
             f.session->RequestStatusList();
             TextMsgRecord m{};
             m.type = 2;
             m.time = 1;
             std::strcpy(m.text, "x");
             f.session->SendTextMsg(m);
         },
         {Header("05000000", "00000000"),
          Cat({Header("12000000", "19000000"), Hex("02000000 00000000 01000000 00000000 00000000 00000000 78")})}},
        {"Text message of 1023 bytes without a NUL in the field", D,
         [](SessionFixture& f) {
             TextMsgRecord m{};
             std::memset(m.text, 'a', sizeof m.text);
             f.session->SendTextMsg(m);
         },
         {Cat({Header("12000000", "17040000"), Zeros(24), std::vector<uint8_t>(1023, 'a')})}},
        {"Heartbeat", D, [](SessionFixture& f) { f.session->SetLoggedOn(true); EXPECT_TRUE(f.session->SendHeartbeat()); },
         {Header("02000000", "00000000")}},
        {"Log-on with a password digest", D,
         [](SessionFixture& f) {
             f.store.logonType = LOGON_TYPE_PASSWORD;
             f.store.password = L"secret";
             f.session->RequestStatusList();
             f.session->SendLogon();
         },
         {Cat({Header("00000000", "54000000"), Hex("e9030000"), R("5ebe2294ecd0e0f08eab7690d2a6ee69"),
               Hex("14000000"), Zeros(44)})}},
        {"Log-on digest of a GBK password", M,
         [](SessionFixture& f) {
             f.store.logonType = LOGON_TYPE_PASSWORD;
             f.store.password = L"\u5BC6\u7801";
             f.session->SendLogon();
         },
         {Cat({Header("00000000", "54000000"), Hex("e9030000"), R("d2293e30f0c964c5f6242486aa8a483c"),
               Hex("14000000"), Zeros(44)})}},
        {"Log-on digest covers an 80-byte password whole", D,
         [](SessionFixture& f) {
             f.store.logonType = LOGON_TYPE_PASSWORD;
             std::wstring p;
             for (int i = 0; i < 20; ++i) p += L"\u5BC6\u7801";
             f.store.password = p;
             f.session->SendLogon();
         },
         {Cat({Header("00000000", "54000000"), Hex("e9030000"), R("9acc37f0016868b5a5ab6d8488999472"),
               Hex("14000000"), Zeros(44)})}},
        {"Automatic log-on: no digest", D,
         [](SessionFixture& f) {
             f.store.logonType = LOGON_TYPE_AUTO;
             f.store.password = L"ignored";
             f.session->SendLogon();
         },
         {Cat({Header("00000000", "54000000"), Hex("e9030000"), Zeros(32), Hex("0a000000"), Zeros(44)})}},
        // Desk commands.
        {"Group users: kinds 3, 2, 0", D, [](SessionFixture& f) { f.session->RequestGroupUserList(kOwnId); },
         {Cat({Header("18000000", "08000000"), Hex("e9030000 03000000")}),
          Cat({Header("18000000", "08000000"), Hex("e9030000 02000000")}),
          Cat({Header("18000000", "08000000"), Hex("e9030000 00000000")})}},
        {"Talk list without a local list", D, [](SessionFixture& f) { f.session->RequestTalkList(kOwnId, 1, true); },
         {Cat({Header("19000000", "10000000"), Hex("e9030000 01000000 00000000 00000000")})}},
        {"Talk list asks for the users of the local list first", D,
         [](SessionFixture& f) {
             f.store.ownTalkLists[2] = {TalkListRecord{5, 0, 0, {}}, TalkListRecord{6, 0, 0, {}}};
             f.session->RequestTalkList(kOwnId, 2, true);
         },
         {Cat({Header("22000000", "0a000000"), Hex("0200 05000000 06000000")}),
          Cat({Header("19000000", "10000000"), Hex("e9030000 02000000 00000000 00000000")})}},
        {"User list", D, [](SessionFixture& f) { f.session->RequestUserList(55); },
         {Cat({Header("1a000000", "04000000"), Hex("37000000")})}},
        {"Message records without a local file", D, [](SessionFixture& f) { f.session->RequestMsgRecords(kOwnId, 77, 1); },
         {Cat({Header("1b000000", "14000000"), Hex("e9030000 4d000000 01000000 00000000 00000000")})}},
        {"User status", D, [](SessionFixture& f) { f.session->RequestUserStatus(55); },
         {Cat({Header("1c000000", "04000000"), Hex("37000000")})}},
        {"Agent list", D, [](SessionFixture& f) { f.session->RequestSwitchUserList(); },
         {Cat({Header("1d000000", "04000000"), Hex("e9030000")})}},
        {"Hand-over", D, [](SessionFixture& f) { f.session->SwitchCustomer(SampleSwitch()); },
         {Cat({Header("1e000000", "70000000"), kSwitchBytes})}},
        {"Grab", D, [](SessionFixture& f) { f.session->GrabCustomer(1002, 77); },
         {Cat({Header("1f000000", "74000000"), Hex("e9030000 ea030000 4d000000"), Zeros(104)})}},
        {"Grab confirmation", D, [](SessionFixture& f) { f.session->ConfirmGrabCustomer(SampleSwitch(), 3); },
         {Cat({Header("1f000000", "74000000"), kSwitchBytes, Hex("03000000")})}},
        {"Pending switch records", D, [](SessionFixture& f) { f.session->RequestSwitchRecords(); },
         {Header("20000000", "00000000")}},
        {"Archive search", D,
         [](SessionFixture& f) {
             MsgSearchRequest r{};
             r.startDate = 20261201;
             r.endDate = 20261210;
             std::strcpy(r.keywords, "kw");
             f.session->SearchMsgRecord(r);
         },
         {Cat({Header("21000000", "48000000"), Hex("51293501 5a293501"), R("kw"), Zeros(62)})}},
        {"Users info", D, [](SessionFixture& f) { f.session->RequestUsersInfo({5, 6}); },
         {Cat({Header("22000000", "0a000000"), Hex("0200 05000000 06000000")})}},
        {"Friend update without a local list asks for the whole list", D,
         [](SessionFixture& f) { f.session->RequestFriendUpdate(kOwnId); },
         {Cat({Header("23000000", "0c000000"), Hex("e9030000 78030000 00000000")}), Header("04000000", "00000000")}},
        {"Friend update of another user without a list", D, [](SessionFixture& f) { f.session->RequestFriendUpdate(55); },
         {Cat({Header("23000000", "0c000000"), Hex("37000000 78030000 00000000")}),
          Cat({Header("1a000000", "04000000"), Hex("37000000")})}},
        {"User friends", D, [](SessionFixture& f) { f.session->RequestUserFriends(55); },
         {Cat({Header("24000000", "04000000"), Hex("37000000")})}},
        {"Set a common reply", D,
         [](SessionFixture& f) { f.session->SetCommReply(CommReplyChange{9, 2, "ok"}, COMMREPLY_OP_SET); },
         {Cat({Header("25000000", "13000000"), Hex("00000000 09000000 02000000 03000000 6f6b00")})}},
        {"Delete a common reply", D,
         [](SessionFixture& f) { f.session->SetCommReply(CommReplyChange{9, 2, ""}, COMMREPLY_OP_DELETE); },
         {Cat({Header("25000000", "11000000"), Hex("09000000 09000000 02000000 01000000 00")})}},
        {"Common replies", D, [](SessionFixture& f) { f.session->RequestCommReply(); }, {Header("26000000", "00000000")}},
        // The messenger sends none of the desk's commands.
        {"Messenger: no desk request", M,
         [](SessionFixture& f) {
             f.session->RequestGroupUserList(kOwnId);
             f.session->RequestUserStatus(5);
             f.session->RequestCommReply();
             f.session->SwitchCustomer(SampleSwitch());
         },
         {}},
    };
}

TEST(WireRequests, GoldenPackets) {
    for (const RequestCase& c : RequestCases()) {
        SCOPED_TRACE(c.name);
        SessionFixture f(c.variant);
        c.request(f);
        const auto queued = f.queue.Snapshot();
        ASSERT_EQ(queued.size(), c.packets.size());
        for (size_t i = 0; i < queued.size(); ++i) EXPECT_EQ(queued[i], c.packets[i]) << "packet " << i;
    }
}

TEST(WireRequests, LogonClearsTheQueueAndGoesFirst) {
    SessionFixture f(EngineVariant::Desk);
    f.session->RequestStatusList();
    f.session->RequestFriendList();
    f.session->SendLogon();
    EXPECT_EQ(f.QueuedCommands(), std::vector<uint32_t>{CMD_LOGON});
}

TEST(WireRequests, HeartbeatOnlyWhenLoggedOnAndTheQueueIsEmpty) {
    SessionFixture f(EngineVariant::Messenger);
    EXPECT_FALSE(f.session->SendHeartbeat());
    EXPECT_TRUE(f.queue.Empty());
    f.session->SetLoggedOn(true);
    f.session->RequestStatusList();
    EXPECT_FALSE(f.session->SendHeartbeat());
    EXPECT_EQ(f.queue.Size(), 1u);
}

TEST(WireRequests, UsersInfoOfMoreThan65535IdsIsSplit) {
    SessionFixture f(EngineVariant::Desk);
    std::vector<int32_t> ids(65536 + 2);
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<int32_t>(i + 1);
    f.session->RequestUsersInfo(ids);
    const auto q = f.Queued();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].body.size(), 2u + 4u * 65535u);
    EXPECT_EQ(q[0].body[0], 0xff);
    EXPECT_EQ(q[0].body[1], 0xff);
    EXPECT_EQ(q[1].body, Hex("0300 00000100 01000100 02000100"));
}

// ---- Header and length rules ----------------------------------------------------------

TEST(WireHeader, ReadHeaderChecksLengthAndCap) {
    PacketHeader h{};
    const auto good = wire::BuildPacket(5, Hex("0100 02000000 03000000"));
    EXPECT_TRUE(wire::ReadHeader(good.data(), good.size(), h));
    EXPECT_EQ(h.command, 5u);
    EXPECT_EQ(h.bodyLength, 10u);
    EXPECT_FALSE(wire::ReadHeader(good.data(), 23, h));
    EXPECT_FALSE(wire::ReadHeader(good.data(), good.size() - 1, h));  // length word says more
    auto huge = Header("05000000", "01005001");                       // 21 MiB + 1
    EXPECT_FALSE(wire::ReadHeader(huge.data(), huge.size(), h));
    auto wrapped = Header("05000000", "ffffffff");
    EXPECT_FALSE(wire::ReadHeader(wrapped.data(), wrapped.size(), h));
}

struct RuleCase {
    uint32_t command;
    size_t length;
    bool desk;
    bool messenger;
};

// Bodies are zero-filled except where the rule reads a count (commands 5, 34).
std::vector<uint8_t> BodyFor(uint32_t command, size_t length, uint16_t count) {
    std::vector<uint8_t> body(length, 0);
    if ((command == CMD_GET_STATUS_LIST || command == CMD_GET_USERS_INFO) && length >= 2) {
        body[0] = static_cast<uint8_t>(count);
        body[1] = static_cast<uint8_t>(count >> 8);
    }
    return body;
}

TEST(WireRules, LengthRulesAtEachBoundary) {
    const RuleCase cases[] = {
        // command, body length, desk accepts, messenger accepts
        {0, 7, false, false}, {0, 8, true, true}, {0, 9, false, false},
        {1, 3, false, false}, {1, 4, true, true}, {1, 5, false, false},
        {2, 0, false, false}, {2, 4, false, false},
        {3, 7, false, false}, {3, 8, true, true}, {3, 9, false, false},
        {4, 3, false, false}, {4, 4, true, true}, {4, 400, true, true},
        {6, 0, false, false}, {6, 8, false, false},
        {7, 8, false, false}, {11, 8, false, false}, {13, 8, false, false}, {15, 8, false, false},
        {12, 1, true, true}, {12, 8, true, true}, {12, 0, false, false},
        {16, 3, false, false}, {16, 4, true, true}, {16, 5, false, false},
        {17, 12, false, false}, {17, 13, true, true},
        {18, 15, false, false}, {18, 16, true, true}, {18, 17, false, false}, {18, 23, false, false},
        {18, 24, true, true}, {18, 2000, true, true},
        {19, 8, false, false}, {20, 8, false, false},
        {21, 7, false, false}, {21, 8, true, true}, {21, 9, false, false},
        {22, 1, true, true}, {22, 4, true, true},
        {23, 8, false, false}, {23, 9, true, true},
        {24, 7, false, false}, {24, 8, true, false},
        {25, 11, false, false}, {25, 12, true, false},
        {26, 8, false, false}, {26, 9, true, false},
        {27, 35, false, false}, {27, 36, true, false},
        {28, 7, false, false}, {28, 8, true, false},
        {29, 4, false, false}, {29, 5, true, false},
        {30, 15, false, false}, {30, 16, true, false}, {30, 17, false, false},
        {31, 115, false, false}, {31, 116, true, false},
        {32, 4, false, false}, {32, 5, true, false},
        {33, 0, true, false}, {33, 1, true, false}, {33, 116, true, false},
        {35, 15, false, false}, {35, 16, true, false},
        {36, 8, false, false}, {36, 9, true, false},
        {37, 15, false, false}, {37, 16, true, false},
        {38, 4, false, false}, {38, 5, true, false},
        {39, 87, false, false}, {39, 88, true, true},
        {40, 8, false, false}, {41, 8, false, false}, {0xFFFFFFFFu, 8, false, false},
        // Header-only packets: only the desk's command 33.
        {0, 0, false, false}, {4, 0, false, false}, {18, 0, false, false}, {39, 0, false, false},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE("command " + std::to_string(c.command) + " length " + std::to_string(c.length));
        const ExactBuffer body(BodyFor(c.command, c.length, 1));
        EXPECT_EQ(wire::Accepts(EngineVariant::Desk, c.command, body.data(), body.size()), c.desk);
        EXPECT_EQ(wire::Accepts(EngineVariant::Messenger, c.command, body.data(), body.size()), c.messenger);
    }
}

TEST(WireRules, CountedPairsNeedAtLeastOneAndTheExactLength) {
    struct { uint32_t command; uint16_t count; size_t length; bool accepted; } cases[] = {
        {CMD_GET_STATUS_LIST, 0, 2, false},  {CMD_GET_STATUS_LIST, 1, 9, false},
        {CMD_GET_STATUS_LIST, 1, 10, true},  {CMD_GET_STATUS_LIST, 1, 11, false},
        {CMD_GET_STATUS_LIST, 2, 18, true},  {CMD_GET_STATUS_LIST, 65535, 10, false},
        {CMD_GET_STATUS_LIST, 1, 1, false},  {CMD_GET_USERS_INFO, 0, 10, false},
        {CMD_GET_USERS_INFO, 1, 10, true},   {CMD_GET_USERS_INFO, 3, 26, true},
        {CMD_GET_USERS_INFO, 3, 18, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("command " + std::to_string(c.command) + " count " + std::to_string(c.count) + " length " +
                     std::to_string(c.length));
        const ExactBuffer body(BodyFor(c.command, c.length, c.count));
        EXPECT_EQ(wire::Accepts(EngineVariant::Desk, c.command, body.data(), body.size()), c.accepted);
    }
}

TEST(WireRules, DispatchDropsWhatTheRulesRefuseWithoutEffect) {
    SessionFixture f(EngineVariant::Desk);
    EXPECT_FALSE(f.Deliver(CMD_TEXT_MSG, Zeros(20)));         // 17..23: no effect
    EXPECT_FALSE(f.Deliver(CMD_GET_STATUS_LIST, Hex("0200 05000000 00000000")));  // not 2 + 8c
    EXPECT_FALSE(f.Deliver(CMD_INPUT_STATUS, Hex("05000000 e9030000 00")));
    EXPECT_FALSE(f.Deliver(CMD_GET_FRIEND_LIST, {}));
    EXPECT_FALSE(f.Deliver(CMD_HEARTBEAT, {}));
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_TRUE(f.queue.Empty());
    EXPECT_TRUE(f.store.unreadMsgs.empty());
    // A packet shorter than a header, or whose length word lies.
    const uint8_t shortPacket[10] = {};
    EXPECT_FALSE(f.session->Dispatch(shortPacket, sizeof shortPacket));
    auto lying = Cat({Header("01000000", "08000000"), Hex("10270000")});
    ExactBuffer exact(lying);
    EXPECT_FALSE(f.session->Dispatch(exact.data(), exact.size()));
    EXPECT_TRUE(f.notifier.notes.empty());
}

// ---- Hostile bodies ------------------------------------------------------------------

std::vector<uint8_t> FriendListSample() {
    return Cat({B(2), B(0xAA), H(2),
                W(1), W(10), T("Friends"),
                W(2), W(20), T("Work"),
                W(100), W(1), W(7), W(4), T("alice"), T("m1"), T("s1"),
                W(101), W(2), W(8), W(5), T("bob"), T(""), T("s2")});
}

TEST(WireParsers, FriendListBodyWhole) {
    const ExactBuffer body(FriendListSample());
    wire::BodyReader r(body.data(), body.size());
    const auto list = wire::ParseFriendListBody(r);
    ASSERT_EQ(list.categories.size(), 2u);
    EXPECT_EQ(list.categories[1].id, 2);
    EXPECT_EQ(std::string(list.categories[1].name.data, list.categories[1].name.length), "Work");
    ASSERT_EQ(list.users.size(), 2u);
    EXPECT_EQ(list.users[1].userId, 101);
    EXPECT_EQ(list.users[1].word, 8);
    EXPECT_EQ(list.users[1].userType, 5);
    EXPECT_EQ(list.users[1].memo.length, 0u);
    EXPECT_EQ(std::string(list.users[1].signature.data, list.users[1].signature.length), "s2");
}

TEST(WireParsers, FriendListBodyCutAtEveryLengthStaysInside) {
    const auto whole = FriendListSample();
    for (size_t n = 0; n <= whole.size(); ++n) {
        SCOPED_TRACE(n);
        const ExactBuffer body(std::vector<uint8_t>(whole.begin(), whole.begin() + n));
        wire::BodyReader r(body.data(), body.size());
        const auto list = wire::ParseFriendListBody(r);
        EXPECT_LE(list.categories.size(), 2u);
        EXPECT_LE(list.users.size(), 2u);
        // An entry is taken only when it is whole: the last user needs every byte.
        EXPECT_EQ(list.users.size() == 2, n == whole.size());
        for (const auto& u : list.users) {
            EXPECT_LE(reinterpret_cast<const uint8_t*>(u.signature.data) + u.signature.length,
                      body.data() + body.size());
        }
    }
}

TEST(WireParsers, CountsLargerThanTheBodyAreCut) {
    {   // 255 categories and 65535 users promised, one of each present.
        const ExactBuffer body(Cat({B(255), B(0), H(65535), W(1), W(1), T("a")}));
        wire::BodyReader r(body.data(), body.size());
        const auto list = wire::ParseFriendListBody(r);
        EXPECT_EQ(list.categories.size(), 1u);
        EXPECT_TRUE(list.users.empty());
    }
    {
        wire::GroupUserReply out;
        const ExactBuffer body(Cat({W(2), W(INT32_MAX), Zeros(32 + 31)}));
        ASSERT_TRUE(wire::ParseGroupUserReply(body.data(), body.size(), out));
        EXPECT_EQ(out.records.size(), 1u);
    }
    {
        wire::TalkListReply out;
        const ExactBuffer body(Cat({W(1), W(1), W(-5), Zeros(36)}));
        ASSERT_TRUE(wire::ParseTalkListReply(body.data(), body.size(), out));
        EXPECT_TRUE(out.records.empty());  // a negative count holds nothing
    }
    {
        wire::AgentListReply out;
        const ExactBuffer body(Cat({W(1000), Zeros(16 * 2 + 15)}));
        ASSERT_TRUE(wire::ParseAgentList(body.data(), body.size(), out));
        EXPECT_EQ(out.records.size(), 2u);
    }
    {
        wire::SwitchRecordsReply out;
        const ExactBuffer body(Cat({W(INT32_MAX), W(1), W(2), W(3), W(4), Zeros(3)}));
        ASSERT_TRUE(wire::ParseSwitchRecords(body.data(), body.size(), out));
        ASSERT_EQ(out.records.size(), 1u);
        EXPECT_EQ(out.records[0].customerId, 3);
    }
    {
        wire::FriendUpdateReply out;
        const ExactBuffer body(Cat({W(1), W(20261210), W(0), H(65535), H(65535), Zeros(24 + 5)}));
        ASSERT_TRUE(wire::ParseFriendUpdateReply(body.data(), body.size(), out));
        EXPECT_EQ(out.updates.size(), 1u);
        EXPECT_TRUE(out.users.empty());
    }
    {
        wire::UserFriendsReply out;
        const ExactBuffer body(Cat({W(5), B(200), Zeros(3), W(1), W(2), T("x"), W(3), W(4), R("no-nul")}));
        ASSERT_TRUE(wire::ParseUserFriendsReply(body.data(), body.size(), out));
        EXPECT_EQ(out.categories.size(), 1u);  // the second name has no NUL
    }
}

TEST(WireParsers, CommonRepliesWithHostileCountsAndTexts) {
    std::vector<wire::CommReplyEntry> out;
    {
        // Every counted reply is kept: the last text, without its NUL, is
        // cut at the body's end; a reply past the texts has an empty one.
        const ExactBuffer body(Cat({W(3), W(7), W(8), W(9), W(0), W(1), W(2), T("first"), R("second")}));
        ASSERT_TRUE(wire::ParseCommReplies(body.data(), body.size(), out));
        ASSERT_EQ(out.size(), 3u);
        EXPECT_EQ(out[0].id, 7);
        EXPECT_EQ(out[0].position, 0);
        EXPECT_EQ(std::string(out[0].text.data, out[0].text.length), "first");
        EXPECT_EQ(out[1].id, 8);
        EXPECT_EQ(out[1].position, 1);
        EXPECT_EQ(std::string(out[1].text.data, out[1].text.length), "second");
        EXPECT_EQ(out[2].id, 9);
        EXPECT_EQ(out[2].text.length, 0u);
    }
    {   // ids and positions do not fit: the reply is refused
        const ExactBuffer body(Cat({W(INT32_MAX), W(1)}));
        EXPECT_FALSE(wire::ParseCommReplies(body.data(), body.size(), out));
        const ExactBuffer body2(Cat({W(0x20000000), W(1), W(2)}));
        EXPECT_FALSE(wire::ParseCommReplies(body2.data(), body2.size(), out));
    }
    {
        const ExactBuffer body(Cat({W(-3), W(1)}));
        ASSERT_TRUE(wire::ParseCommReplies(body.data(), body.size(), out));
        EXPECT_TRUE(out.empty());
    }
}

TEST(WireParsers, UserInfoKindsAndSizes) {
    struct { const char* name; std::vector<uint8_t> body; bool ok; bool base; bool ext; } cases[] = {
        {"short", Zeros(7), false, false, false},
        {"head only", Cat({W(5), W(3)}), true, false, false},
        {"kind 3 whole", Cat({W(5), W(3), Zeros(336), Zeros(100)}), true, true, true},
        {"kind 3, ext one byte short", Cat({W(5), W(3), Zeros(336), Zeros(99)}), true, true, false},
        {"kind 3, base short", Cat({W(5), W(3), Zeros(335)}), true, false, false},
        {"kind 1 with more", Cat({W(5), W(1), Zeros(336), Zeros(100)}), true, true, false},
        {"kind 2 exact", Cat({W(5), W(2), Zeros(100)}), true, false, true},
        {"kind 2 one more", Cat({W(5), W(2), Zeros(101)}), true, false, false},
        {"kind low byte", Cat({W(5), W(0x7F03), Zeros(336)}), true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ExactBuffer body(c.body);
        wire::UserInfoReply out;
        EXPECT_EQ(wire::ParseUserInfoReply(body.data(), body.size(), out), c.ok);
        EXPECT_EQ(out.hasBase, c.base);
        EXPECT_EQ(out.hasExt, c.ext);
    }
}

TEST(WireParsers, SearchResultsOnlyInWholeRecords) {
    std::vector<MsgSearchResult> out;
    for (size_t n : {0u, 1u, 115u, 117u, 174u, 231u}) {
        const ExactBuffer body(Zeros(n));
        EXPECT_FALSE(wire::ParseSearchResults(body.data(), body.size(), out)) << n;
    }
    const ExactBuffer two(Zeros(232));
    EXPECT_TRUE(wire::ParseSearchResults(two.data(), two.size(), out));
    EXPECT_EQ(out.size(), 2u);
}

TEST(WireParsers, MemoTextEndsAtItsNulOrTheBody) {
    wire::MemoReply out;
    const ExactBuffer withNul(Cat({W(0), W(5), T("abc"), R("zz")}));
    ASSERT_TRUE(wire::ParseMemoReply(withNul.data(), withNul.size(), out));
    EXPECT_EQ(out.memo.length, 3u);
    const ExactBuffer noNul(Cat({W(0), W(5), R("abcdef")}));
    ASSERT_TRUE(wire::ParseMemoReply(noNul.data(), noNul.size(), out));
    EXPECT_EQ(out.memo.length, 6u);
}

// ---- Text fields ----------------------------------------------------------------------

TEST(WireText, FieldsAreCutOnACharacterBoundaryAndTerminated) {
    engine::GbkCodePage gbk;
    // 22 ASCII bytes and then a two-byte character: the field of 24 keeps 22.
    const std::string text = std::string(22, 'a') + Gbk(L"\u4E2D") + "b";
    char field[24];
    std::memset(field, 'x', sizeof field);
    wire::CopyTextField(field, sizeof field, text.data(), text.size(), &gbk);
    EXPECT_EQ(std::string(field), std::string(22, 'a'));
    EXPECT_EQ(field[23], '\0');
    // 21 ASCII bytes: the character fits whole.
    const std::string fits = std::string(21, 'a') + Gbk(L"\u4E2D") + "b";
    wire::CopyTextField(field, sizeof field, fits.data(), fits.size(), &gbk);
    EXPECT_EQ(std::string(field), fits.substr(0, 23));
    // An unterminated field from the wire is terminated on a boundary.
    char wireField[16];
    std::memset(wireField, 'q', sizeof wireField);
    const std::string zh = Gbk(L"\u4E2D");
    std::memcpy(wireField + 14, zh.data(), 2);
    wire::TerminateField(wireField, sizeof wireField, &gbk);
    EXPECT_EQ(std::string(wireField), std::string(14, 'q'));
    // A lone lead byte at the end of the text counts as one byte.
    EXPECT_EQ(wire::CutText("ab\x81", 3, 10, &gbk), 3u);
}

}  // namespace
