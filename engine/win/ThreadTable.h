// The engine's worker threads: thread id -> ThreadInfo (handle, stop event,
// stopped event), ordered by thread id.
//
// A ThreadInfo closes its handles when it is destroyed, and it is destroyed
// only once its thread has signalled the stopped event (after that the
// thread runs no engine code and touches none of its handles). A thread
// that did not stop within the wait lingers here until it has.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

enum class WorkerKind { Send, Receive, Heartbeat };

struct ThreadInfo {
    ThreadInfo(DWORD id, WorkerKind kind, uint32_t session, HANDLE thread)
        : id(id), kind(kind), session(session), thread(thread) {}
    ~ThreadInfo();
    ThreadInfo(const ThreadInfo&) = delete;
    ThreadInfo& operator=(const ThreadInfo&) = delete;

    // True once the thread has signalled its stopped event or has ended.
    bool HasStopped() const;

    const DWORD id;
    const WorkerKind kind;
    const uint32_t session;
    HANDLE thread;
    HANDLE stop = nullptr;     // manual-reset, created not signalled
    HANDLE stopped = nullptr;  // manual-reset, created not signalled
    // Set with the stop event: the loops test it per packet without an
    // event call; they wait on the event.
    std::atomic<bool> stopRequested{false};
    void RequestStop() {
        stopRequested.store(true);
        if (stop) SetEvent(stop);
    }
};

class CThreadTable {
public:
    using Entry = std::shared_ptr<ThreadInfo>;

    void Add(Entry entry);
    // The table's entry of a thread, or its lingering one: an entry is found
    // from before its thread starts until after it has stopped.
    Entry Find(DWORD threadId) const;
    std::vector<Entry> Snapshot() const;  // in thread-id order
    bool Empty() const;

    // Takes stopped threads out of the table; one that did not stop in time
    // keeps its handles in the lingering list until it has.
    void Retire(const std::vector<Entry>& entries);
    // Lets go of the lingering threads that have stopped since.
    void PurgeLingering();
    std::vector<Entry> Lingering() const;
    size_t LingeringCount() const;

private:
    mutable std::mutex lock_;
    std::map<DWORD, Entry> table_;
    std::vector<Entry> lingering_;
};
