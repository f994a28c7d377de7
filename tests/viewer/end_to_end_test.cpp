// The whole program under a virtual display: simulated sensor packets reach
// the viewer over UDP, the points are drawn, and SIGTERM ends it cleanly.
#include "process_runner.h"

#include <signal.h>
#include <stb_image.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace druvex {
namespace {

using namespace druvex::testing;

struct Screenshot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

Screenshot take_screenshot(const std::string& path) {
    std::string output;
    Screenshot shot;
    if (run_process({"/usr/bin/import", "-window", "root", path}, {}, output) != 0) return shot;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &shot.width, &shot.height, &channels, 4);
    if (pixels != nullptr) {
        shot.rgba.assign(pixels, pixels + size_t(shot.width) * size_t(shot.height) * 4);
        stbi_image_free(pixels);
    }
    return shot;
}

void pause_for(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

size_t lit_pixels(const Screenshot& shot) {
    size_t n = 0;
    for (size_t i = 1; i < shot.rgba.size(); i += 4) n += shot.rgba[i] >= 64 ? 1 : 0;
    return n;
}

// The first picture with the ground rings on it: the window is up and drawing.
Screenshot wait_for_window(const std::string& path, double timeout_sec) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_sec);
    Screenshot shot = take_screenshot(path);
    while (lit_pixels(shot) < 2000 && std::chrono::steady_clock::now() < deadline) {
        pause_for(0.5);
        shot = take_screenshot(path);
    }
    return shot;
}

TEST(EndToEndTest, LivePacketsAreDrawnAndSigtermSavesTheSettings) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    const std::string viewer = binary_dir() + "/bin/druvex_viewer";
    const std::string sim = binary_dir() + "/tools/sensor_sim/sensor_sim";
    if (!executable_exists(viewer) || !executable_exists(sim)) GTEST_SKIP() << "programs not built";
    if (!executable_exists("/usr/bin/import")) GTEST_SKIP() << "no ImageMagick";

    const std::string home = make_temp_dir();
    // The GL driver is unloaded before the leak check runs, so its own
    // allocations can be neither attributed nor suppressed: no leak check in
    // the viewer process (the frame path's leaks are checked by its own tests).
    const std::map<std::string, std::string> env = {
        {"HOME", home}, {"APPDATA", ""}, {"XDG_CONFIG_HOME", ""}, {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}};
    ChildProcess app = start_process({viewer}, env, home + "/viewer.txt");
    ASSERT_GT(app.pid, 0);
    const Screenshot before = wait_for_window(home + "/before.png", 20.0);
    ASSERT_GE(lit_pixels(before), 2000u) << "the window did not show; see " << home;
    ChildProcess sensor = start_process({sim, "--udp", "127.0.0.1", "--port", "8808", "--packets", "20000"}, {},
                                        home + "/sim.txt");
    pause_for(4.0);
    const Screenshot shot = take_screenshot(home + "/screen.png");
    ::kill(sensor.pid, SIGTERM);
    wait_for_exit(sensor, 5.0);
    ASSERT_EQ(::kill(app.pid, SIGTERM), 0);
    EXPECT_EQ(wait_for_exit(app, 20.0), 0) << read_file(home + "/viewer.txt");

    for (const char* file : {"druvex_viewer_config.json", "druvex_clips.json", "druvex_transforms.json"}) {
        EXPECT_TRUE(executable_exists(home + "/.config/druvex/" + file) ||
                    !read_file(home + "/.config/druvex/" + file).empty()) << file;
    }
    EXPECT_NE(read_file(home + "/.config/druvex/druvex_viewer_config.json").find("\"n_streams\": 1"),
              std::string::npos);

    // Points light up pixels that were black before the data came (the rings,
    // markers and text stay where they were). The sensor looks along +y,
    // which the default camera shows upwards.
    ASSERT_GE(shot.width, 1024);
    ASSERT_EQ(before.width, shot.width);
    size_t upper = 0, lower = 0;
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const size_t i = (size_t(y) * size_t(shot.width) + size_t(x)) * 4;
            if (before.rgba[i + 1] < 16 && shot.rgba[i + 1] >= 64) (y < 384 ? upper : lower)++;
        }
    }
    EXPECT_GT(upper, 300u) << "no points drawn; screenshots in " << home;
    EXPECT_LT(lower, upper / 10 + 1);
}

}  // namespace
}  // namespace druvex
