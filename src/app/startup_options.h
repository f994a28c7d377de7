// The viewer's command line.
#pragma once

#include <string>

namespace druvex {

struct StartupOptions {
    bool help = false;
    std::string help_text;
    std::string capture_path;
    std::string clips_path;
    std::string config_path;
    bool fullscreen = false;
    std::string transforms_path;
    // Non-empty when the command line could not be read.
    std::string error;
};

StartupOptions parse_command_line(int argc, const char* const* argv);

// Some integrated GPUs fail with multisampled framebuffers: their renderer
// string selects a window without samples.
bool needs_single_sample(const char* gl_renderer);

}  // namespace druvex
