// Process-wide copies of contact data that several desk views read: the own
// friend map and the group's user list. Created empty at start-up, destroyed
// at exit. UI thread only.
#pragma once

#include <ImEngineApi.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The group user list and one record per member, keyed by its user id.
struct GroupUserCache {
    std::vector<GroupUserRecord> users;
    std::map<int32_t, FriendListRecord> members;
};

extern FriendMap g_FriendMapCache;
extern GroupUserCache g_GroupUserCache;

// In every category of g_FriendMapCache, overwrites the first record with
// the same user id by the whole record. Nothing for a null record.
void UpdateCachedUser(const UserInfoBase* record);

// In every category of g_FriendMapCache, the first record of the user takes
// the status.
void SetCachedUserStatus(int32_t userId, int32_t status);
// The same for many users in one pass over the cache (a status list of a
// whole organisation): each pair is a user id and its status; a user listed
// twice takes the later status.
void SetCachedUserStatuses(const std::vector<std::pair<int32_t, int32_t>>& statuses);

// Replaces the cached group user list by a copy of list; when the new list
// is not empty, the member map is emptied and gets one record per entry.
void StoreUserCache(const std::vector<GroupUserRecord>& list);

// The name of a group user: the 12-byte text at +20 of its record (ANSI).
std::wstring GroupUserName(const GroupUserRecord& record);
