#include "ClientSocket.h"

#include <algorithm>

#include "PacketFramer.h"

namespace {

constexpr DWORD kConnectSliceMs = 50;
constexpr DWORD kRecvSliceMs = 500;
constexpr size_t kReadPiece = 64 * 1024;

bool Signalled(HANDLE event) { return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

// Sleeps up to `ms`; true when the stop event ended the pause.
bool Pause(HANDLE stop, DWORD ms) {
    if (!stop) {
        Sleep(ms);
        return false;
    }
    return WaitForSingleObject(stop, ms) == WAIT_OBJECT_0;
}

}  // namespace

CClientSocket::CClientSocket(const engine::EngineTimings& timings, const engine::ICodePage& codePage,
                             engine::IEventLog*& log)
    : timings_(timings), codePage_(codePage), log_(log) {}

CClientSocket::~CClientSocket() { Close(); }

void CClientSocket::Log(const std::wstring& text) {
    if (log_) log_->Write(text);
}

std::shared_ptr<SocketConnection> CClientSocket::ConnectServer(const std::wstring& address,
                                                               uint16_t port, uint32_t timeoutWord,
                                                               uint32_t session, HANDLE stop, bool paced) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!address.empty()) {
            address_ = address;
            port_ = port;
        }
        timeoutWord_ = timeoutWord;
    }
    Log(L"连接服务器..");
    for (int attempt = 0; attempt < timings_.connectTries; ++attempt) {
        const DWORD started = GetTickCount();
        if (auto connection = Connect(session, stop)) return connection;
        const DWORD elapsed = GetTickCount() - started;
        if (paced && elapsed < timings_.connectWaitMs && Pause(stop, timings_.connectWaitMs - elapsed)) break;
        if (Pause(stop, timings_.connectRetryPauseMs)) break;
    }
    return nullptr;
}

std::shared_ptr<SocketConnection> CClientSocket::Connect(uint32_t session, HANDLE stop) {
    std::wstring address;
    uint16_t port;
    {
        std::lock_guard<std::mutex> lock(lock_);
        address = address_;
        port = port_;
    }
    const std::string ansi = codePage_.ToAnsi(address);
    const unsigned long ip = inet_addr(ansi.c_str());
    if (ansi.empty() || ip == INADDR_NONE) return nullptr;  // only dotted addresses, no look-up

    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return nullptr;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = ip;
    to.sin_port = htons(port);

    bool connected = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
        // Wait for writability (connected) or the error set (refused), in
        // slices so that a stop ends the wait.
        const DWORD started = GetTickCount();
        for (;;) {
            if (Signalled(stop)) break;
            const DWORD elapsed = GetTickCount() - started;
            if (elapsed >= timings_.connectWaitMs) break;
            const DWORD slice = std::min<DWORD>(kConnectSliceMs, timings_.connectWaitMs - elapsed);
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval wait = {long(slice / 1000), long((slice % 1000) * 1000)};
            const int ready = select(0, nullptr, &writable, &failed, &wait);
            if (ready < 0 || FD_ISSET(s, &failed)) break;
            if (ready > 0 && FD_ISSET(s, &writable)) {
                int error = 0;
                int length = sizeof error;
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
                connected = error == 0;
                break;
            }
        }
    }
    if (!connected) {
        closesocket(s);
        return nullptr;
    }
    // Small packets leave at once: a message or a request is never held back
    // waiting for the acknowledgement of the one before it.
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    // Auto-reset: the wait that a notice ends also resets it, which spares
    // the receive thread one wine-server request per wake-up.
    WSAEVENT readEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!readEvent) readEvent = WSA_INVALID_EVENT;
    if (readEvent == WSA_INVALID_EVENT || WSAEventSelect(s, readEvent, FD_READ | FD_CLOSE) != 0) {
        if (readEvent != WSA_INVALID_EVENT) WSACloseEvent(readEvent);
        closesocket(s);
        return nullptr;
    }
    return std::make_shared<SocketConnection>(s, readEvent, session);
}

void CClientSocket::Install(std::shared_ptr<SocketConnection> connection) {
    std::shared_ptr<SocketConnection> previous;
    {
        std::lock_guard<std::mutex> lock(lock_);
        previous = std::move(current_);
        ++generation_;
        if (connection) connection->SetGeneration(generation_);
        current_ = std::move(connection);
    }
    if (previous) previous->Break();
}

void CClientSocket::Close() {
    std::shared_ptr<SocketConnection> previous;
    {
        std::lock_guard<std::mutex> lock(lock_);
        previous = std::move(current_);
    }
    if (previous) previous->Break();
}

void CClientSocket::CloseIfSession(uint32_t session) {
    std::shared_ptr<SocketConnection> previous;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (current_ && current_->Session() == session) previous = std::move(current_);
    }
    if (previous) previous->Break();
}

bool CClientSocket::IsOpen() const {
    std::lock_guard<std::mutex> lock(lock_);
    return current_ && !current_->Broken();
}

uint32_t CClientSocket::Generation() const {
    std::lock_guard<std::mutex> lock(lock_);
    return generation_;
}

std::shared_ptr<SocketConnection> CClientSocket::Current() const {
    std::lock_guard<std::mutex> lock(lock_);
    return current_;
}

int CClientSocket::SendAll(const uint8_t* data, size_t length, uint32_t generation, HANDLE stop,
                           size_t* sentOut) {
    size_t sent = 0;
    const int result = SendBytes(data, length, generation, stop, sent);
    if (sentOut) *sentOut = sent;
    return result;
}

int CClientSocket::SendBytes(const uint8_t* data, size_t length, uint32_t generation, HANDLE stop, size_t& sent) {
    if (!data || length == 0) return kSocketNotConnected;
    std::shared_ptr<SocketConnection> connection = Current();
    if (!connection || connection->Broken() || connection->SendFailed()) return kSocketNotConnected;
    if (connection->Generation() != generation) return kSocketStalePacket;

    int blocked = 0;
    while (sent < length) {
        if (connection->Broken()) return kSocketNotConnected;
        const int chunk = int(std::min<size_t>(length - sent, 0x100000));
        const int n = send(connection->Handle(), reinterpret_cast<const char*>(data + sent), chunk, 0);
        if (n > 0) {
            sent += size_t(n);
            blocked = 0;
            continue;
        }
        // A failed send leaves the receive side reading what the server
        // sent before the end (replies, messages); the reconnect waits for it.
        if (n == 0) {
            connection->FailSending();
            return kSocketClosedByServer;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            connection->FailSending();
            return error;
        }
        // Blocked: a stop does not wait for the peer to read again.
        if (Signalled(stop) || ++blocked >= timings_.sendBlockedRetries) {
            connection->Break();
            return kSocketSendBlocked;
        }
        if (Pause(stop, timings_.sendBlockedPauseMs)) {
            connection->Break();
            return kSocketSendBlocked;
        }
    }
    return kSocketOk;
}

int CClientSocket::RecvPacket(std::vector<uint8_t>& out, uint32_t session, HANDLE stop) {
    std::shared_ptr<SocketConnection> connection = Current();
    if (!connection || connection->Broken() || connection->Session() != session)
        return kSocketNotConnected;

    // One packet from what an earlier read brought, then from the socket
    // in pieces of up to kReadPiece bytes; what follows the packet is kept
    // for the next call.
    engine::PacketFramer framer;
    SocketConnection::ReadAhead& ahead = connection->Unframed();
    auto frame = [&](const uint8_t* data, size_t length, size_t& taken) {
        const engine::PacketFramer::State state = framer.Feed(data, length, taken);
        if (state == engine::PacketFramer::State::Complete) out = framer.TakePacket();
        if (state == engine::PacketFramer::State::TooLong) connection->Break();  // a protocol error, not an allocation
        return state;
    };
    if (ahead.Left() > 0) {
        size_t taken = 0;
        const engine::PacketFramer::State state = frame(ahead.bytes.data() + ahead.at, ahead.Left(), taken);
        ahead.at += taken;
        if (ahead.Left() == 0) {
            ahead.bytes.clear();
            ahead.at = 0;
        }
        if (state == engine::PacketFramer::State::Complete) return kSocketOk;
        if (state == engine::PacketFramer::State::TooLong) return kSocketRecvFailed;
    }
    std::vector<uint8_t>& piece = readPiece_;
    piece.resize(kReadPiece);
    for (;;) {
        if (ahead.drained) {
            const int waited = WaitReadable(*connection, stop);
            if (waited != kSocketOk) return waited;
        }
        const int n = recv(connection->Handle(), reinterpret_cast<char*>(piece.data()), int(piece.size()), 0);
        if (n > 0) {
            // A read that did not fill the piece emptied the socket.
            ahead.drained = size_t(n) < piece.size();
            size_t taken = 0;
            const engine::PacketFramer::State state = frame(piece.data(), size_t(n), taken);
            if (taken < size_t(n)) {
                ahead.bytes.assign(piece.begin() + std::ptrdiff_t(taken), piece.begin() + n);
                ahead.at = 0;
            }
            if (state == engine::PacketFramer::State::Complete) return kSocketOk;
            if (state == engine::PacketFramer::State::TooLong) return kSocketRecvFailed;
            continue;
        }
        if (n == 0) {
            connection->Break();
            return kSocketClosedByServer;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            connection->Break();
            return error;
        }
        ahead.drained = true;
    }
}

int CClientSocket::WaitReadable(SocketConnection& connection, HANDLE stop) {
    // The read event is set when data arrives after a read (each read, also
    // one that finds nothing, enables the next notice), when the server ends
    // the connection, and by Break. It resets itself as the wait ends, before
    // the read it announces, so that data arriving after that read sets it
    // again.
    HANDLE waits[2] = {connection.ReadEvent(), stop};
    const DWORD count = stop ? 2 : 1;
    for (;;) {
        const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, kRecvSliceMs);
        if (woke == WAIT_OBJECT_0 + 1) return kSocketStopped;
        if (connection.Broken() || Current().get() != &connection) return kSocketNotConnected;
        if (woke == WAIT_OBJECT_0) return kSocketOk;
        if (woke != WAIT_TIMEOUT) return kSocketNotConnected;
    }
}
