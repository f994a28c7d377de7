// One sensor that the SDK has heard from: its identity, the information and
// calibration its packets carry, the user's pose for it, and the scratch state
// of packet decoding and health monitoring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "core/sensor_error.h"
#include "druvex_sdk.h"
#include "sensor_monitor.h"

namespace druvex_sdk {

struct InfoCommonFields;

// Where a data packet's points go (the sensor's frame): n raw points and n x
// the return count image points, handed over with the sensor's lock held.
using PointsSink = std::function<SensorError(int32_t n, const DruvexSensorRawPointWithTime* raw,
                                             const DruvexSensorImagePoint* image)>;

// Defined over sensor.cpp (identity, values, calibration), info_packet.cpp
// (handling of information packets) and data_packet.cpp (decoding of data packets).
class Sensor {
public:
    static constexpr size_t info_buffer_size = 2000;

    explicit Sensor(uint64_t handle);
    Sensor(const Sensor&) = delete;
    Sensor& operator=(const Sensor&) = delete;

    uint64_t handle() const { return handle_; }

    // Snapshots and updates, each under the sensor mutex.
    DruvexSensorInformation information();
    DruvexCalibration calibration();
    void set_calibration(const DruvexCalibration& calibration);
    DruvexSensorTransform transform();
    bool has_transform();
    void set_transform(const DruvexSensorTransform& transform);
    void clear_transform();
    bool info_received();
    bool two_part_pending();
    SensorError value(uint32_t key, uint32_t size, void* out);
    void calibrate_points(int32_t n_points, const DruvexSensorRawPointWithTime* raw,
                          int32_t n_returns, DruvexSensorImagePoint* out);

    // Information packets ("INF1", "INF2", "INFO", "INFX").
    void handle_info_part1(size_t size, const uint8_t* data);
    void handle_info_part2(size_t size, const uint8_t* data);
    void handle_info(size_t size, const uint8_t* data);
    void handle_info_x(size_t size, const uint8_t* data);

    // Data packets: decodes, calibrates and hands the points to `sink`; its
    // failure is the result.
    SensorError handle_data_packet(int64_t host_timestamp_us, size_t size, const uint8_t* data,
                                   const PointsSink& sink);
    // Gives back the decoding scratch of a sensor gone silent; the next data
    // packet makes it again.
    void release_scratch();

    // Only the packet-routing thread touches the monitor.
    SensorMonitor& monitor() { return monitor_; }

private:
    using Parser = void (Sensor::*)(size_t, const uint8_t*);
    // Parses an "INFO" or "INFX" packet of at least the minimum size under the
    // sensor mutex, then checks the environment readings at the given offsets.
    void handle_complete_info(size_t size, const uint8_t* data, Parser parse, size_t temperature,
                              size_t humidity);
    void parse_info(size_t size, const uint8_t* data);
    void parse_info_x(size_t size, const uint8_t* data);
    // Steps of the two parsers: the firmware and body first, the identity of
    // the first packet, and the readings and keys last.
    bool begin_parse(size_t size, const uint8_t* data, const InfoCommonFields& fields,
                     DruvexCalibration& body);
    void take_info_identity(const uint8_t* data, const DruvexCalibration* body);
    void take_infx_identity(const uint8_t* data, const DruvexCalibration* body);
    void set_counts(uint8_t multiple_return_count);
    void apply_gps_status(char status);
    void set_clock(uint16_t divisor, uint8_t divider_code);
    void finish_parse(const uint8_t* data, const InfoCommonFields& fields);
    void set_model_constants();
    void apply_channel_constants();
    void update_gps_time();
    void set_calibration_from_body(const DruvexCalibration& body);
    void report_error(int32_t code, const char* message = "");
    int64_t fix_timestamp(uint32_t t, int64_t host_timestamp_us) const;
    void learn_period(uint32_t t, int32_t n);
    bool decode_records(uint32_t magic, const uint8_t* records, int32_t n, int64_t base);

    const uint64_t handle_;
    std::mutex mutex_;
    uint8_t info_buffer_[info_buffer_size] = {};
    bool info_parsed_ = false;
    bool info_received_ = false;
    bool two_part_pending_ = false;
    uint32_t last_packet_time_ = 0;
    int64_t last_base_timestamp_ = 0;
    int64_t gps_base_time_ = 0;
    float period_candidate_ = 0;
    DruvexSensorInformation information_{};
    DruvexCalibration calibration_{};
    bool has_transform_ = false;
    DruvexSensorTransform transform_{};
    float image_x_scale_ = 0, image_z_scale_ = 0, distance_scale_ = 0, focal_length_ = 0;
    uint16_t sdk_values_[5] = {};
    uint16_t clock_divider_ = 0;
    float clock_rate_ = 0;
    std::vector<DruvexSensorRawPointWithTime> raw_points_;
    std::vector<DruvexSensorImagePoint> image_points_;
    SensorMonitor monitor_;
};

}  // namespace druvex_sdk
