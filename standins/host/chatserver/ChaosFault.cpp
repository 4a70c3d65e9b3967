#include "ChaosFault.h"

namespace chatserver {

namespace {
constexpr uint32_t kFewestPackets = 40;    // packets a connection lives at least
constexpr uint32_t kMorePackets = 360;     // ... plus up to this many
constexpr uint32_t kSplitPercent = 30;     // replies cut into pieces
constexpr uint32_t kDelayPercent = 5;      // pieces held back 1..3 ms
constexpr uint32_t kStallPerMille = 2;     // pieces held back 50..200 ms
}  // namespace

ChaosFault::ChaosFault(uint32_t seed, bool splitOnly)
    : state_(uint64_t(seed) * 0x9E3779B97F4A7C15ull + 1), splitOnly_(splitOnly) {
    packetsLeft_ = kFewestPackets + Below(kMorePackets);
}

uint32_t ChaosFault::Next() {
    // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return uint32_t((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

std::vector<ChaosFault::Piece> ChaosFault::Cut(const std::vector<uint8_t>& packet) {
    std::vector<size_t> cuts;
    if (packet.size() > 1 && (splitOnly_ || Below(100) < kSplitPercent)) {
        // One or two cuts anywhere: in the header, between header and body, in the body.
        const uint32_t count = 1 + Below(2);
        for (uint32_t i = 0; i < count; ++i) cuts.push_back(1 + Below(uint32_t(packet.size() - 1)));
        if (cuts.size() == 2 && cuts[0] > cuts[1]) std::swap(cuts[0], cuts[1]);
    }
    cuts.push_back(packet.size());
    std::vector<Piece> pieces;
    size_t from = 0;
    for (size_t to : cuts) {
        if (to <= from) continue;
        Piece piece;
        piece.bytes.assign(packet.begin() + std::ptrdiff_t(from), packet.begin() + std::ptrdiff_t(to));
        if (splitOnly_) {
            piece.delay = std::chrono::milliseconds(1 + Below(5));
        } else if (Below(1000) < kStallPerMille) {
            piece.delay = std::chrono::milliseconds(50 + Below(151));
        } else if (Below(100) < kDelayPercent) {
            piece.delay = std::chrono::milliseconds(1 + Below(3));
        }
        pieces.push_back(std::move(piece));
        from = to;
    }
    return pieces;
}

bool ChaosFault::CountPacket() {
    if (splitOnly_) return false;
    if (ending_) return true;
    if (packetsLeft_ > 0) --packetsLeft_;
    if (packetsLeft_ == 0) ending_ = true;
    return ending_;
}

}  // namespace chatserver
