// Parsing of the viewer's command line.
#include "startup_options.h"

#include <cxxopts.hpp>

#include <strings.h>

namespace druvex {

StartupOptions parse_command_line(int argc, const char* const* argv) {
    cxxopts::Options options("DruvexViewer", "Druvex LiDAR viewer.");
    options.add_options()("h,help", "Print help")("capture_path", "Capture replay file path",
                                                  cxxopts::value<std::string>())(
        "clips_path", "Clips file path", cxxopts::value<std::string>())(
        "config_path", "Config file path", cxxopts::value<std::string>())(
        "fullscreen", "Fullscreen window")("transforms_path", "Transforms file path",
                                           cxxopts::value<std::string>());
    StartupOptions out;
    out.help_text = options.help({""});
    // Asking for help wins over whatever else the command line got wrong.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") out.help = true;
    }
    try {
        const cxxopts::ParseResult result = options.parse(argc, argv);
        out.help = out.help || result.count("help") > 0;
        if (!result.unmatched().empty()) {
            out.error = "unexpected argument '" + result.unmatched().front() +
                        "' (files are named with an option, e.g. --capture_path FILE)";
        }
        const auto text = [&result](const char* name) {
            return result.count(name) > 0 ? result[name].as<std::string>() : std::string();
        };
        out.capture_path = text("capture_path");
        out.clips_path = text("clips_path");
        out.config_path = text("config_path");
        out.transforms_path = text("transforms_path");
        out.fullscreen = result.count("fullscreen") > 0 && result["fullscreen"].as<bool>();
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

bool needs_single_sample(const char* gl_renderer) {
    return gl_renderer != nullptr && ::strncasecmp(gl_renderer, "Intel(R) UHD", 12) == 0;
}

}  // namespace druvex
