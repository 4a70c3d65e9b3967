// CKestrinApp: the engine's one application object. It owns the data store,
// the socket, the protocol session with its send queue, the thread table
// and the engine window, and runs the session: connect and log on, the
// send, receive and heartbeat threads, the reconnect with its growing
// back-off, and the log-out.
//
// The desk library (Kestrin.dll) holds a CKestrinApp, the messenger library
// (Ulvarn.dll) a CModuleApp; both are this class, told apart by the
// variant. Tests construct it with scaled timings.
//
// Threads: the exports, the engine window and every packet handler run on
// the client's UI thread (the one that called InitModule). The workers
// touch only the socket, the send queue, the connection counters and the
// engine window's inbox. A worker ends within a short wait once its stop
// event is signalled.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "ClientSocket.h"
#include "DataTree.h"
#include "EngineConfig.h"
#include "EngineWindow.h"
#include "EventLog.h"
#include "ProtocolSession.h"
#include "SendQueue.h"
#include "ThreadTable.h"
#include "WakeSignal.h"
#include "Win32Clock.h"
#include "Win32CodePage.h"
#include "Win32FileSystem.h"
#include "WindowNotifier.h"

struct EngineOptions {
    engine::EngineTimings timings;
    // The host program's folder with its trailing backslash; empty: the
    // folder of the running program.
    std::wstring hostFolder;
    // Replaces the event log (tests).
    engine::IEventLog* log = nullptr;
};

class CKestrinApp : private IEngineWindowHandler {
public:
    explicit CKestrinApp(engine::EngineVariant variant = engine::EngineVariant::Desk,
                         EngineOptions options = EngineOptions());
    virtual ~CKestrinApp();
    CKestrinApp(const CKestrinApp&) = delete;
    CKestrinApp& operator=(const CKestrinApp&) = delete;

    // Library attached: own status -1.
    BOOL InitInstance();
    // Library detached. `processEnding`: the process is ending and its other
    // threads are gone already.
    int ExitInstance(bool processEnding);

    // MInitModule: the client's window, and the engine window on this
    // thread. False (logged) when the engine window cannot be made: the
    // engine then starts no session (MLogon reports a failed connect).
    bool InitModule(HWND mainWindow);
    // MLogon / MProChangeUserStatus.
    void ConnectAndLogon(const std::wstring& account, const std::wstring& password, int type,
                         const std::wstring& server, uint16_t port);
    // MLogonOut.
    void Logout(bool front);
    // MProChangeUserStatus: logs on again with the stored credentials when
    // the session is not running, then asks for the status.
    void ChangeStatus(int status);
    // MSendTextMsg: queued as always; with no session running nothing would
    // ever carry it, so it fails at once.
    void SendTextMsg(const TextMsgRecord& msg);
    void StartWorkThreads(uint32_t session);
    void StopWorkThreads();

    int ConnectStatus() const { return connectStatus_.load(); }
    bool Running() const;
    int ReconnectAttempts() const;
    bool IsOffline() const { return ReconnectAttempts() != 0 || !Running(); }

    engine::EngineVariant Variant() const { return variant_; }
    bool IsDesk() const { return variant_ == engine::EngineVariant::Desk; }
    CDataTree& Store() { return store_; }
    CProtocolSession& Session() { return session_; }
    engine::SendQueue& Queue() { return queue_; }
    CClientSocket& Socket() { return socket_; }
    CThreadTable& Threads() { return threads_; }
    CEngineWindow& Window() { return window_; }
    const std::wstring& HostFolder() const { return hostFolder_; }
    const engine::EngineTimings& Timings() const { return options_.timings; }
    uint32_t SessionNumber() const { return sessionNumber_.load(); }

    // The body of every worker thread (see WorkerThreadEntry.h).
    HANDLE RunWorker();

private:
    struct WorkerContext {
        WorkerKind kind;
        uint32_t session;
        HANDLE stop;
        const std::atomic<bool>* stopRequested;  // set with `stop`
        bool Stopping() const { return stopRequested->load(); }
    };

    void SendLoop(const WorkerContext& context);
    void ReceiveLoop(const WorkerContext& context);
    void HeartbeatLoop(const WorkerContext& context);
    void Reconnect(const WorkerContext& context);
    void GiveUpSession(const WorkerContext& context);
    bool InstallConnection(std::shared_ptr<SocketConnection> connection, uint32_t session);
    void SendLogoutDirectly();
    // Packets that never reached the server: a held text message among
    // them ends in WM_IM_MSGFAILED.
    void ReportUnsent(const std::vector<engine::Packet>& packets);
    void Shutdown();
    void NotifyEvent(EngineEvent event, uint32_t session);

    // IEngineWindowHandler (UI thread).
    void HandlePacket(uint32_t session, const std::vector<uint8_t>& packet) override;
    void HandleEvent(EngineEvent event, uint32_t session) override;
    // An event of the running session, or the failure of the one that a
    // failed reconnect ended last when nothing started since.
    bool IsCurrentEvent(uint32_t session) const;
    void BeginPackets() override;
    void EndPackets() override;

    std::unique_ptr<engine::EventLog> OpenEventLog();
    void SetRunning(bool running);
    void SetReconnectAttempts(int attempts);
    void Log(const std::wstring& text);

    const engine::EngineVariant variant_;
    const EngineOptions options_;
    std::wstring hostFolder_;
    engine::Win32FileSystem files_;
    engine::Win32CodePage codePage_;
    engine::Win32Clock clock_;
    engine::WindowNotifier notifier_;
    std::unique_ptr<engine::EventLog> eventLog_;
    engine::IEventLog* log_ = nullptr;
    engine::EnginePorts ports_;
    CDataTree store_;
    CClientSocket socket_;
    std::atomic<int> connectStatus_{0};
    // Signalled by every push and every stop request: the send thread's
    // pause on an empty queue ends as soon as a packet is queued. (Declared
    // before the queue, so that it outlives it.)
    WakeSignal sendWake_;
    engine::SendQueue queue_;
    CProtocolSession session_;
    std::mutex reconnectLock_;
    CThreadTable threads_;
    CEngineWindow window_;

    // The session number: one per connect-and-log-on, ended by the log-out or
    // a reconnect that gives up. Packets and events of an ended session are
    // dropped. Changed under stateLock_, which is never held while waiting.
    std::atomic<uint32_t> sessionNumber_{0};
    std::mutex stateLock_;
    std::wstring targetServer_;
    uint16_t targetPort_ = 0;
    // Set by the receive thread when the server's log-out reply ends the
    // session, so that the connection's end starts no reconnect.
    std::atomic<bool> endedByServer_{false};
    // The last session a failed reconnect ended: its "reconnecting" still
    // reaches the client, before the failure.
    std::atomic<uint32_t> gaveUpSession_{0};
    bool exited_ = false;
};
