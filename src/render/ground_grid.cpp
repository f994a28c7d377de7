// Geometry of the ground rings and distance markers.
#include "ground_grid.h"

#include "platform/saturating_int.h"

#include <cmath>

namespace druvex {

int nice_grid_step(int k) {
    if (k < 2) return 1;
    if (k < 3) return 2;
    if (k < 6) return 5;
    return 10 * nice_grid_step(k / 10);
}

int distance_marker_step(float ground_extent) {
    const int n = saturating_round(ground_extent / 10.0);
    if (n <= 1) return 1;
    if (n == 2) return 2;
    if (n <= 5) return 5;
    return 10 * nice_grid_step(n / 10);
}

bool distance_markers_visible(float elevation) { return std::fabs(elevation) > 0.1745329f; }

int distance_marker_count(float length, int step) {
    return step > 0 ? saturating_round(double(length) / step) : 0;
}

LineStrips build_ground_rings(int ring_count, float spacing, uint32_t ring_color,
                              uint32_t major_color) {
    LineStrips strips;
    strips.restart_color = 0;
    for (int i = 1; i <= ring_count; ++i) {
        strips.color = i % 10 == 0 ? major_color : ring_color;
        add_circle_lines(strips, 0, 0, 0, i * spacing, 1000);
    }
    return strips;
}

LineStrips build_distance_markers(float length, int step, float tick, uint32_t color) {
    LineStrips strips;
    strips.restart_color = 0;
    strips.color = color;
    using V = Eigen::Vector3f;
    strips.add_strip({V(0, -length, 0), V(0, length, 0)});
    const int count = distance_marker_count(length, step);
    for (int i = 0; i < count; ++i) {
        const float y = float(i * step);
        strips.add_strip({V(tick / 2, y, 0), V(-tick / 2, y, 0)});
        strips.add_strip({V(tick / 2, -y, 0), V(-tick / 2, -y, 0)});
    }
    return strips;
}

}  // namespace druvex
