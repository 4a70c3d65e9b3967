// The stand-in server's small world: the users with their profiles, each
// user's categories and friends, the remarks users keep on each other, the
// statuses chosen while online and the messages waiting for an offline
// receiver. Read from a text file (world.txt), one entry a line, '#' starts
// a comment, texts are the bytes of the file (ANSI code page on the client's
// side), "-" stands for an empty text:
//
//   user <id> <user type> <word> <nickname> [| <signature>]
//   ext <id> <gender> <birth date> <blood type> <full name> [| <login name>]
//   category <owner> <category id> <order> <name>
//   friend <owner> <friend id> <category id> [<remark>]
//   crowd <owner> <category id> <first id> <count>
//
// A crowd is a large organisation's worth of friends made up on the fly:
// users first id .. first id + count - 1 in that category of the owner's
// list, each with the longest name, remark and signature their record
// fields take, so that the list is as large as its format allows. They are
// not users of the world (no profile, never online).
//
// An account of the account book without a "user" line is a user with its
// account nickname and nothing else.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "ImEngineApi.h"

namespace chatserver {

class AccountBook;

struct WorldCategory {
    int32_t id = 0;
    int32_t order = 0;
    std::string name;
};

struct WorldFriend {
    int32_t userId = 0;
    int32_t categoryId = 0;
};

struct WorldCrowd {
    int32_t categoryId = 0;
    int32_t firstId = 0;
    int32_t count = 0;
};

struct WorldUser {
    int32_t id = 0;
    int32_t userType = 0;
    int32_t word = 0;
    std::string nickname;
    std::string signature;
    UserInfoExt ext{};
    std::vector<WorldCategory> categories;
    std::vector<WorldFriend> friends;
    std::vector<WorldCrowd> crowds;  // listed after the friends
    std::map<int32_t, std::string> remarks;  // the remark this user keeps on another
    int32_t status = STATUS_OFFLINE;         // as chosen while online
};

class World {
public:
    // Texts are kept to what their record field holds (less the NUL).
    static constexpr size_t kMaxPendingPerUser = 1000;

    // False with a message naming the line when the file cannot be read or
    // a line is malformed.
    bool Load(const std::string& path, std::string& error);
    bool LoadText(const std::string& text, std::string& error);
    // Every account without a user entry becomes a plain user.
    void AddAccounts(const AccountBook& accounts);

    WorldUser* Find(int32_t id);
    const WorldUser* Find(int32_t id) const;
    size_t Size() const { return users_.size(); }

    // Friend-list body of `owner` (categories, then the friends with the
    // owner's remarks); 4 zero bytes for an unknown owner or an empty list.
    std::vector<uint8_t> FriendListBody(int32_t owner) const;
    // `id` as `viewer` sees it: the viewer's remark and category name, the
    // status `status` (the caller knows who is online).
    UserInfoBase BaseRecord(int32_t id, int32_t viewer, int32_t status) const;
    UserInfoExt ExtRecord(int32_t id) const;
    // Users whose friend list holds `id`.
    std::vector<int32_t> WatchersOf(int32_t id) const;
    bool IsFriendOf(int32_t owner, int32_t id) const;

    // The remark `owner` keeps on `target`; false for an unknown user.
    bool SetRemark(int32_t owner, int32_t target, const std::string& text);
    // The own profile: nickname, own remark, signature and the extended
    // record except the login name, which stays the server's.
    bool UpdateProfile(int32_t id, const UserInfoBase& base, const UserInfoExt& ext);

    // Messages for an offline receiver (whole CMD_TEXT_MSG bodies), bounded
    // per user; false when the receiver's store is full.
    bool StoreMessage(int32_t receiver, std::vector<uint8_t> body);
    std::deque<std::vector<uint8_t>> TakeMessages(int32_t receiver);

    // A crowd member's text: `what`, its id, repeated to `length` bytes.
    static std::string CrowdText(const char* what, int32_t id, size_t length);

private:
    bool ParseLine(const std::string& line, std::string& error);
    WorldUser& UserAt(int32_t id);

    std::map<int32_t, WorldUser> users_;
    std::map<int32_t, std::deque<std::vector<uint8_t>>> pending_;
};

}  // namespace chatserver
