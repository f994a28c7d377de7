// Invalidates lone returns: a valid return survives only when a neighbouring
// measurement of the same channel has a valid return at a similar distance.
#pragma once

#include <cstdint>

#include "druvex_sdk.h"

namespace druvex_sdk {

struct StrayFilterParameters {
    uint32_t window = 2;
    float threshold = 10.0f;
    uint32_t channel_count = 0;
    uint32_t n_returns = 1;
};

void stray_filter(const StrayFilterParameters& parameters, uint32_t n_image_points,
                  DruvexSensorImagePoint* points);

}  // namespace druvex_sdk
