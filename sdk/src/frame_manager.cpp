#include "frame_manager.h"

#include "callback.h"
#include "data_packet.h"
#include "error_queue.h"
#include "sensor.h"
#include "sensor_manager.h"

namespace druvex_sdk {

Frame::Frame(std::shared_ptr<Sensor> sensor)
    : sensor_(std::move(sensor)), return_count_(sensor_->information().return_count) {}

SensorError Frame::add_points(int32_t n, const DruvexSensorRawPointWithTime* raw,
                              const DruvexSensorImagePoint* image) {
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t n_raw = static_cast<size_t>(n);
    raw_points_.insert(raw_points_.end(), raw, raw + n_raw);
    image_points_.insert(image_points_.end(), image, image + n_raw * return_count_);
    return success();
}

void Frame::flush() {
    // Read before the frame lock: decoding takes the sensor, then the frame.
    const bool calibrated =
        (sensor_->information().flags & DRUVEX_SENSOR_FLAG_IS_CALIBRATED) != 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (raw_points_.empty()) return;
    const uint64_t handle = sensor_->handle();
    raw_frames_callback().invoke(handle, raw_points_.size(), raw_points_.data());
    raw_points_.clear();
    if (calibrated) {
        sensor_->monitor().check_field_of_view(static_cast<int32_t>(image_points_.size()),
                                               image_points_.data());
    }
    image_frames_callback().invoke(handle, image_points_.size(), image_points_.data());
    image_points_.clear();
}

void FrameManager::handle_points_packet(Sensor& sensor, int64_t host_timestamp_us, size_t size,
                                        const uint8_t* data) {
    if (size < data_header_size || data[data_ignore_offset] != 0) return;
    auto frame = get_or_create_frame(sensor.handle());
    if (!frame) return;
    if (SensorError error = sensor.handle_data_packet(host_timestamp_us, size, data)) {
        queue_error(sensor.handle(), error.code, "");
    }
    frame->flush();
}

std::shared_ptr<Frame> FrameManager::get_frame(uint64_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = frames_.find(handle);
    return found == frames_.end() ? nullptr : found->second;
}

std::shared_ptr<Frame> FrameManager::get_or_create_frame(uint64_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = frames_.find(handle);
    if (found != frames_.end()) return found->second;
    auto sensor = SensorManager::instance().get_by_handle(handle);
    if (!sensor) return nullptr;
    return frames_.emplace(handle, std::make_shared<Frame>(std::move(sensor))).first->second;
}

void FrameManager::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.clear();
}

void FrameManager::set_frame_options(const DruvexSDKFrameOptions&) {}

}  // namespace druvex_sdk
