// ViewerApplication: settings actions, file dialogs, screenshots and the
// export of a view's points.
#include "viewer_application.h"

#include "formats/ply_export.h"
#include "platform/path_utils.h"
#include "platform/safe_file.h"
#include "render/window_pixels.h"
#include "screenshot.h"

#include <nanogui/button.h>
#include <nanogui/file_dialog.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace druvex {
namespace {

nanogui::FileTypes file_types(const char* extension) {
    std::string description = extension;
    std::transform(description.begin(), description.end(), description.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return {{extension, description}};
}

}  // namespace

void ViewerApplication::ask_path(const char* extension, bool save, nanogui::Button* trigger,
                                 PathAction then) {
    // The dialog's window takes the pointer before the button sees its release.
    if (trigger != nullptr) trigger->setPushed(false);
    // One dialog at a time: a request while one is open is not taken.
    nanogui::file_dialog_async(
        file_types(extension), save, [this, then](const nanogui::FileDialogAnswer& answer) {
            if (!answer.failure.empty()) {
                logger->warn("Could not show the file dialog: {}", answer.failure);
            } else if (!answer.path.empty()) {
                then(answer.path);
            }
        });
}

void ViewerApplication::ask_save_path(const char* extension, const std::string& failure_message,
                                      nanogui::Button* trigger, SavePathAction then) {
    const std::string suffix = std::string(".") + extension;
    ask_path(extension, true, trigger, [this, suffix, failure_message, then](std::string path) {
        const bool asked = ends_with(path, suffix);
        if (!asked) {
            // The dialog asked whether to replace the name as typed, not this one.
            path += suffix;
            if (file_exists(path)) {
                report_file_failure(failure_message, path,
                                    "already exists; choose it by its full name to replace it");
                return;
            }
        }
        then(path, asked);
    });
}

void ViewerApplication::ask_save_path(const char* extension, const std::string& failure_message,
                                      nanogui::Button* trigger, PathAction then) {
    ask_save_path(extension, failure_message, trigger,
                  [then](const std::string& path, bool) { then(path); });
}

void ViewerApplication::save_clips(const std::string& path) {
    errno = 0;
    if (!clips_.save(path, true))
        report_file_failure("Could not save clips!", path, write_failure_reason(path, errno));
}

void ViewerApplication::save_transforms(const std::string& path) {
    errno = 0;
    if (!transforms_.save(path, true)) {
        report_file_failure("Could not save transforms!", path, write_failure_reason(path, errno));
    }
}

// Reset never loses what the user stored: the default file is renamed to
// "<name>.before-reset-<date>-<time>.json" beside it, unless it already holds
// `reset_document`, what the reset settings save. A file that cannot be kept
// is left as it is and said once: the reset then holds in memory only, as
// the autosaves cannot replace that file either, and they say no more of it.
void ViewerApplication::keep_before_reset(DefaultSettingsFile& file, const json& reset_document) {
    save_default_stores();  // the settings as shown, not as last autosaved
    const std::string path = file.path();
    if (file.holds(reset_document)) return;  // nothing a reset would lose
    errno = 0;
    const std::string kept = set_file_aside(path, "before-reset");
    if (!kept.empty()) {
        logger->info("{} is kept as {}", path, kept);
        return;
    }
    if (errno == ENOENT) return;  // nothing stored yet
    const std::string reason = write_failure_reason(path, errno);
    report_file_failure("Reset not saved!", path,
                        "it could not be kept: " + reason +
                            "; it is left as it is, and the defaults apply in memory only");
    file.failure_is_new(reason);
}

void ViewerApplication::reset_config() {
    ViewerConfig defaults = default_viewer_config();
    defaults.group_streams.resize(defaults.n_streams);  // as the views store them back
    json reset_document;
    viewer_config_to_json(defaults, reset_document);
    keep_before_reset(default_config_, reset_document);
    config_file_path.clear();
    {
        std::lock_guard<std::mutex> lock(data_mutex);
        config = default_viewer_config();
    }
    for (View* view : get_views()) view->reset();
    apply_config();
}

void ViewerApplication::reset_clips() {
    json reset_document;
    clips_to_json(ClipsStore(), reset_document);
    keep_before_reset(default_clips_, reset_document);
    clips_.reset();
}

void ViewerApplication::reset_transforms() {
    json reset_document;
    transforms_to_json(TransformsStore(), reset_document);
    keep_before_reset(default_transforms_, reset_document);
    transforms_.clear();
}

void ViewerApplication::reset_all() {
    reset_config();
    reset_transforms();
    reset_clips();
}

void ViewerApplication::unload_config() {
    config_file_path.clear();
    load_config(config_path(), false);
}

void ViewerApplication::unload_clips() {
    clips_.reset();
    if (clips_.path.empty()) load_default_clips();
}

void ViewerApplication::unload_transforms() {
    transforms_.clear();
    if (transforms_.path.empty()) load_default_transforms();
}

void ViewerApplication::save_config_as(nanogui::Button* trigger) {
    ask_save_path("json", "Could not save config file!", trigger,
                  [this](const std::string& path) { save_config(path, true); });
}

void ViewerApplication::save_clips_as(nanogui::Button* trigger) {
    ask_save_path("json", "Could not save clips!", trigger,
                  [this](const std::string& path) { save_clips(path); });
}

void ViewerApplication::save_transforms_as(nanogui::Button* trigger) {
    ask_save_path("json", "Could not save transforms!", trigger,
                  [this](const std::string& path) { save_transforms(path); });
}

void ViewerApplication::open_config_file(nanogui::Button* trigger) {
    ask_path("json", false, trigger, [this](const std::string& path) { load_config(path, true); });
}

void ViewerApplication::open_clips_file(nanogui::Button* trigger) {
    ask_path("json", false, trigger, [this](const std::string& path) {
        load_clips(path);
        config.enable_clips = true;
    });
}

void ViewerApplication::open_transforms_file(nanogui::Button* trigger) {
    ask_path("json", false, trigger, [this](const std::string& path) {
        load_transforms(path);
        std::lock_guard<std::mutex> lock(data_mutex);
        config.enable_transforms = true;
    });
}

void ViewerApplication::open_capture_file() {
    ask_path("pcap", false, nullptr, [this](const std::string& path) { load_capture(path); });
}

void ViewerApplication::save_screenshot_as() {
    ask_save_path("png", "Screenshot failed!", nullptr,
                  [this](const std::string& path) { save_screenshot_png(path); });
}

bool ViewerApplication::save_screenshot_png(const std::string& path) {
    // The views alone: every window and panel is hidden for the one frame
    // that is read back, and shown again as it was.
    const bool gui_was_visible = gui_visible;
    gui_visible = false;
    std::vector<nanogui::ref<nanogui::Widget>> hidden;
    for (nanogui::Widget* child : children()) {
        if (!child->visible()) continue;
        hidden.emplace_back(child);
        child->setVisible(false);
    }
    // Drawn twice but never shown: panels take in gui_visible on their
    // refresh during the first frame.
    drawFrame(false);
    drawFrame(false);
    const Eigen::Vector2i size = framebufferSize();
    std::vector<uint8_t> pixels;
    if (!headless()) pixels = read_window_pixels(size.x(), size.y());
    for (auto& widget : hidden) widget->setVisible(true);
    gui_visible = gui_was_visible;
    drawAll();
    std::string reason;
    if (!write_png_rgba(path, size.x(), size.y(), std::move(pixels), &reason)) {
        report_file_failure("Screenshot failed!", path, reason);
        return false;
    }
    return true;
}

void ViewerApplication::export_points(View* view) {
    if (view == nullptr) return;
    ask_save_path("ply", "Export PLY failed!", nullptr, [this, view](const std::string& path) {
        // The view may have gone while the dialog was open.
        const std::vector<View*> views = get_views();
        if (std::find(views.begin(), views.end(), view) == views.end()) {
            report_file_failure("Export PLY failed!", path, "the view is no longer shown");
            return;
        }
        std::string reason;
        if (!write_points_ply(view->vertices(), path, &reason)) {
            report_file_failure("Export PLY failed!", path, reason);
        }
    });
}

}  // namespace druvex
