// The sample scene as network traffic: two simulated sensors of different
// models looking at the scene with a walking person and a driving car, their
// packets merged in time order, and a capture file of them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/sensor_error.h"

namespace druvex_sample {

struct SamplePacket {
    uint64_t handle;  // the sensor's IPv4 address
    int64_t timestamp_us;
    std::vector<uint8_t> bytes;
};

// Handles of the two sample sensors.
extern const uint64_t sample_sensor_handles[2];

// `seconds` of traffic of both sensors (each starts with its information
// packets and repeats them every second), in time order.
std::vector<SamplePacket> sample_traffic(double seconds);

druvex_sdk::SensorError write_sample_capture(const std::string& path, double seconds);

}  // namespace druvex_sample
