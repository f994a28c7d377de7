// Turning a stream's recent frames into drawn points.
#include "render_config.h"
#include "sensor_stream.h"
#include "view.h"
#include "view_host.h"

#include <cmath>

namespace druvex {
namespace {

constexpr int kColorTime = 1, kColorIntensity = 6, kColorReturn = 7, kColorSensor = 8,
              kColorRawIntensity = 9, kColorPower = 10, kColorLaser = 11;

struct PointContext {
    StreamFrame& frame;
    std::vector<PointVertex>& out;
    int32_t color_mode;
    float weight;
    uint32_t stream_index;
};

float color_value(const PointContext& ctx, const DruvexSensorImagePoint& p, int r,
                  const DruvexSensorRawPointWithTime& raw, float base) {
    switch (ctx.color_mode) {
        case kColorTime: return static_cast<float>(p.timestamp - ctx.frame.view->now_us);
        case kColorIntensity: return p.intensity;
        case kColorReturn: return static_cast<float>(r);
        case kColorSensor: return static_cast<float>(ctx.stream_index);
        case kColorRawIntensity: return raw.intensity[r] / 255.0f;
        case kColorPower: return raw.power_level / 15.0f;
        case kColorLaser: return raw.channel_id;
        default: return base;  // constant, and the modes set from the position later
    }
}

void add_image_point(PointContext& ctx, DruvexSensorImagePoint& p, int r,
                     const DruvexSensorRawPointWithTime& raw) {
    const bool valid = (p.flags & DRUVEX_POINT_FLAG_VALID) != 0;
    if (!valid) {
        if (!ctx.frame.view->config.show_invalid_points) return;
        if (p.distance == 0.0f) p.distance = 1e-6f;
    }
    if (ctx.frame.app->enable_clips() && ctx.frame.stream->image_clip.excludes(p)) return;
    const float d = p.distance / std::sqrt(p.image_x * p.image_x + p.image_z * p.image_z + 1.0f);
    const bool saturated = (p.flags & DRUVEX_POINT_FLAG_SATURATED) != 0;
    const float importance = (ctx.color_mode == kColorIntensity && saturated) ? ctx.weight * 0.5f : ctx.weight;
    const float value = color_value(ctx, p, r, raw, valid ? 0.0f : 1.0f);
    ctx.out.push_back({importance, -d * p.image_x, d, -d * p.image_z, value});
}

}  // namespace

void StreamFrame::build_points(std::vector<PointVertex>& out, int32_t color_mode, float weight) {
    processed = true;
    PointContext ctx{*this, out, color_mode, weight, static_cast<uint32_t>(stream->index())};
    calibrate();
    for (size_t i = 0; i < raw_points.size(); ++i) {
        const DruvexSensorRawPointWithTime& raw = raw_points[i];
        if (!stream->channel_enabled(raw.channel_id) || !stream->mode_enabled(mode_flag)) continue;
        for (int r = 0; r < 2; ++r) {
            DruvexSensorImagePoint& p = image_points[2 * i + r];
            if (!stream->return_enabled(r)) continue;
            // A second return exists only where the sensor reported one.
            if (r == 1 && (p.flags & DRUVEX_POINT_FLAG_VALID) == 0) continue;
            add_image_point(ctx, p, r, raw);
        }
    }
}

void SensorStream::build_points(const ViewConfig& config, std::vector<PointVertex>& out) {
    if (frames.empty()) return;
    const int64_t now = app->current_time_usec();
    const size_t start = out.size();
    size_t counted = 0;
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        StreamFrame& frame = **it;
        if (frame.time_us > now) continue;  // replay clock behind this frame
        const float age = static_cast<float>(now - frame.time_us) * 1e-6f;
        frame.build_points(out, config.color_mode, 1.0f);
        ++counted;
        if (age > config.frame_length) break;
    }
    if (counted == 0) return;
    // Binning into the hex grid (display modes other than "Raw") and the IMU
    // demo's angular grid join here once they exist.
    if (app->enable_transforms()) {
        const Eigen::Matrix<float, 3, 4> m = transform.matrix();
        for (size_t i = start; i < out.size(); ++i) {
            PointVertex& v = out[i];
            const Eigen::Vector3f p = m.leftCols<3>() * Eigen::Vector3f(v.x, v.y, v.z) + m.col(3);
            v.x = p.x();
            v.y = p.y();
            v.z = p.z();
        }
    }
}

}  // namespace druvex
