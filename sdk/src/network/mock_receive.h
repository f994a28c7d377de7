// A packet handed in by the program instead of the network (networking
// switched off): the path of druvex_sdk_mock_network_receive and of the
// replays, with its result as a value rather than the last error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/sensor_error.h"

namespace druvex_sdk {

SensorError mock_network_receive(uint64_t handle, int64_t timestamp_usec, const uint8_t* buffer,
                                 size_t size);
// The same with a bare result code, for the replay's per-packet path. On a
// thread that is handing out a frame (in a frame callback) the packet is
// refused, DRUVEX_ERROR_GENERIC: it could need that frame's lock.
int32_t route_mock_packet(uint64_t handle, int64_t timestamp_usec, const uint8_t* buffer,
                          size_t size);

}  // namespace druvex_sdk
