// Cuts a byte stream into whole chat packets (24-byte header, then the body
// length the header announces). Everything it keeps is bounded: a body
// length above the limit is a protocol error and nothing is allocated for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chatserver {

constexpr size_t kHeaderSize = 24;
constexpr uint32_t kMaxBody = 1024 * 1024;

struct Packet {
    uint32_t command = 0;
    std::vector<uint8_t> body;
};

uint32_t ReadWord(const uint8_t* p);
void AppendWord(std::vector<uint8_t>& out, uint32_t value);
// Header (command, 0, 0xFF, 0, 0, body length) and body.
std::vector<uint8_t> BuildPacket(uint32_t command, const std::vector<uint8_t>& body);

class PacketFramer {
public:
    // Takes received bytes; false on a protocol error (see Error()).
    bool Feed(const uint8_t* data, size_t length);
    // The next whole packet, if one is complete.
    bool Next(Packet& out);
    const std::string& Error() const { return error_; }

private:
    std::vector<uint8_t> buffer_;
    size_t start_ = 0;
    std::string error_;
};

}  // namespace chatserver
