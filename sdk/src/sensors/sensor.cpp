// Sensor: identity, values, transform and calibration of one sensor.
#include "sensor.h"

#include <cstring>

#include "point_calibration.h"

namespace druvex_sdk {
namespace {

constexpr uint64_t replay_handle_bit = 1ull << 32;
constexpr float clock_divider_unit = 0.00024414063f;  // 1/4096

}  // namespace

Sensor::Sensor(uint64_t handle) : handle_(handle), monitor_(*this) {
    information_.handle = handle;
    if (handle & replay_handle_bit) information_.flags |= DRUVEX_SENSOR_FLAG_IS_MOCKED;
}

DruvexSensorInformation Sensor::information() {
    std::lock_guard<std::mutex> lock(mutex_);
    return information_;
}

DruvexCalibration Sensor::calibration() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calibration_;
}

void Sensor::set_calibration(const DruvexCalibration& calibration) {
    std::lock_guard<std::mutex> lock(mutex_);
    calibration_ = calibration;
}

DruvexSensorTransform Sensor::transform() {
    std::lock_guard<std::mutex> lock(mutex_);
    return transform_;
}

bool Sensor::has_transform() {
    std::lock_guard<std::mutex> lock(mutex_);
    return has_transform_;
}

void Sensor::set_transform(const DruvexSensorTransform& transform) {
    std::lock_guard<std::mutex> lock(mutex_);
    has_transform_ = true;
    transform_ = transform;
}

void Sensor::clear_transform() {
    std::lock_guard<std::mutex> lock(mutex_);
    has_transform_ = false;
    transform_ = DruvexSensorTransform{};
}

bool Sensor::info_received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return info_received_;
}

bool Sensor::two_part_pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return two_part_pending_;
}

SensorError Sensor::value(uint32_t key, uint32_t size, void* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (key >= DRUVEX_SDK_VALUE_KEY2 && key <= DRUVEX_SDK_VALUE_KEY6) {
        if (size != sizeof(uint16_t)) return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
        std::memcpy(out, &sdk_values_[key - DRUVEX_SDK_VALUE_KEY2], sizeof(uint16_t));
        return success();
    }
    if (key == DRUVEX_SDK_VALUE_CLOCK_RATE || key == DRUVEX_SDK_VALUE_SCALED_CLOCK_RATE) {
        if (size != sizeof(float)) return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
        const float value =
            key == DRUVEX_SDK_VALUE_CLOCK_RATE
                ? clock_rate_
                : static_cast<float>(clock_divider_) * clock_rate_ * clock_divider_unit;
        std::memcpy(out, &value, sizeof(float));
        return success();
    }
    return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS, "Invalid SDK value!");
}

void Sensor::calibrate_points(int32_t n_points, const DruvexSensorRawPointWithTime* raw,
                              int32_t n_returns, DruvexSensorImagePoint* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    druvex_sdk::calibrate_points(calibration_, n_points, raw, n_returns, out);
}

}  // namespace druvex_sdk
