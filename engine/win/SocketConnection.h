// One connected socket of CClientSocket, held by shared pointers: the
// socket is closed when the last user lets go, so a send or a receive
// still using the handle never sees it closed (or its value reused).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>

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

private:
    SOCKET socket_;
    WSAEVENT readEvent_;
    uint32_t session_;
    uint32_t generation_ = 0;
    std::atomic<bool> broken_{false};
};
