// Packets injected by the program: checked against the SDK's state, then routed.
#include "mock_receive.h"

#include "core/callback.h"
#include "core/sdk_manager.h"
#include "druvex_sdk.h"
#include "frames/frame.h"
#include "packet_router.h"

namespace druvex_sdk {

int32_t route_mock_packet(uint64_t handle, int64_t timestamp_usec, const uint8_t* buffer,
                          size_t size) {
    if (!SdkManager::is_initialized()) return DRUVEX_ERROR_NOT_INITIALIZED;
    if (!SdkManager::has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK)) {
        return DRUVEX_ERROR_COMMUNICATION;
    }
    if (buffer == nullptr && size != 0) return DRUVEX_ERROR_INVALID_ARGUMENTS;
    if (delivering_frames_here()) return DRUVEX_ERROR_GENERIC;
    route_packet(handle, timestamp_usec, size, buffer);
    return DRUVEX_SUCCESS;
}

SensorError mock_network_receive(uint64_t handle, int64_t timestamp_usec, const uint8_t* buffer,
                                 size_t size) {
    const int32_t code = route_mock_packet(handle, timestamp_usec, buffer, size);
    if (code == DRUVEX_SUCCESS) return success();
    if (code == DRUVEX_ERROR_COMMUNICATION) return SensorError(code, "Must disable networking!");
    if (code == DRUVEX_ERROR_GENERIC) return refused_in_callback();
    return SensorError(code);
}

}  // namespace druvex_sdk
