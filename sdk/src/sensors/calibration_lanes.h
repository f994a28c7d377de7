// The arithmetic of calibration over a block of raw points, one lane per
// point: the per-laser values are gathered first, then every step runs as a
// branch-free loop over the lanes so that the compiler can vectorise it.
#pragma once

#include <cstdint>

#include "druvex_sdk.h"

namespace druvex_sdk {

// What a call needs beyond the calibration itself, worked out once per call.
struct CalibrationContext {
    CalibrationContext(const DruvexCalibration& calibration, uint32_t control_flags);

    const DruvexCalibration& c;
    float inverse_focal;
    float inverse_focal_squared;
    // Amount added to a saturated return beyond the minimum distance.
    float saturation_offset;
    // Clip bounds with "no bound" folded in: a bound that is 0, or a clip the
    // control flags disable, lets every value through.
    float image_min[2], image_max[2], distance_min, distance_max;
    bool image_min_open[2], image_max_open[2], distance_min_open, distance_max_open;
};

struct CalibrationLanes {
    static constexpr int32_t size = 64;
    int32_t n = 0;
    int32_t n_returns = 1;

    // Gathered inputs.
    int32_t known_channel[size];
    // Image coordinates through the laser's offsets and scales, before the
    // lens: cheaper to work out while the laser is at hand than to gather.
    float big_x[size], big_z[size];
    float power_offset[size], gain[size], intensity_offset[size];
    int32_t has_gain[size];
    float distance_in[DRUVEX_SDK_MAX_RETURNS][size];
    int32_t no_distance[DRUVEX_SDK_MAX_RETURNS][size];
    // Raw distances of the later returns, before the repeat rule; the first
    // return's are distance_in and no_distance.
    float raw_distance[DRUVEX_SDK_MAX_RETURNS][size];
    int32_t no_raw_distance[DRUVEX_SDK_MAX_RETURNS][size];
    float raw_intensity[DRUVEX_SDK_MAX_RETURNS][size];
    int32_t saturated_in[DRUVEX_SDK_MAX_RETURNS][size];

    // Results.
    float image_x[size], image_z[size];
    int32_t clip_ok[size];
    float distance[DRUVEX_SDK_MAX_RETURNS][size];
    float intensity[DRUVEX_SDK_MAX_RETURNS][size];
    int32_t valid[DRUVEX_SDK_MAX_RETURNS][size];
};

// Loads up to CalibrationLanes::size raw points into the lanes.
void load_lanes(const CalibrationContext& ctx, const DruvexSensorRawPointWithTime* raw, int32_t n,
                int32_t n_returns, CalibrationLanes& lanes);
// Image tangents, distances and validity of every lane.
void solve_geometry(const CalibrationContext& ctx, CalibrationLanes& lanes);
// Normalised intensities of every lane.
void solve_intensity(const CalibrationContext& ctx, CalibrationLanes& lanes);

// Lane j's results into the point's n_returns records.
void store_geometry(const CalibrationLanes& lanes, int32_t j,
                    const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out);
void store_intensity(const CalibrationLanes& lanes, int32_t j, DruvexSensorImagePoint* out);
// Every lane into its point's records: the two above, the raw timestamp, the
// first-return bit and the farthest-return bit.
void store_points(const CalibrationLanes& lanes, const DruvexSensorRawPointWithTime* raw,
                  DruvexSensorImagePoint* out);

}  // namespace druvex_sdk
