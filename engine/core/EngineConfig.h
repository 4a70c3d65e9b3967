// Build variant and timing constants of the engine.
#pragma once

#include <cstdint>

namespace engine {

// The two engine libraries are one source; they differ by this value.
enum class EngineVariant {
    Desk,       // Kestrin.dll: the agents' engine, 41 exports, commands 0..39
    Messenger,  // Ulvarn.dll: the messenger's engine, 23 exports, its own command set
};

// Every timing of the engine in one place. The shipped libraries use the
// defaults; tests of the slow paths link the core with scaled values.
struct EngineTimings {
    uint32_t connectWaitMs = 10000;       // select() wait of one connect
    int connectTries = 3;                 // connects per ConnectServer
    uint32_t connectRetryPauseMs = 100;   // pause after a failed connect
    int reconnectRounds = 3;              // ConnectServer rounds per reconnect
    uint32_t reconnectRoundPauseMs = 500; // pause after a failed round
    uint32_t reconnectIntervalMs = 10000; // back-off step (x attempts)
    uint32_t heartbeatMs = 10000;         // heartbeat thread sleep
    uint32_t stopWaitMs = 5000;           // wait for each thread's stopped event
    int sendGraceRounds = 5;              // send rounds after the stop is seen
    uint32_t sendIdleMs = 100;            // send thread pause: queue empty / error
    uint32_t sendBlockedPauseMs = 10;     // pause on WSAEWOULDBLOCK
    int sendBlockedRetries = 6000;        // blocked sends in a row before -2
    uint32_t recvPollUs = 500;            // receive select() time-out
    uint32_t recvBlockedPauseMs = 10;     // pause on WSAEWOULDBLOCK
    uint32_t errorPauseMs = 100;          // pause after a send/receive error
    uint32_t drainWaitMs = 2000;          // after a send error: wait for the receive side to read to the end
};

// A body length above this is a protocol error, never an allocation.
constexpr uint32_t kMaxBodyLength = 16u * 1024u * 1024u;

}  // namespace engine
