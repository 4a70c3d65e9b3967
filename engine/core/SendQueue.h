// The send queue: whole packets (header and body), one lock.
//
// Packets pushed "at the front" (the log-out, the desk's text messages) go
// into a front lane: ahead of every packet pushed at the back, but behind the
// front packets queued before them, so that two messages typed in a row
// leave in the order they were typed and nothing overtakes the log-on that
// starts a session.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace engine {

using Packet = std::vector<uint8_t>;

class SendQueue {
public:
    // Called after every push (back, front, reset), outside the lock: the
    // runtime wakes its send thread with it. Set before any thread pushes.
    void SetPushListener(std::function<void()> listener) { pushed_ = std::move(listener); }

    void PushBack(Packet packet);
    void PushFront(Packet packet);
    // Ahead of everything queued, the front lane included: the log-out at a
    // stop, which must leave within the send thread's grace rounds whatever
    // the queue holds.
    void PushFirst(Packet packet);
    // Starts a session: clears the queue and puts the log-on packet first.
    // `underLock` runs while the lock is held (the new connection is put in
    // place there, so that no packet popped before it is sent after it).
    // Returns the packets that were dropped, oldest first.
    template <class F>
    std::vector<Packet> ResetWith(Packet logon, F&& underLock) {
        std::vector<Packet> dropped;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            underLock();
            dropped.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
            queue_.clear();
            queue_.push_back(std::move(logon));
            frontLane_ = 1;
        }
        Pushed();
        return dropped;
    }
    std::vector<Packet> ResetWith(Packet logon) { return ResetWith(std::move(logon), [] {}); }
    // Pops the oldest packet; `underLock` runs with the lock held (it reads
    // the connection generation the packet belongs to).
    template <class F>
    bool PopFront(Packet& out, F&& underLock) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) return false;
        out = std::move(queue_.front());
        queue_.pop_front();
        if (frontLane_ > 0) --frontLane_;
        underLock();
        return true;
    }
    bool PopFront(Packet& out) { return PopFront(out, [] {}); }
    // Pops the oldest packets, in order, while their bytes together stay
    // within `maxBytes` (the first one always): what the send thread can
    // hand to the socket at once. `underLock` as for PopFront.
    template <class F>
    bool PopRun(std::vector<Packet>& out, size_t maxBytes, F&& underLock) {
        out.clear();
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) return false;
        size_t bytes = 0;
        while (!queue_.empty() && (out.empty() || bytes + queue_.front().size() <= maxBytes)) {
            bytes += queue_.front().size();
            out.push_back(std::move(queue_.front()));
            queue_.pop_front();
            if (frontLane_ > 0) --frontLane_;
        }
        underLock();
        return true;
    }
    // Drops every packet; returns them, oldest first.
    std::vector<Packet> Clear();
    bool Empty() const;
    size_t Size() const;
    // Copy of the queue's packets, oldest first (tests).
    std::vector<Packet> Snapshot() const;

private:
    void Pushed() const {
        if (pushed_) pushed_();
    }

    std::function<void()> pushed_;
    mutable std::mutex mutex_;
    std::deque<Packet> queue_;
    size_t frontLane_ = 0;  // packets at the head that were pushed at the front
};

}  // namespace engine
