// Exported calls that register and remove the caller's callbacks.
#include "core/callback.h"
#include "core/sdk_manager.h"
#include "druvex_sdk.h"

using druvex_sdk::Callback;
using druvex_sdk::report;
using druvex_sdk::SdkManager;
using druvex_sdk::SensorError;

namespace {

template <typename Function>
SensorError listen(Callback<Function>& slot, Function function, void* user_data) {
    if (function == nullptr) return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
    if (!slot.set(function, user_data)) return SensorError(DRUVEX_ERROR_TOO_MANY_CALLBACKS);
    return druvex_sdk::success();
}

template <typename Function>
int32_t listen_checked(Callback<Function>& slot, Function function, void* user_data) {
    return report([&] {
        if (!SdkManager::is_initialized()) return SensorError(DRUVEX_ERROR_NOT_INITIALIZED);
        return listen(slot, function, user_data);
    });
}

template <typename Function>
int32_t unlisten(Callback<Function>& slot) {
    if (!SdkManager::is_initialized()) return SdkManager::get_last_error().code;
    slot.clear();
    return SdkManager::get_last_error().code;
}

}  // namespace

extern "C" {

DRUVEX_API int32_t druvex_sdk_listen_network_packet(DruvexNetworkPacketCallback callback,
                                                    void* user_data) {
    return listen_checked(druvex_sdk::network_packet_callback(), callback, user_data);
}

DRUVEX_API int32_t druvex_sdk_listen_raw_frames(DruvexSensorRawFramesCallback callback,
                                                void* user_data) {
    return listen_checked(druvex_sdk::raw_frames_callback(), callback, user_data);
}

// Before initialisation this call quietly does nothing, unlike its siblings.
DRUVEX_API int32_t druvex_sdk_listen_image_frames(DruvexSensorImageFramesCallback callback,
                                                  void* user_data) {
    if (!SdkManager::is_initialized()) return SdkManager::get_last_error().code;
    return report([&] { return listen(druvex_sdk::image_frames_callback(), callback, user_data); });
}

DRUVEX_API int32_t druvex_sdk_unlisten_network_packet(void) {
    return unlisten(druvex_sdk::network_packet_callback());
}

DRUVEX_API int32_t druvex_sdk_unlisten_raw_frames(void) {
    return unlisten(druvex_sdk::raw_frames_callback());
}

DRUVEX_API int32_t druvex_sdk_unlisten_image_frames(void) {
    return unlisten(druvex_sdk::image_frames_callback());
}

}  // extern "C"
