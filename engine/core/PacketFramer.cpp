#include "PacketFramer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace engine {

void PacketFramer::Reset() {
    packet_.assign(kHeaderSize, 0);
    expected_ = kHeaderSize;
    received_ = 0;
    haveHeader_ = false;
    state_ = State::NeedMore;
}

PacketFramer::State PacketFramer::Commit(size_t count) {
    if (state_ != State::NeedMore) return state_;
    received_ += std::min(count, Missing());
    if (!haveHeader_ && received_ == kHeaderSize) {
        haveHeader_ = true;
        const uint8_t* p = packet_.data() + 20;
        const uint32_t bodyLength =
            uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        if (bodyLength > kMaxBodyLength) return state_ = State::TooLong;
        expected_ = kHeaderSize + bodyLength;
        packet_.resize(expected_);
    }
    if (received_ == expected_) state_ = State::Complete;
    return state_;
}

PacketFramer::State PacketFramer::Feed(const uint8_t* data, size_t length, size_t& taken) {
    taken = 0;
    while (state_ == State::NeedMore && taken < length) {
        const size_t n = std::min(Missing(), length - taken);
        std::memcpy(Space(), data + taken, n);
        taken += n;
        Commit(n);
    }
    return state_;
}

std::vector<uint8_t> PacketFramer::TakePacket() {
    std::vector<uint8_t> packet = std::move(packet_);
    Reset();
    return packet;
}

}  // namespace engine
