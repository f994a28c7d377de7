// Initialisation, shut-down, clearing, control flags and frame options of the SDK.
#include "sdk_lifecycle.h"

#include <cstdlib>

#include "capture/capture_replay.h"
#include "core/callback.h"
#include "core/sdk_manager.h"
#include "core/sdk_state.h"
#include "frames/frame_manager.h"
#include "network/network_manager.h"
#include "sensors/sensor_manager.h"

namespace druvex_sdk {
namespace {

SensorError check_frame_options(const DruvexSDKFrameOptions& options) {
    if (options.signature != sizeof(DruvexSDKFrameOptions)) {
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS, "Options not initialized!");
    }
    if (options.mode > DRUVEX_SDK_FRAME_FULL_SCAN) {
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS, "Invalid frame mode!");
    }
    // NaN and infinity fail the comparisons below as well: a frame that can
    // never end (or that outgrows its buffer first) would never be delivered.
    if (options.mode == DRUVEX_SDK_FRAME_TIMED &&
        !(options.length >= 0.0f && options.length <= Frame::max_timed_length_sec)) {
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS, "Invalid frame length!");
    }
    return success();
}

void store_frame_options(const DruvexSDKFrameOptions& options) {
    {
        std::lock_guard<std::mutex> lock(sdk_state().mutex);
        sdk_state().frame_options = options;
    }
    FrameManager::instance().set_frame_options(options);
}

// At exit the main thread's last error may already be destroyed, so nothing on
// this path may report through it: with the flag cleared first, closing the
// replay skips its registry clear (the registries are cleared here anyway).
void deinitialize_at_exit() {
    sdk_state().initialized = 0;
    (void)SdkLifecycle::deinitialize();
}

}  // namespace

SensorError SdkLifecycle::initialize(int32_t sdk_version, const DruvexSDKOptions& options,
                                     DruvexSensorErrorCallback callback, void* user_data) {
    auto& state = sdk_state();
    if (sdk_version != DRUVEX_SDK_VERSION) return SensorError(DRUVEX_ERROR_SDK_VERSION_MISMATCH);
    if (options.signature != sizeof(DruvexSDKOptions) ||
        (options.control_flags & ~DRUVEX_SDK_CONTROL_INIT_MASK) != 0) {
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
    }
    if (state.exit_handler_registered.exchange(1) == 0) std::atexit(deinitialize_at_exit);
    state.control_flags.exchange(options.control_flags);

    if (SensorError error = check_frame_options(options.frame_options)) return error;
    store_frame_options(options.frame_options);

    (void)NetworkManager::instance().set_port(options.port);
    if (callback != nullptr) error_callback().set(callback, user_data);
    if (SensorError error = NetworkManager::instance().start()) return error;
    state.initialized = 1;
    return success();
}

SensorError SdkLifecycle::deinitialize() {
    (void)global_capture_replay().close();
    NetworkManager::instance().stop();
    image_frames_callback().clear();
    raw_frames_callback().clear();
    network_packet_callback().clear();
    error_callback().clear();
    FrameManager::instance().clear();
    SensorManager::instance().clear();
    sdk_state().control_flags = 0;
    sdk_state().initialized = 0;
    return success();
}

SensorError SdkLifecycle::clear() {
    SensorManager::instance().clear();
    FrameManager::instance().clear();
    return success();
}

SensorError SdkLifecycle::set_control_flags(uint32_t mask, uint32_t flags) {
    if (!SdkManager::is_initialized()) return SensorError(DRUVEX_ERROR_NOT_INITIALIZED);
    if ((mask & ~DRUVEX_SDK_CONTROL_SET_MASK) != 0)
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
    // One exchange, so that callers on several threads never undo each
    // other's bits; listening follows the flag as the network manager reads
    // it when its turn comes.
    auto& control_flags = sdk_state().control_flags;
    uint32_t before = control_flags.load();
    while (!control_flags.compare_exchange_weak(before, (before & ~mask) | (flags & mask))) {}
    const uint32_t changed = (before ^ flags) & mask;
    if ((changed & DRUVEX_SDK_CONTROL_DISABLE_NETWORK) != 0) {
        return NetworkManager::instance().start();
    }
    return success();
}

SensorError SdkLifecycle::set_frame_options(const DruvexSDKFrameOptions& options) {
    if (!SdkManager::is_initialized()) return SensorError(DRUVEX_ERROR_NOT_INITIALIZED);
    if (SensorError error = check_frame_options(options)) return error;
    store_frame_options(options);
    return success();
}

}  // namespace druvex_sdk
