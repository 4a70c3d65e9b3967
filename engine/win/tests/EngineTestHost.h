// EngineTestHost: a message-only window standing in for the client's main
// window in the engine's tests under Wine. It records every engine message
// with its parameters, whether it came through the queue (posted) or was
// sent, and the thread it arrived on, and waits for one with a deadline.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "ImEngineApi.h"

struct RecordedMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool posted = false;
    DWORD thread = 0;  // the thread the window procedure ran on
};

class EngineTestHost {
public:
    EngineTestHost();
    ~EngineTestHost();
    EngineTestHost(const EngineTestHost&) = delete;
    EngineTestHost& operator=(const EngineTestHost&) = delete;

    HWND Window() const { return window_; }
    // Runs the message loop for `ms`.
    void Pump(DWORD ms);
    // Pumps until a message `message` (with wParam `wParam` unless -1) is
    // recorded at or after index `from`; its index, or -1 at the deadline.
    int WaitFor(UINT message, long long wParam = -1, DWORD timeoutMs = 10000, size_t from = 0);
    // Pumps until `done` holds or the deadline passes.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
    const std::vector<RecordedMessage>& Messages() const { return messages_; }
    size_t Count(UINT message) const;
    void Clear() { messages_.clear(); }
    // Runs inside the window procedure for every engine message, after it
    // is recorded: a sent notification's data can be read here.
    std::function<void(const RecordedMessage&)> onMessage;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PumpOnce(DWORD waitMs);

    HWND window_ = nullptr;
    std::vector<RecordedMessage> messages_;
    const MSG* dispatching_ = nullptr;  // the queued message being dispatched
};

// Threads of this process right now.
int ProcessThreadCount();
