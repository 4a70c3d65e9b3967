#include "RawChatClient.h"

#include <cstring>

#include "ImEngineApi.h"

namespace {

void Put(std::vector<uint8_t>& out, int32_t value) {
    const uint32_t v = uint32_t(value);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

int32_t Get(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

constexpr size_t kHeader = 24;
constexpr uint32_t kMaxBody = 1 << 20;

}  // namespace

RawChatClient::~RawChatClient() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool RawChatClient::Logon(uint16_t port, int32_t userId) {
    userId_ = userId;
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) return false;
    BOOL noDelay = TRUE;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    to.sin_port = htons(port);
    if (connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) return false;
    std::vector<uint8_t> body;
    Put(body, userId);
    body.resize(36, 0);  // no digest for a known account
    Put(body, 10);
    body.resize(84, 0);
    if (!SendPacket(CMD_LOGON, body)) return false;
    uint32_t command = 0;
    std::vector<uint8_t> reply;
    while (ReadPacket(command, reply)) {
        if (command == CMD_LOGON && reply.size() == 8) return Get(reply.data() + 4) == LOGON_OK;
    }
    return false;
}

bool RawChatClient::SendText(int32_t receiver, int32_t id, const std::string& text) {
    std::vector<uint8_t> body;
    Put(body, 0);
    Put(body, 20261210);
    Put(body, id);
    Put(body, userId_);
    Put(body, receiver);
    Put(body, 0);
    body.insert(body.end(), text.begin(), text.end());
    return SendPacket(CMD_TEXT_MSG, body);
}

bool RawChatClient::SendPacket(uint32_t command, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> packet;
    Put(packet, int32_t(command));
    Put(packet, 0);
    Put(packet, 0xFF);
    Put(packet, 0);
    Put(packet, 0);
    Put(packet, int32_t(body.size()));
    packet.insert(packet.end(), body.begin(), body.end());
    size_t sent = 0;
    while (sent < packet.size()) {
        const int n = send(socket_, reinterpret_cast<const char*>(packet.data() + sent), int(packet.size() - sent), 0);
        if (n > 0) {
            sent += size_t(n);
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(socket_, &writable);
            select(0, nullptr, &writable, nullptr, nullptr);
            continue;
        }
        return false;
    }
    return true;
}

bool RawChatClient::NextBuffered(uint32_t& command, std::vector<uint8_t>& body) {
    if (buffer_.size() < kHeader) return false;
    const uint32_t length = uint32_t(Get(buffer_.data() + 20));
    if (length > kMaxBody || buffer_.size() < kHeader + length) return false;
    command = uint32_t(Get(buffer_.data()));
    body.assign(buffer_.begin() + kHeader, buffer_.begin() + std::ptrdiff_t(kHeader + length));
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(kHeader + length));
    return true;
}

bool RawChatClient::ReadPacket(uint32_t& command, std::vector<uint8_t>& body) {
    for (;;) {
        if (NextBuffered(command, body)) return true;
        char chunk[8192];
        const int n = recv(socket_, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer_.insert(buffer_.end(), chunk, chunk + n);
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(socket_, &readable);
            select(0, &readable, nullptr, nullptr, nullptr);
            continue;
        }
        return false;
    }
}

void RawChatClient::Take(uint32_t command, const std::vector<uint8_t>& body, std::vector<int32_t>& messages) {
    if (command != CMD_TEXT_MSG) return;
    if (body.size() == 16) {
        ++acks_;
    } else if (body.size() >= 24) {
        messages.push_back(Get(body.data() + 8));
    }
}

bool RawChatClient::Poll(std::vector<int32_t>& messages) {
    u_long nonBlocking = 1;
    ioctlsocket(socket_, FIONBIO, &nonBlocking);
    char chunk[16384];
    for (;;) {
        const int n = recv(socket_, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer_.insert(buffer_.end(), chunk, chunk + n);
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) break;
        return false;
    }
    uint32_t command;
    std::vector<uint8_t> body;
    while (NextBuffered(command, body)) Take(command, body, messages);
    return true;
}

int32_t RawChatClient::WaitForMessage() {
    uint32_t command;
    std::vector<uint8_t> body;
    std::vector<int32_t> messages;
    while (messages.empty()) {
        if (!ReadPacket(command, body)) return -1;
        Take(command, body, messages);
    }
    return messages.front();
}
