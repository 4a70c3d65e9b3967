#include "clientui/ContactCache.h"

#include "fw/StringUtil.h"

#include <cstddef>
#include <unordered_map>
#include <unordered_set>

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

void SetCachedUserStatus(int32_t userId, int32_t status) { SetCachedUserStatuses({{userId, status}}); }

void SetCachedUserStatuses(const std::vector<std::pair<int32_t, int32_t>>& statuses) {
    std::unordered_map<int32_t, int32_t> wanted;
    for (const auto& entry : statuses) wanted[entry.first] = entry.second;
    std::unordered_set<int32_t> done;
    for (auto& category : g_FriendMapCache) {
        done.clear();
        for (UserInfoBase& user : category.second) {
            const auto it = wanted.find(user.userId);
            if (it == wanted.end() || !done.insert(user.userId).second) continue;
            user.status = it->second;
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

std::wstring GroupUserName(const GroupUserRecord& record) {
    constexpr size_t kNameAt = 20;
    constexpr size_t kNameSize = 12;
    static_assert(offsetof(GroupUserRecord, carried) + sizeof record.carried == kNameAt + kNameSize,
                  "the name ends the record");
    return fw::FromAnsiField(reinterpret_cast<const char*>(&record) + kNameAt, kNameSize);
}
