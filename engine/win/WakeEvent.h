// WakeEvent: an auto-reset Win32 event that one thread signals to end
// another's wait early (the send thread's pause on an empty queue). Owns
// its handle. The waiting thread arms it before it waits; a signal sets the
// event only while it is armed, so that a busy thread costs its producers
// no event call per packet.
#pragma once

#include <windows.h>

#include <atomic>

class WakeEvent {
public:
    WakeEvent() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~WakeEvent() {
        if (event_) CloseHandle(event_);
    }
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    // The waiter: Arm, check for work once more, then wait; Disarm after.
    void Arm() { armed_.store(true); }
    void Disarm() { armed_.store(false); }
    void Signal() {
        if (event_ && armed_.exchange(false)) SetEvent(event_);
    }
    HANDLE Handle() const { return event_; }

private:
    HANDLE event_;
    std::atomic<bool> armed_{false};
};
