// The frame registry and the path from a data packet to its frame.
#include "frame_manager.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <time.h>

#include <algorithm>

#include "core/error_queue.h"
#include "point_budget.h"
#include "sensors/data_packet.h"
#include "sensors/sensor.h"
#include "sensors/sensor_manager.h"

namespace druvex_sdk {
namespace {

// Read for every packet: the coarse clock (a few milliseconds fine) costs
// a fraction of the precise one and is plenty for a silence of a second.
int64_t steady_usec() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Freed buffers of many sizes stay with the allocator (in the routing
// thread's arena) unless it is told to hand them to the system.
void return_freed_memory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace

void FrameManager::handle_points_packet(Sensor& sensor, int64_t host_timestamp_us, size_t size,
                                        const uint8_t* data) {
    if (size < data_header_size || data[data_ignore_offset] != 0) return;
    std::shared_ptr<Frame> frame = frame_of(sensor);
    if (!frame) return;
    frame->mark_active(checks_.load(std::memory_order_relaxed));
    frame->follow_packet_time(host_timestamp_us);
    const PointsSink to_frame = [&frame](int32_t n, const DruvexSensorRawPointWithTime* raw,
                                         const DruvexSensorImagePoint* image) {
        return frame->add_points(n, raw, image);
    };
    if (SensorError error = sensor.handle_data_packet(host_timestamp_us, size, data, to_frame)) {
        queue_error(sensor.handle(), error.code, error.message);
    }
    frame->flush();
}

std::shared_ptr<Frame> FrameManager::get_frame(uint64_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = frames_.find(handle);
    return it == frames_.end() ? nullptr : it->second;
}

std::shared_ptr<Frame> FrameManager::get_or_create_frame(uint64_t handle) {
    if (std::shared_ptr<Frame> frame = get_frame(handle)) return frame;
    return create_frame(handle);
}

// A frame left over from a sensor object that the registry has since
// replaced (a clear while packets were routed) is replaced as well.
std::shared_ptr<Frame> FrameManager::frame_of(const Sensor& sensor) {
    std::shared_ptr<Frame> frame = get_frame(sensor.handle());
    if (frame && frame->sensor().get() == &sensor) return frame;
    return create_frame(sensor.handle());
}

// The frame is built (which reads the sensor under its lock) before the
// registry lock is taken.
std::shared_ptr<Frame> FrameManager::create_frame(uint64_t handle) {
    std::shared_ptr<Sensor> sensor = SensorManager::instance().get_by_handle(handle);
    if (!sensor) return nullptr;
    auto frame = std::make_shared<Frame>(std::move(sensor));
    std::lock_guard<std::mutex> lock(mutex_);
    frames_[handle] = frame;
    return frame;
}

void FrameManager::clear() {
    std::map<uint64_t, std::shared_ptr<Frame>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        dropped.swap(frames_);
    }
    PointBudget::instance().rearm_report();
}

void FrameManager::set_frame_options(const DruvexSDKFrameOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : frames_) (void)entry.second->set_options(options);
}

void FrameManager::release_idle() {
    if (!check_due(steady_usec())) return;
    // Packets after check j are marked j: idle are the sensors without one
    // since before the last checks_per_silence intervals.
    const int64_t check = checks_.fetch_add(1) + 1;
    const int64_t since = check - 1 - checks_per_silence();
    bool released = false;
    for (const std::shared_ptr<Frame>& frame : idle_frames(since)) {
        if (!frame->release_if_idle(since)) continue;
        frame->sensor()->release_scratch();
        released = true;
    }
    if (released) return_freed_memory();
}

// One thread looks at a time, at most once per interval (shorter when the
// silence that counts is).
bool FrameManager::check_due(int64_t now_usec) {
    const int64_t interval = std::min(idle_check_interval_usec, idle_after_usec_.load());
    int64_t last = last_check_usec_.load();
    if (now_usec - last < interval) return false;
    return last_check_usec_.compare_exchange_strong(last, now_usec);
}

int64_t FrameManager::checks_per_silence() const {
    const int64_t after = idle_after_usec_.load();
    const int64_t interval = std::max<int64_t>(1, std::min(idle_check_interval_usec, after));
    return std::max<int64_t>(1, (after + interval - 1) / interval);
}

// The frames are released outside the registry lock: a frame's delivery,
// whose callbacks may clear the registry, is never waited for under it.
std::vector<std::shared_ptr<Frame>> FrameManager::idle_frames(int64_t since) {
    std::vector<std::shared_ptr<Frame>> idle;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : frames_) {
        if (entry.second->idle_since(since)) idle.push_back(entry.second);
    }
    return idle;
}

}  // namespace druvex_sdk
