// AngularPointGrid: binning by azimuth and elevation, fading, collecting.
#include "angular_grid.h"

#include "settings/transforms_store.h"
#include "vertex_cache.h"
#include "view_host.h"

#include <algorithm>
#include <cmath>

namespace druvex {
namespace {

constexpr double pi = 3.14159265358979323846;
// A bin's point stays this long after a newer point passed near its azimuth.
constexpr int64_t fade_after_us = 1000000;
// Azimuth bins around a point whose fade clock it moves: five before, four after.
constexpr int32_t fade_before = 5, fade_after = 4;
// Bins along one axis never exceed this, whatever the resolution.
constexpr float max_bins = 100000.0f;

// In float, as the resolution is given: 0.2 degrees makes 1800 azimuth bins
// (in double the float's rounding would make 1799).
int32_t bins_for(float extent, float resolution) {
    const float n = std::trunc(extent / resolution);
    if (!(n >= 1.0f)) return 1;  // also NaN and a resolution of 0 or below
    return static_cast<int32_t>(std::min(n, max_bins));
}

}  // namespace

AngularPointGrid::AngularPointGrid(ViewHost* app_, const DruvexSensorInformation& info_,
                                   float resolution)
    : app(app_),
      info(info_),
      azimuth_bins(bins_for(static_cast<float>(2.0 * pi), resolution)),
      elevation_bins(bins_for(2.0f, resolution)) {
    azimuth_times.assign(static_cast<size_t>(azimuth_bins), 0);
    cells.assign(static_cast<size_t>(azimuth_bins) * static_cast<size_t>(elevation_bins),
                 AngularCell{});
}

void AngularPointGrid::add(const PointVertex& vertex, int64_t timestamp) {
    const double x = vertex.x, y = vertex.y, z = vertex.z;
    const double horizontal = x * x + y * y;
    // Also false for NaN; an infinite coordinate has no direction.
    if (!(z * z < horizontal) || !std::isfinite(horizontal)) return;
    // atan2 gives pi straight behind the sensor, which wraps to bin 0.
    const int32_t a =
        static_cast<int32_t>((std::atan2(y, x) + pi) * azimuth_bins / (2.0 * pi)) % azimuth_bins;
    // Just below 45 degrees the elevation rounds up to one past the top bin.
    const int32_t e =
        std::min(static_cast<int32_t>((z / std::sqrt(horizontal) + 1.0) * elevation_bins * 0.5),
                 elevation_bins - 1);
    for (int32_t b = a - fade_before; b <= a + fade_after; ++b) {
        int64_t& t =
            azimuth_times[static_cast<size_t>((b % azimuth_bins + azimuth_bins) % azimuth_bins)];
        t = std::max(t, timestamp - fade_after_us);
    }
    AngularCell& cell = cells[static_cast<size_t>(a) * static_cast<size_t>(elevation_bins) +
                              static_cast<size_t>(e)];
    cell.vertex = vertex;
    cell.vertex.importance = 1.0f;
    cell.timestamp = timestamp;
}

void AngularPointGrid::collect(std::vector<PointVertex>& out) const {
    const SensorPose pose =
        transform_to_affine(app->transforms().get_transform(info.serial_number));
    const bool posed = app->enable_transforms();
    const size_t start = out.size();
    for (int32_t a = 0; a < azimuth_bins; ++a) {
        const int64_t since = azimuth_times[static_cast<size_t>(a)];
        const AngularCell* bin =
            &cells[static_cast<size_t>(a) * static_cast<size_t>(elevation_bins)];
        for (int32_t e = 0; e < elevation_bins; ++e) {
            if (bin[e].timestamp >= since) out.push_back(bin[e].vertex);
        }
    }
    if (posed) apply_pose(pose, out.data() + start, out.size() - start);
}

void AngularPointGrid::clear() {
    std::fill(azimuth_times.begin(), azimuth_times.end(), 0);
    std::fill(cells.begin(), cells.end(), AngularCell{});
}

}  // namespace druvex
