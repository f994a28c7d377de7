// Screenshots of the virtual display for the end-to-end tests.
#pragma once

#include <string>
#include <vector>

namespace druvex::testing {

struct Screenshot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;

    const unsigned char* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4];
    }
};

// The whole screen, through ImageMagick's import; empty when that fails.
Screenshot take_screenshot(const std::string& path);
// A PNG file written earlier; empty when it cannot be read.
Screenshot read_screenshot(const std::string& path);
// Rows among the lowest 60 of the `height` top rows that are mostly the
// failure banner's red.
int banner_rows(const Screenshot& shot, int height);
void pause_for(double seconds);
// Pixels whose green channel is at least 64.
size_t lit_pixels(const Screenshot& shot);
// The first picture with the ground rings on it: the window is up and drawing.
Screenshot wait_for_window(const std::string& path, double timeout_sec);

}  // namespace druvex::testing
