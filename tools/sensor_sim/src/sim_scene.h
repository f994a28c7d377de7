// The world the simulated sensor looks at: a ground plane, two boxes and a
// thin fence that lets part of the light through to a second surface; on
// request also a person walking and a car driving across it.
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
// The same with the moving objects where they are `time_s` seconds after
// the start: a person (0.5 x 0.5 x 1.8 m) walks at 1.4 m/s along x 5 m
// ahead, a car (4.5 x 1.8 x 1.5 m) drives at 8 m/s the other way 7 m
// ahead; both come back in from the side where they left the scene.
Hits trace_with_movers(double tan_x, double tan_z, double time_s);

constexpr double scene_max_range = 60.0;
constexpr double scene_ground_z = -1.5;

}  // namespace druvex_sim
