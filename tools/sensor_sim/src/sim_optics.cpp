// Mapping between image coordinates and directions for the simulated sensor.
#include "sim_optics.h"

#include <cmath>

namespace druvex_sim {

ImageTangents image_tangents(const SimCalibration& c, const std::array<float, 3>& k,
                             const EffectiveChannel& ch, int16_t raw_x, int16_t raw_z) {
    const int x = raw_x, z = raw_z;
    const float px = static_cast<float>(x - ch.x_offset2 - ch.x_offset) * ch.x_scale +
                     static_cast<float>(z - ch.z_offset) * ch.x_from_z;
    const float pz = static_cast<float>(z - ch.z_offset2 - ch.z_offset) * ch.z_scale +
                     static_cast<float>(x - ch.x_offset) * ch.z_from_x;
    // Radial distortion around the distortion centre, in focal units.
    const float dx = px - c.center_x, dz = pz - c.center_z;
    const float f = c.focal_length;
    const float r2 = (dx * dx + dz * dz) / (f * f);
    const float radial = r2 * k[0] + r2 * r2 * k[1] + r2 * r2 * r2 * k[2];
    return {(radial * dx + px) / f, (radial * dz + pz) / f};
}

uint32_t raw_distance(const SimCalibration& c, double range, int16_t power_offset,
                      uint32_t max_raw) {
    if (range <= 0) return 0;
    const double raw = std::round((range + c.focal_length) / c.distance_scale + power_offset);
    return raw >= 1 && raw <= max_raw ? static_cast<uint32_t>(raw) : 0;
}

float metric_distance(const SimCalibration& c, uint32_t raw, int16_t power_offset) {
    if (raw == 0) return 0;
    return (static_cast<float>(raw) - static_cast<float>(power_offset)) * c.distance_scale -
           c.focal_length;
}

float normalised_intensity(const SimCalibration& c, const EffectiveChannel& ch, uint32_t raw,
                           uint8_t amplitude, uint8_t power_level) {
    if (power_level >= 32 || ch.power_gain[power_level] == 0) return 1.0f;
    if (raw == 0) return 0.0f;
    const float e = static_cast<float>(raw) * c.distance_scale + ch.intensity_distance_offset;
    return static_cast<float>(amplitude) * e * e / ch.power_gain[power_level];
}

}  // namespace druvex_sim
