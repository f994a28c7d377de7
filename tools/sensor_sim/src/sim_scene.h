// The world the simulated sensor looks at: a ground plane, two boxes and a
// thin fence that lets part of the light through to a second surface.
#pragma once

#include <array>

namespace druvex_sim {

// Ranges in metres along one ray, 0 when nothing is hit within range.
struct Hits {
    double first = 0;
    double second = 0;
};

// The sensor sits at the origin looking along +y, z up; a ray leaves along
// (tan_x, 1, tan_z).
Hits trace(double tan_x, double tan_z);

constexpr double scene_max_range = 60.0;
constexpr double scene_ground_z = -1.5;

}  // namespace druvex_sim
