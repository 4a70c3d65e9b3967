// PacketFramer: puts one packet of the chat protocol together from the
// bytes of a stream, however the reads split it. The 24-byte header comes
// first; once it is whole, its length word (+20) says how many body bytes
// follow. A length above kMaxBodyLength is a protocol error, never an
// allocation.
//
// The framer asks only for the bytes the current packet still misses, so a
// read into Space() never takes bytes of the next packet and nothing is kept
// between packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "EngineConfig.h"

namespace engine {

class PacketFramer {
public:
    enum class State {
        NeedMore,  // the packet is not whole yet
        Complete,  // Packet() holds header and body
        TooLong,   // the header announced a body above the cap
    };

    static constexpr size_t kHeaderSize = 24;

    PacketFramer() { Reset(); }

    // Starts the next packet.
    void Reset();
    // Where the next bytes of the stream go, and how many the packet still
    // misses (never 0 while the state is NeedMore).
    uint8_t* Space() { return packet_.data() + received_; }
    size_t Missing() const { return expected_ - received_; }
    // Takes `count` bytes that were written to Space(); at most Missing().
    State Commit(size_t count);
    // Copies what the packet misses from `data`; `taken` tells how many of
    // the `length` bytes it used.
    State Feed(const uint8_t* data, size_t length, size_t& taken);

    State Current() const { return state_; }
    const std::vector<uint8_t>& Packet() const { return packet_; }
    // The whole packet, leaving the framer ready for the next one.
    std::vector<uint8_t> TakePacket();

private:
    std::vector<uint8_t> packet_;
    size_t expected_ = kHeaderSize;
    size_t received_ = 0;
    bool haveHeader_ = false;
    State state_ = State::NeedMore;
};

}  // namespace engine
