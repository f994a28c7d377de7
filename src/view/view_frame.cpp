// A view's per-frame point work: collect, fade, measure, colour, upload.
#include "settings/clips_store.h"
#include "view.h"
#include "view_host.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace druvex {
namespace {

constexpr int color_time = 1, color_distance = 2, color_x = 3, color_y = 4, color_z = 5;
constexpr int32_t display_cluster_bit = 2;
// The IMU demo runs on one sensor of this model, with a 0.2 degree angular grid.
constexpr uint16_t imu_demo_model = DRUVEX_SENSOR_MODEL_ZUNA_120;
constexpr float imu_demo_resolution = 0.0034906587f;

float horizontal_range(const PointVertex& v) { return std::sqrt(v.x * v.x + v.y * v.y); }

}  // namespace

bool View::stream_shown(uint64_t handle) const {
    return group_view_ != 1 || app_->is_sensor_enabled(handle);
}

void View::configure_grids() {
    if ((config.display_mode & display_cluster_bit) == 0) {
        release_cluster_grid();
    } else if (!cluster_grid_) {
        cluster_grid_ = std::make_unique<ClusterGrid>();
    } else {
        cluster_grid_->reset_cells();
    }
    start_angular_grid();
    for (auto& [handle, stream] : streams_) {
        if (!stream_shown(handle)) continue;
        if (config.display_mode != 0) {
            stream->configure_hex_grid(config.grid_spacing, config.grid_fill_distance,
                                       config.grid_fill_threshold);
        } else {
            stream->drop_hex_grid();
        }
    }
}

// Made once, for a single sensor of the IMU demo's model while IMU samples
// arrive; its older frames are dropped so the panorama starts afresh.
void View::start_angular_grid() {
    if (angular_grid_ || !app_->has_imu_samples() || streams_.size() != 1) return;
    SensorStream& stream = *streams_.begin()->second;
    if (stream.info().model != imu_demo_model) return;
    stream.clear();
    angular_grid_ = std::make_unique<AngularPointGrid>(app_, stream.info(), imu_demo_resolution);
}

// Fades by highlight, focus box and ground, and measures the cloud, in as few
// passes over the points as the rules allow.
void View::fade_and_measure() {
    if (config.highlight_mode == 1) {
        for (PointVertex& v : vertices_) {
            if (v.importance != 0.0f && v.intensity < 0.1f) v.importance = 0.5f;
        }
    }
    const bool clip = group_view_ == 1 && app_->enable_clips();
    const FocusBox& focus = app_->clips().focus;
    const GroundClip& ground = app_->clips().ground;
    // The time colour's span is measured here too, saving a pass: its values
    // are whole microseconds, never NaN or -0, so the order of the
    // comparisons cannot change the result.
    const bool timed = config.color_mode == color_time;
    float value_lo = std::numeric_limits<float>::max(),
          value_hi = std::numeric_limits<float>::lowest();
    float range_max_squared = 0.0f;
    float lo[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                   std::numeric_limits<float>::max()};
    float hi[3] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                   std::numeric_limits<float>::lowest()};
    for (PointVertex& v : vertices_) {
        if (clip && (focus.excludes(v.x, v.y, v.z) || ground.contains(v.x, v.y, v.z)))
            v.importance = 0.0f;
        range_max_squared = std::max(range_max_squared, v.x * v.x + v.y * v.y);
        lo[0] = std::min(lo[0], v.x), hi[0] = std::max(hi[0], v.x);
        lo[1] = std::min(lo[1], v.y), hi[1] = std::max(hi[1], v.y);
        lo[2] = std::min(lo[2], v.z), hi[2] = std::max(hi[2], v.z);
        if (timed)
            value_lo = std::min(value_lo, v.intensity), value_hi = std::max(value_hi, v.intensity);
    }
    time_low_ = value_lo;
    time_span_ = value_hi - value_lo;
    x_extent_.add(hi[0] - lo[0]);
    y_extent_.add(hi[1] - lo[1]);
    z_extent_.add(hi[2] - lo[2]);
    range_extent_.add(std::sqrt(range_max_squared));
}

void View::apply_color_mode() {
    const int mode = config.color_mode;
    if (config.dynamic_color && mode >= color_distance && mode <= color_z) {
        const RollingStatistic* extent[] = {&range_extent_, &x_extent_, &y_extent_, &z_extent_};
        RenderConfig& camera = renderer.camera();
        camera.color_max = extent[mode - color_distance]->value() + camera.color_min;
    }
    if (mode == color_time) {
        const float low = time_low_, span = time_span_;
        // All points of one instant: they are all the newest.
        if (!(span > 0.0f)) {
            for (PointVertex& v : vertices_) v.intensity = 1.0f;
            return;
        }
        for (PointVertex& v : vertices_) v.intensity = (v.intensity - low) / span;
        return;
    }
    // One loop per mode, not a switch per point. Other modes keep the value
    // set per point.
    switch (mode) {
        case color_distance:
            for (PointVertex& v : vertices_) v.intensity = horizontal_range(v);
            break;
        case color_x:
            for (PointVertex& v : vertices_) v.intensity = v.x;
            break;
        case color_y:
            for (PointVertex& v : vertices_) v.intensity = v.y;
            break;
        case color_z:
            for (PointVertex& v : vertices_) v.intensity = v.z;
            break;
        default: break;
    }
}

bool View::collect_points() {
    configure_grids();
    vertices_.clear();
    // One clock for every stream of the frame.
    const int64_t now_us = app_->current_time_usec();
    for (auto& [handle, stream] : streams_) {
        if (stream_shown(handle))
            stream->build_points(config, now_us, vertices_, cluster_grid_.get());
    }
    if (vertices_.empty()) return false;
    if (imu_demo_active()) angular_grid_->collect(vertices_);
    fade_and_measure();
    apply_color_mode();
    find_clusters();
    return true;
}

// A frame without any occupied cell releases the grid and its boxes; the
// next frame makes a new grid.
void View::find_clusters() {
    if (cluster_grid_ && !druvex::cluster_grid(*cluster_grid_)) release_cluster_grid();
}

bool View::hides_a_stream() const {
    for (const auto& [handle, stream] : streams_) {
        if (!stream_shown(handle)) return true;
    }
    return false;
}

void View::process_frame() {
    if (!collect_points()) {
        // A frame without points keeps the last picture, but not when the
        // sensors that drew it have been switched off.
        if (hides_a_stream()) clear_drawn_points();
        return;
    }
    renderer.upload_points(vertices_.size(), vertices_.data());
    if (cluster_grid_) draw_cluster_boxes(*cluster_grid_);
}

}  // namespace druvex
