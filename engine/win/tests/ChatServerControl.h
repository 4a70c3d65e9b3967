// ChatServerControl: the stand-in chat server's control channel, as the
// engine's tests under Wine use it. The ports come from QV_CHAT_PORT and
// QV_CONTROL_PORT (set by with-chatserver.sh).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "EngineTestHost.h"

struct ServerEvent {
    std::string kind;  // ACCEPT, PACKET, CLOSED, ERROR
    int connection = 0;
    long long ms = 0;
    uint32_t command = 0;
    std::vector<uint8_t> body;
};

class ChatServerControl {
public:
    ChatServerControl();
    ~ChatServerControl();
    bool Connected() const { return socket_ != INVALID_SOCKET; }
    static uint16_t ChatPort();
    static uint16_t ControlPort();

    // One command, its one-line answer ("OK" ...).
    std::string Command(const std::string& line);
    // A new control connection (after the server restarted), tried until
    // `timeoutMs` has passed; pumps `host` meanwhile.
    bool Reconnect(EngineTestHost& host, DWORD timeoutMs);
    std::vector<ServerEvent> Record();
    // Pumps `host` while waiting until the recorded events satisfy `done`.
    bool WaitForRecord(EngineTestHost& host, const std::function<bool(const std::vector<ServerEvent>&)>& done,
                       DWORD timeoutMs = 10000);

private:
    bool Open();
    std::string ReadLine();
    SOCKET socket_ = INVALID_SOCKET;
    std::string buffer_;
};

// Packets of one kind in the record.
std::vector<ServerEvent> PacketsOf(const std::vector<ServerEvent>& events, uint32_t command);
size_t CountOf(const std::vector<ServerEvent>& events, const char* kind);
// The events of one connection.
std::vector<ServerEvent> OnConnection(const std::vector<ServerEvent>& events, int connection);
