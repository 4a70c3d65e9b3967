// Order of the send queue: the front lane keeps its own order, stays behind
// the log-on, and a reset hands back what it dropped.
#include <gtest/gtest.h>

#include <string>

#include "SendQueue.h"

namespace {

using engine::Packet;
using engine::SendQueue;

Packet P(char tag) { return Packet{static_cast<uint8_t>(tag)}; }

std::string Order(const SendQueue& queue) {
    std::string order;
    for (const Packet& p : queue.Snapshot()) order += static_cast<char>(p.at(0));
    return order;
}

TEST(SendQueue, FrontLaneKeepsItsOrderAheadOfBackPackets) {
    struct Step {
        char op;   // 'b' push back, 'f' push front, '1' push first, 'l' reset with log-on, 'p' pop
        char tag;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        const char* expected;
    } const cases[] = {
        {"back packets in arrival order", {{'b', 'a'}, {'b', 'b'}}, "ab"},
        {"front packets overtake back ones", {{'b', 'a'}, {'f', 'X'}}, "Xa"},
        {"two front packets keep their order", {{'b', 'a'}, {'f', 'X'}, {'f', 'Y'}}, "XYa"},
        {"nothing overtakes the log-on", {{'b', 'a'}, {'l', 'L'}, {'f', 'X'}, {'b', 'b'}}, "LXb"},
        {"the lane shrinks as its packets leave",
         {{'f', 'X'}, {'b', 'a'}, {'p', 0}, {'f', 'Y'}}, "Ya"},
        {"a back packet popped does not shrink the lane wrongly",
         {{'b', 'a'}, {'p', 0}, {'f', 'X'}, {'f', 'Y'}, {'b', 'b'}}, "XYb"},
        {"the first packet goes ahead of the front lane",
         {{'b', 'a'}, {'f', 'X'}, {'f', 'Y'}, {'1', 'Z'}}, "ZXYa"},
        {"a front packet after the first one stays behind it",
         {{'f', 'X'}, {'1', 'Z'}, {'f', 'Y'}, {'b', 'a'}}, "ZXYa"},
    };
    for (const Case& c : cases) {
        SendQueue queue;
        for (const Step& s : c.steps) {
            Packet out;
            switch (s.op) {
                case 'b': queue.PushBack(P(s.tag)); break;
                case 'f': queue.PushFront(P(s.tag)); break;
                case '1': queue.PushFirst(P(s.tag)); break;
                case 'l': queue.ResetWith(P(s.tag)); break;
                case 'p': queue.PopFront(out); break;
            }
        }
        EXPECT_EQ(Order(queue), c.expected) << c.what;
    }
}

TEST(SendQueue, ResetAndClearHandBackWhatTheyDrop) {
    SendQueue queue;
    queue.PushBack(P('a'));
    queue.PushFront(P('X'));
    bool ranUnderLock = false;
    const auto dropped = queue.ResetWith(P('L'), [&] { ranUnderLock = true; });
    EXPECT_TRUE(ranUnderLock);
    ASSERT_EQ(dropped.size(), 2u);
    EXPECT_EQ(dropped[0].at(0), 'X');
    EXPECT_EQ(dropped[1].at(0), 'a');
    EXPECT_EQ(Order(queue), "L");

    const auto cleared = queue.Clear();
    ASSERT_EQ(cleared.size(), 1u);
    EXPECT_TRUE(queue.Empty());
    queue.PushFront(P('Y'));
    queue.PushBack(P('b'));
    EXPECT_EQ(Order(queue), "Yb");
}

// The send thread sleeps until a push wakes it: every kind of push calls
// the listener, with the packet already poppable (the lock let go).
TEST(SendQueue, EveryPushCallsTheListenerWithThePacketInPlace) {
    SendQueue queue;
    std::string seen;
    queue.SetPushListener([&] {
        Packet out;
        seen += queue.PopFront(out) ? static_cast<char>(out.at(0)) : '-';
    });
    queue.PushBack(P('a'));
    queue.PushFront(P('X'));
    queue.ResetWith(P('L'));
    EXPECT_EQ(seen, "aXL");
    queue.Clear();
    EXPECT_EQ(seen, "aXL") << "a clear is no push";
}

// The send thread takes the packets queued together in one go: oldest
// first, within a byte budget (the first packet always), and the front lane
// counts what left with them.
TEST(SendQueue, ARunTakesTheOldestPacketsWithinItsBudget) {
    const auto Sized = [](char tag, size_t size) { return Packet(size, static_cast<uint8_t>(tag)); };
    struct Case {
        const char* what;
        size_t budget;
        const char* taken;
        const char* left;  // after a front packet 'Z' is pushed
    } const cases[] = {
        {"everything within the budget", 100, "XYab", "Z"},
        {"up to the packet that would exceed it", 6, "XYa", "Zb"},
        {"the lane's rest stays ahead of back packets", 2, "X", "YZab"},
        {"the first packet even when it alone exceeds it", 0, "X", "YZab"},
    };
    for (const Case& c : cases) {
        SendQueue queue;
        queue.PushBack(Sized('a', 2));
        queue.PushBack(Sized('b', 2));
        queue.PushFront(Sized('X', 2));
        queue.PushFront(Sized('Y', 2));
        std::vector<Packet> run;
        bool ranUnderLock = false;
        ASSERT_TRUE(queue.PopRun(run, c.budget, [&] { ranUnderLock = true; })) << c.what;
        EXPECT_TRUE(ranUnderLock);
        std::string taken;
        for (const Packet& p : run) taken += static_cast<char>(p.at(0));
        EXPECT_EQ(taken, c.taken) << c.what;
        queue.PushFront(Sized('Z', 2));
        EXPECT_EQ(Order(queue), c.left) << c.what;
    }
    SendQueue empty;
    std::vector<Packet> run{P('x')};
    EXPECT_FALSE(empty.PopRun(run, 100, [] {}));
    EXPECT_TRUE(run.empty());
}

}  // namespace
