// Soak under faults: two engine hosts exchange messages through the
// stand-in chat server while it plays the "chaos" fault on every connection
// (replies cut at random points across reads, small delays and stalls that
// change the timing of the two connections against each other, and the
// connection ended at a random packet count). The engines reconnect and
// log on again by themselves each time. At the end:
//   - every sent message ended in exactly one WM_IM_MSGSENT or WM_IM_MSGFAILED;
//   - every acknowledged message was taken from the receiver's queue, and is
//     in the receiver's history, exactly once (and nothing twice at all);
//   - after the log-out no worker thread is left;
//   - the process's private bytes after the run are within a small bound of
//     what they were after the first thousand messages.
// No crash and no hang: the whole run has a deadline.
#include <winsock2.h>
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "ChatServerControl.h"
#include "MessagingPeer.h"
#include "WinsockSession.h"

namespace {

constexpr int32_t kFirstUser = 41001;
constexpr int32_t kSecondUser = 41002;
constexpr size_t kMessagesEach = 5000;      // 10,000 in all
constexpr size_t kWindow = 24;              // messages in flight per host
constexpr DWORD kDeadlineMs = 8 * 60 * 1000;
constexpr size_t kMemoryBound = 6u << 20;   // private bytes allowed to grow after the first thousand
constexpr int kChaosConnections = 900;      // script steps (connections) with the fault

void PumpOnce(DWORD waitMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

template <class F>
bool PumpUntil(F done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        PumpOnce(5);
    }
    return true;
}

// True while one of the threads still exists in this process.
bool AnyAlive(const std::vector<DWORD>& threads) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return true;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool alive = false;
    for (BOOL more = Thread32First(snapshot, &entry); more && !alive; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            for (DWORD id : threads) alive = alive || entry.th32ThreadID == id;
    CloseHandle(snapshot);
    return alive;
}

size_t CountWhere(const std::vector<uint8_t>& v, uint8_t value) {
    size_t n = 0;
    for (uint8_t x : v) n += x == value;
    return n;
}

TEST(Soak, TwoHostsExchangeTenThousandMessagesThroughFaults) {
    WinsockSession winsock;
    ASSERT_TRUE(winsock.Ok());
    ChatServerControl control;
    ASSERT_TRUE(control.Connected()) << "no stand-in chat server (QV_CONTROL_PORT)";
    std::string script = "SCRIPT";
    for (int i = 0; i < kChaosConnections; ++i) script += " chaos:" + std::to_string(7919 * (i + 1));
    ASSERT_EQ(control.Command(script), "OK");
    ASSERT_EQ(control.Command("CLEAR"), "OK");

    const std::wstring folderA = MakeTempFolder(L"qv-soak-a-");
    const std::wstring folderB = MakeTempFolder(L"qv-soak-b-");
    {
        MessagingPeer a(kFirstUser, kSecondUser, folderA, kMessagesEach);
        MessagingPeer b(kSecondUser, kFirstUser, folderB, kMessagesEach);
        a.Logon(L"soak", ChatServerControl::ChatPort());
        b.Logon(L"soak", ChatServerControl::ChatPort());
        ASSERT_TRUE(PumpUntil([&] { return a.LoggedOn() && b.LoggedOn(); }, 20000));
        // The engines' workers (a reconnect keeps them; only a new session
        // starts others).
        std::vector<DWORD> workers;
        for (MessagingPeer* p : {&a, &b})
            for (const auto& e : p->App().Threads().Snapshot()) workers.push_back(e->id);
        EXPECT_EQ(workers.size(), 6u);

        const DWORD start = GetTickCount();
        size_t memoryAfterThousand = 0;
        auto topUp = [](MessagingPeer& p) {
            while (p.Sent() < kMessagesEach && p.Outstanding() < kWindow) p.Send(p.Sent());
        };
        const bool finished = PumpUntil(
            [&] {
                topUp(a);
                topUp(b);
                if (!memoryAfterThousand && a.Outcomes() + b.Outcomes() >= 1000) memoryAfterThousand = ProcessPrivateBytes();
                return a.Outcomes() == kMessagesEach && b.Outcomes() == kMessagesEach;
            },
            kDeadlineMs);
        const DWORD tookMs = GetTickCount() - start;
        // Deliveries still on their way to the receivers (the last acknowledgements
        // can overtake the messages they acknowledge).
        auto delivered = [](const MessagingPeer& from, const MessagingPeer& to) {
            for (size_t n = 0; n < kMessagesEach; ++n)
                if (from.Acknowledged()[n] && !to.ReceivedCounts()[n]) return false;
            return true;
        };
        PumpUntil([&] { return delivered(a, b) && delivered(b, a); }, 20000);
        const size_t memoryAtEnd = ProcessPrivateBytes();

        std::printf("soak: %u ms, outcomes %u + %u, acknowledged %u + %u, received %u + %u, "
                    "reconnects %u + %u, log-ons %u + %u, private bytes %u KB after 1000, %u KB at the end\n",
                    unsigned(tookMs), unsigned(a.Outcomes()), unsigned(b.Outcomes()),
                    unsigned(CountWhere(a.Acknowledged(), 1)), unsigned(CountWhere(b.Acknowledged(), 1)),
                    unsigned(b.Received()), unsigned(a.Received()), unsigned(a.Reconnects()),
                    unsigned(b.Reconnects()), unsigned(a.Logons()), unsigned(b.Logons()),
                    unsigned(memoryAfterThousand / 1024), unsigned(memoryAtEnd / 1024));
        ASSERT_TRUE(finished) << "outcomes " << a.Outcomes() << " and " << b.Outcomes() << " of " << kMessagesEach;

        // The faults did happen.
        EXPECT_GE(a.Reconnects() + b.Reconnects(), 10u);

        const struct {
            const char* what;
            MessagingPeer& from;
            MessagingPeer& to;
        } directions[] = {{"first to second", a, b}, {"second to first", b, a}};
        for (const auto& d : directions) {
            SCOPED_TRACE(d.what);
            const std::vector<uint8_t> history = d.to.HistoryCounts();
            size_t wrongOutcomes = 0, lost = 0, twice = 0, notInHistory = 0, historyTwice = 0;
            for (size_t n = 0; n < kMessagesEach; ++n) {
                wrongOutcomes += d.from.OutcomeCounts()[n] != 1;
                twice += d.to.ReceivedCounts()[n] > 1;
                historyTwice += history[n] > 1;
                if (d.from.Acknowledged()[n]) {
                    lost += d.to.ReceivedCounts()[n] == 0;
                    notInHistory += history[n] == 0;
                }
            }
            EXPECT_EQ(wrongOutcomes, 0u) << "messages without exactly one outcome";
            EXPECT_EQ(lost, 0u) << "acknowledged messages that never reached the receiver's queue";
            EXPECT_EQ(twice, 0u) << "messages received twice";
            EXPECT_EQ(notInHistory, 0u) << "acknowledged messages missing from the receiver's history";
            EXPECT_EQ(historyTwice, 0u) << "messages in the receiver's history twice";
            EXPECT_EQ(d.to.Foreign(), 0u) << "received messages that were never sent";
        }
        EXPECT_GT(CountWhere(a.Acknowledged(), 1) + CountWhere(b.Acknowledged(), 1), kMessagesEach)
            << "most messages get through";

        ASSERT_NE(memoryAfterThousand, 0u);
        EXPECT_LE(memoryAtEnd, memoryAfterThousand + kMemoryBound)
            << "private bytes grew from " << memoryAfterThousand << " to " << memoryAtEnd;

        // MLogonOut ends every worker of both engines.
        a.Logout();
        b.Logout();
        EXPECT_TRUE(a.App().Threads().Empty());
        EXPECT_TRUE(b.App().Threads().Empty());
        EXPECT_EQ(a.App().Threads().LingeringCount(), 0u);
        EXPECT_EQ(b.App().Threads().LingeringCount(), 0u);
        EXPECT_TRUE(PumpUntil([&] { return !AnyAlive(workers); }, 5000)) << "a worker thread is still running";
    }
    ASSERT_EQ(control.Command("SCRIPT"), "OK");
    RemoveFolderTree(folderA);
    RemoveFolderTree(folderB);
}

}  // namespace
