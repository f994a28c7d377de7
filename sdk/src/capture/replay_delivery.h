// Where a replayed packet goes. Inside the SDK: to the caller's
// network-packet callback and then through the mock receive path into the
// sensor registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/sensor_error.h"

namespace druvex_sdk {

using ReplayDelivery = std::function<SensorError(uint64_t handle, int64_t timestamp_usec,
                                                 const uint8_t* data, size_t size)>;
// The same as a plain function with a bare result code: the SDK's own replay
// delivers every packet through it, without building an error value each time.
using ReplayRoute = int32_t (*)(uint64_t handle, int64_t timestamp_usec, const uint8_t* data,
                                size_t size);
// Where a replay reports what it meets on its way, away from any caller.
using ReplayErrorReport = std::function<void(int32_t code, const std::string& message)>;

int32_t deliver_replayed_packet(uint64_t handle, int64_t timestamp_usec, const uint8_t* data,
                                size_t size);
// Queues the error for the error callback and delivers it at once: the
// replay is the thread that routes packets, and the capture may hold none.
void report_replay_error(int32_t code, const std::string& message);

}  // namespace druvex_sdk
