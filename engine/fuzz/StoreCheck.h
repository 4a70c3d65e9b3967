// The promise the engine makes about what it hands to a client: every text
// field of every record it keeps ends in a NUL inside the field, whatever
// the server or a file sent. A field that does not is a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DataTree.h"

namespace enginefuzz {

template <size_t N>
void CheckField(const char (&field)[N], const char* what) {
    if (std::memchr(field, 0, N) == nullptr) {
        std::fprintf(stderr, "unterminated text field: %s\n", what);
        std::abort();
    }
}

inline void CheckRecord(const UserInfoBase& r) {
    CheckField(r.nickname, "UserInfoBase.nickname");
    CheckField(r.memo, "UserInfoBase.memo");
    CheckField(r.category, "UserInfoBase.category");
    CheckField(r.signature, "UserInfoBase.signature");
}
inline void CheckRecord(const UserInfoExt& r) {
    CheckField(r.fullName, "UserInfoExt.fullName");
    CheckField(r.loginName, "UserInfoExt.loginName");
}
inline void CheckRecord(const CategoryRecord& r) { CheckField(r.name, "CategoryRecord.name"); }
inline void CheckRecord(const TalkListRecord& r) { CheckField(r.carried, "TalkListRecord.carried"); }
inline void CheckRecord(const GroupUserRecord& r) { CheckField(r.carried, "GroupUserRecord.carried"); }
inline void CheckRecord(const AgentRecord& r) { CheckField(r.name, "AgentRecord.name"); }
inline void CheckRecord(const SwitchCustomerRecord& r) { CheckField(r.note, "SwitchCustomerRecord.note"); }
inline void CheckRecord(const MsgSearchResult& r) { CheckField(r.text, "MsgSearchResult.text"); }
inline void CheckRecord(const TextMsgRecord& r) { CheckField(r.text, "TextMsgRecord.text"); }

template <class C>
void CheckAll(const C& records) {
    for (const auto& r : records) CheckRecord(r);
}

inline void CheckFriends(const FriendMap& friends) {
    for (const auto& [name, members] : friends) CheckAll(members);
}

inline void CheckStore(CDataTree& store) {
    for (const auto& [id, r] : store.users) CheckRecord(r);
    for (const auto& [id, r] : store.usersExt) CheckRecord(r);
    for (const auto& [id, r] : store.switchRecords) CheckRecord(r);
    for (const auto& [id, r] : store.sentMsgs) CheckRecord(r);
    {
        std::lock_guard<std::mutex> lock(store.unreadLock);
        for (const auto& [id, queue] : store.unreadMsgs) CheckAll(queue);
    }
    CheckFriends(store.ownFriends);
    CheckAll(store.ownCategories);
    CheckAll(store.groupUsers);
    CheckAll(store.agents);
    CheckAll(store.searchResults);
    for (const auto& list : store.ownTalkLists) CheckAll(list);
    for (const auto& [id, owner] : store.friendLists) {
        CheckAll(owner.categories);
        CheckFriends(owner.friends);
        for (const auto& list : owner.talkLists) CheckAll(list);
    }
}

}  // namespace enginefuzz
