// Building line strips, circles, box outlines and box faces.
#include "line_strips.h"

#include <cmath>

namespace druvex {

void LineStrips::begin_strip(float x, float y, float z) {
    if (!vertices.empty() && vertices.back().color == restart_color) vertices.pop_back();
    vertices.push_back({x, y, z, restart_color});
}

void LineStrips::add_strip(std::initializer_list<Eigen::Vector3f> points) {
    auto it = points.begin();
    if (it == points.end()) return;
    begin_strip(it->x(), it->y(), it->z());
    for (++it; it != points.end(); ++it) add_point(it->x(), it->y(), it->z());
}

void LineStrips::add_box_outline(float x0, float y0, float z0, float x1, float y1, float z1) {
    using V = Eigen::Vector3f;
    add_strip({V(x0, y0, z0), V(x1, y0, z0), V(x1, y1, z0), V(x0, y1, z0), V(x0, y0, z0),
               V(x0, y0, z1), V(x0, y1, z1), V(x1, y1, z1), V(x1, y0, z1), V(x1, y0, z0)});
    add_strip({V(x0, y1, z0), V(x0, y1, z1)});
    add_strip({V(x1, y1, z1), V(x1, y1, z0)});
    add_strip({V(x1, y0, z1), V(x0, y0, z1)});
}

void add_circle_lines(LineStrips& strips, float cx, float cy, float cz, float radius,
                      int segments) {
    strips.begin_strip(cx + radius, cy, cz);
    const float step = static_cast<float>(2.0 * M_PI / segments);
    for (int i = 1; i <= segments; ++i) {
        const float a = i * step;
        strips.add_point(cx + radius * std::cos(a), cy + radius * std::sin(a), cz);
    }
}

void add_box_faces(std::vector<LineVertex>& v, float x0, float x1, float y0, float y1, float z0,
                   float z1, uint32_t c) {
    v.insert(v.end(), {{x0, y0, z0, 0},
                       {x0, y1, z0, 0},
                       {x1, y0, z0, c},
                       {x1, y1, z0, c},
                       {x1, y0, z1, c},
                       {x1, y1, z1, c},
                       {x0, y0, z1, c},
                       {x0, y1, z1, c},
                       {x0, y0, z0, c},
                       {x0, y1, z0, c},
                       {x0, y1, z1, 0},
                       {x1, y1, z0, c},
                       {x1, y1, z1, c},
                       {x0, y0, z0, 0},
                       {x0, y0, z1, 0},
                       {x1, y0, z0, c},
                       {x1, y0, z1, c}});
}

}  // namespace druvex
