// Layout of the information packets ("INFO", "INFX", "INF1", "INF2").
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/packet_bytes.h"

namespace druvex_sdk {

constexpr uint32_t magic_info = magic_of("INFO");
constexpr uint32_t magic_infx = magic_of("INFX");
constexpr uint32_t magic_inf1 = magic_of("INF1");
constexpr uint32_t magic_inf2 = magic_of("INF2");
constexpr uint32_t magic_dvx8 = magic_of("DVX8");
constexpr uint32_t magic_dvx9 = magic_of("DVX9");
constexpr uint32_t magic_dvxa = magic_of("DVXA");

bool is_info_magic(uint32_t magic);

constexpr size_t info_min_size = 184;
constexpr size_t info_body_offset = 56;
// A first half is recognised by its body's channel count at this offset.
constexpr size_t info_part1_channels_offset = 96;
constexpr uint32_t info_part1_min_channels = 13;
// The second half carries body magic and signature at 56 and 60, and bytes 64
// to 831 that continue the body at offset 952 of the assembled packet.
constexpr size_t info_part2_min_size = 768;
constexpr size_t info_part2_data_offset = 64;
constexpr size_t info_part2_data_size = 768;
constexpr size_t info_part2_target_offset = 952;

// "INFO" fields.
namespace info {
constexpr size_t serial = 4, firmware = 8, image_x_scale = 12, image_z_scale = 16,
                 distance_scale = 20, focal_length = 24, key2 = 28, key3 = 30, key4 = 31, key5 = 32,
                 key6 = 34, clock_divider = 36, gps_status = 39, gps_time = 40, run_time = 46,
                 temperature = 48, humidity = 49;
}

// "INFX" fields.
namespace infx {
constexpr size_t serial = 4, firmware = 8, model = 12, key2 = 14, key3 = 16, key4 = 17, key5 = 18,
                 key6 = 20, run_time = 24, temperature = 26, humidity = 27, return_count = 28,
                 status = 31, sync_timestamp = 32, gps_time = 34;
constexpr uint8_t status_gps_valid = 1, status_pps = 2, status_gps_absent = 4;
}  // namespace infx

}  // namespace druvex_sdk
