// CAnimationTimer: the frame timer shared by all controls of one class. A
// thread timer (no window) fires every 10 ms on the thread that started it
// and calls the frame routine of every control that has joined.
#pragma once

#include <windows.h>

#include <vector>

namespace mervale {

// What the timer calls; the timer keeps the client alive during one tick.
class FrameClient {
public:
    virtual void OnFrameTime(DWORD now) = 0;
    virtual void HoldForTick() = 0;
    virtual void ReleaseAfterTick() = 0;

protected:
    ~FrameClient() = default;

private:
    friend class CAnimationTimer;
    // The client's place in its timer's list; kNotJoined while it is in none.
    static constexpr size_t kNotJoined = static_cast<size_t>(-1);
    size_t m_timerSlot = kNotJoined;
};

class CAnimationTimer {
public:
    static constexpr UINT kPeriodMs = 10;

    // fixedId 0: each start asks for the next id of the module-wide counter.
    explicit CAnimationTimer(UINT_PTR fixedId = 0);
    ~CAnimationTimer();
    CAnimationTimer(const CAnimationTimer&) = delete;
    CAnimationTimer& operator=(const CAnimationTimer&) = delete;

    // Starts the timer unless it runs; false when the platform refuses.
    bool Start();
    bool IsRunning() const;
    // Add, Remove and Contains take constant time: a tick over n joined
    // controls costs n calls, however many of them join or leave meanwhile.
    void Add(FrameClient* client);
    // Drops the client; the timer is killed when the last one leaves.
    void Remove(FrameClient* client);
    bool Contains(FrameClient* client) const;
    size_t ClientCount() const;

    // Kills every running timer of the library before its code goes away
    // (the library's unload): no tick may reach the unloaded code.
    static void StopAll();

private:
    static VOID CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
    void Tick();
    void Kill();

    mutable CRITICAL_SECTION m_lock;
    std::vector<FrameClient*> m_clients;
    UINT_PTR m_fixedId;
    UINT_PTR m_askedId = 0;
    UINT_PTR m_timerId = 0;  // the id SetTimer returned: the one to kill
};

}  // namespace mervale
