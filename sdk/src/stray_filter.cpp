#include "stray_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace druvex_sdk {
namespace {

bool is_valid(const DruvexSensorImagePoint& p) { return (p.flags & DRUVEX_POINT_FLAG_VALID) != 0; }

// Whether some valid return of measurement `m` lies within the threshold of p.
bool supports(const StrayFilterParameters& params, const DruvexSensorImagePoint* m,
              const DruvexSensorImagePoint& p) {
    for (uint32_t s = 0; s < params.n_returns; ++s) {
        if (is_valid(m[s]) && std::fabs(p.distance - m[s].distance) < params.threshold) return true;
    }
    return false;
}

void filter_channel(const StrayFilterParameters& params, const std::vector<uint32_t>& list,
                    DruvexSensorImagePoint* points) {
    const size_t size = list.size();
    for (size_t j = 0; j < size; ++j) {
        const size_t first = j >= params.window ? j - params.window : 0;
        const size_t last = std::min(size, j + params.window + 1);
        for (uint32_t r = 0; r < params.n_returns; ++r) {
            DruvexSensorImagePoint& p = points[list[j] + r];
            if (!is_valid(p)) continue;
            bool kept = false;
            for (size_t m = first; m < last && !kept; ++m) {
                kept = m != j && supports(params, points + list[m], p);
            }
            if (!kept) p.flags &= static_cast<uint8_t>(~DRUVEX_POINT_FLAG_VALID);
        }
    }
}

}  // namespace

void stray_filter(const StrayFilterParameters& params, uint32_t n_image_points,
                  DruvexSensorImagePoint* points) {
    thread_local std::vector<uint32_t> list;
    const uint64_t stride = static_cast<uint64_t>(params.channel_count) * params.n_returns;
    if (stride == 0) return;
    for (uint32_t c = 0; c < params.channel_count; ++c) {
        const uint64_t start = static_cast<uint64_t>(c) * params.n_returns;
        if (start >= n_image_points) break;
        list.clear();
        for (uint64_t i = start; i + params.n_returns <= n_image_points; i += stride) {
            if (is_valid(points[i])) list.push_back(static_cast<uint32_t>(i));
        }
        filter_channel(params, list, points);
    }
}

}  // namespace druvex_sdk
