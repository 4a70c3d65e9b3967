// The handlers both engine builds share, run against both variants: log-on
// and log-out replies, text messages and their acknowledgement, friend and
// status lists, user information, typing notices, memos, the own profile and
// file offers. What differs between the builds is in messenger_variant_test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "TestSupport.h"

using namespace sessiontest;
using engine::EngineVariant;

namespace {

class SharedSession : public ::testing::TestWithParam<EngineVariant> {
protected:
    SharedSession() : f(GetParam()) {}
    bool Has(const Note& note) const {
        return std::find(f.notifier.notes.begin(), f.notifier.notes.end(), note) != f.notifier.notes.end();
    }
    bool Logged(const std::wstring& line) const {
        return std::find(f.log.lines.begin(), f.log.lines.end(), line) != f.log.lines.end();
    }
    SessionFixture f;
};

std::vector<uint8_t> IncomingBody(int32_t type, int32_t sender, int32_t receiver, const std::vector<uint8_t>& text,
                                  int32_t time = 101010123) {
    return Cat({W(type), W(20261210), W(time), W(sender), W(receiver), W(0), text});
}

// ---- Log-on and log-out ------------------------------------------------------------

TEST_P(SharedSession, LogonReplyOkStartsTheSession) {
    f.store.reconnectAttempts = 2;
    EXPECT_TRUE(f.Deliver(CMD_LOGON, Cat({W(kOwnId), W(LOGON_OK)})));
    EXPECT_TRUE(f.session->LoggedOn());
    EXPECT_EQ(f.store.curUserId, kOwnId);
    EXPECT_EQ(f.store.reconnectAttempts.load(), 0);
    EXPECT_TRUE(Logged(L"\u767B\u5F55\u6210\u529F"));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_LOGON, 1, LOGON_OK)});
    ASSERT_FALSE(f.queue.Empty());
    EXPECT_EQ(f.Queued().front().command, CMD_GET_USER_INFO);
}

TEST_P(SharedSession, LogonReplyFailureClearsTheUserAndQueuesNothing) {
    EXPECT_TRUE(f.Deliver(CMD_LOGON, Cat({W(kOwnId), W(LOGON_ERR_REPEATED)})));
    EXPECT_FALSE(f.session->LoggedOn());
    EXPECT_EQ(f.store.curUserId, 0);
    EXPECT_TRUE(f.queue.Empty());
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_LOGON, 0, LOGON_ERR_REPEATED)});
}

// Only 10000 and 10001 end the session and tell the client (which reads
// wParam 0 as "logged on elsewhere"); any other result is only logged.
TEST_P(SharedSession, OnlyTheTwoLogoutRepliesThatEndTheSessionPostWmImLogout) {
    struct { int32_t result; bool ends; uintptr_t wParam; } cases[] = {
        {10000, true, 1}, {10001, true, 0}, {10002, false, 0}, {10003, false, 0}, {10004, false, 0}, {0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        SessionFixture g(GetParam());
        g.store.ownStatus = 0;
        g.session->SetLoggedOn(true);
        EXPECT_TRUE(g.Deliver(CMD_LOGOUT, W(c.result)));
        EXPECT_EQ(g.store.running.load(), c.ends ? 0 : 1);
        EXPECT_EQ(g.store.ownStatus, c.ends ? STATUS_OFFLINE : 0);
        EXPECT_EQ(g.session->LoggedOn(), !c.ends);
        if (c.ends) {
            EXPECT_EQ(g.notifier.notes, std::vector<Note>{Posted(WM_IM_LOGOUT, c.wParam, 0)});
            EXPECT_EQ(g.log.lines, std::vector<std::wstring>{L"\u6210\u529F\u4E0B\u7EBF"});
        } else {
            EXPECT_TRUE(g.notifier.notes.empty());
            EXPECT_EQ(g.log.lines,
                      std::vector<std::wstring>{L"\u4E0B\u7EBF\u5E94\u7B54,\u7ED3\u679C:" + std::to_wstring(c.result)});
        }
    }
}

TEST_P(SharedSession, LogoutRequestIsLogged) {
    f.session->SendLogout(true);
    EXPECT_TRUE(Logged(L"\u51C6\u5907\u4E0B\u7EBF..."));
}

// ---- The largest lists -------------------------------------------------------------

// A friend list as large as its format allows (255 categories, 65535 users,
// every text as long as its field takes) arrives whole: every user is
// stored, listed and written to the list file.
TEST_P(SharedSession, TheLargestFriendListTheFormatAllowsIsTakenWhole) {
    std::vector<uint8_t> body = Cat({B(255), B(0), H(65535)});
    body.reserve(engine::kMaxFriendListBody);
    for (int32_t c = 0; c < 255; ++c) {
        const std::vector<uint8_t> name = T(std::string(23, char('a' + c % 26)));
        for (const auto& part : {W(c + 1), W(c), name}) body.insert(body.end(), part.begin(), part.end());
    }
    const std::vector<uint8_t> texts = Cat({T(std::string(23, 'n')), T(std::string(15, 'm')), T(std::string(255, 's'))});
    for (int32_t u = 0; u < 65535; ++u) {
        for (const auto& part : {W(100000 + u), W(u % 255 + 1), W(0), W(5)}) body.insert(body.end(), part.begin(), part.end());
        body.insert(body.end(), texts.begin(), texts.end());
    }
    ASSERT_EQ(body.size(), size_t(engine::kMaxFriendListBody));
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_LIST, body));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0)});
    size_t listed = 0;
    for (const auto& [name, members] : f.store.ownFriends) listed += members.size();
    EXPECT_EQ(listed, 65535u);
    EXPECT_EQ(f.store.ownCategories.size(), 255u);
    EXPECT_EQ(std::string(f.store.users.at(100000 + 65534).signature), std::string(255, 's'));
    EXPECT_EQ(DatHeaderOf(f.File(f.Own() + L"userlist.dat")).recordCount, 65535);
}

// ---- Sent messages -------------------------------------------------------------------

TEST_P(SharedSession, SentMessageCopiesFollowTheTypeAndTheFirstOfATimeWord) {
    f.session->SendTextMsg(Outgoing(100, 1));
    EXPECT_TRUE(f.store.sentMsgs.empty());  // type 1 keeps nothing
    EXPECT_EQ(f.queue.Size(), 1u);
    TextMsgRecord second = Outgoing(200);
    std::strcpy(second.text, "second");
    f.session->SendTextMsg(Outgoing(200));
    f.session->SendTextMsg(second);
    ASSERT_EQ(f.store.sentMsgs.size(), 1u);
    EXPECT_STREQ(f.store.sentMsgs.at(200).text, "hello");
    EXPECT_EQ(f.queue.Size(), 3u);  // every message still goes out
}

TEST_P(SharedSession, DeliveredAcknowledgementStampsFilesAndPosts) {
    for (int32_t result : {1, 5}) {
        SCOPED_TRACE(result);
        SessionFixture g(GetParam());
        g.session->SendTextMsg(Outgoing(101010123));
        EXPECT_TRUE(g.Deliver(CMD_TEXT_MSG, Cat({W(20261211), W(90000000), W(101010123), W(result)})));
        EXPECT_EQ(g.notifier.notes, std::vector<Note>{Posted(WM_IM_MSGSENT, 101010123, 90000000)});
        TextMsgRecord held{};
        ASSERT_TRUE(g.store.TakeSentMsg(101010123, held));
        EXPECT_EQ(held.date, 20261211);
        EXPECT_EQ(held.time, 90000000);
        // Written to the history with the peer, as sent (the path differs by build).
        const std::wstring path = GetParam() == EngineVariant::Desk ? g.Own() + L"msg\\42.msg"
                                                                    : g.Own() + L"msg\\42\\42.msg";
        const std::string file = g.File(path);
        ASSERT_GE(file.size(), 128u + 92u + 5u);
        EXPECT_EQ(file.substr(file.size() - 5), "hello");
    }
}

TEST_P(SharedSession, AcknowledgementOfAMessageNoLongerHeldIsIgnored) {
    EXPECT_TRUE(f.Deliver(CMD_TEXT_MSG, Cat({W(20261211), W(1), W(555), W(1)})));
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_FALSE(f.Exists(f.Own() + L"msg"));
}

TEST_P(SharedSession, FailedAcknowledgementLogsAndPosts) {
    f.session->SendTextMsg(Outgoing(123));
    EXPECT_TRUE(f.Deliver(CMD_TEXT_MSG, Cat({W(20261211), W(456), W(123), W(3)})));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_MSGFAILED, 123, 456)});
    EXPECT_TRUE(Logged(L"\u6D88\u606F\u7F16\u53F7:123 \u53D1\u9001\u5931\u8D25, "
                       L"\u670D\u52A1\u5668\u5F53\u524D\u65F6\u95F4:456, \u9519\u8BEF\u4EE3\u7801: 3"));
}

// ---- Received messages ------------------------------------------------------------------

TEST_P(SharedSession, IncomingMessageIsQueuedFiledAndAnnounced) {
    EXPECT_TRUE(f.Deliver(CMD_TEXT_MSG, IncomingBody(0, 42, kOwnId, R("hi there"))));
    const TextMsgQueue& queue = f.store.UnreadMsgAt(42);
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue[0].senderId, 42);
    EXPECT_EQ(queue[0].time, 101010123);
    EXPECT_STREQ(queue[0].text, "hi there");
    EXPECT_EQ(f.notifier.notes,
              (std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_NEWMSG, 42), Posted(WM_IM_CHATMSG, 42, 0)}));
    // A received message also updates the latest contacts.
    const std::string latest = f.File(f.Own() + L"msg\\latestContact.dat");
    ASSERT_EQ(latest.size(), 128u + 16u);
    LatestContactRecord contact;
    std::memcpy(&contact, latest.data() + 128, sizeof contact);
    EXPECT_EQ(contact.peerId, 42);
    EXPECT_EQ(contact.time, 101010);
}

TEST_P(SharedSession, OnlyOrdinaryMessagesRaiseTheChatNotice) {
    EXPECT_TRUE(f.Deliver(CMD_TEXT_MSG, IncomingBody(2, 42, kOwnId, R("x"))));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_NEWMSG, 42)});
}

TEST_P(SharedSession, IncomingTextIsCutTo1023BytesOnACharacterBoundary) {
    struct { const char* name; std::vector<uint8_t> text; size_t kept; } cases[] = {
        {"head only", {}, 0},
        {"1023", std::vector<uint8_t>(1023, 'a'), 1023},
        {"1500", std::vector<uint8_t>(1500, 'a'), 1023},
        {"character across the cut", Cat({std::vector<uint8_t>(1022, 'a'), R(Gbk(L"\u4E2D")), R("b")}), 1022},
        {"embedded NUL", Cat({R("ab"), Zeros(1), R("cd")}), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionFixture g(GetParam());
        EXPECT_TRUE(g.Deliver(CMD_TEXT_MSG, IncomingBody(0, 42, kOwnId, c.text)));
        ASSERT_EQ(g.store.UnreadMsgAt(42).size(), 1u);
        EXPECT_EQ(std::strlen(g.store.UnreadMsgAt(42)[0].text), c.kept);
    }
}

// ---- Friend list, statuses, user information -----------------------------------------------

std::vector<uint8_t> FriendList() {
    return Cat({B(2), B(0), H(3),
                W(1), W(10), T("Friends"),
                W(2), W(20), T("Work"),
                W(100), W(1), W(7), W(4), T(std::string(30, 'n')), T(std::string(20, 'm')), T(std::string(300, 's')),
                W(101), W(2), W(8), W(5), T("bob"), T(""), T("s2"),
                W(102), W(9), W(0), W(0), T("stray"), T(""), T("")});
}

TEST_P(SharedSession, FriendListRebuildsTheOwnListsAndSendsItsNotice) {
    f.store.ownFriends[L"Old"];
    f.store.ownCategories.push_back(CategoryRecord{9, 1, "Old"});
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_LIST, FriendList()));
    // Categories sorted by order key, greatest first.
    ASSERT_EQ(f.store.ownCategories.size(), 2u);
    EXPECT_STREQ(f.store.ownCategories[0].name, "Work");
    EXPECT_STREQ(f.store.ownCategories[1].name, "Friends");
    // One entry per category, and the stray user under the empty name.
    ASSERT_EQ(f.store.ownFriends.size(), 3u);
    ASSERT_EQ(f.store.ownFriends.at(L"Friends").size(), 1u);
    const UserInfoBase& alice = f.store.ownFriends.at(L"Friends")[0];
    EXPECT_EQ(alice.userId, 100);
    EXPECT_EQ(alice.carried, 7);
    EXPECT_EQ(alice.userType, 4);
    EXPECT_EQ(alice.status, STATUS_OFFLINE);
    EXPECT_EQ(std::string(alice.nickname), std::string(23, 'n'));
    EXPECT_EQ(std::string(alice.memo), std::string(15, 'm'));
    EXPECT_EQ(std::string(alice.signature), std::string(255, 's'));
    EXPECT_STREQ(alice.category, "Friends");
    EXPECT_EQ(f.store.ownFriends.at(L"Work")[0].userId, 101);
    EXPECT_EQ(f.store.ownFriends.at(L"")[0].userId, 102);
    // Users go into the user map with empty extended records.
    EXPECT_TRUE(f.store.IsKnownUser(100));
    EXPECT_EQ(f.store.usersExt.count(102), 1u);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0)});
    // The list file holds the three records.
    const std::string file = f.File(f.Own() + L"userlist.dat");
    const DatFileHeader h = DatHeaderOf(file);
    EXPECT_EQ(h.recordSize, 336);
    EXPECT_EQ(h.recordCount, 3);
    const auto records = DatRecordsOf<UserInfoBase>(file);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].userId, 102);
}

TEST_P(SharedSession, FriendListTruncatedMidEntryKeepsTheWholeEntries) {
    auto body = FriendList();
    body.resize(body.size() - 3);  // the third user loses its last texts
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_LIST, body));
    EXPECT_EQ(f.store.ownFriends.count(L""), 0u);
    EXPECT_EQ(f.store.ownFriends.at(L"Work").size(), 1u);
}

TEST_P(SharedSession, StatusListSetsFriendsAndTheLaterEntryWins) {
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_LIST, FriendList()));
    f.notifier.notes.clear();
    EXPECT_TRUE(f.Deliver(CMD_GET_STATUS_LIST, Cat({H(3), W(100), W(1), W(101), W(2), W(100), W(3)})));
    EXPECT_EQ(f.store.ownFriends.at(L"Friends")[0].status, 3);
    EXPECT_EQ(f.store.ownFriends.at(L"Work")[0].status, 2);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_STATUSLIST, 0)});
}

TEST_P(SharedSession, UserInformationStoresWhatTheReplyCarries) {
    UserInfoBase base{};
    base.userId = kOwnId;
    base.status = 2;
    std::memset(base.nickname, 'x', sizeof base.nickname);  // no NUL from the server
    UserInfoExt ext{};
    ext.birthDate = 20000101;
    struct { const char* name; std::vector<uint8_t> body; intptr_t notified; bool base; bool ext; } cases[] = {
        {"both", Cat({W(kOwnId), W(3), Rec(base), Rec(ext)}), kOwnId, true, true},
        {"ext one byte short", Cat({W(kOwnId), W(3), Rec(base), Zeros(99)}), kOwnId, true, false},
        {"ext only", Cat({W(kOwnId), W(2), Rec(ext)}), kOwnId, false, true},
        {"neither", Cat({W(kOwnId), W(1), Zeros(10)}), -1, false, false},
        {"shorter than the head", Zeros(5), -1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionFixture g(GetParam());
        EXPECT_TRUE(g.Deliver(CMD_GET_USER_INFO, c.body));
        EXPECT_EQ(g.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_USERINFO, c.notified)});
        EXPECT_EQ(g.store.IsKnownUser(kOwnId), c.base);
        EXPECT_EQ(g.store.ownStatus, c.base ? 2 : -1);
        if (c.base) {
            EXPECT_EQ(std::string(g.store.users.at(kOwnId).nickname), std::string(23, 'x'));
        }
        EXPECT_EQ(g.store.usersExt.count(kOwnId) ? g.store.usersExt.at(kOwnId).birthDate : 0,
                  c.ext ? 20000101 : 0);
    }
}

// ---- Typing, profile, memo, file offers -----------------------------------------------------

TEST_P(SharedSession, TypingNoticeOnlyForTheOwnId) {
    EXPECT_TRUE(f.Deliver(CMD_INPUT_STATUS, Cat({W(42), W(kOwnId)})));
    EXPECT_TRUE(f.Deliver(CMD_INPUT_STATUS, Cat({W(42), W(77)})));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_INPUTSTATUS, 42)});
}

TEST_P(SharedSession, ProfileReplyOtherThanTheWordOneAsksAgain) {
    struct { std::vector<uint8_t> body; bool asks; } cases[] = {
        {W(1), false}, {W(0), true}, {W(2), true}, {Cat({W(1), W(0)}), true}, {B(1), true},
    };
    for (const auto& c : cases) {
        SessionFixture g(GetParam());
        EXPECT_TRUE(g.Deliver(CMD_UPDATE_MY_INFO, c.body));
        if (c.asks) {
            ASSERT_EQ(g.Queued().size(), 1u);
            EXPECT_EQ(g.Queued()[0].command, CMD_GET_USER_INFO);
            EXPECT_EQ(g.Queued()[0].body, Cat({W(kOwnId), W(3)}));
        } else {
            EXPECT_TRUE(g.queue.Empty());
        }
    }
}

TEST_P(SharedSession, MemoIsCutTo15BytesInTheFriendList) {
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_LIST, FriendList()));
    f.notifier.notes.clear();
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_USER_MEMO, Cat({W(1), W(101), T("ignored")})));  // refused
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_USER_MEMO, Cat({W(0), W(101), R(std::string(20, 'q'))})));
    EXPECT_EQ(std::string(f.store.ownFriends.at(L"Work")[0].memo), std::string(15, 'q'));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_USERMEMO, 101)});
}

TEST_P(SharedSession, FileOfferIsHeldOnlyWhileItsNoticeIsSent) {
    FileRequestRecord offer{};
    offer.senderId = 42;
    offer.receiverId = kOwnId;
    offer.fileSize = 1234;
    std::memset(offer.fileName, 'f', sizeof offer.fileName);  // unterminated from the peer
    size_t seen = 0;
    std::string seenName;
    f.notifier.onSend = [&](const Note&) {
        const auto& held = f.store.FileRequestsAt(42);
        seen = held.size();
        if (!held.empty()) seenName = held[0].fileName;
    };
    EXPECT_TRUE(f.Deliver(CMD_FILE_REQUEST, Cat({Rec(offer), W(FILE_REQ_OFFER)})));
    EXPECT_EQ(seen, 1u);
    EXPECT_EQ(seenName, std::string(63, 'f'));
    EXPECT_TRUE(f.store.FileRequestsAt(42).empty());
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_FILEREQUEST, 42, FILE_REQ_OFFER)});
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, SharedSession,
                         ::testing::Values(EngineVariant::Desk, EngineVariant::Messenger),
                         [](const ::testing::TestParamInfo<EngineVariant>& info) {
                             return std::string(VariantName(info.param));
                         });

}  // namespace

namespace {

TEST(UnsentPackets, HeldTextMessagesEndInAFailureNotice) {
    SessionFixture f(EngineVariant::Desk);
    f.session->SendTextMsg(Outgoing(101010123));
    f.session->SendTextMsg(Outgoing(101010999, 1));
    f.session->RequestStatusList();
    for (const auto& packet : f.queue.Snapshot()) f.session->ReportUnsentPacket(packet);
    f.session->ReportUnsentPacket(engine::Packet(10, 0));  // not even a header
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_MSGFAILED, 101010123, 101010123)});
}

}  // namespace
