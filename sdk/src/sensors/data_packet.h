// Data packets: a 22-byte header and a run of fixed-size point records in one
// of four layouts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/packet_bytes.h"
#include "druvex_sdk.h"

namespace druvex_sdk {

constexpr size_t data_header_size = 22;
constexpr size_t data_clock_offset = 4;
constexpr size_t data_ignore_offset = 9;

constexpr uint32_t magic_stdt = magic_of("STDT");
constexpr uint32_t magic_stdp = magic_of("STDP");
constexpr uint32_t magic_stdr = magic_of("STDR");
constexpr uint32_t magic_stdq = magic_of("STDQ");

bool is_data_magic(uint32_t magic);
// Bytes per point record of a data magic; 0 for any other magic.
size_t data_record_size(uint32_t magic);

// Timing of one packet's records: record i is stamped base + (i + 1) periods,
// and its channel is i modulo the channel count (0 when there is none).
struct RecordTiming {
    int64_t base;
    float period;
    uint32_t channel_count;
};

// Decodes n records of the given layout into zeroed-then-filled raw points.
void decode_records(uint32_t magic, const uint8_t* records, int32_t n, const RecordTiming& timing,
                    DruvexSensorRawPointWithTime* out);

}  // namespace druvex_sdk
