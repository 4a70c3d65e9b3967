// The chaos fault: the pieces of a reply always make up the reply, in
// order; a connection ends between 40 and 400 packets; one seed always
// plays the same way.
#include <gtest/gtest.h>

#include <vector>

#include "ChaosFault.h"

namespace {

using chatserver::ChaosFault;

std::vector<uint8_t> Packet(size_t size) {
    std::vector<uint8_t> p(size);
    for (size_t i = 0; i < size; ++i) p[i] = uint8_t(i * 31 + 7);
    return p;
}

TEST(ChaosFault, PiecesMakeUpTheReplyAndSomeReplyIsCut) {
    ChaosFault chaos(12345);
    size_t cut = 0, delayed = 0;
    for (size_t size : {1u, 24u, 28u, 40u, 1048u}) {
        for (int i = 0; i < 400; ++i) {
            const std::vector<uint8_t> packet = Packet(size);
            std::vector<uint8_t> joined;
            const std::vector<ChaosFault::Piece> pieces = chaos.Cut(packet);
            ASSERT_FALSE(pieces.empty());
            for (const ChaosFault::Piece& p : pieces) {
                EXPECT_FALSE(p.bytes.empty());
                EXPECT_LE(p.delay.count(), 200);
                delayed += p.delay.count() > 0;
                joined.insert(joined.end(), p.bytes.begin(), p.bytes.end());
            }
            cut += pieces.size() > 1;
            EXPECT_EQ(joined, packet);
        }
    }
    EXPECT_GT(cut, 100u);
    EXPECT_GT(delayed, 10u);
}

TEST(ChaosFault, ConnectionEndsBetweenFortyAndFourHundredPackets) {
    for (uint32_t seed = 1; seed <= 50; ++seed) {
        ChaosFault chaos(seed), again(seed);
        int packets = 0;
        while (!chaos.CountPacket()) ++packets;
        EXPECT_GE(packets + 1, 40);
        EXPECT_LE(packets + 1, 400);
        EXPECT_TRUE(chaos.Ending());
        EXPECT_TRUE(chaos.CountPacket()) << "an ending connection stays ending";
        int repeated = 0;
        while (!again.CountPacket()) ++repeated;
        EXPECT_EQ(repeated, packets) << "the seed decides";
    }
}

// The split fault: every reply of more than one byte in two or three
// pieces, each after 1..5 ms, and the connection never ends by itself.
TEST(ChaosFault, SplitOnlyCutsEveryReplyAndNeverEnds) {
    ChaosFault split(7, true);
    for (size_t size : {2u, 24u, 32u, 1048u}) {
        for (int i = 0; i < 200; ++i) {
            const std::vector<uint8_t> packet = Packet(size);
            const std::vector<ChaosFault::Piece> pieces = split.Cut(packet);
            ASSERT_GE(pieces.size(), 2u);
            ASSERT_LE(pieces.size(), 3u);
            std::vector<uint8_t> joined;
            for (const ChaosFault::Piece& p : pieces) {
                EXPECT_GE(p.delay.count(), 1);
                EXPECT_LE(p.delay.count(), 5);
                joined.insert(joined.end(), p.bytes.begin(), p.bytes.end());
            }
            EXPECT_EQ(joined, packet);
        }
    }
    for (int i = 0; i < 5000; ++i) ASSERT_FALSE(split.CountPacket());
    EXPECT_FALSE(split.Ending());
}

}  // namespace
