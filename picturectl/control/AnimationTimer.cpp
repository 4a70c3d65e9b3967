#include "AnimationTimer.h"

#include <mmsystem.h>

#include <algorithm>

namespace mervale {

namespace {

// Running timers by the id SetTimer returned, for the timer procedure.
struct RunningTimer {
    UINT_PTR id;
    CAnimationTimer* timer;
};
SRWLOCK g_runningLock = SRWLOCK_INIT;
std::vector<RunningTimer>& Running() {
    static std::vector<RunningTimer> running;
    return running;
}

UINT_PTR g_nextTimerId = 10000;

}  // namespace

CAnimationTimer::CAnimationTimer(UINT_PTR fixedId) : m_fixedId(fixedId) { InitializeCriticalSection(&m_lock); }

CAnimationTimer::~CAnimationTimer() {
    Kill();
    DeleteCriticalSection(&m_lock);
}

bool CAnimationTimer::Start() {
    EnterCriticalSection(&m_lock);
    bool ok = m_timerId != 0;
    if (!ok) {
        m_askedId = m_fixedId != 0 ? m_fixedId : g_nextTimerId++;
        // Without a window the platform chooses the id: keep what it returns.
        m_timerId = SetTimer(nullptr, m_askedId, kPeriodMs, &CAnimationTimer::TimerProc);
        ok = m_timerId != 0;
        if (ok) {
            AcquireSRWLockExclusive(&g_runningLock);
            Running().push_back({m_timerId, this});
            ReleaseSRWLockExclusive(&g_runningLock);
        }
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

void CAnimationTimer::Add(FrameClient* client) {
    EnterCriticalSection(&m_lock);
    if (std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end()) m_clients.push_back(client);
    LeaveCriticalSection(&m_lock);
}

void CAnimationTimer::Remove(FrameClient* client) {
    EnterCriticalSection(&m_lock);
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
    if (m_clients.empty()) Kill();
    LeaveCriticalSection(&m_lock);
}

bool CAnimationTimer::Contains(FrameClient* client) const {
    EnterCriticalSection(&m_lock);
    const bool found = std::find(m_clients.begin(), m_clients.end(), client) != m_clients.end();
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
        AcquireSRWLockExclusive(&g_runningLock);
        auto& running = Running();
        running.erase(std::remove_if(running.begin(), running.end(),
                                     [this](const RunningTimer& r) { return r.timer == this; }),
                      running.end());
        ReleaseSRWLockExclusive(&g_runningLock);
        m_timerId = 0;
    }
    LeaveCriticalSection(&m_lock);
}

VOID CALLBACK CAnimationTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    CAnimationTimer* timer = nullptr;
    AcquireSRWLockShared(&g_runningLock);
    for (const RunningTimer& r : Running()) {
        if (r.id == id) timer = r.timer;
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
