// Parsing of the calibration bodies that information packets carry.
#include "calibration_body.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/packet_bytes.h"
#include "info_packet.h"

namespace druvex_sdk {
namespace {

constexpr size_t block_size = 64;
constexpr size_t first_block = 128;
constexpr size_t fixed_body_size = 796;
constexpr uint16_t fixed_channel_count = 8;
constexpr float delta_to_raw = 0.00399723f;

float f32(const uint8_t* p, size_t offset) { return read_le<float>(p, offset); }

// A packet can make this value anything (a zero distance scale divides by
// zero): it saturates into the offset's range instead of overflowing.
int16_t saturate_int16(float value) {
    if (std::isnan(value)) return 0;
    value = std::min(std::max(value, -32768.0f), 32767.0f);
    return static_cast<int16_t>(value);
}

void copy_model_name(const uint8_t* source, DruvexCalibration& out) {
    std::memcpy(out.model_name, source, 27);
    out.model_name[27] = '\0';
}

enum class Format { dvx8, dvx9, dvxa };

// Header fields shared by "DVX8", "DVX9" and "DVXA".
void parse_common_header(const uint8_t* b, Format format, uint16_t n, DruvexCalibration& out) {
    out.signature = read_le<uint32_t>(b, 4);
    copy_model_name(b + 8, out);
    out.model = read_le<uint16_t>(b, 36);
    out.channel_count = n;
    out.focal_length = f32(b, 44);
    out.distance_scale = f32(b, 48);
    out.image_clip_min_x = f32(b, 52);
    out.image_clip_min_z = f32(b, 56);
    out.image_clip_max_x = f32(b, 60);
    out.image_clip_max_z = f32(b, 64);
    out.distance_clip_min = f32(b, 68);
    out.distance_clip_max = f32(b, 72);
    out.distortion_center_x = f32(b, 80);
    out.distortion_center_z = f32(b, 84);
    if (format != Format::dvx8) {
        out.distortion_k3 = f32(b, 76);
        out.distortion_k1 = f32(b, 88);
        out.distortion_k2 = f32(b, 92);
    }
}

int16_t scaled_offset(int8_t delta, float distance_scale, int16_t base) {
    return saturate_int16(
        std::trunc(static_cast<float>(delta) * delta_to_raw / distance_scale + base + 0.5f));
}

// Places of image_x_offset, image_x_offset2, image_z_offset, image_z_offset2.
using OffsetPlaces = size_t[4];
constexpr OffsetPlaces block_offsets = {0, 2, 4, 6};
constexpr OffsetPlaces fixed_offsets = {0, 4, 2, 6};

// The geometry every layout stores alike: four offsets, the base distance
// offset (returned) and the two image scales.
int16_t parse_geometry(const uint8_t* g, const OffsetPlaces& places,
                       DruvexLaserCalibration& laser) {
    laser.image_x_offset = read_le<int16_t>(g, places[0]);
    laser.image_x_offset2 = read_le<int16_t>(g, places[1]);
    laser.image_z_offset = read_le<int16_t>(g, places[2]);
    laser.image_z_offset2 = read_le<int16_t>(g, places[3]);
    laser.image_x_scale = f32(g, 12);
    laser.image_z_scale = f32(g, 16);
    return read_le<int16_t>(g, 8);
}

void parse_block(const uint8_t* body, const uint8_t* k, Format format, float distance_scale,
                 DruvexLaserCalibration& laser) {
    const int16_t base = parse_geometry(k, block_offsets, laser);
    if (format == Format::dvx8) {
        laser.x_from_z = f32(k, 20) * laser.image_z_scale;
        laser.intensity_distance_offset = f32(k, 28);
        const float gain = f32(k, 24);
        for (int i = 0; i < 16; ++i) {
            laser.power_gain[i] = static_cast<float>(k[32 + i]) * gain;
            laser.power_distance_offset[i] =
                scaled_offset(static_cast<int8_t>(k[48 + i]), distance_scale, base);
        }
        return;
    }
    laser.intensity_distance_offset = static_cast<float>(read_le<uint16_t>(k, 10)) / 100.0f;
    laser.x_from_z = f32(k, 20);
    laser.z_from_x = f32(k, 24);
    const float gain = f32(k, 28);
    for (int i = 0; i < DRUVEX_SDK_MAX_POWER_LEVELS; ++i) {
        if (format == Format::dvx9) {
            laser.power_gain[i] = static_cast<float>(body[96 + i]) * gain;
            laser.power_distance_offset[i] =
                scaled_offset(static_cast<int8_t>(k[32 + i]), distance_scale, base);
        } else {
            const float previous = i == 0 ? gain : laser.power_gain[i - 1];
            laser.power_gain[i] = previous * (1.0f + static_cast<float>(k[32 + i]) * 0.015625f);
            laser.power_distance_offset[i] = static_cast<int16_t>(read_le<uint16_t>(k, 8));
        }
    }
}

bool parse_block_body(const uint8_t* b, size_t length, Format format, DruvexCalibration& out) {
    if (length < first_block) return false;
    const uint32_t n = format == Format::dvx8 ? read_le<uint32_t>(b, 40) : read_le<uint16_t>(b, 40);
    const uint32_t limit = format == Format::dvxa ? 32 : 24;
    if (n > limit || length < (n + 2) * block_size) return false;
    parse_common_header(b, format, static_cast<uint16_t>(n), out);
    for (uint32_t i = 0; i < n; ++i) {
        parse_block(b, b + first_block + block_size * i, format, out.distance_scale, out.lasers[i]);
    }
    return true;
}

void parse_fixed_channel(const uint8_t* geometry, const uint8_t* power,
                         DruvexLaserCalibration& laser) {
    const int16_t base = parse_geometry(geometry, fixed_offsets, laser);
    laser.x_from_z = f32(geometry, 20) * laser.image_z_scale;
    const float gain = f32(power, 0);
    laser.intensity_distance_offset = f32(power, 4);
    for (int i = 0; i < 16; ++i) {
        laser.power_gain[i] = static_cast<float>(power[20 + i]) * gain;
        laser.power_distance_offset[i] =
            static_cast<int16_t>(static_cast<int8_t>(power[36 + i]) + base);
    }
}

bool parse_fixed_body(const uint8_t* b, size_t length, DruvexCalibration& out) {
    if (length < fixed_body_size) return false;
    out.image_clip_min_x = f32(b, 4);
    out.image_clip_min_z = f32(b, 8);
    out.image_clip_max_x = f32(b, 12);
    out.image_clip_max_z = f32(b, 16);
    out.distance_clip_min = f32(b, 20);
    out.distance_clip_max = f32(b, 24);
    out.focal_length = f32(b, 36);
    out.distortion_center_x = f32(b, 56);
    out.distortion_center_z = f32(b, 60);
    out.distance_scale = f32(b, 88);
    out.signature = read_le<uint32_t>(b, 340);
    copy_model_name(b + 344, out);
    out.model = read_le<uint16_t>(b, 372);
    out.channel_count = fixed_channel_count;
    for (size_t i = 0; i < fixed_channel_count; ++i) {
        parse_fixed_channel(b + 64 + 28 * i, b + 380 + 52 * i, out.lasers[i]);
    }
    return true;
}

}  // namespace

bool parse_info_body(const uint8_t* body, size_t length, DruvexCalibration& out) {
    out = DruvexCalibration{};
    if (length < 4) return false;
    switch (read_le<uint32_t>(body, 0)) {
        case magic_dvx8: return parse_block_body(body, length, Format::dvx8, out);
        case magic_dvx9: return parse_block_body(body, length, Format::dvx9, out);
        case magic_dvxa: return parse_block_body(body, length, Format::dvxa, out);
        case fixed_body_magic: return parse_fixed_body(body, length, out);
        default: return false;
    }
}

}  // namespace druvex_sdk
