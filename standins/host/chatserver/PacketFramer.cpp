#include "PacketFramer.h"

namespace chatserver {

uint32_t ReadWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void AppendWord(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> BuildPacket(uint32_t command, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> packet;
    packet.reserve(kHeaderSize + body.size());
    AppendWord(packet, command);
    AppendWord(packet, 0);
    AppendWord(packet, 0xFF);
    AppendWord(packet, 0);
    AppendWord(packet, 0);
    AppendWord(packet, uint32_t(body.size()));
    packet.insert(packet.end(), body.begin(), body.end());
    return packet;
}

bool PacketFramer::Feed(const uint8_t* data, size_t length) {
    if (!error_.empty()) return false;
    buffer_.insert(buffer_.end(), data, data + length);
    // A pending header whose length is above the limit ends the stream now.
    if (buffer_.size() - start_ >= kHeaderSize) {
        const uint32_t bodyLength = ReadWord(&buffer_[start_ + 20]);
        if (bodyLength > kMaxBody) {
            error_ = "body length " + std::to_string(bodyLength) + " above the limit";
            buffer_.clear();
            start_ = 0;
            return false;
        }
    }
    return true;
}

bool PacketFramer::Next(Packet& out) {
    if (!error_.empty()) return false;
    const size_t available = buffer_.size() - start_;
    if (available < kHeaderSize) return false;
    const uint8_t* head = &buffer_[start_];
    const uint32_t bodyLength = ReadWord(head + 20);
    if (bodyLength > kMaxBody) {
        error_ = "body length " + std::to_string(bodyLength) + " above the limit";
        return false;
    }
    if (available - kHeaderSize < bodyLength) return false;
    out.command = ReadWord(head);
    out.body.assign(head + kHeaderSize, head + kHeaderSize + bodyLength);
    start_ += kHeaderSize + bodyLength;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > 64 * 1024) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(start_));
        start_ = 0;
    }
    return true;
}

}  // namespace chatserver
