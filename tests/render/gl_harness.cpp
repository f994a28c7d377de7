// The hidden GL window and framebuffer readback of the render tests.
#include "gl_harness.h"

#include "render/lines_renderer.h"

#include <lodepng.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace render_test {

namespace {

class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        glfwSetErrorCallback([](int code, const char* text) {
            std::fprintf(stderr, "GLFW error %d: %s\n", code, text);
        });
        if (!glfwInit()) return;
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        window = glfwCreateWindow(64, 64, "render test", nullptr, nullptr);
        if (!window) return;
        glfwMakeContextCurrent(window);
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(1, &colour_buffer);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_buffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, frame_width, frame_height);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  colour_buffer);
    }

    void TearDown() override {
        if (window) {
            glfwMakeContextCurrent(window);
            druvex::LinesRenderer::shutdown();
            glDeleteFramebuffers(1, &framebuffer);
            glDeleteRenderbuffers(1, &colour_buffer);
            glfwDestroyWindow(window);
            window = nullptr;
        }
        // No glfwTerminate: it unloads the GL driver, and the leak report at
        // exit could then no longer tell the driver's blocks from ours.
    }

    GLFWwindow* window = nullptr;
    GLuint framebuffer = 0;
    GLuint colour_buffer = 0;
};

GlEnvironment* const g_environment =
    static_cast<GlEnvironment*>(::testing::AddGlobalTestEnvironment(new GlEnvironment));

}  // namespace

GLFWwindow* GlHarness::window() { return g_environment->window; }

void GlHarness::SetUp() {
    if (!window()) GTEST_SKIP() << "no OpenGL 3.3 core context (no display?)";
    glfwMakeContextCurrent(window());
    glBindFramebuffer(GL_FRAMEBUFFER, g_environment->framebuffer);
    glViewport(0, 0, frame_width, frame_height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // What the widget pass leaves behind, and the 3-D code relies on.
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    while (glGetError() != GL_NO_ERROR) {}
}

std::vector<uint8_t> GlHarness::read_pixels() const {
    std::vector<uint8_t> rgba(size_t(frame_width) * frame_height * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame_width, frame_height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

Rgb GlHarness::pixel_at(const std::vector<uint8_t>& rgba, int x, int y) {
    const size_t i = (size_t(frame_height - 1 - y) * frame_width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
}

bool GlHarness::colour_near(const std::vector<uint8_t>& rgba, int x, int y, Rgb c, int radius,
                            int tolerance) {
    for (int yy = std::max(0, y - radius); yy <= std::min(frame_height - 1, y + radius); ++yy) {
        for (int xx = std::max(0, x - radius); xx <= std::min(frame_width - 1, x + radius); ++xx) {
            const Rgb p = pixel_at(rgba, xx, yy);
            if (std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance &&
                std::abs(p.b - c.b) <= tolerance)
                return true;
        }
    }
    return false;
}

void GlHarness::snapshot(const std::vector<uint8_t>& rgba, const std::string& name) {
    const char* dir = std::getenv("DRUVEX_RENDER_SNAPSHOT");
    if (!dir) return;
    std::vector<uint8_t> flipped(rgba.size());
    const size_t row = size_t(frame_width) * 4;
    for (int y = 0; y < frame_height; ++y)
        std::copy_n(&rgba[size_t(frame_height - 1 - y) * row], row, &flipped[size_t(y) * row]);
    lodepng::encode(std::string(dir) + "/" + name + ".png", flipped, frame_width, frame_height);
}

}  // namespace render_test
