// Exported calls over the sensor registry: enumeration, information, values,
// calibration and per-sensor transforms.
#include <memory>

#include "core/sdk_manager.h"
#include "druvex_sdk.h"
#include "sensors/point_calibration.h"
#include "sensors/sensor_manager.h"

using druvex_sdk::report;
using druvex_sdk::SdkManager;
using druvex_sdk::Sensor;
using druvex_sdk::SensorError;
using druvex_sdk::SensorManager;

namespace {

SensorError not_initialized() { return SensorError(DRUVEX_ERROR_NOT_INITIALIZED); }
SensorError not_found() { return SensorError(DRUVEX_ERROR_SENSOR_NOT_FOUND); }
SensorError invalid_arguments() { return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS); }

// Runs `body` on the sensor with that handle, reporting through the last error.
// The shared reference keeps the sensor alive across a concurrent clear.
template <typename Body>
int32_t with_sensor(uint64_t handle, bool arguments_given, Body&& body) {
    return report([&] {
        if (!SdkManager::is_initialized()) return not_initialized();
        if (!arguments_given) return invalid_arguments();
        std::shared_ptr<Sensor> sensor = SensorManager::instance().get_by_handle(handle);
        if (!sensor) return not_found();
        body(*sensor);
        return druvex_sdk::success();
    });
}

bool valid_point_counts(int32_t n_raw_points, int32_t return_count) {
    return n_raw_points >= 0 && return_count >= 1 && return_count <= DRUVEX_SDK_MAX_RETURNS;
}

bool valid_point_buffers(int32_t n_raw_points, const void* raw, const void* out) {
    return n_raw_points == 0 || (raw != nullptr && out != nullptr);
}

}  // namespace

extern "C" {

DRUVEX_API int32_t druvex_sdk_get_n_sensors(void) { return SensorManager::instance().count(); }

DRUVEX_API int32_t druvex_sdk_get_sensor_handle_by_serial_number(uint64_t serial_number,
                                                                 uint64_t* handle) {
    return report([&] {
        if (!SdkManager::is_initialized()) return not_initialized();
        if (handle == nullptr) return invalid_arguments();
        auto sensor = SensorManager::instance().get_by_serial_number(serial_number);
        if (!sensor) return not_found();
        *handle = sensor->handle();
        return druvex_sdk::success();
    });
}

DRUVEX_API int32_t druvex_sdk_get_sensor_information(uint64_t handle,
                                                     DruvexSensorInformation* information) {
    return with_sensor(handle, information != nullptr,
                       [&](Sensor& sensor) { *information = sensor.information(); });
}

DRUVEX_API int32_t
druvex_sdk_get_sensor_information_by_index(int32_t index, DruvexSensorInformation* information) {
    return report([&] {
        if (!SdkManager::is_initialized()) return not_initialized();
        if (information == nullptr) return invalid_arguments();
        auto sensor = SensorManager::instance().get_by_index(index);
        if (!sensor) return not_found();
        *information = sensor->information();
        return druvex_sdk::success();
    });
}

// A refused key or size is returned to the caller but not stored.
DRUVEX_API int32_t druvex_sdk_get(uint64_t handle, uint32_t key, void* value, uint32_t value_size) {
    bool found = false;
    int32_t code = DRUVEX_SUCCESS;
    const int32_t stored = with_sensor(handle, value != nullptr, [&](Sensor& sensor) {
        found = true;
        code = sensor.value(key, value_size, value).code;
    });
    return found ? code : stored;
}

DRUVEX_API int32_t druvex_sdk_get_calibration(uint64_t handle, DruvexCalibration* calibration) {
    return with_sensor(handle, calibration != nullptr,
                       [&](Sensor& sensor) { *calibration = sensor.calibration(); });
}

// An unknown handle is returned to the caller but not stored.
DRUVEX_API int32_t druvex_sdk_set_calibration(uint64_t handle,
                                              const DruvexCalibration* calibration) {
    if (SdkManager::is_initialized() && calibration != nullptr &&
        !SensorManager::instance().get_by_handle(handle)) {
        return DRUVEX_ERROR_SENSOR_NOT_FOUND;
    }
    return with_sensor(handle, calibration != nullptr,
                       [&](Sensor& sensor) { sensor.set_calibration(*calibration); });
}

DRUVEX_API int32_t druvex_sdk_calibrate_points(uint64_t handle, int32_t n_raw_points,
                                               const DruvexSensorRawPointWithTime* raw_points,
                                               int32_t return_count,
                                               DruvexSensorImagePoint* image_points) {
    return report([&] {
        if (!SdkManager::is_initialized()) return not_initialized();
        if (!valid_point_counts(n_raw_points, return_count) ||
            !valid_point_buffers(n_raw_points, raw_points, image_points)) {
            return invalid_arguments();
        }
        auto sensor = SensorManager::instance().get_by_handle(handle);
        if (!sensor) return not_found();
        sensor->calibrate_points(n_raw_points, raw_points, return_count, image_points);
        return druvex_sdk::success();
    });
}

DRUVEX_API int32_t druvex_sdk_calibrate_points_with_calibration(
    const DruvexCalibration* calibration, int32_t n_raw_points,
    const DruvexSensorRawPointWithTime* raw_points, int32_t return_count,
    DruvexSensorImagePoint* image_points) {
    return report([&] {
        if (!SdkManager::is_initialized()) return not_initialized();
        if (calibration == nullptr || !valid_point_counts(n_raw_points, return_count) ||
            !valid_point_buffers(n_raw_points, raw_points, image_points)) {
            return invalid_arguments();
        }
        druvex_sdk::calibrate_points(*calibration, n_raw_points, raw_points, return_count,
                                     image_points);
        return druvex_sdk::success();
    });
}

// Before initialisation this call returns -10 without storing it.
DRUVEX_API int32_t druvex_sdk_get_transform(uint64_t handle, DruvexSensorTransform* transform) {
    if (!SdkManager::is_initialized()) return DRUVEX_ERROR_NOT_INITIALIZED;
    return with_sensor(handle, transform != nullptr,
                       [&](Sensor& sensor) { *transform = sensor.transform(); });
}

DRUVEX_API int32_t druvex_sdk_has_transform(uint64_t handle, int32_t* has_transform) {
    return with_sensor(handle, has_transform != nullptr,
                       [&](Sensor& sensor) { *has_transform = sensor.has_transform() ? 1 : 0; });
}

DRUVEX_API int32_t druvex_sdk_set_transform(uint64_t handle,
                                            const DruvexSensorTransform* transform) {
    return with_sensor(handle, transform != nullptr,
                       [&](Sensor& sensor) { sensor.set_transform(*transform); });
}

DRUVEX_API int32_t druvex_sdk_clear_transform(uint64_t handle) {
    return with_sensor(handle, true, [](Sensor& sensor) { sensor.clear_transform(); });
}

}  // extern "C"
