// Replays a packet stream through the packet router, as live traffic with
// networking off. The stream is a run of entries: one selector byte, a 16-bit
// little-endian length and that many packet bytes (a short last entry keeps
// what is there). Bits 0-1 of the selector pick one of four sender handles,
// bits 2-7 switch decoding control flags before the packet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace druvex_fuzz {

// Routes every packet of the stream, then clears all sensors. Returns the
// number of packets routed.
size_t feed_packets(const uint8_t* data, size_t size);

}  // namespace druvex_fuzz
