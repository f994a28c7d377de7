// Where a replayed packet goes. Inside the SDK: to the caller's
// network-packet callback and then through the mock receive path into the
// sensor registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "core/sensor_error.h"

namespace druvex_sdk {

using ReplayDelivery = std::function<SensorError(uint64_t handle, int64_t timestamp_usec,
                                                 const uint8_t* data, size_t size)>;

SensorError deliver_replayed_packet(uint64_t handle, int64_t timestamp_usec, const uint8_t* data,
                                    size_t size);

}  // namespace druvex_sdk
