// Turns raw measurements into calibrated image points: image-plane tangents
// corrected for lens distortion, metric distance, normalised intensity, and the
// validity and saturation flags the frames and the viewer filter on.
#pragma once

#include <cstdint>

#include "druvex_sdk.h"

namespace druvex_sdk {

// Fills n_points x n_returns records (n_returns 1 or 2): the outputs of raw
// point j are j x n_returns + r. Reads the control flags at call time.
void calibrate_points(const DruvexCalibration& calibration, int32_t n_points,
                      const DruvexSensorRawPointWithTime* raw, int32_t n_returns,
                      DruvexSensorImagePoint* out);

// Per-point steps of calibrate_points; `out` points at the point's n_returns
// records. `control_flags` is the SDK's control-flag word.
void compute_image_point(const DruvexCalibration& calibration, int32_t n_returns,
                         const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out,
                         uint32_t control_flags);
void compute_intensity(const DruvexCalibration& calibration, int32_t n_returns,
                       const DruvexSensorRawPointWithTime& raw, DruvexSensorImagePoint* out);

}  // namespace druvex_sdk
