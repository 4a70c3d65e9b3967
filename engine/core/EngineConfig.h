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

// The largest bodies the protocol can legitimately carry are the user lists:
// a friend-list body (255 categories, 65535 users: the counts travel in one
// byte and in 16 bits) and, larger still, a friend-update reply (up to 65535
// update records and 65535 user entries). A user entry is four words and
// three NUL-terminated texts that fit the record fields they fill (name 24,
// memo 16, signature 256 bytes with their NULs); a category entry is two
// words and a name of at most 24 bytes with its NUL.
constexpr uint32_t kMaxListUsers = 65535;
constexpr uint32_t kMaxListCategories = 255;
constexpr uint32_t kMaxUserEntryBytes = 4 * 4 + 24 + 16 + 256;
constexpr uint32_t kMaxCategoryEntryBytes = 2 * 4 + 24;
constexpr uint32_t kFriendUpdateRecordBytes = 24;
constexpr uint32_t kMaxFriendListBody =
    4 + kMaxListCategories * kMaxCategoryEntryBytes + kMaxListUsers * kMaxUserEntryBytes;
constexpr uint32_t kMaxFriendUpdateBody =
    16 + kMaxListUsers * kFriendUpdateRecordBytes + kMaxListUsers * kMaxUserEntryBytes;
constexpr uint32_t kMaxLegitimateBody =
    kMaxFriendUpdateBody > kMaxFriendListBody + 4 ? kMaxFriendUpdateBody : kMaxFriendListBody + 4;

// A body length above this is a protocol error, never an allocation: the
// largest legitimate body (22,019,776 bytes) rounded up to whole MiB: 21 MiB.
constexpr uint32_t kMaxBodyLength = (kMaxLegitimateBody + 0xFFFFFu) & ~0xFFFFFu;
static_assert(kMaxBodyLength == 21u * 1024u * 1024u, "the body cap follows the list formats");

}  // namespace engine
