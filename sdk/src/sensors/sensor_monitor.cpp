// Temperature, humidity and field-of-view watch of one sensor.
#include "sensor_monitor.h"

#include "core/callback.h"
#include "core/clock_math.h"
#include "sensor.h"

namespace druvex_sdk {
namespace {

constexpr int64_t start_delay_us = 60000000;
constexpr int64_t window_us = 1000000;
constexpr uint32_t window_points = 125000;
constexpr float max_temperature = 80, min_temperature = -40, max_humidity = 99;

struct FieldOfView {
    float x;
    float z;
};

// Nominal half-width and half-height (image-plane tangents) by model code;
// 0 is not checked.
constexpr FieldOfView nominal_fov[] = {
    {0, 0},
    {0, 0},
    {0, 0},
    {0.57735026f, 0.21255656f},  // 3
    {0.57735026f, 0},            // 4
    {0.57735026f, 0.21255656f},  // 5
    {0.12278456f, 0.12278456f},  // 6
    {0, 0},
    {0, 0},
};
constexpr uint16_t fov_model_count = sizeof nominal_fov / sizeof nominal_fov[0];

}  // namespace

// The callback gets its own copy of the value: the monitor may change it on
// another thread while the callback runs.
void SensorMonitor::deliver(const Fault& fault) {
    if (fault.code == 0) return;
    const float value = fault.value;
    error_callback().invoke(sensor_->handle(), fault.code, "", static_cast<const void*>(&value),
                            sizeof(float));
}

void SensorMonitor::check_environment(int8_t temperature, uint8_t humidity) {
    // The field-of-view check runs where the sensor mutex must not be taken;
    // it uses the model remembered here.
    const uint16_t model = sensor_->information().model;
    Fault hot, humid;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        model_ = model;
        const float t = temperature;
        if (t > max_temperature || t < min_temperature) {
            fault_data_[0] = t;
            hot = {DRUVEX_FAULT_EXTREME_TEMPERATURE, t};
        }
        const float h = humidity;
        if (model_ < 5 && h > max_humidity) {
            fault_data_[1] = h;
            humid = {DRUVEX_FAULT_EXTREME_HUMIDITY, h};
        }
    }
    deliver(hot);
    deliver(humid);
}

void SensorMonitor::open_window(int64_t t, const DruvexSensorImagePoint& first) {
    window_start_ = t;
    max_x_ = min_x_ = first.image_x;
    max_z_ = min_z_ = first.image_z;
    count_ = 0;
}

void SensorMonitor::fold(int32_t n, const DruvexSensorImagePoint* points) {
    for (int32_t i = 0; i < n; ++i) {
        const float x = points[i].image_x, z = points[i].image_z;
        if (x < min_x_) {
            min_x_ = x;
        } else if (x > max_x_) {
            max_x_ = x;
        }
        if (z < min_z_) {
            min_z_ = z;
        } else if (z > max_z_) {
            max_z_ = z;
        }
    }
    const uint32_t added = static_cast<uint32_t>(n);
    count_ = count_ > UINT32_MAX - added ? UINT32_MAX : count_ + added;
}

SensorMonitor::Fault SensorMonitor::evaluate() {
    window_start_ = 0;
    if (model_ >= fov_model_count) return {};
    const FieldOfView fov = nominal_fov[model_];
    fault_data_[0] = max_x_ - min_x_;
    fault_data_[1] = max_z_ - min_z_;
    if (fov.x != 0 && 2 * fov.x > fault_data_[0])
        return {DRUVEX_FAULT_ABNORMAL_FOV, fault_data_[0]};
    if (fov.z != 0 && 2 * fov.z > fault_data_[1])
        return {DRUVEX_FAULT_ABNORMAL_FOV, fault_data_[1]};
    return {};
}

SensorMonitor::Fault SensorMonitor::window_step(int32_t n, const DruvexSensorImagePoint* points) {
    const int64_t t = points[0].timestamp;
    if (window_start_ == 0) {
        if (first_timestamp_ == 0) first_timestamp_ = t;
        if (t <= saturating_add(first_timestamp_, start_delay_us)) return {};
        open_window(t, points[0]);
    }
    if (t <= saturating_add(window_start_, window_us) || count_ < window_points) {
        fold(n, points);
        return {};
    }
    return evaluate();
}

void SensorMonitor::check_field_of_view(int32_t n, const DruvexSensorImagePoint* points) {
    if (n <= 0) return;
    Fault fault;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fault = window_step(n, points);
    }
    deliver(fault);
}

}  // namespace druvex_sdk
