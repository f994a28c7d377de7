// The view renderer's camera operations (no context) and its ground grid,
// distance markers and measuring line (hidden window, headless text context).
#include "gl_harness.h"

#include "render/colormap.h"
#include "render/lines_renderer.h"
#include "render/view_renderer.h"

#include <nanovg.h>

#include <cmath>

using namespace druvex;
using namespace render_test;

namespace {

constexpr float half_pi = 1.5707964f;

RenderConfig laid_out(int w, int h) {
    RenderConfig c;
    c.set_grid_viewport(w, h, 0, 1, 1.0f);
    return c;
}

}  // namespace

TEST(ViewCamera, OrbitClampsElevationOnly) {
    ViewRenderer v(nullptr, nullptr);
    v.orbit(0.5f, 0.3f, 0.25f);
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_elevation, half_pi);
    v.orbit(0.5f, -4.0f, 0.25f);
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_elevation, -half_pi);
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_azimuth, 1.0f);
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_roll, 0.5f);
    v.orbit(0, 1.0f, 0);
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_elevation, -half_pi + 1.0f);
}

TEST(ViewCamera, PresetsTogglesAndReset) {
    RenderConfig initial;
    initial.view_rotation_roll = 0.4f;
    initial.zoom_scale = 0.5f;
    ViewRenderer v(nullptr, &initial);
    EXPECT_FLOAT_EQ(v.get_config().zoom_scale, 0.5f);
    v.set_view_side();
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_azimuth, -half_pi);
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_elevation, 0);
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_roll, 0.4f);  // kept
    v.set_view_top();
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_elevation, half_pi);
    v.set_view_front();
    EXPECT_FLOAT_EQ(v.get_config().view_rotation_roll, 0);
    v.toggle_perspective();
    v.camera().colormap_texture_created = true;
    v.camera().colormap_texture = 7;
    v.reset_camera();
    const RenderConfig r = v.get_config();
    EXPECT_FLOAT_EQ(r.zoom_scale, 0.05f);
    EXPECT_FALSE(r.perspective);
    EXPECT_EQ(r.viewport_width, 0);
    EXPECT_EQ(r.colormap_texture, 7u);  // the GL texture is reused, not leaked
}

TEST(ViewCamera, PanByFractionOfTheViewport) {
    const RenderConfig c = laid_out(800, 600);
    ViewRenderer v(nullptr, &c);
    v.pan_by_fraction(0.1f, 0.0f);  // 80 pixels
    EXPECT_NEAR(v.get_config().view_center_x, 80 * 2.0f / 800 * (800.0f / 600) / 0.05f, 1e-3);
    v.pan_by_fraction(0.0f, 0.1f);  // 60 pixels up: toward world +y (render z)
    EXPECT_NEAR(v.get_config().view_center_z, 60 * 2.0f / 600 / 0.05f, 1e-3);
    EXPECT_NEAR(v.get_config().view_center_y, 0, 1e-4);
}

namespace {

class ViewDrawing : public GlHarness {
protected:
    // Baking the fonts takes a while: one text context for the suite.
    static void TearDownTestSuite() {
        if (nvg_) nvgDeleteContext(nvg_);
        nvg_ = nullptr;
    }
    void SetUp() override {
        GlHarness::SetUp();
        if (IsSkipped()) return;
        if (!nvg_) nvg_ = nvgCreateContext(1.0f);
        nvgBeginFrame(nvg_, frame_width, frame_height, 1.0f);
        RenderConfig c = laid_out(frame_width, frame_height);
        c.zoom_scale = 0.08f;  // 25 m of ground: markers every 5 m
        view_ = std::make_unique<ViewRenderer>(nvg_, &c);
        view_->measure_line_name = "measure_0";
    }
    void TearDown() override { view_.reset(); }
    bool grey_at(const std::vector<uint8_t>& f, float x, float y, int radius = 1) {
        const Eigen::Vector2i p = view_->camera().project(x, 0, y);
        return colour_near(f, p.x(), p.y(), {80, 80, 80}, radius, 6);
    }
    static NVGcontext* nvg_;
    std::unique_ptr<ViewRenderer> view_;
};

NVGcontext* ViewDrawing::nvg_ = nullptr;

}  // namespace

TEST_F(ViewDrawing, GridOffDrawsNothing) {
    view_->camera().show_grid = false;
    view_->draw_ground_grid();
    const auto f = read_pixels();
    for (size_t i = 0; i < f.size(); i += 4) ASSERT_EQ(f[i] + f[i + 1] + f[i + 2], 0);
    EXPECT_FALSE(view_->markers_visible());
}

TEST_F(ViewDrawing, RingsAndMarkerTicksFollowTheZoom) {
    view_->draw_ground_grid();
    EXPECT_TRUE(view_->markers_visible());
    EXPECT_EQ(view_->marker_step(), 5);
    auto f = read_pixels();
    EXPECT_TRUE(grey_at(f, 10, 0));  // first ring
    EXPECT_TRUE(grey_at(f, 7.071f, -7.071f));
    EXPECT_TRUE(grey_at(f, 0.25f, 5));  // tick across the world-y axis
    EXPECT_TRUE(grey_at(f, 0.25f, -10));
    EXPECT_FALSE(grey_at(f, 0.25f, 2.5f, 0));
    snapshot(f, "markers_step5");

    // Closer: a step of 1 m, five times the ticks, so the marker set grows.
    view_->zoom(2.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    view_->draw_ground_grid();
    EXPECT_EQ(view_->marker_step(), 1);
    f = read_pixels();
    EXPECT_TRUE(grey_at(f, 0.05f, 3));
    EXPECT_TRUE(grey_at(f, 0.05f, -4));
    EXPECT_FALSE(grey_at(f, 0.1f, 3.5f, 0));
}

TEST_F(ViewDrawing, MarkersHideAtTenDegreesAndInPerspective) {
    view_->draw_ground_grid();
    view_->camera().view_rotation_elevation = 0.1745329f;
    view_->draw_ground_grid();
    EXPECT_FALSE(view_->markers_visible());
    EXPECT_EQ(view_->marker_step(), 0);
    EXPECT_EQ(LinesRenderer::instance()->find("distance_markers")->vertex_count, 0u);
    view_->camera().view_rotation_elevation = 0.1746f;
    view_->draw_ground_grid();
    EXPECT_TRUE(view_->markers_visible());
    EXPECT_GT(LinesRenderer::instance()->find("distance_markers")->vertex_count, 0u);
}

TEST_F(ViewDrawing, MeasuringLineEndsWhenPerspectiveTurnsOn) {
    view_->set_measure_start(-5, -5, 0);
    view_->measuring = true;
    view_->set_measure_end(5, 5, 0, 0xFF00FF00);
    view_->draw_measure();
    auto f = read_pixels();
    const Eigen::Vector2i mid = view_->camera().project(0, 0, 0);
    EXPECT_TRUE(colour_near(f, mid.x(), mid.y(), {0, 255, 0}, 1, 2));
    view_->set_measure_end(-5, -5, 0, 0xFF00FF00);  // zero length: line set, no label
    view_->draw_measure();
    EXPECT_TRUE(view_->measuring);
    EXPECT_EQ(LinesRenderer::instance()->find("measure_0")->vertex_count, 2u);

    view_->toggle_perspective();
    view_->draw_measure();
    EXPECT_FALSE(view_->measuring);
    EXPECT_EQ(LinesRenderer::instance()->find("measure_0")->vertex_count, 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ViewDrawing, PointsDrawOverTheGround) {
    // A ring of points at 6 m coloured by angle through the circular map.
    view_->camera().colormap = COLORMAP_CIRCULAR;
    view_->camera().point_size = 60;
    std::vector<PointVertex> cloud;
    for (int i = 0; i < 48; ++i) {
        const float a = float(i) / 48 * 6.2831853f;
        cloud.push_back({1, 6 * std::cos(a), 6 * std::sin(a), 1.5f, float(i) / 48});
    }
    view_->upload_points(cloud.size(), cloud.data());
    view_->draw_ground_grid();
    view_->draw_points();
    const auto f = read_pixels();
    snapshot(f, "view_frame");
    const Eigen::Vector2i east = view_->camera().project(6, 1.5f, 0);  // first stop: red
    EXPECT_TRUE(colour_near(f, east.x(), east.y(), {255, 64, 51}, 1, 8));
    EXPECT_TRUE(grey_at(f, 10, 0));
}
