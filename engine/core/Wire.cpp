#include "Wire.h"

#include <algorithm>
#include <cstring>

namespace engine {
namespace wire {

namespace {

void PutU32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t GetU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

uint16_t GetU16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

int32_t WordAt(const uint8_t* body, size_t offset) {
    return static_cast<int32_t>(GetU32(body + offset));
}

}  // namespace

// The body cap is sized from the fields a list entry fills.
static_assert(kMaxUserEntryBytes == 16 + sizeof(UserInfoBase::nickname) + sizeof(UserInfoBase::memo) +
                                        sizeof(UserInfoBase::signature),
              "a user entry's texts fit the record's fields");
static_assert(kMaxCategoryEntryBytes == 8 + sizeof(CategoryRecord::name), "a category name fits its field");

// ---- Packets ----------------------------------------------------------------

Packet BuildPacket(uint32_t command, const uint8_t* body, size_t length) {
    Packet packet(PACKET_HEADER_SIZE + length, 0);
    PutU32(&packet[0], command);
    PutU32(&packet[8], PACKET_MARK);
    PutU32(&packet[20], static_cast<uint32_t>(length));
    if (length != 0) std::memcpy(&packet[PACKET_HEADER_SIZE], body, length);
    return packet;
}

bool ReadHeader(const uint8_t* packet, size_t length, PacketHeader& out) {
    if (packet == nullptr || length < PACKET_HEADER_SIZE) return false;
    out.command = GetU32(packet);
    out.reserved1 = GetU32(packet + 4);
    out.mark = GetU32(packet + 8);
    out.reserved2 = GetU32(packet + 12);
    out.reserved3 = GetU32(packet + 16);
    out.bodyLength = GetU32(packet + 20);
    if (out.bodyLength > kMaxBodyLength) return false;
    return static_cast<uint64_t>(out.bodyLength) == static_cast<uint64_t>(length - PACKET_HEADER_SIZE);
}

// ---- Body reader --------------------------------------------------------------

bool BodyReader::Int32(int32_t& out) {
    if (Remaining() < 4) { offset_ = length_; return false; }
    out = static_cast<int32_t>(GetU32(data_ + offset_));
    offset_ += 4;
    return true;
}

bool BodyReader::U16(uint16_t& out) {
    if (Remaining() < 2) { offset_ = length_; return false; }
    out = GetU16(data_ + offset_);
    offset_ += 2;
    return true;
}

bool BodyReader::U8(uint8_t& out) {
    if (Remaining() < 1) return false;
    out = data_[offset_++];
    return true;
}

bool BodyReader::Skip(size_t count) {
    if (Remaining() < count) { offset_ = length_; return false; }
    offset_ += count;
    return true;
}

bool BodyReader::Bytes(void* out, size_t count) {
    if (Remaining() < count) { offset_ = length_; return false; }
    if (count != 0) std::memcpy(out, data_ + offset_, count);
    offset_ += count;
    return true;
}

bool BodyReader::Text(const char*& text, size_t& length) {
    const uint8_t* start = data_ + offset_;
    const void* nul = Remaining() != 0 ? std::memchr(start, 0, Remaining()) : nullptr;
    if (nul == nullptr) { offset_ = length_; return false; }
    text = reinterpret_cast<const char*>(start);
    length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - start);
    offset_ += length + 1;
    return true;
}

void BodyReader::TextToEnd(const char*& text, size_t& length) {
    const uint8_t* start = data_ + offset_;
    const void* nul = Remaining() != 0 ? std::memchr(start, 0, Remaining()) : nullptr;
    text = reinterpret_cast<const char*>(start);
    length = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - start) : Remaining();
    offset_ = nul != nullptr ? offset_ + length + 1 : length_;
}

size_t BodyReader::Fit(int64_t count, size_t size) const {
    if (count <= 0 || size == 0) return 0;
    const uint64_t fits = Remaining() / size;
    return static_cast<size_t>(std::min<uint64_t>(fits, static_cast<uint64_t>(count)));
}

// ---- Body writer --------------------------------------------------------------

BodyWriter& BodyWriter::Int32(int32_t value) {
    uint8_t bytes[4];
    PutU32(bytes, static_cast<uint32_t>(value));
    bytes_.insert(bytes_.end(), bytes, bytes + 4);
    return *this;
}

BodyWriter& BodyWriter::U16(uint16_t value) {
    bytes_.push_back(static_cast<uint8_t>(value));
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
    return *this;
}

BodyWriter& BodyWriter::Bytes(const void* data, size_t count) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (count != 0) bytes_.insert(bytes_.end(), p, p + count);
    return *this;
}

BodyWriter& BodyWriter::Zeros(size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
}

// ---- Text fields ----------------------------------------------------------------

size_t CutText(const char* text, size_t length, size_t maxBytes, const ICodePage* codePage) {
    if (text == nullptr) return 0;
    size_t i = 0;
    while (i < length && text[i] != '\0') {
        size_t step = 1;
        if (codePage != nullptr && codePage->IsLeadByte(static_cast<unsigned char>(text[i])) &&
            i + 1 < length && text[i + 1] != '\0') {
            step = 2;
        }
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

void CopyTextField(char* field, size_t fieldSize, const char* text, size_t length,
                   const ICodePage* codePage) {
    if (fieldSize == 0) return;
    std::memset(field, 0, fieldSize);
    const size_t kept = CutText(text, length, fieldSize - 1, codePage);
    if (kept != 0) std::memcpy(field, text, kept);
}

void TerminateField(char* field, size_t fieldSize, const ICodePage* codePage) {
    if (fieldSize == 0) return;
    if (std::memchr(field, 0, fieldSize) != nullptr) return;
    const size_t kept = CutText(field, fieldSize, fieldSize - 1, codePage);
    std::memset(field + kept, 0, fieldSize - kept);
}

#define TERMINATE(record, member) TerminateField(record.member, sizeof record.member, codePage)
void TerminateFields(UserInfoBase& r, const ICodePage* codePage) {
    TERMINATE(r, nickname);
    TERMINATE(r, memo);
    TERMINATE(r, category);
    TERMINATE(r, signature);
}
void TerminateFields(UserInfoExt& r, const ICodePage* codePage) {
    TERMINATE(r, fullName);
    TERMINATE(r, loginName);
}
void TerminateFields(CategoryRecord& r, const ICodePage* codePage) { TERMINATE(r, name); }
void TerminateFields(TalkListRecord& r, const ICodePage* codePage) { TERMINATE(r, carried); }
void TerminateFields(GroupUserRecord& r, const ICodePage* codePage) { TERMINATE(r, carried); }
void TerminateFields(AgentRecord& r, const ICodePage* codePage) { TERMINATE(r, name); }
void TerminateFields(SwitchCustomerRecord& r, const ICodePage* codePage) { TERMINATE(r, note); }
void TerminateFields(MsgSearchResult& r, const ICodePage* codePage) { TERMINATE(r, text); }
void TerminateFields(FileRequestRecord& r, const ICodePage* codePage) { TERMINATE(r, fileName); }
#undef TERMINATE

// ---- Request bodies ---------------------------------------------------------------

Body LogonBody(int32_t logonId, const std::string& hexDigest, int32_t type) {
    BodyWriter w;
    w.Int32(logonId);
    char digest[kDigestSize] = {};
    std::memcpy(digest, hexDigest.data(), std::min(hexDigest.size(), kDigestSize));
    w.Bytes(digest, kDigestSize).Int32(type);
    w.Zeros(kLogonBodySize - 40);
    return w.Take();
}

Body OneWord(int32_t value) { return BodyWriter().Int32(value).Take(); }

Body TwoWords(int32_t first, int32_t second) {
    return BodyWriter().Int32(first).Int32(second).Take();
}

Body UserInfoRequest(int32_t userId, int32_t kind) { return TwoWords(userId, kind); }

Body TextMsgBody(const TextMsgRecord& msg) {
    BodyWriter w;
    w.Int32(msg.type).Int32(msg.date).Int32(msg.time);
    w.Int32(msg.senderId).Int32(msg.receiverId).Int32(msg.extraId);
    const void* nul = std::memchr(msg.text, 0, TEXTMSG_TEXT_SIZE - 1);
    const size_t length = nul != nullptr
                              ? static_cast<size_t>(static_cast<const char*>(nul) - msg.text)
                              : TEXTMSG_TEXT_SIZE - 1;
    w.Bytes(msg.text, length);
    return w.Take();
}

Body MyInfoBody(const UserInfoBase& base, const UserInfoExt& ext) {
    return BodyWriter().Int32(base.userId).Int32(3).Record(base).Record(ext).Take();
}

Body UserMemoBody(int32_t word1, int32_t word2, const char* memo) {
    BodyWriter w;
    w.Int32(word1).Int32(word2);
    if (memo != nullptr) w.Bytes(memo, std::strlen(memo));
    w.Zeros(1);
    return w.Take();
}

Body TalkListRequest(int32_t userId, int32_t kind, int32_t date, int32_t time) {
    return BodyWriter().Int32(userId).Int32(kind).Int32(date).Int32(time).Take();
}

Body MsgRecordsRequest(int32_t ownerId, int32_t customerId, int32_t flag, int32_t date,
                       int32_t time) {
    return BodyWriter().Int32(ownerId).Int32(customerId).Int32(flag).Int32(date).Int32(time).Take();
}

Body SwitchCustomerBody(const SwitchCustomerRecord& record) {
    return BodyWriter().Record(record).Take();
}

Body GrabRequestBody(int32_t ownId, int32_t agentId, int32_t customerId) {
    return BodyWriter().Int32(ownId).Int32(agentId).Int32(customerId)
        .Zeros(sizeof(SwitchCustomerRecord) + 4 - 12).Take();
}

Body GrabConfirmBody(const SwitchCustomerRecord& record, int32_t answer) {
    return BodyWriter().Record(record).Int32(answer).Take();
}

Body SearchMsgBody(const MsgSearchRequest& request) { return BodyWriter().Record(request).Take(); }

Body UsersInfoRequest(const int32_t* ids, size_t count) {
    count = std::min(count, kMaxUsersPerRequest);
    BodyWriter w;
    w.U16(static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) w.Int32(ids[i]);
    return w.Take();
}

Body FriendUpdateRequest(int32_t userId, int32_t date, int32_t time) {
    return BodyWriter().Int32(userId).Int32(date).Int32(time).Take();
}

Body SetCommReplyBody(int32_t operation, int32_t id, int32_t position, const std::string& text) {
    const size_t length = std::strlen(text.c_str());
    BodyWriter w;
    w.Int32(operation).Int32(id).Int32(position).Int32(static_cast<int32_t>(length + 1));
    w.Bytes(text.c_str(), length).Zeros(1);
    return w.Take();
}

Body FileRequestBody(const FileRequestRecord& record, int32_t code) {
    return BodyWriter().Record(record).Int32(code).Take();
}

// ---- Reply parsers ------------------------------------------------------------------

void ParseCategories(BodyReader& r, size_t count, std::vector<ParsedCategory>& out) {
    for (size_t i = 0; i < count; ++i) {
        ParsedCategory c;
        if (!r.Int32(c.id) || !r.Int32(c.order) || !r.Text(c.name.data, c.name.length)) return;
        out.push_back(c);
    }
}

void ParseUsers(BodyReader& r, size_t count, std::vector<ParsedUser>& out) {
    for (size_t i = 0; i < count; ++i) {
        ParsedUser u;
        if (!r.Int32(u.userId) || !r.Int32(u.categoryId) || !r.Int32(u.word) ||
            !r.Int32(u.userType) || !r.Text(u.name.data, u.name.length) ||
            !r.Text(u.memo.data, u.memo.length) ||
            !r.Text(u.signature.data, u.signature.length)) {
            return;
        }
        out.push_back(u);
    }
}

FriendListBody ParseFriendListBody(BodyReader& r) {
    FriendListBody body;
    if (!r.U8(body.categoryCount) || !r.Skip(1) || !r.U16(body.userCount)) return body;
    // Every category entry takes at least 9 bytes, every user entry 19: the
    // reserve is bounded by the body, not by the counts.
    body.categories.reserve(r.Fit(body.categoryCount, 9));
    ParseCategories(r, body.categoryCount, body.categories);
    if (body.categories.size() != body.categoryCount) return body;
    body.users.reserve(r.Fit(body.userCount, 19));
    ParseUsers(r, body.userCount, body.users);
    return body;
}

bool ParseLogonReply(const uint8_t* body, size_t length, LogonReply& out) {
    if (length < 8) return false;
    out.userId = WordAt(body, 0);
    out.result = WordAt(body, 4);
    return true;
}

bool ParseIdStatusList(const uint8_t* body, size_t length, std::vector<IdStatus>& out) {
    if (length < 2) return false;
    const size_t count = GetU16(body);
    if (count < 1 || length != 2 + 8 * count) return false;
    out.clear();
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        out.push_back({WordAt(body, 2 + 8 * i), WordAt(body, 6 + 8 * i)});
    }
    return true;
}

bool ParseUserInfoReply(const uint8_t* body, size_t length, UserInfoReply& out) {
    BodyReader r(body, length);
    int32_t kind = 0;
    if (!r.Int32(out.userId) || !r.Int32(kind)) return false;
    out.kind = kind & 0xFF;
    if ((out.kind == 1 || out.kind == 3) && r.Remaining() >= sizeof(UserInfoBase)) {
        out.hasBase = r.Record(out.base);
    }
    if ((out.kind == 2 || out.kind == 3) && r.Remaining() == sizeof(UserInfoExt)) {
        out.hasExt = r.Record(out.ext);
    }
    return true;
}

bool ParseTextMsgAck(const uint8_t* body, size_t length, TextMsgAck& out) {
    if (length != sizeof(TextMsgAck)) return false;
    out.date = WordAt(body, 0);
    out.time = WordAt(body, 4);
    out.msgId = WordAt(body, 8);
    out.result = WordAt(body, 12);
    return true;
}

bool ParseTextMsg(const uint8_t* body, size_t length, MessageBody& out) {
    if (length < TEXTMSG_HEAD_SIZE) return false;
    std::memset(&out.head, 0, sizeof out.head);
    out.head.type = WordAt(body, 0);
    out.head.date = WordAt(body, 4);
    out.head.time = WordAt(body, 8);
    out.head.senderId = WordAt(body, 12);
    out.head.receiverId = WordAt(body, 16);
    out.head.extraId = WordAt(body, 20);
    out.text.data = reinterpret_cast<const char*>(body + TEXTMSG_HEAD_SIZE);
    out.text.length = length - TEXTMSG_HEAD_SIZE;
    return true;
}

bool ParseMemoReply(const uint8_t* body, size_t length, MemoReply& out) {
    if (length < 8) return false;
    out.result = WordAt(body, 0);
    out.userId = WordAt(body, 4);
    out.memo.data = reinterpret_cast<const char*>(body + 8);
    const void* nul = std::memchr(body + 8, 0, length - 8);
    out.memo.length = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - (body + 8))
                                     : length - 8;
    return true;
}

template <class T>
static void ReadRecords(BodyReader& r, int32_t count, std::vector<T>& out) {
    const size_t fit = r.Fit(count, sizeof(T));
    out.resize(fit);
    for (size_t i = 0; i < fit; ++i) r.Record(out[i]);
}

bool ParseGroupUserReply(const uint8_t* body, size_t length, GroupUserReply& out) {
    BodyReader r(body, length);
    if (!r.Int32(out.kind) || !r.Int32(out.count)) return false;
    ReadRecords(r, out.count, out.records);
    return true;
}

bool ParseTalkListReply(const uint8_t* body, size_t length, TalkListReply& out) {
    BodyReader r(body, length);
    if (!r.Int32(out.userId) || !r.Int32(out.kind) || !r.Int32(out.count)) return false;
    ReadRecords(r, out.count, out.records);
    return true;
}

bool ParseUserListReply(const uint8_t* body, size_t length, UserListReply& out) {
    BodyReader r(body, length);
    if (!r.Int32(out.userId)) return false;
    out.list = ParseFriendListBody(r);
    return true;
}

bool ParseMsgRecordReply(const uint8_t* body, size_t length, MsgRecordReply& out) {
    if (length < 12 + TEXTMSG_HEAD_SIZE) return false;
    out.ownerId = WordAt(body, 0);
    out.customerId = WordAt(body, 4);
    out.flag = WordAt(body, 8);
    return ParseTextMsg(body + 12, length - 12, out.message);
}

bool ParseAgentList(const uint8_t* body, size_t length, AgentListReply& out) {
    BodyReader r(body, length);
    if (!r.Int32(out.count)) return false;
    ReadRecords(r, out.count, out.records);
    return true;
}

bool ParseSwitchResult(const uint8_t* body, size_t length, SwitchResult& out) {
    if (length != 16) return false;
    out.actingAgent = WordAt(body, 0);
    out.owningAgent = WordAt(body, 4);
    out.customerId = WordAt(body, 8);
    out.result = WordAt(body, 12);
    return true;
}

bool ParseGrabRequest(const uint8_t* body, size_t length, GrabRequest& out) {
    BodyReader r(body, length);
    return r.Record(out.record) && r.Int32(out.word);
}

bool ParseSwitchRecords(const uint8_t* body, size_t length, SwitchRecordsReply& out) {
    BodyReader r(body, length);
    if (!r.Int32(out.count)) return false;
    const size_t fit = r.Fit(out.count, 16);
    out.records.resize(fit);
    for (auto& s : out.records) {
        r.Int32(s.actingAgent);
        r.Int32(s.owningAgent);
        r.Int32(s.customerId);
        r.Int32(s.result);
    }
    return true;
}

bool ParseSearchResults(const uint8_t* body, size_t length, std::vector<MsgSearchResult>& out) {
    constexpr size_t kSize = sizeof(MsgSearchResult);
    if (length == 0 || length % kSize != 0) return false;
    out.resize(length / kSize);
    std::memcpy(out.data(), body, length);
    return true;
}

bool ParseFriendUpdateReply(const uint8_t* body, size_t length, FriendUpdateReply& out) {
    BodyReader r(body, length);
    if (!r.Int32(out.userId) || !r.Int32(out.date) || !r.Int32(out.time) ||
        !r.U16(out.updateCount) || !r.U16(out.userCount)) {
        return false;
    }
    const size_t fit = r.Fit(out.updateCount, sizeof(FriendUpdateRecord));
    out.updates.resize(fit);
    for (auto& u : out.updates) r.Record(u);
    if (fit == out.updateCount) {
        out.users.reserve(r.Fit(out.userCount, 19));
        ParseUsers(r, out.userCount, out.users);
    }
    return true;
}

bool ParseUserFriendsReply(const uint8_t* body, size_t length, UserFriendsReply& out) {
    BodyReader r(body, length);
    if (!r.Int32(out.userId) || !r.U8(out.categoryCount) || !r.Skip(3)) return false;
    out.categories.reserve(r.Fit(out.categoryCount, 9));
    ParseCategories(r, out.categoryCount, out.categories);
    return true;
}

bool ParseSetCommReplyReply(const uint8_t* body, size_t length, SetCommReplyReply& out) {
    if (length < 16) return false;
    out.result = WordAt(body, 0);
    out.id = WordAt(body, 4);
    out.position = WordAt(body, 8);
    out.operation = WordAt(body, 12);
    return true;
}

bool ParseCommReplies(const uint8_t* body, size_t length, std::vector<CommReplyEntry>& out) {
    if (length < 4) return false;
    const int32_t count = WordAt(body, 0);
    out.clear();
    if (count <= 0) return true;
    const uint64_t n = static_cast<uint64_t>(count);
    if (4 + 8 * n > length) return false;
    // Every counted reply is kept; a text without its NUL ends at the body's
    // end, and the texts after it are empty.
    BodyReader texts(body + 4 + 8 * n, length - 4 - 8 * n);
    out.reserve(static_cast<size_t>(n));
    for (size_t i = 0; i < n; ++i) {
        CommReplyEntry e;
        e.id = WordAt(body, 4 + 4 * i);
        e.position = WordAt(body, 4 + 4 * n + 4 * i);
        texts.TextToEnd(e.text.data, e.text.length);
        out.push_back(e);
    }
    return true;
}

bool ParseFileRequest(const uint8_t* body, size_t length, FileRequestMsg& out) {
    BodyReader r(body, length);
    return r.Record(out.record) && r.Int32(out.code);
}

// ---- Dispatcher length rules ------------------------------------------------------

namespace {

// Every command a build handles, with the rule its body must pass. A command
// missing here (2, 6, 7 to 11, 13 to 15, 19, 20, above 39) is dropped.
constexpr CommandRule kCommandRules[] = {
    {CMD_LOGON, LengthRule::Exactly, 8, 0, kBothBuilds, false},
    {CMD_LOGOUT, LengthRule::Exactly, 4, 0, kBothBuilds, false},
    {CMD_HEARTBEAT, LengthRule::Never, 0, 0, 0, false},
    {CMD_CHANGE_STATUS, LengthRule::Exactly, 8, 0, kBothBuilds, false},
    {CMD_GET_FRIEND_LIST, LengthRule::AtLeast, 4, 0, kBothBuilds, false},
    {CMD_GET_STATUS_LIST, LengthRule::CountedPairs, 0, 0, kBothBuilds, false},
    {CMD_POST_LOGON, LengthRule::Never, 0, 0, 0, false},
    {CMD_GET_USER_INFO, LengthRule::Any, 0, 0, kBothBuilds, false},
    {CMD_REPLY_16, LengthRule::Exactly, 4, 0, kBothBuilds, false},
    {CMD_REPLY_17, LengthRule::AtLeast, 13, 0, kBothBuilds, false},
    {CMD_TEXT_MSG, LengthRule::AckOrMessage, 16, 24, kBothBuilds, false},
    {CMD_INPUT_STATUS, LengthRule::Exactly, 8, 0, kBothBuilds, false},
    {CMD_UPDATE_MY_INFO, LengthRule::Any, 0, 0, kBothBuilds, false},
    {CMD_UPDATE_USER_MEMO, LengthRule::AtLeast, 9, 0, kBothBuilds, false},
    {CMD_GET_GROUP_USER_LIST, LengthRule::AtLeast, 8, 0, kDeskBuild, false},
    {CMD_UPDATE_TALK_LIST, LengthRule::AtLeast, 12, 0, kDeskBuild, false},
    {CMD_GET_USER_LIST, LengthRule::AtLeast, 9, 0, kDeskBuild, false},
    {CMD_GET_MSG_RECORDS, LengthRule::AtLeast, 36, 0, kDeskBuild, false},
    {CMD_GET_USER_STATUS, LengthRule::AtLeast, 8, 0, kDeskBuild, false},
    {CMD_GET_SWITCH_USER_LIST, LengthRule::AtLeast, 5, 0, kDeskBuild, false},
    {CMD_SWITCH_CUSTOMER, LengthRule::Exactly, 16, 0, kDeskBuild, false},
    {CMD_GRAB_CUSTOMER, LengthRule::AtLeast, 116, 0, kDeskBuild, false},
    {CMD_GET_SWITCH_RECORDS, LengthRule::AtLeast, 5, 0, kDeskBuild, false},
    {CMD_SEARCH_MSG, LengthRule::Any, 0, 0, kDeskBuild, true},
    {CMD_GET_USERS_INFO, LengthRule::CountedPairs, 0, 0, kDeskBuild, false},
    {CMD_GET_FRIEND_UPDATE, LengthRule::AtLeast, 16, 0, kDeskBuild, false},
    {CMD_GET_USER_FRIENDS, LengthRule::AtLeast, 9, 0, kDeskBuild, false},
    {CMD_SET_COMM_REPLY, LengthRule::AtLeast, 16, 0, kDeskBuild, false},
    {CMD_GET_COMM_REPLY, LengthRule::MoreThan, 4, 0, kDeskBuild, false},
    {CMD_FILE_REQUEST, LengthRule::AtLeast, 88, 0, kBothBuilds, false},
};

}  // namespace

const CommandRule* FindCommandRule(uint32_t command) {
    for (const CommandRule& rule : kCommandRules) {
        if (rule.command == command) return &rule;
    }
    return nullptr;
}

bool PassesLengthRule(const CommandRule& rule, const uint8_t* body, size_t length) {
    switch (rule.rule) {
    case LengthRule::Never: return false;
    case LengthRule::Any: return true;
    case LengthRule::Exactly: return length == rule.n;
    case LengthRule::AtLeast: return length >= rule.n;
    case LengthRule::MoreThan: return length > rule.n;
    case LengthRule::AckOrMessage: return length == rule.n || length >= rule.n2;
    case LengthRule::CountedPairs: {
        if (length < 2 || body == nullptr) return false;
        const uint64_t count = GetU16(body);
        return count >= 1 && static_cast<uint64_t>(length) == 2 + 8 * count;
    }
    }
    return false;
}

bool Accepts(EngineVariant variant, uint32_t command, const uint8_t* body, size_t length) {
    const CommandRule* rule = FindCommandRule(command);
    if (rule == nullptr) return false;
    const unsigned build = variant == EngineVariant::Desk ? kDeskBuild : kMessengerBuild;
    if ((rule->builds & build) == 0) return false;
    if (length == 0) return variant == EngineVariant::Desk && rule->headerOnlyHandled;
    return PassesLengthRule(*rule, body, length);
}

}  // namespace wire
}  // namespace engine
