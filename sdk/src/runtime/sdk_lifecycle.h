// Starting, stopping and resetting the SDK: the one place that drives every
// area (network, sensors, frames, replay) in order.
#pragma once

#include <cstdint>

#include "core/sensor_error.h"
#include "druvex_sdk.h"

namespace druvex_sdk {

class SdkLifecycle {
public:
    static SensorError initialize(int32_t sdk_version, const DruvexSDKOptions& options,
                                  DruvexSensorErrorCallback callback, void* user_data);
    static SensorError deinitialize();
    static SensorError clear();

    // Changes the flags of `mask` to those of `flags`; listening follows the
    // network switch at once.
    static SensorError set_control_flags(uint32_t mask, uint32_t flags);
    // Stores the options and restarts frame detection of every sensor.
    static SensorError set_frame_options(const DruvexSDKFrameOptions& options);
};

}  // namespace druvex_sdk
