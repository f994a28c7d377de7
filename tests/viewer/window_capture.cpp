// Screenshots of the virtual display.
#include "window_capture.h"

#include "process_runner.h"

#include <signal.h>
#include <stb_image.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace druvex::testing {

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

PrivateDisplay::PrivateDisplay(const std::string& log_path, const std::string& screen) {
    // The server writes its display number once it accepts clients.
    server_ = start_process(
        {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"}, {},
        log_path);
    if (server_.pid <= 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (name_.empty() && std::chrono::steady_clock::now() < deadline) {
        std::istringstream lines(read_file(log_path));
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
                name_ = ":" + line;
        }
        if (name_.empty()) pause_for(0.05);
    }
    if (name_.empty()) return;
    if (const char* display = std::getenv("DISPLAY")) {
        had_display_ = true;
        saved_ = display;
    }
    ::setenv("DISPLAY", name_.c_str(), 1);
}

PrivateDisplay::~PrivateDisplay() {
    if (had_display_)
        ::setenv("DISPLAY", saved_.c_str(), 1);
    else if (ok())
        ::unsetenv("DISPLAY");
    if (server_.pid > 0) {
        ::kill(server_.pid, SIGTERM);
        wait_for_exit(server_, 10.0);
    }
}

}  // namespace druvex::testing
