// ViewerApplication: settings actions, file dialogs, screenshots and the
// export of a view's points.
#include "viewer_application.h"

#include "platform/path_utils.h"
#include "platform/safe_file.h"
#include "render/window_pixels.h"
#include "screenshot.h"
#include "view/ply_export.h"

#include <nanogui/button.h>
#include <nanogui/common.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

namespace druvex {
namespace {

nanogui::FileTypes file_types(const char* extension) {
    std::string description = extension;
    std::transform(description.begin(), description.end(), description.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return {{extension, description}};
}

}  // namespace

std::string ViewerApplication::ask_save_path(const char* extension,
                                             const std::string& failure_message,
                                             nanogui::Button* trigger, bool* asked) {
    // The modal dialog swallows the button's release.
    if (trigger != nullptr) trigger->setPushed(false);
    const std::string answer = nanogui::file_dialog(file_types(extension), true);
    if (answer.empty()) return "";
    const std::string suffix = std::string(".") + extension;
    if (asked != nullptr) *asked = ends_with(answer, suffix);
    if (ends_with(answer, suffix)) return answer;
    // The dialog asked whether to replace the name as typed, not this one.
    const std::string path = answer + suffix;
    if (file_exists(path)) {
        report_file_failure(failure_message, path,
                            "already exists; choose it by its full name to replace it");
        return "";
    }
    return path;
}

std::string ViewerApplication::ask_open_path(const char* extension, nanogui::Button* trigger) {
    if (trigger != nullptr) trigger->setPushed(false);
    return nanogui::file_dialog(file_types(extension), false);
}

void ViewerApplication::save_clips(const std::string& path) {
    errno = 0;
    if (!clips_.save(path, true))
        report_file_failure("Could not save clips!", path, error_text(errno));
}

void ViewerApplication::save_transforms(const std::string& path) {
    errno = 0;
    if (!transforms_.save(path, true)) {
        report_file_failure("Could not save transforms!", path, error_text(errno));
    }
}

void ViewerApplication::reset_config() {
    config_file_path.clear();
    {
        std::lock_guard<std::mutex> lock(data_mutex);
        config = default_viewer_config();
    }
    std::remove(config_path().c_str());
    for (View* view : get_views()) view->reset();
    apply_config();
}

void ViewerApplication::reset_clips() {
    std::remove(clips_path().c_str());
    clips_.reset();
}

void ViewerApplication::reset_transforms() {
    std::remove(transforms_path().c_str());
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
    const std::string path = ask_save_path("json", "Could not save config file!", trigger);
    if (!path.empty()) save_config(path, true);
}

void ViewerApplication::save_clips_as(nanogui::Button* trigger) {
    const std::string path = ask_save_path("json", "Could not save clips!", trigger);
    if (!path.empty()) save_clips(path);
}

void ViewerApplication::save_transforms_as(nanogui::Button* trigger) {
    const std::string path = ask_save_path("json", "Could not save transforms!", trigger);
    if (!path.empty()) save_transforms(path);
}

void ViewerApplication::open_config_file(nanogui::Button* trigger) {
    const std::string path = ask_open_path("json", trigger);
    if (!path.empty()) load_config(path, true);
}

void ViewerApplication::open_clips_file(nanogui::Button* trigger) {
    const std::string path = ask_open_path("json", trigger);
    if (path.empty()) return;
    load_clips(path);
    config.enable_clips = true;
}

void ViewerApplication::open_transforms_file(nanogui::Button* trigger) {
    const std::string path = ask_open_path("json", trigger);
    if (path.empty()) return;
    load_transforms(path);
    std::lock_guard<std::mutex> lock(data_mutex);
    config.enable_transforms = true;
}

void ViewerApplication::open_capture_file() {
    const std::string path = ask_open_path("pcap", nullptr);
    if (!path.empty()) load_capture(path);
}

void ViewerApplication::save_screenshot_as() {
    const std::string path = ask_save_path("png", "Screenshot failed!", nullptr);
    if (!path.empty()) save_screenshot_png(path);
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
    const std::string path = ask_save_path("ply", "Export PLY failed!", nullptr);
    if (path.empty()) return;
    std::string reason;
    if (!write_points_ply(*view, path, &reason)) {
        report_file_failure("Export PLY failed!", path, reason);
    }
}

}  // namespace druvex
