// The viewer's side of SDK failures: SdkError and the fetch of the last error.
#include "sdk_utils.h"

#include <cstring>

namespace druvex {
namespace {

// The SDK's last-error texts already begin with the code's name; it is not
// said twice.
std::string format_what(int32_t code, const std::string& message) {
    const std::string name = druvex_get_error_code_name(code);
    if (message.compare(0, name.size(), name) == 0) return message;
    return message.empty() ? name : name + ": " + message;
}

}  // namespace

SdkError::SdkError(int32_t code_, const std::string& message_)
    : std::runtime_error(format_what(code_, message_)), code(code_), message(message_) {}

SdkError last_sdk_error() {
    const char* message = nullptr;
    const int32_t code = druvex_sdk_get_error(&message);
    return SdkError(code, message != nullptr ? message : "");
}

DruvexCalibration get_calibration_by_serial(uint64_t serial) {
    DruvexCalibration calibration;
    std::memset(static_cast<void*>(&calibration), 0, sizeof calibration);
    uint64_t handle = 0;
    druvex_sdk_get_sensor_handle_by_serial_number(serial, &handle);
    if (!last_sdk_error().ok()) return calibration;
    druvex_sdk_get_calibration(handle, &calibration);
    if (!last_sdk_error().ok())
        std::memset(static_cast<void*>(&calibration), 0, sizeof calibration);
    return calibration;
}

bool has_sdk_control_flag(uint32_t mask) { return (druvex_sdk_get_control_flags() & mask) != 0; }

void set_sdk_control_flag(uint32_t mask, bool on) {
    druvex_sdk_set_control_flags(mask, on ? mask : 0);
}

}  // namespace druvex
