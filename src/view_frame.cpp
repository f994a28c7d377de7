// A view's per-frame point work: collect, fade, measure, colour, upload.
#include "clips_store.h"
#include "view.h"
#include "view_host.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace druvex {
namespace {

constexpr int kColorTime = 1, kColorDistance = 2, kColorX = 3, kColorY = 4, kColorZ = 5;

float horizontal_range(const PointVertex& v) { return std::sqrt(v.x * v.x + v.y * v.y); }

}  // namespace

bool View::stream_shown(uint64_t handle) const {
    return group_view != 1 || app->is_sensor_enabled(handle);
}

void View::configure_grids() {
    // The clustering grid (made in the display modes with bit 1, released in
    // the others) and the IMU demo's angular grid join here once they exist.
    for (auto& [handle, stream] : streams) {
        if (!stream_shown(handle)) continue;
        if (config.display_mode != 0) {
            stream->configure_hex_grid(config.grid_spacing, config.grid_fill_distance, config.grid_fill_threshold);
        } else {
            stream->drop_hex_grid();
        }
    }
}

void View::fade_points() {
    if (config.highlight_mode == 1) {
        for (PointVertex& v : vertices) {
            if (v.importance != 0.0f && v.intensity < 0.1f) v.importance = 0.5f;
        }
    }
    if (group_view != 1 || !app->enable_clips()) return;
    const FocusBox& focus = app->clips().focus;
    const GroundClip& ground = app->clips().ground;
    for (PointVertex& v : vertices) {
        if (focus.excludes(v.x, v.y, v.z) || ground.contains(v.x, v.y, v.z)) v.importance = 0.0f;
    }
}

void View::update_extents() {
    float range_max_squared = 0.0f;
    Eigen::Vector3f lo = Eigen::Vector3f::Constant(std::numeric_limits<float>::max());
    Eigen::Vector3f hi = Eigen::Vector3f::Constant(std::numeric_limits<float>::lowest());
    for (const PointVertex& v : vertices) {
        range_max_squared = std::max(range_max_squared, v.x * v.x + v.y * v.y);
        const Eigen::Vector3f p(v.x, v.y, v.z);
        lo = lo.cwiseMin(p);
        hi = hi.cwiseMax(p);
    }
    x_extent.add(hi.x() - lo.x());
    y_extent.add(hi.y() - lo.y());
    z_extent.add(hi.z() - lo.z());
    range_extent.add(std::sqrt(range_max_squared));
}

void View::apply_color_mode() {
    const int mode = config.color_mode;
    if (config.dynamic_color && mode >= kColorDistance && mode <= kColorZ) {
        const RollingStatistic* extent[] = {&range_extent, &x_extent, &y_extent, &z_extent};
        RenderConfig& camera = renderer.camera();
        camera.color_max = extent[mode - kColorDistance]->value() + camera.color_min;
    }
    if (mode == kColorTime) {
        auto [lo, hi] = std::minmax_element(vertices.begin(), vertices.end(),
                                            [](const PointVertex& a, const PointVertex& b) { return a.intensity < b.intensity; });
        const float low = lo->intensity, span = hi->intensity - lo->intensity;
        // All points of one instant: they are all the newest.
        for (PointVertex& v : vertices) v.intensity = span > 0.0f ? (v.intensity - low) / span : 1.0f;
        return;
    }
    for (PointVertex& v : vertices) {
        switch (mode) {
            case kColorDistance: v.intensity = horizontal_range(v); break;
            case kColorX: v.intensity = v.x; break;
            case kColorY: v.intensity = v.y; break;
            case kColorZ: v.intensity = v.z; break;
            default: return;  // the value set per point stays
        }
    }
}

bool View::collect_points() {
    configure_grids();
    vertices.clear();
    now_us = app->current_time_usec();
    for (auto& [handle, stream] : streams) {
        if (stream_shown(handle)) stream->build_points(config, vertices);
    }
    if (vertices.empty()) return false;
    fade_points();
    update_extents();
    apply_color_mode();
    return true;
}

void View::process_frame() {
    if (collect_points()) renderer.upload_points(vertices.size(), vertices.data());
}

}  // namespace druvex
