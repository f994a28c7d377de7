// A simulated sensor: its information packets (with a calibration body), a
// horizontally sweeping scan of a known scene sent as data packets with a
// steady clock, and for every data packet the calibrated points a receiver
// must produce from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim_bytes.h"
#include "sim_calibration.h"

namespace druvex_sim {

enum class InfoKind { info, infx, two_part };
enum class Layout { stdt, stdp, stdr, stdq };

struct SimOptions {
    uint16_t model = 5;
    uint32_t serial = 4242;
    std::string firmware;  // empty: a typical version of the model
    InfoKind info = InfoKind::info;
    BodyFormat body = BodyFormat::dvx9;
    Layout layout = Layout::stdt;
    // "INFO": GPS status (0, 'A', 'P' or 'V'). "INFX": status bits and values.
    char gps_status = 0;
    uint8_t infx_status = 4;  // GPS time absent
    uint8_t infx_return_count = 2;
    int64_t sync_timestamp = 0;
    std::array<uint8_t, 6> gps_time = {26, 12, 7, 5, 0, 0};
    int8_t temperature = 31;
    uint8_t humidity = 40;
    uint16_t run_time = 77;
    uint32_t record_period_us = 5;
    uint32_t samples_per_packet = 0;  // 0: as many as fit in 1400 bytes
    uint32_t sweep_samples = 400;     // samples per sweep direction
    float sweep_amplitude = 1.0f;     // share of the full horizontal field
    // The vertical raster: raw units of amplitude, radians of phase per sample.
    double raster_amplitude = 200;
    double raster_step = 0.05;
    bool moving_objects = false;  // a person and a car cross the scene
    int64_t host_start_us = 1765000000000000;
    uint32_t clock_start_us = 1000000;
    // How the receiver is set up, for the expectations.
    bool multiple_returns = false;
    bool use_packet_time = false;
    bool disable_image_clip = false;
    bool disable_distance_clip = false;
};

struct ExpectedPoint {
    int64_t timestamp;
    float image_x, image_z, distance, intensity;
    bool valid, saturated, first, farthest;
};

struct SimDataPacket {
    Bytes bytes;
    int64_t host_time_us = 0;
    uint32_t clock_us = 0;
    uint32_t records = 0;
    // records x return_count() points; timestamps assume the receiver knows
    // the measurement period (from the third packet on, or packet time).
    std::vector<ExpectedPoint> expected;
};

class SensorSim {
public:
    explicit SensorSim(SimOptions options);

    const SimOptions& options() const { return options_; }
    const SimCalibration& calibration() const { return calibration_; }
    const std::string& firmware() const { return firmware_; }
    uint16_t channel_count() const { return static_cast<uint16_t>(calibration_.channels.size()); }
    uint8_t return_count() const;
    size_t record_size() const;
    uint32_t records_per_packet() const;
    // Seconds between records, as the receiver learns it.
    float measurement_period() const;
    // Seconds from the start to the first record of a sample.
    double sample_time_s(uint64_t sample) const;

    // One information packet, or the two halves of a large one.
    std::vector<Bytes> info_packets() const;
    SimDataPacket next_data_packet();

private:
    Bytes info_header(const char* magic, uint16_t key2, size_t keys, size_t readings) const;
    void put_gps_time(Bytes& p, size_t at) const;
    Bytes info_packet(const char* magic, const Bytes& body) const;
    Bytes infx_packet(const Bytes& body) const;
    int64_t packet_base(uint32_t clock, int64_t host_time);
    void add_record(uint64_t sample, uint32_t channel, Bytes& out,
                    std::vector<ExpectedPoint>& expected);

    SimOptions options_;
    std::string firmware_;
    SimCalibration calibration_;
    std::vector<EffectiveChannel> effective_;
    std::array<float, 3> distortion_;
    uint64_t sample_ = 0;
    uint64_t packet_ = 0;
    int64_t last_base_ = 0;
};

// The scene with the person and the car, scanned with a raster fine enough
// for the viewer's hex grid and clustering to find them: every channel
// sweeps its whole band between the channels next to it every six samples.
void use_moving_scene(SimOptions& options);

const char* layout_magic(Layout layout);
std::string default_firmware(uint16_t model);
uint16_t model_channel_count(uint16_t model);

}  // namespace druvex_sim
