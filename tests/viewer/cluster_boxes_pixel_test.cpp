// The "Demo" display mode as drawn: a view in the GL harness's hidden window
// sees two objects walk in front of a wall, draws a box around each where it
// is, and none once both stood still long enough to become background.
#include "fake_view_host.h"
#include "gl_harness.h"
#include "render/lines_renderer.h"
#include "view/hex_grid.h"

#include <cmath>

namespace druvex {
namespace {

using render_test::frame_height;
using render_test::frame_width;

constexpr float wall_y = 15.0f;
constexpr float lattice_step = 0.004f;

// An upright box face across the view, y metres ahead.
struct Walker {
    float x_min, width, y, z_min, z_max;
    float speed;  // metres per frame along x

    float x_max() const { return x_min + width; }
    bool covers(float u, float v) const {
        const float x = u * y, z = v * y;
        return x >= x_min && x <= x_max() && z >= z_min && z <= z_max;
    }
};

// One sensor frame of the scene: directions on a lattice finer than the
// hex grid, each returning the nearest of the walkers and the wall.
std::vector<DruvexSensorRawPointWithTime> scene_frame(int64_t t, const Walker (&walkers)[2]) {
    std::vector<DruvexSensorRawPointWithTime> points;
    for (float u = -0.3f; u <= 0.3f; u += lattice_step) {
        for (float v = -0.15f; v <= 0.15f; v += lattice_step) {
            float y = wall_y;
            for (const Walker& w : walkers) y = w.covers(u, v) && w.y < y ? w.y : y;
            // The view puts a point at x = -d * image_x, z = -d * image_z.
            points.push_back(testing::raw_point(t, -u, -v, y * std::sqrt(1 + u * u + v * v)));
        }
    }
    return points;
}

// Cyan outlines and dark green faces; the points are white to red or grey.
bool box_coloured(const render_test::Rgb& p) { return p.g > p.r + 40 && p.g > 50; }

class ClusterBoxesPixelTest : public render_test::GlHarness {
protected:
    void SetUp() override {
        GlHarness::SetUp();
        view_.config.display_mode = 3;  // "Demo"
        RenderConfig& camera = view_.renderer.camera();
        camera.show_grid = false;
        camera.zoom_scale = 0.1f;
        camera.set_grid_viewport(frame_width, frame_height, 0, 1, 1.0f);
    }

    // One sensor frame in, one screen frame out.
    void frame() {
        const auto points = scene_frame(host_.now_us, walkers_);
        view_.on_frame(testing::sensor_info(1), host_.now_us, points.size(), points.data());
        view_.refresh_streams();
        draw();
        host_.now_us += 100000;
        for (Walker& w : walkers_) w.x_min += w.speed;
    }

    void draw() {
        if (LinesRenderer* lines = LinesRenderer::existing()) lines->flush();
        glClear(GL_COLOR_BUFFER_BIT);
        view_.update();
    }

    // Box-coloured pixels within `radius` of the walker's window position,
    // and in the whole picture.
    size_t box_pixels_near(const std::vector<uint8_t>& rgba, const Walker& w, int radius) {
        const Eigen::Vector2i p =
            view_.renderer.camera().project((w.x_min + w.x_max()) / 2, 0.0f, w.y);
        size_t n = 0;
        for (int y = p.y() - radius; y <= p.y() + radius; ++y) {
            for (int x = p.x() - radius; x <= p.x() + radius; ++x) {
                if (x >= 0 && y >= 0 && x < frame_width && y < frame_height)
                    n += box_coloured(pixel_at(rgba, x, y)) ? 1 : 0;
            }
        }
        return n;
    }
    static size_t box_pixels(const std::vector<uint8_t>& rgba) {
        size_t n = 0;
        for (int y = 0; y < frame_height; ++y) {
            for (int x = 0; x < frame_width; ++x) n += box_coloured(pixel_at(rgba, x, y)) ? 1 : 0;
        }
        return n;
    }

    testing::FakeViewHost host_;
    View view_{&host_, nullptr, 1};
    // A person-sized walker 6 m ahead going right, a wider one 8 m ahead going left.
    Walker walkers_[2] = {{-1.8f, 0.6f, 6.0f, -1.2f, 0.6f, 0.05f},
                          {1.8f, 1.2f, 8.0f, -1.2f, 0.3f, -0.05f}};
};

TEST_F(ClusterBoxesPixelTest, MovingObjectsGetBoxesThatGoOnceTheyStop) {
    // 41 frames learn the wall behind the walkers; then they are foreground.
    for (int i = 0; i < 58; ++i) frame();
    ASSERT_TRUE(view_.cluster_grid());
    ASSERT_EQ(view_.cluster_grid()->clusters.size(), 2u);
    for (const Walker& w : walkers_) {
        bool found = false;
        for (const ClusterBox& b : view_.cluster_grid()->clusters) {
            found = found ||
                    (b.x_min < w.x_min + 0.25f && b.x_max > w.x_max() - 0.25f && b.y_min <= w.y &&
                     b.y_max >= w.y && b.x_max < w.x_max() + 0.45f && b.x_min > w.x_min - 0.45f);
        }
        EXPECT_TRUE(found) << "no box around the walker at x " << w.x_min << ", y " << w.y;
    }
    draw();  // the faces staged by the last frame reach the GPU
    const std::vector<uint8_t> moving = read_pixels();
    snapshot(moving, "cluster_boxes_moving");
    // The two windows do not overlap: the walkers are 24 pixels apart across.
    const size_t near_a = box_pixels_near(moving, walkers_[0], 10);
    const size_t near_b = box_pixels_near(moving, walkers_[1], 12);
    EXPECT_GT(near_a, 15u);
    EXPECT_GT(near_b, 15u);
    EXPECT_EQ(box_pixels(moving), near_a + near_b) << "box pixels away from the walkers";

    // "Grid" has no clustering: the boxes go with the mode.
    view_.config.display_mode = 1;
    draw();
    EXPECT_FALSE(view_.cluster_grid());
    EXPECT_EQ(box_pixels(read_pixels()), 0u);
    view_.config.display_mode = 3;

    // Standing still for three background periods: background, no boxes.
    for (Walker& w : walkers_) w.speed = 0.0f;
    for (int i = 0; i < 3 * HexGrid::period_frames + 2; ++i) frame();
    EXPECT_FALSE(view_.cluster_grid());
    draw();
    const std::vector<uint8_t> stopped = read_pixels();
    snapshot(stopped, "cluster_boxes_stopped");
    EXPECT_EQ(box_pixels(stopped), 0u);
}

}  // namespace
}  // namespace druvex
