// The viewer's entry point: console logging, command line, the window and its
// main loop, and the shut-down order.
#include "platform/path_utils.h"
#include "shutdown_signal.h"
#include "startup_options.h"
#include "viewer_application.h"
#include "window_icon.h"

#include <nanogui/screen.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <iostream>

namespace {

// A leading "~" names the home directory; without one the path stays as given.
std::string command_line_path(const std::string& path, spdlog::logger& console) {
    try {
        return druvex::expand_user(path);
    } catch (const std::exception& e) {
        console.warn("{}: {}", path, e.what());
        return path;
    }
}

void load_command_line_files(druvex::ViewerApplication& app, const druvex::StartupOptions& options,
                             spdlog::logger& console) {
    if (!options.capture_path.empty())
        app.load_capture(command_line_path(options.capture_path, console));
    if (!options.config_path.empty())
        app.load_config(command_line_path(options.config_path, console), true);
    if (!options.clips_path.empty()) app.load_clips(command_line_path(options.clips_path, console));
    if (!options.transforms_path.empty()) {
        app.load_transforms(command_line_path(options.transforms_path, console));
    }
}

nanogui::ref<druvex::ViewerApplication> create_application(bool fullscreen) {
    nanogui::ref<druvex::ViewerApplication> app = new druvex::ViewerApplication(fullscreen, 4);
    if (druvex::needs_single_sample(reinterpret_cast<const char*>(glGetString(GL_RENDERER)))) {
        app = nullptr;  // destroyed before the replacement registers its "gui" logger
        app = new druvex::ViewerApplication(fullscreen, 0);
    }
    return app;
}

}  // namespace

int main(int argc, char** argv) {
    auto console = spdlog::stdout_color_mt("console");
    const druvex::StartupOptions options = druvex::parse_command_line(argc, argv);
    if (options.help) {
        std::cout << options.help_text << std::endl;
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "DruvexViewer: %s\nTry 'druvex_viewer --help' for the options.\n",
                     options.error.c_str());
        return 2;
    }
    druvex::install_shutdown_signals();
    try {
        nanogui::init();
    } catch (const std::exception& e) {
        console->error("Could not start the window system: {}", e.what());
        return 1;
    }
    try {
        nanogui::ref<druvex::ViewerApplication> app = create_application(options.fullscreen);
        app->init();
        load_command_line_files(*app, options, *console);
        app->setVisible(true);
        app->setBackground(nanogui::Color(0.0f, 0.0f, 0.0f, 1.0f));
        app->drawAll();
        druvex::set_window_icon(app->glfwWindow());
        nanogui::mainloop(50);
        app->save_state();
    } catch (const std::exception& e) {
        console->error("Could not open the viewer window: {}", e.what());
        nanogui::shutdown();
        return 1;
    }
    nanogui::shutdown();
    console->flush();
    spdlog::drop("console");
    return 0;
}
