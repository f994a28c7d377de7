// Screenshots of the virtual display.
#include "window_capture.h"

#include "process_runner.h"

#include <stb_image.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace druvex::testing {

Screenshot take_screenshot(const std::string& path) {
    std::string output;
    if (run_process({"/usr/bin/import", "-window", "root", path}, {}, output) != 0) return {};
    return read_screenshot(path);
}

Screenshot read_screenshot(const std::string& path) {
    Screenshot shot;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &shot.width, &shot.height, &channels, 4);
    if (pixels != nullptr) {
        shot.rgba.assign(pixels, pixels + size_t(shot.width) * size_t(shot.height) * 4);
        stbi_image_free(pixels);
    }
    return shot;
}

int banner_rows(const Screenshot& shot, int height) {
    int rows = 0;
    for (int y = std::max(height - 60, 0); y < std::min(height, shot.height); ++y) {
        int red = 0;
        for (int x = 0; x < shot.width; ++x) {
            const unsigned char* p = shot.at(x, y);
            red += p[0] > 120 && p[1] < 60 && p[2] < 60;
        }
        rows += red > shot.width / 2;
    }
    return rows;
}

void pause_for(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

size_t lit_pixels(const Screenshot& shot) {
    size_t n = 0;
    for (size_t i = 1; i < shot.rgba.size(); i += 4) n += shot.rgba[i] >= 64 ? 1 : 0;
    return n;
}

Screenshot wait_for_window(const std::string& path, double timeout_sec) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_sec);
    Screenshot shot = take_screenshot(path);
    while (lit_pixels(shot) < 2000 && std::chrono::steady_clock::now() < deadline) {
        pause_for(0.5);
        shot = take_screenshot(path);
    }
    return shot;
}

}  // namespace druvex::testing
