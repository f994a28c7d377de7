// Fields of the SDK's process-wide state object.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "druvex_sdk.h"

namespace druvex_sdk {

struct SdkState {
    std::atomic<uint8_t> exit_handler_registered{0};
    std::atomic<uint8_t> initialized{0};
    std::atomic<uint32_t> control_flags{0};
    std::mutex mutex;  // guards frame_options
    DruvexSDKFrameOptions frame_options = druvex_sdk_create_frame_options();
};

SdkState& sdk_state();

}  // namespace druvex_sdk
