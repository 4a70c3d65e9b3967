#include "SendQueue.h"

namespace engine {

void SendQueue::PushBack(Packet packet) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(packet));
}

void SendQueue::PushFront(Packet packet) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_front(std::move(packet));
}

void SendQueue::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
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
