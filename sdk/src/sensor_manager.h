// The sensor registry and packet router. (Placeholder until sensors arrive.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "sensor_error.h"

namespace druvex_sdk {

class SensorManager {
public:
    static SensorManager& instance();

    // The single entry of every packet: live, replayed or mock-received.
    SensorError handle_packet(uint64_t handle, int64_t timestamp_usec, size_t size,
                              const uint8_t* data);
    void clear();
    int32_t count();
};

}  // namespace druvex_sdk
