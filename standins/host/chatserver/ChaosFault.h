// The "chaos" fault of a connection, for soak tests: every reply is cut
// into pieces at random points (headers and bodies split across the
// client's reads), the pieces go out after small random delays with a
// longer stall now and then (so the timing of the connections against one
// another keeps changing), and after a random number of packets from the
// client the server ends the connection: the packet that reached the count
// is still answered, nothing the client sends after it is handled, what
// was queued for the client is sent, and then the server shuts its side
// (the client sees the end of the stream; no reset).
// Everything is drawn from a generator seeded per connection, so a run can
// be repeated.
// Split only (the "split" fault): every reply of more than one byte is cut
// into two or three pieces, each after a small delay (1..5 ms), and the
// connection never ends by itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace chatserver {

class ChaosFault {
public:
    struct Piece {
        std::vector<uint8_t> bytes;
        std::chrono::milliseconds delay{0};  // after the piece before it is due
    };

    explicit ChaosFault(uint32_t seed, bool splitOnly = false);

    // The pieces of one reply, in order.
    std::vector<Piece> Cut(const std::vector<uint8_t>& packet);
    // Counts a packet from the client; true once the connection is to end.
    bool CountPacket();
    bool Ending() const { return ending_; }
    // The server has sent everything and shut its sending side.
    void MarkHalfClosed() { halfClosed_ = true; }
    bool HalfClosed() const { return halfClosed_; }

private:
    uint32_t Next();
    uint32_t Below(uint32_t bound) { return bound ? Next() % bound : 0; }

    uint64_t state_;
    uint32_t packetsLeft_;
    bool splitOnly_ = false;
    bool ending_ = false;
    bool halfClosed_ = false;
};

}  // namespace chatserver
