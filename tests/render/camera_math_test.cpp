// Camera, layout and colour-range arithmetic, without a GL context.
#include "render/colormap.h"
#include "render/render_config.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace druvex;

namespace {

RenderConfig camera_in(int ww, int wh, float ratio = 1.0f) {
    RenderConfig c;
    c.set_grid_viewport(ww, wh, 0, 1, ratio);
    return c;
}

Eigen::Vector4f clip_of(const RenderConfig& c, float a, float b, float d) {
    return c.mvp() * Eigen::Vector4f(a, b, d, 1.0f);
}

}  // namespace

TEST(CameraMatrices, DefaultLooksStraightDownWithTwentyMetresToTheTopEdge) {
    const RenderConfig c = camera_in(800, 600);
    // World (0, 20, 0) is render (0, 0, 20): the top edge of the viewport.
    const Eigen::Vector4f top = clip_of(c, 0, 0, 20);
    EXPECT_NEAR(top.x(), 0.0f, 1e-6);
    EXPECT_NEAR(top.y(), 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(top.w(), 1.0f);
    // World x runs to the right, corrected for the 4:3 aspect ratio.
    EXPECT_NEAR(clip_of(c, 15, 0, 0).x(), 15 * 0.05f * 600 / 800, 1e-6);
    // Height becomes depth (1/f per metre) and does not move the point.
    const Eigen::Vector4f high = clip_of(c, 0, 100, 0);
    EXPECT_NEAR(high.x(), 0.0f, 1e-5);
    EXPECT_NEAR(high.y(), 0.0f, 1e-5);
    EXPECT_NEAR(std::fabs(high.z()), 100.0f / 2000.0f, 1e-6);
}

TEST(CameraMatrices, ZeroPerspectiveScaleGivesTheOrthographicImage) {
    RenderConfig ortho = camera_in(640, 480);
    ortho.view_rotation_elevation = 0.4f;
    ortho.view_rotation_azimuth = 0.3f;
    RenderConfig persp = ortho;
    persp.perspective = true;
    persp.perspective_scale = 0.0f;
    for (const Eigen::Vector3f& p : {Eigen::Vector3f(3, 1, 7), Eigen::Vector3f(-20, 4, 9)}) {
        const Eigen::Vector4f a = clip_of(ortho, p.x(), p.y(), p.z());
        const Eigen::Vector4f b = clip_of(persp, p.x(), p.y(), p.z());
        EXPECT_TRUE(a.isApprox(b, 1e-6f)) << a.transpose() << " vs " << b.transpose();
    }
}

TEST(CameraMatrices, MirrorAndFlip) {
    RenderConfig c;
    const Eigen::Vector4f p(1, 2, 3, 1);  // render (x, height, y)
    c.mirror = true;
    EXPECT_EQ(c.model_matrix() * p, Eigen::Vector4f(-1, 2, 3, 1));
    c.mirror = false;
    c.flip = true;
    EXPECT_EQ(c.model_matrix() * p, Eigen::Vector4f(-1, -2, 3, 1));
    // Both together turn the cloud upside down without mirroring it.
    c.mirror = true;
    EXPECT_EQ(c.model_matrix() * p, Eigen::Vector4f(1, -2, 3, 1));
}

TEST(CameraMapping, ProjectUnprojectRoundTrip) {
    RenderConfig c;
    c.set_grid_viewport(1600, 900, 3, 4, 2.0f);  // lower right of a 2 x 2 grid, HiDPI
    c.view_rotation_elevation = 1.1f;
    c.view_rotation_azimuth = -0.7f;
    c.view_rotation_roll = 0.2f;
    c.view_center_x = 12;
    c.view_center_z = -5;
    c.mirror = true;
    c.zoom_scale = 0.08f;
    const Eigen::Vector2i pos = c.viewport_position(), size = c.viewport_size();
    EXPECT_EQ(pos, Eigen::Vector2i(400, 225));
    EXPECT_EQ(size, Eigen::Vector2i(400, 225));
    for (int x = pos.x() + 5; x < pos.x() + size.x(); x += 97) {
        for (int y = pos.y() + 3; y < pos.y() + size.y(); y += 71) {
            const Eigen::Vector3f w = c.screen_to_world(x, y);
            const Eigen::Vector2i back = c.project(w.x(), w.y(), w.z());
            EXPECT_NEAR(back.x(), x, 1) << x << "," << y;
            EXPECT_NEAR(back.y(), y, 1) << x << "," << y;
            EXPECT_TRUE(c.contains_point(back.x(), back.y()));
        }
    }
}

TEST(CameraMapping, ScreenDeltaAtTheDefaultCamera) {
    const RenderConfig c = camera_in(800, 600);
    const Eigen::Vector3f d = c.screen_delta_to_world(40, 0, c.projection() * c.view_matrix());
    EXPECT_NEAR(d.x(), 0.1f * (800.0f / 600.0f) / 0.05f, 1e-4);
    EXPECT_NEAR(d.y(), 0.0f, 1e-4);
    // Down on the screen is toward negative world y (render z).
    EXPECT_LT(c.screen_delta_to_world(0, 30, c.mvp()).z(), 0.0f);
}

TEST(CameraMapping, ContainsPointIncludesBothEnds) {
    RenderConfig c;
    c.window_width = 400;
    c.window_height = 300;
    c.pixel_ratio = 1;
    c.viewport_x = 100;
    c.viewport_y = 50;
    c.viewport_width = 200;
    c.viewport_height = 100;
    EXPECT_TRUE(c.contains_point(100, 200));
    EXPECT_TRUE(c.contains_point(300, 200));
    EXPECT_FALSE(c.contains_point(99, 200));
    EXPECT_FALSE(c.contains_point(301, 200));
    EXPECT_TRUE(c.contains_point(150, 150));
    EXPECT_TRUE(c.contains_point(150, 250));
    EXPECT_FALSE(c.contains_point(150, 149));
    EXPECT_FALSE(c.contains_point(150, 251));
}

TEST(CameraMapping, UnrepresentablePositionsStayDefined) {
    RenderConfig c = camera_in(800, 600);
    c.perspective = true;
    c.perspective_scale = 1.0f;  // clip w = depth: zero on the camera plane
    const Eigen::Vector2i p = c.project(0, 0, 0);
    EXPECT_FALSE(c.contains_point(p.x(), p.y()));
    const RenderConfig empty;  // no layout yet: zero viewport and pixel ratio
    EXPECT_EQ(empty.project(1, 2, 3), Eigen::Vector2i(INT_MIN, INT_MIN));
    EXPECT_EQ(empty.viewport_size(), Eigen::Vector2i(INT_MIN, INT_MIN));
}

TEST(CameraGround, Extent) {
    RenderConfig c;
    EXPECT_FLOAT_EQ(c.ground_extent(), 40.0f);
    c.view_rotation_elevation = -1.5707964f;
    EXPECT_FLOAT_EQ(c.ground_extent(), 40.0f);
    c.view_rotation_elevation = 0.5235988f;  // 30 degrees: twice as far
    EXPECT_NEAR(c.ground_extent(), 80.0f, 1e-3);
    c.view_rotation_elevation = 0.0f;
    EXPECT_TRUE(std::isinf(c.ground_extent()));
}

TEST(GridLayout, Shapes) {
    // 1600 x 900, four views: 2 and 3 columns both give 450-pixel cells; 2 wins.
    EXPECT_EQ(compute_grid_shape(1600, 900, 4), Eigen::Vector2i(2, 2));
    EXPECT_EQ(compute_grid_shape(1600, 900, 1), Eigen::Vector2i(1, 1));
    EXPECT_EQ(compute_grid_shape(1920, 1080, 3), Eigen::Vector2i(3, 1));
    EXPECT_EQ(compute_grid_shape(800, 1600, 2), Eigen::Vector2i(1, 2));
    EXPECT_EQ(compute_grid_shape(1600, 900, 0), Eigen::Vector2i(0, 0));
    EXPECT_EQ(compute_grid_shape(0, 900, 2), Eigen::Vector2i(0, 0));
    EXPECT_EQ(compute_grid_shape(1600, 0, 2), Eigen::Vector2i(0, 0));  // minimised window
    EXPECT_EQ(compute_grid_shape(3, 2, 40), Eigen::Vector2i(0, 0));    // cells of 0 pixels
}

TEST(GridLayout, ViewportsFillRowsFromTheTop) {
    RenderConfig c;
    c.set_grid_viewport(1600, 900, 0, 4, 1.0f);
    EXPECT_EQ(Eigen::Vector4i(c.viewport_x, c.viewport_y, c.viewport_width, c.viewport_height),
              Eigen::Vector4i(0, 450, 800, 450));
    c.set_grid_viewport(1600, 900, 3, 4, 1.0f);
    EXPECT_EQ(Eigen::Vector4i(c.viewport_x, c.viewport_y, c.viewport_width, c.viewport_height),
              Eigen::Vector4i(800, 0, 800, 450));
    c.set_grid_viewport(1000, 300, 2, 3, 1.5f);
    EXPECT_EQ(Eigen::Vector4i(c.viewport_x, c.viewport_y, c.viewport_width, c.viewport_height),
              Eigen::Vector4i(666, 0, 333, 300));
    EXPECT_FLOAT_EQ(c.pixel_ratio, 1.5f);
    // No shape: the previous layout stays.
    c.set_grid_viewport(0, 0, 0, 1, 2.0f);
    EXPECT_EQ(c.window_width, 1000);
    EXPECT_FLOAT_EQ(c.pixel_ratio, 1.5f);
}

TEST(ShaderInputs, ColourRangeAndColormap) {
    RenderConfig c;
    c.color_min = 5;
    c.color_max = 2;
    EXPECT_EQ(c.shader_color_range(), std::make_pair(5.0f, 5.0f));
    c.color_max = 9;
    EXPECT_EQ(c.shader_color_range(), std::make_pair(5.0f, 9.0f));

    EXPECT_EQ(c.shader_colormap(), COLORMAP_CONSTANT);
    c.colormap = COLORMAP_SEQUENTIAL;
    EXPECT_EQ(c.shader_colormap(), COLORMAP_SEQUENTIAL);
    c.colormap = 7;  // hand-edited settings file
    EXPECT_EQ(c.shader_colormap(), COLORMAP_CONSTANT);
    c.colormap = -1;
    EXPECT_EQ(c.shader_colormap(), COLORMAP_CONSTANT);
}
