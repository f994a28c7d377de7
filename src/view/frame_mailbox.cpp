// The hand-off of completed frames from the SDK's threads to the GUI thread.
#include "frame_mailbox.h"

#include <utility>

namespace druvex {

// Only a sensor with many frames waiting can be over the limit, so the count
// is taken only when the mailbox as a whole is that full.
std::unique_ptr<StreamFrame> FrameMailbox::make_way_locked(uint64_t handle) {
    if (waiting_.size() < max_waiting_per_sensor) return nullptr;
    size_t count = 0;
    auto oldest = waiting_.end();
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (it->info.handle != handle) continue;
        if (count++ == 0) oldest = it;
    }
    if (count < max_waiting_per_sensor) return nullptr;
    std::unique_ptr<StreamFrame> dropped = std::move(oldest->frame);
    waiting_.erase(oldest);
    return dropped;
}

void FrameMailbox::post(const DruvexSensorInformation& info, std::unique_ptr<StreamFrame> frame) {
    const FrameArrival arrival = FrameArrival::now();
    std::unique_ptr<StreamFrame> dropped;  // freed after the lock
    std::lock_guard<std::mutex> lock(mutex_);
    dropped = make_way_locked(info.handle);
    waiting_.push_back(Entry{info, arrival, std::move(frame)});
}

void FrameMailbox::take(std::vector<Entry>& entries) {
    entries.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    entries.swap(waiting_);
}

void FrameMailbox::clear() {
    std::vector<Entry> dropped;  // freed after the lock
    std::lock_guard<std::mutex> lock(mutex_);
    dropped.swap(waiting_);
}

}  // namespace druvex
