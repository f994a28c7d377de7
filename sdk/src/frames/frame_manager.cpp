// The frame registry and the path from a data packet to its frame.
#include "frame_manager.h"

#include "core/error_queue.h"
#include "sensors/data_packet.h"
#include "sensors/sensor.h"
#include "sensors/sensor_manager.h"

namespace druvex_sdk {

void FrameManager::handle_points_packet(Sensor& sensor, int64_t host_timestamp_us, size_t size,
                                        const uint8_t* data) {
    if (size < data_header_size || data[data_ignore_offset] != 0) return;
    std::shared_ptr<Frame> frame = frame_of(sensor);
    if (!frame) return;
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
}

void FrameManager::set_frame_options(const DruvexSDKFrameOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : frames_) (void)entry.second->set_options(options);
}

}  // namespace druvex_sdk
