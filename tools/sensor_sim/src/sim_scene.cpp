// Ray casting against the simulated scene.
#include "sim_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace druvex_sim {
namespace {

constexpr double none = std::numeric_limits<double>::infinity();

struct Box {
    double min[3];
    double max[3];
};

constexpr Box boxes[] = {
    {{-3.0, 9.0, -1.5}, {-1.0, 11.0, 0.5}},
    {{2.0, 14.0, -1.5}, {3.5, 15.5, 1.5}},
};
// The fence: the plane y = 6 for x in [-0.8, 0.8], z in [-1.5, 0.2].
constexpr double fence_y = 6.0;

// Ray parameter of the first intersection with the box (slab method).
double hit_box(const double d[3], const Box& box) {
    double near = 0, far = none;
    for (int a = 0; a < 3; ++a) {
        if (d[a] == 0) {
            if (box.min[a] > 0 || box.max[a] < 0) return none;
            continue;
        }
        double t0 = box.min[a] / d[a], t1 = box.max[a] / d[a];
        if (t0 > t1) std::swap(t0, t1);
        near = std::max(near, t0);
        far = std::min(far, t1);
    }
    return near <= far ? near : none;
}

// Along x, wrapping from one end of the lane to the other.
struct Mover {
    double length, y_min, y_max, height;  // the box, standing on the ground
    double x_start, x_end, speed;         // the lane, metres and metres per second
};

constexpr Mover movers[] = {
    {0.5, 5.0, 5.5, 1.8, -4.0, 4.0, 1.4},
    {4.5, 7.0, 8.8, 1.5, 8.0, -8.0, 8.0},
};

Box mover_box(const Mover& m, double time_s) {
    const double lane = m.x_end - m.x_start;
    const double travelled = std::fmod(m.speed * time_s, std::fabs(lane));
    const double x = m.x_start + (lane > 0 ? travelled : -travelled);
    return {{x - m.length / 2, m.y_min, scene_ground_z},
            {x + m.length / 2, m.y_max, scene_ground_z + m.height}};
}

double hit_ground(const double d[3]) { return d[2] < 0 ? scene_ground_z / d[2] : none; }

double hit_fence(const double d[3]) {
    const double t = fence_y / d[1];
    const double x = d[0] * t, z = d[2] * t;
    return (x >= -0.8 && x <= 0.8 && z >= scene_ground_z && z <= 0.2) ? t : none;
}

// The nearest solid surface (no fence) along the unit direction d.
double hit_solid(const double d[3], const double* time_s) {
    double solid = hit_ground(d);
    for (const Box& box : boxes) solid = std::min(solid, hit_box(d, box));
    if (time_s != nullptr) {
        for (const Mover& m : movers) solid = std::min(solid, hit_box(d, mover_box(m, *time_s)));
    }
    return solid;
}

Hits trace_at(double tan_x, double tan_z, const double* time_s) {
    const double norm = std::sqrt(tan_x * tan_x + 1 + tan_z * tan_z);
    const double d[3] = {tan_x / norm, 1 / norm, tan_z / norm};
    double solid = hit_solid(d, time_s);
    if (solid > scene_max_range) solid = none;
    const double fence = hit_fence(d);
    Hits hits;
    if (fence < solid) {
        hits.first = fence;
        hits.second = solid == none ? 0 : solid;
    } else if (solid != none) {
        hits.first = solid;
    }
    return hits;
}

}  // namespace

Hits trace(double tan_x, double tan_z) { return trace_at(tan_x, tan_z, nullptr); }

Hits trace_with_movers(double tan_x, double tan_z, double time_s) {
    return trace_at(tan_x, tan_z, &time_s);
}

}  // namespace druvex_sim
