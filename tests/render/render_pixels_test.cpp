// Draws a known cloud and the ground rings with a fixed camera and checks where
// and in which colours they land on the framebuffer.
#include "gl_harness.h"

#include "render/colormap.h"
#include "render/ground_grid.h"
#include "render/lines_renderer.h"
#include "render/point_program.h"
#include "render/render_config.h"

#include <cmath>

using namespace druvex;
using namespace render_test;

namespace {

RenderConfig test_camera(int colormap) {
    RenderConfig c;
    c.set_grid_viewport(frame_width, frame_height, 0, 1, 1.0f);
    c.zoom_scale = 0.08f;
    c.point_size = 100.0f;  // hexagons at their largest: about 5 pixels tall
    c.colormap = colormap;
    return c;
}

Rgb stop_colour(int colormap, int index) {
    const Eigen::Vector4f s = (*colormap_stops(colormap))[size_t(index)] * 255.0f;
    return {int(std::lround(s.x())), int(std::lround(s.y())), int(std::lround(s.z()))};
}

// Window position of a world point (x, y on the ground).
Eigen::Vector2i screen_of(const RenderConfig& c, float x, float y) { return c.project(x, 0, y); }

class PointPixels : public GlHarness {
protected:
    void draw(RenderConfig& camera, const std::vector<PointVertex>& points) {
        program_.upload(points.size(), points.data());
        program_.draw(camera);
        frame_ = read_pixels();
    }
    void expect_colour_at(const RenderConfig& c, float x, float y, Rgb colour) {
        const Eigen::Vector2i p = screen_of(c, x, y);
        EXPECT_TRUE(colour_near(frame_, p.x(), p.y(), colour))
            << "world (" << x << ", " << y << ") at pixel " << p.transpose() << " expected "
            << colour.r << "," << colour.g << "," << colour.b << " found "
            << pixel_at(frame_, p.x(), p.y()).r << "," << pixel_at(frame_, p.x(), p.y()).g << ","
            << pixel_at(frame_, p.x(), p.y()).b;
    }
    PointProgram program_;
    std::vector<uint8_t> frame_;
};

}  // namespace

TEST_F(PointPixels, SequentialColormapPlacesAndColoursPoints) {
    RenderConfig c = test_camera(COLORMAP_SEQUENTIAL);
    draw(c, {{1, -12, 8, 0, 0.0f}, {1, 0, 8, 0, 0.5f}, {1, 12, 8, 0, 1.0f}, {1, 0, -8, 5, 7.0f}});
    expect_colour_at(c, -12, 8, stop_colour(COLORMAP_SEQUENTIAL, 0));
    expect_colour_at(c, 12, 8, stop_colour(COLORMAP_SEQUENTIAL, 7));
    expect_colour_at(c, 0, 8, {71, 179, 193});  // halfway between stops 3 and 4
    // Above the range clamps to the last stop; height does not move a point.
    expect_colour_at(c, 0, -8, stop_colour(COLORMAP_SEQUENTIAL, 7));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    snapshot(frame_, "sequential");
}

TEST_F(PointPixels, CategoricalColormapSelectsOneStopPerValue) {
    RenderConfig c = test_camera(COLORMAP_CATEGORICAL);
    c.color_max = 100;  // the range does not matter to categorical colours
    std::vector<PointVertex> points;
    for (int k = 0; k < 8; ++k) points.push_back({1, -14.0f + 4 * k, -8, 0, float(k + 8)});
    draw(c, points);
    for (int k = 0; k < 8; ++k)
        expect_colour_at(c, -14.0f + 4 * k, -8, stop_colour(COLORMAP_CATEGORICAL, k));
}

TEST_F(PointPixels, ReversedAndMirrored) {
    RenderConfig c = test_camera(COLORMAP_DIVERGING);
    c.reverse_colormap = true;
    c.mirror = true;
    draw(c, {{1, 12, 8, 0, 0.0f}});
    // Mirroring puts world x = 12 on the left; reversing gives the last stop.
    expect_colour_at(c, 12, 8, stop_colour(COLORMAP_DIVERGING, 7));
    EXPECT_LT(screen_of(c, 12, 8).x(), frame_width / 2);
}

TEST_F(PointPixels, UnimportantPointsAreDimGrey) {
    RenderConfig c = test_camera(COLORMAP_CONSTANT);
    c.color_max = 1;
    draw(c, {{0, -6, 0, 0, 1.0f}, {1, 6, 0, 0, 1.0f}});
    expect_colour_at(c, -6, 0, {191, 191, 191});  // red stop, no saturation, 75% value
    expect_colour_at(c, 6, 0, {255, 0, 0});
}

// A settings file may give a colour range of zero width: points below, on
// and above it take the colormap's low end.
TEST_F(PointPixels, ZeroWidthRangeDrawsTheLowEnd) {
    for (const int colormap : {COLORMAP_SEQUENTIAL, COLORMAP_CIRCULAR}) {
        RenderConfig c = test_camera(colormap);
        c.color_min = c.color_max = 5.0f;
        draw(c, {{1, -8, 0, 0, 2.0f}, {1, 0, 0, 0, 5.0f}, {1, 8, 0, 0, 9.0f}});
        for (const float x : {-8.0f, 0.0f, 8.0f})
            expect_colour_at(c, x, 0, stop_colour(colormap, 0));
    }
}

TEST_F(PointPixels, EmptyUploadDrawsNothing) {
    RenderConfig c = test_camera(COLORMAP_CONSTANT);
    draw(c, {});
    for (size_t i = 0; i < frame_.size(); i += 4)
        ASSERT_EQ(frame_[i] + frame_[i + 1] + frame_[i + 2], 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PointPixels, UnknownColormapDrawsAsConstant) {
    RenderConfig c = test_camera(42);
    draw(c, {{1, 0, 0, 0, 0.0f}});
    expect_colour_at(c, 0, 0, {255, 255, 255});
}

TEST_F(PointPixels, BufferIsReusedUntilAnUploadExceedsTheLastOne) {
    const std::vector<PointVertex> points(1000, PointVertex{1, 0, 0, 0, 0});
    auto buffer_size = [&] {
        GLint size = 0;
        glBindBuffer(GL_ARRAY_BUFFER, program_.buffer());
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        return size;
    };
    program_.upload(1000, points.data());
    EXPECT_EQ(buffer_size(), 1000 * 20);
    program_.upload(500, points.data());
    EXPECT_EQ(buffer_size(), 1000 * 20);
    EXPECT_EQ(program_.count(), 500u);
    program_.upload(800, points.data());  // above the recorded 500: a new buffer
    EXPECT_EQ(buffer_size(), 800 * 20);
}

class RingPixels : public GlHarness {};

TEST_F(RingPixels, GroundRingLandsOnItsRadius) {
    RenderConfig c = test_camera(COLORMAP_CONSTANT);
    set_lines("ground_grid", build_ground_rings(100, 10.0f, 0xFF505050, 0xFFC0C0C0));
    draw_lines("ground_grid", c);
    const auto frame = read_pixels();
    const Rgb grey{80, 80, 80};
    for (const auto& p : {Eigen::Vector2f(10, 0), Eigen::Vector2f(-10, 0), Eigen::Vector2f(0, 10),
                          Eigen::Vector2f(0, -10), Eigen::Vector2f(7.071f, 7.071f)}) {
        const Eigen::Vector2i s = screen_of(c, p.x(), p.y());
        EXPECT_TRUE(colour_near(frame, s.x(), s.y(), grey, 2)) << p.transpose();
    }
    // Nothing inside the first ring, and no segment joins ring 1 to ring 2.
    const Eigen::Vector2i centre = screen_of(c, 0, 0);
    EXPECT_FALSE(colour_near(frame, centre.x(), centre.y(), grey, 20));
    const Eigen::Vector2i gap = screen_of(c, 14, 0);
    EXPECT_FALSE(colour_near(frame, gap.x(), gap.y(), grey, 2));
    snapshot(frame, "rings");
}
