// The chat protocol's wire format: packet building, a bounded body reader,
// the body of every request the engine sends, the parsers of every reply it
// accepts, and the dispatcher's length rule of every command.
//
// Everything a body says is untrusted: every read is checked against the
// bytes of the body, counts that promise more entries than the body holds
// are cut to what it holds, and a text without a NUL before the body's end
// ends the parse. Parsed texts point into the body; they live as long as it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "EngineConfig.h"
#include "EnginePorts.h"
#include "ImEngineApi.h"
#include "SendQueue.h"

namespace engine {
namespace wire {

using Body = std::vector<uint8_t>;

// ---- Packets ----------------------------------------------------------------

// Header (command, 0, 0xFF, 0, 0, body length) followed by the body.
Packet BuildPacket(uint32_t command, const uint8_t* body, size_t length);
inline Packet BuildPacket(uint32_t command, const Body& body) {
    return BuildPacket(command, body.data(), body.size());
}

// Reads the header of a received packet. False when the packet is shorter
// than a header, its body length is above kMaxBodyLength, or the length word
// does not match the bytes that follow it.
bool ReadHeader(const uint8_t* packet, size_t length, PacketHeader& out);

// ---- Body reader --------------------------------------------------------------

class BodyReader {
public:
    BodyReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}

    size_t Offset() const { return offset_; }
    size_t Remaining() const { return length_ - offset_; }
    bool AtEnd() const { return offset_ == length_; }

    bool Int32(int32_t& out);
    bool U16(uint16_t& out);
    bool U8(uint8_t& out);
    bool Skip(size_t count);
    bool Bytes(void* out, size_t count);
    // A NUL-terminated text: `text` and `length` (without the NUL) point into
    // the body. False, and the reader is at the end, when no NUL follows.
    bool Text(const char*& text, size_t& length);
    // A text up to its NUL or, without one, up to the end of the body (empty
    // once the reader is at the end).
    void TextToEnd(const char*& text, size_t& length);
    // A record of `size` bytes copied whole into `out`.
    template <class T>
    bool Record(T& out) { return Bytes(&out, sizeof out); }
    // How many records of `size` bytes the rest of the body holds, at most `count`.
    size_t Fit(int64_t count, size_t size) const;

private:
    const uint8_t* data_;
    size_t length_;
    size_t offset_ = 0;
};

// ---- Body writer --------------------------------------------------------------

class BodyWriter {
public:
    BodyWriter& Int32(int32_t value);
    BodyWriter& U16(uint16_t value);
    BodyWriter& Bytes(const void* data, size_t count);
    BodyWriter& Zeros(size_t count);
    template <class T>
    BodyWriter& Record(const T& record) { return Bytes(&record, sizeof record); }
    Body Take() { return std::move(bytes_); }

private:
    Body bytes_;
};

// ---- Text fields ----------------------------------------------------------------

// The length of `text` (at most `length` bytes, up to a NUL) cut to at most
// `maxBytes`, never inside a two-byte character of the code page (without a
// code page the cut is at the byte).
size_t CutText(const char* text, size_t length, size_t maxBytes, const ICodePage* codePage);

// Copies `text` into a fixed field of `fieldSize` bytes: cut to fieldSize - 1
// on a character boundary, NUL-terminated, the rest of the field zero.
void CopyTextField(char* field, size_t fieldSize, const char* text, size_t length,
                   const ICodePage* codePage);

// Makes an existing fixed field NUL-terminated: a field without a NUL is cut
// to fieldSize - 1 on a character boundary.
void TerminateField(char* field, size_t fieldSize, const ICodePage* codePage);

// Every text field of a record terminated (records from the server or a file).
void TerminateFields(UserInfoBase& record, const ICodePage* codePage);
void TerminateFields(UserInfoExt& record, const ICodePage* codePage);
void TerminateFields(CategoryRecord& record, const ICodePage* codePage);
void TerminateFields(TalkListRecord& record, const ICodePage* codePage);
void TerminateFields(GroupUserRecord& record, const ICodePage* codePage);
void TerminateFields(AgentRecord& record, const ICodePage* codePage);
void TerminateFields(SwitchCustomerRecord& record, const ICodePage* codePage);
void TerminateFields(MsgSearchResult& record, const ICodePage* codePage);
void TerminateFields(FileRequestRecord& record, const ICodePage* codePage);

// ---- Request bodies ---------------------------------------------------------------

constexpr size_t kLogonBodySize = 84;
constexpr size_t kDigestSize = 32;

// +0 numeric id, +4 32 bytes of digest text (zero unless given), +36 type, zeros to 84.
Body LogonBody(int32_t logonId, const std::string& hexDigest, int32_t type);
Body OneWord(int32_t value);                    // logout, status, user list, ...
Body TwoWords(int32_t first, int32_t second);   // user info, input status, group users
Body UserInfoRequest(int32_t userId, int32_t kind);
// The record's head and its text without the NUL (at most 1023 bytes).
Body TextMsgBody(const TextMsgRecord& msg);
// +0 user id of the base record, +4 kind 3, +8 base, +344 ext.
Body MyInfoBody(const UserInfoBase& base, const UserInfoExt& ext);
// The two words and the memo text with its NUL.
Body UserMemoBody(int32_t word1, int32_t word2, const char* memo);
Body TalkListRequest(int32_t userId, int32_t kind, int32_t date, int32_t time);
Body MsgRecordsRequest(int32_t ownerId, int32_t customerId, int32_t flag, int32_t date,
                       int32_t time);
Body SwitchCustomerBody(const SwitchCustomerRecord& record);
// +0 own id, +4 agent, +8 customer, zeros to 116.
Body GrabRequestBody(int32_t ownId, int32_t agentId, int32_t customerId);
Body GrabConfirmBody(const SwitchCustomerRecord& record, int32_t answer);
Body SearchMsgBody(const MsgSearchRequest& request);
// u16 count and the ids; at most 65535 ids (callers split longer lists).
constexpr size_t kMaxUsersPerRequest = 65535;
Body UsersInfoRequest(const int32_t* ids, size_t count);
Body FriendUpdateRequest(int32_t userId, int32_t date, int32_t time);
// +0 operation, +4 id, +8 position, +12 text length with its NUL, +16 text and NUL.
Body SetCommReplyBody(int32_t operation, int32_t id, int32_t position, const std::string& text);
Body FileRequestBody(const FileRequestRecord& record, int32_t code);

// ---- Reply parsers ------------------------------------------------------------------

struct TextView {
    const char* data = nullptr;
    size_t length = 0;
};

struct ParsedCategory {
    int32_t id = 0;
    int32_t order = 0;
    TextView name;
};

struct ParsedUser {
    int32_t userId = 0;
    int32_t categoryId = 0;
    int32_t word = 0;
    int32_t userType = 0;
    TextView name, memo, signature;
};

// Categories and users of a friend-list body; entries cut short by the end
// of the body (or by a text without NUL) are left out.
struct FriendListBody {
    uint8_t categoryCount = 0;  // as the body says
    uint16_t userCount = 0;
    std::vector<ParsedCategory> categories;
    std::vector<ParsedUser> users;
};
// The whole friend-list body from the reader's position.
FriendListBody ParseFriendListBody(BodyReader& reader);
// The category and user entries alone.
void ParseCategories(BodyReader& reader, size_t count, std::vector<ParsedCategory>& out);
void ParseUsers(BodyReader& reader, size_t count, std::vector<ParsedUser>& out);

struct LogonReply { int32_t userId = 0; int32_t result = 0; };
bool ParseLogonReply(const uint8_t* body, size_t length, LogonReply& out);

struct IdStatus { int32_t userId = 0; int32_t status = 0; };
// u16 count c >= 1, then exactly c (id, status) pairs; false otherwise.
bool ParseIdStatusList(const uint8_t* body, size_t length, std::vector<IdStatus>& out);

struct UserInfoReply {
    int32_t userId = 0;
    int32_t kind = 0;  // low byte of +4
    bool hasBase = false;
    bool hasExt = false;
    UserInfoBase base{};
    UserInfoExt ext{};
};
// False when the body is shorter than its two head words.
bool ParseUserInfoReply(const uint8_t* body, size_t length, UserInfoReply& out);

// A chat message or a message record: the six head words and the text.
struct MessageBody {
    TextMsgRecord head{};   // head words; text left empty
    TextView text;          // the rest of the body
};
bool ParseTextMsgAck(const uint8_t* body, size_t length, TextMsgAck& out);  // exactly 16
bool ParseTextMsg(const uint8_t* body, size_t length, MessageBody& out);    // 24 or more

struct MemoReply {
    int32_t result = 0;
    int32_t userId = 0;
    TextView memo;  // up to its NUL or the end of the body
};
bool ParseMemoReply(const uint8_t* body, size_t length, MemoReply& out);

struct GroupUserReply {
    int32_t kind = 0;
    int32_t count = 0;  // as the body says
    std::vector<GroupUserRecord> records;
};
bool ParseGroupUserReply(const uint8_t* body, size_t length, GroupUserReply& out);

struct TalkListReply {
    int32_t userId = 0;
    int32_t kind = 0;
    int32_t count = 0;
    std::vector<TalkListRecord> records;
};
bool ParseTalkListReply(const uint8_t* body, size_t length, TalkListReply& out);

struct UserListReply {
    int32_t userId = 0;
    FriendListBody list;
};
bool ParseUserListReply(const uint8_t* body, size_t length, UserListReply& out);

struct MsgRecordReply {
    int32_t ownerId = 0;
    int32_t customerId = 0;
    int32_t flag = 0;
    MessageBody message;
};
// 36 or more bytes.
bool ParseMsgRecordReply(const uint8_t* body, size_t length, MsgRecordReply& out);

struct AgentListReply {
    int32_t count = 0;
    std::vector<AgentRecord> records;
};
bool ParseAgentList(const uint8_t* body, size_t length, AgentListReply& out);

struct SwitchResult {
    int32_t actingAgent = 0, owningAgent = 0, customerId = 0, result = 0;
};
bool ParseSwitchResult(const uint8_t* body, size_t length, SwitchResult& out);  // 16

struct GrabRequest {
    SwitchCustomerRecord record{};
    int32_t word = 0;
};
bool ParseGrabRequest(const uint8_t* body, size_t length, GrabRequest& out);  // 116 or more

struct SwitchRecordsReply {
    int32_t count = 0;
    std::vector<SwitchResult> records;  // acting, owning, customer, a word
};
bool ParseSwitchRecords(const uint8_t* body, size_t length, SwitchRecordsReply& out);

// n >= 1 whole results and nothing else; false otherwise (the empty result).
bool ParseSearchResults(const uint8_t* body, size_t length, std::vector<MsgSearchResult>& out);

struct FriendUpdateReply {
    int32_t userId = 0;
    int32_t date = 0;
    int32_t time = 0;
    uint16_t updateCount = 0;
    uint16_t userCount = 0;
    std::vector<FriendUpdateRecord> updates;
    std::vector<ParsedUser> users;
};
bool ParseFriendUpdateReply(const uint8_t* body, size_t length, FriendUpdateReply& out);

struct UserFriendsReply {
    int32_t userId = 0;
    uint8_t categoryCount = 0;
    std::vector<ParsedCategory> categories;
};
bool ParseUserFriendsReply(const uint8_t* body, size_t length, UserFriendsReply& out);

struct SetCommReplyReply {
    int32_t result = 0, id = 0, position = 0, operation = 0;
};
bool ParseSetCommReplyReply(const uint8_t* body, size_t length, SetCommReplyReply& out);

struct CommReplyEntry {
    int32_t id = 0;
    int32_t position = 0;
    TextView text;
};
// +0 count n, n ids, n positions, n texts. False when the ids and positions
// do not fit the body; entries whose text is cut short are left out.
bool ParseCommReplies(const uint8_t* body, size_t length, std::vector<CommReplyEntry>& out);

struct FileRequestMsg {
    FileRequestRecord record{};
    int32_t code = 0;
};
bool ParseFileRequest(const uint8_t* body, size_t length, FileRequestMsg& out);  // 88 or more

// ---- Dispatcher length rules ------------------------------------------------------

enum class LengthRule {
    Never,          // always dropped
    Any,            // every length
    Exactly,        // length == n
    AtLeast,        // length >= n
    MoreThan,       // length > n
    AckOrMessage,   // length == n (acknowledgement) or length >= n2 (message)
    CountedPairs,   // u16 count c >= 1 and length == 2 + 8c
};

enum BuildMask : unsigned {
    kDeskBuild = 1,
    kMessengerBuild = 2,
    kBothBuilds = kDeskBuild | kMessengerBuild,
};

struct CommandRule {
    uint32_t command;
    LengthRule rule;
    uint32_t n;
    uint32_t n2;
    unsigned builds;
    bool headerOnlyHandled;  // a header-only packet of this command is handled (desk: 33)
};

// The rule of a command, or null for a command no build handles.
const CommandRule* FindCommandRule(uint32_t command);
// Whether a body of `length` bytes passes the rule.
bool PassesLengthRule(const CommandRule& rule, const uint8_t* body, size_t length);
// Whether the build handles the command with a body of `length` bytes
// (header-only packets included), by the rule table.
bool Accepts(EngineVariant variant, uint32_t command, const uint8_t* body, size_t length);

}  // namespace wire
}  // namespace engine
