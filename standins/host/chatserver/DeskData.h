// The stand-in server's desk data: the organisation, the agents' groups,
// friend lists, talk lists, friend updates, the message archive, session
// owners, pending switch records and the common replies, read from a small
// text file. One entry a line, fields separated by '|' (spaces around a
// field are dropped), '#' at the start of a line makes it a comment:
//
//   agent|<id>|<name>|<role>                     an agent of the organisation
//   group|<agent>|<member>|<role>|<name>          a member of the agent's group
//   category|<owner>|<id>|<order>|<name>          a category of owner's friends
//   friend|<owner>|<user>|<category>|<word>|<type>|<name>|<memo>|<signature>
//   list|<owner>|<kind>|<user>|<date>|<hhmmss>|<name>   kind 0 talk, 1 registered, 2 contact
//   stamp|<date>|<seconds of the day>            when the friend lists last changed
//   update|<owner>|<user A>|<user B>|<operation>|<category>|<date>|<seconds>
//   message|<sender>|<receiver>|<type>|<date>|<time>|<text>   the archive
//   customer|<id>|<owning agent>
//   switch|<agent>|<acting>|<owning>|<customer>|<word>   pending for <agent>
//   reply|<id>|<position>|<text>                  a common reply
//
// Texts are taken as the file's bytes (the clients' ANSI code page). A line
// that does not parse is skipped; lines and entries are bounded.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace chatserver {

struct DeskAgent {
    int32_t id = 0;
    std::string name;
    int32_t role = 0;
};

struct DeskGroupMember {
    int32_t userId = 0;
    int32_t role = 0;
    std::string name;
};

struct DeskCategory {
    int32_t id = 0;
    int32_t order = 0;
    std::string name;
};

struct DeskFriend {
    int32_t userId = 0;
    int32_t categoryId = 0;
    int32_t word = 0;
    int32_t userType = 0;
    std::string name, memo, signature;
};

struct DeskListEntry {
    int32_t userId = 0;
    int32_t date = 0;
    int32_t time = 0;  // hhmmss
    std::string name;
};

// A friend update, stamped with the date and the seconds of the day.
struct DeskFriendUpdate {
    int32_t userA = 0, userB = 0, operation = 0, categoryId = 0;
    int32_t date = 0, time = 0;
};

struct DeskMessage {
    int32_t senderId = 0, receiverId = 0, type = 0;
    int32_t date = 0;
    int32_t time = 0;  // hh*10000000 + mm*100000 + ss*1000 + ms
    std::string text;
};

struct DeskSwitchRecord {
    int32_t acting = 0, owning = 0, customer = 0, word = 0;
};

struct DeskCommonReply {
    int32_t id = 0;
    int32_t position = 0;
    std::string text;
};

struct DeskData {
    std::vector<DeskAgent> agents;
    std::map<int32_t, std::vector<DeskGroupMember>> groups;
    std::map<int32_t, std::vector<DeskCategory>> categories;
    std::map<int32_t, std::vector<DeskFriend>> friends;
    std::map<int32_t, std::vector<DeskListEntry>> lists[3];
    int32_t stampDate = 0, stampTime = 0;
    std::map<int32_t, std::vector<DeskFriendUpdate>> updates;
    std::vector<DeskMessage> archive;
    std::map<int32_t, int32_t> customerOwners;
    std::map<int32_t, std::vector<DeskSwitchRecord>> switchRecords;
    std::vector<DeskCommonReply> replies;

    // False when the file cannot be read; lines that do not parse are skipped.
    bool Load(const std::string& path, std::string& error);
    // One line of the format above; false when it does not parse.
    bool AddLine(const std::string& line);
};

}  // namespace chatserver
