// Every sent message ends in exactly one WM_IM_MSGSENT or WM_IM_MSGFAILED,
// whichever way its outcome comes: an acknowledgement, a packet that never
// left, or a connection that ended before the acknowledgement came.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "TestSupport.h"

using namespace sessiontest;
using engine::EngineVariant;

namespace {

constexpr int32_t kTime = 101010123;

std::vector<uint8_t> Ack(int32_t msgId, int32_t result) {
    return Cat({W(20261210), W(90000000), W(msgId), W(result)});
}

void ReportQueued(SessionFixture& f) {
    for (const auto& packet : f.queue.Snapshot()) f.session->ReportUnsentPacket(packet);
}

TEST(MessageOutcome, ExactlyOneOutcomeWhateverComesAfter) {
    const Note sent = Posted(WM_IM_MSGSENT, kTime, 90000000);
    const Note failedByAck = Posted(WM_IM_MSGFAILED, kTime, 90000000);
    const Note failed = Posted(WM_IM_MSGFAILED, kTime, kTime);
    const struct {
        const char* name;
        int32_t type;
        std::function<void(SessionFixture&)> events;
        std::vector<Note> expected;
    } cases[] = {
        {"acknowledged, then the connection ends",
         0,
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
             f.session->FailAwaitingMessages();
         },
         {sent}},
        {"stored for an offline peer, then the connection ends",
         0,
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 5));
             f.session->FailAwaitingMessages();
         },
         {sent}},
        {"refused by the server, then the connection ends",
         0,
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 2));
             f.session->FailAwaitingMessages();
         },
         {failedByAck}},
        {"sent, the connection ends twice",
         0,
         [](SessionFixture& f) {
             f.session->FailAwaitingMessages();
             f.session->FailAwaitingMessages();
         },
         {failed}},
        {"never sent, then the connection ends",
         0,
         [](SessionFixture& f) {
             ReportQueued(f);
             f.session->FailAwaitingMessages();
         },
         {failed}},
        {"the connection ends, then the queue is dropped",
         0,
         [](SessionFixture& f) {
             f.session->FailAwaitingMessages();
             ReportQueued(f);
         },
         {failed}},
        {"the connection ends, then a late acknowledgement",
         0,
         [](SessionFixture& f) {
             f.session->FailAwaitingMessages();
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 2));
         },
         {failed}},
        {"acknowledged twice",
         0,
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
         },
         {sent}},
        {"taken by the client, then the same id is sent again",
         0,
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
             TextMsgRecord copy{};
             EXPECT_TRUE(f.session->TakeSentMsg(kTime, copy));
             f.session->SendTextMsg(Outgoing(kTime));
             f.session->FailAwaitingMessages();
         },
         {sent, failed}},
        {"a message that is not kept as sent",
         1,
         [](SessionFixture& f) {
             ReportQueued(f);
             f.session->FailAwaitingMessages();
         },
         {}},
    };
    for (const auto& c : cases) {
        for (EngineVariant v : {EngineVariant::Desk, EngineVariant::Messenger}) {
            SCOPED_TRACE(std::string(c.name) + " / " + VariantName(v));
            SessionFixture f(v);
            f.session->SendTextMsg(Outgoing(kTime, c.type));
            c.events(f);
            EXPECT_EQ(f.notifier.notes, c.expected);
        }
    }
}

TEST(MessageOutcome, EveryMessageStillWaitingFailsOnce) {
    SessionFixture f(EngineVariant::Desk);
    for (int32_t t : {100, 200, 300}) f.session->SendTextMsg(Outgoing(t));
    f.Deliver(CMD_TEXT_MSG, Ack(200, 1));
    f.notifier.notes.clear();
    f.session->FailAwaitingMessages();
    EXPECT_EQ(f.notifier.notes,
              (std::vector<Note>{Posted(WM_IM_MSGFAILED, 100, 100), Posted(WM_IM_MSGFAILED, 300, 300)}));
    // The held copies stay for the client to read back.
    TextMsgRecord out{};
    EXPECT_TRUE(f.store.TakeSentMsg(100, out));
    EXPECT_STREQ(out.text, "hello");
}

}  // namespace
