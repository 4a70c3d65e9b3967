// CFileServerSocket: one blocking TCP connection to the file server.
// Connecting waits at most the given time; sends and receives fail after the
// socket's time-out instead of waiting for ever on a stalled server. The
// program has started Winsock (WSAStartup) before any socket is used.
//
// One thread uses the connection; any other thread may Interrupt it: a
// connect, send or receive under way then fails at once instead of waiting
// for its time-out, and every later connect fails too.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class CFileServerSocket {
public:
    CFileServerSocket() = default;
    ~CFileServerSocket() { Close(); }
    CFileServerSocket(const CFileServerSocket&) = delete;
    CFileServerSocket& operator=(const CFileServerSocket&) = delete;

    // Closes any open connection, then connects to host (a dotted IPv4
    // address) and port. False when the address is not one, or no
    // connection came about within connectTimeoutMs.
    bool Connect(const std::wstring& host, uint16_t port, unsigned connectTimeoutMs, unsigned ioTimeoutMs);
    void Close();
    bool IsOpen() const { return m_socket != INVALID_SOCKET; }
    // From any thread: ends the connection now (a blocking call on it
    // returns at once) and refuses further connects.
    void Interrupt();

    // Sends every byte; false on any failure or when not connected.
    bool SendAll(const void* data, size_t length);
    // Receives exactly length bytes, each receive asking only for the bytes
    // still missing; false on failure, time-out or a closed connection.
    bool ReceiveExact(void* data, size_t length);

private:
    // Waits until the connect under way is made or failed, in short slices
    // so that an interrupt ends the wait; false on a failure or time-out.
    bool WaitConnected(unsigned connectTimeoutMs);

    // Guards the handle's value against Interrupt: the using thread reads
    // it without the lock, and sets or clears it only under it.
    std::mutex m_handleLock;
    std::atomic<SOCKET> m_socket{INVALID_SOCKET};
    std::atomic<bool> m_interrupted{false};
};
