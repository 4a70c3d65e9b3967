#include "KestrinApp.h"

#include <cwchar>
#include <vector>

#include "ImEngineApi.h"
#include "WorkerThreadEntry.h"

namespace {

bool Signalled(HANDLE event) { return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

// The most bytes of queued packets that one send takes together.
constexpr size_t kMaxSendRun = 64 * 1024;

std::wstring ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            std::wstring full(path.data(), length);
            return full.substr(0, full.rfind(L'\\') + 1);
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

template <class... Args>
std::wstring Format(const wchar_t* format, Args... args) {
    wchar_t text[512];
    const int length = std::swprintf(text, sizeof text / sizeof text[0], format, args...);
    return length > 0 ? std::wstring(text, size_t(length)) : std::wstring();
}

}  // namespace

// The worker threads' body: looks up the thread's own entry, runs its loop
// and hands the stopped event to the entry's tail.
extern "C" HANDLE __cdecl EngineWorkerMain(void* parameter) {
    return static_cast<CKestrinApp*>(parameter)->RunWorker();
}

CKestrinApp::CKestrinApp(engine::EngineVariant variant, EngineOptions options)
    : variant_(variant),
      options_(std::move(options)),
      hostFolder_(options_.hostFolder.empty() ? ProgramFolder() : options_.hostFolder),
      eventLog_(options_.log ? nullptr : OpenEventLog()),
      log_(options_.log ? options_.log : eventLog_.get()),
      ports_{&clock_, &codePage_, &files_, &notifier_, log_},
      socket_(options_.timings, codePage_, log_),
      session_(variant, store_, queue_, ports_, hostFolder_),
      window_(*this) {
    // The folder "data\" under the host program's folder (kept for the
    // layout; nothing is written there) and the log folder.
    files_.CreateFolders(hostFolder_ + L"data\\");
    files_.CreateFolders(hostFolder_ + L"Log\\");
    store_.reconnectIntervalMs = options_.timings.reconnectIntervalMs;
    queue_.SetPushListener([this] { sendWake_.Signal(); });
}

// The event log of the host program's folder; its switch is read once, here:
// "<dir>Ini\IMConfig.ini", section [WriteLog], key "flag".
std::unique_ptr<engine::EventLog> CKestrinApp::OpenEventLog() {
    auto log = std::make_unique<engine::EventLog>(files_, clock_, codePage_, hostFolder_ + L"Log\\");
    const std::wstring ini = hostFolder_ + L"Ini\\IMConfig.ini";
    log->Enable(GetPrivateProfileIntW(L"WriteLog", L"flag", 0, ini.c_str()) != 0);
    return log;
}

CKestrinApp::~CKestrinApp() { Shutdown(); }

BOOL CKestrinApp::InitInstance() {
    store_.ownStatus = -1;
    return TRUE;
}

int CKestrinApp::ExitInstance(bool processEnding) {
    if (processEnding) {
        // The other threads are gone and will never signal anything: send
        // the log-out ourselves, once, and close.
        if (connectStatus_.load() == 1 && Running()) SendLogoutDirectly();
        socket_.Close();
        connectStatus_.store(0);
        exited_ = true;
        return 0;
    }
    if (connectStatus_.load() == 1) Logout(true);
    Shutdown();
    return 0;
}

void CKestrinApp::Shutdown() {
    if (exited_) return;
    exited_ = true;
    StopWorkThreads();
    socket_.Close();
    connectStatus_.store(0);
    // Threads that lingered past an earlier stop get one more wait, so
    // that none is left running engine code when the object goes.
    for (const CThreadTable::Entry& entry : threads_.Lingering()) {
        entry->RequestStop();
        sendWake_.WakeAll();
        if (entry->stopped) WaitForSingleObject(entry->stopped, options_.timings.stopWaitMs);
    }
    threads_.PurgeLingering();
    window_.Destroy();
    session_.CloseHistoryFiles();
}

void CKestrinApp::SendLogoutDirectly() {
    session_.SendLogout(true);
    const uint32_t generation = socket_.Generation();
    // One try: a stop that is signalled already keeps a full socket buffer
    // from holding up the process's end.
    HANDLE noWait = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (!noWait) return;
    for (const engine::Packet& packet : queue_.Clear()) {
        if (packet.size() >= PACKET_HEADER_SIZE && packet[0] == CMD_LOGOUT && !packet[1] && !packet[2] && !packet[3]) {
            socket_.SendAll(packet.data(), packet.size(), generation, noWait);
            break;
        }
    }
    CloseHandle(noWait);
}

bool CKestrinApp::InitModule(HWND mainWindow) {
    store_.mainWindow = mainWindow;
    notifier_.SetWindow(mainWindow);
    if (window_.Create()) return true;
    Log(Format(L"创建引擎窗口失败,错误代码:%d.", int(GetLastError())));
    return false;
}

bool CKestrinApp::Running() const {
    return store_.running.load() != 0;
}

void CKestrinApp::SetRunning(bool running) {
    store_.running.store(running ? 1 : 0);
}

int CKestrinApp::ReconnectAttempts() const {
    return store_.reconnectAttempts.load();
}

void CKestrinApp::SetReconnectAttempts(int attempts) {
    store_.reconnectAttempts.store(attempts);
}

void CKestrinApp::Log(const std::wstring& text) {
    if (log_) log_->Write(text);
}

void CKestrinApp::ConnectAndLogon(const std::wstring& account, const std::wstring& password, int type,
                                  const std::wstring& server, uint16_t port) {
    if (connectStatus_.load() == 1) return;
    // Without the engine window (no MInitModule, or it could not make the
    // window) the handlers would have no thread of their own: no session.
    if (!window_.Exists()) {
        notifier_.Post(WM_IM_CONNECT, 0, 0);
        return;
    }
    // What is left of a session that a failed reconnect ended.
    StopWorkThreads();
    threads_.PurgeLingering();

    const uint32_t session = sessionNumber_.load() + 1;
    std::shared_ptr<SocketConnection> connection =
        socket_.ConnectServer(server, port, 10000, session, nullptr);
    if (!connection) {
        if (!IsDesk() && type != LOGON_TYPE_PASSWORD)
            Log(Format(L"连接%ls:%d失败，name:%ls, 组:%d.", server.c_str(), int(port), account.c_str(), type));
        notifier_.Post(WM_IM_CONNECT, 0, 0);
        return;
    }

    const int32_t logonId = int32_t(std::wcstol(account.c_str(), nullptr, 10));
    // Another account than the last one: nothing of that one's session stays.
    if (store_.logonId != 0 && logonId != store_.logonId) store_.ClearSessionData();
    // A new session (perhaps of another account) opens its history files anew.
    session_.CloseHistoryFiles();
    store_.account = account;
    store_.password = password;
    store_.logonType = type;
    store_.logonId = logonId;
    store_.curUserId = store_.logonId;
    store_.server = server;
    store_.port = port;
    store_.lastReconnectTick.store(0);
    store_.reconnectIntervalMs = options_.timings.reconnectIntervalMs;
    SetReconnectAttempts(0);
    store_.ownStatus = -1;
    session_.SetLoggedOn(false);
    endedByServer_.store(false);

    // The events of the ended session still on their way are dropped once
    // the new one starts: what they would have failed fails now, before
    // anything of the new session exists.
    session_.FailAwaitingMessages();

    engine::Packet logon = session_.BuildLogonPacket();
    std::vector<engine::Packet> dropped;
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        targetServer_ = server;
        targetPort_ = port;
        sessionNumber_.store(session);
        dropped = queue_.ResetWith(std::move(logon), [&] { socket_.Install(connection); });
        connectStatus_.store(1);
    }
    ReportUnsent(dropped);
    StartWorkThreads(session);
    notifier_.Post(WM_IM_CONNECT, 1, 0);
}

void CKestrinApp::Logout(bool front) {
    if (connectStatus_.load() == 1 && Running()) session_.SendLogout(front);
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        connectStatus_.store(0);
        // The session ends here: nothing of it reconnects or is dispatched.
        sessionNumber_.fetch_add(1);
    }
    // The send thread's grace rounds send the log-out before it stops.
    StopWorkThreads();
    socket_.Close();
    connectStatus_.store(0);
    SetRunning(false);
    session_.SetLoggedOn(false);
    // What the grace rounds did not send never reaches the server, and
    // what was sent is acknowledged no more.
    ReportUnsent(queue_.Clear());
    session_.FailAwaitingMessages();
    session_.CloseHistoryFiles();
}

void CKestrinApp::ReportUnsent(const std::vector<engine::Packet>& packets) {
    for (const engine::Packet& packet : packets) session_.ReportUnsentPacket(packet);
}

void CKestrinApp::SendTextMsg(const TextMsgRecord& msg) {
    session_.SendTextMsg(msg);
    if (!Running()) session_.FailAwaitingMessages();
}

void CKestrinApp::ChangeStatus(int status) {
    if (!Running())
        ConnectAndLogon(store_.account, store_.password, store_.logonType, store_.server, store_.port);
    session_.RequestStatusChange(status);
}

void CKestrinApp::StartWorkThreads(uint32_t session) {
    StopWorkThreads();
    SetRunning(true);
    const WorkerKind kinds[] = {WorkerKind::Send, WorkerKind::Receive, WorkerKind::Heartbeat};
    for (WorkerKind kind : kinds) {
        DWORD id = 0;
        HANDLE thread = CreateThread(nullptr, 0, &EngineWorkerEntry, this, CREATE_SUSPENDED, &id);
        if (thread) threads_.Add(std::make_shared<ThreadInfo>(id, kind, session, thread));
    }
    for (const CThreadTable::Entry& entry : threads_.Snapshot()) {
        entry->stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        entry->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!entry->stopped || !entry->stop) {
            // A thread that cannot be stopped must not start; it has run no
            // code yet, and its end is what lets its entry go.
            TerminateThread(entry->thread, 1);
            continue;
        }
        ResumeThread(entry->thread);
    }
}

void CKestrinApp::StopWorkThreads() {
    // The entries stay findable while their threads stop (a thread that has
    // not looked itself up yet still finds its stopped event).
    const std::vector<CThreadTable::Entry> entries = threads_.Snapshot();
    for (const CThreadTable::Entry& entry : entries)
        entry->RequestStop();
    sendWake_.WakeAll();
    for (const CThreadTable::Entry& entry : entries)
        if (entry->stopped) WaitForSingleObject(entry->stopped, options_.timings.stopWaitMs);
    threads_.Retire(entries);
    threads_.PurgeLingering();
}

HANDLE CKestrinApp::RunWorker() {
    CThreadTable::Entry entry = threads_.Find(GetCurrentThreadId());
    if (!entry || !entry->stop || !entry->stopped) return nullptr;
    const HANDLE stopped = entry->stopped;
    const WorkerContext context{entry->kind, entry->session, entry->stop, &entry->stopRequested};
    // The entry outlives this thread's use of its handles: it is let go of
    // only once the stopped event is signalled.
    entry.reset();
    try {
        switch (context.kind) {
            case WorkerKind::Send: SendLoop(context); break;
            case WorkerKind::Receive: ReceiveLoop(context); break;
            case WorkerKind::Heartbeat: HeartbeatLoop(context); break;
        }
    } catch (...) {
        // Nothing crosses the thread's end.
    }
    return stopped;
}

void CKestrinApp::SendLoop(const WorkerContext& context) {
    const engine::EngineTimings& t = options_.timings;
    int stopRounds = 0;
    // The connection whose failure this thread logged last: one line per
    // error, however long the reconnect that follows runs.
    uint32_t loggedGeneration = 0;
    std::vector<engine::Packet> run;
    std::vector<uint8_t> joined;
    for (;;) {
        // Five grace rounds after the stop, in which queued packets such as
        // the log-out still go out.
        const bool stopping = context.Stopping();
        if (stopping && ++stopRounds > t.sendGraceRounds) break;
        if (!Running()) break;
        // While the connection is down, what is queued stays queued: the
        // reconnect hands the chat messages on to its log-on.
        if (!socket_.IsOpen()) {
            if (stopping) break;
            WaitForSingleObject(context.stop, t.errorPauseMs);
            continue;
        }
        // The packets queued together go to the socket in one send; a grace
        // round sends one packet.
        uint32_t generation = 0;
        if (!queue_.PopRun(run, stopping ? 0 : kMaxSendRun, [&] { generation = socket_.Generation(); })) {
            if (stopping) break;  // nothing left to send
            // Until a packet is queued, the stop, or the idle time-out.
            sendWake_.Arm();
            if (queue_.Empty() && !context.Stopping()) sendWake_.Wait(t.sendIdleMs);
            continue;
        }
        const uint8_t* bytes = run.front().data();
        size_t length = run.front().size();
        if (run.size() > 1) {
            joined.clear();
            for (const engine::Packet& packet : run) joined.insert(joined.end(), packet.begin(), packet.end());
            bytes = joined.data();
            length = joined.size();
        }
        size_t sent = 0;
        const int result = socket_.SendAll(bytes, length, generation, context.stop, &sent);
        // Bytes that reached the socket after the reconnect had counted the
        // connection's messages lost: theirs fail now, in turn with the
        // packets and events before.
        if (session_.MarkSent(run, sent, generation)) NotifyEvent(EngineEvent::MessagesLost, context.session);
        if (result == kSocketOk) continue;
        // The packets that did not wholly reach the socket never reached the
        // server (a stale one is never sent on the new connection): the chat
        // messages among them wait for the next log-on, unless the session
        // is stopping.
        const bool ending = stopping || context.Stopping();
        size_t end = 0;
        for (engine::Packet& packet : run) {
            end += packet.size();
            if (end <= sent) continue;
            if (ending) {
                session_.ReportUnsentPacket(packet);
            } else {
                session_.HoldUnsent(std::move(packet));
            }
        }
        if (result == kSocketStalePacket || ending) continue;
        if (generation != loggedGeneration) {
            loggedGeneration = generation;
            Log(Format(L"发送错误,错误代码:%d ,重连服务器..", result));
        }
        Reconnect(context);
        WaitForSingleObject(context.stop, t.errorPauseMs);
    }
    Log(L"发送已经停止.");
}

void CKestrinApp::ReceiveLoop(const WorkerContext& context) {
    const engine::EngineTimings& t = options_.timings;
    uint32_t loggedGeneration = 0;
    for (;;) {
        if (context.Stopping() || !Running()) break;
        std::vector<uint8_t> packet;
        const int result = socket_.RecvPacket(packet, context.session, context.stop);
        if (result == kSocketOk) {
            // A log-out reply that ends the session: the connection's end
            // that follows is no reason to reconnect.
            if (packet.size() == 28 && packet[0] == CMD_LOGOUT && !packet[1] && !packet[2] && !packet[3]) {
                const uint32_t code = uint32_t(packet[24]) | uint32_t(packet[25]) << 8 |
                                      uint32_t(packet[26]) << 16 | uint32_t(packet[27]) << 24;
                if (code == uint32_t(LOGON_OK) || code == uint32_t(LOGON_ERR_PASSWORD))
                    endedByServer_.store(true);
            }
            // Handled on the engine window's thread only; a session never
            // starts without that window (see ConnectAndLogon).
            window_.Deliver(context.session, std::move(packet), context.stop);
            continue;
        }
        if (result == kSocketStopped) continue;
        // One line per failed connection: while another thread reconnects,
        // this one finds the same broken connection every round.
        const uint32_t generation = socket_.Generation();
        if (generation != loggedGeneration) {
            loggedGeneration = generation;
            Log(Format(L"接收错误,错误代码:%d ,重连服务器..", result));
        }
        Reconnect(context);
        WaitForSingleObject(context.stop, t.errorPauseMs);
    }
    Log(L"接收已经停止.");
}

void CKestrinApp::HeartbeatLoop(const WorkerContext& context) {
    for (;;) {
        if (WaitForSingleObject(context.stop, options_.timings.heartbeatMs) == WAIT_OBJECT_0) break;
        if (connectStatus_.load() == 1 && Running() && ReconnectAttempts() == 0 &&
            sessionNumber_.load() == context.session)
            session_.SendHeartbeat();
    }
    Log(L"心跳发送已经停止.");
}

void CKestrinApp::NotifyEvent(EngineEvent event, uint32_t session) {
    // Without the window (it went at the unload) nothing is handled on a
    // worker thread: the session is ending, and its end fails what is left.
    window_.PostEvent(event, session);
}

void CKestrinApp::Reconnect(const WorkerContext& context) {
    // One reconnect at a time; a thread that finds one under way goes back
    // to its loop (and so keeps seeing its stop event).
    std::unique_lock<std::mutex> lock(reconnectLock_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    if (Signalled(context.stop) || sessionNumber_.load() != context.session ||
        connectStatus_.load() != 1 || !Running() || endedByServer_.load())
        return;
    const engine::EngineTimings& t = options_.timings;
    const uint32_t now = GetTickCount();
    const uint32_t last = store_.lastReconnectTick.load();
    const int attempts = ReconnectAttempts();
    if (uint64_t(now - last) < uint64_t(t.reconnectIntervalMs) * uint64_t(attempts)) return;

    // A send failed first: what the server sent before the connection ended
    // (acknowledgements, messages) is still to be read, and reaches the
    // client before the reconnect does. The receive thread breaks the
    // connection when it reaches the end; until then (or the drain
    // time-out) the connection is not replaced.
    if (std::shared_ptr<SocketConnection> current = socket_.Current();
        current && current->SendFailed() && !current->Broken()) {
        const DWORD started = GetTickCount();
        while (!current->Broken() && GetTickCount() - started < t.drainWaitMs)
            if (WaitForSingleObject(context.stop, 5) == WAIT_OBJECT_0) break;
        current->Break();
    }

    // The messages sent on the connection that ended can no longer be
    // acknowledged: they fail as the client hears of the reconnect (and
    // one that the send thread marks sent on it later fails after that).
    session_.LoseSentMessages(socket_.Generation());
    NotifyEvent(EngineEvent::Reconnecting, context.session);
    Log(L"与服务器断开连接,正在尝试重连..");
    SetReconnectAttempts(attempts + 1);

    if (!socket_.IsOpen()) {
        socket_.CloseIfSession(context.session);
        std::wstring server;
        uint16_t port;
        {
            std::lock_guard<std::mutex> state(stateLock_);
            server = targetServer_;
            port = targetPort_;
        }
        // Each connect takes its whole slot even when it is refused at once,
        // so the reconnect keeps trying for the window its timing gives (a
        // server restart of a minute or so is survived); a stop ends it.
        bool connected = false;
        for (int round = 0; round < t.reconnectRounds && !Signalled(context.stop); ++round) {
            std::shared_ptr<SocketConnection> connection =
                socket_.ConnectServer(server, port, 10000, context.session, context.stop, /*paced=*/true);
            if (connection) {
                connected = InstallConnection(std::move(connection), context.session);
                break;
            }
            if (WaitForSingleObject(context.stop, t.reconnectRoundPauseMs) == WAIT_OBJECT_0) break;
        }
        if (!connected && !Signalled(context.stop)) GiveUpSession(context);
    }
    store_.lastReconnectTick.store(uint32_t(GetTickCount()));
}

bool CKestrinApp::InstallConnection(std::shared_ptr<SocketConnection> connection, uint32_t session) {
    engine::Packet logon = session_.BuildLogonPacket();
    std::vector<engine::Packet> dropped;
    {
        std::lock_guard<std::mutex> state(stateLock_);
        if (sessionNumber_.load() != session || connectStatus_.load() != 1) return false;
        // The queue's reset and the new connection happen under the queue's
        // lock: a packet popped before is never sent on the new connection.
        // The chat messages it drops wait for the log-on reply.
        dropped = queue_.ResetWith(std::move(logon), [&] {
            socket_.Install(std::move(connection));
            session_.AwaitLogon();
        });
        session_.HoldForLogon(std::move(dropped));
    }
    return true;
}

void CKestrinApp::GiveUpSession(const WorkerContext& context) {
    Log(L"重新连接服务器失败..");
    // Stop every thread of the session; wait for the others, not for this one.
    const DWORD self = GetCurrentThreadId();
    std::vector<CThreadTable::Entry> entries = threads_.Snapshot();
    for (const CThreadTable::Entry& entry : entries)
        if (entry->session == context.session) entry->RequestStop();
    sendWake_.WakeAll();
    for (const CThreadTable::Entry& entry : entries)
        if (entry->session == context.session && entry->id != self && entry->stopped)
            WaitForSingleObject(entry->stopped, options_.timings.stopWaitMs);
    {
        std::lock_guard<std::mutex> state(stateLock_);
        if (sessionNumber_.load() != context.session) return;
        socket_.CloseIfSession(context.session);
        connectStatus_.store(0);
        SetRunning(false);  // so that MIsOffline answers 1 and a status choice logs on again
        gaveUpSession_.store(context.session);
        sessionNumber_.fetch_add(1);
    }
    NotifyEvent(EngineEvent::ReconnectFailed, context.session);
}

void CKestrinApp::HandlePacket(uint32_t session, const std::vector<uint8_t>& packet) {
    if (session != sessionNumber_.load()) return;  // of an ended session
    session_.Dispatch(packet.data(), packet.size());
}

// A run of packets writes its history records together (one open per file).
void CKestrinApp::BeginPackets() { session_.BeginHistoryBatch(); }
void CKestrinApp::EndPackets() { session_.EndHistoryBatch(); }

bool CKestrinApp::IsCurrentEvent(uint32_t session) const {
    // The running session's, or the last session's when a failed reconnect
    // ended it and nothing has started since (its end counts one on).
    const uint32_t current = sessionNumber_.load();
    return session == current || (session == gaveUpSession_.load() && session + 1 == current);
}

void CKestrinApp::HandleEvent(EngineEvent event, uint32_t session) {
    if (!IsCurrentEvent(session)) return;  // of an ended session, like its packets
    switch (event) {
        case EngineEvent::Reconnecting:
            store_.ownStatus = STATUS_OFFLINE;
            notifier_.Post(WM_IM_RECONNECTING, 0, 0);
            // The acknowledgements still due were the old connection's.
            session_.FailLostMessages();
            break;
        case EngineEvent::ReconnectFailed:
            notifier_.Post(WM_IM_CONNECT, 0, 0);
            // The messages held or queued since will never be sent.
            session_.FailAwaitingMessages();
            break;
        case EngineEvent::MessagesLost:
            session_.FailLostMessages();
            break;
    }
}
