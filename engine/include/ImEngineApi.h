// The engine's public contract: every record that crosses between the engine
// libraries (Kestrin.dll, Ulvarn.dll) and their client programs, the window
// messages the engine sends to the client's main window, the result codes,
// and the signatures of the exported functions.
//
// This is the only engine header a client or a stand-in includes.
//
// Records are plain fixed-layout structures of little-endian 32-bit integers
// and fixed-length 8-bit text fields (ANSI code page, NUL-terminated inside the
// field). Their sizes and offsets are binding and are checked at compile time.
// The containers handed out by the getters (std::map, std::vector, std::deque,
// std::string) are read in place: engine and clients are built with the same
// compiler and library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Wire header (chat server and file server)
// ---------------------------------------------------------------------------

constexpr uint32_t PACKET_MARK = 0x000000FF;
constexpr size_t PACKET_HEADER_SIZE = 24;

struct PacketHeader {
    uint32_t command;     // CMD_*
    uint32_t reserved1;   // 0
    uint32_t mark;        // PACKET_MARK
    uint32_t reserved2;   // 0
    uint32_t reserved3;   // 0
    uint32_t bodyLength;  // bytes that follow the header
};

// Chat-server command codes.
enum : uint32_t {
    CMD_LOGON = 0,
    CMD_LOGOUT = 1,
    CMD_HEARTBEAT = 2,
    CMD_CHANGE_STATUS = 3,
    CMD_GET_FRIEND_LIST = 4,
    CMD_GET_STATUS_LIST = 5,
    CMD_POST_LOGON = 6,
    CMD_GET_USER_INFO = 12,
    CMD_REPLY_16 = 16,
    CMD_REPLY_17 = 17,
    CMD_TEXT_MSG = 18,
    CMD_INPUT_STATUS = 21,
    CMD_UPDATE_MY_INFO = 22,
    CMD_UPDATE_USER_MEMO = 23,
    CMD_GET_GROUP_USER_LIST = 24,
    CMD_UPDATE_TALK_LIST = 25,
    CMD_GET_USER_LIST = 26,
    CMD_GET_MSG_RECORDS = 27,
    CMD_GET_USER_STATUS = 28,
    CMD_GET_SWITCH_USER_LIST = 29,
    CMD_SWITCH_CUSTOMER = 30,
    CMD_GRAB_CUSTOMER = 31,
    CMD_GET_SWITCH_RECORDS = 32,
    CMD_SEARCH_MSG = 33,
    CMD_GET_USERS_INFO = 34,
    CMD_GET_FRIEND_UPDATE = 35,
    CMD_GET_USER_FRIENDS = 36,
    CMD_SET_COMM_REPLY = 37,
    CMD_GET_COMM_REPLY = 38,
    CMD_FILE_REQUEST = 39,
    // File server (port 7013).
    CMD_FILE_UPLOAD = 40,
    CMD_FILE_DOWNLOAD = 41,
};

constexpr uint16_t CHAT_SERVER_PORT = 7012;
constexpr uint16_t FILE_SERVER_PORT = 7013;

// Log-on types and results.
enum : int32_t {
    LOGON_TYPE_AUTO = 10,      // started with an account id: empty password
    LOGON_TYPE_PASSWORD = 20,  // password travels as its MD5 digest
};
enum : int32_t {
    LOGON_OK = 10000,
    LOGON_ERR_PASSWORD = 10001,
    LOGON_ERR_PASSWORD2 = 10002,
    LOGON_ERR_REPEATED = 10003,
    LOGON_ERR_OTHER = 10004,
};

// Answers of a file offer.
enum : int32_t {
    FILE_REQ_OFFER = 0,
    FILE_REQ_ACCEPT = 1,
    FILE_REQ_REFUSE = 2,
    FILE_REQ_CANCEL_SEND = 3,
    FILE_REQ_CANCEL_RECV = 4,
    FILE_REQ_READY = 5,
};

// User status.
enum : int32_t {
    STATUS_ONLINE = 0,
    STATUS_BUSY = 1,
    STATUS_AWAY = 2,
    STATUS_DND = 3,
    STATUS_INVISIBLE = 4,
    STATUS_OFFLINE = 5,
};

// Error codes of the local list-file functions.
enum : int32_t {
    ERR_DAT_OPEN_HEADER = -10009,
    ERR_DAT_READ_HEADER = -10010,
    ERR_DAT_OPEN_DATA = -10011,
    ERR_DAT_IO = -10012,
    ERR_DAT_SIZE = -10051,
};

// ---------------------------------------------------------------------------
// Window messages from the engine to the client's main window
// ---------------------------------------------------------------------------

constexpr unsigned IM_WM_USER = 0x0400;

enum : unsigned {
    WM_IM_USERSTATUS = IM_WM_USER + 103,    // posted: user id, status
    WM_IM_CONNECT = IM_WM_USER + 105,       // posted: 1 connected / 0 failed
    WM_IM_LOGON = IM_WM_USER + 106,         // posted: 1 when LOGON_OK, result code
    WM_IM_LOGOUT = IM_WM_USER + 107,        // posted: 1 when the result is 10000
    WM_IM_NOTIFY = IM_WM_USER + 108,        // kind (NOTIFY_*), per kind
    WM_IM_MSGSENT = IM_WM_USER + 110,       // posted: message id, server time
    WM_IM_MSGFAILED = IM_WM_USER + 111,     // posted: message id, ack time
    WM_IM_RECONNECTING = IM_WM_USER + 112,  // posted
    WM_IM_CHATMSG = IM_WM_USER + 115,       // posted: sender id
    WM_IM_TALKLIST = IM_WM_USER + 117,      // posted: user id, list kind (desk)
    WM_IM_PEERSTATUS = IM_WM_USER + 118,    // posted: user id, status (desk)
    WM_IM_GRABREQUEST = IM_WM_USER + 120,   // posted: customer id (desk)
    WM_IM_SWITCHRESULT = IM_WM_USER + 121,  // posted: customer id, result >= 0 (desk)
    WM_IM_SWITCHFAILED = IM_WM_USER + 122,  // posted: customer id, result < 0 (desk)
    WM_IM_COMMREPLY = IM_WM_USER + 128,     // posted (desk)
    WM_IM_COMMREPLYSET = IM_WM_USER + 129,  // posted: position, reply id (desk)
    WM_IM_FILEREQUEST = IM_WM_USER + 131,   // sent: peer id, file-request code
};

// Kinds of WM_IM_NOTIFY (wParam).
enum : int32_t {
    NOTIFY_FRIENDLIST = 0,
    NOTIFY_NEWMSG = 1,
    NOTIFY_STATUSLIST = 2,
    NOTIFY_USERINFO = 3,
    NOTIFY_INPUTSTATUS = 4,
    NOTIFY_USERMEMO = 5,
    NOTIFY_GROUPUSERLIST = 6,
    NOTIFY_USERLIST = 7,
    NOTIFY_SWITCHUSERLIST = 10,
    NOTIFY_TALKLIST = 11,
    NOTIFY_SEARCHRESULT = 12,
    NOTIFY_ORGROLE = 13,
    NOTIFY_USERSINFO = 14,
};

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

constexpr size_t TEXTMSG_TEXT_SIZE = 1024;
constexpr size_t TEXTMSG_HEAD_SIZE = 24;

struct TextMsgRecord {
    int32_t type;        // 0 ordinary; 1 not kept as sent; others carried through
    int32_t date;        // yyyymmdd
    int32_t time;        // hh*10000000 + mm*100000 + ss*1000 + ms; also the message id
    int32_t senderId;
    int32_t receiverId;
    int32_t extraId;
    char text[TEXTMSG_TEXT_SIZE];  // at most 1023 bytes, NUL-terminated
};

struct TextMsgAck {
    int32_t date;
    int32_t time;
    int32_t msgId;   // the time word of the acknowledged message
    int32_t result;  // 1 or 5: delivered
};

struct UserInfoBase {
    int32_t userId;
    int32_t carried;    // a word from the server, carried through
    int32_t userType;
    int32_t status;     // STATUS_*
    char nickname[24];
    char memo[16];
    char category[24];
    char signature[256];
};

struct UserInfoExt {
    uint8_t gender;     // 1 male, 0 female
    uint8_t unused[3];
    int32_t birthDate;  // yyyymmdd
    int32_t bloodType;  // 1 A, 2 B, 3 AB, 4 O, 5 other
    char fullName[12];
    char loginName[76];
};

struct CategoryRecord {
    int32_t id;
    int32_t order;  // category vectors are sorted by it, greatest first
    char name[24];
};

struct TalkListRecord {
    int32_t userId;
    int32_t date;  // yyyymmdd
    int32_t time;  // hhmmss
    char carried[24];
};

struct GroupUserRecord {
    int32_t userId;
    int32_t roleId;
    char carried[24];
};

struct AgentRecord {
    int32_t agentId;
    char name[12];
};

struct SwitchCustomerRecord {
    int32_t actingAgent;
    int32_t owningAgent;  // in whose group folder the customer's history lies
    int32_t customerId;
    char note[100];
};

struct MsgSearchRequest {
    int32_t startDate;
    int32_t endDate;
    char keywords[64];
};

struct MsgSearchResult {
    int32_t senderId;
    int32_t receiverId;
    int32_t date;  // yyyymmdd
    int32_t time;  // hhmmss
    char text[100];
};

struct FileRequestRecord {
    int32_t zero;
    int32_t senderId;   // the peer's id: key of the engine's file-request map
    int32_t receiverId;
    int32_t servingAgent;
    int32_t fileSize;
    char fileName[64];
};

// One common reply as the engine keeps it; the client reads the text in place.
struct CommReplyRecord {
    int32_t id;
    int32_t position;
    std::string text;
};

// What a client passes to MSetCommReply: laid out like CommReplyRecord.
struct CommReplyChange {
    int32_t id;
    int32_t position;
    std::string text;  // empty for a delete
};

enum : int32_t {
    COMMREPLY_OP_SET = 0,
    COMMREPLY_OP_DELETE = 9,
};

// Category name (UTF-16) -> the members of that category, in arrival order.
using FriendMap = std::map<std::wstring, std::vector<UserInfoBase>>;
using TextMsgQueue = std::deque<TextMsgRecord>;

enum : int32_t { TALKLIST_TALK = 0, TALKLIST_REGISTERED = 1, TALKLIST_CONTACT = 2 };

// What the engine keeps about another user's lists (in memory only).
struct FriendListRecord {
    int32_t userId = 0;
    std::vector<CategoryRecord> categories;
    FriendMap friends;
    std::vector<TalkListRecord> talkLists[3];  // TALKLIST_*
};

// ---------------------------------------------------------------------------
// Local history and list files (written by the engine, read by the clients)
// ---------------------------------------------------------------------------

constexpr int32_t MSG_FILE_MARKER = 20;

struct MsgFileHeader {
    int32_t newestDate;
    int32_t newestTime;
    int32_t zero;
    int32_t count;
    int32_t marker;  // MSG_FILE_MARKER
    int32_t reserved[27];
};

struct MsgRecordHead {
    int32_t type;
    int32_t date;
    int32_t time;
    int32_t senderId;
    int32_t receiverId;
    int32_t extraId;
    int32_t textLength;   // bytes of text that follow the extra block
    int32_t minusOne;     // -1
    int32_t extraLength;  // 0 for chat messages
    uint8_t reserved[56];
};

struct LatestContactHeader {
    int32_t date;   // last update, yyyymmdd
    int32_t time;   // hhmmss
    int32_t count;
    int32_t reserved[29];
};

struct LatestContactRecord {
    int32_t peerId;
    int32_t one;   // 1
    int32_t date;  // of the last message received from the peer
    int32_t time;  // hhmmss
};

constexpr int32_t DAT_FILE_KIND = 10;

struct DatFileHeader {
    int32_t kind;  // DAT_FILE_KIND
    int32_t createDate;
    int32_t createTime;
    int32_t changeDate;
    int32_t changeTime;
    int32_t recordSize;
    int32_t recordCount;
    int32_t reserved[25];
};

// Friend-update record (reply to CMD_GET_FRIEND_UPDATE and "friendUpdate.dat").
struct FriendUpdateRecord {
    int32_t userA;
    int32_t userB;
    int32_t operation;  // 0 removed, 1 added, 2 category changed
    int32_t categoryId; // 5 also removes
    int32_t carried1;
    int32_t carried2;
};

// The layouts above are binding.
#define IM_CHECK_RECORD(type, size) static_assert(sizeof(type) == (size), #type " size")
IM_CHECK_RECORD(PacketHeader, 24);
IM_CHECK_RECORD(TextMsgRecord, 1048);
IM_CHECK_RECORD(TextMsgAck, 16);
IM_CHECK_RECORD(UserInfoBase, 336);
IM_CHECK_RECORD(UserInfoExt, 100);
IM_CHECK_RECORD(CategoryRecord, 32);
IM_CHECK_RECORD(TalkListRecord, 36);
IM_CHECK_RECORD(GroupUserRecord, 32);
IM_CHECK_RECORD(AgentRecord, 16);
IM_CHECK_RECORD(SwitchCustomerRecord, 112);
IM_CHECK_RECORD(MsgSearchRequest, 72);
IM_CHECK_RECORD(MsgSearchResult, 116);
IM_CHECK_RECORD(FileRequestRecord, 84);
IM_CHECK_RECORD(MsgFileHeader, 128);
IM_CHECK_RECORD(MsgRecordHead, 92);
IM_CHECK_RECORD(LatestContactHeader, 128);
IM_CHECK_RECORD(LatestContactRecord, 16);
IM_CHECK_RECORD(DatFileHeader, 128);
IM_CHECK_RECORD(FriendUpdateRecord, 24);
#undef IM_CHECK_RECORD
// Every field at its documented offset, in every build.
#define IM_CHECK_FIELD(type, field, offset) \
    static_assert(offsetof(type, field) == (offset), #type "::" #field " offset")
IM_CHECK_FIELD(PacketHeader, command, 0);
IM_CHECK_FIELD(PacketHeader, reserved1, 4);
IM_CHECK_FIELD(PacketHeader, mark, 8);
IM_CHECK_FIELD(PacketHeader, reserved2, 12);
IM_CHECK_FIELD(PacketHeader, reserved3, 16);
IM_CHECK_FIELD(PacketHeader, bodyLength, 20);
IM_CHECK_FIELD(TextMsgRecord, type, 0);
IM_CHECK_FIELD(TextMsgRecord, date, 4);
IM_CHECK_FIELD(TextMsgRecord, time, 8);
IM_CHECK_FIELD(TextMsgRecord, senderId, 12);
IM_CHECK_FIELD(TextMsgRecord, receiverId, 16);
IM_CHECK_FIELD(TextMsgRecord, extraId, 20);
IM_CHECK_FIELD(TextMsgRecord, text, 24);
IM_CHECK_FIELD(TextMsgAck, date, 0);
IM_CHECK_FIELD(TextMsgAck, time, 4);
IM_CHECK_FIELD(TextMsgAck, msgId, 8);
IM_CHECK_FIELD(TextMsgAck, result, 12);
IM_CHECK_FIELD(UserInfoBase, userId, 0);
IM_CHECK_FIELD(UserInfoBase, carried, 4);
IM_CHECK_FIELD(UserInfoBase, userType, 8);
IM_CHECK_FIELD(UserInfoBase, status, 12);
IM_CHECK_FIELD(UserInfoBase, nickname, 16);
IM_CHECK_FIELD(UserInfoBase, memo, 40);
IM_CHECK_FIELD(UserInfoBase, category, 56);
IM_CHECK_FIELD(UserInfoBase, signature, 80);
IM_CHECK_FIELD(UserInfoExt, gender, 0);
IM_CHECK_FIELD(UserInfoExt, unused, 1);
IM_CHECK_FIELD(UserInfoExt, birthDate, 4);
IM_CHECK_FIELD(UserInfoExt, bloodType, 8);
IM_CHECK_FIELD(UserInfoExt, fullName, 12);
IM_CHECK_FIELD(UserInfoExt, loginName, 24);
IM_CHECK_FIELD(CategoryRecord, id, 0);
IM_CHECK_FIELD(CategoryRecord, order, 4);
IM_CHECK_FIELD(CategoryRecord, name, 8);
IM_CHECK_FIELD(TalkListRecord, userId, 0);
IM_CHECK_FIELD(TalkListRecord, date, 4);
IM_CHECK_FIELD(TalkListRecord, time, 8);
IM_CHECK_FIELD(TalkListRecord, carried, 12);
IM_CHECK_FIELD(GroupUserRecord, userId, 0);
IM_CHECK_FIELD(GroupUserRecord, roleId, 4);
IM_CHECK_FIELD(GroupUserRecord, carried, 8);
IM_CHECK_FIELD(AgentRecord, agentId, 0);
IM_CHECK_FIELD(AgentRecord, name, 4);
IM_CHECK_FIELD(SwitchCustomerRecord, actingAgent, 0);
IM_CHECK_FIELD(SwitchCustomerRecord, owningAgent, 4);
IM_CHECK_FIELD(SwitchCustomerRecord, customerId, 8);
IM_CHECK_FIELD(SwitchCustomerRecord, note, 12);
IM_CHECK_FIELD(MsgSearchRequest, startDate, 0);
IM_CHECK_FIELD(MsgSearchRequest, endDate, 4);
IM_CHECK_FIELD(MsgSearchRequest, keywords, 8);
IM_CHECK_FIELD(MsgSearchResult, senderId, 0);
IM_CHECK_FIELD(MsgSearchResult, receiverId, 4);
IM_CHECK_FIELD(MsgSearchResult, date, 8);
IM_CHECK_FIELD(MsgSearchResult, time, 12);
IM_CHECK_FIELD(MsgSearchResult, text, 16);
IM_CHECK_FIELD(FileRequestRecord, zero, 0);
IM_CHECK_FIELD(FileRequestRecord, senderId, 4);
IM_CHECK_FIELD(FileRequestRecord, receiverId, 8);
IM_CHECK_FIELD(FileRequestRecord, servingAgent, 12);
IM_CHECK_FIELD(FileRequestRecord, fileSize, 16);
IM_CHECK_FIELD(FileRequestRecord, fileName, 20);
IM_CHECK_FIELD(MsgFileHeader, newestDate, 0);
IM_CHECK_FIELD(MsgFileHeader, newestTime, 4);
IM_CHECK_FIELD(MsgFileHeader, zero, 8);
IM_CHECK_FIELD(MsgFileHeader, count, 12);
IM_CHECK_FIELD(MsgFileHeader, marker, 16);
IM_CHECK_FIELD(MsgFileHeader, reserved, 20);
IM_CHECK_FIELD(MsgRecordHead, type, 0);
IM_CHECK_FIELD(MsgRecordHead, date, 4);
IM_CHECK_FIELD(MsgRecordHead, time, 8);
IM_CHECK_FIELD(MsgRecordHead, senderId, 12);
IM_CHECK_FIELD(MsgRecordHead, receiverId, 16);
IM_CHECK_FIELD(MsgRecordHead, extraId, 20);
IM_CHECK_FIELD(MsgRecordHead, textLength, 24);
IM_CHECK_FIELD(MsgRecordHead, minusOne, 28);
IM_CHECK_FIELD(MsgRecordHead, extraLength, 32);
IM_CHECK_FIELD(MsgRecordHead, reserved, 36);
IM_CHECK_FIELD(LatestContactHeader, date, 0);
IM_CHECK_FIELD(LatestContactHeader, time, 4);
IM_CHECK_FIELD(LatestContactHeader, count, 8);
IM_CHECK_FIELD(LatestContactHeader, reserved, 12);
IM_CHECK_FIELD(LatestContactRecord, peerId, 0);
IM_CHECK_FIELD(LatestContactRecord, one, 4);
IM_CHECK_FIELD(LatestContactRecord, date, 8);
IM_CHECK_FIELD(LatestContactRecord, time, 12);
IM_CHECK_FIELD(DatFileHeader, kind, 0);
IM_CHECK_FIELD(DatFileHeader, createDate, 4);
IM_CHECK_FIELD(DatFileHeader, createTime, 8);
IM_CHECK_FIELD(DatFileHeader, changeDate, 12);
IM_CHECK_FIELD(DatFileHeader, changeTime, 16);
IM_CHECK_FIELD(DatFileHeader, recordSize, 20);
IM_CHECK_FIELD(DatFileHeader, recordCount, 24);
IM_CHECK_FIELD(DatFileHeader, reserved, 28);
IM_CHECK_FIELD(FriendUpdateRecord, userA, 0);
IM_CHECK_FIELD(FriendUpdateRecord, userB, 4);
IM_CHECK_FIELD(FriendUpdateRecord, operation, 8);
IM_CHECK_FIELD(FriendUpdateRecord, categoryId, 12);
IM_CHECK_FIELD(FriendUpdateRecord, carried1, 16);
IM_CHECK_FIELD(FriendUpdateRecord, carried2, 20);
#undef IM_CHECK_FIELD
static_assert(offsetof(CommReplyRecord, text) == 8, "CommReplyRecord text");
static_assert(sizeof(CommReplyChange) == sizeof(CommReplyRecord), "CommReplyChange layout");

// ---------------------------------------------------------------------------
// Exported functions (extern "C", cdecl, undecorated). Texts are UTF-16.
// ---------------------------------------------------------------------------

#ifdef _WIN32
#include <windows.h>

extern "C" {
typedef void (*PFN_MInitModule)(HWND hMainWnd);
typedef void* (*PFN_MGetDataTree)();
typedef void (*PFN_MLogon)(const wchar_t* account, const wchar_t* password, int type,
                           const wchar_t* server, unsigned short port);
typedef void (*PFN_MLogonOut)(int frontFlag);
typedef int (*PFN_MGetConnectStatus)();
typedef int (*PFN_MIsOffline)();
typedef int (*PFN_MGetCurUserID)();
typedef void (*PFN_MSendTextMsg)(const TextMsgRecord* msg);
typedef void (*PFN_MGetSendedTextMsg)(int msgId, TextMsgRecord* out);
typedef TextMsgQueue* (*PFN_MGetUnreadMsg)(int peerId);
typedef void (*PFN_MPopFrontTextMsg)(int peerId);
typedef int (*PFN_MProduceUserInfo)(int userId, int kind);
typedef UserInfoBase* (*PFN_MGetUserInfoBase)(int userId);
typedef UserInfoExt* (*PFN_MGetUserInfoExt)(int userId);
typedef int (*PFN_MProChangeUserStatus)(int status);
typedef int (*PFN_MProChatInputStatus)(int peerId);
typedef int (*PFN_MUpdateUserMemo)(int word1, int word2, const char* memo);
typedef int (*PFN_MUpdateMySignature)();
typedef int (*PFN_MUpdateMyInfomation)(const UserInfoBase* base, const UserInfoExt* ext);
typedef FriendMap* (*PFN_MGetFriendList)(int userId);
typedef std::vector<CategoryRecord>* (*PFN_MGetUserListCategorys)(int userId);
typedef void (*PFN_MSendFileRespond)(const FileRequestRecord* record, int code);
typedef std::vector<FileRequestRecord>* (*PFN_MGetSendFileRequest)(int peerId);
// Desk build only.
typedef int (*PFN_MGetUserData)(FriendListRecord* record, int kind);
typedef int (*PFN_MUpdateTalkList)(int userId, int kind);
typedef int (*PFN_MRefreshMsgRecords)(int ownerId, int customerId, int flag);
typedef void (*PFN_MGetUserStatus)(int userId);
typedef void (*PFN_MRefreshSwitchUserList)();
typedef void (*PFN_MSwitchCustomer)(const SwitchCustomerRecord* record);
typedef void (*PFN_MGrabCustomer)(int agentId, int customerId);
typedef void (*PFN_MConfirmGrabCustomer)(const SwitchCustomerRecord* record, int answer);
typedef SwitchCustomerRecord* (*PFN_MGetSwitchCustomerMsg)(int customerId);
typedef std::vector<AgentRecord>* (*PFN_MGetSwitchUserList)();
typedef std::vector<GroupUserRecord>* (*PFN_MGetGroupUserList)();
typedef std::vector<TalkListRecord>* (*PFN_MGetTalkList)(int userId, int kind);
typedef void (*PFN_MSearchMsgRecord)(const MsgSearchRequest* request);
typedef std::vector<MsgSearchResult>* (*PFN_MGetMsgSearchResult)();
typedef int (*PFN_MGetOrgRoleID)();
typedef void (*PFN_MReqestCommReply)();
typedef void (*PFN_MSetCommReply)(const CommReplyChange* change, int operation);
typedef std::vector<CommReplyRecord>* (*PFN_MGetCommReply)();
}

// The export names, in one list: X(name, builds) with builds "both" for the
// 23 that the messenger engine has too and "desk" for the 18 others.
#define IM_ENGINE_EXPORTS(X)                                                     \
    X(MInitModule, both) X(MGetDataTree, both) X(MLogon, both) X(MLogonOut, both)   \
    X(MGetConnectStatus, both) X(MIsOffline, both) X(MGetCurUserID, both)           \
    X(MSendTextMsg, both) X(MGetSendedTextMsg, both) X(MGetUnreadMsg, both)         \
    X(MPopFrontTextMsg, both) X(MProduceUserInfo, both) X(MGetUserInfoBase, both)   \
    X(MGetUserInfoExt, both) X(MProChangeUserStatus, both)                          \
    X(MProChatInputStatus, both) X(MUpdateUserMemo, both)                           \
    X(MUpdateMySignature, both) X(MUpdateMyInfomation, both)                        \
    X(MGetFriendList, both) X(MGetUserListCategorys, both)                          \
    X(MSendFileRespond, both) X(MGetSendFileRequest, both)                          \
    X(MGetUserData, desk) X(MUpdateTalkList, desk) X(MRefreshMsgRecords, desk)      \
    X(MGetUserStatus, desk) X(MRefreshSwitchUserList, desk)                         \
    X(MSwitchCustomer, desk) X(MGrabCustomer, desk) X(MConfirmGrabCustomer, desk)   \
    X(MGetSwitchCustomerMsg, desk) X(MGetSwitchUserList, desk)                      \
    X(MGetGroupUserList, desk) X(MGetTalkList, desk) X(MSearchMsgRecord, desk)      \
    X(MGetMsgSearchResult, desk) X(MGetOrgRoleID, desk) X(MReqestCommReply, desk)   \
    X(MSetCommReply, desk) X(MGetCommReply, desk)
#endif
