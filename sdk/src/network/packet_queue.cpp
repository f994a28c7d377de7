// The bounded packet queue between the I/O and processing threads.
#include "packet_queue.h"

#include <chrono>

namespace druvex_sdk {

void PacketQueue::push(PacketPtr packet) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        append_locked(std::move(packet));
    }
    not_empty_.notify_one();
}

std::vector<PacketQueue::PacketPtr>& PacketQueue::no_spares() {
    thread_local std::vector<PacketPtr> none;
    return none;
}

void PacketQueue::push_batch(std::vector<PacketPtr>& packets, std::vector<PacketPtr>& spare,
                             size_t spares) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (PacketPtr& packet : packets) append_locked(std::move(packet));
        while (spare.size() < spares && !spares_.empty()) {
            spare.push_back(std::move(spares_.back()));
            spares_.pop_back();
        }
    }
    const bool pushed = !packets.empty();
    packets.clear();
    if (pushed) not_empty_.notify_one();
}

void PacketQueue::append_locked(PacketPtr packet) {
    if (count_ > max_waiting) {
        dropped_.fetch_add(count_, std::memory_order_relaxed);
        clear_locked();
    }
    if (count_ == ring_.size()) grow();
    ring_[(head_ + count_) % ring_.size()] = std::move(packet);
    ++count_;
}

bool PacketQueue::wait_locked(std::unique_lock<std::mutex>& lock, float timeout_sec) {
    if (count_ != 0) return true;
    if (!(timeout_sec > 0.0f)) return false;
    const auto wait = std::chrono::microseconds(static_cast<int64_t>(timeout_sec * 1e6f));
    const auto deadline = std::chrono::steady_clock::now() + wait;
    return not_empty_.wait_until(lock, deadline, [this] { return count_ != 0; });
}

PacketQueue::PacketPtr PacketQueue::take_locked() {
    PacketPtr packet = std::move(ring_[head_]);
    head_ = (head_ + 1) % ring_.size();
    --count_;
    return packet;
}

PacketQueue::PacketPtr PacketQueue::pop(float timeout_sec) {
    std::unique_lock<std::mutex> lock(mutex_);
    return wait_locked(lock, timeout_sec) ? take_locked() : nullptr;
}

bool PacketQueue::pop_batch(float timeout_sec, size_t max, std::vector<PacketPtr>& out,
                            std::vector<PacketPtr>& done) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (PacketPtr& packet : done) spares_.push_back(std::move(packet));
    done.clear();
    if (!wait_locked(lock, timeout_sec)) return false;
    for (size_t n = 0; n < max && count_ != 0; ++n) out.push_back(take_locked());
    return true;
}

size_t PacketQueue::size() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}

void PacketQueue::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    clear_locked();
}

size_t PacketQueue::spare_count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return spares_.size();
}

// Dropped packets are kept for reuse.
void PacketQueue::clear_locked() {
    for (; count_ > 0; --count_) {
        spares_.push_back(std::move(ring_[head_]));
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
