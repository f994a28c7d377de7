// Writing the sample scene of two simulated sensors as a capture.
#include "sample_capture.h"

#include <algorithm>

#include "capture/capture.h"
#include "sensor_sim.h"

namespace druvex_sample {
namespace {

struct SampleSensor {
    uint64_t handle;
    uint16_t model;
    uint32_t serial;
};

constexpr SampleSensor sample_sensors[2] = {{0xC0A801C9, 5, 4242}, {0xC0A801CA, 4, 5150}};

void play(const SampleSensor& sensor, double seconds, std::vector<SamplePacket>& out) {
    druvex_sim::SimOptions options;
    options.model = sensor.model;
    options.serial = sensor.serial;
    druvex_sim::use_moving_scene(options);
    druvex_sim::SensorSim sim(options);
    const int64_t end = options.host_start_us + static_cast<int64_t>(seconds * 1e6);
    int64_t next_info = options.host_start_us;
    for (;;) {
        druvex_sim::SimDataPacket packet = sim.next_data_packet();
        if (packet.host_time_us >= end) break;
        if (packet.host_time_us >= next_info) {
            for (const auto& info : sim.info_packets()) {
                out.push_back({sensor.handle, packet.host_time_us, info});
            }
            next_info += 1000000;
        }
        out.push_back({sensor.handle, packet.host_time_us, std::move(packet.bytes)});
    }
}

}  // namespace

const uint64_t sample_sensor_handles[2] = {sample_sensors[0].handle, sample_sensors[1].handle};

std::vector<SamplePacket> sample_traffic(double seconds) {
    std::vector<SamplePacket> packets;
    for (const SampleSensor& sensor : sample_sensors) play(sensor, seconds, packets);
    std::stable_sort(packets.begin(), packets.end(),
                     [](const SamplePacket& a, const SamplePacket& b) {
                         return a.timestamp_us < b.timestamp_us;
                     });
    return packets;
}

druvex_sdk::SensorError write_sample_capture(const std::string& path, double seconds) {
    druvex_sdk::Capture capture;
    if (druvex_sdk::SensorError error = capture.open_for_write(path, false)) return error;
    for (const SamplePacket& p : sample_traffic(seconds)) {
        const druvex_sdk::CapturePacketHeader header{p.handle, p.timestamp_us, p.bytes.size()};
        if (druvex_sdk::SensorError error = capture.write_packet(header, p.bytes.data()))
            return error;
    }
    return capture.close();
}

}  // namespace druvex_sample
