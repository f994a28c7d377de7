// Calibration of raw points into image points, with clips and the stray filter.
#include "point_calibration.h"

#include <algorithm>

#include "calibration_lanes.h"
#include "core/sdk_manager.h"
#include "stray_filter.h"

namespace druvex_sdk {
namespace {

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

// Calibrates up to one block of points at `raw` into `out`.
void calibrate_block(const CalibrationContext& ctx, int32_t n,
                     const DruvexSensorRawPointWithTime* raw, int32_t n_returns,
                     CalibrationLanes& lanes, DruvexSensorImagePoint* out) {
    load_lanes(ctx, raw, n, n_returns, lanes);
    solve_geometry(ctx, lanes);
    solve_intensity(ctx, lanes);
    store_points(lanes, raw, out);
}

}  // namespace

void compute_image_point(const DruvexCalibration& c, int32_t n_returns,
                         const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out,
                         uint32_t control_flags) {
    const CalibrationContext ctx(c, control_flags);
    CalibrationLanes lanes;
    load_lanes(ctx, &raw, 1, n_returns, lanes);
    solve_geometry(ctx, lanes);
    store_geometry(lanes, 0, raw, out);
}

void compute_intensity(const DruvexCalibration& c, int32_t n_returns,
                       const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out) {
    const CalibrationContext ctx(c, 0);
    CalibrationLanes lanes;
    load_lanes(ctx, &raw, 1, n_returns, lanes);
    solve_intensity(ctx, lanes);
    store_intensity(lanes, 0, out);
}

void calibrate_points(const DruvexCalibration& calibration, int32_t n_points,
                      const DruvexSensorRawPointWithTime* raw, int32_t n_returns,
                      DruvexSensorImagePoint* out) {
    if (n_points <= 0 || n_returns <= 0 || n_returns > DRUVEX_SDK_MAX_RETURNS) return;
    const uint32_t control_flags = SdkManager::get_control_flags();
    const CalibrationContext ctx(calibration, control_flags);
    CalibrationLanes lanes;
    for (int32_t start = 0; start < n_points; start += CalibrationLanes::size) {
        const int32_t n = std::min(CalibrationLanes::size, n_points - start);
        calibrate_block(ctx, n, raw + start, n_returns, lanes,
                        out + static_cast<size_t>(start) * n_returns);
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
