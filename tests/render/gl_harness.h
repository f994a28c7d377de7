// A test fixture with a GL context, a framebuffer to draw into and pixel checks.
#pragma once

// A hidden GLFW window with a 3.3 core context and an off-screen framebuffer
// of a fixed size, set to the GL state the toolkit's widget pass leaves.
#include <epoxy/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace render_test {

constexpr int frame_width = 320;
constexpr int frame_height = 256;

struct Rgb {
    int r, g, b;
};

// One window for the whole test program: made before the first test, freed
// after the last (re-initialising GLFW between suites is not reliable).
class GlHarness : public ::testing::Test {
protected:
    void SetUp() override;

    // RGBA of the whole framebuffer, rows from the bottom.
    std::vector<uint8_t> read_pixels() const;
    // Colour at window position (x, y from the top).
    static Rgb pixel_at(const std::vector<uint8_t>& rgba, int x, int y);
    // Whether a pixel within `radius` of (x, y) has `colour` (per channel
    // within `tolerance`).
    static bool colour_near(const std::vector<uint8_t>& rgba, int x, int y, Rgb colour,
                            int radius = 3, int tolerance = 6);
    // Writes the frame as a PNG when DRUVEX_RENDER_SNAPSHOT names a directory.
    static void snapshot(const std::vector<uint8_t>& rgba, const std::string& name);

    static GLFWwindow* window();
};

}  // namespace render_test
