// Fuzz target: the packet framer and the dispatcher with every handler of
// both builds on a live store.
//
// Input: one byte that chooses how the stream is cut into reads (and, when
// odd, that the packets are one dispatch run with batched history writes),
// then the byte stream as it would come from the server. The stream is framed as the
// receive thread frames it and every whole packet is dispatched, first by a
// desk session, then (the same stream) by a messenger session. After the
// stream, the requests that read back what the handlers stored and wrote
// run, and every record the engine keeps is checked.
#include <cstddef>
#include <cstdint>

#include "FuzzSession.h"
#include "PacketFramer.h"
#include "StoreCheck.h"

namespace {

using enginefuzz::kOwnId;
using enginefuzz::kPeerId;

// Read sizes from a small generator seeded by the input's first byte: the
// same input always splits the same way.
class ReadSizes {
public:
    explicit ReadSizes(uint8_t seed) : state_(seed * 2654435761u + 1) , whole_(seed == 0) {}
    size_t Next(size_t wanted) {
        if (whole_) return wanted;
        state_ = state_ * 1103515245u + 12345u;
        const size_t n = 1 + (state_ >> 16) % 40;
        return n < wanted ? n : wanted;
    }

private:
    uint32_t state_;
    bool whole_;
};

// What a session holds when the server's packets come: a message waiting
// for its acknowledgement, a customer held by another agent, and a user
// whose lists are kept (the ids the seed corpus uses).
void Prime(enginefuzz::LiveSession& live) {
    TextMsgRecord msg{};
    msg.date = 20261210;
    msg.time = enginefuzz::kHeldMsgTime;
    msg.senderId = kOwnId;
    msg.receiverId = kPeerId;
    std::strcpy(msg.text, "held");
    live.session->SendTextMsg(msg);
    SwitchCustomerRecord& handed = live.store.SwitchRecordAt(enginefuzz::kCustomerId);
    handed.actingAgent = kOwnId;
    handed.owningAgent = enginefuzz::kAgentId;
    handed.customerId = enginefuzz::kCustomerId;
    live.store.FriendListAt(enginefuzz::kAgentId).userId = enginefuzz::kAgentId;
    live.queue.Clear();
}

void RunStream(engine::EngineVariant variant, uint8_t seed, const uint8_t* data, size_t size) {
    enginefuzz::LiveSession live(variant);
    CProtocolSession& session = *live.session;
    Prime(live);
    engine::PacketFramer framer;
    ReadSizes reads(seed);
    // An odd first byte dispatches the stream as one run of the engine
    // window (history writes kept and written together at its end).
    const bool batched = seed & 1;
    if (batched) session.BeginHistoryBatch();
    size_t at = 0;
    while (at < size) {
        const size_t n = reads.Next(std::min(framer.Missing(), size - at));
        std::memcpy(framer.Space(), data + at, n);
        at += n;
        const engine::PacketFramer::State state = framer.Commit(n);
        if (state == engine::PacketFramer::State::TooLong) break;  // the connection ends
        if (state != engine::PacketFramer::State::Complete) continue;
        const std::vector<uint8_t> packet = framer.TakePacket();
        // An exact heap block: a read past the packet is caught.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[packet.size()]);
        std::memcpy(exact.get(), packet.data(), packet.size());
        session.Dispatch(exact.get(), packet.size());
        live.queue.Clear();
    }

    if (batched) session.EndHistoryBatch();
    // What the client and the engine read back after such a session.
    enginefuzz::CheckStore(live.store);
    session.LoadContactFiles(kOwnId);
    session.RequestFriendUpdate(kOwnId);
    session.RequestTalkList(kOwnId, TALKLIST_TALK, false);
    session.RequestMsgRecords(kOwnId, kPeerId, 0);
    session.RequestMsgRecords(kOwnId, kPeerId, 1);
    std::vector<int32_t> owners;
    for (const auto& [id, record] : live.store.friendLists) owners.push_back(id);
    for (int32_t id : owners) {
        FriendListRecord& record = live.store.FriendListAt(id);
        session.GetUserData(record, 8);
        session.GetUserData(record, 9);
        session.LoadContactFiles(id);
        session.RequestFriendUpdate(id);
    }
    for (int kind = 0; kind < 3; ++kind) session.RequestTalkList(kOwnId, kind, false);
    enginefuzz::CheckStore(live.store);
    TextMsgRecord copy;
    for (const auto& [id, msg] : std::map<int32_t, TextMsgRecord>(live.store.sentMsgs))
        live.store.TakeSentMsg(id, copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    enginefuzz::ScratchFolder::Instance().Empty();
    RunStream(engine::EngineVariant::Desk, data[0], data + 1, size - 1);
    enginefuzz::ScratchFolder::Instance().Empty();
    RunStream(engine::EngineVariant::Messenger, data[0], data + 1, size - 1);
    return 0;
}
