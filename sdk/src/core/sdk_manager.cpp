// Reads of the SDK's process-wide state and the thread-local last error.
#include "sdk_manager.h"

#include "error_queue.h"
#include "sdk_state.h"

namespace druvex_sdk {
namespace {

thread_local SensorError t_last_error;

}  // namespace

bool SdkManager::is_initialized() { return sdk_state().initialized.load() != 0; }

uint32_t SdkManager::get_control_flags() { return sdk_state().control_flags.load(); }

bool SdkManager::has_control_flag(uint32_t bits) { return (get_control_flags() & bits) != 0; }

int32_t SdkManager::get_frame_mode() {
    std::lock_guard<std::mutex> lock(sdk_state().mutex);
    return static_cast<int32_t>(sdk_state().frame_options.mode);
}

float SdkManager::get_frame_length() {
    std::lock_guard<std::mutex> lock(sdk_state().mutex);
    return sdk_state().frame_options.length;
}

DruvexSDKFrameOptions SdkManager::get_frame_options() {
    std::lock_guard<std::mutex> lock(sdk_state().mutex);
    return sdk_state().frame_options;
}

SensorError& SdkManager::set_last_error(SensorError error) {
    if (!error.ok()) t_last_error = std::move(error);
    return t_last_error;
}

SensorError& SdkManager::get_last_error() { return t_last_error; }

void SdkManager::reset_last_error() { t_last_error = SensorError(); }

void SdkManager::dispatch_errors() { dispatch_queued_errors(); }

}  // namespace druvex_sdk
