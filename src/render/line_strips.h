// Line vertices and strips separated by restart vertices.
#pragma once

#include <Eigen/Core>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace druvex {

// One vertex of overlay geometry. The colour is RGBA in memory order, so as a
// u32 red is the least significant byte and alpha the most significant.
struct LineVertex {
    float x, y, z;
    uint32_t color;
};
static_assert(sizeof(LineVertex) == 16, "the GL buffer layout is 16 bytes per vertex");

// Builds disjoint polylines in one vertex array for one GL_LINE_STRIP draw:
// every strip begins with a vertex in `restart_color` (transparent), and the
// lines program suppresses each segment that ends on such a vertex.
struct LineStrips {
    uint32_t restart_color = 0;
    uint32_t color = 0xFFFFFFFF;
    std::vector<LineVertex> vertices;

    // Starts a new strip at `points[0]` and continues it through the rest.
    void add_strip(std::initializer_list<Eigen::Vector3f> points);
    // The 12 edges of the axis-aligned box with corners (x0,y0,z0), (x1,y1,z1).
    void add_box_outline(float x0, float y0, float z0, float x1, float y1, float z1);

    // Starts a strip at (x, y, z); a restart vertex left at the end of the
    // array (an empty strip) is dropped first.
    void begin_strip(float x, float y, float z);
    void add_point(float x, float y, float z) { vertices.push_back({x, y, z, color}); }
};

// A closed circle in the world x-y plane, `segments` segments long.
void add_circle_lines(LineStrips& strips, float cx, float cy, float cz, float radius, int segments);

// The six faces of a box as one 17-vertex triangle strip; the connecting
// triangles end on a colour-0 vertex and so are transparent under flat shading.
void add_box_faces(std::vector<LineVertex>& vertices, float x_min, float x_max, float y_min,
                   float y_max, float z_min, float z_max, uint32_t color);

}  // namespace druvex
