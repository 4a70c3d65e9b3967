#include "clientui/FileServerSocket.h"

#include <fw/StringUtil.h>

#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

bool CFileServerSocket::Connect(const std::wstring& host, uint16_t port, unsigned connectTimeoutMs,
                                unsigned ioTimeoutMs) {
    Close();
    const std::string address = fw::ToAnsi(host);
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = ::inet_addr(address.c_str());
    if (address.empty() || target.sin_addr.s_addr == INADDR_NONE) return false;

    {
        std::lock_guard<std::mutex> hold(m_handleLock);
        if (m_interrupted) return false;
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    }
    if (m_socket == INVALID_SOCKET) return false;

    // Connect without blocking, so that an unreachable host costs at most
    // the time-out; the error set reports a refusal at once.
    u_long nonBlocking = 1;
    ::ioctlsocket(m_socket, FIONBIO, &nonBlocking);
    bool connected = ::connect(m_socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK) connected = WaitConnected(connectTimeoutMs);
    if (!connected) {
        Close();
        return false;
    }
    u_long blocking = 0;
    ::ioctlsocket(m_socket, FIONBIO, &blocking);
    const DWORD timeout = ioTimeoutMs;
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    ::setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    return true;
}

bool CFileServerSocket::WaitConnected(unsigned connectTimeoutMs) {
    constexpr unsigned kSliceMs = 50;
    const ULONGLONG until = ::GetTickCount64() + connectTimeoutMs;
    for (;;) {
        const SOCKET handle = m_socket;
        if (m_interrupted || handle == INVALID_SOCKET) return false;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= until) return false;
        const unsigned slice = static_cast<unsigned>(std::min<ULONGLONG>(kSliceMs, until - now));
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(handle, &writable);
        FD_SET(handle, &failed);
        timeval wait = {0, static_cast<long>(slice) * 1000};
        const int ready = ::select(0, nullptr, &writable, &failed, &wait);
        if (ready < 0 || FD_ISSET(handle, &failed)) return false;
        if (ready > 0 && FD_ISSET(handle, &writable)) {
            int error = 0;
            int length = sizeof error;
            return ::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                   error == 0 && !m_interrupted;
        }
    }
}

void CFileServerSocket::Close() {
    std::lock_guard<std::mutex> hold(m_handleLock);
    const SOCKET handle = m_socket.exchange(INVALID_SOCKET);
    if (handle != INVALID_SOCKET) ::closesocket(handle);
}

// Shutting the connection down wakes a receive or send blocked on it; the
// handle is closed too, so that the using thread's next call fails.
void CFileServerSocket::Interrupt() {
    std::lock_guard<std::mutex> hold(m_handleLock);
    m_interrupted = true;
    const SOCKET handle = m_socket.exchange(INVALID_SOCKET);
    if (handle == INVALID_SOCKET) return;
    ::shutdown(handle, SD_BOTH);
    ::closesocket(handle);
}

bool CFileServerSocket::SendAll(const void* data, size_t length) {
    if (m_socket == INVALID_SOCKET) return false;
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const int chunk = length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
        const int sent = ::send(m_socket, bytes, chunk, 0);
        if (sent <= 0) return false;
        bytes += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

bool CFileServerSocket::ReceiveExact(void* data, size_t length) {
    if (m_socket == INVALID_SOCKET) return false;
    char* bytes = static_cast<char*>(data);
    while (length > 0) {
        const int chunk = length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
        const int got = ::recv(m_socket, bytes, chunk, 0);
        if (got <= 0) return false;
        bytes += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}
