// ViewerApplication: construction, start-up loading and shut-down.
#include "viewer_application.h"

#include "platform/os_helper.h"
#include "platform/path_utils.h"
#include "render/lines_renderer.h"

#include <fmt/format.h>
#include <nanogui/imageview.h>
#include <nanogui/window.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>

namespace druvex {

const char* const PROGRAM_NAME = "DruvexViewer";
const char* const PROGRAM_VERSION = "1.41";

namespace {

ViewerApplication* g_instance = nullptr;

}  // namespace

ViewerApplication* application_instance() { return g_instance; }

ViewerApplication::ViewerApplication(bool fullscreen, int samples)
    : nanogui::Screen(Eigen::Vector2i(1024, 768),
                      fmt::format("{} ({})", PROGRAM_NAME, PROGRAM_VERSION), true, fullscreen, 8, 8,
                      24, 8, samples, 3, 3),
      views_(this),
      default_config_(viewer_config_file_name,
                      [](const std::string& path) {
                          ViewerConfig config;
                          return read_viewer_config_file(config, path) == ConfigFileRead::loaded;
                      }),
      default_transforms_(
          transforms_file_name,
          [](const std::string& path) { return TransformsStore().load(path, false); }),
      default_clips_(clips_file_name,
                     [](const std::string& path) { return ClipsStore().load(path, false); }) {
    logger_sink = std::make_shared<LoggerSink>();
    // A desktop program's messages also go to standard error, one line each.
    auto stderr_sink = std::make_shared<spdlog::sinks::stderr_sink_mt>();
    stderr_sink->set_pattern("%n: %v");
    logger =
        std::make_shared<spdlog::logger>("gui", spdlog::sinks_init_list{logger_sink, stderr_sink});
    spdlog::register_logger(logger);  // a second application would throw here
    clips_.focus = FocusBox();
    setBackground(nanogui::Color(0.0f, 0.0f, 0.0f, 1.0f));
    app_form = std::make_unique<FormHelper>();
    std::tie(advanced_group, basic_group) =
        app_form->addFlagVisibilityGroups(&config.show_advanced);
    create_help_window();
}

ViewerApplication::~ViewerApplication() {
    // An application that never ran (the renderer workaround replaces the
    // first one at once) holds only defaults: writing them would overwrite
    // what the user saved.
    if (initialised_) save_state();
    if (help_texture.texture != 0) glDeleteTextures(1, &help_texture.texture);
    if (g_instance == this) g_instance = nullptr;
    spdlog::drop("gui");
}

void ViewerApplication::create_help_window() {
    if (help_window != nullptr) return;
    std::ifstream file(DRUVEX_RESOURCE_DIR "/help.png", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    try {
        load_texture_from_memory(help_texture, bytes.data(), bytes.size());
    } catch (const std::exception&) {
        logger->warn("Could not load the help image!");
        return;
    }
    help_window = new nanogui::Window(this, "Viewer Help - press Q to close");
    help_window->setVisible(false);
    auto* image = new nanogui::ImageView(help_window, help_texture.texture);
    image->bindImage(help_texture.texture);
    image->center();
    image->setFixedScale(true);
    image->setFixedOffset(true);
    image->setScale(1.0f);
}

// Centred at the top, at the image's own size.
void ViewerApplication::place_help_window() {
    if (help_window == nullptr || help_window->childCount() == 0) return;
    const Eigen::Vector2i size = help_window->childAt(0)->preferredSize(nvgContext());
    help_window->setFixedSize(size);
    help_window->setPosition(Eigen::Vector2i(std::max(width() / 2 - size.x() / 2, 0), 10));
}

void ViewerApplication::init() {
    if (g_instance != nullptr) std::abort();
    g_instance = this;
    initialised_ = true;
    init_sdk();
    if (config_file_path.empty()) load_config(config_path(), false);
    if (transforms_.path.empty()) load_default_transforms();
    if (clips_.path.empty()) load_default_clips();
    update_streams();
}

std::string ViewerApplication::config_path() {
    return get_data_directory("", false) + viewer_config_file_name;
}

std::string ViewerApplication::clips_path() {
    return get_data_directory("", false) + clips_file_name;
}

std::string ViewerApplication::transforms_path() {
    return get_data_directory("", false) + transforms_file_name;
}

json ViewerApplication::config_json() const {
    json j;
    viewer_config_to_json(config, j);
    return j;
}

// Failures are silent here: a missing file is the first run.
void ViewerApplication::load_default_transforms() {
    if (!transforms_.load(transforms_path(), false)) return;
    json j;
    transforms_to_json(transforms_, j);
    default_transforms_.loaded(j);
}

void ViewerApplication::load_default_clips() {
    if (!clips_.load(clips_path(), false)) return;
    json j;
    clips_to_json(clips_, j);
    default_clips_.loaded(j);
}

bool ViewerApplication::save_default_file(DefaultSettingsFile& file, const json& document) {
    std::string set_aside_as;
    const bool saved = file.save(document, set_aside_as);
    if (!set_aside_as.empty())
        logger->warn("{} could not be read; it is kept as {}", file.path(), set_aside_as);
    return saved;
}

void ViewerApplication::save_default_stores() {
    if (config_file_path.empty()) {
        store_view_configs();
        if (!save_default_file(default_config_, config_json()))
            logger->warn("Could not save config file!");
    }
    if (transforms_.path.empty()) {
        json j;
        transforms_to_json(transforms_, j);
        save_default_file(default_transforms_, j);
    }
    if (clips_.path.empty()) {
        json j;
        clips_to_json(clips_, j);
        save_default_file(default_clips_, j);
    }
}

void ViewerApplication::save_state() {
    save_default_stores();
    replay.close();
    shutdown_sdk();
    views_.delete_all();
    active_view = nullptr;
    LinesRenderer::shutdown();
    spdlog::drop("gui");
}

void ViewerApplication::autosave() { save_default_stores(); }

void ViewerApplication::clear_views() {
    std::lock_guard<std::mutex> lock(data_mutex);
    for (View* view : views_.get_views()) view->clear_frames();
    for (auto& view : views_.new_views) view->clear_frames();
}

void ViewerApplication::remove_streams() {
    std::lock_guard<std::mutex> lock(data_mutex);
    views_.new_views.clear();
    for (View* view : views_.get_views()) view->remove_streams();
}

void ViewerApplication::load_config(std::string path, bool set_current) {
    if (path.empty()) {
        if (config_file_path.empty()) return;
        path = config_file_path;
    } else if (set_current) {
        config_file_path = path;
    }
    ViewerConfig read;
    const ConfigFileRead result = read_viewer_config_file(read, path);
    {
        // The frame callback reads the mode switch on the SDK's thread.
        std::lock_guard<std::mutex> lock(data_mutex);
        config = std::move(read);
    }
    if (result == ConfigFileRead::unreadable) {
        logger->warn("Could not open config file!");
        return;
    }
    if (result == ConfigFileRead::invalid) logger->warn("Invalid config file!");
    apply_config();
    if (result == ConfigFileRead::loaded && path == config_path())
        default_config_.loaded(config_json());
}

void ViewerApplication::save_config(std::string path, bool set_current) {
    if (path.empty()) {
        if (config_file_path.empty()) return;
        path = config_file_path;
    } else if (set_current) {
        config_file_path = path;
    }
    store_view_configs();
    if (!write_viewer_config_file(config, path)) logger->warn("Could not save config file!");
}

void ViewerApplication::load_clips(const std::string& path) {
    if (!clips_.load(path, true)) logger->warn("Could not load clips!");
}

void ViewerApplication::load_transforms(const std::string& path) {
    if (!transforms_.load(path, true)) logger->warn("Could not load transforms!");
}

namespace {

// The folder of `directory` first, then each enclosing folder up to the top.
std::string find_file_upwards(std::string directory, const std::string& file_name) {
    for (;;) {
        const std::string candidate = join_path({directory, file_name});
        if (file_exists(candidate)) return candidate;
        std::string parent = split_path(directory).first;
        if (parent.size() >= directory.size()) return "";
        directory = std::move(parent);
    }
}

}  // namespace

void ViewerApplication::load_capture(const std::string& path) {
    if (SdkError error = replay.open(path); !error.ok()) {
        report_sdk_error(error, "Load capture failed!");
        return;
    }
    report_sdk_error(replay.set_enable_loop(true), "");
    remove_streams();
    load_capture_siblings(split_path(path).first);
    report_sdk_error(replay.resume(), "Resume capture failed!");
}

void ViewerApplication::load_capture_siblings(const std::string& directory) {
    if (std::string p = find_file_upwards(directory, viewer_config_file_name); !p.empty()) {
        load_config(p, true);
    }
    if (std::string p = find_file_upwards(directory, transforms_file_name); !p.empty()) {
        load_transforms(p);
        std::lock_guard<std::mutex> lock(data_mutex);
        config.enable_transforms = true;
    }
    if (std::string p = find_file_upwards(directory, clips_file_name); !p.empty()) {
        load_clips(p);
        config.enable_clips = true;
    }
}

void ViewerApplication::refresh_frames() {
    if (replay.is_open() && !replay.is_running()) {
        report_sdk_error(replay.run_paused([this] { return replay_recent_frames(); }), "");
    } else {
        clear_views();
    }
}

SdkError ViewerApplication::replay_recent_frames() {
    clear_views();
    const float position = replay.get_position();
    const float back = position > 0.5f ? 0.5f : position;
    report_sdk_error(replay.seek(position - back), "Seek capture failed!");
    report_sdk_error(replay.resume_blocking(back), "Resume capture failed!");
    return SdkError();
}

bool ViewerApplication::sensor_serial(uint64_t handle, uint64_t* serial) const {
    DruvexSensorInformation info;
    druvex_sdk_get_sensor_information(handle, &info);
    if (SdkError error = last_sdk_error(); !error.ok()) {
        report_sdk_error(error, "Get sensor information failed!");
        return false;
    }
    *serial = info.serial_number;
    return true;
}

bool ViewerApplication::is_sensor_enabled(uint64_t handle) const {
    uint64_t serial = 0;
    if (!sensor_serial(handle, &serial)) return false;
    auto it = config.sensor_enabled.find(serial);
    return it == config.sensor_enabled.end() || it->second;
}

void ViewerApplication::set_sensor_enabled(uint64_t handle, bool enabled) {
    uint64_t serial = 0;
    if (sensor_serial(handle, &serial)) config.sensor_enabled[serial] = enabled;
}

NVGcontext* ViewerApplication::nvg_context() const {
    return const_cast<ViewerApplication*>(this)->nvgContext();
}

}  // namespace druvex
