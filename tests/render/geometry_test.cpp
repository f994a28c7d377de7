// Overlay geometry builders: strips, circles, boxes, rings and distance markers.
#include "render/ground_grid.h"
#include "render/line_strips.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace druvex;

namespace {

constexpr uint32_t opaque_red = 0xFF0000FF;

int restart_count(const LineStrips& s) {
    int n = 0;
    for (const auto& v : s.vertices) n += v.color == s.restart_color;
    return n;
}

}  // namespace

TEST(LineStrips, CircleClosesOnItsStart) {
    LineStrips s;
    s.color = opaque_red;
    add_circle_lines(s, 1, 2, 3, 5, 4);
    ASSERT_EQ(s.vertices.size(), 5u);
    EXPECT_EQ(s.vertices[0].color, 0u);
    EXPECT_FLOAT_EQ(s.vertices[0].x, 6);
    EXPECT_NEAR(s.vertices[1].x, 1, 1e-5);  // a quarter turn: (cx, cy + r)
    EXPECT_NEAR(s.vertices[1].y, 7, 1e-5);
    EXPECT_NEAR(s.vertices[4].x, 6, 1e-5);
    EXPECT_NEAR(s.vertices[4].y, 2, 1e-5);
    for (const auto& v : s.vertices) EXPECT_FLOAT_EQ(v.z, 3);
    for (size_t i = 1; i < s.vertices.size(); ++i) EXPECT_EQ(s.vertices[i].color, opaque_red);
}

TEST(LineStrips, EmptyStripsAreDroppedAndCirclesStayDisjoint) {
    LineStrips s;
    s.color = opaque_red;
    add_circle_lines(s, 0, 0, 0, 1, 0);  // only its restart vertex
    ASSERT_EQ(s.vertices.size(), 1u);
    add_circle_lines(s, 0, 0, 0, 2, 8);
    add_circle_lines(s, 0, 0, 0, 3, 8);
    ASSERT_EQ(s.vertices.size(), 18u);
    EXPECT_FLOAT_EQ(s.vertices[0].x, 2);  // the empty strip is gone
    // The second circle starts with a restart vertex, so no segment joins them.
    EXPECT_EQ(s.vertices[9].color, 0u);
    EXPECT_FLOAT_EQ(s.vertices[9].x, 3);
    EXPECT_EQ(restart_count(s), 2);
}

TEST(LineStrips, BoxOutlineCoversTwelveEdges) {
    LineStrips s;
    s.color = opaque_red;
    s.add_box_outline(0, 0, 0, 1, 2, 3);
    EXPECT_EQ(s.vertices.size(), 16u);
    EXPECT_EQ(restart_count(s), 4);
    // Segments = vertices that are not restarts, each ends one edge.
    int edges = 0;
    for (size_t i = 1; i < s.vertices.size(); ++i) {
        if (s.vertices[i].color == s.restart_color) continue;
        const auto& a = s.vertices[i - 1];
        const auto& b = s.vertices[i];
        const int axes = (a.x != b.x) + (a.y != b.y) + (a.z != b.z);
        EXPECT_EQ(axes, 1) << "segment " << i << " is not a box edge";
        ++edges;
    }
    EXPECT_EQ(edges, 12);
}

TEST(LineStrips, BoxFacesHideTheirConnectingTriangles) {
    std::vector<LineVertex> v;
    add_box_faces(v, 0, 1, 0, 1, 0, 1, 0x40003f00);
    ASSERT_EQ(v.size(), 17u);
    // Flat shading takes each triangle's last vertex; six faces make twelve
    // visible triangles.
    int visible = 0;
    for (size_t i = 2; i < v.size(); ++i) visible += v[i].color != 0;
    EXPECT_EQ(visible, 12);
}

TEST(GroundGrid, MarkerSteps) {
    EXPECT_EQ(distance_marker_step(40.0f), 5);  // the default camera
    EXPECT_EQ(distance_marker_step(14.9f), 1);
    EXPECT_EQ(distance_marker_step(20.0f), 2);
    EXPECT_EQ(distance_marker_step(55.0f), 10);   // n = 6
    EXPECT_EQ(distance_marker_step(194.0f), 10);  // n = 19
    EXPECT_EQ(distance_marker_step(200.0f), 20);
    EXPECT_EQ(distance_marker_step(590.0f), 50);
    EXPECT_EQ(distance_marker_step(600.0f), 100);
    EXPECT_EQ(distance_marker_step(1990.0f), 100);
    EXPECT_GT(distance_marker_step(INFINITY), 1000000);  // a level camera or zero zoom
    EXPECT_EQ(nice_grid_step(250), 200);
}

TEST(GroundGrid, MarkerVisibility) {
    EXPECT_FALSE(distance_markers_visible(0.1745329f));  // exactly 10 degrees
    EXPECT_TRUE(distance_markers_visible(0.1746f));
    EXPECT_TRUE(distance_markers_visible(-1.5707964f));
    EXPECT_FALSE(distance_markers_visible(0.0f));
}

TEST(GroundGrid, MarkersTickEveryStepAlongWorldY) {
    const LineStrips s = build_distance_markers(1000, 5, 1.0f, 0xFF505050);
    EXPECT_EQ(distance_marker_count(1000, 5), 200);
    // axis (2 vertices) + two 2-vertex ticks for each of 200 steps
    ASSERT_EQ(s.vertices.size(), 2u + 200 * 4);
    EXPECT_FLOAT_EQ(s.vertices[0].y, -1000);
    EXPECT_FLOAT_EQ(s.vertices[1].y, 1000);
    const LineVertex& last = s.vertices.back();
    EXPECT_FLOAT_EQ(last.y, -995);
    EXPECT_FLOAT_EQ(last.x, -0.5f);
    EXPECT_EQ(distance_marker_count(1000, 300), 3);
    EXPECT_EQ(distance_marker_count(1000, 0), 0);
}

TEST(GroundGrid, RingsWithMajorEveryTenth) {
    const LineStrips s = build_ground_rings(20, 10.0f, 0xFF505050, 0xFFC0C0C0);
    ASSERT_EQ(s.vertices.size(), 20u * 1001);
    EXPECT_EQ(s.vertices[1].color, 0xFF505050u);
    EXPECT_FLOAT_EQ(s.vertices[9 * 1001].x, 100.0f);
    EXPECT_EQ(s.vertices[9 * 1001 + 1].color, 0xFFC0C0C0u);
    EXPECT_EQ(s.vertices[19 * 1001 + 1].color, 0xFFC0C0C0u);
    EXPECT_EQ(s.vertices[18 * 1001 + 1].color, 0xFF505050u);
}
