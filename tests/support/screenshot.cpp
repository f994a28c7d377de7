// Screenshots of a virtual display.
#include "screenshot.h"

#include "process_runner.h"

#include <stb_image.h>

#include <algorithm>

namespace druvex::testing {

Screenshot take_screenshot(const std::string& path, const std::string& window) {
    std::string output;
    if (run_process({"/usr/bin/import", "-window", window, path}, {}, output) != 0) return {};
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

size_t lit_pixels(const Screenshot& shot) {
    size_t n = 0;
    for (size_t i = 1; i < shot.rgba.size(); i += 4) n += shot.rgba[i] >= 64 ? 1 : 0;
    return n;
}

Screenshot wait_for_window(const std::string& path, double timeout_sec) {
    return wait_for_value([&] { return take_screenshot(path); },
                          [](const Screenshot& shot) { return lit_pixels(shot) >= 2000; },
                          timeout_sec);
}

}  // namespace druvex::testing
