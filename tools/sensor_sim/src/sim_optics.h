// The sensor's optics as its calibration describes them: where a raw image
// coordinate points, and which raw distance a range is measured as.
#pragma once

#include <array>
#include <cstdint>

#include "sim_calibration.h"

namespace druvex_sim {

struct ImageTangents {
    float x;
    float z;
};

ImageTangents image_tangents(const SimCalibration& c, const std::array<float, 3>& distortion,
                             const EffectiveChannel& ch, int16_t raw_x, int16_t raw_z);

// Raw distance units of a range at a power level's offset; 0 when it does
// not fit in `max_raw`.
uint32_t raw_distance(const SimCalibration& c, double range, int16_t power_offset,
                      uint32_t max_raw);

// Metres that a raw distance stands for.
float metric_distance(const SimCalibration& c, uint32_t raw, int16_t power_offset);

// Normalised intensity of a return.
float normalised_intensity(const SimCalibration& c, const EffectiveChannel& ch, uint32_t raw,
                           uint8_t amplitude, uint8_t power_level);

}  // namespace druvex_sim
