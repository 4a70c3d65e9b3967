// The data store's find-or-create look-ups and the sent-message map.
#include <gtest/gtest.h>

#include <cstring>

#include "DataTree.h"
#include "TestMessages.h"

namespace {

TextMsgRecord Message(int32_t time, const char* text) { return enginetest::TextMsg(1, 2, 20261210, time, text); }

TEST(DataTree, LookupsCreateEntriesWhoseIdWordStaysZero) {
    CDataTree store;
    EXPECT_EQ(store.UserInfoBaseAt(42).userId, 0);
    EXPECT_EQ(store.UserInfoExtAt(42).birthDate, 0);
    EXPECT_EQ(store.SwitchRecordAt(7).customerId, 0);
    EXPECT_EQ(store.FriendListAt(9).userId, 0);
    EXPECT_TRUE(store.UnreadMsgAt(5).empty());
    EXPECT_TRUE(store.FileRequestsAt(5).empty());
    EXPECT_EQ(store.users.count(42), 1u);
    EXPECT_FALSE(store.IsKnownUser(42));
    store.UserInfoBaseAt(42).userId = 42;
    EXPECT_TRUE(store.IsKnownUser(42));
    // The same entry is returned again.
    EXPECT_EQ(&store.UserInfoBaseAt(42), &store.users.at(42));
}

TEST(DataTree, SentMessageIsTakenOnceAndTheFirstOfAKeyIsKept) {
    CDataTree store;
    store.KeepSentMsg(Message(101010123, "first"));
    store.KeepSentMsg(Message(101010123, "second"));
    ASSERT_EQ(store.sentMsgs.size(), 1u);

    ASSERT_TRUE(store.StampSentMsg(101010123, 20261211, 555));
    TextMsgRecord out = Message(0, "untouched");
    ASSERT_TRUE(store.TakeSentMsg(101010123, out));
    EXPECT_STREQ(out.text, "first");
    EXPECT_EQ(out.date, 20261211);
    EXPECT_EQ(out.time, 555);

    TextMsgRecord again = Message(0, "untouched");
    EXPECT_FALSE(store.TakeSentMsg(101010123, again));
    EXPECT_STREQ(again.text, "untouched");
    EXPECT_FALSE(store.StampSentMsg(101010123, 1, 1));
}

TEST(DataTree, ReceivedQueuePopsOldestAndIgnoresUnknownPeers) {
    CDataTree store;
    store.PopReceivedMsg(3);  // unknown peer: nothing
    store.PushReceivedMsg(3, Message(1, "a"));
    store.PushReceivedMsg(3, Message(2, "b"));
    store.PopReceivedMsg(3);
    ASSERT_EQ(store.UnreadMsgAt(3).size(), 1u);
    EXPECT_STREQ(store.UnreadMsgAt(3).front().text, "b");
    store.PopReceivedMsg(3);
    store.PopReceivedMsg(3);
    EXPECT_TRUE(store.UnreadMsgAt(3).empty());
}

TEST(DataTree, TalkListOfAKindOutsideTheThreeIsNone) {
    CDataTree store;
    store.curUserId = 1;
    EXPECT_EQ(store.TalkList(1, 0), &store.ownTalkLists[0]);
    EXPECT_EQ(store.TalkList(2, 2), &store.friendLists[2].talkLists[2]);
    EXPECT_EQ(store.TalkList(1, 3), nullptr);
    EXPECT_EQ(store.TalkList(1, -1), nullptr);
}

}  // namespace

namespace {

TEST(DataTree, ClearingTheSessionDataKeepsTheWindowCredentialsAndContainers) {
    CDataTree store;
    int window = 0;
    store.mainWindow = &window;
    store.account = L"1001";
    store.logonId = 1001;
    store.ownStatus = 0;
    store.UserInfoBaseAt(42).userId = 42;
    store.UserInfoExtAt(42);
    store.ownFriends[L"Team"].push_back(store.users.at(42));
    store.ownCategories.push_back(CategoryRecord{1, 1, "Team"});
    store.PushReceivedMsg(42, Message(1, "a"));
    store.KeepSentMsg(Message(2, "b"));
    store.SwitchRecordAt(7).customerId = 7;
    store.FriendListAt(9).userId = 9;
    store.ownTalkLists[TALKLIST_CONTACT].push_back(TalkListRecord{42, 1, 1, ""});
    store.FileRequestsAt(42).push_back(FileRequestRecord{});
    store.orgRoleId = 3;
    const FriendMap* friends = &store.ownFriends;

    store.ClearSessionData();
    EXPECT_TRUE(store.users.empty());
    EXPECT_TRUE(store.usersExt.empty());
    EXPECT_TRUE(store.ownFriends.empty());
    EXPECT_TRUE(store.ownCategories.empty());
    EXPECT_TRUE(store.unreadMsgs.empty());
    EXPECT_TRUE(store.sentMsgs.empty());
    EXPECT_TRUE(store.switchRecords.empty());
    EXPECT_TRUE(store.friendLists.empty());
    EXPECT_TRUE(store.ownTalkLists[TALKLIST_CONTACT].empty());
    EXPECT_TRUE(store.fileRequests.empty());
    EXPECT_EQ(store.orgRoleId, 0);
    EXPECT_EQ(&store.ownFriends, friends);
    EXPECT_EQ(store.mainWindow, &window);
    EXPECT_EQ(store.account, L"1001");
    EXPECT_EQ(store.logonId, 1001);
}

}  // namespace
