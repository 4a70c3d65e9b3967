// The send queue: whole packets (header and body), one lock.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace engine {

using Packet = std::vector<uint8_t>;

class SendQueue {
public:
    void PushBack(Packet packet);
    void PushFront(Packet packet);
    // Clears the queue and pushes the packet: the log-on's start of a session.
    // `underLock` runs while the lock is held (the new connection is put in
    // place there, so that no packet popped before it is sent after it).
    template <class F>
    void ResetWith(Packet packet, F&& underLock) {
        std::lock_guard<std::mutex> lock(mutex_);
        underLock();
        queue_.clear();
        queue_.push_front(std::move(packet));
    }
    void ResetWith(Packet packet) { ResetWith(std::move(packet), [] {}); }
    // Pops the oldest packet; `underLock` runs with the lock held (it reads
    // the connection generation the packet belongs to).
    template <class F>
    bool PopFront(Packet& out, F&& underLock) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) return false;
        out = std::move(queue_.front());
        queue_.pop_front();
        underLock();
        return true;
    }
    bool PopFront(Packet& out) { return PopFront(out, [] {}); }
    void Clear();
    bool Empty() const;
    size_t Size() const;
    // Copy of the queue's packets, oldest first (tests).
    std::vector<Packet> Snapshot() const;

private:
    mutable std::mutex mutex_;
    std::deque<Packet> queue_;
};

}  // namespace engine
