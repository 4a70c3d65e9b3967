// A whole session of the real engine libraries under Wine against the
// stand-in chat server: log-on, the lists and the user information, and a
// conversation with a second engine host. The second host is this program
// once more, started as a child process that plays the peer (one process
// loads one engine library instance): it answers every message with an
// echo that tells what it received, answers typing notices and file offers,
// and reports what it saw when asked.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChatServerControl.h"
#include "EngineLibrary.h"
#include "EngineTestHost.h"
#include "WinsockSession.h"

namespace {

struct Variant {
    const wchar_t* library;
    bool desk;
    int32_t self;           // the account this program logs on with
    int32_t peer;           // the child's account, in the own "first" category
    int32_t offlineFriend;  // a friend who never logs on
    const wchar_t* password;
    const char* peerCategory;
    const char* peerRemark;
    std::vector<std::string> categories;  // as the engine sorts them
    const char* nickname;
    const char* signature;
    int32_t userType;
    int32_t word;
    const char* fullName;
    const char* loginName;
};

void PrintTo(const Variant& v, std::ostream* out) { *out << (v.desk ? "Kestrin" : "Ulvarn"); }

const Variant kDesk = {L"Kestrin.dll",
                       true,
                       11001,
                       11002,
                       11003,
                       L"secret",
                       "Team",
                       "colleague",
                       {"Customers", "Team"},
                       "sesdesk1",
                       "Desk one signature",
                       4,
                       7,
                       "Desk One",
                       "sesdesk1@desk"};
const Variant kMessenger = {L"Ulvarn.dll",
                            false,
                            21001,
                            21002,
                            21003,
                            L"hello",
                            "Friends",
                            "pal",
                            {"Friends", "Family"},
                            "sesim1",
                            "Messenger one signature",
                            0,
                            3,
                            "Im One",
                            "sesim1@im"};

std::string Field(const char* text, size_t size) {
    const void* nul = std::memchr(text, 0, size);
    return std::string(text, nul ? static_cast<const char*>(nul) - text : size);
}
#define FIELD(x) Field((x), sizeof(x))

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring Id(int32_t id) { return std::to_wstring(id); }

uint32_t Word(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&value, &bytes[at], 4);
    return value;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[8192];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(file);
    return bytes;
}

struct HistoryEntry {
    int32_t sender = 0, receiver = 0, date = 0, time = 0;
    std::string text;
};

// The records of a history file; `count` gets the header's count, -1 when
// the file is missing or damaged.
std::vector<HistoryEntry> ReadHistory(const std::wstring& path, int& count) {
    std::vector<HistoryEntry> out;
    const std::string bytes = ReadFileBytes(path);
    count = -1;
    if (bytes.size() < sizeof(MsgFileHeader)) return out;
    MsgFileHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (header.marker != MSG_FILE_MARKER) return out;
    count = header.count;
    size_t at = sizeof header;
    while (at + sizeof(MsgRecordHead) <= bytes.size()) {
        MsgRecordHead head;
        std::memcpy(&head, bytes.data() + at, sizeof head);
        at += sizeof head;
        if (head.extraLength < 0 || head.textLength < 0 ||
            at + size_t(head.extraLength) + size_t(head.textLength) > bytes.size())
            break;
        at += size_t(head.extraLength);
        HistoryEntry e;
        e.sender = head.senderId;
        e.receiver = head.receiverId;
        e.date = head.date;
        e.time = head.time;
        e.text.assign(bytes.data() + at, size_t(head.textLength));
        at += size_t(head.textLength);
        out.push_back(e);
    }
    return out;
}

std::wstring HistoryPath(const Variant& v, int32_t own, int32_t peer) {
    std::wstring path = ProgramFolder() + Id(own) + L"\\msg\\";
    if (!v.desk) path += Id(peer) + L"\\";
    return path + Id(peer) + L".msg";
}

// A message of this process with a time word no other of its messages has.
TextMsgRecord MakeMessage(int32_t sender, int32_t receiver, const std::string& text) {
    static int32_t last = 0;
    SYSTEMTIME now;
    GetLocalTime(&now);
    TextMsgRecord m;
    std::memset(&m, 0, sizeof m);
    m.date = now.wYear * 10000 + now.wMonth * 100 + now.wDay;
    m.time = now.wHour * 10000000 + now.wMinute * 100000 + now.wSecond * 1000 + now.wMilliseconds;
    if (m.time <= last) m.time = last + 1;
    last = m.time;
    m.senderId = sender;
    m.receiverId = receiver;
    std::snprintf(m.text, sizeof m.text, "%s", text.c_str());
    return m;
}

const UserInfoBase* FriendOf(FriendMap* friends, int32_t id, std::wstring* category = nullptr) {
    if (!friends) return nullptr;
    for (const auto& [name, members] : *friends)
        for (const UserInfoBase& m : members)
            if (m.userId == id) {
                if (category) *category = name;
                return &m;
            }
    return nullptr;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class EngineSession : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override {
        ASSERT_TRUE(winsock_.Ok());
        ASSERT_TRUE(control_.Connected()) << "no stand-in chat server (QV_CONTROL_PORT)";
        ASSERT_EQ(control_.Command("LISTEN"), "OK");
        ASSERT_EQ(control_.Command("SCRIPT"), "OK");
        ASSERT_EQ(control_.Command("CLEAR"), "OK");
        for (int32_t id : {V().self, V().peer}) {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::path(ProgramFolder() + Id(id)), ignored);
        }
        ASSERT_TRUE(engine_.Load(V().library, V().desk)) << engine_.missing;
        engine_.MInitModule(host_.Window());
    }
    void TearDown() override {
        host_.onMessage = nullptr;
        if (engine_.Module()) engine_.MLogonOut(1);
        engine_.Unload();
        control_.Command("LISTEN");
    }
    static const Variant& V() { return GetParam(); }

    void Logon(const wchar_t* password) {
        engine_.MLogon(Id(V().self).c_str(), password, LOGON_TYPE_PASSWORD, L"127.0.0.1",
                       ChatServerControl::ChatPort());
    }
    // The server's connection on which `id` logged on last.
    int ConnectionOf(int32_t id) {
        int connection = 0;
        for (const ServerEvent& e : PacketsOf(control_.Record(), CMD_LOGON))
            if (e.body.size() >= 4 &&
                int32_t(e.body[0] | e.body[1] << 8 | e.body[2] << 16 | e.body[3] << 24) == id)
                connection = e.connection;
        return connection;
    }
    // Logs on and waits until the start of the session has been handled:
    // the own user information and the status list (and the friend list,
    // which the desk engine never asks for itself: the server is made to
    // answer it as if asked, then the status list once more).
    void LogonAndSettle() {
        Logon(V().password);
        const int logon = host_.WaitFor(WM_IM_LOGON, 1);
        ASSERT_GE(logon, 0);
        ASSERT_GE(host_.WaitFor(WM_IM_NOTIFY, NOTIFY_STATUSLIST, 10000, size_t(logon)), 0);
        if (V().desk) {
            const size_t from = host_.Messages().size();
            const std::string conn = std::to_string(ConnectionOf(V().self));
            ASSERT_EQ(control_.Command("REQUEST " + conn + " 4 -"), "OK");
            ASSERT_EQ(control_.Command("REQUEST " + conn + " 5 -"), "OK");
            ASSERT_GE(host_.WaitFor(WM_IM_NOTIFY, NOTIFY_STATUSLIST, 10000, from), 0);
        }
    }
    // Index of the first NOTIFY_* `kind` at or after `from` with lParam `l`.
    int WaitForNotify(int32_t kind, intptr_t l, size_t from, DWORD timeoutMs = 10000) {
        int found = -1;
        host_.PumpUntil(
            [&] {
                for (size_t i = from; i < host_.Messages().size(); ++i) {
                    const RecordedMessage& m = host_.Messages()[i];
                    if (m.message == WM_IM_NOTIFY && m.wParam == WPARAM(kind) && m.lParam == l) {
                        found = int(i);
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }

    WinsockSession winsock_;
    EngineTestHost host_;
    ChatServerControl control_;
    EngineLibrary engine_;
};

TEST_P(EngineSession, LogonWithTheRightAndAWrongPassword) {
    const struct {
        const wchar_t* password;
        int32_t result;
    } cases[] = {{L"wrong", LOGON_ERR_PASSWORD}, {V().password, LOGON_OK}, {L"", LOGON_ERR_PASSWORD}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        host_.Clear();
        Logon(c.password);
        const int logon = host_.WaitFor(WM_IM_LOGON);
        ASSERT_GE(logon, 0);
        EXPECT_EQ(host_.Messages()[logon].wParam, WPARAM(c.result == LOGON_OK));
        EXPECT_EQ(host_.Messages()[logon].lParam, c.result);
        EXPECT_EQ(engine_.MGetCurUserID(), c.result == LOGON_OK ? V().self : 0);
        if (c.result == LOGON_OK) EXPECT_GE(host_.WaitFor(WM_IM_NOTIFY, NOTIFY_STATUSLIST), 0);
        const int connection = ConnectionOf(V().self);
        engine_.MLogonOut(1);
        EXPECT_EQ(engine_.MGetConnectStatus(), 0);
        // Only the accepted log-on asked for anything more.
        ASSERT_TRUE(control_.WaitForRecord(host_, [&](const std::vector<ServerEvent>& e) {
            return !OnConnection(PacketsOf(e, CMD_LOGOUT), connection).empty();
        }));
        bool more = false;
        for (const ServerEvent& e : OnConnection(control_.Record(), connection))
            more = more || (e.kind == "PACKET" && e.command != CMD_LOGON && e.command != CMD_LOGOUT);
        EXPECT_EQ(more, c.result == LOGON_OK);
    }
}

TEST_P(EngineSession, FriendListStatusesAndUserInformationReachTheGetters) {
    LogonAndSettle();
    const Variant& v = V();

    // Categories, greatest order first.
    const std::vector<CategoryRecord>* categories = engine_.MGetUserListCategorys(v.self);
    ASSERT_NE(categories, nullptr);
    std::vector<std::string> names;
    for (const CategoryRecord& c : *categories) names.push_back(FIELD(c.name));
    EXPECT_EQ(names, v.categories);

    // The friends, filed by category, offline until they log on.
    FriendMap* friends = engine_.MGetFriendList(v.self);
    ASSERT_NE(friends, nullptr);
    EXPECT_EQ(friends->size(), v.categories.size());
    std::wstring category;
    const UserInfoBase* peer = FriendOf(friends, v.peer, &category);
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(category, Wide(v.peerCategory));
    EXPECT_EQ(FIELD(peer->memo), v.peerRemark);
    EXPECT_EQ(FIELD(peer->category), v.peerCategory);
    EXPECT_EQ(peer->status, STATUS_OFFLINE);
    ASSERT_NE(FriendOf(friends, v.offlineFriend), nullptr);
    EXPECT_EQ(FriendOf(friends, v.offlineFriend)->status, STATUS_OFFLINE);
    // ... and the list file.
    const std::string list = ReadFileBytes(ProgramFolder() + Id(v.self) + L"\\userlist.dat");
    ASSERT_GE(list.size(), sizeof(DatFileHeader) + 2 * sizeof(UserInfoBase));
    DatFileHeader header;
    std::memcpy(&header, list.data(), sizeof header);
    EXPECT_EQ(header.recordSize, int32_t(sizeof(UserInfoBase)));
    EXPECT_EQ(header.recordCount, 2);

    // The own information, asked for after the log-on.
    const UserInfoBase* own = engine_.MGetUserInfoBase(v.self);
    EXPECT_EQ(own->userId, v.self);
    EXPECT_EQ(own->userType, v.userType);
    EXPECT_EQ(own->carried, v.word);
    EXPECT_EQ(own->status, STATUS_ONLINE);
    EXPECT_EQ(FIELD(own->nickname), v.nickname);
    EXPECT_EQ(FIELD(own->signature), v.signature);
    const UserInfoExt* ownExt = engine_.MGetUserInfoExt(v.self);
    EXPECT_EQ(FIELD(ownExt->fullName), v.fullName);
    EXPECT_EQ(FIELD(ownExt->loginName), v.loginName);

    // Another user's, on request; an unknown user's reply stores nothing.
    size_t from = host_.Messages().size();
    EXPECT_EQ(engine_.MProduceUserInfo(v.peer, 3), 1);
    ASSERT_GE(WaitForNotify(NOTIFY_USERINFO, v.peer, from), 0);
    const UserInfoBase* peerInfo = engine_.MGetUserInfoBase(v.peer);
    EXPECT_EQ(peerInfo->userId, v.peer);
    EXPECT_EQ(FIELD(peerInfo->memo), v.peerRemark);
    EXPECT_EQ(FIELD(peerInfo->category), v.peerCategory);
    EXPECT_EQ(peerInfo->status, STATUS_OFFLINE);
    EXPECT_NE(FIELD(engine_.MGetUserInfoExt(v.peer)->loginName), "");
    from = host_.Messages().size();
    engine_.MProduceUserInfo(99999, 3);
    ASSERT_GE(WaitForNotify(NOTIFY_USERINFO, -1, from), 0);
    EXPECT_EQ(engine_.MGetUserInfoBase(99999)->userId, 0);
}

// A log-on as another account starts from an empty store; the same account
// again finds what it had.
TEST_P(EngineSession, ALogonAsAnotherAccountForgetsTheFirstOnesSession) {
    const Variant& v = V();
    LogonAndSettle();
    ASSERT_EQ(engine_.MGetUserInfoBase(v.offlineFriend)->userId, v.offlineFriend);
    engine_.MLogonOut(1);
    const struct {
        int32_t account;
        bool offlineFriendKnown;  // only in the first account's list
    } cases[] = {{v.self, true}, {v.peer, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.account);
        host_.Clear();
        engine_.MLogon(Id(c.account).c_str(), v.password, LOGON_TYPE_PASSWORD, L"127.0.0.1",
                       ChatServerControl::ChatPort());
        ASSERT_GE(host_.WaitFor(WM_IM_LOGON, 1), 0);
        EXPECT_EQ(engine_.MGetUserInfoBase(v.offlineFriend)->userId == v.offlineFriend, c.offlineFriendKnown);
        EXPECT_EQ(FriendOf(engine_.MGetFriendList(c.account), v.offlineFriend) != nullptr,
                  c.offlineFriendKnown);
        ASSERT_GE(host_.WaitFor(WM_IM_NOTIFY, NOTIFY_STATUSLIST), 0);
        engine_.MLogonOut(1);
    }
}

// The peer side of the conversation test, run only as its child.
TEST(SessionPeer, Run) {
    wchar_t library[32] = {}, account[16] = {}, password[32] = {};
    if (!GetEnvironmentVariableW(L"QV_PEER_LIBRARY", library, 32)) GTEST_SKIP() << "child of another test";
    GetEnvironmentVariableW(L"QV_PEER_ACCOUNT", account, 16);
    GetEnvironmentVariableW(L"QV_PEER_PASSWORD", password, 32);
    const int32_t self = int32_t(_wtoi(account));
    WinsockSession winsock;
    EngineTestHost host;
    EngineLibrary engine;
    if (!engine.Load(library, std::wstring(library) == L"Kestrin.dll")) ExitProcess(2);
    engine.MInitModule(host.Window());

    int typing = 0, heldDuring = -1, heldAfter = -1, statusOf = 0, status = -1, logons = 0;
    int32_t offerFrom = 0;
    std::string offerName;
    bool done = false;
    auto send = [&](int32_t to, const std::string& text) {
        // The time word of a reply comes from this process's clock, which
        // under Wine may run a tick behind the server's, whose time the
        // other side's copy of the message answered carries; the desk files
        // a record only when it is newer than the file's newest.
        Sleep(20);
        const TextMsgRecord m = MakeMessage(self, to, text);
        engine.MSendTextMsg(&m);
    };
    host.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_IM_LOGON && m.wParam == 1) ++logons;
        if (m.message == WM_IM_FILEREQUEST) {
            // The offer is held only while this runs.
            const std::vector<FileRequestRecord>* held = engine.MGetSendFileRequest(int(m.wParam));
            heldDuring = int(held->size());
            if (held->empty()) return;
            FileRequestRecord answer = held->front();
            offerFrom = answer.senderId;
            offerName = FIELD(answer.fileName);
            std::swap(answer.senderId, answer.receiverId);
            std::snprintf(answer.fileName, sizeof answer.fileName, "seen:%d:%s", heldDuring,
                          offerName.c_str());
            engine.MSendFileRespond(&answer, FILE_REQ_ACCEPT);
        } else if (m.message == WM_IM_NOTIFY && m.wParam == WPARAM(NOTIFY_INPUTSTATUS)) {
            ++typing;
            engine.MProChatInputStatus(int(m.lParam));
        } else if (m.message == WM_IM_USERSTATUS && int32_t(m.wParam) != self) {
            statusOf = int(m.wParam);
            status = int(m.lParam);
        } else if (m.message == WM_IM_NOTIFY && m.wParam == WPARAM(NOTIFY_NEWMSG)) {
            const int32_t from = int32_t(m.lParam);
            TextMsgQueue* queue = engine.MGetUnreadMsg(from);
            while (!queue->empty()) {
                const TextMsgRecord r = queue->front();
                engine.MPopFrontTextMsg(from);
                const std::string text = FIELD(r.text);
                if (text == "bye") {
                    done = true;
                } else if (text == "logons") {
                    send(from, "logons=" + std::to_string(logons));
                } else if (text == "report") {
                    if (offerFrom) heldAfter = int(engine.MGetSendFileRequest(offerFrom)->size());
                    char report[200];
                    std::snprintf(report, sizeof report,
                                  "report typing=%d held=%d after=%d offer=%d:%s status=%d/%d", typing,
                                  heldDuring, heldAfter, int(offerFrom), offerName.c_str(), statusOf, status);
                    send(from, report);
                } else {
                    send(from, "echo:" + std::to_string(r.type) + ":" + std::to_string(r.senderId) + ":" +
                                   std::to_string(r.receiverId) + ":" + text);
                }
            }
        }
    };
    engine.MLogon(account, password, LOGON_TYPE_PASSWORD, L"127.0.0.1", ChatServerControl::ChatPort());
    if (host.WaitFor(WM_IM_LOGON, 1) < 0) ExitProcess(3);
    if (!host.PumpUntil([&] { return done; }, 120000)) ExitProcess(4);
    host.Pump(300);  // the last history record and the log-out go out
    engine.MLogonOut(1);
    host.onMessage = nullptr;
    ExitProcess(7);
}

class PeerProcess {
public:
    bool Start(const Variant& v) { return Start(v.library, v.peer, v.password); }
    bool Start(const wchar_t* library, int32_t account, const wchar_t* password) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=SessionPeer.Run";
        SetEnvironmentVariableW(L"QV_PEER_LIBRARY", library);
        SetEnvironmentVariableW(L"QV_PEER_ACCOUNT", Id(account).c_str());
        SetEnvironmentVariableW(L"QV_PEER_PASSWORD", password);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                            nullptr, &startup, &info_);
        for (const wchar_t* name : {L"QV_PEER_LIBRARY", L"QV_PEER_ACCOUNT", L"QV_PEER_PASSWORD"})
            SetEnvironmentVariableW(name, nullptr);
        return started != FALSE;
    }
    // The exit code, or STILL_ACTIVE when it has not ended in time.
    DWORD Wait(DWORD ms) {
        if (!info_.hProcess) return 1;
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    ~PeerProcess() {
        if (!info_.hProcess) return;
        if (Wait(0) == STILL_ACTIVE) TerminateProcess(info_.hProcess, 9);  // a test that failed early
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

private:
    PROCESS_INFORMATION info_ = {};
};

TEST_P(EngineSession, TwoEngineHostsTalk) {
    const Variant& v = V();
    PeerProcess peer;
    ASSERT_TRUE(peer.Start(v));
    // The peer is ready once its session start has reached the server.
    ASSERT_TRUE(control_.WaitForRecord(
        host_, [](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_POST_LOGON).empty(); },
        30000));
    LogonAndSettle();

    // The status list named the peer online and left out the friend who is not.
    FriendMap* friends = engine_.MGetFriendList(v.self);
    ASSERT_NE(FriendOf(friends, v.peer), nullptr);
    EXPECT_EQ(FriendOf(friends, v.peer)->status, STATUS_ONLINE);
    EXPECT_EQ(FriendOf(friends, v.offlineFriend)->status, STATUS_OFFLINE);

    // A message and its echo.
    const TextMsgRecord hello = MakeMessage(v.self, v.peer, "hello");
    size_t from = host_.Messages().size();
    engine_.MSendTextMsg(&hello);
    const int sent = host_.WaitFor(WM_IM_MSGSENT, hello.time, 10000, from);
    ASSERT_GE(sent, 0);
    EXPECT_TRUE(host_.Messages()[sent].posted);
    const LPARAM serverTime = host_.Messages()[sent].lParam;
    ASSERT_GE(WaitForNotify(NOTIFY_NEWMSG, v.peer, from), 0);
    EXPECT_GE(host_.WaitFor(WM_IM_CHATMSG, v.peer, 1000, from), 0);
    TextMsgQueue* unread = engine_.MGetUnreadMsg(v.peer);
    ASSERT_EQ(unread->size(), 1u);
    const std::string expectedEcho =
        "echo:0:" + std::to_string(v.self) + ":" + std::to_string(v.peer) + ":hello";
    EXPECT_EQ(FIELD(unread->front().text), expectedEcho);
    EXPECT_EQ(unread->front().senderId, v.peer);
    EXPECT_EQ(unread->front().receiverId, v.self);
    engine_.MPopFrontTextMsg(v.peer);
    EXPECT_TRUE(engine_.MGetUnreadMsg(v.peer)->empty());
    // The held copy carries the server's time; it is handed out once.
    TextMsgRecord copy;
    std::memset(&copy, 0, sizeof copy);
    engine_.MGetSendedTextMsg(hello.time, &copy);
    EXPECT_EQ(copy.time, int32_t(serverTime));
    EXPECT_EQ(FIELD(copy.text), "hello");
    EXPECT_EQ(host_.Count(WM_IM_MSGFAILED), 0u);

    // Typing: the peer answers with its own notice.
    from = host_.Messages().size();
    EXPECT_EQ(engine_.MProChatInputStatus(v.peer), 1);
    EXPECT_GE(WaitForNotify(NOTIFY_INPUTSTATUS, v.peer, from), 0);

    // A file offer: the answer's record can be read only while
    // WM_IM_FILEREQUEST is being handled.
    std::vector<FileRequestRecord> heldDuring;
    host_.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_IM_FILEREQUEST) heldDuring = *engine_.MGetSendFileRequest(int(m.wParam));
    };
    FileRequestRecord offer;
    std::memset(&offer, 0, sizeof offer);
    offer.senderId = v.self;
    offer.receiverId = v.peer;
    offer.fileSize = 1234;
    std::snprintf(offer.fileName, sizeof offer.fileName, "report.txt");
    from = host_.Messages().size();
    engine_.MSendFileRespond(&offer, FILE_REQ_OFFER);
    const int answer = host_.WaitFor(WM_IM_FILEREQUEST, v.peer, 10000, from);
    host_.onMessage = nullptr;
    ASSERT_GE(answer, 0);
    EXPECT_FALSE(host_.Messages()[answer].posted);
    EXPECT_EQ(host_.Messages()[answer].lParam, FILE_REQ_ACCEPT);
    ASSERT_EQ(heldDuring.size(), 1u);
    EXPECT_EQ(heldDuring[0].senderId, v.peer);
    EXPECT_EQ(heldDuring[0].receiverId, v.self);
    EXPECT_EQ(heldDuring[0].fileSize, 1234);
    EXPECT_EQ(FIELD(heldDuring[0].fileName), "seen:1:report.txt");
    EXPECT_TRUE(engine_.MGetSendFileRequest(v.peer)->empty());

    // The remark on the peer.
    from = host_.Messages().size();
    EXPECT_EQ(engine_.MUpdateUserMemo(v.self, v.peer, "buddy"), 1);
    ASSERT_GE(WaitForNotify(NOTIFY_USERMEMO, v.peer, from), 0);
    EXPECT_EQ(FIELD(FriendOf(engine_.MGetFriendList(v.self), v.peer)->memo), "buddy");
    if (v.desk) EXPECT_EQ(FIELD(engine_.MGetUserInfoBase(v.peer)->memo), "buddy");

    // The own profile: the server takes it (its answer 1 asks nothing more)
    // and hands it out again.
    UserInfoBase base = *engine_.MGetUserInfoBase(v.self);
    UserInfoExt ext = *engine_.MGetUserInfoExt(v.self);
    std::snprintf(base.nickname, sizeof base.nickname, "renamed");
    std::snprintf(base.signature, sizeof base.signature, "a new signature");
    std::snprintf(ext.fullName, sizeof ext.fullName, "New Name");
    ext.birthDate = 20000229;
    const int connection = ConnectionOf(v.self);
    auto infoRequests = [&] {
        return OnConnection(PacketsOf(control_.Record(), CMD_GET_USER_INFO), connection).size();
    };
    const size_t requestsBefore = infoRequests();
    EXPECT_EQ(engine_.MUpdateMyInfomation(&base, &ext), 1);
    ASSERT_TRUE(control_.WaitForRecord(
        host_, [](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_UPDATE_MY_INFO).empty(); }));
    host_.Pump(300);
    EXPECT_EQ(infoRequests(), requestsBefore);
    from = host_.Messages().size();
    engine_.MProduceUserInfo(v.self, 3);
    ASSERT_GE(WaitForNotify(NOTIFY_USERINFO, v.self, from), 0);
    EXPECT_EQ(FIELD(engine_.MGetUserInfoBase(v.self)->nickname), "renamed");
    EXPECT_EQ(FIELD(engine_.MGetUserInfoBase(v.self)->signature), "a new signature");
    EXPECT_EQ(FIELD(engine_.MGetUserInfoExt(v.self)->fullName), "New Name");
    EXPECT_EQ(engine_.MGetUserInfoExt(v.self)->birthDate, 20000229);
    EXPECT_EQ(FIELD(engine_.MGetUserInfoExt(v.self)->loginName), v.loginName);

    // A status change reaches the own host and the peer.
    from = host_.Messages().size();
    EXPECT_EQ(engine_.MProChangeUserStatus(STATUS_AWAY), 1);
    const int changed = host_.WaitFor(WM_IM_USERSTATUS, v.self, 10000, from);
    ASSERT_GE(changed, 0);
    EXPECT_EQ(host_.Messages()[changed].lParam, STATUS_AWAY);
    EXPECT_EQ(engine_.MGetUserInfoBase(v.self)->status, STATUS_AWAY);

    // What the peer saw.
    from = host_.Messages().size();
    const TextMsgRecord report = MakeMessage(v.self, v.peer, "report");
    engine_.MSendTextMsg(&report);
    ASSERT_GE(WaitForNotify(NOTIFY_NEWMSG, v.peer, from), 0);
    ASSERT_EQ(unread->size(), 1u);
    EXPECT_EQ(FIELD(unread->front().text), "report typing=1 held=1 after=0 offer=" + std::to_string(v.self) +
                                               ":report.txt status=" + std::to_string(v.self) + "/2");
    engine_.MPopFrontTextMsg(v.peer);

    const TextMsgRecord bye = MakeMessage(v.self, v.peer, "bye");
    from = host_.Messages().size();
    engine_.MSendTextMsg(&bye);
    EXPECT_GE(host_.WaitFor(WM_IM_MSGSENT, bye.time, 10000, from), 0);
    EXPECT_EQ(peer.Wait(30000), 7u);
    EXPECT_EQ(host_.Count(WM_IM_MSGFAILED), 0u);

    // The peer has gone: a status list that no longer names it sets it
    // offline in the messenger's friend list; the desk's keeps what it had.
    ASSERT_GE(host_.WaitFor(WM_IM_USERSTATUS, v.peer, 10000, from), 0);
    from = host_.Messages().size();
    ASSERT_EQ(control_.Command("REQUEST " + std::to_string(ConnectionOf(v.self)) + " 5 -"), "OK");
    ASSERT_GE(WaitForNotify(NOTIFY_STATUSLIST, 0, from), 0);
    EXPECT_EQ(FriendOf(engine_.MGetFriendList(v.self), v.peer)->status,
              v.desk ? STATUS_ONLINE : STATUS_OFFLINE);

    // Both histories, in this build's layout, with every message of the talk.
    const std::string self = std::to_string(v.self), other = std::to_string(v.peer);
    const struct {
        int32_t own, peer;
        std::vector<std::pair<int32_t, std::string>> records;  // sender, text
    } sides[] = {
        {v.self,
         v.peer,
         {{v.self, "hello"}, {v.peer, expectedEcho}, {v.self, "report"}, {v.peer, ""}, {v.self, "bye"}}},
        {v.peer,
         v.self,
         {{v.self, "hello"}, {v.peer, expectedEcho}, {v.self, "report"}, {v.peer, ""}, {v.self, "bye"}}},
    };
    for (const auto& side : sides) {
        SCOPED_TRACE(side.own);
        int count = 0;
        const std::vector<HistoryEntry> history = ReadHistory(HistoryPath(v, side.own, side.peer), count);
        std::string listing;
        for (const HistoryEntry& e : history)
            listing += std::to_string(e.sender) + "@" + std::to_string(e.date) + "/" +
                       std::to_string(e.time) + ":" + e.text + "\n";
        EXPECT_EQ(count, int(side.records.size())) << listing;
        ASSERT_EQ(history.size(), side.records.size()) << listing;
        for (size_t i = 0; i < history.size(); ++i) {
            EXPECT_EQ(history[i].sender, side.records[i].first) << i;
            EXPECT_EQ(history[i].receiver, side.records[i].first == v.self ? v.peer : v.self) << i;
            if (!side.records[i].second.empty()) EXPECT_EQ(history[i].text, side.records[i].second) << i;
        }
        // The received messages are the latest contact.
        const std::string latest =
            ReadFileBytes(ProgramFolder() + Id(side.own) + L"\\msg\\latestContact.dat");
        ASSERT_EQ(latest.size(), 128u + sizeof(LatestContactRecord));
        LatestContactRecord contact;
        std::memcpy(&contact, latest.data() + 128, sizeof contact);
        EXPECT_EQ(contact.peerId, side.peer);
        EXPECT_EQ(contact.one, 1);
    }
    // The sent copy was filed with the server's time.
    int count = 0;
    const std::vector<HistoryEntry> own = ReadHistory(HistoryPath(v, v.self, v.peer), count);
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own[0].time, int32_t(serverTime));

    // The engine keeps the history files it appends to open while it is
    // logged on (the reads above shared them); the log-out closes them, so
    // that the client may move them.
    engine_.MLogonOut(1);
    const std::wstring path = HistoryPath(v, v.self, v.peer);
    ASSERT_TRUE(MoveFileExW(path.c_str(), (path + L".moved").c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(MoveFileExW((path + L".moved").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

// The chat server restarts: it is gone for about 20 s, then listens again on
// the same port knowing nothing of before. Both real engines (the desk's
// here, the messenger's in the child) log on again by themselves. The
// messages sent to the server before it went, which it never acknowledged,
// fail once each; the messages typed while it was gone are delivered once
// each after the new log-on.
TEST(ServerRestart, BothEnginesLogOnAgainAndEveryMessageHasOneOutcome) {
    const Variant& desk = kDesk;
    const int32_t peer = kMessenger.peer;  // the messenger's second account
    WinsockSession winsock;
    ASSERT_TRUE(winsock.Ok());
    ChatServerControl control;
    ASSERT_TRUE(control.Connected()) << "no stand-in chat server (QV_CONTROL_PORT)";
    ASSERT_EQ(control.Command("LISTEN"), "OK");
    ASSERT_EQ(control.Command("SCRIPT"), "OK");
    ASSERT_EQ(control.Command("CLEAR"), "OK");
    for (int32_t id : {desk.self, peer}) {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(ProgramFolder() + Id(id)), ignored);
    }
    EngineTestHost host;
    EngineLibrary engine;
    ASSERT_TRUE(engine.Load(desk.library, true)) << engine.missing;
    engine.MInitModule(host.Window());
    PeerProcess child;
    ASSERT_TRUE(child.Start(kMessenger.library, peer, kMessenger.password));
    ASSERT_TRUE(control.WaitForRecord(
        host, [](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_POST_LOGON).empty(); }, 30000));
    engine.MLogon(Id(desk.self).c_str(), desk.password, LOGON_TYPE_PASSWORD, L"127.0.0.1",
                  ChatServerControl::ChatPort());
    ASSERT_GE(host.WaitFor(WM_IM_LOGON, 1), 0);

    std::map<std::string, int> echoes;  // echoed text -> times
    host.onMessage = [&](const RecordedMessage& m) {
        if (m.message != WM_IM_NOTIFY || m.wParam != WPARAM(NOTIFY_NEWMSG)) return;
        TextMsgQueue* queue = engine.MGetUnreadMsg(int(m.lParam));
        while (!queue->empty()) {
            const std::string text = FIELD(queue->front().text);
            engine.MPopFrontTextMsg(int(m.lParam));
            const size_t colon = text.rfind(':');
            ++echoes[colon == std::string::npos ? text : text.substr(colon + 1)];
        }
    };
    auto send = [&](const std::string& text) {
        const TextMsgRecord m = MakeMessage(desk.self, peer, text);
        engine.MSendTextMsg(&m);
        return m.time;
    };
    auto ids = [&](UINT message) {
        std::vector<WPARAM> out;
        for (const RecordedMessage& m : host.Messages())
            if (m.message == message) out.push_back(m.wParam);
        return out;
    };
    // Both are there: a message and its echo.
    send("hello");
    ASSERT_TRUE(host.PumpUntil([&] { return echoes["hello"] == 1; }, 10000));

    // Two messages reach a server that no longer answers, and it goes.
    int connection = 0;
    for (const ServerEvent& e : PacketsOf(control.Record(), CMD_LOGON))
        if (Word(e.body, 0) == uint32_t(desk.self)) connection = e.connection;
    ASSERT_EQ(control.Command("MUTE " + std::to_string(connection)), "OK");
    const std::vector<WPARAM> unacknowledged = {WPARAM(send("unacknowledged 1")), WPARAM(send("unacknowledged 2"))};
    ASSERT_TRUE(control.WaitForRecord(host, [&](const std::vector<ServerEvent>& e) {
        return OnConnection(PacketsOf(e, CMD_TEXT_MSG), connection).size() == 3;
    }));
    const size_t before = host.Messages().size();
    ASSERT_EQ(control.Command("RESTART 19000"), "OK");
    const int reconnecting = host.WaitFor(WM_IM_RECONNECTING, -1, 10000, before);
    ASSERT_GE(reconnecting, 0);
    // Typed while the server is gone.
    std::vector<WPARAM> queued;
    for (const char* text : {"queued 1", "queued 2", "queued 3"}) queued.push_back(WPARAM(send(text)));

    // Back after the pause: the desk engine logs on again by itself, and the
    // queued messages leave and are answered by the messenger engine, which
    // logged on again by itself too.
    ASSERT_TRUE(control.Reconnect(host, 40000));
    ASSERT_GE(host.WaitFor(WM_IM_LOGON, 1, 40000, size_t(reconnecting)), 0);
    for (WPARAM id : queued) EXPECT_GE(host.WaitFor(WM_IM_MSGSENT, long(id), 10000, before), 0) << id;
    EXPECT_TRUE(host.PumpUntil([&] {
        return echoes["queued 1"] && echoes["queued 2"] && echoes["queued 3"];
    }, 20000));
    send("logons");
    EXPECT_TRUE(host.PumpUntil([&] { return echoes.count("logons=2") != 0; }, 10000));
    host.Pump(500);
    for (const char* text : {"queued 1", "queued 2", "queued 3"}) EXPECT_EQ(echoes[text], 1) << text;
    EXPECT_EQ(echoes.count("unacknowledged 1") + echoes.count("unacknowledged 2"), 0u);
    std::vector<WPARAM> failed = ids(WM_IM_MSGFAILED);
    EXPECT_EQ(failed, unacknowledged);
    std::vector<WPARAM> delivered = ids(WM_IM_MSGSENT);
    for (WPARAM id : queued) EXPECT_EQ(std::count(delivered.begin(), delivered.end(), id), 1) << id;
    EXPECT_EQ(host.Count(WM_IM_CONNECT), 1u);  // the log-on's; the reconnect never gave up

    send("bye");
    EXPECT_EQ(child.Wait(30000), 7u);
    host.onMessage = nullptr;
    engine.MLogonOut(1);
    engine.Unload();
}

// A message that went out but whose acknowledgement can no longer come,
// because the connection ended first, fails too.
TEST_P(EngineSession, AMessageWithoutAnAcknowledgementFailsWhenTheConnectionEnds) {
    ASSERT_EQ(control_.Command("SCRIPT silent"), "OK");  // never answers anything
    Logon(V().password);
    ASSERT_GE(host_.WaitFor(WM_IM_CONNECT, 1), 0);
    const TextMsgRecord m = MakeMessage(V().self, V().peer, "unanswered");
    engine_.MSendTextMsg(&m);
    ASSERT_TRUE(control_.WaitForRecord(
        host_, [](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_TEXT_MSG).empty(); }));
    ASSERT_EQ(control_.Command("REFUSE"), "OK");
    ASSERT_EQ(control_.Command("DROP"), "OK");
    const int failed = host_.WaitFor(WM_IM_MSGFAILED, m.time, 40000);
    ASSERT_GE(failed, 0);
    engine_.MLogonOut(1);
    host_.Pump(300);
    EXPECT_EQ(host_.Count(WM_IM_MSGFAILED), 1u);
    EXPECT_EQ(host_.Count(WM_IM_MSGSENT), 0u);
}

INSTANTIATE_TEST_SUITE_P(Libraries, EngineSession, ::testing::Values(kDesk, kMessenger),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                             return info.param.desk ? "Kestrin" : "Ulvarn";
                         });

}  // namespace
