// RawChatClient: a plain Winsock client of the chat server with no engine:
// a blocking TCP socket, the packets built and framed by hand. The
// benchmark's baseline does the engine's exchange with it.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class RawChatClient {
public:
    RawChatClient() = default;
    ~RawChatClient();
    RawChatClient(const RawChatClient&) = delete;
    RawChatClient& operator=(const RawChatClient&) = delete;

    // Connects and logs on as a known account (log-on type 10); true when
    // the server answered 10000.
    bool Logon(uint16_t port, int32_t userId);
    // Sends a text message (head and text) to `receiver` with the time word `id`.
    bool SendText(int32_t receiver, int32_t id, const std::string& text);
    // Reads what has arrived without waiting (non-blocking reads); returns
    // the ids (time words) of the messages among it. Acknowledgements are
    // counted.
    bool Poll(std::vector<int32_t>& messages);
    // Waits until a message arrives (acknowledgements are taken on the way);
    // its id, or -1 on an error.
    int32_t WaitForMessage();
    size_t Acks() const { return acks_; }
    SOCKET Handle() const { return socket_; }

private:
    bool SendPacket(uint32_t command, const std::vector<uint8_t>& body);
    bool ReadPacket(uint32_t& command, std::vector<uint8_t>& body);  // blocking
    // Frames what is buffered; one packet or false.
    bool NextBuffered(uint32_t& command, std::vector<uint8_t>& body);
    void Take(uint32_t command, const std::vector<uint8_t>& body, std::vector<int32_t>& messages);

    SOCKET socket_ = INVALID_SOCKET;
    int32_t userId_ = 0;
    std::vector<uint8_t> buffer_;
    size_t acks_ = 0;
};
