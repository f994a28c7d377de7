// Screenshots of the virtual display.
#include "window_capture.h"

#include "process_runner.h"

#include <stb_image.h>

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
