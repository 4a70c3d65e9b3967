#include "ThreadTable.h"

#include <algorithm>

ThreadInfo::~ThreadInfo() {
    for (HANDLE handle : {thread, stop, stopped})
        if (handle) CloseHandle(handle);
}

bool ThreadInfo::HasStopped() const {
    if (stopped && WaitForSingleObject(stopped, 0) == WAIT_OBJECT_0) return true;
    return thread && WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

void CThreadTable::Add(Entry entry) {
    std::lock_guard<std::mutex> lock(lock_);
    const DWORD id = entry->id;
    table_[id] = std::move(entry);
}

CThreadTable::Entry CThreadTable::Find(DWORD threadId) const {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = table_.find(threadId);
    if (it != table_.end()) return it->second;
    for (const Entry& e : lingering_)
        if (e->id == threadId) return e;
    return nullptr;
}

std::vector<CThreadTable::Entry> CThreadTable::Snapshot() const {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<Entry> out;
    for (const auto& [id, entry] : table_) out.push_back(entry);
    return out;
}


bool CThreadTable::Empty() const {
    std::lock_guard<std::mutex> lock(lock_);
    return table_.empty();
}

void CThreadTable::Retire(const std::vector<Entry>& entries) {
    std::lock_guard<std::mutex> lock(lock_);
    for (const Entry& entry : entries) {
        auto it = table_.find(entry->id);
        if (it == table_.end() || it->second != entry) continue;
        if (!entry->HasStopped()) lingering_.push_back(entry);
        table_.erase(it);
    }
}

void CThreadTable::PurgeLingering() {
    std::vector<Entry> stopped;
    {
        std::lock_guard<std::mutex> lock(lock_);
        auto split = std::stable_partition(lingering_.begin(), lingering_.end(),
                                           [](const Entry& e) { return !e->HasStopped(); });
        stopped.assign(std::make_move_iterator(split), std::make_move_iterator(lingering_.end()));
        lingering_.erase(split, lingering_.end());
    }
    // Handles close here, outside the lock.
}

std::vector<CThreadTable::Entry> CThreadTable::Lingering() const {
    std::lock_guard<std::mutex> lock(lock_);
    return lingering_;
}

size_t CThreadTable::LingeringCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    return lingering_.size();
}
