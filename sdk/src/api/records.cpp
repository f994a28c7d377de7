// Exported records: their sizes are part of the binary interface.
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "druvex_sdk.h"

#define DRUVEX_CHECK_RECORD(T, size)                \
    static_assert(sizeof(T) == (size), #T " size"); \
    static_assert(std::is_standard_layout<T>::value, #T " layout")

#define DRUVEX_CHECK_FIELD(T, field, offset) \
    static_assert(offsetof(T, field) == (offset), #T "::" #field " offset")

DRUVEX_CHECK_RECORD(DruvexSDKFrameOptions, 16);
DRUVEX_CHECK_FIELD(DruvexSDKFrameOptions, signature, 0);
DRUVEX_CHECK_FIELD(DruvexSDKFrameOptions, mode, 8);
DRUVEX_CHECK_FIELD(DruvexSDKFrameOptions, length, 12);

DRUVEX_CHECK_RECORD(DruvexSDKOptions, 40);
DRUVEX_CHECK_FIELD(DruvexSDKOptions, signature, 0);
DRUVEX_CHECK_FIELD(DruvexSDKOptions, control_flags, 8);
DRUVEX_CHECK_FIELD(DruvexSDKOptions, frame_options, 16);
DRUVEX_CHECK_FIELD(DruvexSDKOptions, port, 32);

DRUVEX_CHECK_RECORD(DruvexSensorInformation, 120);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, handle, 0);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, serial_number, 8);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, model_name, 16);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, model, 44);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, reserved, 46);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, firmware_version, 48);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, temperature, 80);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, humidity, 84);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, run_time, 88);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, measurement_period, 92);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, sync_timestamp, 96);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, gps_time, 104);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, return_count, 110);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, segment_count, 111);
DRUVEX_CHECK_FIELD(DruvexSensorInformation, flags, 112);

DRUVEX_CHECK_RECORD(DruvexSensorRawPointWithTime, 32);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, timestamp, 0);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, image_x, 8);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, image_z, 10);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, distance, 12);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, intensity, 20);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, saturated, 22);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, channel_id, 24);
DRUVEX_CHECK_FIELD(DruvexSensorRawPointWithTime, power_level, 25);

DRUVEX_CHECK_RECORD(DruvexSensorImagePoint, 32);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, timestamp, 0);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, image_x, 8);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, distance, 12);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, image_z, 16);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, intensity, 20);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, return_type, 24);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, flags, 25);
DRUVEX_CHECK_FIELD(DruvexSensorImagePoint, reserved, 26);

DRUVEX_CHECK_RECORD(DruvexSensorTransform, 28);
DRUVEX_CHECK_FIELD(DruvexSensorTransform, rotation, 0);
DRUVEX_CHECK_FIELD(DruvexSensorTransform, translation, 16);

DRUVEX_CHECK_RECORD(DruvexSensorStatistics, 12);
DRUVEX_CHECK_FIELD(DruvexSensorStatistics, value3, 4);
DRUVEX_CHECK_FIELD(DruvexSensorStatistics, value5, 8);

DRUVEX_CHECK_RECORD(DruvexLaserCalibration, 220);
DRUVEX_CHECK_FIELD(DruvexLaserCalibration, intensity_distance_offset, 8);
DRUVEX_CHECK_FIELD(DruvexLaserCalibration, image_x_scale, 12);
DRUVEX_CHECK_FIELD(DruvexLaserCalibration, z_from_x, 24);
DRUVEX_CHECK_FIELD(DruvexLaserCalibration, power_gain, 28);
DRUVEX_CHECK_FIELD(DruvexLaserCalibration, power_distance_offset, 156);

DRUVEX_CHECK_RECORD(DruvexCalibration, 7132);
DRUVEX_CHECK_FIELD(DruvexCalibration, model_name, 4);
DRUVEX_CHECK_FIELD(DruvexCalibration, model, 32);
DRUVEX_CHECK_FIELD(DruvexCalibration, channel_count, 36);
DRUVEX_CHECK_FIELD(DruvexCalibration, flags, 38);
DRUVEX_CHECK_FIELD(DruvexCalibration, focal_length, 40);
DRUVEX_CHECK_FIELD(DruvexCalibration, distance_scale, 44);
DRUVEX_CHECK_FIELD(DruvexCalibration, image_clip_min_x, 48);
DRUVEX_CHECK_FIELD(DruvexCalibration, distance_clip_min, 64);
DRUVEX_CHECK_FIELD(DruvexCalibration, distortion_center_x, 72);
DRUVEX_CHECK_FIELD(DruvexCalibration, distortion_k1, 80);
DRUVEX_CHECK_FIELD(DruvexCalibration, lasers, 92);

extern "C" {
const uint64_t druvex_sensor_information_size = sizeof(DruvexSensorInformation);
const uint64_t druvex_sensor_image_point_size = sizeof(DruvexSensorImagePoint);
const uint64_t druvex_sensor_raw_point_with_time_size = sizeof(DruvexSensorRawPointWithTime);
const uint64_t druvex_sensor_transform_size = sizeof(DruvexSensorTransform);
const uint64_t druvex_laser_calibration_size = sizeof(DruvexLaserCalibration);
const uint64_t druvex_calibration_size = sizeof(DruvexCalibration);
const uint64_t druvex_sdk_max_laser_count = DRUVEX_SDK_MAX_LASER_COUNT;
const uint64_t druvex_sdk_max_power_levels = DRUVEX_SDK_MAX_POWER_LEVELS;
const uint64_t druvex_sdk_max_returns = DRUVEX_SDK_MAX_RETURNS;

DRUVEX_API DruvexSDKFrameOptions druvex_sdk_create_frame_options(void) {
    DruvexSDKFrameOptions options{};
    options.signature = sizeof(DruvexSDKFrameOptions);
    options.mode = DRUVEX_SDK_FRAME_STREAMING;
    options.length = 0.05f;
    return options;
}

DRUVEX_API DruvexSDKOptions druvex_sdk_create_options(void) {
    DruvexSDKOptions options{};
    std::memset(static_cast<void*>(&options), 0, sizeof options);
    options.signature = sizeof(DruvexSDKOptions);
    options.control_flags = 0;
    options.frame_options = druvex_sdk_create_frame_options();
    options.port = 8808;
    return options;
}
}

// Both assignments copy the whole record, padding included, so a record keeps
// its exact bytes when callers pass it around.
#define DRUVEX_DEFINE_ASSIGNMENT(T)                                                    \
    T& T::operator=(const T& other) {                                                  \
        if (this != &other) std::memmove(static_cast<void*>(this), &other, sizeof(T)); \
        return *this;                                                                  \
    }                                                                                  \
    T& T::operator=(T&& other) noexcept {                                              \
        if (this != &other) std::memmove(static_cast<void*>(this), &other, sizeof(T)); \
        return *this;                                                                  \
    }

DRUVEX_DEFINE_ASSIGNMENT(DruvexCalibration)
DRUVEX_DEFINE_ASSIGNMENT(DruvexSDKFrameOptions)
DRUVEX_DEFINE_ASSIGNMENT(DruvexSDKOptions)
DRUVEX_DEFINE_ASSIGNMENT(DruvexSensorImagePoint)
DRUVEX_DEFINE_ASSIGNMENT(DruvexSensorInformation)
DRUVEX_DEFINE_ASSIGNMENT(DruvexSensorRawPointWithTime)
DRUVEX_DEFINE_ASSIGNMENT(DruvexSensorStatistics)
DRUVEX_DEFINE_ASSIGNMENT(DruvexSensorTransform)
