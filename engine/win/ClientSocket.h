// CClientSocket: the engine's one TCP connection to the chat server.
//
// A connection is a SocketConnection held by shared pointers: the socket is
// closed when the last user lets go, so a handle that a send or a receive is
// still using is never closed under it and its value never reused for the
// next connection. Only the owner of the session (the reconnect under its
// lock, or the client's thread while no worker runs) puts a connection in
// place or takes it out; the send and the receive only break a failed one.
//
// Every wait honours the caller's stop event.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EngineConfig.h"
#include "EnginePorts.h"
#include "SocketConnection.h"

// Results of SendAll and RecvPacket; any other value is a Winsock error code.
enum SocketResult : int {
    kSocketOk = 0,
    kSocketNotConnected = -1,
    kSocketSendBlocked = -2,
    kSocketClosedByServer = -3,
    kSocketStopped = -4,       // the stop event ended the wait
    kSocketRecvFailed = -5,    // protocol error: a body length above the cap
    kSocketStalePacket = -6,   // popped for an earlier connection: dropped
};

class CClientSocket {
public:
    CClientSocket(const engine::EngineTimings& timings, const engine::ICodePage& codePage,
                  engine::IEventLog*& log);
    ~CClientSocket();
    CClientSocket(const CClientSocket&) = delete;
    CClientSocket& operator=(const CClientSocket&) = delete;

    // Up to the configured number of tries, with a pause after each failed
    // one; stores the address, port and time-out word. The connection is
    // returned, not put in place (see Install). Logs "连接服务器..".
    // `paced`: each try takes its whole connect wait even when the server
    // refuses at once (the automatic reconnect, which so keeps trying for
    // the window its timing gives); otherwise a refusal ends a try at once
    // (a log-on by hand learns of it without waiting).
    std::shared_ptr<SocketConnection> ConnectServer(const std::wstring& address, uint16_t port,
                                                    uint32_t timeoutWord, uint32_t session,
                                                    HANDLE stop, bool paced = false);
    // One non-blocking connect to the stored address; a refusal is seen at
    // once through select()'s error set.
    std::shared_ptr<SocketConnection> Connect(uint32_t session, HANDLE stop);

    // Puts a connection in place under a new generation. Called with the
    // send-queue lock held, together with the queue's reset.
    void Install(std::shared_ptr<SocketConnection> connection);
    // Takes the connection out of place (it closes when its last user ends).
    void Close();
    void CloseIfSession(uint32_t session);
    // A connection in place and not broken.
    bool IsOpen() const;
    uint32_t Generation() const;
    std::shared_ptr<SocketConnection> Current() const;

    // Sends all the bytes (one packet or several in a row) on the
    // connection of `generation`; `sent` (when given) gets how many of them
    // reached the socket, also when it fails.
    int SendAll(const uint8_t* data, size_t length, uint32_t generation, HANDLE stop, size_t* sent = nullptr);
    // Reads exactly one whole packet of the session's connection.
    int RecvPacket(std::vector<uint8_t>& out, uint32_t session, HANDLE stop);

    const std::wstring& Address() const { return address_; }
    uint16_t Port() const { return port_; }

private:
    void Log(const std::wstring& text);
    // Waits until the connection may have data to read (or has ended):
    // kSocketOk, kSocketStopped or kSocketNotConnected.
    int WaitReadable(SocketConnection& connection, HANDLE stop);
    int SendBytes(const uint8_t* data, size_t length, uint32_t generation, HANDLE stop, size_t& sent);

    const engine::EngineTimings& timings_;
    const engine::ICodePage& codePage_;
    engine::IEventLog*& log_;
    std::wstring address_;
    uint16_t port_ = 0;
    uint32_t timeoutWord_ = 10000;
    mutable std::mutex lock_;
    std::shared_ptr<SocketConnection> current_;
    uint32_t generation_ = 0;
    std::vector<uint8_t> readPiece_;  // the receive thread's read buffer
};
