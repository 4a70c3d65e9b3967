// The engine's runtime (socket, workers, reconnect, stop) linked into the
// test with scaled timings, against the stand-in chat server.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "ChatServerControl.h"
#include "EngineTestHost.h"
#include "WinsockSession.h"
#include "KestrinApp.h"
#include "ModuleApp.h"

namespace {

using engine::EngineVariant;

engine::EngineTimings Scaled() {
    engine::EngineTimings t;
    t.connectWaitMs = 2000;
    t.connectRetryPauseMs = 20;
    t.reconnectRoundPauseMs = 50;
    t.reconnectIntervalMs = 300;
    t.heartbeatMs = 200;
    t.stopWaitMs = 2000;
    t.sendIdleMs = 20;
    t.errorPauseMs = 20;
    return t;
}

// An event log that can hold one line back, to keep a worker from
// signalling its stopped event.
class HoldingLog : public engine::IEventLog {
public:
    HoldingLog() : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~HoldingLog() override {
        SetEvent(release_);
        CloseHandle(release_);
    }
    void HoldOnce(const std::wstring& line) { held_ = line; }
    void Release() { SetEvent(release_); }
    bool Holding() const { return holding_.load(); }
    void Write(const std::wstring& text) override {
        if (!held_.empty() && text == held_) {
            held_.clear();
            holding_ = true;
            WaitForSingleObject(release_, 20000);
            holding_ = false;
        }
    }

private:
    HANDLE release_;
    std::wstring held_;
    std::atomic<bool> holding_{false};
};

uint32_t Word(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&value, &bytes[at], 4);
    return value;
}

// Holds a worker still, as if it were busy elsewhere: the send thread while
// a test queues packets (a push wakes an idle send thread at once, so packets
// stay queued only while it cannot run), the receive thread while the send
// side meets an error first. Resumes it at the end, or `ms` later from a
// thread of its own, so that the caller can be waiting for the stop meanwhile.
class HeldWorker {
public:
    explicit HeldWorker(CThreadTable& threads, WorkerKind kind = WorkerKind::Send) {
        for (const CThreadTable::Entry& entry : threads.Snapshot())
            if (entry->kind == kind)
                DuplicateHandle(GetCurrentProcess(), entry->thread, GetCurrentProcess(), &thread_, 0, FALSE,
                                DUPLICATE_SAME_ACCESS);
        if (!thread_) return;
        SuspendThread(thread_);
        // The context read returns once the thread is really suspended.
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(thread_, &context);
    }
    ~HeldWorker() {
        if (resumer_) {
            WaitForSingleObject(resumer_, 10000);
            CloseHandle(resumer_);
        } else if (thread_ && !resumed_) {
            ResumeThread(thread_);
        }
        if (thread_) CloseHandle(thread_);
    }
    bool Held() const { return thread_ != nullptr; }
    void Resume() {
        if (thread_ && !resumer_) ResumeThread(thread_);
        resumed_ = true;
    }
    void ResumeAfter(DWORD ms) {
        delayMs_ = ms;
        resumer_ = CreateThread(nullptr, 0, &Resume, this, 0, nullptr);
    }

private:
    static DWORD WINAPI Resume(void* self) {
        auto* held = static_cast<HeldWorker*>(self);
        Sleep(held->delayMs_);
        ResumeThread(held->thread_);
        return 0;
    }
    HANDLE thread_ = nullptr;
    HANDLE resumer_ = nullptr;
    DWORD delayMs_ = 0;
    bool resumed_ = false;
};

std::vector<ServerEvent> Accepts(const std::vector<ServerEvent>& events) {
    std::vector<ServerEvent> out;
    for (const ServerEvent& e : events)
        if (e.kind == "ACCEPT") out.push_back(e);
    return out;
}

// Every line the engine logs, from any thread.
class LinesLog : public engine::IEventLog {
public:
    void Write(const std::wstring& text) override {
        std::lock_guard<std::mutex> lock(lock_);
        lines_.push_back(text);
    }
    std::vector<std::wstring> Lines() const {
        std::lock_guard<std::mutex> lock(lock_);
        return lines_;
    }
    size_t CountStartingWith(const std::wstring& prefix) const {
        size_t n = 0;
        for (const std::wstring& line : Lines()) n += line.rfind(prefix, 0) == 0;
        return n;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::wstring> lines_;
};

// A desk message from the runtime tests' account to a user the server keeps
// messages for.
TextMsgRecord Message(int32_t time) {
    TextMsgRecord msg = {};
    msg.date = 20261210;
    msg.time = time;
    msg.senderId = 10001;
    msg.receiverId = 20001;
    std::strcpy(msg.text, "hi");
    return msg;
}

// The ids of the text messages in the record, in order.
std::vector<uint32_t> MessageIds(const std::vector<ServerEvent>& events) {
    std::vector<uint32_t> ids;
    for (const ServerEvent& e : PacketsOf(events, CMD_TEXT_MSG)) ids.push_back(Word(e.body, 8));
    return ids;
}

class Runtime : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(winsock_.Ok());
        ASSERT_TRUE(control_.Connected()) << "no stand-in chat server (QV_CONTROL_PORT)";
        ASSERT_EQ(control_.Command("LISTEN"), "OK");
        ASSERT_EQ(control_.Command("SCRIPT"), "OK");
        ASSERT_EQ(control_.Command("CLEAR"), "OK");
    }
    void TearDown() override {
        if (app_) app_->Logout(true);
        app_.reset();
    }

    void Start(EngineVariant variant = EngineVariant::Desk, engine::EngineTimings timings = Scaled(),
               engine::IEventLog* log = nullptr) {
        EngineOptions options;
        options.timings = timings;
        options.log = log;
        app_ = std::make_unique<CKestrinApp>(variant, options);
        app_->InitInstance();
        app_->InitModule(host_.Window());
    }
    // Short connect slots and no pauses: a reconnect gives up soon. Logs on.
    void StartGivingUpSoon() {
        engine::EngineTimings t = Scaled();
        t.connectWaitMs = 150;
        t.connectRetryPauseMs = 0;
        t.reconnectRoundPauseMs = 0;
        Start(EngineVariant::Desk, t);
        Logon();
    }
    void Logon(const wchar_t* password = L"secret") {
        app_->ConnectAndLogon(L"10001", password, LOGON_TYPE_PASSWORD, L"127.0.0.1", ChatServerControl::ChatPort());
    }
    bool LoggedOn(size_t from = 0) { return host_.WaitFor(WM_IM_LOGON, 1, 10000, from) >= 0; }
    std::vector<ServerEvent> Events() { return control_.Record(); }
    bool WaitForRecord(const std::function<bool(const std::vector<ServerEvent>&)>& done, DWORD ms = 10000) {
        return control_.WaitForRecord(host_, done, ms);
    }
    // wParams of every `message` recorded so far, in order.
    std::vector<WPARAM> Ids(UINT message) {
        std::vector<WPARAM> ids;
        for (const RecordedMessage& m : host_.Messages())
            if (m.message == message) ids.push_back(m.wParam);
        return ids;
    }
    bool AllThreadsStopped() {
        for (const CThreadTable::Entry& e : app_->Threads().Snapshot())
            if (!e->HasStopped()) return false;
        return app_->Threads().LingeringCount() == 0;
    }

    WinsockSession winsock_;
    EngineTestHost host_;
    ChatServerControl control_;
    std::unique_ptr<CKestrinApp> app_;
};

TEST_F(Runtime, HeartbeatOnlyWhileLoggedOn) {
    const struct {
        const wchar_t* password;
        bool heartbeats;
    } cases[] = {{L"secret", true}, {L"wrong", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heartbeats ? "logged on" : "log-on refused");
        ASSERT_EQ(control_.Command("CLEAR"), "OK");
        host_.Clear();
        Start();
        Logon(c.password);
        ASSERT_GE(host_.WaitFor(WM_IM_LOGON), 0);
        const bool seen = WaitForRecord(
            [](const std::vector<ServerEvent>& e) { return PacketsOf(e, CMD_HEARTBEAT).size() >= 2; },
            c.heartbeats ? 5000 : 1200);
        EXPECT_EQ(seen, c.heartbeats);
        for (const ServerEvent& e : PacketsOf(Events(), CMD_HEARTBEAT)) EXPECT_TRUE(e.body.empty());
        app_->Logout(true);
        app_.reset();
    }
}

TEST_F(Runtime, ReconnectBacksOffByTheIntervalTimesTheAttempts) {
    ASSERT_EQ(control_.Command("SCRIPT close-after-accept close-after-accept close-after-accept close-after-accept"), "OK");
    Start();
    Logon();
    ASSERT_TRUE(LoggedOn());
    const std::vector<ServerEvent> accepts = Accepts(Events());
    ASSERT_EQ(accepts.size(), 5u);
    const long long interval = Scaled().reconnectIntervalMs;
    const long long tolerance = 30;
    // The first reconnect runs at once; each later one waits one interval more.
    for (size_t k = 2; k < accepts.size(); ++k)
        EXPECT_GE(accepts[k].ms - accepts[k - 1].ms, interval * long(k - 1) - tolerance) << "attempt " << k;
    EXPECT_EQ(host_.Count(WM_IM_RECONNECTING), 4u);
    EXPECT_EQ(app_->ReconnectAttempts(), 0);  // the log-on reply counts them back to 0
    EXPECT_FALSE(app_->IsOffline());
}

TEST_F(Runtime, AFailedReconnectGivesUpAndAStatusChoiceLogsOnAgain) {
    // The reconnect gives up soon, and its "reconnecting" still reaches the
    // client before the failure.
    StartGivingUpSoon();
    ASSERT_TRUE(LoggedOn());
    ASSERT_EQ(control_.Command("REFUSE"), "OK");
    ASSERT_EQ(control_.Command("DROP"), "OK");
    const int reconnecting = host_.WaitFor(WM_IM_RECONNECTING);
    ASSERT_GE(reconnecting, 0);
    // A message typed while the reconnect tries waits for it, and fails once
    // when it gives up; one typed afterwards fails at once.
    app_->SendTextMsg(Message(101500001));
    const int failed = host_.WaitFor(WM_IM_CONNECT, 0, 10000, size_t(reconnecting));
    ASSERT_GE(failed, 0);
    EXPECT_TRUE(host_.Messages()[failed].posted);
    ASSERT_GE(host_.WaitFor(WM_IM_MSGFAILED, 101500001, 2000), 0);
    app_->SendTextMsg(Message(101500002));
    ASSERT_GE(host_.WaitFor(WM_IM_MSGFAILED, 101500002, 2000), 0);
    host_.Pump(200);
    EXPECT_EQ(Ids(WM_IM_MSGFAILED), (std::vector<WPARAM>{101500001, 101500002}));
    EXPECT_EQ(app_->ConnectStatus(), 0);
    EXPECT_FALSE(app_->Running());
    EXPECT_TRUE(app_->IsOffline());
    EXPECT_EQ(app_->Store().ownStatus, STATUS_OFFLINE);
    EXPECT_TRUE(host_.PumpUntil([&] { return AllThreadsStopped(); }, 5000));

    ASSERT_EQ(control_.Command("LISTEN"), "OK");
    ASSERT_EQ(control_.Command("CLEAR"), "OK");
    const size_t mark = host_.Messages().size();
    app_->ChangeStatus(STATUS_BUSY);
    ASSERT_TRUE(LoggedOn(mark));
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_CHANGE_STATUS).empty(); }));
    const std::vector<ServerEvent> events = Events();
    EXPECT_EQ(PacketsOf(events, CMD_LOGON).size(), 1u);
    EXPECT_EQ(Word(PacketsOf(events, CMD_CHANGE_STATUS)[0].body, 0), uint32_t(STATUS_BUSY));
}

// The events of a session that a failed reconnect ended may still wait for
// the UI thread when the user logs on again: they are dropped like its
// packets, and fail nothing of the new session (what they would have
// failed of the old one fails as the new one starts).
TEST_F(Runtime, AStaleReconnectFailureFailsNothingOfTheNextSession) {
    StartGivingUpSoon();
    ASSERT_TRUE(LoggedOn());
    const size_t mark = host_.Messages().size();
    ASSERT_EQ(control_.Command("REFUSE"), "OK");
    ASSERT_EQ(control_.Command("DROP"), "OK");
    // The reconnect gives up while this thread handles nothing: its events
    // wait in the engine window's inbox.
    const DWORD start = GetTickCount();
    while ((app_->Running() || app_->ConnectStatus() != 0) && GetTickCount() - start < 15000) Sleep(10);
    ASSERT_FALSE(app_->Running());
    ASSERT_EQ(control_.Command("LISTEN"), "OK");
    Logon();
    ASSERT_EQ(app_->ConnectStatus(), 1);
    app_->SendTextMsg(Message(101600001));
    ASSERT_TRUE(LoggedOn(mark));
    ASSERT_GE(host_.WaitFor(WM_IM_MSGSENT, 101600001), 0);
    host_.Pump(300);
    EXPECT_EQ(host_.Count(WM_IM_MSGFAILED), 0u);
    EXPECT_EQ(app_->ConnectStatus(), 1);
    EXPECT_FALSE(app_->IsOffline());
    for (size_t i = mark; i < host_.Messages().size(); ++i)
        EXPECT_FALSE(host_.Messages()[i].message == WM_IM_CONNECT && host_.Messages()[i].wParam == 0)
            << "a connect failure after the new log-on";
}

// Without the engine window the handlers would run on the receive thread:
// the engine starts no session.
TEST_F(Runtime, WithoutTheEngineWindowNoSessionStarts) {
    EngineOptions options;
    options.timings = Scaled();
    CKestrinApp app(EngineVariant::Desk, options);
    app.InitInstance();
    app.ConnectAndLogon(L"10001", L"secret", LOGON_TYPE_PASSWORD, L"127.0.0.1", ChatServerControl::ChatPort());
    EXPECT_EQ(app.ConnectStatus(), 0);
    EXPECT_FALSE(app.Running());
    host_.Pump(300);
    EXPECT_EQ(CountOf(Events(), "ACCEPT"), 0u);
    EXPECT_TRUE(app.Threads().Empty());
}

TEST_F(Runtime, EveryWaitEndsAtTheStop) {
    // Long pauses everywhere: a stop that waited for any of them would leave
    // a thread behind after the (default) stop wait.
    engine::EngineTimings t = Scaled();
    t.heartbeatMs = 60000;
    t.connectRetryPauseMs = 60000;
    t.reconnectRoundPauseMs = 60000;
    t.stopWaitMs = 5000;
    Start(EngineVariant::Desk, t);
    Logon();
    ASSERT_TRUE(LoggedOn());
    ASSERT_EQ(control_.Command("REFUSE"), "OK");
    ASSERT_EQ(control_.Command("DROP"), "OK");
    ASSERT_GE(host_.WaitFor(WM_IM_RECONNECTING), 0);
    host_.Pump(200);  // the reconnect now sits in a pause after a refused connect
    const DWORD before = GetTickCount();
    app_->Logout(true);
    EXPECT_TRUE(app_->Threads().Empty());
    EXPECT_EQ(app_->Threads().LingeringCount(), 0u);
    EXPECT_LT(GetTickCount() - before, t.stopWaitMs);
    EXPECT_EQ(host_.Count(WM_IM_CONNECT), 1u);  // no "reconnect failed" after the log-out
}

TEST_F(Runtime, AThreadMissingTheStopWaitKeepsItsHandlesAndTheNextSessionRuns) {
    HoldingLog log;
    engine::EngineTimings t = Scaled();
    t.stopWaitMs = 200;
    Start(EngineVariant::Desk, t, &log);
    Logon();
    ASSERT_TRUE(LoggedOn());
    log.HoldOnce(L"发送已经停止.");
    app_->Logout(true);
    EXPECT_TRUE(log.Holding());
    ASSERT_EQ(app_->Threads().LingeringCount(), 1u);
    const CThreadTable::Entry lingering = app_->Threads().Lingering()[0];
    EXPECT_FALSE(lingering->HasStopped());

    // A new session while the old send thread is still about.
    const size_t mark = host_.Messages().size();
    Logon();
    ASSERT_TRUE(LoggedOn(mark));
    log.Release();
    EXPECT_TRUE(host_.PumpUntil([&] { return lingering->HasStopped(); }, 5000));
    EXPECT_TRUE(host_.PumpUntil([&] {
        app_->Threads().PurgeLingering();
        return app_->Threads().LingeringCount() == 0;
    }, 2000));
    // The new session still works: its log-out goes out on its connection.
    app_->Logout(true);
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return PacketsOf(e, CMD_LOGOUT).size() >= 2; }));
    const std::vector<ServerEvent> logouts = PacketsOf(Events(), CMD_LOGOUT);
    EXPECT_NE(logouts[0].connection, logouts[1].connection);
}

TEST_F(Runtime, LogoutWithPacketsQueuedGoesFirstThenTheGraceRounds) {
    engine::EngineTimings t = Scaled();
    t.heartbeatMs = 60000;
    Start(EngineVariant::Messenger, t);
    Logon();
    ASSERT_TRUE(LoggedOn());
    // The messenger's last request after the log-on.
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_POST_LOGON).empty(); }));
    host_.Pump(100);
    const size_t before = Events().size();
    HeldWorker held(app_->Threads());
    ASSERT_TRUE(held.Held());
    for (int i = 0; i < 6; ++i) app_->Session().RequestUserInfo(20001 + i, 3);
    held.ResumeAfter(100);
    app_->Logout(true);
    EXPECT_TRUE(app_->Threads().Empty());
    EXPECT_EQ(app_->Threads().LingeringCount(), 0u);
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_LOGOUT).empty(); }));
    host_.Pump(200);
    std::vector<uint32_t> after;
    const std::vector<ServerEvent> events = Events();
    for (size_t i = before; i < events.size(); ++i)
        if (events[i].kind == "PACKET") after.push_back(events[i].command);
    // The log-out first, then one packet in each of the remaining four grace rounds.
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(after[0], uint32_t(CMD_LOGOUT));
    for (size_t i = 1; i < after.size(); ++i) EXPECT_EQ(after[i], uint32_t(CMD_GET_USER_INFO));
}

TEST_F(Runtime, MessagesLeftUnsentAtTheLogoutEndInFailure) {
    engine::EngineTimings t = Scaled();
    t.heartbeatMs = 60000;
    Start(EngineVariant::Messenger, t);  // its messages go to the back of the queue
    Logon();
    ASSERT_TRUE(LoggedOn());
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_POST_LOGON).empty(); }));
    host_.Pump(100);
    HeldWorker held(app_->Threads());
    ASSERT_TRUE(held.Held());
    for (int i = 0; i < 6; ++i) {
        TextMsgRecord msg = {};
        msg.date = 20261210;
        msg.time = 101500000 + i;
        msg.senderId = 10001;
        msg.receiverId = 20001;
        std::strcpy(msg.text, "hi");
        app_->Session().SendTextMsg(msg);
    }
    held.ResumeAfter(100);
    app_->Logout(true);
    // The log-out and four messages leave in the grace rounds; the other two
    // never leave. Each gets its one outcome: the two first, then the four
    // whose acknowledgement the ended session will never read.
    host_.Pump(300);
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return PacketsOf(e, CMD_TEXT_MSG).size() >= 4; }));
    EXPECT_EQ(PacketsOf(Events(), CMD_TEXT_MSG).size(), 4u);
    std::vector<WPARAM> failed;
    for (const RecordedMessage& m : host_.Messages())
        if (m.message == WM_IM_MSGFAILED) {
            failed.push_back(m.wParam);
            EXPECT_TRUE(m.posted);
        }
    EXPECT_EQ(failed, (std::vector<WPARAM>{101500004, 101500005, 101500000, 101500001, 101500002, 101500003}));
}

TEST_F(Runtime, ALogoutReplyFromTheServerEndsTheSessionWithoutAReconnect) {
    Start();
    Logon();
    ASSERT_TRUE(LoggedOn());
    // Put offline by the server (10001), then the connection ends.
    ASSERT_EQ(control_.Command("SEND last 1 11270000"), "OK");
    const int logout = host_.WaitFor(WM_IM_LOGOUT);
    ASSERT_GE(logout, 0);
    EXPECT_EQ(host_.Messages()[logout].wParam, 0u);
    ASSERT_EQ(control_.Command("DROP"), "OK");
    host_.Pump(1000);
    EXPECT_EQ(Accepts(Events()).size(), 1u);
    EXPECT_EQ(host_.Count(WM_IM_RECONNECTING), 0u);
    EXPECT_TRUE(app_->IsOffline());
}

// A server that is away for less than the reconnect's window: the engine
// logs on again by itself. The messages it sent but saw no acknowledgement
// for fail once each; the messages typed meanwhile leave after the new
// log-on reply, once each.
TEST_F(Runtime, TheReconnectOutlastsAServerAwayWithinItsWindow) {
    engine::EngineTimings t = Scaled();
    t.connectWaitMs = 300;  // nine slots: a window of about three seconds
    t.heartbeatMs = 60000;
    Start(EngineVariant::Desk, t);
    Logon();
    ASSERT_TRUE(LoggedOn());
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_POST_LOGON).empty(); }));
    // Two messages reach a server that no longer answers.
    ASSERT_EQ(control_.Command("MUTE last"), "OK");
    for (int32_t id : {101500001, 101500002}) app_->SendTextMsg(Message(id));
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return MessageIds(e).size() == 2; }));
    ASSERT_EQ(control_.Command("REFUSE"), "OK");
    ASSERT_EQ(control_.Command("DROP"), "OK");
    ASSERT_EQ(control_.Command("CLEAR"), "OK");
    const int reconnecting = host_.WaitFor(WM_IM_RECONNECTING);
    ASSERT_GE(reconnecting, 0);
    for (int32_t id : {101500003, 101500004, 101500005}) app_->SendTextMsg(Message(id));
    host_.Pump(1200);
    ASSERT_EQ(control_.Command("LISTEN"), "OK");
    ASSERT_TRUE(LoggedOn(size_t(reconnecting)));
    for (WPARAM id : {101500003, 101500004, 101500005}) ASSERT_GE(host_.WaitFor(WM_IM_MSGSENT, long(id)), 0) << id;
    host_.Pump(300);
    EXPECT_EQ(Ids(WM_IM_MSGFAILED), (std::vector<WPARAM>{101500001, 101500002}));
    EXPECT_EQ(Ids(WM_IM_MSGSENT), (std::vector<WPARAM>{101500003, 101500004, 101500005}));
    EXPECT_EQ(host_.Count(WM_IM_CONNECT), 1u);  // only the log-on's: the reconnect never gave up
    // On the new connection: the log-on, then the messages once each.
    const std::vector<ServerEvent> events = Events();
    EXPECT_EQ(MessageIds(events), (std::vector<uint32_t>{101500003, 101500004, 101500005}));
    const std::vector<ServerEvent> logons = PacketsOf(events, CMD_LOGON);
    ASSERT_EQ(logons.size(), 1u);
    for (const ServerEvent& e : PacketsOf(events, CMD_TEXT_MSG)) {
        EXPECT_EQ(e.connection, logons[0].connection);
        EXPECT_GT(e.ms, logons[0].ms);
    }
}

// The log-out at a stop goes ahead of whatever is queued, the desk's
// messages in the front lane included, so the grace rounds always carry it.
TEST_F(Runtime, TheLogoutAtAStopLeavesWhateverTheQueueHolds) {
    engine::EngineTimings t = Scaled();
    t.heartbeatMs = 60000;
    Start(EngineVariant::Desk, t);
    Logon();
    ASSERT_TRUE(LoggedOn());
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_POST_LOGON).empty(); }));
    host_.Pump(200);
    ASSERT_EQ(control_.Command("CLEAR"), "OK");
    HeldWorker held(app_->Threads());
    ASSERT_TRUE(held.Held());
    for (int i = 0; i < 8; ++i) app_->SendTextMsg(Message(101500000 + i));
    held.ResumeAfter(100);
    app_->Logout(true);
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_LOGOUT).empty(); }));
    host_.Pump(200);
    std::vector<uint32_t> commands;
    for (const ServerEvent& e : Events())
        if (e.kind == "PACKET") commands.push_back(e.command);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands[0], uint32_t(CMD_LOGOUT));
    // Every message has its one outcome: none was acknowledged in time.
    std::vector<WPARAM> failed = Ids(WM_IM_MSGFAILED);
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed.size(), 8u);
    EXPECT_EQ(std::unique(failed.begin(), failed.end()), failed.end());
}

// While one worker runs the reconnect, the other finds the same broken
// connection every round: it logs that error once, not every round.
TEST_F(Runtime, EachWorkerLogsAConnectionsErrorOnce) {
    LinesLog log;
    engine::EngineTimings t = Scaled();
    t.connectWaitMs = 300;  // a reconnect of about three seconds against a refusing server
    t.heartbeatMs = 60000;
    t.drainWaitMs = 200;
    Start(EngineVariant::Messenger, t, &log);
    Logon();
    ASSERT_TRUE(LoggedOn());
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_POST_LOGON).empty(); }));
    {
        // The receive thread is held, so that the send thread meets the
        // connection's end first and runs the reconnect.
        HeldWorker receive(app_->Threads(), WorkerKind::Receive);
        ASSERT_TRUE(receive.Held());
        ASSERT_EQ(control_.Command("REFUSE"), "OK");
        ASSERT_EQ(control_.Command("DROP"), "OK");
        const std::wstring sendError = L"发送错误";
        ASSERT_TRUE(host_.PumpUntil([&] {
            app_->Session().RequestStatusChange(STATUS_ONLINE);
            host_.Pump(50);
            return log.CountStartingWith(sendError) > 0;
        }, 10000));
        receive.Resume();
    }
    ASSERT_GE(host_.WaitFor(WM_IM_CONNECT, 0, 15000), 0);
    host_.Pump(300);
    EXPECT_EQ(log.CountStartingWith(L"发送错误"), 1u);
    EXPECT_EQ(log.CountStartingWith(L"接收错误"), 1u);
    EXPECT_EQ(log.CountStartingWith(L"与服务器断开连接"), 1u);
}

// The event-log switch is read once, when the engine is made; the folders
// "data\" and "Log\" are created in every case.
TEST_F(Runtime, EventLogFollowsTheSwitchReadAtLoad) {
    const struct {
        const char* what;
        const char* ini;  // nullptr: no IMConfig.ini
        bool written;
    } cases[] = {{"no file", nullptr, false}, {"flag 0", "[WriteLog]\r\nflag=0\r\n", false},
                 {"flag 1", "[WriteLog]\r\nflag=1\r\n", true}};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring folder = std::wstring(temp) + L"qv-engine-" + std::to_wstring(GetCurrentProcessId()) +
                                    L"-" + std::to_wstring(GetTickCount()) + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        if (c.ini) {
            CreateDirectoryW((folder + L"Ini").c_str(), nullptr);
            HANDLE file = CreateFileW((folder + L"Ini\\IMConfig.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, c.ini, DWORD(std::strlen(c.ini)), &written, nullptr);
            CloseHandle(file);
        }
        EngineOptions options;
        options.timings = Scaled();
        options.hostFolder = folder;
        {
            CKestrinApp app(EngineVariant::Desk, options);
            EXPECT_NE(GetFileAttributesW((folder + L"data").c_str()), INVALID_FILE_ATTRIBUTES);
            EXPECT_NE(GetFileAttributesW((folder + L"Log").c_str()), INVALID_FILE_ATTRIBUTES);
            app.InitModule(host_.Window());
            app.ConnectAndLogon(L"10001", L"secret", LOGON_TYPE_PASSWORD, L"127.0.0.1", ChatServerControl::ChatPort());
            ASSERT_GE(host_.WaitFor(WM_IM_LOGON), 0);
            app.Logout(true);
        }
        HANDLE log = CreateFileW((folder + L"Log\\Event.log").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(log != INVALID_HANDLE_VALUE, c.written);
        if (log != INVALID_HANDLE_VALUE) {
            char bytes[4096] = {};
            DWORD read = 0;
            ReadFile(log, bytes, sizeof bytes - 1, &read, nullptr);
            CloseHandle(log);
            // "连接服务器.." in the ANSI code page (936).
            const std::string expected = engine::Win32CodePage().ToAnsi(L"连接服务器..");
            EXPECT_NE(std::string(bytes, read).find(expected), std::string::npos);
        }
        host_.Clear();
    }
}

TEST_F(Runtime, ThreadsStoppedAsSoonAsTheyStartLeaveNothingBehind) {
    Start();
    for (int i = 0; i < 20; ++i) {
        app_->StartWorkThreads(app_->SessionNumber());
        app_->StopWorkThreads();
        ASSERT_TRUE(app_->Threads().Empty());
        ASSERT_EQ(app_->Threads().LingeringCount(), 0u) << "round " << i;
    }
}

TEST_F(Runtime, MessengerVariantRunsTheSameSession) {
    Start(EngineVariant::Messenger);
    EXPECT_FALSE(app_->IsDesk());
    Logon();
    ASSERT_TRUE(LoggedOn());
    ASSERT_EQ(control_.Command("DROP"), "OK");
    ASSERT_GE(host_.WaitFor(WM_IM_RECONNECTING), 0);
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return PacketsOf(e, CMD_LOGON).size() >= 2; }));
}

// The messenger build alone logs a failed connect of a log-on without a
// password, with the server, the port, the account and the type.
TEST_F(Runtime, MessengerLogsAFailedConnectOfALogonWithoutAPassword) {
    class LinesLog : public engine::IEventLog {
    public:
        void Write(const std::wstring& text) override { lines.push_back(text); }
        std::vector<std::wstring> lines;
    };
    const struct {
        EngineVariant variant;
        int type;
        bool logged;
    } cases[] = {
        {EngineVariant::Messenger, LOGON_TYPE_AUTO, true},
        {EngineVariant::Messenger, LOGON_TYPE_PASSWORD, false},
        {EngineVariant::Desk, LOGON_TYPE_AUTO, false},
    };
    ASSERT_EQ(control_.Command("REFUSE"), "OK");
    const std::wstring port = std::to_wstring(ChatServerControl::ChatPort());
    const std::wstring expected = L"\u8FDE\u63A5127.0.0.1:" + port +
                                  L"\u5931\u8D25\uFF0Cname:21001, \u7EC4:10.";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.variant)) + "/" + std::to_string(c.type));
        LinesLog log;
        Start(c.variant, Scaled(), &log);
        host_.Clear();
        app_->ConnectAndLogon(L"21001", L"", c.type, L"127.0.0.1", ChatServerControl::ChatPort());
        const int connect = host_.WaitFor(WM_IM_CONNECT, 0, 10000);
        ASSERT_GE(connect, 0);
        bool found = false;
        for (const std::wstring& line : log.lines) found = found || line == expected;
        EXPECT_EQ(found, c.logged);
        app_.reset();
    }
}

// ---- The socket alone ------------------------------------------------------

void CALLBACK SignalStop(PVOID stop, BOOLEAN) { SetEvent(stop); }

class Socket : public Runtime {
protected:
    void SetUp() override {
        Runtime::SetUp();
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override {
        CloseHandle(stop_);
        Runtime::TearDown();
    }
    std::shared_ptr<SocketConnection> Connect(CClientSocket& socket, uint32_t session = 1) {
        return socket.ConnectServer(L"127.0.0.1", ChatServerControl::ChatPort(), 10000, session, stop_);
    }
    static std::vector<uint8_t> AutoLogonPacket() {
        std::vector<uint8_t> p(24 + 84, 0);
        const uint32_t header[6] = {CMD_LOGON, 0, 0xFF, 0, 0, 84};
        std::memcpy(p.data(), header, sizeof header);
        const uint32_t id = 10001, type = LOGON_TYPE_AUTO;
        std::memcpy(&p[24], &id, 4);
        std::memcpy(&p[24 + 36], &type, 4);
        return p;
    }

    engine::EngineTimings timings_ = Scaled();
    engine::Win32CodePage codePage_;
    engine::IEventLog* log_ = nullptr;
    HANDLE stop_ = nullptr;
};

TEST_F(Socket, ReceiveFramesOnePacketWhateverTheServerDoes) {
    const struct {
        const char* fault;
        int result;
        size_t length;
    } cases[] = {
        {"none", kSocketOk, 32},
        {"split-header", kSocketOk, 32},
        {"huge-length", kSocketRecvFailed, 0},
        {"partial-body", kSocketStopped, 0},
        {"close-after-accept", kSocketClosedByServer, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_EQ(control_.Command(std::string("SCRIPT ") + c.fault), "OK");
        ResetEvent(stop_);
        CClientSocket socket(timings_, codePage_, log_);
        std::shared_ptr<SocketConnection> connection = Connect(socket);
        ASSERT_TRUE(connection);
        socket.Install(connection);
        const std::vector<uint8_t> logon = AutoLogonPacket();
        const int sent = socket.SendAll(logon.data(), logon.size(), socket.Generation(), stop_);
        if (std::string(c.fault) != "close-after-accept") {
            EXPECT_EQ(sent, kSocketOk);
        }
        // A stalled packet ends with the stop.
        HANDLE timer = nullptr;
        if (c.result == kSocketStopped)
            CreateTimerQueueTimer(&timer, nullptr, &SignalStop, stop_, 300, 0, 0);
        std::vector<uint8_t> packet;
        const int result = socket.RecvPacket(packet, 1, stop_);
        if (timer) DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
        if (std::string(c.fault) == "close-after-accept" && sent != kSocketOk) continue;
        EXPECT_EQ(result, c.result);
        if (result == kSocketOk) {
            ASSERT_EQ(packet.size(), c.length);
            EXPECT_EQ(Word(packet, 0), uint32_t(CMD_LOGON));
            EXPECT_EQ(Word(packet, 28), uint32_t(LOGON_OK));
        } else if (result != kSocketStopped) {
            EXPECT_FALSE(socket.IsOpen());
        }
    }
}

TEST_F(Socket, APacketOfAnEarlierConnectionIsNotSentOnTheNext) {
    CClientSocket socket(timings_, codePage_, log_);
    std::shared_ptr<SocketConnection> first = Connect(socket);
    ASSERT_TRUE(first);
    socket.Install(first);
    const uint32_t firstGeneration = socket.Generation();
    std::shared_ptr<SocketConnection> second = Connect(socket);
    ASSERT_TRUE(second);
    socket.Install(second);
    const std::vector<uint8_t> logon = AutoLogonPacket();
    EXPECT_EQ(socket.SendAll(logon.data(), logon.size(), firstGeneration, stop_), kSocketStalePacket);
    EXPECT_EQ(socket.SendAll(logon.data(), logon.size(), socket.Generation(), stop_), kSocketOk);
    ASSERT_TRUE(WaitForRecord([](const std::vector<ServerEvent>& e) { return !PacketsOf(e, CMD_LOGON).empty(); }));
    host_.Pump(100);
    const std::vector<ServerEvent> logons = PacketsOf(Events(), CMD_LOGON);
    ASSERT_EQ(logons.size(), 1u);
    EXPECT_EQ(logons[0].connection, Accepts(Events()).back().connection);
}

// A refusal ends a try at once (a log-on by hand learns of it without
// waiting); a paced try (the automatic reconnect) still takes its whole slot,
// so that the reconnect keeps trying for the window its timing gives.
TEST_F(Socket, ARefusalEndsATryAtOnceUnlessItIsPaced) {
    const struct {
        bool paced;
        uint32_t slotMs;
        DWORD atLeastMs, belowMs;
    } cases[] = {{false, 60000, 0, 10000}, {true, 400, 3 * 400 - 50, 10000}};
    ASSERT_EQ(control_.Command("REFUSE"), "OK");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paced ? "paced" : "at once");
        timings_.connectWaitMs = c.slotMs;
        timings_.connectTries = 3;
        timings_.connectRetryPauseMs = 0;
        CClientSocket socket(timings_, codePage_, log_);
        const DWORD before = GetTickCount();
        EXPECT_FALSE(socket.ConnectServer(L"127.0.0.1", ChatServerControl::ChatPort(), 10000, 1, stop_, c.paced));
        const DWORD took = GetTickCount() - before;
        EXPECT_GE(took, c.atLeastMs);
        EXPECT_LT(took, c.belowMs);
    }
}

TEST_F(Socket, AStopEndsAConnectThatWaits) {
    // Dotted but not a local address nobody answers for: the connect waits,
    // unless the platform fails it at once; either way the stop ends it.
    timings_.connectWaitMs = 60000;
    timings_.connectTries = 3;
    timings_.connectRetryPauseMs = 60000;
    SetEvent(stop_);
    CClientSocket socket(timings_, codePage_, log_);
    const DWORD before = GetTickCount();
    EXPECT_FALSE(socket.ConnectServer(L"10.255.255.1", 9, 10000, 1, stop_));
    EXPECT_LT(GetTickCount() - before, 10000u);
}

}  // namespace
