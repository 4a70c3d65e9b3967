// CDataTree: the engine's memory of one session. Handlers fill it; the
// exported getters hand out pointers into it. Everything here is written and
// read on the thread that owns the engine's window (win/EngineWindow.h says
// how packets get there), except the two containers that carry their own
// lock and the connection counters that the worker threads read, which are
// atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ImEngineApi.h"

class CDataTree {
public:
    CDataTree();

    // Find-or-create look-ups. A created entry keeps its key only in the map:
    // the record's own id word stays 0.
    UserInfoBase& UserInfoBaseAt(int32_t userId);
    UserInfoExt& UserInfoExtAt(int32_t userId);
    TextMsgQueue& UnreadMsgAt(int32_t peerId);  // takes the received-queue lock
    SwitchCustomerRecord& SwitchRecordAt(int32_t customerId);
    FriendListRecord& FriendListAt(int32_t userId);
    FriendListRecord* FindFriendList(int32_t userId);  // no creation
    std::vector<FileRequestRecord>& FileRequestsAt(int32_t peerId);  // takes the file-request lock
    // A user counts as known when its record carries its id.
    bool IsKnownUser(int32_t userId) const;

    // Sent messages, keyed by their time word.
    void KeepSentMsg(const TextMsgRecord& msg);  // an existing key is kept
    void ReplaceSentMsg(const TextMsgRecord& msg);  // a new message with a reused id
    bool StampSentMsg(int32_t msgId, int32_t date, int32_t time);
    bool GetSentMsg(int32_t msgId, TextMsgRecord& out) const;
    bool TakeSentMsg(int32_t msgId, TextMsgRecord& out);  // copy and remove

    // Received messages.
    void PushReceivedMsg(int32_t peerId, const TextMsgRecord& msg);
    void PopReceivedMsg(int32_t peerId);

    // Forgets everything the server sent and every message held or queued,
    // keeping the window, the credentials and the counters: a log-on as
    // another account starts from here. Containers stay where they are.
    void ClearSessionData();

    // The talk list of a kind: the own one, or the one in a user's record.
    std::vector<TalkListRecord>* TalkList(int32_t userId, int kind);

    // 1. The client's main window.
    void* mainWindow = nullptr;
    // 2. Credentials and the server.
    std::wstring account;
    std::wstring password;
    int32_t logonType = 0;
    int32_t logonId = 0;
    int32_t curUserId = 0;
    std::wstring server;
    uint16_t port = 0;
    // 3. Connection counters (read and written on every thread).
    std::atomic<int32_t> running{0};
    std::atomic<int32_t> reconnectAttempts{0};
    std::atomic<uint32_t> lastReconnectTick{0};
    uint32_t reconnectIntervalMs = 10000;
    int32_t ownStatus = -1;
    // 4..17.
    FriendMap ownFriends;
    std::map<int32_t, TextMsgQueue> unreadMsgs;
    std::map<int32_t, TextMsgRecord> sentMsgs;
    std::map<int32_t, UserInfoBase> users;
    std::map<int32_t, UserInfoExt> usersExt;
    std::vector<CategoryRecord> ownCategories;
    std::vector<GroupUserRecord> groupUsers;
    std::map<int32_t, FriendListRecord> friendLists;
    std::vector<AgentRecord> agents;
    std::map<int32_t, SwitchCustomerRecord> switchRecords;
    std::vector<TalkListRecord> ownTalkLists[3];
    std::vector<MsgSearchResult> searchResults;
    int32_t orgRoleId = 0;
    std::vector<CommReplyRecord> commReplies;
    std::map<int32_t, std::vector<FileRequestRecord>> fileRequests;

    std::mutex unreadLock;
    std::mutex fileRequestLock;
};
