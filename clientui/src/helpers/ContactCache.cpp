#include "clientui/ContactCache.h"

FriendMap g_FriendMapCache;
GroupUserCache g_GroupUserCache;

void UpdateCachedUser(const UserInfoBase* record) {
    if (!record) return;
    for (auto& category : g_FriendMapCache) {
        for (UserInfoBase& user : category.second) {
            if (user.userId == record->userId) {
                user = *record;
                break;
            }
        }
    }
}

void SetCachedUserStatus(int32_t userId, int32_t status) {
    for (auto& category : g_FriendMapCache) {
        for (UserInfoBase& user : category.second) {
            if (user.userId == userId) {
                user.status = status;
                break;
            }
        }
    }
}

void StoreUserCache(const std::vector<GroupUserRecord>& list) {
    g_GroupUserCache.users = list;
    if (list.empty()) return;
    g_GroupUserCache.members.clear();
    for (const GroupUserRecord& entry : list) {
        FriendListRecord member;
        member.userId = entry.userId;
        g_GroupUserCache.members.emplace(entry.userId, std::move(member));
    }
}
