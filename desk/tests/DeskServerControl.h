// The stand-in chat server's control channel as the desk program's tests
// use it: at the address of QV_DESK_SERVER, port QV_CONTROL_PORT (both set
// by with-desk-server.sh). One text command a line, one line of answer;
// RECORD answers the events so far up to "END".
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavreltest {

struct ServerPacket {
    int connection = 0;
    uint32_t command = 0;
    std::vector<uint8_t> body;
};

class CDeskServerControl {
public:
    CDeskServerControl();
    ~CDeskServerControl();
    CDeskServerControl(const CDeskServerControl&) = delete;
    CDeskServerControl& operator=(const CDeskServerControl&) = delete;

    bool Connected() const { return m_socket != INVALID_SOCKET; }
    // One command and its answer line ("OK", "ERR ..."); empty on a failure.
    std::string Command(const std::string& line);
    // The packets the server received so far (PACKET events).
    std::vector<ServerPacket> Packets();
    // The packets of one command code.
    std::vector<ServerPacket> PacketsOf(uint32_t command);
    // The recorded events of one kind ("ACCEPT", "FAULT", ...), as lines.
    std::vector<std::string> Events(const std::string& kind);

    // Hex of little-endian 32-bit words, as SEND takes a body.
    static std::string WordsHex(const std::vector<uint32_t>& words);

private:
    std::string ReadLine();
    SOCKET m_socket = INVALID_SOCKET;
    bool m_wsa = false;
    std::string m_buffer;
};

}  // namespace tavreltest
