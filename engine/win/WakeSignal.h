// WakeSignal: ends one thread's wait early from another thread (the send
// thread's pause on an empty queue, woken by a push or a stop).
//
// Built on a slim reader/writer lock and a condition variable rather than an
// event: under Wine these wait and wake through futexes in the process, while
// every event call is a round trip to the wine server. A hand-off from the
// client's thread to the send thread therefore costs no server request at
// all. The waiting thread arms the signal before its last look at the queue;
// a signal sets the pending flag and wakes only while armed, so a busy send
// thread costs its producers nothing but one atomic exchange per packet.
#pragma once

#include <windows.h>

#include <atomic>

class WakeSignal {
public:
    WakeSignal() {
        InitializeSRWLock(&lock_);
        InitializeConditionVariable(&changed_);
    }
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // The waiter: Arm, check for work once more, then Wait.
    void Arm() { armed_.store(true); }
    // Waits until signalled (since Arm) or `timeoutMs` passed; disarms.
    void Wait(DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        AcquireSRWLockExclusive(&lock_);
        while (!pending_) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end) break;
            if (!SleepConditionVariableSRW(&changed_, &lock_, DWORD(end - now), 0) &&
                GetLastError() == ERROR_TIMEOUT)
                break;
        }
        pending_ = false;
        ReleaseSRWLockExclusive(&lock_);
        armed_.store(false);
    }
    // Any thread: wakes an armed waiter.
    void Signal() {
        if (armed_.exchange(false)) Wake();
    }
    // Any thread: wakes every waiter, armed or about to wait (a stop).
    void WakeAll() {
        armed_.store(false);
        Wake();
    }

private:
    void Wake() {
        AcquireSRWLockExclusive(&lock_);
        pending_ = true;
        ReleaseSRWLockExclusive(&lock_);
        WakeAllConditionVariable(&changed_);
    }

    SRWLOCK lock_;
    CONDITION_VARIABLE changed_;
    bool pending_ = false;  // under lock_
    std::atomic<bool> armed_{false};
};
