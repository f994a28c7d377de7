// The single entry of every packet, live, replayed or mock-received: queued
// errors go out first, then the packet goes by its magic to the sensor that
// sent it (information) or to that sensor's frame (data).
#pragma once

#include <cstddef>
#include <cstdint>

namespace druvex_sdk {

// Nothing larger fits in one UDP datagram.
constexpr size_t max_packet_size = 65535;

void route_packet(uint64_t handle, int64_t timestamp_usec, size_t size, const uint8_t* data);

}  // namespace druvex_sdk
