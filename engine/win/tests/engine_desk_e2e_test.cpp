// The desk engine Kestrin.dll under Wine against the stand-in chat server
// and its desk data (desk.txt): for each group of desk commands the
// requests the server sees, the store as the getters show it, the files
// written under the host program's folder and the notifications raised.
// The hand-over runs between two engine hosts: this process is agent A,
// a second process of this program (started by the test) is agent B.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChatServerControl.h"
#include "EngineLibrary.h"
#include "EngineTestHost.h"
#include "WinsockSession.h"

namespace {

constexpr int32_t kAgentA = 30001, kAgentB = 30002, kAgentC = 30003;
constexpr int32_t kCust1 = 40001, kCust2 = 40002, kCust3 = 40003;
constexpr wchar_t kChildVariable[] = L"QV_DESK_AGENT_B";
// Set by agent A once it has seen its refusal of B's grab through: B's next
// grab would otherwise change the record A is still looking at.
constexpr wchar_t kRefusalSeenEvent[] = L"Local\\QvDeskE2E.RefusalSeen";

using Bytes = std::vector<uint8_t>;

Bytes W(std::initializer_list<int32_t> words) {
    Bytes out;
    for (int32_t w : words)
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(w) >> (8 * i)));
    return out;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes Zeros(size_t n) { return Bytes(n, 0); }
Bytes Text(const char* text, size_t field) {
    Bytes out(field, 0);
    std::memcpy(out.data(), text, std::min(field, std::strlen(text)));
    return out;
}
std::string Hex(const Bytes& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out.empty() ? "-" : out;
}

// The host program's folder, where the engine writes its files.
std::wstring HostFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// A file under the host folder; empty when it is not there.
std::string FileBytes(const std::wstring& relative) {
    HANDLE file = CreateFileW((HostFolder() + relative).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string out;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n) out.append(buffer, n);
    CloseHandle(file);
    return out;
}

// Writes a file under the host folder, making its folders.
bool WriteFileBytes(const std::wstring& relative, const std::string& bytes) {
    std::wstring path = HostFolder() + relative;
    for (size_t at = path.find(L'\\', HostFolder().size()); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

template <class T>
T At(const std::string& bytes, size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// The header and records of a .dat list file.
template <class T>
std::vector<T> DatRecords(const std::string& bytes, DatFileHeader* header = nullptr) {
    const DatFileHeader h = At<DatFileHeader>(bytes, 0);
    if (header) *header = h;
    std::vector<T> out;
    for (int32_t i = 0; i < h.recordCount && 128 + (i + 1) * sizeof(T) <= bytes.size(); ++i)
        out.push_back(At<T>(bytes, 128 + i * sizeof(T)));
    return out;
}

// The records of a history (.msg) file: head and text.
struct HistoryRecord {
    MsgRecordHead head;
    std::string text;
};
std::vector<HistoryRecord> MsgRecords(const std::string& bytes, MsgFileHeader* header = nullptr) {
    const MsgFileHeader h = At<MsgFileHeader>(bytes, 0);
    if (header) *header = h;
    std::vector<HistoryRecord> out;
    size_t at = 128;
    while (at + sizeof(MsgRecordHead) <= bytes.size()) {
        HistoryRecord r{At<MsgRecordHead>(bytes, at), {}};
        at += sizeof(MsgRecordHead) + size_t(r.head.extraLength);
        r.text = bytes.substr(at, size_t(r.head.textLength));
        at += size_t(r.head.textLength);
        out.push_back(r);
    }
    return out;
}

std::string Describe(const std::vector<HistoryRecord>& records) {
    std::string out;
    for (const HistoryRecord& r : records)
        out += std::to_string(r.head.senderId) + "->" + std::to_string(r.head.receiverId) + " " +
               std::to_string(r.head.date) + " " + std::to_string(r.head.time) + " \"" + r.text + "\"\n";
    return out;
}

// Message records carry no notification: a test waits for the history file
// to hold `count` records (or for `ms` to pass) and gets what it holds.
std::vector<HistoryRecord> WaitForRecords(EngineTestHost& host, const std::wstring& file, size_t count,
                                          MsgFileHeader* header = nullptr, DWORD ms = 10000) {
    std::vector<HistoryRecord> records;
    host.PumpUntil([&] { return (records = MsgRecords(FileBytes(file), header)).size() >= count; }, ms);
    return records;
}

struct Request {
    uint32_t command;
    Bytes body;
};

// The packets of a connection, heartbeats left out.
std::vector<Request> RequestsOf(const std::vector<ServerEvent>& events, int connection) {
    std::vector<Request> out;
    for (const ServerEvent& e : events)
        if (e.kind == "PACKET" && e.connection == connection && e.command != CMD_HEARTBEAT)
            out.push_back({e.command, e.body});
    return out;
}

std::string Describe(const std::vector<Request>& requests) {
    std::string out;
    for (const Request& r : requests) out += std::to_string(r.command) + ":" + Hex(r.body) + "\n";
    return out;
}

// One desk agent: the engine, its host window, the server's control channel.
class DeskAgent {
public:
    bool Load() {
        if (!engine.Load(L"Kestrin.dll", true)) return false;
        engine.MInitModule(host.Window());
        return true;
    }
    void Logon(int32_t id) {
        const std::wstring account = std::to_wstring(id);
        engine.MLogon(account.c_str(), L"secret", LOGON_TYPE_PASSWORD, L"127.0.0.1", ChatServerControl::ChatPort());
    }
    // Logs on and waits until the answers to the after-log-on requests and
    // what they caused have come in (the server has seen nothing new for a while).
    bool LogonAndSettle(int32_t id) {
        const size_t from = host.Messages().size();
        Logon(id);
        if (host.WaitFor(WM_IM_LOGON, 1, 10000, from) < 0) return false;
        if (host.WaitFor(WM_IM_COMMREPLY, -1, 10000, from) < 0) return false;
        return Settle();
    }
    bool Settle() {
        size_t last = 0;
        int quiet = 0;
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 15000) {
            host.Pump(200);
            const size_t now = control.Record().size();
            quiet = now == last ? quiet + 1 : 0;
            last = now;
            if (quiet >= 3) return true;
        }
        return false;
    }
    // The connection of the last log-on of `id`.
    int ConnectionOf(int32_t id) {
        int connection = -1;
        for (const ServerEvent& e : control.Record())
            if (e.kind == "PACKET" && e.command == CMD_LOGON && e.body.size() >= 4 &&
                std::memcmp(e.body.data(), W({id}).data(), 4) == 0)
                connection = e.connection;
        return connection;
    }
    std::vector<Request> Requests(int32_t id) { return RequestsOf(control.Record(), ConnectionOf(id)); }
    // The index of the first message `message`/`wParam`/`lParam` (a negative
    // value: any) at or after `from`, or -1.
    int Find(UINT message, long long wParam, long long lParam, size_t from = 0) const {
        const auto& m = host.Messages();
        for (size_t i = from; i < m.size(); ++i)
            if (m[i].message == message && (wParam < 0 || m[i].wParam == WPARAM(wParam)) &&
                (lParam < 0 || m[i].lParam == LPARAM(lParam)))
                return int(i);
        return -1;
    }
    // A packet from the server to the newest connection.
    bool Send(const std::string& hexBody, uint32_t command) {
        return control.Command("SEND last " + std::to_string(command) + " " + hexBody) == "OK";
    }

    EngineTestHost host;
    ChatServerControl control;
    EngineLibrary engine;
};

class DeskEngine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(winsock_.Ok());
        ASSERT_TRUE(a.control.Connected()) << "no stand-in chat server (QV_CONTROL_PORT)";
        ASSERT_EQ(a.control.Command("LISTEN"), "OK");
        ASSERT_EQ(a.control.Command("SCRIPT"), "OK");
        ASSERT_EQ(a.control.Command("CLEAR"), "OK");
        RemoveTree(HostFolder() + std::to_wstring(kAgentA));
        RemoveTree(HostFolder() + std::to_wstring(kAgentB));
        ASSERT_TRUE(a.Load()) << a.engine.missing;
    }
    void TearDown() override {
        if (a.engine.Module()) a.engine.MLogonOut(1);
        a.engine.Unload();
    }

    static std::wstring Own(const wchar_t* rest) { return std::to_wstring(kAgentA) + L"\\" + rest; }

    WinsockSession winsock_;
    DeskAgent a;
};

// ---- Log-on: the desk build's after-log-on requests and what their answers fill ----------

TEST_F(DeskEngine, AfterLogonRequestsInOrderAndWhatTheirAnswersFill) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    const std::vector<Request> requests = a.Requests(kAgentA);
    const std::vector<Request> expected = {
        {CMD_LOGON, {}},
        {CMD_GET_USER_INFO, W({kAgentA, 3})},
        {CMD_GET_GROUP_USER_LIST, W({kAgentA, 3})},
        {CMD_GET_GROUP_USER_LIST, W({kAgentA, 2})},
        {CMD_GET_GROUP_USER_LIST, W({kAgentA, 0})},
        {CMD_GET_SWITCH_RECORDS, {}},
        {CMD_UPDATE_TALK_LIST, W({kAgentA, 1, 0, 0})},
        {CMD_UPDATE_TALK_LIST, W({kAgentA, 2, 0, 0})},
        {CMD_GET_USER_FRIENDS, W({kAgentA})},
        {CMD_GET_FRIEND_UPDATE, W({kAgentA, 888, 0})},  // no local list yet
        {CMD_GET_FRIEND_LIST, {}},                      // so the whole list too
        {CMD_GET_STATUS_LIST, {}},
        {CMD_POST_LOGON, {}},
        {CMD_GET_COMM_REPLY, {}},
        // What the answers asked for, in the order of the answers.
        {CMD_GET_USER_INFO, W({kAgentB, 3})},  // group users of kind 3
        {CMD_GET_USER_INFO, W({kAgentC, 3})},
        {CMD_GET_USER_FRIENDS, W({kAgentB})},  // group users of kind 2
        {CMD_GET_FRIEND_UPDATE, W({kAgentB, 888, 0})},
        {CMD_GET_USER_LIST, W({kAgentB})},
        {CMD_GET_USER_FRIENDS, W({kAgentC})},
        {CMD_GET_FRIEND_UPDATE, W({kAgentC, 888, 0})},
        {CMD_GET_USER_LIST, W({kAgentC})},
        {CMD_GET_USERS_INFO, Cat({{2, 0}, W({kCust1, kCust2})})},  // the registered list's users
        {CMD_GET_STATUS_LIST, {}},                                 // after the own friend update
    };
    ASSERT_GE(requests.size(), expected.size()) << Describe(requests);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(requests[i].command, expected[i].command) << i << "\n" << Describe(requests);
        if (i > 0) {  // the log-on body is the shared tests' concern
            EXPECT_EQ(Hex(requests[i].body), Hex(expected[i].body)) << i;
        }
    }

    // The store.
    EXPECT_EQ(a.engine.MGetOrgRoleID(), 7);
    const std::vector<GroupUserRecord>& group = *a.engine.MGetGroupUserList();
    ASSERT_EQ(group.size(), 2u);
    EXPECT_EQ(group[0].userId, kAgentB);
    EXPECT_EQ(group[1].userId, kAgentC);
    // The server's name of a member lies in the record's last 12 bytes.
    EXPECT_STREQ(group[1].carried + 12, "deskC");
    const std::vector<TalkListRecord>& registered = *a.engine.MGetTalkList(kAgentA, TALKLIST_REGISTERED);
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(registered[0].userId, kCust1);  // newest first
    EXPECT_EQ(registered[0].date, 20261209);
    EXPECT_EQ(registered[0].time, 101500);
    EXPECT_STREQ(registered[1].carried, "cust2");
    ASSERT_EQ(a.engine.MGetTalkList(kAgentA, TALKLIST_CONTACT)->size(), 1u);
    EXPECT_TRUE(a.engine.MGetTalkList(kAgentA, TALKLIST_TALK)->empty());
    EXPECT_EQ(a.engine.MGetTalkList(kAgentA, 3), nullptr);
    const std::vector<CategoryRecord>& categories = *a.engine.MGetUserListCategorys(kAgentA);
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_STREQ(categories[0].name, "VIP");  // greatest order first
    const FriendMap& friends = *a.engine.MGetFriendList(kAgentA);
    ASSERT_EQ(friends.count(L"Regular"), 1u);
    ASSERT_EQ(friends.at(L"Regular").size(), 1u);
    EXPECT_EQ(friends.at(L"Regular")[0].userId, kCust2);  // from the friend update
    EXPECT_TRUE(friends.at(L"VIP").empty());
    const FriendMap& friendsOfB = *a.engine.MGetFriendList(kAgentB);
    ASSERT_EQ(friendsOfB.count(L"Mine"), 1u);
    EXPECT_EQ(friendsOfB.at(L"Mine")[0].userId, kCust3);
    const SwitchCustomerRecord& pending = *a.engine.MGetSwitchCustomerMsg(40009);
    EXPECT_EQ(pending.actingAgent, kAgentB);
    EXPECT_EQ(pending.owningAgent, kAgentA);
    EXPECT_EQ(pending.customerId, 40009);
    const std::vector<CommReplyRecord>& replies = *a.engine.MGetCommReply();
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].id, 1);
    EXPECT_EQ(replies[0].text, "Hello, how can I help you?");
    EXPECT_EQ(replies[1].position, 1);

    // The notifications, sent or posted as the engine raises them.
    const struct { const char* what; UINT message; long long wParam, lParam; bool posted; } notes[] = {
        {"role", WM_IM_NOTIFY, NOTIFY_ORGROLE, 7, false},
        {"group users", WM_IM_NOTIFY, NOTIFY_GROUPUSERLIST, 0, false},
        {"registered list", WM_IM_TALKLIST, kAgentA, TALKLIST_REGISTERED, true},
        {"contact list", WM_IM_NOTIFY, NOTIFY_TALKLIST, kAgentA, true},
        {"own friends", WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0, false},
        {"users information", WM_IM_NOTIFY, NOTIFY_USERSINFO, 0, true},
        {"common replies", WM_IM_COMMREPLY, 0, 0, true},
    };
    for (const auto& n : notes) {
        const int at = a.Find(n.message, n.wParam, n.lParam);
        ASSERT_GE(at, 0) << n.what;
        EXPECT_EQ(a.host.Messages()[size_t(at)].posted, n.posted) << n.what;
    }
    // B's user list posts the user-list notice; B's friend update and user
    // friends send it.
    size_t postedUserList = 0, sentUserList = 0;
    for (const RecordedMessage& m : a.host.Messages()) {
        if (m.message != WM_IM_NOTIFY || m.wParam != NOTIFY_USERLIST || m.lParam != kAgentB) continue;
        ++(m.posted ? postedUserList : sentUserList);
    }
    EXPECT_EQ(postedUserList, 1u);
    EXPECT_EQ(sentUserList, 2u);

    // The files.
    DatFileHeader h{};
    const auto groupFile = DatRecords<GroupUserRecord>(FileBytes(Own(L"groupUserList.dat")), &h);
    ASSERT_EQ(groupFile.size(), 2u);
    EXPECT_EQ(h.kind, DAT_FILE_KIND);
    EXPECT_EQ(h.recordSize, 32);
    EXPECT_EQ(groupFile[0].userId, kAgentB);
    const auto regFile = DatRecords<TalkListRecord>(FileBytes(Own(L"regList.dat")), &h);
    ASSERT_EQ(regFile.size(), 2u);
    EXPECT_EQ(h.createDate, 20261209);  // the first record's stamp
    EXPECT_EQ(h.createTime, 101500);
    EXPECT_EQ(h.recordSize, 36);
    EXPECT_EQ(DatRecords<TalkListRecord>(FileBytes(Own(L"contactList.dat"))).size(), 1u);
    const auto typeFile = DatRecords<CategoryRecord>(FileBytes(Own(L"friendType.dat")), &h);
    ASSERT_EQ(typeFile.size(), 2u);
    EXPECT_EQ(h.recordSize, 32);
    const auto userFile = DatRecords<UserInfoBase>(FileBytes(Own(L"userlist.dat")), &h);
    ASSERT_EQ(userFile.size(), 1u);
    EXPECT_EQ(userFile[0].userId, kCust2);
    EXPECT_STREQ(userFile[0].category, "Regular");
    EXPECT_EQ(h.changeDate, 20261205);  // the friend update's stamp
    EXPECT_EQ(h.changeTime, 7200);
    const auto updateFile = DatRecords<FriendUpdateRecord>(FileBytes(Own(L"friendUpdate.dat")), &h);
    ASSERT_EQ(updateFile.size(), 1u);
    EXPECT_EQ(updateFile[0].userB, kCust2);
    EXPECT_EQ(h.recordSize, 24);
    const auto bUsers = DatRecords<UserInfoBase>(FileBytes(Own(L"MyGroup\\30002\\userlist.dat")), &h);
    ASSERT_EQ(bUsers.size(), 1u);
    EXPECT_EQ(bUsers[0].userId, kCust3);
    EXPECT_EQ(DatRecords<CategoryRecord>(FileBytes(Own(L"MyGroup\\30002\\friendType.dat"))).size(), 1u);
    EXPECT_EQ(DatRecords<CategoryRecord>(FileBytes(Own(L"MyGroup\\30003\\friendType.dat"))).size(), 1u);
}

// A second log-on asks with the local files' stamps; lists that did not
// change are neither stored nor announced again.
// An agent of a large organisation: 50,000 customers whose entries are as
// long as their records allow (a list body of about 15 MB). The whole list
// arrives, fills the store and the list file, and is announced.
TEST_F(DeskEngine, AnAgentWithFiftyThousandCustomersGetsTheWholeList) {
    constexpr int32_t kCrowdAgent = 31001;
    constexpr size_t kCustomers = 50000;
    RemoveTree(HostFolder() + std::to_wstring(kCrowdAgent));
    size_t announced = 0;  // the most customers a friend-list notice found
    a.host.onMessage = [&](const RecordedMessage& m) {
        if (m.message != WM_IM_NOTIFY || m.wParam != WPARAM(NOTIFY_FRIENDLIST)) return;
        size_t count = 0;
        for (const auto& [category, members] : *a.engine.MGetFriendList(kCrowdAgent)) count += members.size();
        announced = std::max(announced, count);
    };
    a.Logon(kCrowdAgent);
    ASSERT_GE(a.host.WaitFor(WM_IM_LOGON, 1), 0);
    EXPECT_TRUE(a.host.PumpUntil([&] { return announced == kCustomers; }, 60000)) << announced;
    a.host.onMessage = nullptr;
    FriendMap* friends = a.engine.MGetFriendList(kCrowdAgent);
    ASSERT_EQ(friends->size(), 1u);
    const std::vector<UserInfoBase>& customers = friends->begin()->second;
    ASSERT_EQ(customers.size(), kCustomers);
    EXPECT_EQ(customers.front().userId, 5000000);
    EXPECT_EQ(customers.back().userId, int32_t(5000000 + kCustomers - 1));
    EXPECT_EQ(std::strlen(customers.back().signature), 255u);
    EXPECT_EQ(a.engine.MGetUserInfoBase(5000000 + 12345)->userId, 5000000 + 12345);
    DatFileHeader header{};
    const std::vector<UserInfoBase> filed =
        DatRecords<UserInfoBase>(FileBytes(std::to_wstring(kCrowdAgent) + L"\\userlist.dat"), &header);
    EXPECT_EQ(header.recordCount, int32_t(kCustomers));
    ASSERT_EQ(filed.size(), kCustomers);
    EXPECT_EQ(filed.back().userId, int32_t(5000000 + kCustomers - 1));
    // The connection carried on: nothing was refused.
    EXPECT_EQ(a.host.Count(WM_IM_RECONNECTING), 0u);
    a.engine.MLogonOut(1);
    RemoveTree(HostFolder() + std::to_wstring(kCrowdAgent));
}

TEST_F(DeskEngine, LaterRequestsCarryTheLocalStampsAndUnchangedListsStayAsTheyAre) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    const std::string regBefore = FileBytes(Own(L"regList.dat"));
    a.engine.MLogonOut(1);
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    const size_t from = a.host.Messages().size();
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    const std::vector<Request> requests = a.Requests(kAgentA);
    // The registered list is asked for after its users; the friend update
    // with the own list's stamp, and no whole list.
    auto index = [&](uint32_t command, const Bytes& body) {
        for (size_t i = 0; i < requests.size(); ++i)
            if (requests[i].command == command && requests[i].body == body) return int(i);
        return -1;
    };
    const int users = index(CMD_GET_USERS_INFO, Cat({{2, 0}, W({kCust1, kCust2})}));
    const int talk = index(CMD_UPDATE_TALK_LIST, W({kAgentA, 1, 0, 0}));
    ASSERT_GE(users, 0) << Describe(requests);
    EXPECT_EQ(users + 1, talk);
    const int contactUsers = index(CMD_GET_USERS_INFO, Cat({{1, 0}, W({kCust1})}));
    ASSERT_GE(contactUsers, 0) << Describe(requests);
    EXPECT_EQ(contactUsers + 1, index(CMD_UPDATE_TALK_LIST, W({kAgentA, 2, 0, 0})));
    EXPECT_EQ(talk + 1, contactUsers);
    EXPECT_LT(a.Find(WM_IM_NOTIFY, NOTIFY_TALKLIST, kAgentA, from), 0);  // the contacts are unchanged too
    EXPECT_GE(index(CMD_GET_FRIEND_UPDATE, W({kAgentA, 20261205, 7200})), 0) << Describe(requests);
    EXPECT_LT(index(CMD_GET_FRIEND_LIST, {}), 0);
    // The whole registered list came again, with the same count and stamp: unchanged.
    EXPECT_LT(a.Find(WM_IM_TALKLIST, kAgentA, TALKLIST_REGISTERED, from), 0);
    EXPECT_EQ(FileBytes(Own(L"regList.dat")), regBefore);

    // Asked again by the client: with the file's stamp, answered with no records.
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    EXPECT_EQ(a.engine.MUpdateTalkList(kAgentA, TALKLIST_REGISTERED), 1);
    ASSERT_TRUE(a.Settle());
    // (The log-on of this connection was cleared from the record: every packet is this one's.)
    std::vector<Request> all;
    for (const ServerEvent& e : a.control.Record())
        if (e.kind == "PACKET" && e.command != CMD_HEARTBEAT) all.push_back({e.command, e.body});
    // The list's users, the list with the file's stamp; then at most the
    // user information of a user the store does not know (the customer
    // without a record of its own).
    ASSERT_GE(all.size(), 2u) << Describe(all);
    EXPECT_EQ(all[0].command, uint32_t(CMD_GET_USERS_INFO));
    EXPECT_EQ(Hex(all[0].body), Hex(Cat({{2, 0}, W({kCust1, kCust2})})));
    EXPECT_EQ(all[1].command, uint32_t(CMD_UPDATE_TALK_LIST));
    EXPECT_EQ(Hex(all[1].body), Hex(W({kAgentA, 1, 20261209, 101500})));
    for (size_t i = 2; i < all.size(); ++i) {
        EXPECT_EQ(all[i].command, uint32_t(CMD_GET_USER_INFO));
        EXPECT_EQ(Hex(all[i].body), Hex(W({kCust1, 1})));
    }
    EXPECT_LT(a.Find(WM_IM_TALKLIST, kAgentA, TALKLIST_REGISTERED, from), 0);
}

// Another agent's talk list: kept for a group user only, filed under its
// group folder, read back by MGetUserData, and unchanged when it comes again.
TEST_F(DeskEngine, AGroupUsersTalkListIsKeptFiledAndReadBack) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    size_t from = a.host.Messages().size();
    EXPECT_EQ(a.engine.MUpdateTalkList(kAgentB, TALKLIST_TALK), 1);
    const int talk = a.host.WaitFor(WM_IM_TALKLIST, kAgentB, 5000, from);
    ASSERT_GE(talk, 0);
    EXPECT_EQ(a.host.Messages()[size_t(talk)].lParam, TALKLIST_TALK);
    EXPECT_TRUE(a.host.Messages()[size_t(talk)].posted);
    ASSERT_TRUE(a.Settle());
    const std::vector<TalkListRecord>& list = *a.engine.MGetTalkList(kAgentB, TALKLIST_TALK);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].userId, kCust3);
    DatFileHeader h{};
    const auto file = DatRecords<TalkListRecord>(FileBytes(Own(L"MyGroup\\30002\\talkList.dat")), &h);
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(h.createDate, 20261209);
    EXPECT_EQ(h.createTime, 111111);
    std::vector<Request> all;
    for (const ServerEvent& e : a.control.Record())
        if (e.kind == "PACKET" && e.command != CMD_HEARTBEAT) all.push_back({e.command, e.body});
    ASSERT_GE(all.size(), 2u) << Describe(all);
    EXPECT_EQ(Hex(all[0].body), Hex(W({kAgentB, 0, 0, 0})));  // no local file yet
    EXPECT_EQ(all[1].command, uint32_t(CMD_GET_USERS_INFO));
    EXPECT_EQ(Hex(all[1].body), Hex(Cat({{1, 0}, W({kCust3})})));

    FriendListRecord record;
    record.userId = kAgentB;
    EXPECT_EQ(a.engine.MGetUserData(&record, 8), 1);
    ASSERT_EQ(record.talkLists[0].size(), 1u);
    EXPECT_EQ(record.talkLists[0][0].userId, kCust3);
    EXPECT_STREQ(record.talkLists[0][0].carried, "cust3");
    EXPECT_EQ(a.engine.MGetUserData(&record, 9), 0);  // no registered list filed for B
    EXPECT_EQ(a.engine.MGetUserData(&record, 7), 0);

    // Again: asked with the file's stamp; the same list is no change.
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    from = a.host.Messages().size();
    a.engine.MUpdateTalkList(kAgentB, TALKLIST_TALK);
    ASSERT_TRUE(a.Settle());
    const std::vector<ServerEvent> asked = PacketsOf(a.control.Record(), CMD_UPDATE_TALK_LIST);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(Hex(asked[0].body), Hex(W({kAgentB, 0, 20261209, 111111})));
    EXPECT_LT(a.Find(WM_IM_TALKLIST, -1, -1, from), 0);

    // A user who is no group user: nothing is kept or filed.
    a.engine.MUpdateTalkList(kAgentC + 6, TALKLIST_TALK);
    a.engine.MUpdateTalkList(kAgentC, TALKLIST_TALK);  // a group user
    ASSERT_TRUE(a.Settle());
    EXPECT_TRUE(a.engine.MGetTalkList(kAgentC + 6, TALKLIST_TALK)->empty());
    EXPECT_TRUE(FileBytes(Own(L"MyGroup\\30009\\talkList.dat")).empty());
    EXPECT_EQ(a.engine.MGetTalkList(kAgentC, TALKLIST_TALK)->size(), 1u);

    // A talk list of kind 0 about the own id is not kept.
    from = a.host.Messages().size();
    ASSERT_TRUE(a.Send(Hex(Cat({W({kAgentA, 0, 1, kCust1, 20261210, 90000}), Text("mine", 24)})),
                       CMD_UPDATE_TALK_LIST));
    a.host.Pump(300);
    EXPECT_TRUE(a.engine.MGetTalkList(kAgentA, TALKLIST_TALK)->empty());
    EXPECT_TRUE(FileBytes(Own(L"talkList.dat")).empty());
    EXPECT_LT(a.Find(WM_IM_TALKLIST, -1, -1, from), 0);
}

// Another agent's user list that has become empty replaces the filed one:
// a later rebuild from the files (user friends, friend update) must not
// bring the old friends back.
TEST_F(DeskEngine, AnEmptiedUserListIsFiledSoTheOldFriendsStayGone) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    ASSERT_EQ(a.engine.MGetFriendList(kAgentB)->at(L"Mine").size(), 1u);
    size_t from = a.host.Messages().size();
    const Bytes category = Cat({W({1, 3}), Text("Mine", 5)});
    ASSERT_TRUE(a.Send(Hex(Cat({W({kAgentB}), {1, 0, 0, 0}, category})), CMD_GET_USER_LIST));
    ASSERT_GE(a.host.WaitFor(WM_IM_NOTIFY, NOTIFY_USERLIST, 5000, from), 0);
    EXPECT_TRUE(a.engine.MGetFriendList(kAgentB)->at(L"Mine").empty());
    DatFileHeader h{};
    EXPECT_TRUE(DatRecords<UserInfoBase>(FileBytes(Own(L"MyGroup\\30002\\userlist.dat")), &h).empty());
    EXPECT_EQ(h.recordSize, 336);
    // The user friends of B rebuild B's lists from the files.
    from = a.host.Messages().size();
    ASSERT_TRUE(a.Send(Hex(Cat({W({kAgentB}), {1, 0, 0, 0}, category})), CMD_GET_USER_FRIENDS));
    ASSERT_GE(a.host.WaitFor(WM_IM_NOTIFY, NOTIFY_USERLIST, 5000, from), 0);
    EXPECT_TRUE(a.engine.MGetFriendList(kAgentB)->at(L"Mine").empty());
}

// Replies whose counts promise more than their bodies hold, and texts
// without their NUL: what the body holds is taken, and no more.
TEST_F(DeskEngine, CountsBeyondTheBodyAreCutToWhatItHolds) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    const size_t from = a.host.Messages().size();
    const Bytes member = Cat({W({kAgentC + 7, 9}), Bytes(24, 'g')});  // name without its NUL
    ASSERT_TRUE(a.Send(Hex(Cat({W({2, 1000}), member, Zeros(31)})), CMD_GET_GROUP_USER_LIST));
    ASSERT_TRUE(a.Send(Hex(Cat({W({50, 40005}), Bytes(12, 'n')})), CMD_GET_SWITCH_USER_LIST));
    ASSERT_TRUE(a.Send(Hex(Cat({W({9, kAgentB, kAgentA, 40006, 1}), Zeros(15)})), CMD_GET_SWITCH_RECORDS));
    ASSERT_TRUE(a.Send(Hex(Cat({W({kAgentA, 1, 100, 40007, 20261210, 120000}), Text("new", 24), Zeros(35)})),
                       CMD_UPDATE_TALK_LIST));
    Bytes replies = Cat({W({2, 11, 12, 0, 1}), Text("kept", 5), Text("cut", 3)});
    ASSERT_TRUE(a.Send(Hex(replies), CMD_GET_COMM_REPLY));
    ASSERT_GE(a.host.WaitFor(WM_IM_COMMREPLY, -1, 5000, from), 0);
    ASSERT_TRUE(a.Settle());

    const std::vector<GroupUserRecord>& group = *a.engine.MGetGroupUserList();
    ASSERT_EQ(group.size(), 1u);
    EXPECT_EQ(group[0].userId, kAgentC + 7);
    EXPECT_EQ(std::string(group[0].carried), std::string(23, 'g'));
    const std::vector<AgentRecord>& agents = *a.engine.MGetSwitchUserList();
    ASSERT_EQ(agents.size(), 1u);
    EXPECT_EQ(std::string(agents[0].name), std::string(11, 'n'));
    EXPECT_EQ(a.engine.MGetSwitchCustomerMsg(40006)->actingAgent, kAgentB);
    const std::vector<TalkListRecord>& registered = *a.engine.MGetTalkList(kAgentA, TALKLIST_REGISTERED);
    ASSERT_EQ(registered.size(), 3u);  // merged: the one new record added
    EXPECT_EQ(registered[2].userId, 40007);
    DatFileHeader h{};
    EXPECT_EQ(DatRecords<TalkListRecord>(FileBytes(Own(L"regList.dat")), &h).size(), 3u);
    EXPECT_EQ(h.createDate, 20261210);
    // Both common replies: the last text, without its NUL, ends at the body's end.
    const std::vector<CommReplyRecord>& common = *a.engine.MGetCommReply();
    ASSERT_EQ(common.size(), 2u);
    EXPECT_EQ(common[0].id, 11);
    EXPECT_EQ(common[0].text, "kept");
    EXPECT_EQ(common[1].id, 12);
    EXPECT_EQ(common[1].position, 1);
    EXPECT_EQ(common[1].text, "cut");
    EXPECT_GE(a.Find(WM_IM_NOTIFY, NOTIFY_SWITCHUSERLIST, 1, from), 0);
}

// ---- Message records -------------------------------------------------------------------------

TEST_F(DeskEngine, MessageRecordsAreFiledNewerOnly) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    const size_t from = a.host.Messages().size();
    EXPECT_EQ(a.engine.MRefreshMsgRecords(kAgentA, kCust1, 1), 1);
    EXPECT_EQ(a.engine.MRefreshMsgRecords(kAgentB, kCust3, 1), 1);  // a group member's customer
    EXPECT_EQ(a.engine.MRefreshMsgRecords(kAgentA, kCust1, 0), 1);  // the latest records
    ASSERT_TRUE(a.Settle());

    MsgFileHeader h{};
    auto own = WaitForRecords(a.host, Own(L"msg\\40001.msg"), 4, &h);
    ASSERT_EQ(own.size(), 4u) << Describe(own);
    EXPECT_EQ(h.count, 4);
    EXPECT_EQ(h.marker, MSG_FILE_MARKER);
    EXPECT_EQ(h.newestDate, 20261202);
    EXPECT_EQ(h.newestTime, 90100500);
    EXPECT_EQ(own[0].head.senderId, kCust1);
    EXPECT_EQ(own[0].head.time, 101500123);
    EXPECT_EQ(own[0].text, "hello agent");
    EXPECT_EQ(own[0].head.minusOne, -1);
    EXPECT_EQ(WaitForRecords(a.host, Own(L"msg\\40001.latest.msg"), 4).size(), 4u);
    const auto group = WaitForRecords(a.host, Own(L"MyGroup\\30002\\msg\\40003.msg"), 1);
    ASSERT_EQ(group.size(), 1u);
    EXPECT_EQ(group[0].text, "where is my parcel");
    // No notification for records.
    EXPECT_EQ(a.host.Messages().size(), from);

    // Asked again: with the newest record's date and hhmmss; nothing newer.
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    a.engine.MRefreshMsgRecords(kAgentA, kCust1, 1);
    ASSERT_TRUE(a.Settle());
    const std::vector<ServerEvent> events = PacketsOf(a.control.Record(), CMD_GET_MSG_RECORDS);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(Hex(events[0].body), Hex(W({kAgentA, kCust1, 1, 20261202, 90100})));
    EXPECT_EQ(MsgRecords(FileBytes(Own(L"msg\\40001.msg"))).size(), 4u);

    // A history file with a wrong marker is moved aside, and the whole
    // history of that customer is asked for again.
    MsgFileHeader damaged{};
    damaged.newestDate = 20261231;
    damaged.count = 5;
    damaged.marker = MSG_FILE_MARKER + 1;
    const std::string damagedBytes(reinterpret_cast<const char*>(&damaged), sizeof damaged);
    ASSERT_TRUE(WriteFileBytes(Own(L"msg\\40002.msg"), damagedBytes));
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    a.engine.MRefreshMsgRecords(kAgentA, kCust2, 1);
    ASSERT_TRUE(a.Settle());
    const std::vector<ServerEvent> whole = PacketsOf(a.control.Record(), CMD_GET_MSG_RECORDS);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(Hex(whole[0].body), Hex(W({kAgentA, kCust2, 1, 0, 0})));
    EXPECT_EQ(FileBytes(Own(L"msg\\40002.msg.bad")), damagedBytes);
    const auto refetched = WaitForRecords(a.host, Own(L"msg\\40002.msg"), 1);
    ASSERT_EQ(refetched.size(), 1u);
    EXPECT_EQ(refetched[0].text, "is my order late");

    // Records from the server directly: an older one is not filed, a newer
    // one is; a command-18 body between two others is a record too, unless
    // it is not a sane one. A last record comes after them all: once it is
    // filed, every one before it has been handled.
    const Bytes older = Cat({W({kAgentA, kCust1, 1, 0, 20261201, 101700000, kCust1, kAgentA, 0}), Text("old", 3)});
    const Bytes newer = Cat({W({kAgentA, kCust1, 1, 0, 20261203, 80000000, kCust1, kAgentA, 0}), Text("new", 3)});
    const Bytes viaText = Cat({W({kAgentA, kCust1, 1, 0, 20261204, 80000000, kCust1, kAgentA, 0}), Text("via", 3)});
    const Bytes insane = Cat({W({kAgentA, kCust1, 7, 0, 20261205, 80000000, kCust1, kAgentA, 0}), Text("bad", 3)});
    ASSERT_TRUE(a.Send(Hex(older), CMD_GET_MSG_RECORDS));
    ASSERT_TRUE(a.Send(Hex(newer), CMD_GET_MSG_RECORDS));
    ASSERT_TRUE(a.Send(Hex(viaText), CMD_TEXT_MSG));
    ASSERT_TRUE(a.Send(Hex(insane), CMD_TEXT_MSG));
    ASSERT_TRUE(a.Send(Hex(Zeros(35)), CMD_GET_MSG_RECORDS));  // too short: ignored
    ASSERT_TRUE(a.Send(Hex(Cat({W({kAgentA, kCust1, 1, 0, 20261206, 80000000}), Zeros(6)})),
                       CMD_TEXT_MSG));  // 30 bytes between two others: no record
    const Bytes last = Cat({W({kAgentA, kCust1, 1, 0, 20261207, 80000000, kCust1, kAgentA, 0}), Text("last", 4)});
    ASSERT_TRUE(a.Send(Hex(last), CMD_GET_MSG_RECORDS));
    own = WaitForRecords(a.host, Own(L"msg\\40001.msg"), 7, &h);
    ASSERT_EQ(own.size(), 7u) << Describe(own);
    EXPECT_EQ(own[4].text, "new");
    EXPECT_EQ(own[5].text, "via");
    EXPECT_EQ(own[6].text, "last");
    EXPECT_EQ(h.newestDate, 20261207);
    EXPECT_EQ(a.Find(WM_IM_NOTIFY, NOTIFY_NEWMSG, -1, from), -1);
}

// ---- Statuses and the agent list --------------------------------------------------------------

TEST_F(DeskEngine, UserStatusAndAgentList) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    const size_t from = a.host.Messages().size();
    a.engine.MGetUserStatus(kAgentC);
    a.engine.MGetUserStatus(kAgentA);
    a.engine.MRefreshSwitchUserList();
    const int switchList = a.host.WaitFor(WM_IM_NOTIFY, NOTIFY_SWITCHUSERLIST, 5000, from);
    ASSERT_GE(switchList, 0);
    EXPECT_TRUE(a.host.Messages()[size_t(switchList)].posted);
    EXPECT_EQ(a.host.Messages()[size_t(switchList)].lParam, 1);
    const int offline = a.Find(WM_IM_PEERSTATUS, kAgentC, STATUS_OFFLINE, from);
    ASSERT_GE(offline, 0);
    EXPECT_TRUE(a.host.Messages()[size_t(offline)].posted);
    EXPECT_GE(a.Find(WM_IM_PEERSTATUS, kAgentA, STATUS_ONLINE, from), 0);
    const std::vector<AgentRecord>& agents = *a.engine.MGetSwitchUserList();
    ASSERT_EQ(agents.size(), 2u);
    EXPECT_EQ(agents[0].agentId, kAgentB);
    EXPECT_STREQ(agents[0].name, "deskB");
    std::vector<Request> all;
    for (const ServerEvent& e : a.control.Record())
        if (e.kind == "PACKET" && e.command != CMD_HEARTBEAT) all.push_back({e.command, e.body});
    ASSERT_EQ(all.size(), 3u) << Describe(all);
    EXPECT_EQ(Hex(all[0].body), Hex(W({kAgentC})));
    EXPECT_EQ(all[2].command, uint32_t(CMD_GET_SWITCH_USER_LIST));
    EXPECT_EQ(Hex(all[2].body), Hex(W({kAgentA})));
}

// ---- Archive search -----------------------------------------------------------------------------

TEST_F(DeskEngine, ArchiveSearchWithResultsWithNoneAndWithAMalformedReply) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    auto search = [&](int32_t start, int32_t end, const char* keywords) {
        MsgSearchRequest request{};
        request.startDate = start;
        request.endDate = end;
        std::strncpy(request.keywords, keywords, sizeof request.keywords - 1);
        const size_t from = a.host.Messages().size();
        a.engine.MSearchMsgRecord(&request);
        return a.host.WaitFor(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, 5000, from);
    };
    int at = search(20261201, 20261231, "refund");
    ASSERT_GE(at, 0);
    EXPECT_EQ(a.host.Messages()[size_t(at)].lParam, 2);
    EXPECT_TRUE(a.host.Messages()[size_t(at)].posted);
    const std::vector<MsgSearchResult>& results = *a.engine.MGetMsgSearchResult();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].senderId, kCust1);
    EXPECT_EQ(results[0].date, 20261202);
    EXPECT_EQ(results[0].time, 90000);
    EXPECT_STREQ(results[0].text, "a refund please");
    EXPECT_STREQ(results[1].text, "the refund is on its way");
    const std::vector<ServerEvent> asked = PacketsOf(a.control.Record(), CMD_SEARCH_MSG);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(Hex(asked[0].body), Hex(Cat({W({20261201, 20261231}), Text("refund", 64)})));

    // None: a header-only reply; the old results stay.
    at = search(20261201, 20261231, "no such words");
    ASSERT_GE(at, 0);
    EXPECT_EQ(a.host.Messages()[size_t(at)].lParam, 0);
    EXPECT_EQ(a.engine.MGetMsgSearchResult()->size(), 2u);

    // Malformed: one and a half results.
    size_t from = a.host.Messages().size();
    ASSERT_TRUE(a.Send(Hex(Zeros(116 + 58)), CMD_SEARCH_MSG));
    at = a.host.WaitFor(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, 5000, from);
    ASSERT_GE(at, 0);
    EXPECT_EQ(a.host.Messages()[size_t(at)].lParam, 0);
    EXPECT_EQ(a.engine.MGetMsgSearchResult()->size(), 2u);
    EXPECT_STREQ((*a.engine.MGetMsgSearchResult())[0].text, "a refund please");
    // A result whose text fills its field without a NUL is stored terminated.
    Bytes unterminated = Cat({W({kCust1, kAgentA, 20261205, 120000}), Bytes(100, 'x')});
    from = a.host.Messages().size();
    ASSERT_TRUE(a.Send(Hex(unterminated), CMD_SEARCH_MSG));
    at = a.host.WaitFor(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, 5000, from);
    ASSERT_GE(at, 0);
    EXPECT_EQ(a.host.Messages()[size_t(at)].lParam, 1);
    ASSERT_EQ(a.engine.MGetMsgSearchResult()->size(), 1u);
    EXPECT_EQ(std::string((*a.engine.MGetMsgSearchResult())[0].text), std::string(99, 'x'));
}

// ---- Common replies ---------------------------------------------------------------------------

TEST_F(DeskEngine, CommonRepliesAddAndDelete) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    ASSERT_EQ(a.control.Command("CLEAR"), "OK");
    size_t from = a.host.Messages().size();
    CommReplyChange added{0, 2, "We will call you back."};
    a.engine.MSetCommReply(&added, COMMREPLY_OP_SET);
    const int set = a.host.WaitFor(WM_IM_COMMREPLYSET, -1, 5000, from);
    ASSERT_GE(set, 0);
    EXPECT_TRUE(a.host.Messages()[size_t(set)].posted);
    EXPECT_EQ(a.host.Messages()[size_t(set)].wParam, 2u);  // the position
    EXPECT_EQ(a.host.Messages()[size_t(set)].lParam, 3);   // the new id
    std::vector<ServerEvent> asked = PacketsOf(a.control.Record(), CMD_SET_COMM_REPLY);
    ASSERT_EQ(asked.size(), 1u);
    const std::string text = "We will call you back.";
    EXPECT_EQ(Hex(asked[0].body),
              Hex(Cat({W({0, 0, 2, int32_t(text.size() + 1)}), Text(text.c_str(), text.size() + 1)})));
    EXPECT_EQ(a.engine.MGetCommReply()->size(), 2u);  // nothing kept of the change

    // A delete is followed by a new request for the list.
    from = a.host.Messages().size();
    CommReplyChange removed{1, 0, ""};
    a.engine.MSetCommReply(&removed, COMMREPLY_OP_DELETE);
    ASSERT_GE(a.host.WaitFor(WM_IM_COMMREPLY, -1, 5000, from), 0);
    EXPECT_LT(a.Find(WM_IM_COMMREPLYSET, -1, -1, from), 0);
    const std::vector<CommReplyRecord>& replies = *a.engine.MGetCommReply();
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].id, 2);
    EXPECT_EQ(replies[1].id, 3);
    EXPECT_EQ(replies[1].text, text);
    asked = PacketsOf(a.control.Record(), CMD_SET_COMM_REPLY);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(Hex(asked[1].body), Hex(Cat({W({9, 1, 0, 1}), Zeros(1)})));
    EXPECT_EQ(PacketsOf(a.control.Record(), CMD_GET_COMM_REPLY).size(), 1u);

    // Asked by the client: a header-only request, the same list again.
    from = a.host.Messages().size();
    a.engine.MReqestCommReply();
    const int again = a.host.WaitFor(WM_IM_COMMREPLY, -1, 5000, from);
    ASSERT_GE(again, 0);
    EXPECT_TRUE(a.host.Messages()[size_t(again)].posted);
    const std::vector<ServerEvent> requests = PacketsOf(a.control.Record(), CMD_GET_COMM_REPLY);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[1].body.empty());
    EXPECT_EQ(a.engine.MGetCommReply()->size(), 2u);
}

// ---- Hand-over and take-over between two engine hosts -----------------------------------------

// A hand-over the server cannot serve (the agent is not online) fails: the
// stored record goes with the failure.
TEST_F(DeskEngine, AHandOverToAnAgentWhoIsNotOnlineFails) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    const size_t from = a.host.Messages().size();
    SwitchCustomerRecord handOver{};
    handOver.actingAgent = kAgentC;
    handOver.owningAgent = kAgentA;
    handOver.customerId = kCust2;
    std::strcpy(handOver.note, "anyone?");
    a.engine.MSwitchCustomer(&handOver);
    const int failed = a.host.WaitFor(WM_IM_SWITCHFAILED, kCust2, 5000, from);
    ASSERT_GE(failed, 0);
    EXPECT_EQ(a.host.Messages()[size_t(failed)].lParam, -1);
    EXPECT_TRUE(a.host.Messages()[size_t(failed)].posted);
    EXPECT_EQ(a.engine.MGetSwitchCustomerMsg(kCust2)->customerId, 0);
    EXPECT_LT(a.Find(WM_IM_SWITCHRESULT, -1, -1, from), 0);
}

// Agent B's steps, run in a second process; the exit code says how far it got.
enum ChildExit : DWORD {
    kChildLoaded = 2, kChildLoggedOn, kChildGotRequest, kChildRecordRight, kChildGotResult, kChildGotGrabFailure,
    kChildGotMessage, kChildGrabbed, kChildReleased, kChildTakenBack,
    kChildDone = 7 + 100,
};

class ChildProcess {
public:
    bool Start() {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=DeskAgentB.HandOverPartner";
        SetEnvironmentVariableW(kChildVariable, L"1");
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                            &startup, &info_);
        SetEnvironmentVariableW(kChildVariable, nullptr);
        return started != FALSE;
    }
    DWORD Wait(DWORD ms) {
        if (!info_.hProcess) return 0;
        if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 99);
        DWORD code = 1;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    ~ChildProcess() {
        if (!info_.hProcess) return;
        if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 98);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

private:
    PROCESS_INFORMATION info_ = {};
};

TEST_F(DeskEngine, HandOverWithANoteAGrabRefusedAGrabReleasedAndATakeBack) {
    ASSERT_TRUE(a.LogonAndSettle(kAgentA));
    const HANDLE refusalSeen = CreateEventW(nullptr, TRUE, FALSE, kRefusalSeenEvent);
    ASSERT_NE(refusalSeen, nullptr);
    ResetEvent(refusalSeen);
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closeEvent{refusalSeen};
    ChildProcess b;
    ASSERT_TRUE(b.Start());
    // B has logged on and its after-log-on requests are answered.
    ASSERT_TRUE(a.control.WaitForRecord(
        a.host,
        [&](const std::vector<ServerEvent>& events) {
            const int connection = a.ConnectionOf(kAgentB);
            for (const Request& r : RequestsOf(events, connection))
                if (r.command == CMD_GET_COMM_REPLY) return true;
            return false;
        },
        30000));
    ASSERT_TRUE(a.Settle());

    // A hands customer 1 to B with a note.
    size_t from = a.host.Messages().size();
    SwitchCustomerRecord handOver{};
    handOver.actingAgent = kAgentB;
    handOver.owningAgent = kAgentA;
    handOver.customerId = kCust1;
    std::strcpy(handOver.note, "please take over");
    a.engine.MSwitchCustomer(&handOver);
    EXPECT_STREQ(a.engine.MGetSwitchCustomerMsg(kCust1)->note, "please take over");  // stored at once
    const int result = a.host.WaitFor(WM_IM_SWITCHRESULT, kCust1, 20000, from);
    ASSERT_GE(result, 0) << "B's exit: " << b.Wait(0);
    EXPECT_EQ(a.host.Messages()[size_t(result)].lParam, 1);
    EXPECT_TRUE(a.host.Messages()[size_t(result)].posted);
    const SwitchCustomerRecord& stored = *a.engine.MGetSwitchCustomerMsg(kCust1);
    EXPECT_EQ(stored.actingAgent, kAgentB);
    EXPECT_EQ(stored.owningAgent, kAgentA);
    EXPECT_STREQ(stored.note, "");  // the result keeps the three ids only
    // What the server saw: A's request, B's acceptance.
    const std::vector<ServerEvent> events = a.control.Record();
    const auto fromA = RequestsOf(events, a.ConnectionOf(kAgentA));
    const auto fromB = RequestsOf(events, a.ConnectionOf(kAgentB));
    const Bytes record = Cat({W({kAgentB, kAgentA, kCust1}), Text("please take over", 100)});
    bool sawSwitch = false, sawAccept = false;
    for (const Request& r : fromA) sawSwitch |= r.command == CMD_SWITCH_CUSTOMER && r.body == record;
    for (const Request& r : fromB) sawAccept |= r.command == CMD_GRAB_CUSTOMER && r.body == Cat({record, W({1})});
    EXPECT_TRUE(sawSwitch) << Describe(fromA);
    EXPECT_TRUE(sawAccept) << Describe(fromB);

    // B asks A for customer 2; A refuses.
    from = a.host.Messages().size();
    // B gets there through several round trips of its own: under load that
    // takes a while.
    const int grab = a.host.WaitFor(WM_IM_GRABREQUEST, kCust2, 60000, from);
    ASSERT_GE(grab, 0) << "B's exit: " << b.Wait(0);
    EXPECT_TRUE(a.host.Messages()[size_t(grab)].posted);
    SwitchCustomerRecord asked = *a.engine.MGetSwitchCustomerMsg(kCust2);
    EXPECT_EQ(asked.actingAgent, kAgentA);
    EXPECT_EQ(asked.owningAgent, kAgentA);
    EXPECT_EQ(asked.customerId, kCust2);
    a.engine.MConfirmGrabCustomer(&asked, 3);
    const int failed = a.host.WaitFor(WM_IM_SWITCHFAILED, kCust2, 10000, from);
    ASSERT_GE(failed, 0);
    EXPECT_EQ(a.host.Messages()[size_t(failed)].lParam, -2);
    EXPECT_TRUE(a.host.Messages()[size_t(failed)].posted);
    EXPECT_EQ(a.engine.MGetSwitchCustomerMsg(kCust2)->customerId, 0);  // removed with the failure
    SetEvent(refusalSeen);

    // B grabs customer 2 at once, then releases it: A sees both; a result
    // above 2 removes the record.
    const int grabbed = a.host.WaitFor(WM_IM_SWITCHRESULT, kCust2, 20000, from);
    ASSERT_GE(grabbed, 0) << "B's exit: " << b.Wait(0);
    EXPECT_EQ(a.host.Messages()[size_t(grabbed)].lParam, 2);
    const int released = a.host.WaitFor(WM_IM_SWITCHRESULT, kCust2, 10000, size_t(grabbed) + 1);
    ASSERT_GE(released, 0);
    EXPECT_EQ(a.host.Messages()[size_t(released)].lParam, 4);
    EXPECT_EQ(a.engine.MGetSwitchCustomerMsg(kCust2)->customerId, 0);
    // A takes customer 1 back from B.
    from = a.host.Messages().size();
    SwitchCustomerRecord takeBack = *a.engine.MGetSwitchCustomerMsg(kCust1);
    a.engine.MConfirmGrabCustomer(&takeBack, 3);
    const int back = a.host.WaitFor(WM_IM_SWITCHRESULT, kCust1, 10000, from);
    ASSERT_GE(back, 0);
    EXPECT_EQ(a.host.Messages()[size_t(back)].lParam, 3);
    EXPECT_EQ(a.engine.MGetSwitchCustomerMsg(kCust1)->customerId, 0);
    EXPECT_EQ(b.Wait(20000), DWORD(kChildDone));

    // Every grab-customer packet of both, in order: the record and the answer.
    auto grabs = [&](int32_t agent) {
        std::vector<std::string> out;
        for (const Request& r : RequestsOf(a.control.Record(), a.ConnectionOf(agent)))
            if (r.command == CMD_GRAB_CUSTOMER) out.push_back(Hex(r.body));
        return out;
    };
    auto grabBody = [](int32_t acting, int32_t owning, int32_t customer, const char* note, int32_t answer) {
        return Hex(Cat({W({acting, owning, customer}), Text(note, 100), W({answer})}));
    };
    EXPECT_EQ(grabs(kAgentB), (std::vector<std::string>{
                                  grabBody(kAgentB, kAgentA, kCust1, "please take over", 1),
                                  grabBody(kAgentB, kAgentA, kCust2, "", 0),  // MGrabCustomer
                                  grabBody(kAgentB, kAgentA, kCust2, "", 2),
                                  grabBody(kAgentB, kAgentA, kCust2, "", 4),
                              }));
    EXPECT_EQ(grabs(kAgentA), (std::vector<std::string>{
                                  grabBody(kAgentA, kAgentA, kCust2, "", 3),
                                  grabBody(kAgentB, kAgentA, kCust1, "", 3),
                              }));
    // B filed the customer's message and its own answer under A's group
    // folder, not as its own history.
    const auto filed = MsgRecords(FileBytes(L"30002\\MyGroup\\30001\\msg\\40001.msg"));
    ASSERT_EQ(filed.size(), 2u);
    EXPECT_EQ(filed[0].text, "to B now");
    EXPECT_EQ(filed[0].head.senderId, kCust1);
    EXPECT_EQ(filed[1].text, "B answers");
    EXPECT_EQ(filed[1].head.senderId, kAgentB);
    EXPECT_TRUE(FileBytes(L"30002\\msg\\40001.msg").empty());
    // A, watching, got B's answer as a message record (a command-18 body
    // between two others) and filed it in its own history of the customer.
    const auto watched = WaitForRecords(a.host, Own(L"msg\\40001.msg"), 1);
    ASSERT_EQ(watched.size(), 1u) << Describe(watched) << Describe(RequestsOf(a.control.Record(), a.ConnectionOf(kAgentA)));
    EXPECT_EQ(watched[0].text, "B answers");
    EXPECT_EQ(watched[0].head.senderId, kAgentB);
    EXPECT_EQ(watched[0].head.receiverId, kCust1);
    EXPECT_LT(a.Find(WM_IM_NOTIFY, NOTIFY_NEWMSG, -1), 0);  // a record, not a message to A
}

// Run only as the second process of the test above: agent B.
TEST(DeskAgentB, HandOverPartner) {
    wchar_t flag[8] = {};
    if (!GetEnvironmentVariableW(kChildVariable, flag, 8)) GTEST_SKIP() << "the partner of another test";
    WinsockSession winsock;
    DeskAgent b;
    if (!b.Load()) ExitProcess(1);
    ExitProcess([&]() -> DWORD {
        if (!b.LogonAndSettle(kAgentB)) return kChildLoaded;
        const int request = b.host.WaitFor(WM_IM_GRABREQUEST, kCust1, 30000);
        if (request < 0) return kChildLoggedOn;
        SwitchCustomerRecord record = *b.engine.MGetSwitchCustomerMsg(kCust1);
        if (record.actingAgent != kAgentB || record.owningAgent != kAgentA ||
            std::string(record.note) != "please take over" || !b.host.Messages()[size_t(request)].posted)
            return kChildGotRequest;
        const size_t from = b.host.Messages().size();
        b.engine.MConfirmGrabCustomer(&record, 1);
        const int result = b.host.WaitFor(WM_IM_SWITCHRESULT, kCust1, 30000, from);
        if (result < 0 || b.host.Messages()[size_t(result)].lParam != 1) return kChildRecordRight;
        const SwitchCustomerRecord& kept = *b.engine.MGetSwitchCustomerMsg(kCust1);
        if (kept.actingAgent != kAgentB || kept.owningAgent != kAgentA) return kChildRecordRight;
        // A message of the customer now: filed in the owner's group folder.
        const size_t atMessage = b.host.Messages().size();
        const Bytes message = Cat({W({0, 20200101, 130000000, kCust1, kAgentB, 0}), Text("to B now", 8)});
        if (b.control.Command("SEND " + std::to_string(b.ConnectionOf(kAgentB)) + " 18 " + Hex(message)) != "OK")
            return kChildGotResult;
        if (b.host.WaitFor(WM_IM_NOTIFY, NOTIFY_NEWMSG, 30000, atMessage) < 0) return kChildGotResult;
        // B answers the customer; the server keeps it for the (offline)
        // customer, and B files it with the server's date and time.
        TextMsgRecord answer{};
        answer.date = 20261210;
        answer.time = 130500000;
        answer.senderId = kAgentB;
        answer.receiverId = kCust1;
        std::strcpy(answer.text, "B answers");
        b.engine.MSendTextMsg(&answer);
        if (b.host.WaitFor(WM_IM_MSGSENT, answer.time, 30000, atMessage) < 0) return kChildGotResult;
        // Then a grab request to A for customer 2, which A refuses.
        const size_t before = b.host.Messages().size();
        b.engine.MGrabCustomer(kAgentA, kCust2);
        const int failed = b.host.WaitFor(WM_IM_SWITCHFAILED, kCust2, 30000, before);
        if (failed < 0) return kChildGotMessage;
        if (b.host.Messages()[size_t(failed)].lParam != -2) return kChildGotGrabFailure;
        // Then, once A has looked at its refusal, a grab at once, kept until
        // B releases it.
        const HANDLE refusalSeen = OpenEventW(SYNCHRONIZE, FALSE, kRefusalSeenEvent);
        if (!refusalSeen) return kChildGotGrabFailure;
        const DWORD waited = WaitForSingleObject(refusalSeen, 20000);
        CloseHandle(refusalSeen);
        if (waited != WAIT_OBJECT_0) return kChildGotGrabFailure;
        SwitchCustomerRecord grab{};
        grab.actingAgent = kAgentB;
        grab.owningAgent = kAgentA;
        grab.customerId = kCust2;
        size_t mark = b.host.Messages().size();
        b.engine.MConfirmGrabCustomer(&grab, 2);
        int got = b.host.WaitFor(WM_IM_SWITCHRESULT, kCust2, 30000, mark);
        if (got < 0 || b.host.Messages()[size_t(got)].lParam != 2 ||
            b.engine.MGetSwitchCustomerMsg(kCust2)->actingAgent != kAgentB)
            return kChildGotGrabFailure;
        mark = b.host.Messages().size();
        b.engine.MConfirmGrabCustomer(b.engine.MGetSwitchCustomerMsg(kCust2), 4);
        got = b.host.WaitFor(WM_IM_SWITCHRESULT, kCust2, 30000, mark);
        if (got < 0 || b.host.Messages()[size_t(got)].lParam != 4 || b.engine.MGetSwitchCustomerMsg(kCust2)->customerId)
            return kChildGrabbed;
        // A takes customer 1 back.
        got = b.host.WaitFor(WM_IM_SWITCHRESULT, kCust1, 20000, mark);
        if (got < 0 || b.host.Messages()[size_t(got)].lParam != 3 || b.engine.MGetSwitchCustomerMsg(kCust1)->customerId)
            return kChildReleased;
        b.engine.MLogonOut(1);
        return kChildDone;
    }());
}

}  // namespace
