#include "DataTree.h"

#include <cstring>

namespace {
template <class T>
T ZeroRecord() {
    T record;
    std::memset(&record, 0, sizeof record);
    return record;
}
}  // namespace

CDataTree::CDataTree() = default;

UserInfoBase& CDataTree::UserInfoBaseAt(int32_t userId) {
    return users.try_emplace(userId, ZeroRecord<UserInfoBase>()).first->second;
}

UserInfoExt& CDataTree::UserInfoExtAt(int32_t userId) {
    return usersExt.try_emplace(userId, ZeroRecord<UserInfoExt>()).first->second;
}

TextMsgQueue& CDataTree::UnreadMsgAt(int32_t peerId) {
    std::lock_guard<std::mutex> lock(unreadLock);
    return unreadMsgs[peerId];
}

SwitchCustomerRecord& CDataTree::SwitchRecordAt(int32_t customerId) {
    return switchRecords.try_emplace(customerId, ZeroRecord<SwitchCustomerRecord>()).first->second;
}

FriendListRecord& CDataTree::FriendListAt(int32_t userId) {
    return friendLists[userId];
}

FriendListRecord* CDataTree::FindFriendList(int32_t userId) {
    auto it = friendLists.find(userId);
    return it == friendLists.end() ? nullptr : &it->second;
}

std::vector<FileRequestRecord>& CDataTree::FileRequestsAt(int32_t peerId) {
    std::lock_guard<std::mutex> lock(fileRequestLock);
    return fileRequests[peerId];
}

bool CDataTree::IsKnownUser(int32_t userId) const {
    auto it = users.find(userId);
    return it != users.end() && it->second.userId == userId;
}

void CDataTree::KeepSentMsg(const TextMsgRecord& msg) {
    sentMsgs.emplace(msg.time, msg);
}

void CDataTree::ReplaceSentMsg(const TextMsgRecord& msg) {
    sentMsgs[msg.time] = msg;
}

bool CDataTree::StampSentMsg(int32_t msgId, int32_t date, int32_t time) {
    auto it = sentMsgs.find(msgId);
    if (it == sentMsgs.end()) return false;
    it->second.date = date;
    it->second.time = time;
    return true;
}

bool CDataTree::GetSentMsg(int32_t msgId, TextMsgRecord& out) const {
    auto it = sentMsgs.find(msgId);
    if (it == sentMsgs.end()) return false;
    out = it->second;
    return true;
}

bool CDataTree::TakeSentMsg(int32_t msgId, TextMsgRecord& out) {
    auto it = sentMsgs.find(msgId);
    if (it == sentMsgs.end()) return false;
    out = it->second;
    sentMsgs.erase(it);
    return true;
}

void CDataTree::PushReceivedMsg(int32_t peerId, const TextMsgRecord& msg) {
    std::lock_guard<std::mutex> lock(unreadLock);
    unreadMsgs[peerId].push_back(msg);
}

void CDataTree::PopReceivedMsg(int32_t peerId) {
    std::lock_guard<std::mutex> lock(unreadLock);
    auto it = unreadMsgs.find(peerId);
    if (it != unreadMsgs.end() && !it->second.empty()) it->second.pop_front();
}

void CDataTree::ClearSessionData() {
    ownFriends.clear();
    {
        std::lock_guard<std::mutex> lock(unreadLock);
        unreadMsgs.clear();
    }
    sentMsgs.clear();
    users.clear();
    usersExt.clear();
    ownCategories.clear();
    groupUsers.clear();
    friendLists.clear();
    agents.clear();
    switchRecords.clear();
    for (auto& list : ownTalkLists) list.clear();
    searchResults.clear();
    orgRoleId = 0;
    commReplies.clear();
    std::lock_guard<std::mutex> lock(fileRequestLock);
    fileRequests.clear();
}

std::vector<TalkListRecord>* CDataTree::TalkList(int32_t userId, int kind) {
    if (kind < TALKLIST_TALK || kind > TALKLIST_CONTACT) return nullptr;
    if (userId == curUserId) return &ownTalkLists[kind];
    return &FriendListAt(userId).talkLists[kind];
}
