#include "SendQueue.h"

#include <iterator>

namespace engine {

void SendQueue::PushBack(Packet packet) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(packet));
    }
    Pushed();
}

void SendQueue::PushFront(Packet packet) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.insert(queue_.begin() + static_cast<std::ptrdiff_t>(frontLane_), std::move(packet));
        ++frontLane_;
    }
    Pushed();
}

void SendQueue::PushFirst(Packet packet) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_front(std::move(packet));
        ++frontLane_;
    }
    Pushed();
}

std::vector<Packet> SendQueue::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Packet> dropped(std::make_move_iterator(queue_.begin()),
                                std::make_move_iterator(queue_.end()));
    queue_.clear();
    frontLane_ = 0;
    return dropped;
}

bool SendQueue::Empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.empty();
}

size_t SendQueue::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

std::vector<Packet> SendQueue::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<Packet>(queue_.begin(), queue_.end());
}

}  // namespace engine
