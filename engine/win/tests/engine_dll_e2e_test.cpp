// The real engine libraries under Wine against the stand-in chat server on
// 127.0.0.1, with the shipped timings.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "ChatServerControl.h"
#include "EngineLibrary.h"
#include "EngineTestHost.h"
#include "WinsockSession.h"

namespace {

constexpr char kSecretDigest[] = "5ebe2294ecd0e0f08eab7690d2a6ee69";  // MD5("secret")

uint32_t Word(const std::vector<uint8_t>& body, size_t at) {
    uint32_t value = 0;
    if (at + 4 <= body.size()) std::memcpy(&value, &body[at], 4);
    return value;
}

class EngineDll : public ::testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(winsock_.Ok());
        ASSERT_TRUE(control_.Connected()) << "no stand-in chat server (QV_CONTROL_PORT)";
        ASSERT_EQ(control_.Command("LISTEN"), "OK");
        ASSERT_EQ(control_.Command("SCRIPT"), "OK");
        ASSERT_EQ(control_.Command("CLEAR"), "OK");
        desk_ = std::wstring(GetParam()) == L"Kestrin.dll";
        ASSERT_TRUE(engine_.Load(GetParam(), desk_)) << engine_.missing;
        engine_.MInitModule(host_.Window());
    }
    void TearDown() override {
        if (engine_.Module()) engine_.MLogonOut(1);
        engine_.Unload();
    }

    void Logon(const wchar_t* password = L"secret", int type = LOGON_TYPE_PASSWORD,
               const wchar_t* server = L"127.0.0.1") {
        engine_.MLogon(L"10001", password, type, server, ChatServerControl::ChatPort());
    }
    // The server's events so far.
    std::vector<ServerEvent> Events() { return control_.Record(); }
    bool WaitForPackets(uint32_t command, size_t count, DWORD timeoutMs = 10000) {
        return control_.WaitForRecord(
            host_, [&](const std::vector<ServerEvent>& e) { return PacketsOf(e, command).size() >= count; },
            timeoutMs);
    }

    WinsockSession winsock_;
    EngineTestHost host_;
    ChatServerControl control_;
    EngineLibrary engine_;
    bool desk_ = true;
};

TEST_P(EngineDll, LogonIsTheFirstPacketAndTheSessionRuns) {
    Logon();
    const int connect = host_.WaitFor(WM_IM_CONNECT);
    ASSERT_GE(connect, 0);
    EXPECT_EQ(host_.Messages()[connect].wParam, 1u);
    EXPECT_TRUE(host_.Messages()[connect].posted);
    EXPECT_EQ(engine_.MGetConnectStatus(), 1);
    EXPECT_EQ(engine_.MGetCurUserID(), 10001);

    const int logon = host_.WaitFor(WM_IM_LOGON);
    ASSERT_GE(logon, 0);
    EXPECT_EQ(host_.Messages()[logon].wParam, 1u);
    EXPECT_EQ(host_.Messages()[logon].lParam, LOGON_OK);
    EXPECT_TRUE(host_.Messages()[logon].posted);
    EXPECT_EQ(engine_.MIsOffline(), 0);

    const std::vector<ServerEvent> events = Events();
    std::vector<ServerEvent> packets;
    for (const ServerEvent& e : events)
        if (e.kind == "PACKET") packets.push_back(e);
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets[0].command, uint32_t(CMD_LOGON));
    ASSERT_EQ(packets[0].body.size(), 84u);
    EXPECT_EQ(Word(packets[0].body, 0), 10001u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&packets[0].body[4]), 32), kSecretDigest);
    EXPECT_EQ(Word(packets[0].body, 36), uint32_t(LOGON_TYPE_PASSWORD));

    // MLogon while connected: nothing (no second connection, no second
    // log-on, no notification).
    const size_t before = host_.Messages().size();
    const size_t logons = PacketsOf(Events(), CMD_LOGON).size();
    Logon();
    host_.Pump(300);
    EXPECT_EQ(host_.Count(WM_IM_CONNECT), 1u);
    EXPECT_EQ(host_.Count(WM_IM_LOGON), 1u);
    EXPECT_EQ(CountOf(Events(), "ACCEPT"), 1u);
    EXPECT_EQ(PacketsOf(Events(), CMD_LOGON).size(), logons);
    EXPECT_EQ(engine_.MGetConnectStatus(), 1);
    for (size_t i = before; i < host_.Messages().size(); ++i) {
        const UINT message = host_.Messages()[i].message;
        EXPECT_TRUE(message != WM_IM_CONNECT && message != WM_IM_LOGON && message != WM_IM_RECONNECTING)
            << "message " << message;
    }
}

// Handlers run on the thread that called MInitModule; a notification the
// desk engine sends arrives there as a direct call, a posted one through
// the queue. A friend list of exactly 4 bytes is sent by the desk engine
// and posted by the messenger's.
TEST_P(EngineDll, NotificationsReachTheClientOnItsOwnThread) {
    Logon();
    ASSERT_GE(host_.WaitFor(WM_IM_LOGON), 0);
    // The session start is handled (the messenger's own friend list among it).
    ASSERT_GE(host_.WaitFor(WM_IM_NOTIFY, NOTIFY_STATUSLIST), 0);
    const size_t from = host_.Messages().size();
    ASSERT_EQ(control_.Command("SEND last 4 00000000"), "OK");
    const int notify = host_.WaitFor(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 10000, from);
    ASSERT_GE(notify, 0);
    EXPECT_EQ(host_.Messages()[notify].posted, !desk_);
    for (const RecordedMessage& m : host_.Messages()) EXPECT_EQ(m.thread, GetCurrentThreadId());
}

TEST_P(EngineDll, ConnectFailsForRefusalAndForATextThatIsNoAddress) {
    const struct {
        const char* what;
        const wchar_t* server;
        bool refuse;
    } cases[] = {
        {"refused", L"127.0.0.1", true},
        {"not a dotted address", L"chat.example.com", false},
        {"empty", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(control_.Command(c.refuse ? "REFUSE" : "LISTEN"), "OK");
        host_.Clear();
        Logon(L"secret", LOGON_TYPE_PASSWORD, c.server);
        const int connect = host_.WaitFor(WM_IM_CONNECT, -1, 5000);
        ASSERT_GE(connect, 0);
        EXPECT_EQ(host_.Messages()[connect].wParam, 0u);
        EXPECT_TRUE(host_.Messages()[connect].posted);
        EXPECT_EQ(engine_.MGetConnectStatus(), 0);
        EXPECT_EQ(engine_.MIsOffline(), 1);
    }
    EXPECT_EQ(CountOf(Events(), "ACCEPT"), 0u);
}

TEST_P(EngineDll, LogonOutSendsTheLogoutAndStopsEveryThread) {
    const int baseline = ProcessThreadCount();
    Logon();
    ASSERT_GE(host_.WaitFor(WM_IM_LOGON), 0);
    EXPECT_GE(ProcessThreadCount(), baseline + 3);
    // Requests still queued when the log-out comes.
    for (int i = 0; i < 3; ++i) engine_.MProduceUserInfo(20001 + i, 3);
    engine_.MLogonOut(1);
    EXPECT_EQ(engine_.MGetConnectStatus(), 0);
    EXPECT_EQ(engine_.MIsOffline(), 1);
    ASSERT_TRUE(WaitForPackets(CMD_LOGOUT, 1));
    const std::vector<ServerEvent> logout = PacketsOf(Events(), CMD_LOGOUT);
    EXPECT_EQ(Word(logout[0].body, 0), 10001u);
    // Every worker has ended.
    EXPECT_TRUE(host_.PumpUntil([&] { return ProcessThreadCount() <= baseline; }, 3000));
    // And nothing reconnects afterwards.
    host_.Pump(500);
    EXPECT_EQ(CountOf(Events(), "ACCEPT"), 1u);
    EXPECT_EQ(host_.Count(WM_IM_RECONNECTING), 0u);
}

TEST_P(EngineDll, ServerClosingTheConnectionLeadsToAReconnectAndANewLogon) {
    Logon();
    ASSERT_GE(host_.WaitFor(WM_IM_LOGON), 0);
    ASSERT_EQ(control_.Command("DROP"), "OK");
    const int reconnecting = host_.WaitFor(WM_IM_RECONNECTING);
    ASSERT_GE(reconnecting, 0);
    EXPECT_TRUE(host_.Messages()[reconnecting].posted);
    ASSERT_GE(host_.WaitFor(WM_IM_LOGON, 1, 10000, size_t(reconnecting)), 0);
    const std::vector<ServerEvent> events = Events();
    EXPECT_EQ(CountOf(events, "ACCEPT"), 2u);
    const std::vector<ServerEvent> second = OnConnection(events, events.back().connection);
    std::vector<ServerEvent> packets;
    for (const ServerEvent& e : second)
        if (e.kind == "PACKET") packets.push_back(e);
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets[0].command, uint32_t(CMD_LOGON));
    EXPECT_EQ(engine_.MGetConnectStatus(), 1);
}

// Each fault of the server's script: no crash, no hang, and the session
// ends cleanly with MLogonOut.
TEST_P(EngineDll, EveryServerFaultIsSurvived) {
    const struct {
        const char* fault;
        bool loggedOn;  // a log-on reply eventually arrives (after a reconnect when needed)
    } cases[] = {
        {"close-after-accept", true}, {"close-after-logon", true}, {"silent", false},
        {"split-header", true},       {"huge-length", true},       {"partial-body", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_EQ(control_.Command(std::string("SCRIPT ") + c.fault), "OK");
        ASSERT_EQ(control_.Command("CLEAR"), "OK");
        host_.Clear();
        const int baseline = ProcessThreadCount();
        Logon();
        const int connect = host_.WaitFor(WM_IM_CONNECT);
        ASSERT_GE(connect, 0);
        EXPECT_EQ(host_.Messages()[connect].wParam, 1u);
        const int logon = host_.WaitFor(WM_IM_LOGON, 1, c.loggedOn ? 10000 : 1000);
        EXPECT_EQ(logon >= 0, c.loggedOn);
        engine_.MLogonOut(1);
        EXPECT_EQ(engine_.MGetConnectStatus(), 0);
        EXPECT_TRUE(host_.PumpUntil([&] { return ProcessThreadCount() <= baseline; }, 3000));
    }
}

TEST_P(EngineDll, UnloadingWhileConnectedSendsTheLogout) {
    Logon();
    ASSERT_GE(host_.WaitFor(WM_IM_LOGON), 0);
    const int threads = ProcessThreadCount();
    engine_.Unload();  // FreeLibrary while connected
    ASSERT_TRUE(WaitForPackets(CMD_LOGOUT, 1));
    // Messages that were still on their way to the engine's window go nowhere.
    host_.Pump(300);
    EXPECT_LE(ProcessThreadCount(), threads - 3);
}

// The process ends (ExitProcess) while connected: the engine's workers are
// gone by then, and the library sends the log-out itself.
TEST_P(EngineDll, EndingTheProcessWhileConnectedSendsTheLogout) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=ProcessEnd.LogOnAndEnd";
    SetEnvironmentVariableW(L"QV_ENGINE_CHILD", GetParam());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &child);
    SetEnvironmentVariableW(L"QV_ENGINE_CHILD", nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(code, 7u);  // the child logged on and ended itself
    ASSERT_TRUE(WaitForPackets(CMD_LOGOUT, 1, 5000));
    const std::vector<ServerEvent> events = Events();
    EXPECT_EQ(PacketsOf(events, CMD_LOGOUT)[0].connection, PacketsOf(events, CMD_LOGON)[0].connection);
}

// Run only as the child of the test above.
TEST(ProcessEnd, LogOnAndEnd) {
    wchar_t library[32] = {};
    if (!GetEnvironmentVariableW(L"QV_ENGINE_CHILD", library, 32)) GTEST_SKIP() << "child of another test";
    WinsockSession winsock;
    EngineTestHost host;
    EngineLibrary engine;
    const bool desk = std::wstring(library) == L"Kestrin.dll";
    if (!engine.Load(library, desk)) ExitProcess(2);
    engine.MInitModule(host.Window());
    engine.MLogon(L"10001", L"secret", LOGON_TYPE_PASSWORD, L"127.0.0.1", ChatServerControl::ChatPort());
    if (host.WaitFor(WM_IM_LOGON, 1) < 0) ExitProcess(3);
    // The requests that follow the log-on leave at once; the process ends
    // with the connection idle (a worker killed inside a send would leave
    // the connection unusable for the library's own log-out).
    host.Pump(300);
    ExitProcess(7);
}

INSTANTIATE_TEST_SUITE_P(Libraries, EngineDll, ::testing::Values(L"Kestrin.dll", L"Ulvarn.dll"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                             return std::wstring(info.param) == L"Kestrin.dll" ? "Kestrin" : "Ulvarn";
                         });

}  // namespace
