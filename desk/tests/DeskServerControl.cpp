#include "DeskServerControl.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace tavreltest {

namespace {

constexpr DWORD kReadTimeoutMs = 10000;

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

}  // namespace

CDeskServerControl::CDeskServerControl() {
    WSADATA data = {};
    m_wsa = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    const char* address = std::getenv("QV_DESK_SERVER");
    const char* port = std::getenv("QV_CONTROL_PORT");
    if (!m_wsa || !address || !port) return;
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_socket == INVALID_SOCKET) return;
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    to.sin_addr.s_addr = ::inet_addr(address);
    DWORD timeout = kReadTimeoutMs;
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
}

CDeskServerControl::~CDeskServerControl() {
    if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
    if (m_wsa) ::WSACleanup();
}

std::string CDeskServerControl::ReadLine() {
    for (;;) {
        const size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        char chunk[4096];
        const int got = ::recv(m_socket, chunk, sizeof chunk, 0);
        if (got <= 0) return std::string();
        m_buffer.append(chunk, static_cast<size_t>(got));
    }
}

std::string CDeskServerControl::Command(const std::string& line) {
    if (!Connected()) return std::string();
    const std::string text = line + "\n";
    if (::send(m_socket, text.data(), static_cast<int>(text.size()), 0) != static_cast<int>(text.size()))
        return std::string();
    return ReadLine();
}

std::vector<ServerPacket> CDeskServerControl::Packets() {
    std::vector<ServerPacket> packets;
    std::string line = Command("RECORD");
    for (; !line.empty() && line != "END"; line = ReadLine()) {
        std::istringstream in(line);
        std::string kind, hex;
        ServerPacket p;
        long long ms = 0;
        size_t length = 0;
        in >> kind;
        if (kind != "PACKET") continue;
        in >> p.connection >> ms >> p.command >> length >> hex;
        p.body = FromHex(hex);
        packets.push_back(p);
    }
    return packets;
}

std::vector<ServerPacket> CDeskServerControl::PacketsOf(uint32_t command) {
    std::vector<ServerPacket> found;
    for (const ServerPacket& p : Packets())
        if (p.command == command) found.push_back(p);
    return found;
}

std::vector<std::string> CDeskServerControl::Events(const std::string& kind) {
    std::vector<std::string> lines;
    std::string line = Command("RECORD");
    for (; !line.empty() && line != "END"; line = ReadLine())
        if (line.compare(0, kind.size() + 1, kind + " ") == 0) lines.push_back(line);
    return lines;
}

std::string CDeskServerControl::WordsHex(const std::vector<uint32_t>& words) {
    std::string hex;
    char byte[3];
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i) {
            std::snprintf(byte, sizeof byte, "%02x", (w >> (8 * i)) & 0xFF);
            hex += byte;
        }
    return hex;
}

}  // namespace tavreltest
