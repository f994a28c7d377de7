// Health watch of one sensor: environment readings of its information packets
// and the field of view that its points actually cover.
#pragma once

#include <cstdint>
#include <mutex>

#include "druvex_sdk.h"

namespace druvex_sdk {

class Sensor;

class SensorMonitor {
public:
    explicit SensorMonitor(Sensor& sensor) : sensor_(&sensor) {}

    // Both checks may run on two threads at once, when one sensor's packets
    // are routed from two (a replay next to live traffic): the monitor's state
    // is guarded by its own mutex, and faults are delivered after it is let go.
    void check_environment(int8_t temperature, uint8_t humidity);
    void check_field_of_view(int32_t n, const DruvexSensorImagePoint* points);

private:
    struct Fault {
        int32_t code = 0;  // 0: none
        float value = 0;
    };

    void open_window(int64_t t, const DruvexSensorImagePoint& first);
    void fold(int32_t n, const DruvexSensorImagePoint* points);
    Fault evaluate();
    Fault window_step(int32_t n, const DruvexSensorImagePoint* points);
    void deliver(const Fault& fault);

    Sensor* sensor_;
    std::mutex mutex_;
    int64_t window_start_ = 0;
    int64_t first_timestamp_ = 0;
    float max_x_ = 0, min_x_ = 0, max_z_ = 0, min_z_ = 0;
    uint32_t count_ = 0;
    uint16_t model_ = 0;
    float fault_data_[2] = {0, 0};
};

}  // namespace druvex_sdk
