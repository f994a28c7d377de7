// Drives the SDK with a simulated sensor through mock receive (networking
// off) and records every frame the callbacks deliver.
#pragma once

#include <cstdint>
#include <vector>

#include "druvex_sdk.h"
#include "sensor_sim.h"

namespace druvex_test {

struct DeliveredFrame {
    std::vector<DruvexSensorRawPointWithTime> raw;
    std::vector<DruvexSensorImagePoint> image;
};

class SimSession {
public:
    static constexpr uint64_t handle = 0x0A000005;

    // extra_flags are added to "networking off" at initialisation.
    SimSession(druvex_sim::SimOptions options, uint32_t frame_mode, float length = 0.05f,
               uint32_t extra_flags = 0);
    ~SimSession();
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;

    void send_info();
    // Sends the next data packet; host time is the simulator's unless given.
    druvex_sim::SimDataPacket send_data(int64_t host_time_offset_us = 0);
    void send_data_packets(int n);
    void set_frame_options(uint32_t mode, float length = 0.05f);

    druvex_sim::SensorSim& sim() { return sim_; }
    const druvex_sim::SensorSim& sim() const { return sim_; }
    const std::vector<DeliveredFrame>& frames() const { return frames_; }
    // Image x (low half) and z (high half) of every record sent so far, also
    // of those the SDK dropped while it learned the period.
    const std::vector<uint32_t>& sent_xz() const { return sent_xz_; }
    // Raw points the callbacks delivered, in order.
    std::vector<DruvexSensorRawPointWithTime> delivered_raw() const;

private:
    static void on_raw(uint64_t, size_t n, const DruvexSensorRawPointWithTime* points, void* user);
    static void on_image(uint64_t, size_t n, const DruvexSensorImagePoint* points, void* user);

    druvex_sim::SensorSim sim_;
    std::vector<DeliveredFrame> frames_;
    std::vector<uint32_t> sent_xz_;
};

}  // namespace druvex_test
