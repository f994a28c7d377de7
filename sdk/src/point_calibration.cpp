#include "point_calibration.h"

#include "sdk_manager.h"
#include "stray_filter.h"

namespace druvex_sdk {
namespace {

constexpr uint8_t flag_bits = DRUVEX_POINT_FLAG_VALID | DRUVEX_POINT_FLAG_SATURATED;
constexpr uint8_t return_bits = DRUVEX_RETURN_TYPE_FIRST | DRUVEX_RETURN_TYPE_FARTHEST;
constexpr float saturation_min_distance = 0.5f;
constexpr float model5_saturation_offset = 0.075f;
constexpr float flagged_saturation_offset = 0.6f;

// Raw points come from packets and from callers: a channel outside the laser
// table gets no geometry and stays invalid.
const DruvexLaserCalibration* laser_of(const DruvexCalibration& c, uint8_t channel) {
    return channel < DRUVEX_SDK_MAX_LASER_COUNT ? &c.lasers[channel] : nullptr;
}

bool inside(float value, float min, float max) {
    return (min == 0 || min <= value) && (max == 0 || value <= max);
}

float return_distance(const DruvexCalibration& c, const DruvexLaserCalibration& laser,
                      const DruvexSensorRawPointWithTime& raw, int32_t r) {
    uint32_t d = raw.distance[r];
    if (r > 0 && d == raw.distance[0]) d = 0;  // the first return repeated
    if (d == 0) return 0;
    const float p = raw.power_level < DRUVEX_SDK_MAX_POWER_LEVELS
                        ? static_cast<float>(laser.power_distance_offset[raw.power_level])
                        : 0.0f;
    float distance = (static_cast<float>(d) - p) * c.distance_scale - c.focal_length;
    if (raw.saturated[r] && distance > saturation_min_distance) {
        if (c.model == DRUVEX_SENSOR_MODEL_ORVEL_330) {
            distance += model5_saturation_offset;
        } else if (c.flags & 1) {
            distance += flagged_saturation_offset;
        }
    }
    return distance;
}

void set_flags(DruvexSensorImagePoint& p, uint8_t flags) {
    p.flags = static_cast<uint8_t>((p.flags & ~flag_bits) | flags);
}

void mark_farthest(int32_t n_returns, DruvexSensorImagePoint* out) {
    int32_t farthest = 0;
    for (int32_t r = 1; r < n_returns; ++r) {
        if (out[r].distance > out[farthest].distance) farthest = r;
    }
    out[farthest].return_type |= DRUVEX_RETURN_TYPE_FARTHEST;
}

// An isolated saturated measurement of a channel is dropped; from the second
// consecutive one on, saturated returns stay valid.
void saturation_pass(uint32_t channels, int32_t n_points, int32_t n_returns,
                     DruvexSensorImagePoint* out) {
    for (uint32_t c = 0; c < channels && c < static_cast<uint32_t>(n_points); ++c) {
        uint32_t run = 0;
        for (size_t j = c; j < static_cast<size_t>(n_points); j += channels) {
            DruvexSensorImagePoint* point = out + j * n_returns;
            run = (point[0].flags & DRUVEX_POINT_FLAG_SATURATED) ? run + 1 : 0;
            if (run >= 2) continue;
            for (int32_t r = 0; r < n_returns; ++r) {
                if (point[r].flags & DRUVEX_POINT_FLAG_SATURATED) {
                    point[r].flags &= static_cast<uint8_t>(~DRUVEX_POINT_FLAG_VALID);
                }
            }
        }
    }
}

// What one call needs beyond the calibration itself, worked out once.
struct Context {
    const DruvexCalibration& c;
    int32_t n_returns;
    float inverse_focal;
    float inverse_focal_squared;
    bool image_clip;
    bool distance_clip;

    Context(const DruvexCalibration& calibration, int32_t returns, uint32_t control_flags)
        : c(calibration),
          n_returns(returns),
          inverse_focal(1.0f / calibration.focal_length),
          inverse_focal_squared(inverse_focal * inverse_focal),
          image_clip(!(control_flags & DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP)),
          distance_clip(!(control_flags & DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP)) {}
};

void invalidate(int32_t n_returns, DruvexSensorImagePoint* out) {
    for (int32_t r = 0; r < n_returns; ++r) {
        out[r].image_x = out[r].image_z = out[r].distance = 0;
        set_flags(out[r], 0);
    }
}

__attribute__((always_inline)) inline void image_point(const Context& ctx, const DruvexSensorRawPointWithTime& raw,
                        DruvexSensorImagePoint* out) {
    const DruvexCalibration& c = ctx.c;
    const DruvexLaserCalibration* laser = laser_of(c, raw.channel_id);
    if (laser == nullptr) return invalidate(ctx.n_returns, out);
    const DruvexLaserCalibration& l = *laser;
    const int32_t x = static_cast<int16_t>(raw.image_x);
    const int32_t z = static_cast<int16_t>(raw.image_z);
    const float big_x = static_cast<float>(x - l.image_x_offset2 - l.image_x_offset) * l.image_x_scale +
                        static_cast<float>(z - l.image_z_offset) * l.x_from_z;
    const float big_z = static_cast<float>(z - l.image_z_offset2 - l.image_z_offset) * l.image_z_scale +
                        static_cast<float>(x - l.image_x_offset) * l.z_from_x;
    // Radial lens distortion around the distortion centre, in focal units.
    const float dx = big_x - c.distortion_center_x;
    const float dz = big_z - c.distortion_center_z;
    const float s = (dx * dx + dz * dz) * ctx.inverse_focal_squared;
    const float k = s * c.distortion_k1 + s * s * c.distortion_k2 + s * s * s * c.distortion_k3;
    const float image_x = (k * dx + big_x) * ctx.inverse_focal;
    const float image_z = (k * dz + big_z) * ctx.inverse_focal;
    const bool clip_ok = !ctx.image_clip || (inside(image_x, c.image_clip_min_x, c.image_clip_max_x) &&
                                             inside(image_z, c.image_clip_min_z, c.image_clip_max_z));
    for (int32_t r = 0; r < ctx.n_returns; ++r) {
        DruvexSensorImagePoint& p = out[r];
        p.image_x = image_x;
        p.image_z = image_z;
        p.distance = return_distance(c, l, raw, r);
        const bool valid = clip_ok && p.distance > 0 &&
                           (!ctx.distance_clip ||
                            inside(p.distance, c.distance_clip_min, c.distance_clip_max));
        const bool saturated = raw.saturated[r] != 0 || raw.intensity[r] == 255;
        set_flags(p, static_cast<uint8_t>((valid ? DRUVEX_POINT_FLAG_VALID : 0) |
                                          (saturated ? DRUVEX_POINT_FLAG_SATURATED : 0)));
    }
}

__attribute__((always_inline)) inline void intensity(const DruvexCalibration& c, int32_t n_returns,
                      const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out) {
    for (int32_t r = 0; r < n_returns; ++r) out[r].intensity = 1.0f;
    const DruvexLaserCalibration* laser = laser_of(c, raw.channel_id);
    if (laser == nullptr || raw.power_level >= DRUVEX_SDK_MAX_POWER_LEVELS) return;
    const float gain = laser->power_gain[raw.power_level];
    if (gain == 0) return;
    for (int32_t r = 0; r < n_returns; ++r) {
        if (raw.distance[r] == 0) {
            out[r].intensity = 0;
            continue;
        }
        const float e = static_cast<float>(raw.distance[r]) * c.distance_scale +
                        laser->intensity_distance_offset;
        out[r].intensity = static_cast<float>(raw.intensity[r]) * e * e / gain;
    }
}

}  // namespace

void compute_image_point(const DruvexCalibration& c, int32_t n_returns,
                         const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out,
                         uint32_t control_flags) {
    image_point(Context(c, n_returns, control_flags), raw, out);
}

void compute_intensity(const DruvexCalibration& c, int32_t n_returns,
                       const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out) {
    intensity(c, n_returns, raw, out);
}

void calibrate_points(const DruvexCalibration& calibration, int32_t n_points,
                      const DruvexSensorRawPointWithTime* raw, int32_t n_returns,
                      DruvexSensorImagePoint* out) {
    if (n_points <= 0 || n_returns <= 0) return;
    const uint32_t control_flags = SdkManager::get_control_flags();
    const Context ctx(calibration, n_returns, control_flags);
    for (int32_t j = 0; j < n_points; ++j) {
        DruvexSensorImagePoint* point = out + static_cast<size_t>(j) * n_returns;
        for (int32_t r = 0; r < n_returns; ++r) {
            point[r].timestamp = raw[j].timestamp;
            point[r].return_type = static_cast<uint8_t>(
                (point[r].return_type & ~return_bits) | (r == 0 ? DRUVEX_RETURN_TYPE_FIRST : 0));
        }
        image_point(ctx, raw[j], point);
        intensity(calibration, n_returns, raw[j], point);
        mark_farthest(n_returns, point);
    }
    const uint32_t channels = calibration.channel_count;
    if (calibration.model == 3 || calibration.model == 6) {
        saturation_pass(channels, n_points, n_returns, out);
    }
    if (control_flags & DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER) {
        stray_filter({2, 10.0f, channels, static_cast<uint32_t>(n_returns)},
                     static_cast<uint32_t>(n_points) * static_cast<uint32_t>(n_returns), out);
    }
}

}  // namespace druvex_sdk
