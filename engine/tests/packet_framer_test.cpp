// The packet framer: one packet from the stream however the reads cut it,
// never a byte of the next one, and a body length above the cap refused
// before anything is allocated for it.
#include <gtest/gtest.h>

#include <vector>

#include "PacketFramer.h"
#include "Wire.h"

namespace {

using engine::PacketFramer;
using State = engine::PacketFramer::State;

std::vector<uint8_t> Packet(uint32_t command, size_t bodyLength) {
    std::vector<uint8_t> body(bodyLength);
    for (size_t i = 0; i < bodyLength; ++i) body[i] = static_cast<uint8_t>(i * 7 + 1);
    return engine::wire::BuildPacket(command, body);
}

// Feeds the stream in reads of the given sizes (the last repeats); returns
// the packets framed and whether the stream ended in a length error.
std::vector<std::vector<uint8_t>> Frame(const std::vector<uint8_t>& stream, std::vector<size_t> reads,
                                        bool& tooLong) {
    std::vector<std::vector<uint8_t>> packets;
    PacketFramer framer;
    tooLong = false;
    size_t at = 0, step = 0;
    while (at < stream.size()) {
        const size_t size = reads[std::min(step++, reads.size() - 1)];
        size_t taken = 0;
        const State state = framer.Feed(stream.data() + at, std::min(size, stream.size() - at), taken);
        at += taken;
        if (state == State::TooLong) {
            tooLong = true;
            break;
        }
        if (state == State::Complete) packets.push_back(framer.TakePacket());
    }
    return packets;
}

TEST(PacketFramer, SplitsDoNotChangeThePackets) {
    std::vector<uint8_t> stream;
    const std::vector<std::vector<uint8_t>> sent = {Packet(18, 30), Packet(2, 0), Packet(4, 300), Packet(1, 4)};
    for (const auto& p : sent) stream.insert(stream.end(), p.begin(), p.end());
    const struct {
        const char* what;
        std::vector<size_t> reads;
    } cases[] = {
        {"whole stream in one read", {1 << 20}},
        {"one byte at a time", {1}},
        {"header in two pieces (10, then 14)", {10, 14, 1 << 20}},
        {"odd sizes across packet ends", {23, 2, 31, 5, 64}},
    };
    for (const auto& c : cases) {
        bool tooLong = false;
        EXPECT_EQ(Frame(stream, c.reads, tooLong), sent) << c.what;
        EXPECT_FALSE(tooLong) << c.what;
    }
}

TEST(PacketFramer, AsksOnlyForWhatThePacketMisses) {
    PacketFramer framer;
    EXPECT_EQ(framer.Missing(), 24u);
    const std::vector<uint8_t> p = Packet(18, 5);
    std::copy(p.begin(), p.begin() + 24, framer.Space());
    EXPECT_EQ(framer.Commit(24), State::NeedMore);
    EXPECT_EQ(framer.Missing(), 5u);
    std::copy(p.begin() + 24, p.end(), framer.Space());
    EXPECT_EQ(framer.Commit(5), State::Complete);
    EXPECT_EQ(framer.TakePacket(), p);
    EXPECT_EQ(framer.Missing(), 24u) << "ready for the next packet";
}

TEST(PacketFramer, RefusesABodyLengthAboveTheCap) {
    for (uint32_t length : {engine::kMaxBodyLength + 1, 0xFFFFFFFFu}) {
        std::vector<uint8_t> header = Packet(18, 0);
        for (int i = 0; i < 4; ++i) header[20 + i] = static_cast<uint8_t>(length >> (8 * i));
        bool tooLong = false;
        EXPECT_TRUE(Frame(header, {7}, tooLong).empty());
        EXPECT_TRUE(tooLong) << length;
    }
    // The largest bodies the list formats can carry are waited for, not
    // refused: a friend-update reply and a friend list of 65535 users, with
    // every text as long as its field allows.
    for (uint32_t length : {engine::kMaxFriendUpdateBody, engine::kMaxFriendListBody}) {
        PacketFramer framer;
        std::vector<uint8_t> header = Packet(35, 0);
        for (int i = 0; i < 4; ++i) header[20 + i] = static_cast<uint8_t>(length >> (8 * i));
        size_t taken = 0;
        EXPECT_EQ(framer.Feed(header.data(), header.size(), taken), State::NeedMore) << length;
        EXPECT_EQ(framer.Missing(), length);
    }
    EXPECT_GT(engine::kMaxFriendUpdateBody, 16u * 1024u * 1024u);
    // The cap itself is a body the framer waits for.
    PacketFramer framer;
    std::vector<uint8_t> header = Packet(18, 0);
    for (int i = 0; i < 4; ++i) header[20 + i] = static_cast<uint8_t>(engine::kMaxBodyLength >> (8 * i));
    size_t taken = 0;
    EXPECT_EQ(framer.Feed(header.data(), header.size(), taken), State::NeedMore);
    EXPECT_EQ(framer.Missing(), engine::kMaxBodyLength);
}

}  // namespace
