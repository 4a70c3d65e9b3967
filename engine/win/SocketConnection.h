// One connected socket of CClientSocket, held by shared pointers: the
// socket is closed when the last user lets go, so a send or a receive
// still using the handle never sees it closed (or its value reused).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

class SocketConnection {
public:
    SocketConnection(SOCKET socket, WSAEVENT readEvent, uint32_t session);
    ~SocketConnection();
    SocketConnection(const SocketConnection&) = delete;
    SocketConnection& operator=(const SocketConnection&) = delete;

    SOCKET Handle() const { return socket_; }
    WSAEVENT ReadEvent() const { return readEvent_; }
    uint32_t Session() const { return session_; }
    uint32_t Generation() const { return generation_; }
    void SetGeneration(uint32_t generation) { generation_ = generation; }
    // Shuts the connection down and wakes a receive waiting on it.
    void Break();
    bool Broken() const { return broken_.load(); }
    // A send failed: nothing more is sent on the connection, but what the
    // server sent before its end is still read (the receive side breaks the
    // connection when it reaches that end).
    void FailSending() { sendFailed_.store(true); }
    bool SendFailed() const { return sendFailed_.load(); }

    // Bytes read past the end of the last packet (the receive thread reads
    // in large pieces); used by the receive thread only.
    struct ReadAhead {
        std::vector<uint8_t> bytes;
        size_t at = 0;  // the first byte not yet framed
        size_t Left() const { return bytes.size() - at; }
        // The last read took everything the socket held: the next read
        // waits for the read event first instead of asking the socket
        // once more for nothing.
        bool drained = false;
    };
    ReadAhead& Unframed() { return unframed_; }

private:
    SOCKET socket_;
    WSAEVENT readEvent_;
    uint32_t session_;
    uint32_t generation_ = 0;
    std::atomic<bool> broken_{false};
    std::atomic<bool> sendFailed_{false};
    ReadAhead unframed_;
};
