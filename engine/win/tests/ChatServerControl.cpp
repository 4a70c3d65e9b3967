#include "ChatServerControl.h"

#include <cstdlib>
#include <sstream>

namespace {
uint16_t PortFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? uint16_t(std::atoi(value)) : 0;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& out) {
    if (text == "-") return true;
    for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
    return true;
}
}  // namespace

uint16_t ChatServerControl::ChatPort() { return PortFromEnvironment("QV_CHAT_PORT"); }
uint16_t ChatServerControl::ControlPort() { return PortFromEnvironment("QV_CONTROL_PORT"); }

ChatServerControl::ChatServerControl() { Open(); }

bool ChatServerControl::Open() {
    if (!ControlPort()) return false;
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(ControlPort());
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
        return false;
    }
    DWORD timeout = 5000;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    return true;
}

bool ChatServerControl::Reconnect(EngineTestHost& host, DWORD timeoutMs) {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
    buffer_.clear();
    return host.PumpUntil([&] {
        if (Open() && Command("PING") == "OK") return true;
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        socket_ = INVALID_SOCKET;
        host.Pump(200);
        return false;
    }, timeoutMs);
}

ChatServerControl::~ChatServerControl() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

std::string ChatServerControl::ReadLine() {
    for (;;) {
        const size_t newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return line;
        }
        char chunk[8192];
        const int n = recv(socket_, chunk, sizeof chunk, 0);
        if (n <= 0) return "ERR control channel";
        buffer_.append(chunk, size_t(n));
    }
}

std::string ChatServerControl::Command(const std::string& line) {
    if (!Connected()) return "ERR not connected";
    const std::string text = line + "\n";
    send(socket_, text.data(), int(text.size()), 0);
    return ReadLine();
}

std::vector<ServerEvent> ChatServerControl::Record() {
    std::vector<ServerEvent> events;
    if (!Connected()) return events;
    send(socket_, "RECORD\n", 7, 0);
    for (;;) {
        const std::string line = ReadLine();
        if (line == "END" || line.rfind("ERR", 0) == 0) break;
        std::istringstream in(line);
        ServerEvent e;
        in >> e.kind >> e.connection >> e.ms;
        if (e.kind == "PACKET") {
            size_t length = 0;
            std::string hex;
            in >> e.command >> length >> hex;
            ParseHex(hex, e.body);
        }
        events.push_back(std::move(e));
    }
    return events;
}

bool ChatServerControl::WaitForRecord(EngineTestHost& host,
                                      const std::function<bool(const std::vector<ServerEvent>&)>& done,
                                      DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done(Record())) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        host.Pump(30);
    }
}

std::vector<ServerEvent> PacketsOf(const std::vector<ServerEvent>& events, uint32_t command) {
    std::vector<ServerEvent> out;
    for (const ServerEvent& e : events)
        if (e.kind == "PACKET" && e.command == command) out.push_back(e);
    return out;
}

size_t CountOf(const std::vector<ServerEvent>& events, const char* kind) {
    size_t count = 0;
    for (const ServerEvent& e : events) count += e.kind == kind;
    return count;
}

std::vector<ServerEvent> OnConnection(const std::vector<ServerEvent>& events, int connection) {
    std::vector<ServerEvent> out;
    for (const ServerEvent& e : events)
        if (e.connection == connection) out.push_back(e);
    return out;
}
