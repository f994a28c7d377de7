// The simulated sensor's calibration: the parameters it writes into a
// calibration body, and the per-channel values a receiver must derive from
// them. Derived independently of any decoder, from the body definitions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim_bytes.h"

namespace druvex_sim {

// Image-plane tangent of one raw image unit in the simulated optics.
constexpr float sim_tangent_per_unit = 0.62f / 10000.0f;

enum class BodyFormat { dvx8, dvx9, dvxa };

struct SimChannel {
    int16_t x_offset = 0, x_offset2 = 0, z_offset = 0, z_offset2 = 0;
    int16_t base_offset = 0;  // B: distance offset of every power level
    float x_scale = 0, z_scale = 0;
    float x_from_z = 0, z_from_x = 0;
    float intensity_distance_offset = 0;
    float gain = 1;                        // G
    std::array<uint8_t, 32> gain_steps{};  // codes (DVX8), shared table (DVX9), steps (DVXA)
    std::array<int8_t, 32> deltas{};       // distance deltas per power level
};

// What calibration reaches the points: per channel and per power level.
struct EffectiveChannel {
    float x_scale, z_scale, x_from_z, z_from_x, intensity_distance_offset;
    std::array<float, 32> power_gain;
    std::array<int16_t, 32> power_offset;
    int16_t x_offset, x_offset2, z_offset, z_offset2;
};

struct SimCalibration {
    BodyFormat format = BodyFormat::dvx9;
    uint32_t signature = 0x5EED0001;
    std::string name;
    uint16_t model = 0;
    float focal_length = 0.0168f;
    float distance_scale = 0.0009993083f;
    float clip_min_x = 0, clip_min_z = 0, clip_max_x = 0, clip_max_z = 0;
    float distance_min = 0, distance_max = 0;
    float center_x = 0, center_z = 0;
    float k1 = 0, k2 = 0, k3 = 0;  // not carried by "DVX8"
    std::vector<SimChannel> channels;

    Bytes body() const;
    std::vector<EffectiveChannel> effective() const;
    // The lens distortion in force: the body's, or the model default when the
    // body carries none.
    std::array<float, 3> effective_distortion() const;
};

// A plausible calibration of the model with n channels stacked vertically.
SimCalibration make_calibration(uint16_t model, BodyFormat format, uint16_t channel_count);

}  // namespace druvex_sim
