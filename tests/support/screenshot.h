// Screenshots of a virtual display, as the X server shows it.
#pragma once

#include "wait.h"

#include <cstddef>
#include <string>
#include <vector>

namespace druvex::testing {

struct Screenshot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;  // top row first

    const unsigned char* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4];
    }
};

// The whole screen, or the X window `window` (an id), through ImageMagick's
// import, also kept at `path`; empty when that fails.
Screenshot take_screenshot(const std::string& path, const std::string& window = "root");
// A PNG file written earlier; empty when it cannot be read.
Screenshot read_screenshot(const std::string& path);
// Rows among the lowest 60 of the `height` top rows that are mostly the
// failure banner's red.
int banner_rows(const Screenshot& shot, int height);
// Pixels whose green channel is at least 64.
size_t lit_pixels(const Screenshot& shot);
// Screenshots of the screen until one `shows` what a step must bring about;
// the last one taken when none does in time.
template <typename Shows>
Screenshot screenshot_showing(const std::string& path, Shows shows,
                              double timeout_sec = generous_seconds) {
    return wait_for_value([&] { return take_screenshot(path); }, shows, timeout_sec);
}
// The first picture with the ground rings on it: the window is up and drawing.
Screenshot wait_for_window(const std::string& path, double timeout_sec);

}  // namespace druvex::testing
