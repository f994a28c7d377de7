// SensorError: construction and message formatting.
#include "sensor_error.h"

#include <cstdio>
#include <system_error>

namespace druvex_sdk {
namespace {

std::string format_what(int32_t code, const char* message) {
    char buffer[1024];
    const char* name = error_code_name(code);
    if (message != nullptr && message[0] != '\0') {
        std::snprintf(buffer, sizeof buffer, "%s: %s", name, message);
    } else {
        std::snprintf(buffer, sizeof buffer, "%s", name);
    }
    return buffer;
}

}  // namespace

const char* error_code_name(int32_t code) {
    switch (code) {
        case DRUVEX_SUCCESS: return "DRUVEX_SUCCESS";
        case DRUVEX_ERROR_GENERIC: return "DRUVEX_ERROR_GENERIC";
        case DRUVEX_ERROR_OUT_OF_MEMORY: return "DRUVEX_ERROR_OUT_OF_MEMORY";
        case DRUVEX_ERROR_SENSOR_NOT_FOUND: return "DRUVEX_ERROR_SENSOR_NOT_FOUND";
        case DRUVEX_ERROR_SDK_VERSION_MISMATCH: return "DRUVEX_ERROR_SDK_VERSION_MISMATCH";
        case DRUVEX_ERROR_COMMUNICATION: return "DRUVEX_ERROR_COMMUNICATION";
        case DRUVEX_ERROR_TOO_MANY_CALLBACKS: return "DRUVEX_ERROR_TOO_MANY_CALLBACKS";
        case DRUVEX_ERROR_INVALID_ARGUMENTS: return "DRUVEX_ERROR_INVALID_ARGUMENTS";
        case DRUVEX_ERROR_ALREADY_INITIALIZED: return "DRUVEX_ERROR_ALREADY_INITIALIZED";
        case DRUVEX_ERROR_NOT_INITIALIZED: return "DRUVEX_ERROR_NOT_INITIALIZED";
        case DRUVEX_ERROR_INVALID_FILE_TYPE: return "DRUVEX_ERROR_INVALID_FILE_TYPE";
        case DRUVEX_ERROR_FILE_IO: return "DRUVEX_ERROR_FILE_IO";
        case DRUVEX_ERROR_CORRUPT_FILE: return "DRUVEX_ERROR_CORRUPT_FILE";
        case DRUVEX_ERROR_NOT_OPEN: return "DRUVEX_ERROR_NOT_OPEN";
        case DRUVEX_ERROR_EOF: return "DRUVEX_ERROR_EOF";
        case DRUVEX_FAULT_INTERNAL: return "DRUVEX_FAULT_INTERNAL";
        case DRUVEX_FAULT_EXTREME_TEMPERATURE: return "DRUVEX_FAULT_EXTREME_TEMPERATURE";
        case DRUVEX_FAULT_EXTREME_HUMIDITY: return "DRUVEX_FAULT_EXTREME_HUMIDITY";
        case DRUVEX_FAULT_EXTREME_ACCELERATION: return "DRUVEX_FAULT_EXTREME_ACCELERATION";
        case DRUVEX_FAULT_ABNORMAL_FOV: return "DRUVEX_FAULT_ABNORMAL_FOV";
        case DRUVEX_FAULT_ABNORMAL_FRAME_RATE: return "DRUVEX_FAULT_ABNORMAL_FRAME_RATE";
        case DRUVEX_FAULT_MOTOR_MALFUNCTION: return "DRUVEX_FAULT_MOTOR_MALFUNCTION";
        case DRUVEX_FAULT_LASER_MALFUNCTION: return "DRUVEX_FAULT_LASER_MALFUNCTION";
        case DRUVEX_FAULT_DETECTOR_MALFUNCTION: return "DRUVEX_FAULT_DETECTOR_MALFUNCTION";
        default: return "";
    }
}

SensorError::SensorError(int32_t code_, const char* message_)
    : std::runtime_error(format_what(code_, message_)),
      code(code_),
      message(message_ != nullptr ? message_ : "") {}

// Moves keep the formatted what() text (the exception part is copied) and take
// the detail text over.
SensorError::SensorError(SensorError&& other) noexcept
    : std::runtime_error(other), code(other.code), message(std::move(other.message)) {
    other.message.clear();
}

SensorError& SensorError::operator=(SensorError&& other) noexcept {
    if (this != &other) {
        std::runtime_error::operator=(other);
        code = other.code;
        message = std::move(other.message);
        other.message.clear();
    }
    return *this;
}

// The same words as a thread that would join itself gets from the system.
SensorError refused_in_callback() {
    return SensorError(DRUVEX_ERROR_GENERIC,
                       std::make_error_code(std::errc::resource_deadlock_would_occur).message());
}

}  // namespace druvex_sdk
