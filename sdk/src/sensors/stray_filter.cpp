// The stray filter: lone returns without a valid neighbour are dropped.
#include "stray_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace druvex_sdk {
namespace {

bool is_valid(const DruvexSensorImagePoint& p) { return (p.flags & DRUVEX_POINT_FLAG_VALID) != 0; }

// Whether some valid return of measurement `m` lies within the threshold of p.
template <uint32_t R>
bool supports(uint32_t n_returns, float threshold, const DruvexSensorImagePoint* m,
              const DruvexSensorImagePoint& p) {
    for (uint32_t s = 0; s < (R != 0 ? R : n_returns); ++s) {
        if (is_valid(m[s]) && std::fabs(p.distance - m[s].distance) < threshold) return true;
    }
    return false;
}

// R is the return count when it is one of the common ones (the loops then
// unroll), 0 for any other count. The parameters live in locals: the flag
// stores are byte stores, which could alias them and force reloads.
template <uint32_t R>
void filter_channel(const StrayFilterParameters& params, const std::vector<uint32_t>& list,
                    DruvexSensorImagePoint* points) {
    const uint32_t n_returns = R != 0 ? R : params.n_returns;
    const size_t window = params.window;
    const float threshold = params.threshold;
    const uint32_t* const index = list.data();
    const size_t size = list.size();
    for (size_t j = 0; j < size; ++j) {
        const size_t first = j >= window ? j - window : 0;
        const size_t last = std::min(size, j + window + 1);
        for (uint32_t r = 0; r < n_returns; ++r) {
            DruvexSensorImagePoint& p = points[index[j] + r];
            if (!is_valid(p)) continue;
            bool kept = false;
            for (size_t m = first; m < last && !kept; ++m) {
                kept = m != j && supports<R>(n_returns, threshold, points + index[m], p);
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
        if (params.n_returns == 1) {
            filter_channel<1>(params, list, points);
        } else if (params.n_returns == 2) {
            filter_channel<2>(params, list, points);
        } else {
            filter_channel<0>(params, list, points);
        }
    }
}

}  // namespace druvex_sdk
