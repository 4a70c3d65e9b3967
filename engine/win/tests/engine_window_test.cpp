// The engine window on the UI thread: packets and events arrive in one
// order, and a flood of them does not keep the thread from answering
// meanwhile.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "EngineWindow.h"

namespace {

class SlowHandler : public IEngineWindowHandler {
public:
    void HandlePacket(uint32_t, const std::vector<uint8_t>& packet) override {
        order.push_back(packet.empty() ? -1 : packet[0] | (packet[1] << 8));
        handled.store(static_cast<int>(order.size()));
        Sleep(5);  // a client that takes its time over each message
    }
    // An event is noted as 10000 + its number.
    void HandleEvent(EngineEvent event, uint32_t) override {
        order.push_back(10000 + static_cast<int>(event));
        handled.store(static_cast<int>(order.size()));
    }
    std::vector<int> order;
    std::atomic<int> handled{0};
};

void PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

TEST(EngineWindowTest, AFloodOfPacketsLeavesTheThreadAnsweringAndKeepsTheirOrder) {
    constexpr int kPackets = 200;
    SlowHandler handler;
    CEngineWindow window(handler);
    ASSERT_TRUE(window.Create());
    HWND target = window.Handle();

    // Another thread delivers the flood, then asks the window thread a
    // question once the first packet is being handled and notes how far the
    // dispatch had got when the answer came.
    std::atomic<int> handledAtAnswer{-1};
    std::atomic<bool> done{false};
    std::thread peer([&] {
        for (int i = 0; i < kPackets; ++i)
            window.Deliver(1, {static_cast<uint8_t>(i & 0xFF), static_cast<uint8_t>(i >> 8)}, nullptr);
        while (handler.handled.load() == 0) Sleep(1);
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result))
            handledAtAnswer.store(handler.handled.load());
        done.store(true);
    });
    PumpUntil([&] { return done.load() && handler.handled.load() >= kPackets; }, 180000);
    peer.join();

    ASSERT_EQ(handler.handled.load(), kPackets);
    for (int i = 0; i < kPackets; ++i) ASSERT_EQ(handler.order[i], i) << "packet " << i;
    EXPECT_GT(handledAtAnswer.load(), 0);
    EXPECT_LT(handledAtAnswer.load(), kPackets) << "the thread answered only once the whole flood was handled";
    window.Destroy();
}

// Events raised on another thread keep their place among the packets, also
// when the packets before them take several slices to hand out (a
// reconnect must not be handled before the acknowledgements received
// ahead of it), and also when the thread is busy with input meanwhile.
TEST(EngineWindowTest, EventsKeepTheirPlaceAmongThePackets) {
    const struct {
        const char* name;
        bool inputWaiting;
    } cases[] = {{"nothing else waiting", false}, {"input waiting", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SlowHandler handler;
        CEngineWindow window(handler);
        ASSERT_TRUE(window.Create());
        // 40 packets of 5 ms each: several slices. Then an event, 10
        // packets, the second event, 10 packets.
        std::vector<int> expected;
        std::thread peer([&] {
            int n = 0;
            auto packets = [&](int count) {
                for (int i = 0; i < count; ++i, ++n)
                    window.Deliver(1, {static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8)}, nullptr);
            };
            packets(40);
            window.PostEvent(EngineEvent::Reconnecting, 1);
            packets(10);
            window.PostEvent(EngineEvent::ReconnectFailed, 1);
            packets(10);
        });
        for (int i = 0; i < 40; ++i) expected.push_back(i);
        expected.push_back(10000 + static_cast<int>(EngineEvent::Reconnecting));
        for (int i = 40; i < 50; ++i) expected.push_back(i);
        expected.push_back(10000 + static_cast<int>(EngineEvent::ReconnectFailed));
        for (int i = 50; i < 60; ++i) expected.push_back(i);
        if (c.inputWaiting) {
            // Input queued for this thread makes a slice's end wait for
            // the resume timer.
            HWND input = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
            for (int i = 0; i < 20; ++i) PostMessageW(input, WM_KEYDOWN, 'A', 0);
            PumpUntil([&] { return handler.handled.load() >= int(expected.size()); }, 60000);
            DestroyWindow(input);
        } else {
            PumpUntil([&] { return handler.handled.load() >= int(expected.size()); }, 60000);
        }
        peer.join();
        EXPECT_EQ(handler.order, expected);
        window.Destroy();
    }
}

}  // namespace
