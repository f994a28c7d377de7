// Turning a stream's recent frames into drawn points.
#include "angular_grid.h"
#include "render/render_config.h"
#include "sensor_stream.h"
#include "view.h"
#include "view_host.h"

#include <Eigen/Geometry>

#include <cmath>

namespace druvex {
namespace {

constexpr int color_time = 1, color_intensity = 6, color_return = 7, color_sensor = 8,
              color_raw_intensity = 9, color_power = 10, color_laser = 11;

// What every point of one frame needs, looked up once per frame.
struct PointContext {
    VertexCache& out;
    int32_t color_mode;
    float weight;
    uint32_t stream_index;
    bool show_invalid;
    const ImageClip* clip;       // null when clips are off
    AngularPointGrid* angular;   // the IMU demo's panorama, or null
    const Eigen::Matrix3f* imu;  // the demo input's orientation at the frame, or null
};

// The rotation of the IMU sample's unit quaternion.
Eigen::Matrix3f imu_rotation(const ImuSample& s) {
    return Eigen::Quaternionf(s.w, s.x, s.y, s.z).toRotationMatrix();
}

// With an IMU the sensor's axes are taken as the unit's: image z across,
// forward along y, image x up, turned by the unit's orientation.
PointVertex position(const PointContext& ctx, const DruvexSensorImagePoint& p, float d) {
    if (ctx.imu == nullptr) return PointVertex{0.0f, -d * p.image_x, d, -d * p.image_z, 0.0f};
    const Eigen::Vector3f world = *ctx.imu * Eigen::Vector3f(d * p.image_z, d, d * p.image_x);
    return PointVertex{0.0f, world.x(), world.y(), world.z(), 0.0f};
}

float color_value(const PointContext& ctx, const DruvexSensorImagePoint& p, int r,
                  const DruvexSensorRawPointWithTime& raw, float base) {
    switch (ctx.color_mode) {
        case color_time: return 0.0f;  // the age, set when drawn
        case color_intensity: return p.intensity;
        case color_return: return static_cast<float>(r);
        case color_sensor: return static_cast<float>(ctx.stream_index);
        case color_raw_intensity: return raw.intensity[r] / 255.0f;
        case color_power: return raw.power_level / 15.0f;
        case color_laser: return raw.channel_id;
        default: return base;  // constant, and the modes set from the position later
    }
}

void add_image_point(PointContext& ctx, DruvexSensorImagePoint& p, int r,
                     const DruvexSensorRawPointWithTime& raw) {
    const bool valid = (p.flags & DRUVEX_POINT_FLAG_VALID) != 0;
    if (!valid) {
        if (!ctx.show_invalid) return;
        if (p.distance == 0.0f) p.distance = 1e-6f;
    }
    if (ctx.clip != nullptr && ctx.clip->excludes(p)) return;
    const float d = p.distance / std::sqrt(p.image_x * p.image_x + p.image_z * p.image_z + 1.0f);
    const bool saturated = (p.flags & DRUVEX_POINT_FLAG_SATURATED) != 0;
    const float importance =
        (ctx.color_mode == color_intensity && saturated) ? ctx.weight * 0.5f : ctx.weight;
    const float value = color_value(ctx, p, r, raw, valid ? 0.0f : 1.0f);
    PointVertex vertex = position(ctx, p, d);
    vertex.importance = importance;
    vertex.intensity = value;
    if (ctx.angular != nullptr) ctx.angular->add(vertex, p.timestamp);
    ctx.out.add(vertex, p.timestamp);
}

}  // namespace

VertexKey StreamFrame::vertex_key(int32_t color_mode, float weight, const SensorPose* pose) const {
    VertexKey key;
    key.color_mode = color_mode;
    key.weight = weight;
    key.stream_index = static_cast<uint32_t>(stream_->index());
    key.show_invalid = stream_->view()->config.show_invalid_points;
    key.clipped = stream_->app()->enable_clips();
    key.clip = stream_->image_clip;
    key.channel_mask = stream_->channel_mask();
    key.return_mask = stream_->return_mask();
    key.posed = pose != nullptr;
    if (pose != nullptr) key.pose = *pose;
    return key;
}

void StreamFrame::fill_vertex_cache(const VertexKey& key) {
    vertex_cache_.begin(key, key.color_mode == color_time);
    // The sample in force when the frame began turns the whole frame.
    ViewHost* app = stream_->app();
    Eigen::Matrix3f imu;
    const bool turned = app->has_imu_samples() && !raw_points_.empty();
    if (turned) imu = imu_rotation(app->imu_sample_at(raw_points_.front().timestamp));
    PointContext ctx{vertex_cache_,
                     key.color_mode,
                     key.weight,
                     key.stream_index,
                     key.show_invalid,
                     key.clipped ? &key.clip : nullptr,
                     stream_->view()->angular_grid(),
                     turned ? &imu : nullptr};
    if (stream_->mode_enabled(mode_flag_)) {
        const bool first_on = stream_->return_enabled(0), second_on = stream_->return_enabled(1);
        for (size_t i = 0; i < raw_points_.size(); ++i) {
            const DruvexSensorRawPointWithTime& raw = raw_points_[i];
            if (!stream_->channel_enabled(raw.channel_id)) continue;
            if (first_on) add_image_point(ctx, image_points_[2 * i], 0, raw);
            // A second return exists only where the sensor reported one.
            DruvexSensorImagePoint& second = image_points_[2 * i + 1];
            if (second_on && (second.flags & DRUVEX_POINT_FLAG_VALID) != 0)
                add_image_point(ctx, second, 1, raw);
        }
    }
    vertex_cache_.finish();
}

void StreamFrame::build_points(std::vector<PointVertex>& out, int32_t color_mode, float weight,
                               const SensorPose* pose, int64_t now_us) {
    const VertexKey key = vertex_key(color_mode, weight, pose);
    // calibrate() first: it must run on every draw, and new image points
    // make the kept ones stale whatever the key. The angular grid takes
    // every point as it is built.
    // Samples of a running demo input arrive after the frame, so its kept
    // points may be turned by an older sample than the one now in force.
    if (calibrate() || !vertex_cache_.holds(key) || stream_->view()->angular_grid() ||
        stream_->app()->has_imu_samples())
        fill_vertex_cache(key);
    vertex_cache_.append_to(out, now_us);
}

void SensorStream::build_points(const ViewConfig& config, int64_t now_us,
                                std::vector<PointVertex>& out, ClusterGrid* cluster) {
    if (frames_.empty()) return;
    const SensorPose pose = transform_to_affine(transform);
    const bool posed = app_->enable_transforms();
    // The grid bins by direction from the sensor: its points take the pose
    // after binning.
    const SensorPose* frame_pose = posed && !hex_grid_ ? &pose : nullptr;
    const bool imu = view_->imu_demo_active();
    const size_t start = out.size();
    size_t counted = 0;
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
        StreamFrame& frame = **it;
        if (frame.time_us() > now_us) continue;  // replay clock behind this frame
        const float age = static_cast<float>(now_us - frame.time_us()) * 1e-6f;
        const float weight = imu && config.frame_length > 0.0f ? age / config.frame_length : 1.0f;
        frame.build_points(out, config.color_mode, weight, frame_pose, now_us);
        ++counted;
        if (age > config.frame_length) break;
    }
    // Each frame of the IMU demo is drawn once; the angular grid keeps the picture.
    if (imu) frames_.clear();
    if (counted == 0 || !hex_grid_) return;
    grid_points(config, out, start, cluster);
    if (posed) apply_pose(pose, out.data() + start, out.size() - start);
}

}  // namespace druvex
