// Named vertex sets on the GPU: staging, flushing, growing, clearing, drawing.
#include "gl_harness.h"

#include "render/gl_buffer_store.h"
#include "render/gl_error.h"
#include "render/lines_renderer.h"
#include "render/render_config.h"

#include <cstring>
#include <thread>

using namespace druvex;
using namespace render_test;

namespace {

constexpr uint32_t opaque_green = 0xFF00FF00;

std::vector<LineVertex> ramp(size_t n, float offset) {
    std::vector<LineVertex> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = {float(i), offset, 0, uint32_t(i)};
    return v;
}

std::vector<LineVertex> contents(const GlBuffer& b) {
    std::vector<LineVertex> v(b.vertex_count);
    glBindBuffer(GL_ARRAY_BUFFER, b.vertex_buffer);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(v.size() * sizeof(LineVertex)), v.data());
    return v;
}

bool same(const std::vector<LineVertex>& a, const std::vector<LineVertex>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(LineVertex)) == 0;
}

RenderConfig camera() {
    RenderConfig c;
    c.set_grid_viewport(frame_width, frame_height, 0, 1, 1.0f);
    c.zoom_scale = 0.08f;
    return c;
}

class BufferStore : public GlHarness {
protected:
    GlBufferStore store_;
};

}  // namespace

TEST_F(BufferStore, GrowingSetKeepsItsNewContents) {
    const auto small = ramp(2, 1), large = ramp(5000, 2), medium = ramp(300, 3);
    store_.set_lines("markers", small);
    store_.set_lines("markers", large);  // grows: a new, larger buffer
    EXPECT_TRUE(same(contents(*store_.find("markers")), large));
    store_.set_lines("markers", medium);  // fits: refilled in place
    EXPECT_TRUE(same(contents(*store_.find("markers")), medium));
    EXPECT_EQ(store_.find("markers")->capacity, 5000u * 16);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(BufferStore, NewestStagingWinsAndFlushUploadsOnce) {
    auto a1 = ramp(10, 1), a2 = ramp(20, 2);
    store_.stage("a", GL_LINE_STRIP, a1.size(), sizeof(LineVertex), a1.data(), false);
    store_.stage("a", GL_LINE_STRIP, a2.size(), sizeof(LineVertex), a2.data(), false);
    a2[0].x = 99;  // staging copied the caller's vertices
    EXPECT_EQ(store_.find("a"), nullptr);
    store_.flush();
    EXPECT_FALSE(store_.has_pending("a"));
    EXPECT_TRUE(same(contents(*store_.find("a")), ramp(20, 2)));

    auto* owned = static_cast<LineVertex*>(std::malloc(3 * sizeof(LineVertex)));
    const auto three = ramp(3, 4);
    std::memcpy(owned, three.data(), 3 * sizeof(LineVertex));
    store_.stage("b", GL_TRIANGLE_STRIP, 3, sizeof(LineVertex), owned, true);
    store_.flush();
    EXPECT_EQ(store_.find("b")->mode, GLenum(GL_TRIANGLE_STRIP));
    EXPECT_TRUE(same(contents(*store_.find("b")), three));
}

TEST_F(BufferStore, ClearStopsDrawingButKeepsTheBuffer) {
    store_.clear("never");  // nothing to do
    EXPECT_EQ(store_.find("never"), nullptr);

    const auto v = ramp(50, 1);
    store_.set_lines("line", v);
    const GLuint buffer = store_.find("line")->vertex_buffer;
    store_.stage("line", GL_LINE_STRIP, v.size(), sizeof(LineVertex),
                 const_cast<LineVertex*>(v.data()), false);
    store_.clear("line");
    EXPECT_FALSE(store_.has_pending("line"));
    EXPECT_EQ(store_.find("line")->vertex_count, 0u);
    EXPECT_EQ(store_.find("line")->vertex_buffer, buffer);
    store_.set_lines("line", ramp(40, 2));
    EXPECT_EQ(store_.find("line")->vertex_buffer, buffer);
    EXPECT_EQ(store_.find("line")->vertex_count, 40u);
}

TEST_F(BufferStore, StagingFromAnotherThread) {
    std::thread producer([this] {
        for (int i = 0; i < 100; ++i) {
            auto v = ramp(size_t(10 + i), float(i));
            store_.stage("cloud", GL_LINE_STRIP, v.size(), sizeof(LineVertex), v.data(), false);
        }
    });
    producer.join();
    store_.flush();
    EXPECT_TRUE(same(contents(*store_.find("cloud")), ramp(109, 99)));
}

class LinePixels : public GlHarness {};

TEST_F(LinePixels, GrownMarkerSetDrawsItsNewStrips) {
    RenderConfig c = camera();
    LineStrips few;
    few.color = opaque_green;
    few.add_strip({Eigen::Vector3f(-5, 0, 0), Eigen::Vector3f(5, 0, 0)});
    set_lines("distance_markers", few);
    clear_lines("distance_markers");
    LineStrips many = few;
    for (int i = 1; i <= 50; ++i)
        many.add_strip({Eigen::Vector3f(-1, float(i) / 5, 0), Eigen::Vector3f(1, float(i) / 5, 0)});
    set_lines("distance_markers", many);
    draw_lines("distance_markers", c);
    const auto frame = read_pixels();
    for (const float y : {0.0f, 4.0f, 10.0f}) {
        const Eigen::Vector2i p = c.project(0, 0, y);
        EXPECT_TRUE(colour_near(frame, p.x(), p.y(), {0, 255, 0}, 1, 2)) << "strip at y = " << y;
    }
}

TEST_F(LinePixels, StripsStayDisjointAndTrailingRestartDrawsNothing) {
    RenderConfig c = camera();
    LineStrips s;
    s.color = opaque_green;
    add_circle_lines(s, -6, 0, 0, 2, 64);
    add_circle_lines(s, 6, 0, 0, 2, 64);
    s.begin_strip(6, 6, 0);  // left at the end: a lone restart vertex
    set_lines("circles", s);
    draw_lines("circles", c);
    const auto frame = read_pixels();
    auto at = [&](float x, float y) { return c.project(x, 0, y); };
    EXPECT_TRUE(colour_near(frame, at(-4, 0).x(), at(-4, 0).y(), {0, 255, 0}, 2, 2));
    EXPECT_TRUE(colour_near(frame, at(8, 0).x(), at(8, 0).y(), {0, 255, 0}, 2, 2));
    // The first circle ends at (-4, 0); the second starts at (8, 0).
    EXPECT_FALSE(colour_near(frame, at(1, 0).x(), at(1, 0).y(), {0, 255, 0}, 2, 60));
    EXPECT_FALSE(colour_near(frame, at(7, 3).x(), at(7, 3).y(), {0, 255, 0}, 2, 60));
}

TEST_F(LinePixels, BoxFacesAreFilledAndPositionOnlySetsDrawWhite) {
    RenderConfig c = camera();
    std::vector<LineVertex> faces;
    add_box_faces(faces, -8, -2, -3, 3, 0, 1, 0xFF0000FF);  // opaque red
    LinesRenderer::instance()->stage("boxes", GL_TRIANGLE_STRIP, faces.size(), sizeof(LineVertex),
                                     faces.data(), false);
    const float positions[] = {2, -3, 0, 8, 3, 0};
    LinesRenderer::instance()->stage("plain", GL_LINE_STRIP, 2, 12, const_cast<float*>(positions),
                                     false);
    LinesRenderer::instance()->flush();
    draw_lines("boxes", c);
    draw_lines("plain", c);
    EXPECT_EQ(check_gl_error(__FILE__, __LINE__), GLenum(GL_NO_ERROR));
    const auto frame = read_pixels();
    const Eigen::Vector2i inside = c.project(-5, 0, 0), on_line = c.project(5, 0, 0);
    EXPECT_TRUE(colour_near(frame, inside.x(), inside.y(), {255, 0, 0}, 0, 2));
    EXPECT_TRUE(colour_near(frame, on_line.x(), on_line.y(), {255, 255, 255}, 1, 2));
}

class GlErrorCheck : public GlHarness {};

TEST_F(GlErrorCheck, PrintsNameFileAndLine) {
    glBindBuffer(0x1234, 0);  // not a buffer target
    testing::internal::CaptureStdout();
    EXPECT_EQ(check_gl_error("view.cpp", 42), GLenum(GL_INVALID_ENUM));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "GL_INVALID_ENUM | view.cpp (42)\n");
    EXPECT_EQ(check_gl_error("view.cpp", 43), GLenum(GL_NO_ERROR));
}
