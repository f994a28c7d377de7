// Exported calls for errors, initialisation, control flags, frame options and port.
#include <string>

#include "core/callback.h"
#include "core/sdk_manager.h"
#include "druvex_sdk.h"
#include "network/network_manager.h"
#include "runtime/sdk_lifecycle.h"

using druvex_sdk::report;
using druvex_sdk::SdkLifecycle;
using druvex_sdk::SdkManager;
using druvex_sdk::SensorError;

namespace {

thread_local std::string t_error_text;

SensorError not_initialized() { return SensorError(DRUVEX_ERROR_NOT_INITIALIZED); }

}  // namespace

extern "C" {

DRUVEX_API const char* druvex_get_error_code_name(int32_t code) {
    return druvex_sdk::error_code_name(code);
}

DRUVEX_API int32_t druvex_is_error_code(int32_t code) { return code >= -999 && code < 0 ? 1 : 0; }

DRUVEX_API int32_t druvex_is_fault_code(int32_t code) {
    return code >= DRUVEX_FAULT_DETECTOR_MALFUNCTION && code <= DRUVEX_FAULT_INTERNAL ? 1 : 0;
}

DRUVEX_API int32_t druvex_sdk_get_error(const char** error_msg) {
    SensorError copy = SdkManager::get_last_error();
    SdkManager::reset_last_error();
    try {
        const char* text = copy.what();
        t_error_text = (text != nullptr && text[0] != '\0') ? text : "Unknown exception";
    } catch (...) {
        t_error_text.clear();
    }
    if (error_msg != nullptr) *error_msg = t_error_text.c_str();
    return copy.code;
}

DRUVEX_API int32_t druvex_sdk_initialize(int32_t sdk_version, const DruvexSDKOptions* options,
                                         DruvexSensorErrorCallback callback, void* user_data) {
    return report([&] {
        if (SdkManager::is_initialized()) return SensorError(DRUVEX_ERROR_ALREADY_INITIALIZED);
        if (options == nullptr) return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
        return SdkLifecycle::initialize(sdk_version, *options, callback, user_data);
    });
}

// A callback cannot take the SDK down under itself: stopping the thread that
// runs it, or the replay that delivers its packet, would wait for it to
// return. The shutdown at exit does not come this way.
DRUVEX_API int32_t druvex_sdk_deinitialize(void) {
    return report([] {
        if (druvex_sdk::in_callback()) return druvex_sdk::refused_in_callback();
        return SdkLifecycle::deinitialize();
    });
}

DRUVEX_API int32_t druvex_sdk_is_initialized(void) { return SdkManager::is_initialized() ? 1 : 0; }

DRUVEX_API int32_t druvex_sdk_clear(void) {
    if (!SdkManager::is_initialized()) return SdkManager::get_last_error().code;
    return report([] { return SdkLifecycle::clear(); });
}

DRUVEX_API uint32_t druvex_sdk_get_control_flags(void) { return SdkManager::get_control_flags(); }

DRUVEX_API int32_t druvex_sdk_has_control_flag(uint32_t flag) {
    return SdkManager::has_control_flag(flag) ? 1 : 0;
}

DRUVEX_API int32_t druvex_sdk_set_control_flags(uint32_t mask, uint32_t flags) {
    return report([&] { return SdkLifecycle::set_control_flags(mask, flags); });
}

DRUVEX_API int32_t druvex_sdk_get_frame_mode(void) { return SdkManager::get_frame_mode(); }

DRUVEX_API float druvex_sdk_get_frame_length(void) { return SdkManager::get_frame_length(); }

DRUVEX_API int32_t druvex_sdk_set_frame_options(const DruvexSDKFrameOptions* options) {
    return report([&] {
        if (!SdkManager::is_initialized()) return not_initialized();
        if (options == nullptr) return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
        return SdkLifecycle::set_frame_options(*options);
    });
}

DRUVEX_API uint16_t druvex_sdk_get_port(void) {
    return druvex_sdk::NetworkManager::instance().get_port();
}

DRUVEX_API uint64_t druvex_sdk_get_n_dropped_packets(void) {
    return druvex_sdk::NetworkManager::instance().queue().dropped_count();
}

DRUVEX_API int32_t druvex_sdk_set_port(uint16_t port) {
    return report([&] {
        if (!SdkManager::is_initialized()) return not_initialized();
        return druvex_sdk::NetworkManager::instance().set_port(port);
    });
}

}  // extern "C"
