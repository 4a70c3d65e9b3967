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

// Ids are times of day and recur: a message whose id an older message had
// gets its own outcome and its own history record, whatever the older one
// ended in and whether its copy was taken.
TEST(MessageOutcome, AnIdUsedAgainGetsItsOwnOutcome) {
    for (EngineVariant v : {EngineVariant::Desk, EngineVariant::Messenger}) {
        for (int32_t firstResult : {2, 1}) {
            SCOPED_TRACE(std::string(VariantName(v)) + ", first acknowledged with " + std::to_string(firstResult));
            SessionFixture f(v);
            f.session->SendTextMsg(Outgoing(kTime));
            f.Deliver(CMD_TEXT_MSG, Ack(kTime, firstResult));  // its copy is never taken
            f.notifier.notes.clear();
            TextMsgRecord again = Outgoing(kTime);
            std::strcpy(again.text, "the next day");
            f.session->SendTextMsg(again);
            f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
            EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_MSGSENT, kTime, 90000000)});
            TextMsgRecord copy{};
            ASSERT_TRUE(f.session->TakeSentMsg(kTime, copy));
            EXPECT_STREQ(copy.text, "the next day");
            const std::wstring path =
                v == EngineVariant::Desk ? f.Own() + L"msg\\42.msg" : f.Own() + L"msg\\42\\42.msg";
            const std::string file = f.File(path);
            EXPECT_EQ(file.substr(file.size() - 12), "the next day");
        }
    }
}

// What is remembered of messages whose outcome went out, and whose copy the
// client never took (failed ones), stays bounded.
TEST(MessageOutcome, RememberedOutcomesAndCopiesAreBounded) {
    SessionFixture f(EngineVariant::Messenger);
    const size_t bound = CProtocolSession::kMaxRememberedOutcomes;
    for (size_t i = 0; i < bound + 100; ++i) {
        const int32_t id = int32_t(1000 + i);
        f.session->SendTextMsg(Outgoing(id));
        f.Deliver(CMD_TEXT_MSG, Ack(id, 2));
    }
    f.session->SendTextMsg(Outgoing(5));  // trims
    EXPECT_LE(f.session->RememberedOutcomes(), bound + 1);
    EXPECT_LE(f.store.sentMsgs.size(), bound + 1);
    // The newest are still there for the client to take.
    TextMsgRecord copy{};
    EXPECT_TRUE(f.session->TakeSentMsg(int32_t(1000 + bound + 99), copy));
    EXPECT_FALSE(f.session->TakeSentMsg(1000, copy));
}

// Across a reconnect: a chat message that never reached the server goes out
// after the new log-on reply; one that was sent but not acknowledged fails
// once as the reconnect starts; a refused log-on fails the held ones.
TEST(MessageOutcome, AReconnectHoldsTheUnsentAndFailsTheUnacknowledged) {
    for (EngineVariant v : {EngineVariant::Desk, EngineVariant::Messenger}) {
        for (int32_t logonResult : {LOGON_OK, LOGON_ERR_REPEATED}) {
            SCOPED_TRACE(std::string(VariantName(v)) + " / log-on " + std::to_string(logonResult));
            SessionFixture f(v);
            for (int32_t t : {100, 200, 300}) f.session->SendTextMsg(Outgoing(t));
            // One run of the three leaves; 100 and 200 reach the socket, 300
            // does not (the connection went down). An automatic reply (type
            // 1) queued after it is a chat message without an outcome.
            std::vector<engine::Packet> run = f.queue.Snapshot();
            f.queue.Clear();
            f.session->SendTextMsg(Outgoing(400, 1));
            ASSERT_EQ(run.size(), 3u);
            EXPECT_FALSE(f.session->MarkSent(run, run[0].size() + run[1].size(), 1));
            f.session->HoldUnsent(run[2]);
            // The reconnect marks what was sent lost, takes the queue (the
            // reply) for its log-on, and holds what is typed meanwhile.
            f.session->LoseSentMessages(1);
            f.session->AwaitLogon();
            f.session->SendTextMsg(Outgoing(500));  // typed before the log-on reply
            f.session->HoldForLogon(f.queue.Clear());
            EXPECT_EQ(f.session->HeldMessages(), 3u);
            EXPECT_TRUE(f.queue.Empty());
            f.session->FailLostMessages();
            EXPECT_EQ(f.notifier.notes,
                      (std::vector<Note>{Posted(WM_IM_MSGFAILED, 100, 100), Posted(WM_IM_MSGFAILED, 200, 200)}));
            f.notifier.notes.clear();
            f.Deliver(CMD_LOGON, Cat({W(kOwnId), W(logonResult)}));
            EXPECT_EQ(f.session->HeldMessages(), 0u);
            std::vector<int32_t> queuedMessages;
            for (const QueuedPacket& q : f.Queued())
                if (q.command == CMD_TEXT_MSG) queuedMessages.push_back(int32_t(q.body[8] | q.body[9] << 8));
            if (logonResult == LOGON_OK) {
                EXPECT_EQ(queuedMessages, (std::vector<int32_t>{300, 400, 500}));
                EXPECT_EQ(f.notifier.notes, std::vector<Note>{Posted(WM_IM_LOGON, 1, LOGON_OK)});
                f.Deliver(CMD_TEXT_MSG, Ack(300, 1));
                EXPECT_EQ(f.notifier.notes.back(), Posted(WM_IM_MSGSENT, 300, 90000000));
            } else {
                EXPECT_TRUE(queuedMessages.empty());
                EXPECT_EQ(f.notifier.notes,
                          (std::vector<Note>{Posted(WM_IM_MSGFAILED, 300, 300), Posted(WM_IM_MSGFAILED, 500, 500),
                                             Posted(WM_IM_LOGON, 0, LOGON_ERR_REPEATED)}));
            }
        }
    }
}

// The send thread records a message as sent once its bytes reached the
// socket; the reconnect may count the connection's messages lost (and the
// client may hear of it) between the two. A message recorded as sent on a
// connection whose loss came first is lost at once: it fails once, or is
// sent once when its acknowledgement came ahead of the failure.
TEST(MessageOutcome, AMessageRecordedAsSentAfterItsConnectionsLossGetsOneOutcome) {
    const Note sent = Posted(WM_IM_MSGSENT, kTime, 90000000);
    const Note failed = Posted(WM_IM_MSGFAILED, kTime, kTime);
    const struct {
        const char* name;
        std::function<void(SessionFixture&, const std::vector<engine::Packet>&)> events;
        std::vector<Note> expected;
    } cases[] = {
        {"the loss is told, then the message is recorded as sent on that connection",
         [](SessionFixture& f, const std::vector<engine::Packet>& run) {
             f.session->LoseSentMessages(1);
             f.session->FailLostMessages();
             EXPECT_TRUE(f.session->MarkSent(run, run[0].size(), 1));
             f.session->FailLostMessages();  // what the send thread's "lost" event does
             f.session->FailLostMessages();
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
         },
         {failed}},
        {"recorded as sent on an older connection than the one lost",
         [](SessionFixture& f, const std::vector<engine::Packet>& run) {
             f.session->LoseSentMessages(3);
             EXPECT_TRUE(f.session->MarkSent(run, run[0].size(), 2));
             f.session->FailLostMessages();
         },
         {failed}},
        {"recorded as sent before the loss is told",
         [](SessionFixture& f, const std::vector<engine::Packet>& run) {
             f.session->LoseSentMessages(1);
             EXPECT_TRUE(f.session->MarkSent(run, run[0].size(), 1));
             f.session->FailLostMessages();
             f.session->FailLostMessages();
         },
         {failed}},
        {"its acknowledgement came ahead of the failure",
         [](SessionFixture& f, const std::vector<engine::Packet>& run) {
             f.session->LoseSentMessages(1);
             f.session->FailLostMessages();
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
             EXPECT_FALSE(f.session->MarkSent(run, run[0].size(), 1));
             f.session->FailLostMessages();
         },
         {sent}},
        {"recorded as sent on the new connection",
         [](SessionFixture& f, const std::vector<engine::Packet>& run) {
             f.session->LoseSentMessages(1);
             f.session->FailLostMessages();
             EXPECT_FALSE(f.session->MarkSent(run, run[0].size(), 2));
             f.session->FailLostMessages();
             f.Deliver(CMD_TEXT_MSG, Ack(kTime, 1));
         },
         {sent}},
        {"the session ends after the late record",
         [](SessionFixture& f, const std::vector<engine::Packet>& run) {
             f.session->LoseSentMessages(1);
             f.session->FailLostMessages();
             EXPECT_TRUE(f.session->MarkSent(run, run[0].size(), 1));
             f.session->FailAwaitingMessages();
             f.session->FailLostMessages();
         },
         {failed}},
    };
    for (const auto& c : cases) {
        for (EngineVariant v : {EngineVariant::Desk, EngineVariant::Messenger}) {
            SCOPED_TRACE(std::string(c.name) + " / " + VariantName(v));
            SessionFixture f(v);
            f.session->SendTextMsg(Outgoing(kTime));
            const std::vector<engine::Packet> run = f.queue.Clear();
            ASSERT_EQ(run.size(), 1u);
            c.events(f, run);
            EXPECT_EQ(f.notifier.notes, c.expected);
        }
    }
}

}  // namespace
