// The hand-off of completed frames from the SDK's threads to the GUI thread.
#include "frame_mailbox.h"

#include <iterator>
#include <utility>

namespace druvex {

FrameMailbox::Frame FrameMailbox::next_frame_locked() {
    if (spare_.empty()) return Frame();
    Frame frame = std::move(spare_.back());
    spare_.pop_back();
    return frame;
}

// Only a sensor with many frames waiting can be over the limit, so the count
// is taken only when the mailbox as a whole is that full.
void FrameMailbox::make_way_locked(uint64_t handle) {
    if (waiting_.size() < kMaxWaitingPerSensor) return;
    size_t count = 0;
    auto oldest = waiting_.end();
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (it->info.handle != handle) continue;
        if (count++ == 0) oldest = it;
    }
    if (count < kMaxWaitingPerSensor) return;
    spare_.push_back(std::move(*oldest));
    waiting_.erase(oldest);
}

void FrameMailbox::post(const DruvexSensorInformation& info, int64_t time_us, size_t n,
                        const DruvexSensorRawPointWithTime* points) {
    const FrameArrival arrival = FrameArrival::now();
    std::lock_guard<std::mutex> lock(mutex_);
    make_way_locked(info.handle);
    Frame frame = next_frame_locked();
    frame.info = info;
    frame.time_us = time_us;
    frame.arrival = arrival;
    frame.points.assign(points, points + n);
    waiting_.push_back(std::move(frame));
}

void FrameMailbox::take(std::vector<Frame>& frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::move(frames.begin(), frames.end(), std::back_inserter(spare_));
    frames.clear();
    frames.swap(waiting_);
}

void FrameMailbox::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::move(waiting_.begin(), waiting_.end(), std::back_inserter(spare_));
    waiting_.clear();
}

}  // namespace druvex
