// SensorStream's hex grid: its configuration, and replacing the stream's
// points by one point per cell, whose foreground feeds the clustering.
#include "clustering.h"
#include "hex_grid.h"
#include "render/render_config.h"
#include "sensor_stream.h"

namespace druvex {
namespace {

constexpr int32_t display_fill_bit = 4;
// tan(35 degrees) for the wide models, tan(20 degrees) for the others and
// for the height.
constexpr float wide_half_width = 0.7002077f;
constexpr float half_height = 0.3639702f;
// Nearer than this the direction of a point says little: no grid cell.
constexpr float min_grid_distance = 0.5f;

bool wide_model(uint16_t model) {
    return model == DRUVEX_SENSOR_MODEL_QX42W || model == DRUVEX_SENSOR_MODEL_ORVEL_330 ||
           model == DRUVEX_SENSOR_MODEL_ORVEL_330_GEN2;
}

}  // namespace

void SensorStream::configure_hex_grid(float spacing, uint64_t fill_distance,
                                      uint64_t fill_threshold) {
    const float size = usable_grid_spacing(spacing);
    if (!hex_grid_ || hex_spacing_ != size) {
        const float hx = wide_model(info_.model) ? wide_half_width : half_height;
        hex_grid_ = std::make_unique<HexGrid>(-hx, hx, -half_height, half_height, size);
        hex_spacing_ = size;
    }
    hex_grid_->fill_distance = fill_distance;
    hex_grid_->fill_threshold = fill_threshold;
}

void SensorStream::drop_hex_grid() {
    hex_grid_.reset();
    hex_spacing_ = 0.0f;
}

void SensorStream::reset_hex_grid() {
    if (hex_grid_) hex_grid_->reset_background();
}

void SensorStream::grid_points(const ViewConfig& config, std::vector<PointVertex>& out,
                               size_t start, ClusterGrid* cluster) {
    HexGrid& grid = *hex_grid_;
    // Until a background was learnt everything would count as foreground.
    ClusterGrid* feed = grid.background_ready ? cluster : nullptr;
    grid.clear();
    for (size_t i = start; i < out.size(); ++i) {
        const PointVertex& p = out[i];
        if (!(p.y > min_grid_distance)) continue;
        const float per_y = 1.0f / p.y;
        grid.add(p.x * per_y, p.z * per_y, p.y, p.intensity);
    }
    if ((config.display_mode & display_fill_bit) != 0) grid.fill_holes();
    out.resize(start);
    grid.evaluate([&](float u, float v, float distance, float value, bool background) {
        if (distance < min_grid_distance) return;
        const float x = distance * u, y = distance, z = distance * v;
        // In the demo modes the background fades, and the foreground counts
        // towards the boxes.
        out.push_back({background && feed != nullptr ? 0.0f : 1.0f, x, y, z, value});
        if (feed != nullptr && !background) feed->add_point(x, y, z);
    });
}

}  // namespace druvex
