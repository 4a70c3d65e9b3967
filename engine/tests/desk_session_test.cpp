// The desk build's commands: group users and the role, talk, registered and
// contact lists, other users' lists, friend updates, user friends, users
// information, message records, user status, agents, hand-over and
// take-over, archive search and common replies.
#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"

using namespace sessiontest;
using engine::EngineVariant;

namespace {

class DeskSession : public ::testing::Test {
protected:
    DeskSession() : f(EngineVariant::Desk) {}

    template <class T>
    void WriteDat(const std::wstring& relative, int32_t date, int32_t time, const std::vector<T>& records) {
        DatFileHeader h{};
        h.kind = DAT_FILE_KIND;
        h.createDate = h.changeDate = date;
        h.createTime = h.changeTime = time;
        h.recordSize = sizeof(T);
        h.recordCount = static_cast<int32_t>(records.size());
        std::string bytes = enginetest::Bytes(&h, sizeof h);
        for (const T& r : records) bytes += enginetest::Bytes(&r, sizeof r);
        ASSERT_TRUE(enginetest::WriteBytes(f.files, f.Root() + relative, bytes));
    }
    std::string Dat(const std::wstring& relative) { return f.File(f.Root() + relative); }

    SessionFixture f;
};

const std::wstring kOwn = std::to_wstring(kOwnId) + L"\\";
const std::wstring kGroup501 = kOwn + L"MyGroup\\501\\";

TalkListRecord Talk(int32_t id, int32_t date, int32_t time, const char* name = "") {
    TalkListRecord r{};
    r.userId = id;
    r.date = date;
    r.time = time;
    std::strncpy(r.carried, name, sizeof r.carried - 1);
    return r;
}

std::vector<uint8_t> TalkReply(int32_t user, int32_t kind, const std::vector<TalkListRecord>& records) {
    std::vector<uint8_t> body = Cat({W(user), W(kind), W(static_cast<int32_t>(records.size()))});
    for (const auto& r : records) {
        const auto bytes = Rec(r);
        body.insert(body.end(), bytes.begin(), bytes.end());
    }
    return body;
}

UserInfoBase User(int32_t id, const char* category) {
    UserInfoBase u{};
    u.userId = id;
    u.status = STATUS_OFFLINE;
    std::strncpy(u.category, category, sizeof u.category - 1);
    return u;
}

CategoryRecord Category(int32_t id, int32_t order, const char* name) {
    CategoryRecord c{};
    c.id = id;
    c.order = order;
    std::strncpy(c.name, name, sizeof c.name - 1);
    return c;
}

// ---- Group users --------------------------------------------------------------------

TEST_F(DeskSession, GroupUsersByKind) {
    GroupUserRecord a{501, 7, "a"}, b{502, 8, "b"};
    struct { const char* name; std::vector<uint8_t> body; std::vector<Note> notes; int32_t role; std::vector<uint32_t> queued; } cases[] = {
        {"role, none", Cat({W(0), W(0)}), {Sent(WM_IM_NOTIFY, NOTIFY_ORGROLE, 0)}, 0, {}},
        {"role", Cat({W(0), W(2), Rec(a), Rec(b)}), {Sent(WM_IM_NOTIFY, NOTIFY_ORGROLE, 7)}, 7, {}},
        {"group, none", Cat({W(2), W(0)}), {Sent(WM_IM_NOTIFY, NOTIFY_GROUPUSERLIST, 0)}, -1, {}},
        {"user information", Cat({W(3), W(2), Rec(a), Rec(b)}), {}, -1, {CMD_GET_USER_INFO, CMD_GET_USER_INFO}},
        {"other kind", Cat({W(1), W(1), Rec(a)}), {}, -1, {}},
        {"role, count beyond the body", Cat({W(0), W(1000), Rec(a), Zeros(31)}), {Sent(WM_IM_NOTIFY, NOTIFY_ORGROLE, 7)}, 7, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionFixture g(EngineVariant::Desk);
        g.store.orgRoleId = -1;
        EXPECT_TRUE(g.Deliver(CMD_GET_GROUP_USER_LIST, c.body));
        EXPECT_EQ(g.notifier.notes, c.notes);
        EXPECT_EQ(g.store.orgRoleId, c.role);
        EXPECT_EQ(g.QueuedCommands(), c.queued);
        EXPECT_TRUE(g.store.groupUsers.empty());
    }
}

TEST_F(DeskSession, GroupUsersOfKind2AreEnteredFiledAndAskedFor) {
    f.store.FriendListAt(502).categories.push_back(Category(1, 1, "kept"));
    GroupUserRecord a{501, 7, {}}, b{502, 8, {}};
    std::memset(a.carried, 'z', sizeof a.carried);  // unterminated from the server
    EXPECT_TRUE(f.Deliver(CMD_GET_GROUP_USER_LIST, Cat({W(2), W(2), Rec(a), Rec(b)})));
    ASSERT_EQ(f.store.groupUsers.size(), 2u);
    EXPECT_EQ(std::string(f.store.groupUsers[0].carried), std::string(23, 'z'));
    EXPECT_EQ(f.store.FindFriendList(501)->userId, 501);
    EXPECT_EQ(f.store.FindFriendList(502)->categories.size(), 1u);  // an existing record is kept
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_NOTIFY, NOTIFY_GROUPUSERLIST, 0)});
    const std::string file = Dat(kOwn + L"groupUserList.dat");
    const DatFileHeader h = DatHeaderOf(file);
    EXPECT_EQ(h.createDate, 20261210);
    EXPECT_EQ(h.createTime, 101112);
    EXPECT_EQ(h.recordSize, 32);
    EXPECT_EQ(DatRecordsOf<GroupUserRecord>(file).size(), 2u);
    // Each user's friends and updates; without local lists the whole list too.
    EXPECT_EQ(f.QueuedCommands(), (std::vector<uint32_t>{CMD_GET_USER_FRIENDS, CMD_GET_FRIEND_UPDATE, CMD_GET_USER_LIST,
                                                          CMD_GET_USER_FRIENDS, CMD_GET_FRIEND_UPDATE, CMD_GET_USER_LIST}));
}

// ---- Talk, registered and contact lists ------------------------------------------------------

TEST_F(DeskSession, OwnTalkListOfKind0IsLoggedAndIgnored) {
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(kOwnId, 0, {Talk(5, 20261210, 100000)})));
    EXPECT_TRUE(f.store.ownTalkLists[0].empty());
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_EQ(f.log.lines.size(), 1u);
}

TEST_F(DeskSession, OwnRegisteredListIsMergedFiledAndAnnounced) {
    f.store.ownTalkLists[1] = {Talk(5, 20261201, 80000, "old5"), Talk(9, 20261201, 80000, "nine")};
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST,
                          TalkReply(kOwnId, 1, {Talk(6, 20261210, 93000, "six"), Talk(5, 20261209, 70000, "new5")})));
    const auto& list = f.store.ownTalkLists[1];
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list[0].carried, "new5");
    EXPECT_EQ(list[2].userId, 6);
    ASSERT_EQ(f.Queued().size(), 1u);
    EXPECT_EQ(f.Queued()[0].body, Cat({H(3), W(5), W(9), W(6)}));
    const std::string file = Dat(kOwn + L"regList.dat");
    const DatFileHeader h = DatHeaderOf(file);
    EXPECT_EQ(h.createDate, 20261210);
    EXPECT_EQ(h.createTime, 93000);
    EXPECT_EQ(h.changeTime, 93000);
    EXPECT_EQ(h.recordSize, 36);
    EXPECT_EQ(h.recordCount, 3);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_TALKLIST, kOwnId, 1)});
}

TEST_F(DeskSession, RegisteredListEqualToTheLocalFileChangesNothing) {
    WriteDat(kOwn + L"regList.dat", 20261210, 93000, std::vector<TalkListRecord>{Talk(1, 0, 0)});
    const std::string before = Dat(kOwn + L"regList.dat");
    f.store.ownTalkLists[1] = {Talk(1, 0, 0), Talk(2, 0, 0)};
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST,
                          TalkReply(kOwnId, 1, {Talk(7, 20261210, 93000), Talk(8, 20261210, 93000)})));
    EXPECT_EQ(Dat(kOwn + L"regList.dat"), before);
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_TRUE(f.queue.Empty());
    EXPECT_EQ(f.store.ownTalkLists[1].size(), 2u);
}

TEST_F(DeskSession, AnotherUsersTalkListIsReplacedOrCleared) {
    f.ListOwner(501).talkLists[0] = {Talk(1, 0, 0), Talk(2, 0, 0)};
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(501, 0, {Talk(3, 20261210, 120000)})));
    ASSERT_EQ(f.store.FindFriendList(501)->talkLists[0].size(), 1u);
    EXPECT_EQ(f.Queued()[0].body, Cat({H(1), W(3)}));
    EXPECT_EQ(DatHeaderOf(Dat(kGroup501 + L"talkList.dat")).recordCount, 1);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_TALKLIST, 501, 0)});

    f.notifier.notes.clear();
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(501, 0, {})));
    EXPECT_TRUE(f.store.FindFriendList(501)->talkLists[0].empty());
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_TALKLIST, 501, 0)});
    f.notifier.notes.clear();
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(501, 0, {})));  // already empty
    EXPECT_TRUE(f.notifier.notes.empty());
}

TEST_F(DeskSession, ListsOfUnknownUsersAreNotKept) {
    f.store.FriendListAt(502);  // created by a getter: id word 0
    for (int32_t user : {502, 503}) {
        for (int32_t kind : {0, 1, 2}) {
            EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(user, kind, {Talk(3, 20261210, 1)})));
        }
        EXPECT_TRUE(f.Deliver(CMD_GET_USER_LIST, Cat({W(user), B(1), B(0), H(0), W(1), W(1), T("c")})));
    }
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_TRUE(f.queue.Empty());
    EXPECT_FALSE(f.Exists(f.Own() + L"MyGroup"));
    EXPECT_EQ(f.store.friendLists.count(503), 0u);
}

TEST_F(DeskSession, ContactListIsMergedWithoutAskingForUsers) {
    f.store.ownTalkLists[2] = {Talk(5, 1, 1, "five")};
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(kOwnId, 2, {Talk(6, 20261210, 80000)})));
    EXPECT_EQ(f.store.ownTalkLists[2].size(), 2u);
    EXPECT_TRUE(f.queue.Empty());
    EXPECT_EQ(DatHeaderOf(Dat(kOwn + L"contactList.dat")).recordCount, 2);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_TALKLIST, kOwnId)});
    // The same stamp again, with records held: unchanged.
    f.notifier.notes.clear();
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(kOwnId, 2, {Talk(7, 20261210, 80000)})));
    EXPECT_EQ(f.store.ownTalkLists[2].size(), 2u);
    EXPECT_TRUE(f.notifier.notes.empty());
    // A contact reply of only its head does nothing.
    EXPECT_TRUE(f.Deliver(CMD_UPDATE_TALK_LIST, TalkReply(kOwnId, 2, {})));
    EXPECT_TRUE(f.notifier.notes.empty());
}

TEST_F(DeskSession, TalkListRequestCarriesTheLocalFileStamp) {
    f.ListOwner(501).talkLists[0] = {Talk(3, 0, 0)};
    WriteDat(kGroup501 + L"talkList.dat", 20261201, 93000, std::vector<TalkListRecord>{Talk(3, 0, 0)});
    f.session->RequestTalkList(501, 0, false);
    const auto q = f.Queued();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].command, CMD_GET_USERS_INFO);
    EXPECT_EQ(q[1].body, Cat({W(501), W(0), W(20261201), W(93000)}));
    f.queue.Clear();
    f.session->RequestTalkList(501, 0, true);  // after log-on: the file is not read
    EXPECT_EQ(f.Queued()[1].body, Cat({W(501), W(0), W(0), W(0)}));
    f.queue.Clear();
    f.session->RequestTalkList(501, 5, false);  // no such list
    EXPECT_TRUE(f.queue.Empty());
}

TEST_F(DeskSession, GetUserDataReadsTheKeptLists) {
    WriteDat(kGroup501 + L"talkList.dat", 20261201, 93000,
             std::vector<TalkListRecord>{Talk(3, 1, 2, "x"), Talk(4, 1, 2, "y")});
    FriendListRecord record;
    record.userId = 501;
    EXPECT_EQ(f.session->GetUserData(record, 8), 1);
    ASSERT_EQ(record.talkLists[0].size(), 2u);
    EXPECT_STREQ(record.talkLists[0][1].carried, "y");
    EXPECT_EQ(f.session->GetUserData(record, 9), 0);  // no registered list
    EXPECT_TRUE(record.talkLists[1].empty());
    EXPECT_EQ(f.session->GetUserData(record, 7), 0);
}

// ---- Other users' lists, friend updates, user friends -----------------------------------------

TEST_F(DeskSession, AnotherUsersListIsRebuiltAndFiled) {
    f.ListOwner(501);
    EXPECT_TRUE(f.Deliver(CMD_GET_USER_LIST, Cat({W(501), B(2), B(0), H(1), W(1), W(1), T("low"), W(2), W(9), T("high"),
                                                  W(600), W(1), W(0), W(4), T("cust"), T(""), T("")})));
    const FriendListRecord& r = *f.store.FindFriendList(501);
    ASSERT_EQ(r.categories.size(), 2u);
    EXPECT_STREQ(r.categories[0].name, "high");
    EXPECT_EQ(r.friends.at(L"low").at(0).userId, 600);
    EXPECT_TRUE(f.store.IsKnownUser(600));
    EXPECT_EQ(DatHeaderOf(Dat(kGroup501 + L"userlist.dat")).createDate, 20261210);
    EXPECT_EQ(DatHeaderOf(Dat(kGroup501 + L"userlist.dat")).createTime, 0);
    EXPECT_EQ(DatHeaderOf(Dat(kGroup501 + L"friendType.dat")).recordCount, 2);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_USERLIST, 501)});
}

// An emptied list replaces the filed one, so that a rebuild from the files
// does not bring the old friends back.
TEST_F(DeskSession, AnEmptiedUserListReplacesTheFiledOne) {
    f.ListOwner(501);
    WriteDat(kGroup501 + L"userlist.dat", 20261201, 0, std::vector<UserInfoBase>{User(600, "low")});
    EXPECT_TRUE(f.Deliver(CMD_GET_USER_LIST, Cat({W(501), B(1), B(0), H(0), W(1), W(1), T("low")})));
    EXPECT_EQ(DatHeaderOf(Dat(kGroup501 + L"userlist.dat")).recordCount, 0);
    EXPECT_TRUE(f.store.FindFriendList(501)->friends.at(L"low").empty());
    EXPECT_TRUE(f.Deliver(CMD_GET_USER_FRIENDS, Cat({W(501), B(1), Zeros(3), W(1), W(1), T("low")})));
    EXPECT_TRUE(f.store.FindFriendList(501)->friends.at(L"low").empty());
}

TEST_F(DeskSession, FriendUpdateRequestUsesTheLocalListOnlyWhenUsable) {
    struct { int32_t date; int32_t time; std::vector<uint8_t> body; bool wholeList; } cases[] = {
        {20261201, 85959, Cat({W(kOwnId), W(20261201), W(85959)}), false},
        {20261201, 101500, Cat({W(kOwnId), W(888), W(0)}), true},   // written at 10:15:00
        {20120131, 1000, Cat({W(kOwnId), W(888), W(0)}), true},
        {20120201, 90000, Cat({W(kOwnId), W(20120201), W(90000)}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        WriteDat(kOwn + L"userlist.dat", c.date, c.time, std::vector<UserInfoBase>{User(100, "")});
        f.queue.Clear();
        f.session->RequestFriendUpdate(kOwnId);
        const auto q = f.Queued();
        ASSERT_EQ(q.size(), c.wholeList ? 2u : 1u);
        EXPECT_EQ(q[0].body, c.body);
        if (c.wholeList) {
            EXPECT_EQ(q[1].command, CMD_GET_FRIEND_LIST);
        }
    }
}

TEST_F(DeskSession, ADamagedLocalListIsMovedAsideAndTheWholeListAskedFor) {
    // A list file whose header says "usable" but whose records are not all
    // there (cut short), or whose header is not a list's: the update alone
    // would leave the list short or empty for good.
    WriteDat(kOwn + L"userlist.dat", 20261201, 0, std::vector<UserInfoBase>{User(100, ""), User(101, "")});
    const std::string good = Dat(kOwn + L"userlist.dat");
    std::string wrongSize = good;
    wrongSize[20] = 7;  // recordSize
    std::string wrongKind = good;
    wrongKind[0] = 3;
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"cut inside the records", good.substr(0, good.size() - 10)},
        {"only the header", good.substr(0, 128)},
        {"another record size", wrongSize},
        {"another kind", wrongKind},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        f.files.Delete(f.Root() + kOwn + L"userlist.dat.bad");
        ASSERT_TRUE(enginetest::WriteBytes(f.files, f.Root() + kOwn + L"userlist.dat", c.bytes));
        f.queue.Clear();
        f.session->RequestFriendUpdate(kOwnId);
        const auto q = f.Queued();
        ASSERT_EQ(q.size(), 2u);
        EXPECT_EQ(q[0].body, Cat({W(kOwnId), W(888), W(0)}));
        EXPECT_EQ(q[1].command, CMD_GET_FRIEND_LIST);
        EXPECT_EQ(Dat(kOwn + L"userlist.dat.bad"), c.bytes) << "the damaged bytes are kept aside";
        EXPECT_FALSE(f.Exists(f.Root() + kOwn + L"userlist.dat"));
    }
    // A whole list is used as it is.
    ASSERT_TRUE(enginetest::WriteBytes(f.files, f.Root() + kOwn + L"userlist.dat", good));
    f.queue.Clear();
    f.session->RequestFriendUpdate(kOwnId);
    ASSERT_EQ(f.Queued().size(), 1u);
    EXPECT_EQ(Dat(kOwn + L"userlist.dat"), good);
}

TEST_F(DeskSession, HeaderOnlyFriendUpdateMovesTheListStamp) {
    WriteDat(kOwn + L"userlist.dat", 20261201, 80000, std::vector<UserInfoBase>{User(100, ""), User(101, "")});
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_UPDATE, Cat({W(kOwnId), W(20100101), W(1), H(0), H(0)})));  // too old
    EXPECT_EQ(DatHeaderOf(Dat(kOwn + L"userlist.dat")).changeDate, 20261201);
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_UPDATE, Cat({W(kOwnId), W(20261209), W(70000), H(0), H(0)})));
    const DatFileHeader h = DatHeaderOf(Dat(kOwn + L"userlist.dat"));
    EXPECT_EQ(h.createDate, 20261209);
    EXPECT_EQ(h.createTime, 70000);
    EXPECT_EQ(h.changeDate, 20261209);
    EXPECT_EQ(h.changeTime, 70000);
    EXPECT_EQ(h.recordCount, 2);
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_TRUE(f.queue.Empty());
}

TEST_F(DeskSession, FriendUpdateAppliesTheRecordsAndRebuildsTheOwnList) {
    WriteDat(kOwn + L"userlist.dat", 20261201, 80000,
             std::vector<UserInfoBase>{User(100, "A"), User(101, "A"), User(102, "A")});
    WriteDat(kOwn + L"friendType.dat", 20261201, 80000, std::vector<CategoryRecord>{Category(1, 2, "A"), Category(2, 1, "B")});
    const FriendUpdateRecord updates[] = {
        {kOwnId, 101, 0, 1, 0, 0},   // removed
        {102, kOwnId, 2, 2, 0, 0},   // moved to B
        {kOwnId, 103, 1, 1, 0, 0},   // added, kept as an update
        {700, 701, 1, 1, 0, 0},      // about others: skipped
    };
    std::vector<uint8_t> body = Cat({W(kOwnId), W(20261210), W(80000), H(4), H(2)});
    for (const auto& u : updates) {
        const auto bytes = Rec(u);
        body.insert(body.end(), bytes.begin(), bytes.end());
    }
    body = Cat({body, W(103), W(0), W(0), W(0), T("new"), T(""), T(""),    // category from its update
                W(104), W(0), W(0), W(0), T("odd"), T(""), T("")});        // no category at all: 5
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_UPDATE, body));

    const std::string list = Dat(kOwn + L"userlist.dat");
    const DatFileHeader h = DatHeaderOf(list);
    EXPECT_EQ(h.changeDate, 20261210);
    EXPECT_EQ(h.changeTime, 80000);
    const auto users = DatRecordsOf<UserInfoBase>(list);
    ASSERT_EQ(users.size(), 4u);
    EXPECT_EQ(users[0].userId, 100);
    EXPECT_EQ(users[1].userId, 102);
    EXPECT_STREQ(users[1].category, "B");
    EXPECT_EQ(users[2].userId, 103);
    EXPECT_STREQ(users[2].category, "A");
    EXPECT_EQ(users[3].userId, 104);
    EXPECT_STREQ(users[3].category, "");
    const auto kept = DatRecordsOf<FriendUpdateRecord>(Dat(kOwn + L"friendUpdate.dat"));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].userB, 103);
    // The own lists come from the files.
    EXPECT_EQ(f.store.ownCategories.size(), 2u);
    EXPECT_EQ(f.store.ownFriends.at(L"A").size(), 2u);
    EXPECT_EQ(f.store.ownFriends.at(L"B").at(0).userId, 102);
    EXPECT_EQ(f.store.ownFriends.at(L"").at(0).userId, 104);
    EXPECT_TRUE(f.store.IsKnownUser(103));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0)});
    EXPECT_EQ(f.QueuedCommands(), std::vector<uint32_t>{CMD_GET_STATUS_LIST});
}

TEST_F(DeskSession, FriendUpdateOfAnUnannouncedUserWorksOnTheFilesOnly) {
    EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_UPDATE,
                          Cat({W(501), W(20261210), W(1), H(0), H(1), W(600), W(3), W(0), W(0), T("c"), T(""), T("")})));
    EXPECT_EQ(DatRecordsOf<UserInfoBase>(Dat(kGroup501 + L"userlist.dat")).size(), 1u);
    EXPECT_EQ(f.store.friendLists.count(501), 0u);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_NOTIFY, NOTIFY_USERLIST, 501)});
}

TEST_F(DeskSession, UserFriendsFileTheCategoriesAndReload) {
    WriteDat(kOwn + L"userlist.dat", 20261201, 80000, std::vector<UserInfoBase>{User(100, "Y")});
    EXPECT_TRUE(f.Deliver(CMD_GET_USER_FRIENDS, Cat({W(kOwnId), B(2), Zeros(3), W(1), W(1), T("X"), W(2), W(5), T("Y")})));
    const auto categories = DatRecordsOf<CategoryRecord>(Dat(kOwn + L"friendType.dat"));
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_STREQ(categories[0].name, "Y");
    ASSERT_EQ(f.store.ownCategories.size(), 2u);
    EXPECT_EQ(f.store.ownFriends.at(L"X").size(), 0u);
    EXPECT_EQ(f.store.ownFriends.at(L"Y").at(0).userId, 100);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0)});

    f.notifier.notes.clear();
    f.ListOwner(501);
    EXPECT_TRUE(f.Deliver(CMD_GET_USER_FRIENDS, Cat({W(501), B(1), Zeros(3), W(1), W(1), T("Z")})));
    EXPECT_EQ(f.store.FindFriendList(501)->categories.size(), 1u);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Sent(WM_IM_NOTIFY, NOTIFY_USERLIST, 501)});
}

// ---- Users information and status ----------------------------------------------------------

TEST_F(DeskSession, UsersInformationMarksKnownUsersAndAsksForTheOthers) {
    f.KnownUser(55);
    EXPECT_TRUE(f.Deliver(CMD_GET_USERS_INFO, Cat({H(2), W(55), W(3), W(66), W(1)})));
    EXPECT_EQ(f.store.users.at(55).status, 3);
    EXPECT_EQ(f.store.users.at(66).status, 0);
    ASSERT_EQ(f.Queued().size(), 1u);
    EXPECT_EQ(f.Queued()[0].body, Cat({W(66), W(1)}));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_USERSINFO, 0)});
}

TEST_F(DeskSession, UserStatusIsPostedAndKeptForKnownUsers) {
    f.KnownUser(55);
    EXPECT_TRUE(f.Deliver(CMD_GET_USER_STATUS, Cat({W(55), W(2)})));
    EXPECT_TRUE(f.Deliver(CMD_GET_USER_STATUS, Cat({W(66), W(3), W(9)})));
    EXPECT_EQ(f.store.users.at(55).status, 2);
    EXPECT_EQ(f.store.users.at(66).status, 0);
    EXPECT_EQ(f.notifier.notes,
              (std::vector<Note>{Posted(WM_IM_PEERSTATUS, 55, 2), Posted(WM_IM_PEERSTATUS, 66, 3)}));
}

// ---- Message records -------------------------------------------------------------------

std::vector<uint8_t> RecordReply(int32_t owner, int32_t customer, int32_t flag, int32_t time, const std::string& text) {
    return Cat({W(owner), W(customer), W(flag), W(0), W(20261210), W(time), W(customer), W(owner), W(0), R(text)});
}

MsgFileHeader MsgHeader(const std::string& file) {
    MsgFileHeader h{};
    if (file.size() >= sizeof h) std::memcpy(&h, file.data(), sizeof h);
    return h;
}

TEST_F(DeskSession, MessageRecordsAreAppendedNewerOnlyToTheFileTheyName) {
    EXPECT_TRUE(f.Deliver(CMD_GET_MSG_RECORDS, RecordReply(kOwnId, 77, 1, 101010123, "one")));
    EXPECT_TRUE(f.Deliver(CMD_GET_MSG_RECORDS, RecordReply(kOwnId, 77, 1, 90000000, "older")));
    EXPECT_TRUE(f.Deliver(CMD_GET_MSG_RECORDS, RecordReply(1002, 77, 0, 90000000, "group")));
    EXPECT_EQ(MsgHeader(f.File(f.Own() + L"msg\\77.msg")).count, 1);
    EXPECT_EQ(MsgHeader(f.File(f.Own() + L"MyGroup\\1002\\msg\\77.latest.msg")).count, 1);
    EXPECT_TRUE(f.notifier.notes.empty());
    // Insane values are dropped.
    EXPECT_TRUE(f.Deliver(CMD_GET_MSG_RECORDS, RecordReply(kOwnId, 78, 7, 1, "bad flag")));
    EXPECT_TRUE(f.Deliver(CMD_GET_MSG_RECORDS, RecordReply(-5, 78, 1, 1, "bad owner")));
    EXPECT_FALSE(f.Exists(f.Own() + L"msg\\78.msg"));
    EXPECT_FALSE(f.Exists(f.Own() + L"MyGroup\\-5"));
}

TEST_F(DeskSession, MessageBetweenTwoOthersIsAMessageRecord) {
    EXPECT_TRUE(f.Deliver(CMD_TEXT_MSG, RecordReply(1002, 77, 1, 101010123, "routed")));
    EXPECT_EQ(MsgHeader(f.File(f.Own() + L"MyGroup\\1002\\msg\\77.msg")).count, 1);
    EXPECT_TRUE(f.store.unreadMsgs.empty());
    EXPECT_TRUE(f.notifier.notes.empty());
    // Shorter than a message record, or with a flag that names no file: dropped.
    EXPECT_FALSE(f.Deliver(CMD_TEXT_MSG, Cat({W(0), W(20261210), W(1), W(5), W(6), W(0), R("ab")})));
    EXPECT_FALSE(f.Deliver(CMD_TEXT_MSG, RecordReply(1002, 77, 3, 101010123, "x")));
    EXPECT_TRUE(f.store.unreadMsgs.empty());
}

TEST_F(DeskSession, MessageRecordRequestCarriesTheNewestRecordOfTheFile) {
    EXPECT_TRUE(f.Deliver(CMD_GET_MSG_RECORDS, RecordReply(kOwnId, 77, 1, 101010123, "one")));
    f.session->RequestMsgRecords(kOwnId, 77, 1);
    EXPECT_EQ(f.Queued().back().body, Cat({W(kOwnId), W(77), W(1), W(20261210), W(101010)}));
    f.queue.Clear();
    f.session->RequestMsgRecords(1002, 77, 0);  // no such file
    EXPECT_EQ(f.Queued().back().body, Cat({W(1002), W(77), W(0), W(0), W(0)}));
}

TEST_F(DeskSession, MessageRecordRequestMovesABadFileAside) {
    MsgFileHeader bad{};
    bad.newestDate = 20261210;
    bad.newestTime = 5;
    bad.count = 1;
    bad.marker = 21;
    const std::wstring path = f.Own() + L"msg\\77.msg";
    ASSERT_TRUE(enginetest::WriteBytes(f.files, path, enginetest::Bytes(&bad, sizeof bad)));
    f.session->RequestMsgRecords(kOwnId, 77, 1);
    EXPECT_EQ(f.Queued().back().body, Cat({W(kOwnId), W(77), W(1), W(0), W(0)}));
    EXPECT_FALSE(f.Exists(path));
    EXPECT_TRUE(f.Exists(path + L".bad"));
}

// ---- Agents, hand-over, take-over -------------------------------------------------------------

TEST_F(DeskSession, AgentListIsCutToTheBodyAndTerminated) {
    AgentRecord a{}, b{};
    a.agentId = 1;
    std::memset(a.name, 'n', sizeof a.name);
    b.agentId = 2;
    EXPECT_TRUE(f.Deliver(CMD_GET_SWITCH_USER_LIST, Cat({W(0), B(0)})));  // none: nothing
    EXPECT_TRUE(f.notifier.notes.empty());
    EXPECT_TRUE(f.Deliver(CMD_GET_SWITCH_USER_LIST, Cat({W(50), Rec(a), Rec(b), Zeros(7)})));
    ASSERT_EQ(f.store.agents.size(), 2u);
    EXPECT_EQ(std::string(f.store.agents[0].name), std::string(11, 'n'));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_SWITCHUSERLIST, 1)});
}

TEST_F(DeskSession, HandOverResults) {
    struct { int32_t result; bool kept; Note note; } cases[] = {
        {0, true, Posted(WM_IM_SWITCHRESULT, 77, 0)},
        {2, true, Posted(WM_IM_SWITCHRESULT, 77, 2)},
        {3, false, Posted(WM_IM_SWITCHRESULT, 77, 3)},
        {-1, false, Posted(WM_IM_SWITCHFAILED, 77, -1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        SessionFixture g(EngineVariant::Desk);
        SwitchCustomerRecord request{kOwnId, 1002, 77, "please"};
        g.session->SwitchCustomer(request);
        EXPECT_STREQ(g.store.switchRecords.at(77).note, "please");  // stored with the request
        EXPECT_TRUE(g.Deliver(CMD_SWITCH_CUSTOMER, Cat({W(1002), W(1003), W(77), W(c.result)})));
        EXPECT_EQ(g.store.switchRecords.count(77), c.kept ? 1u : 0u);
        if (c.kept) {
            EXPECT_EQ(g.store.switchRecords.at(77).actingAgent, 1002);
            EXPECT_EQ(g.store.switchRecords.at(77).owningAgent, 1003);
            EXPECT_STREQ(g.store.switchRecords.at(77).note, "");
        }
        EXPECT_EQ(g.notifier.notes, std::vector<Note>{c.note});
    }
}

TEST_F(DeskSession, GrabRequestsAddressedToThisAgentAreStored) {
    SwitchCustomerRecord mine{kOwnId, 1002, 77, {}}, other{1005, 1002, 78, "x"};
    std::memset(mine.note, 'q', sizeof mine.note);
    EXPECT_TRUE(f.Deliver(CMD_GRAB_CUSTOMER, Cat({Rec(other), W(0)})));
    EXPECT_EQ(f.store.switchRecords.count(78), 0u);
    EXPECT_TRUE(f.Deliver(CMD_GRAB_CUSTOMER, Cat({Rec(mine), W(0)})));
    EXPECT_EQ(std::string(f.store.switchRecords.at(77).note), std::string(99, 'q'));
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_GRABREQUEST, 77, 0)});
    SwitchCustomerRecord answer{kOwnId, 1002, 79, "ok"};
    f.session->ConfirmGrabCustomer(answer, 1);
    EXPECT_STREQ(f.store.switchRecords.at(79).note, "ok");
}

// Every answer the desk gives (1 accept, 2 grab, 3 refuse or end, 4 release)
// goes out after the whole record, unchanged, and the record is stored.
TEST_F(DeskSession, EveryAnswerOfAConfirmationGoesOutWithTheRecord) {
    for (int32_t answer = 1; answer <= 4; ++answer) {
        SCOPED_TRACE(answer);
        SessionFixture g(EngineVariant::Desk);
        SwitchCustomerRecord record{kOwnId, 1002, 80 + answer, "note"};
        g.session->ConfirmGrabCustomer(record, answer);
        ASSERT_FALSE(g.Queued().empty());
        EXPECT_EQ(g.Queued().back().command, uint32_t(CMD_GRAB_CUSTOMER));
        EXPECT_EQ(g.Queued().back().body, Cat({Rec(record), W(answer)}));
        EXPECT_STREQ(g.store.switchRecords.at(80 + answer).note, "note");
    }
}

TEST_F(DeskSession, PendingSwitchRecordsAreStoredQuietly) {
    EXPECT_TRUE(f.Deliver(CMD_GET_SWITCH_RECORDS, Cat({W(3), W(1), W(2), W(80), W(0), W(4), W(5), W(81), W(0), Zeros(15)})));
    ASSERT_EQ(f.store.switchRecords.size(), 2u);
    EXPECT_EQ(f.store.switchRecords.at(81).owningAgent, 5);
    EXPECT_TRUE(f.notifier.notes.empty());
}

// ---- Archive search and common replies -------------------------------------------------------

TEST_F(DeskSession, SearchResultsReplaceOnlyWhenWhole) {
    MsgSearchResult r{};
    r.senderId = 5;
    std::memset(r.text, 't', sizeof r.text);
    EXPECT_TRUE(f.Deliver(CMD_SEARCH_MSG, Cat({Rec(r), Rec(r)})));
    ASSERT_EQ(f.store.searchResults.size(), 2u);
    EXPECT_EQ(std::string(f.store.searchResults[0].text), std::string(99, 't'));
    EXPECT_TRUE(f.Deliver(CMD_SEARCH_MSG, Cat({Rec(r), Zeros(58)})));  // one and a half
    EXPECT_TRUE(f.Deliver(CMD_SEARCH_MSG, {}));
    EXPECT_EQ(f.store.searchResults.size(), 2u);
    EXPECT_EQ(f.notifier.notes, (std::vector<Note>{Posted(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, 2),
                                                   Posted(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, 0),
                                                   Posted(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, 0)}));
}

TEST_F(DeskSession, CommonRepliesAreReplacedAndSetRepliesAnswered) {
    f.store.commReplies.push_back({1, 0, "old"});
    EXPECT_TRUE(f.Deliver(CMD_GET_COMM_REPLY, Cat({W(2), W(7), W(8), W(0), W(1), T("hello"), T("")})));
    ASSERT_EQ(f.store.commReplies.size(), 2u);
    EXPECT_EQ(f.store.commReplies[0].text, "hello");
    EXPECT_EQ(f.store.commReplies[1].id, 8);
    EXPECT_EQ(f.store.commReplies[1].position, 1);
    EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_COMMREPLY, 0, 0)});
    // A reply whose ids and positions do not fit is dropped.
    EXPECT_TRUE(f.Deliver(CMD_GET_COMM_REPLY, Cat({W(1000), W(1)})));
    EXPECT_EQ(f.store.commReplies.size(), 2u);

    struct { int32_t result; int32_t op; bool asksAgain; } cases[] = {{1, 0, false}, {0, 0, true}, {-1, 0, true}, {1, 9, true}};
    for (const auto& c : cases) {
        SessionFixture g(EngineVariant::Desk);
        EXPECT_TRUE(g.Deliver(CMD_SET_COMM_REPLY, Cat({W(c.result), W(12), W(3), W(c.op)})));
        if (c.asksAgain) {
            EXPECT_EQ(g.QueuedCommands(), std::vector<uint32_t>{CMD_GET_COMM_REPLY});
            EXPECT_TRUE(g.notifier.notes.empty());
        } else {
            EXPECT_TRUE(g.queue.Empty());
            EXPECT_EQ(g.notifier.notes, std::vector<Note>{Posted(WM_IM_COMMREPLYSET, 3, 12)});
        }
    }
}

}  // namespace
