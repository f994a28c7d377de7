// Calibration arithmetic over blocks of raw points, written for the vectoriser.
#include "calibration_lanes.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace druvex_sdk {
namespace {

constexpr uint8_t flag_bits = DRUVEX_POINT_FLAG_VALID | DRUVEX_POINT_FLAG_SATURATED;
constexpr uint8_t return_bits = DRUVEX_RETURN_TYPE_FIRST | DRUVEX_RETURN_TYPE_FARTHEST;
constexpr float saturation_min_distance = 0.5f;
constexpr float model5_saturation_offset = 0.075f;
constexpr float flagged_saturation_offset = 0.6f;

float saturation_offset_of(const DruvexCalibration& c) {
    if (c.model == DRUVEX_SENSOR_MODEL_ORVEL_330) return model5_saturation_offset;
    return (c.flags & 1) ? flagged_saturation_offset : 0.0f;
}

// Bitwise rather than short-circuit so that the lane loops stay branch-free.
inline int32_t inside(float value, float min, bool min_open, float max, bool max_open) {
    return static_cast<int32_t>(min_open | (min <= value)) &
           static_cast<int32_t>(max_open | (value <= max));
}

// A calibration can make a point's tangents or distance NaN or infinite (a
// focal length of 0, a distance scale of +inf or 1e38, from a body, a packet
// or a caller): such a point has no place and is never valid, or a viewer
// would draw it nowhere. NaN fails the comparison too.
inline int32_t finite(float value) {
    return static_cast<int32_t>(std::fabs(value) <= std::numeric_limits<float>::max());
}

// a when `pick` is non-zero, else b, by bits: the compiler keeps both sides
// computed and the loop free of branches, with no change to either value.
inline float select(int32_t pick, float a, float b) {
    uint32_t ua, ub;
    std::memcpy(&ua, &a, sizeof ua);
    std::memcpy(&ub, &b, sizeof ub);
    const uint32_t mask = 0u - static_cast<uint32_t>(pick != 0);
    const uint32_t bits = (ua & mask) | (ub & ~mask);
    float result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

// The per-point steps take the return count as a constant: one and two
// returns are the only counts, and the loops over returns then unroll.
template <int32_t R>
void load_returns(const DruvexSensorRawPointWithTime& raw, int32_t j, CalibrationLanes& lanes) {
    for (int32_t r = 0; r < R; ++r) {
        uint32_t d = raw.distance[r];
        if (r > 0 && d == raw.distance[0]) d = 0;  // the first return repeated
        lanes.distance_in[r][j] = static_cast<float>(d);
        lanes.no_distance[r][j] = d == 0;
        if (r > 0) {  // the first return's raw distance is its input distance
            lanes.raw_distance[r][j] = static_cast<float>(raw.distance[r]);
            lanes.no_raw_distance[r][j] = raw.distance[r] == 0;
        }
        lanes.raw_intensity[r][j] = static_cast<float>(raw.intensity[r]);
        lanes.saturated_in[r][j] = raw.saturated[r] != 0;
    }
}

// Raw points come from packets and from callers: a channel outside the laser
// table reads laser 0 here and its lane is discarded when stored.
template <int32_t R>
void load_lane(const DruvexCalibration& c, const DruvexSensorRawPointWithTime& raw, int32_t j,
               CalibrationLanes& lanes) {
    const bool known = raw.channel_id < DRUVEX_SDK_MAX_LASER_COUNT;
    const DruvexLaserCalibration& l = c.lasers[known ? raw.channel_id : 0];
    const int32_t x = static_cast<int16_t>(raw.image_x);
    const int32_t z = static_cast<int16_t>(raw.image_z);
    lanes.known_channel[j] = known;
    lanes.big_x[j] =
        static_cast<float>(x - l.image_x_offset2 - l.image_x_offset) * l.image_x_scale +
        static_cast<float>(z - l.image_z_offset) * l.x_from_z;
    lanes.big_z[j] =
        static_cast<float>(z - l.image_z_offset2 - l.image_z_offset) * l.image_z_scale +
        static_cast<float>(x - l.image_x_offset) * l.z_from_x;
    const bool power_known = raw.power_level < DRUVEX_SDK_MAX_POWER_LEVELS;
    lanes.power_offset[j] =
        power_known ? static_cast<float>(l.power_distance_offset[raw.power_level]) : 0.0f;
    const float gain = power_known ? l.power_gain[raw.power_level] : 0.0f;
    // Without a gain every return keeps intensity 1; the divisor is then a
    // harmless 1 whose quotient is discarded.
    lanes.has_gain[j] = known && gain != 0;
    lanes.gain[j] = lanes.has_gain[j] ? gain : 1.0f;
    lanes.intensity_offset[j] = l.intensity_distance_offset;
    load_returns<R>(raw, j, lanes);
}

void solve_tangents(const CalibrationContext& ctx, CalibrationLanes& lanes) {
    const DruvexCalibration& c = ctx.c;
    const float cx = c.distortion_center_x, cz = c.distortion_center_z;
    const float k1 = c.distortion_k1, k2 = c.distortion_k2, k3 = c.distortion_k3;
    const float inverse_focal = ctx.inverse_focal,
                inverse_focal_squared = ctx.inverse_focal_squared;
    const float min_x = ctx.image_min[0], max_x = ctx.image_max[0];
    const float min_z = ctx.image_min[1], max_z = ctx.image_max[1];
    const bool min_x_open = ctx.image_min_open[0], max_x_open = ctx.image_max_open[0];
    const bool min_z_open = ctx.image_min_open[1], max_z_open = ctx.image_max_open[1];
    for (int32_t j = 0, n = lanes.n; j < n; ++j) {
        const float big_x = lanes.big_x[j], big_z = lanes.big_z[j];
        // Radial lens distortion around the distortion centre, in focal units.
        const float dx = big_x - cx;
        const float dz = big_z - cz;
        const float s = (dx * dx + dz * dz) * inverse_focal_squared;
        const float k = s * k1 + s * s * k2 + s * s * s * k3;
        const float image_x = (k * dx + big_x) * inverse_focal;
        const float image_z = (k * dz + big_z) * inverse_focal;
        lanes.image_x[j] = image_x;
        lanes.image_z[j] = image_z;
        lanes.clip_ok[j] = finite(image_x) & finite(image_z) &
                           inside(image_x, min_x, min_x_open, max_x, max_x_open) &
                           inside(image_z, min_z, min_z_open, max_z, max_z_open);
    }
}

void solve_distances(const CalibrationContext& ctx, int32_t r, CalibrationLanes& lanes) {
    const float scale = ctx.c.distance_scale, focal = ctx.c.focal_length;
    const float offset = ctx.saturation_offset;
    const float min = ctx.distance_min, max = ctx.distance_max;
    const bool min_open = ctx.distance_min_open, max_open = ctx.distance_max_open;
    for (int32_t j = 0, n = lanes.n; j < n; ++j) {
        float d = (lanes.distance_in[r][j] - lanes.power_offset[j]) * scale - focal;
        d = select(lanes.no_distance[r][j], 0.0f, d);
        d = select(lanes.saturated_in[r][j] & static_cast<int32_t>(d > saturation_min_distance),
                   d + offset, d);
        lanes.distance[r][j] = d;
        lanes.valid[r][j] = lanes.clip_ok[j] & static_cast<int32_t>(d > 0) & finite(d) &
                            inside(d, min, min_open, max, max_open);
    }
}

void set_flags(DruvexSensorImagePoint& p, uint8_t flags) {
    p.flags = static_cast<uint8_t>((p.flags & ~flag_bits) | flags);
}

void stamp(const DruvexSensorRawPointWithTime& raw, int32_t n_returns,
           DruvexSensorImagePoint* out) {
    for (int32_t r = 0; r < n_returns; ++r) {
        out[r].timestamp = raw.timestamp;
        out[r].return_type = static_cast<uint8_t>((out[r].return_type & ~return_bits) |
                                                  (r == 0 ? DRUVEX_RETURN_TYPE_FIRST : 0));
    }
}

void mark_farthest(int32_t n_returns, DruvexSensorImagePoint* out) {
    int32_t farthest = 0;
    for (int32_t r = 1; r < n_returns; ++r) {
        if (out[r].distance > out[farthest].distance) farthest = r;
    }
    out[farthest].return_type |= DRUVEX_RETURN_TYPE_FARTHEST;
}

template <int32_t R>
void store_geometry_of(const CalibrationLanes& lanes, int32_t j,
                       const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out) {
    const bool known = lanes.known_channel[j] != 0;
    for (int32_t r = 0; r < R; ++r) {
        DruvexSensorImagePoint& p = out[r];
        p.image_x = known ? lanes.image_x[j] : 0.0f;
        p.image_z = known ? lanes.image_z[j] : 0.0f;
        p.distance = known ? lanes.distance[r][j] : 0.0f;
        const bool valid = known && lanes.valid[r][j] != 0;
        const bool saturated = known && (raw.saturated[r] != 0 || raw.intensity[r] == 255);
        set_flags(p, static_cast<uint8_t>((valid ? DRUVEX_POINT_FLAG_VALID : 0) |
                                          (saturated ? DRUVEX_POINT_FLAG_SATURATED : 0)));
    }
}

template <int32_t R>
void store_intensity_of(const CalibrationLanes& lanes, int32_t j, DruvexSensorImagePoint* out) {
    for (int32_t r = 0; r < R; ++r) out[r].intensity = lanes.intensity[r][j];
}

template <int32_t R>
void store_all(const CalibrationLanes& lanes, const DruvexSensorRawPointWithTime* raw,
               DruvexSensorImagePoint* out) {
    for (int32_t j = 0, n = lanes.n; j < n; ++j) {
        DruvexSensorImagePoint* point = out + static_cast<size_t>(j) * R;
        stamp(raw[j], R, point);
        store_geometry_of<R>(lanes, j, raw[j], point);
        store_intensity_of<R>(lanes, j, point);
        mark_farthest(R, point);
    }
}

template <int32_t R>
void load_all(const CalibrationContext& ctx, const DruvexSensorRawPointWithTime* raw,
              CalibrationLanes& lanes) {
    for (int32_t j = 0, n = lanes.n; j < n; ++j) load_lane<R>(ctx.c, raw[j], j, lanes);
}

}  // namespace

CalibrationContext::CalibrationContext(const DruvexCalibration& calibration, uint32_t control_flags)
    : c(calibration),
      inverse_focal(1.0f / calibration.focal_length),
      inverse_focal_squared(inverse_focal * inverse_focal),
      saturation_offset(saturation_offset_of(calibration)),
      image_min{calibration.image_clip_min_x, calibration.image_clip_min_z},
      image_max{calibration.image_clip_max_x, calibration.image_clip_max_z},
      distance_min(calibration.distance_clip_min),
      distance_max(calibration.distance_clip_max) {
    const bool no_image_clip = (control_flags & DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP) != 0;
    const bool no_distance_clip = (control_flags & DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP) != 0;
    for (int i = 0; i < 2; ++i) {
        image_min_open[i] = no_image_clip || image_min[i] == 0;
        image_max_open[i] = no_image_clip || image_max[i] == 0;
    }
    distance_min_open = no_distance_clip || distance_min == 0;
    distance_max_open = no_distance_clip || distance_max == 0;
}

void load_lanes(const CalibrationContext& ctx, const DruvexSensorRawPointWithTime* raw, int32_t n,
                int32_t n_returns, CalibrationLanes& lanes) {
    lanes.n = n;
    lanes.n_returns = n_returns;
    if (n_returns == 1) return load_all<1>(ctx, raw, lanes);
    load_all<2>(ctx, raw, lanes);
}

void solve_geometry(const CalibrationContext& ctx, CalibrationLanes& lanes) {
    solve_tangents(ctx, lanes);
    for (int32_t r = 0; r < lanes.n_returns; ++r) solve_distances(ctx, r, lanes);
}

void solve_intensity(const CalibrationContext& ctx, CalibrationLanes& lanes) {
    const float scale = ctx.c.distance_scale;
    for (int32_t r = 0; r < lanes.n_returns; ++r) {
        // The raw distance, without the repeat rule and the power offset.
        const float* distance = r == 0 ? lanes.distance_in[0] : lanes.raw_distance[r];
        const int32_t* no_distance = r == 0 ? lanes.no_distance[0] : lanes.no_raw_distance[r];
        for (int32_t j = 0, n = lanes.n; j < n; ++j) {
            const float e = distance[j] * scale + lanes.intensity_offset[j];
            float v = lanes.raw_intensity[r][j] * e * e / lanes.gain[j];
            v = select(no_distance[j], 0.0f, v);
            lanes.intensity[r][j] = select(lanes.has_gain[j], v, 1.0f);
        }
    }
}

void store_geometry(const CalibrationLanes& lanes, int32_t j,
                    const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out) {
    if (lanes.n_returns == 1) return store_geometry_of<1>(lanes, j, raw, out);
    store_geometry_of<2>(lanes, j, raw, out);
}

void store_intensity(const CalibrationLanes& lanes, int32_t j, DruvexSensorImagePoint* out) {
    if (lanes.n_returns == 1) return store_intensity_of<1>(lanes, j, out);
    store_intensity_of<2>(lanes, j, out);
}

void store_points(const CalibrationLanes& lanes, const DruvexSensorRawPointWithTime* raw,
                  DruvexSensorImagePoint* out) {
    if (lanes.n_returns == 1) return store_all<1>(lanes, raw, out);
    store_all<2>(lanes, raw, out);
}

}  // namespace druvex_sdk
