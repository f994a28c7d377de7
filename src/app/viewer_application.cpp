// ViewerApplication: construction, start-up loading and shut-down.
#include "viewer_application.h"

#include "platform/os_helper.h"
#include "platform/path_utils.h"
#include "platform/safe_file.h"
#include "render/lines_renderer.h"

#include "embedded_resources.h"

#include <fmt/format.h>
#include <nanogui/file_dialog.h>
#include <nanogui/imageview.h>
#include <nanogui/window.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <tuple>

namespace druvex {

const char* const program_name = "DruvexViewer";
const char* const program_version = DRUVEX_VERSION;  // the project's version in CMake

namespace {

ViewerApplication* g_instance = nullptr;

// A grey image lands in the red channel of a one- or two-channel texture;
// drawn as it is, it would come out red. Its channels are spread back to grey
// (and alpha) so the picture looks as stored.
void show_texture_as_stored(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    if (format == GL_R8 || format == GL_RG8) {
        const GLint swizzle[4] = {GL_RED, GL_RED, GL_RED, format == GL_R8 ? GL_ONE : GL_GREEN};
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace

ViewerApplication* application_instance() { return g_instance; }

ViewerApplication::ViewerApplication(bool fullscreen, int samples)
    : nanogui::Screen(Eigen::Vector2i(1024, 768),
                      fmt::format("{} ({})", program_name, program_version), true, fullscreen, 8, 8,
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
    create_loggers();
    clips_.focus = FocusBox();
    setBackground(nanogui::Color(0.0f, 0.0f, 0.0f, 1.0f));
    app_form = std::make_unique<FormHelper>();
    create_visibility_groups();
    create_help_window();
    banner_ = new MessageBanner(this);
}

void ViewerApplication::create_loggers() {
    logger_sink = std::make_shared<LoggerSink>();
    // A desktop program's warnings and errors also go to standard error, one
    // line each.
    auto stderr_sink = std::make_shared<spdlog::sinks::stderr_sink_mt>();
    stderr_sink->set_level(spdlog::level::warn);
    stderr_sink->set_pattern(fmt::format("{}: %l: %v", program_name));
    // ... and in the window: a user started from a desktop menu sees no terminal.
    failure_notices_ = std::make_shared<FailureNotices>();
    logger = std::make_shared<spdlog::logger>(
        "gui", spdlog::sinks_init_list{logger_sink, stderr_sink, failure_notices_});
    spdlog::register_logger(logger);  // a second application would throw here
    background_logger_ =
        std::make_shared<spdlog::logger>("gui", spdlog::sinks_init_list{logger_sink, stderr_sink});
}

ViewerApplication::~ViewerApplication() {
    // An application that never ran (the renderer workaround replaces the
    // first one at once) holds only defaults: writing them would overwrite
    // what the user saved.
    save_state();
    if (help_texture.texture != 0) glDeleteTextures(1, &help_texture.texture);
    if (g_instance == this) g_instance = nullptr;
    spdlog::drop("gui");
}

void ViewerApplication::create_help_window() {
    if (help_window != nullptr) return;
    const resources::EmbeddedFile& picture = resources::help_image;
    try {
        load_texture_from_memory(help_texture, picture.data, picture.size);
    } catch (const std::exception&) {
        logger->warn("Could not load the help image!");
        return;
    }
    show_texture_as_stored(help_texture.texture);
    help_window = new nanogui::Window(this, "Viewer Help - press Q to close");
    help_window->setVisible(false);
    auto* image = new nanogui::ImageView(help_window, help_texture.texture);
    image->bindImage(help_texture.texture);
    image->center();
    image->setFixedScale(true);
    image->setFixedOffset(true);
    image->setScale(1.0f);
    app_form->addRefreshCallback([this] { place_help_window(); });
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
    remove_leftover_saves();
    init_sdk();
    if (config_file_path.empty()) load_config(config_path(), false);
    if (transforms_.path.empty()) load_default_transforms();
    if (clips_.path.empty()) load_default_clips();
    update_streams();
}

// Saves killed half way leave their temporary files beside the settings
// files; nothing else ever removes them.
void ViewerApplication::remove_leftover_saves() {
    for (const DefaultSettingsFile* file :
         {&default_config_, &default_transforms_, &default_clips_}) {
        for (const std::string& removed : file->remove_leftovers())
            logger->info("Removed {}, left by an interrupted save", removed);
    }
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

void ViewerApplication::load_default_transforms() {
    std::string reason;
    if (!transforms_.load(transforms_path(), false, &reason)) {
        report_default_load_failure(default_transforms_, "Could not load transforms!", reason);
        return;
    }
    json j;
    transforms_to_json(transforms_, j);
    default_transforms_.loaded(j);
}

void ViewerApplication::load_default_clips() {
    std::string reason;
    if (!clips_.load(clips_path(), false, &reason)) {
        report_default_load_failure(default_clips_, "Could not load clips!", reason);
        return;
    }
    json j;
    clips_to_json(clips_, j);
    default_clips_.loaded(j);
}

// A default file that is missing is the first run: nothing is wrong. Any
// other failure is said now, and the saves, which fail for the same reason
// when the file is not one they may replace, do not say it again.
void ViewerApplication::report_default_load_failure(DefaultSettingsFile& file,
                                                    const std::string& message,
                                                    const std::string& reason) {
    struct stat st;
    if (::lstat(file.path().c_str(), &st) != 0) return;
    report_file_failure(message, file.path(), reason);
    file.failure_is_new(reason);
}

bool ViewerApplication::save_default_file(DefaultSettingsFile& file, const json& document,
                                          const char* failure_message) {
    std::string set_aside_as;
    errno = 0;
    const bool saved = file.save(document, set_aside_as);
    const std::string reason = write_failure_reason(file.path(), errno);
    // Where the user's unreadable file went is said where its failure was:
    // a file of theirs moved away unseen would look lost.
    if (!set_aside_as.empty())
        logger->warn("{} could not be read; it is kept as {}", file.path(), set_aside_as);
    // Said once, not every second: a repeated line would soon fill the log. An
    // autosave answers no request of the user's, so its failures stay off the
    // window.
    if (!saved && file.failure_is_new(reason))
        background_logger_->warn("{} {}: {}", failure_message, file.path(), reason);
    return saved;
}

void ViewerApplication::save_default_stores() {
    if (config_file_path.empty()) {
        store_view_configs();
        save_default_file(default_config_, config_json(), "Could not save config file!");
    }
    if (transforms_.path.empty()) {
        json j;
        transforms_to_json(transforms_, j);
        save_default_file(default_transforms_, j, "Could not save transforms!");
    }
    if (clips_.path.empty()) {
        json j;
        clips_to_json(clips_, j);
        save_default_file(default_clips_, j, "Could not save clips!");
    }
}

void ViewerApplication::save_state() {
    // Once is enough: the main loop's end saves, and the destructor then has
    // nothing left to do.
    if (!initialised_) return;
    initialised_ = false;
    // An open dialog's answer would come to an application that is gone.
    nanogui::cancel_file_dialog();
    // The demo tool does not outlive the viewer, and a recording in progress
    // is completed under its name.
    imu_reader.stop();
    stop_capture();
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
    arrived_frames_.clear();
    for (View* view : views_.get_views()) view->clear_frames();
    for (auto& view : views_.new_views) view->clear_frames();
}

void ViewerApplication::remove_streams() {
    std::lock_guard<std::mutex> lock(data_mutex);
    arrived_frames_.clear();
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
    std::string reason;
    const ConfigFileRead result = read_viewer_config_file(read, path, &reason);
    {
        std::lock_guard<std::mutex> lock(data_mutex);
        config = std::move(read);
    }
    if (result == ConfigFileRead::unreadable) {
        if (path == config_path()) {
            report_default_load_failure(default_config_, "Could not open config file!", reason);
        } else {
            report_file_failure("Could not open config file!", path, reason);
        }
        return;
    }
    if (result == ConfigFileRead::invalid)
        report_file_failure("Invalid config file!", path, "not a valid file");
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
    errno = 0;
    if (!write_viewer_config_file(config, path)) {
        report_file_failure("Could not save config file!", path, write_failure_reason(path, errno));
    }
}

void ViewerApplication::load_clips(const std::string& path) {
    std::string reason;
    if (!clips_.load(path, true, &reason))
        report_file_failure("Could not load clips!", path, reason);
}

void ViewerApplication::load_transforms(const std::string& path) {
    std::string reason;
    if (!transforms_.load(path, true, &reason)) {
        report_file_failure("Could not load transforms!", path, reason);
    }
}

void ViewerApplication::report_file_failure(const std::string& message, const std::string& path,
                                            const std::string& reason) const {
    logger->warn("{} {}: {}", message, path, reason);
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
