#include "sensor_manager.h"

#include "sdk_manager.h"

namespace druvex_sdk {

SensorError SensorManager::handle_packet(uint64_t, int64_t, size_t, const uint8_t*) {
    SdkManager::dispatch_errors();
    return success();
}

void SensorManager::clear() {}

int32_t SensorManager::count() { return 0; }

}  // namespace druvex_sdk
