// Hand-made information and data packets for tests that need fields the
// simulator does not vary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim_bytes.h"

namespace druvex_test {

using druvex_sim::Bytes;
using druvex_sim::put;
using druvex_sim::put_text;

// An "INFO" packet of 184 bytes whose body has no known magic.
inline Bytes bare_info(const std::string& firmware, uint32_t serial = 7) {
    Bytes p(184, 0);
    put_text(p, 0, "INFO", 4);
    put<uint32_t>(p, 4, serial);
    put_text(p, 8, firmware, 4);
    put<uint16_t>(p, 28, 1000);
    return p;
}

// A data packet header with clock t, followed by `records` zeroed records.
inline Bytes data_packet(const char* magic, uint32_t t, size_t records, size_t record_size) {
    Bytes p(22 + records * record_size, 0);
    put_text(p, 0, magic, 4);
    put<uint32_t>(p, 4, t);
    return p;
}

}  // namespace druvex_test
