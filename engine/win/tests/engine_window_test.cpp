// The engine window on the UI thread: packets arrive in order, and a flood
// of them does not keep the thread from answering meanwhile.
#include <windows.h>

#include <atomic>
#include <cstdint>
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
    void HandleEvent(EngineEvent, uint32_t) override {}
    std::vector<int> order;
    std::atomic<int> handled{0};
};

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
    const DWORD start = GetTickCount();
    while ((!done.load() || handler.handled.load() < kPackets) && GetTickCount() - start < 180000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    peer.join();

    ASSERT_EQ(handler.handled.load(), kPackets);
    for (int i = 0; i < kPackets; ++i) ASSERT_EQ(handler.order[i], i) << "packet " << i;
    EXPECT_GT(handledAtAnswer.load(), 0);
    EXPECT_LT(handledAtAnswer.load(), kPackets) << "the thread answered only once the whole flood was handled";
    window.Destroy();
}

}  // namespace
