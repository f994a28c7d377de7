// ViewerApplication: the settings, capture and screenshot actions behind the panels.
#include "viewer_application.h"

#include "panels/capture_panel.h"
#include "platform/path_utils.h"

#include <nanogui/common.h>
#include <nanogui/label.h>
#include <nanogui/slider.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace druvex {

namespace {

// The chosen path, "" when the dialog was cancelled.
std::string ask_path(const char* extension, const char* description, bool save) {
    return nanogui::file_dialog({{extension, description}}, save);
}

}  // namespace

void ViewerApplication::save_clips(const std::string& path) {
    if (!clips_.save(path, true)) logger->warn("Could not save clips!");
}

void ViewerApplication::save_transforms(const std::string& path) {
    if (!transforms_.save(path, true)) logger->warn("Could not save transforms!");
}

void ViewerApplication::reset_config() {
    config_file_path.clear();
    config = default_viewer_config();
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

void ViewerApplication::unload_config() {
    config_file_path.clear();
    load_config(config_path(), false);
}

void ViewerApplication::unload_clips() {
    clips_.reset();
    if (clips_.path.empty()) clips_.load(clips_path(), false);
}

void ViewerApplication::unload_transforms() {
    transforms_.clear();
    if (transforms_.path.empty()) transforms_.load(transforms_path(), false);
}

void ViewerApplication::unload_capture() {
    report_sdk_error(replay.close(), "Unload capture failed!");
    remove_streams();
    druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, 0);
    report_sdk_error(last_sdk_error(), "Unload capture failed!");
}

void ViewerApplication::start_capture() {
    std::string path = ask_path("pcap", "PCAP", true);
    if (path.empty()) return;
    path = ensure_suffix(path, ".pcap");
    std::lock_guard<std::mutex> lock(recorder_mutex);
    if (!recorder.open_for_write(path, false).ok()) logger->warn("Could not open capture file!");
}

void ViewerApplication::save_config_as() {
    const std::string path = ask_path("json", "JSON", true);
    if (!path.empty()) save_config(ensure_suffix(path, ".json"), true);
}

void ViewerApplication::save_clips_as() {
    const std::string path = ask_path("json", "JSON", true);
    if (!path.empty()) save_clips(ensure_suffix(path, ".json"));
}

void ViewerApplication::save_transforms_as() {
    const std::string path = ask_path("json", "JSON", true);
    if (!path.empty()) save_transforms(ensure_suffix(path, ".json"));
}

void ViewerApplication::open_config_file() {
    const std::string path = ask_path("json", "JSON", false);
    if (!path.empty()) load_config(path, true);
}

void ViewerApplication::open_clips_file() {
    const std::string path = ask_path("json", "JSON", false);
    if (path.empty()) return;
    load_clips(path);
    config.enable_clips = true;
}

void ViewerApplication::open_transforms_file() {
    const std::string path = ask_path("json", "JSON", false);
    if (path.empty()) return;
    load_transforms(path);
    config.enable_transforms = true;
}

void ViewerApplication::open_capture_file() {
    const std::string path = ask_path("pcap", "PCAP", false);
    if (!path.empty()) load_capture(path);
}

void ViewerApplication::save_screenshot_as() {
    const std::string path = ask_path("png", "PNG", true);
    if (!path.empty() && !save_screenshot_png(ensure_suffix(path, ".png"))) {
        logger->warn("Screenshot failed!");
    }
}

bool ViewerApplication::save_screenshot_png(const std::string& path) {
    gui_visible = false;
    drawAll();
    drawAll();
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int w = viewport[2], h = viewport[3];
    std::vector<unsigned char> pixels(size_t(w) * size_t(h) * 4, 0);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    gui_visible = true;
    drawAll();
    // The first row read is the bottom of the picture.
    stbi_flip_vertically_on_write(1);
    return w > 0 && h > 0 && stbi_write_png(path.c_str(), w, h, 4, pixels.data(), w * 4) != 0;
}

void ViewerApplication::stop_capture() {
    std::lock_guard<std::mutex> lock(recorder_mutex);
    const druvex_sdk::SensorError error = recorder.close();
    // A recording whose last writes fail (a full disk) is incomplete: say so.
    if (error)
        report_sdk_error(SdkError(error.code, error.message), "Could not close capture file!");
}

void ViewerApplication::set_demo_mode(uint32_t mode) {
    demo_mode = mode;
    imu_reader.stop();
    if (mode == 1) imu_reader.start("python -u -m druvex_util.demo.demo_zuna");
}

void ViewerApplication::replay_time_label(nanogui::Label* label, nanogui::Slider* slider) {
    if (!replay.is_open()) return;
    const float length = replay.get_length();
    float position = replay.get_position();
    if (!replay_slider_dragging) {
        // A capture of no length (one packet, or packets of one instant) sits
        // at its start: the fraction would divide by zero.
        replay_slider_fraction =
            length > 0.0f ? std::min(std::max(position / length, 0.0f), 1.0f) : 0.0f;
        slider->setValue(replay_slider_fraction);
    } else {
        position = length * replay_slider_fraction;
    }
    label->setCaption(format_minutes_seconds(position) + " / " + format_minutes_seconds(length));
}

void ViewerApplication::capture_file_label(nanogui::Label* label) {
    const std::string name = split_path(replay.get_filename()).second;
    label->setCaption(split_extension(name).first.substr(0, 30));
}

}  // namespace druvex
