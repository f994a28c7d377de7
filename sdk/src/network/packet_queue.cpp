// The bounded packet queue between the I/O and processing threads.
#include "packet_queue.h"

#include <chrono>

namespace druvex_sdk {

void PacketQueue::push(PacketPtr packet) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ > max_waiting) clear_locked();
        if (count_ == ring_.size()) grow();
        ring_[(head_ + count_) % ring_.size()] = std::move(packet);
        ++count_;
    }
    not_empty_.notify_one();
}

PacketQueue::PacketPtr PacketQueue::pop(float timeout_sec) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (count_ == 0) {
        if (!(timeout_sec > 0.0f)) return nullptr;
        const auto wait = std::chrono::microseconds(static_cast<int64_t>(timeout_sec * 1e6f));
        const auto deadline = std::chrono::steady_clock::now() + wait;
        if (!not_empty_.wait_until(lock, deadline, [this] { return count_ != 0; })) return nullptr;
    }
    PacketPtr packet = std::move(ring_[head_]);
    head_ = (head_ + 1) % ring_.size();
    --count_;
    return packet;
}

size_t PacketQueue::size() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}

void PacketQueue::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    clear_locked();
}

void PacketQueue::clear_locked() {
    for (; count_ > 0; --count_) {
        ring_[head_].reset();
        head_ = (head_ + 1) % ring_.size();
    }
    head_ = 0;
}

// Doubles the ring, moving the waiting packets to its front in order.
void PacketQueue::grow() {
    std::vector<PacketPtr> bigger(ring_.empty() ? 64 : ring_.size() * 2);
    for (size_t i = 0; i < count_; ++i) bigger[i] = std::move(ring_[(head_ + i) % ring_.size()]);
    ring_.swap(bigger);
    head_ = 0;
}

}  // namespace druvex_sdk
