// Information packets turn into the sensor's information, calibration and
// model constants.
#include "info_packet.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "calibration_body.h"
#include "core/error_queue.h"
#include "core/sdk_manager.h"
#include "sensor.h"
#include "sensor_model.h"

namespace druvex_sdk {
namespace {

constexpr int64_t usec_per_sec = 1000000;

// Environment readings, taken before the sensor mutex is released so the
// health check runs on exactly what was parsed.
struct Environment {
    int8_t temperature;
    uint8_t humidity;
};

Environment environment_at(const uint8_t* data, size_t temperature, size_t humidity) {
    return {static_cast<int8_t>(data[temperature]), data[humidity]};
}

uint32_t body_channel_count(const uint8_t* data) {
    return read_le<uint32_t>(data, info_part1_channels_offset);
}

bool is_two_part_first_half(size_t size, const uint8_t* data) {
    if (size < info_part1_channels_offset + 4) return false;
    const uint32_t body_magic = read_le<uint32_t>(data, info_body_offset);
    return (body_magic == magic_dvx8 || body_magic == magic_dvx9) &&
           body_channel_count(data) >= info_part1_min_channels;
}

uint8_t clamp_return_count(uint8_t count) {
    return std::min<uint8_t>(count, DRUVEX_SDK_MAX_RETURNS);
}

void set_flag(uint32_t& flags, uint32_t bit, bool on) { flags = on ? flags | bit : flags & ~bit; }

}  // namespace

bool is_info_magic(uint32_t magic) {
    return magic == magic_info || magic == magic_infx || magic == magic_inf1 || magic == magic_inf2;
}

void Sensor::report_error(int32_t code, const char* message) {
    queue_error(handle_, code, message);
}

void Sensor::handle_info_part1(size_t size, const uint8_t* data) {
    if (!is_two_part_first_half(size, data)) return handle_info(size, data);
    if (size > info_buffer_size) return report_error(DRUVEX_ERROR_COMMUNICATION);
    std::lock_guard<std::mutex> lock(mutex_);
    std::memcpy(info_buffer_, data, size);
    two_part_pending_ = true;
}

void Sensor::handle_info_part2(size_t size, const uint8_t* data) {
    Environment environment;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!two_part_pending_) return;
        if (size < info_part2_min_size ||
            std::memcmp(data + info_body_offset, info_buffer_ + info_body_offset, 8) != 0) {
            report_error(DRUVEX_ERROR_COMMUNICATION);
            return;
        }
        // A second half shorter than its full continuation contributes what it
        // has; the rest of the window is zeroed rather than read past the end.
        uint8_t* target = info_buffer_ + info_part2_target_offset;
        const size_t available = std::min(info_part2_data_size, size - info_part2_data_offset);
        std::memcpy(target, data + info_part2_data_offset, available);
        std::memset(target + available, 0, info_part2_data_size - available);
        parse_info(info_buffer_size, info_buffer_);
        info_received_ = true;
        environment = environment_at(info_buffer_, info::temperature, info::humidity);
    }
    monitor_.check_environment(environment.temperature, environment.humidity);
}

void Sensor::handle_info(size_t size, const uint8_t* data) {
    handle_complete_info(size, data, &Sensor::parse_info, info::temperature, info::humidity);
}

void Sensor::handle_info_x(size_t size, const uint8_t* data) {
    handle_complete_info(size, data, &Sensor::parse_info_x, infx::temperature, infx::humidity);
}

void Sensor::handle_complete_info(size_t size, const uint8_t* data, Parser parse,
                                  size_t temperature, size_t humidity) {
    if (size < info_min_size) return report_error(DRUVEX_ERROR_COMMUNICATION);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        (this->*parse)(size, data);
        info_received_ = true;
    }
    const Environment environment = environment_at(data, temperature, humidity);
    monitor_.check_environment(environment.temperature, environment.humidity);
}

// Both kinds carry the firmware, the readings (run time, temperature,
// humidity) and the values of keys 2 to 6 at the same relative places.
struct InfoCommonFields {
    size_t firmware;
    size_t keys;
    size_t readings;
};

namespace {

constexpr InfoCommonFields info_fields{info::firmware, info::key2, info::run_time};
constexpr InfoCommonFields infx_fields{infx::firmware, infx::key2, infx::run_time};

uint64_t serial_from_handle(uint64_t h) {
    if ((h & 0xFF00) == 0) return (h & 0xFF) - 32;
    return (h & 0xFFFF) > 8224 ? (h & 0xFFFF) - 8224 : 4098;
}

}  // namespace

bool Sensor::begin_parse(size_t size, const uint8_t* data, const InfoCommonFields& fields,
                         DruvexCalibration& body) {
    std::memcpy(information_.firmware_version, data + fields.firmware, 4);
    information_.firmware_version[4] = '\0';
    return parse_info_body(data + info_body_offset, size - info_body_offset, body);
}

void Sensor::finish_parse(const uint8_t* data, const InfoCommonFields& fields) {
    information_.run_time = static_cast<float>(read_le<uint16_t>(data, fields.readings));
    information_.temperature = static_cast<float>(static_cast<int8_t>(data[fields.readings + 2]));
    if (information_.model < 5)
        information_.humidity = static_cast<float>(data[fields.readings + 3]);
    sdk_values_[0] = read_le<uint16_t>(data, fields.keys);
    sdk_values_[1] = data[fields.keys + 2];
    sdk_values_[2] = data[fields.keys + 3];
    sdk_values_[3] = read_le<uint16_t>(data, fields.keys + 4);
    sdk_values_[4] = read_le<uint16_t>(data, fields.keys + 6);
    info_parsed_ = true;
    two_part_pending_ = false;
}

void Sensor::set_counts(uint8_t multiple_return_count) {
    information_.return_count =
        SdkManager::has_control_flag(DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS)
            ? multiple_return_count
            : 1;
    information_.segment_count = static_cast<uint8_t>(calibration_.channel_count);
}

void Sensor::take_info_identity(const uint8_t* data, const DruvexCalibration* body) {
    const uint64_t serial = read_le<uint32_t>(data, info::serial);
    information_.serial_number = serial != 0 ? serial : serial_from_handle(handle_);
    if (body != nullptr) {
        information_.model = body->model;
        std::memcpy(information_.model_name, body->model_name, sizeof body->model_name);
    }
    if (information_.model == 0) {
        information_.model = model_from_firmware(information_.firmware_version);
    }
    calibration_.model = information_.model;
    if (information_.model_name[0] == '\0') {
        std::strncpy(information_.model_name, model_name(information_.model),
                     sizeof information_.model_name - 1);
    }
    set_model_constants();
    float* constants[4] = {&image_x_scale_, &image_z_scale_, &distance_scale_, &focal_length_};
    const size_t overrides[4] = {info::image_x_scale, info::image_z_scale, info::distance_scale,
                                 info::focal_length};
    for (size_t i = 0; i < 4; ++i) {
        const float value = read_le<float>(data, overrides[i]);
        if (value != 0) *constants[i] = value;
    }
    apply_channel_constants();
    set_counts(2);
}

void Sensor::apply_gps_status(char status) {
    bool pps, nmea;
    switch (status) {
        case 0: pps = nmea = false; break;
        case 'A': pps = nmea = true; break;
        case 'P': pps = true, nmea = false; break;
        case 'V': pps = false, nmea = true; break;
        default: return;
    }
    set_flag(information_.flags, DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED, pps);
    set_flag(information_.flags, DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED, nmea);
}

void Sensor::set_clock(uint16_t divisor, uint8_t divider_code) {
    const bool orvel = information_.model == 5 || information_.model == 7;
    // A zero divisor gives an infinite rate in floating point; nothing traps.
    clock_rate_ = static_cast<float>(25000000.0 / divisor * (orvel ? 0.03125 : 0.0625));
    if (orvel) {
        clock_divider_ = static_cast<uint16_t>(divider_code + (divider_code < 65 ? 3840 : 3584));
    } else {
        clock_divider_ = static_cast<uint16_t>(divider_code + (divider_code < 129 ? 256 : 0));
    }
}

void Sensor::parse_info(size_t size, const uint8_t* data) {
    DruvexCalibration body;
    const bool body_parsed = begin_parse(size, data, info_fields, body);
    if (!info_parsed_) take_info_identity(data, body_parsed ? &body : nullptr);
    if (body_parsed) set_calibration_from_body(body);
    set_flag(information_.flags, DRUVEX_SENSOR_FLAG_IS_CALIBRATED, calibration_.signature != 0);
    apply_gps_status(static_cast<char>(data[info::gps_status]));
    std::memcpy(information_.gps_time, data + info::gps_time, 6);
    update_gps_time();
    set_clock(read_le<uint16_t>(data, info::key2), data[info::clock_divider]);
    finish_parse(data, info_fields);
}

void Sensor::take_infx_identity(const uint8_t* data, const DruvexCalibration* body) {
    information_.serial_number = read_le<uint32_t>(data, infx::serial);
    information_.model = read_le<uint16_t>(data, infx::model);
    if (body != nullptr && body->model_name[0] != '\0') {
        std::memcpy(information_.model_name, body->model_name, sizeof body->model_name);
    } else {
        std::strncpy(information_.model_name, model_name(information_.model),
                     sizeof information_.model_name - 1);
    }
    set_model_constants();
    apply_channel_constants();
    // Only one or two returns exist; a larger count would index past the
    // per-return arrays of every point.
    set_counts(clamp_return_count(data[infx::return_count]));
}

void Sensor::parse_info_x(size_t size, const uint8_t* data) {
    DruvexCalibration body;
    const bool body_parsed = begin_parse(size, data, infx_fields, body);
    if (!info_parsed_) take_infx_identity(data, body_parsed ? &body : nullptr);
    if (body_parsed) set_calibration_from_body(body);

    const uint8_t status = data[infx::status];
    if (status & infx::status_gps_valid) {
        information_.flags |= DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED;
    } else if (status & infx::status_pps) {
        information_.flags |= DRUVEX_SENSOR_FLAG_IS_SYNC_TIMESTAMP_VALID;
        information_.sync_timestamp = read_le<int64_t>(data, infx::sync_timestamp);
    }
    if (status & infx::status_pps) information_.flags |= DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED;
    if (!(status & infx::status_gps_absent)) {
        std::memcpy(information_.gps_time, data + infx::gps_time, 6);
        update_gps_time();
    }
    finish_parse(data, infx_fields);
}

void Sensor::set_model_constants() {
    const ModelConstants c = model_constants(information_.model, information_.firmware_version);
    focal_length_ = c.focal_length;
    image_x_scale_ = c.image_x_scale;
    image_z_scale_ = c.image_z_scale;
    distance_scale_ = c.distance_scale;
}

void Sensor::apply_channel_constants() {
    calibration_.channel_count = model_channel_count(information_.model);
    calibration_.focal_length = focal_length_;
    calibration_.distance_scale = distance_scale_;
    for (DruvexLaserCalibration& laser : calibration_.lasers) {
        laser.image_x_scale = image_x_scale_;
        laser.image_z_scale = image_z_scale_;
    }
}

void Sensor::set_calibration_from_body(const DruvexCalibration& body) {
    if (SdkManager::has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_INFO_CALIBRATION)) return;
    if (body.signature != 0 && body.signature != calibration_.signature) {
        calibration_ = body;
        calibration_.model = information_.model;
        if (firmware_needs_saturation_adjustment(information_.model,
                                                 information_.firmware_version)) {
            calibration_.flags |= 1;
        }
    }
    if (body.distortion_k1 == 0) {
        const Distortion d = default_distortion(information_.model);
        calibration_.distortion_k1 = d.k1;
        calibration_.distortion_k2 = d.k2;
        calibration_.distortion_k3 = d.k3;
    }
    set_flag(information_.flags, DRUVEX_SENSOR_FLAG_IS_CALIBRATED, calibration_.signature != 0);
}

void Sensor::update_gps_time() {
    if (!(information_.flags & DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED)) return;
    std::tm calendar{};
    calendar.tm_year = information_.gps_time[0] + 100;  // years since 1900
    calendar.tm_mon = information_.gps_time[1] - 1;
    calendar.tm_mday = information_.gps_time[2];
    calendar.tm_hour = information_.gps_time[3];
    calendar.tm_isdst = 0;
    const std::time_t seconds = std::mktime(&calendar);
    if (seconds != static_cast<std::time_t>(-1)) gps_base_time_ = seconds * usec_per_sec;
}

}  // namespace druvex_sdk
