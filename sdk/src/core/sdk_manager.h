// The SDK's process-wide state as every area reads it (initialised flag,
// control flags, frame options), the calling thread's last error, and the
// delivery of queued errors. Starting and stopping the SDK is the runtime's.
#pragma once

#include <cstdint>

#include "druvex_sdk.h"
#include "sensor_error.h"

namespace druvex_sdk {

class SdkManager {
public:
    static bool is_initialized();
    static uint32_t get_control_flags();
    static bool has_control_flag(uint32_t bits);

    static int32_t get_frame_mode();
    static float get_frame_length();
    static DruvexSDKFrameOptions get_frame_options();

    // Per-thread last error. set_last_error leaves it unchanged for a success
    // value and overwrites it otherwise; it returns the stored value.
    static SensorError& set_last_error(SensorError error);
    static SensorError& get_last_error();
    static void reset_last_error();

    static void dispatch_errors();
};

// Runs an exported call body: exceptions never cross the C boundary, and the
// result goes through the last-error convention.
template <typename Body>
int32_t report(Body&& body) noexcept {
    try {
        return SdkManager::set_last_error(body()).code;
    } catch (const std::bad_alloc&) {
        return SdkManager::set_last_error(SensorError(DRUVEX_ERROR_OUT_OF_MEMORY)).code;
    } catch (const std::exception& e) {
        return SdkManager::set_last_error(SensorError(DRUVEX_ERROR_GENERIC, e.what())).code;
    } catch (...) {
        return SdkManager::set_last_error(SensorError(DRUVEX_ERROR_GENERIC)).code;
    }
}

}  // namespace druvex_sdk
