#include "AnimationTimer.h"

#include <mmsystem.h>

namespace mervale {

namespace {

// Running timers by the id SetTimer returned, for the timer procedure. A
// fixed table of plain entries (one timer per control class runs at a
// time): it has nothing to destroy, so no tick and no unload ever meets it
// destroyed.
struct RunningTimer {
    UINT_PTR id;
    CAnimationTimer* timer;
};
constexpr size_t kMaxRunning = 8;
SRWLOCK g_runningLock = SRWLOCK_INIT;
RunningTimer g_running[kMaxRunning];

UINT_PTR g_nextTimerId = 10000;

void Unregister(const CAnimationTimer* timer) {
    AcquireSRWLockExclusive(&g_runningLock);
    for (RunningTimer& r : g_running) {
        if (r.timer == timer) r = {};
    }
    ReleaseSRWLockExclusive(&g_runningLock);
}

}  // namespace

CAnimationTimer::CAnimationTimer(UINT_PTR fixedId) : m_fixedId(fixedId) { InitializeCriticalSection(&m_lock); }

// Destroyed with the module's statics (at unload, after StopAll, or at
// process exit, when no tick comes any more): it only drops its entry, and
// waits for no lock that a thread ended by the exit may still hold.
CAnimationTimer::~CAnimationTimer() {
    Unregister(this);
    DeleteCriticalSection(&m_lock);
}

bool CAnimationTimer::Start() {
    EnterCriticalSection(&m_lock);
    bool ok = m_timerId != 0;
    if (!ok) {
        m_askedId = m_fixedId != 0 ? m_fixedId : g_nextTimerId++;
        // Without a window the platform chooses the id: keep what it returns.
        AcquireSRWLockExclusive(&g_runningLock);
        RunningTimer* free = nullptr;
        for (RunningTimer& r : g_running) {
            if (!r.timer && !free) free = &r;
        }
        if (free) {
            m_timerId = SetTimer(nullptr, m_askedId, kPeriodMs, &CAnimationTimer::TimerProc);
            if (m_timerId) *free = {m_timerId, this};
        }
        ReleaseSRWLockExclusive(&g_runningLock);
        ok = m_timerId != 0;
    }
    LeaveCriticalSection(&m_lock);
    return ok;
}

bool CAnimationTimer::IsRunning() const {
    EnterCriticalSection(&m_lock);
    const bool running = m_timerId != 0;
    LeaveCriticalSection(&m_lock);
    return running;
}

// A client is in one timer at most (its class's); its slot is its index in
// the list, so leaving moves the last client into the freed slot.
void CAnimationTimer::Add(FrameClient* client) {
    EnterCriticalSection(&m_lock);
    if (client->m_timerSlot == FrameClient::kNotJoined) {
        client->m_timerSlot = m_clients.size();
        m_clients.push_back(client);
    }
    LeaveCriticalSection(&m_lock);
}

void CAnimationTimer::Remove(FrameClient* client) {
    EnterCriticalSection(&m_lock);
    const size_t slot = client->m_timerSlot;
    if (slot < m_clients.size() && m_clients[slot] == client) {
        FrameClient* last = m_clients.back();
        m_clients[slot] = last;
        last->m_timerSlot = slot;
        m_clients.pop_back();
        client->m_timerSlot = FrameClient::kNotJoined;
    }
    if (m_clients.empty()) Kill();
    LeaveCriticalSection(&m_lock);
}

bool CAnimationTimer::Contains(FrameClient* client) const {
    EnterCriticalSection(&m_lock);
    const size_t slot = client->m_timerSlot;
    const bool found = slot < m_clients.size() && m_clients[slot] == client;
    LeaveCriticalSection(&m_lock);
    return found;
}

size_t CAnimationTimer::ClientCount() const {
    EnterCriticalSection(&m_lock);
    const size_t count = m_clients.size();
    LeaveCriticalSection(&m_lock);
    return count;
}

void CAnimationTimer::Kill() {
    EnterCriticalSection(&m_lock);
    if (m_timerId != 0) {
        KillTimer(nullptr, m_timerId);
        Unregister(this);
        m_timerId = 0;
    }
    LeaveCriticalSection(&m_lock);
}

// Runs at the library's unload, when no control should be left; one that a
// container leaked stays, without ticks, since none may reach the unloaded
// code.
void CAnimationTimer::StopAll() {
    AcquireSRWLockExclusive(&g_runningLock);
    for (RunningTimer& r : g_running) {
        if (r.timer) {
            KillTimer(nullptr, r.id);
            r.timer->m_timerId = 0;
        }
        r = {};
    }
    ReleaseSRWLockExclusive(&g_runningLock);
}

VOID CALLBACK CAnimationTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    CAnimationTimer* timer = nullptr;
    AcquireSRWLockShared(&g_runningLock);
    for (const RunningTimer& r : g_running) {
        if (r.timer && r.id == id) timer = r.timer;
    }
    ReleaseSRWLockShared(&g_runningLock);
    if (timer) timer->Tick();
}

// A frame routine may leave or join the timer, or release the last reference
// to another control: the tick walks a copy of the list, keeps each control
// alive meanwhile and skips one that has left since the copy was taken.
void CAnimationTimer::Tick() {
    EnterCriticalSection(&m_lock);
    const std::vector<FrameClient*> clients = m_clients;
    for (FrameClient* client : clients) client->HoldForTick();
    LeaveCriticalSection(&m_lock);

    const DWORD now = timeGetTime();
    for (FrameClient* client : clients) {
        if (Contains(client)) client->OnFrameTime(now);
    }
    for (FrameClient* client : clients) client->ReleaseAfterTick();
}

}  // namespace mervale
