// The faults the stand-in server plays, one per accepted connection, in the
// order of the script. A connection that finds the script empty is served
// normally. "refuse" is not a connection fault: when it comes up the server
// stops listening (for a while, or until told to listen again).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace chatserver {

enum class Fault {
    None,
    CloseAfterAccept,  // close at once
    CloseAfterLogon,   // answer the log-on, then close
    Silent,            // read and record, never answer
    SplitHeader,       // the first reply's header in two pieces (10 + 14 bytes)
    HugeLength,        // answer the log-on with a header announcing a huge body
    PartialBody,       // answer the log-on with part of its body, then stall
    Refuse,            // stop listening
    Chaos,             // split, delayed and stalled replies, an end at a random packet (ChaosFault.h)
    Split,             // every reply in small pieces with small delays, no end (ChaosFault.h)
};

struct FaultStep {
    Fault fault = Fault::None;
    uint32_t refuseMs = 0;  // Refuse: 0 = until told to listen again
    uint32_t seed = 0;      // Chaos, Split: "chaos:<seed>", "split:<seed>"
};

const char* FaultName(Fault fault);
// Parses "close-after-accept", ..., "refuse" or "refuse:<ms>", "chaos" or
// "chaos:<seed>", "split" or "split:<seed>"; false when unknown.
bool ParseFaultStep(const std::string& token, FaultStep& out);

class FaultScript {
public:
    // Replaces the script with the whitespace-separated steps; false (and the
    // script unchanged) when a step is unknown.
    bool Set(const std::string& steps, std::string& error);
    bool LoadFile(const std::string& path, std::string& error);
    bool Empty() const { return steps_.empty(); }
    const FaultStep& Front() const { return steps_.front(); }
    void Pop() { steps_.pop_front(); }

private:
    std::deque<FaultStep> steps_;
};

}  // namespace chatserver
