// ViewerApplication: what the views' Control Panels and the toolbar panels ask
// of the application.
#include "panels/control_panel.h"
#include "panels/toolbar_common.h"
#include "panels/toolbar_panels.h"
#include "viewer_application.h"

#include <nanogui/window.h>

namespace druvex {

std::unique_ptr<ViewPanel> ViewerApplication::make_view_panel(View& view) {
    return std::make_unique<ControlPanel>(view, *this);
}

void ViewerApplication::toggle_help_window() {
    if (help_window != nullptr) help_window->setVisible(!help_window->visible());
}

void ViewerApplication::build_toolbar_panels(FormHelper& form) { build_toolbar(*this, form); }

void ViewerApplication::build_screenshot_demo_rows(FormHelper& form) {
    build_screenshot_demo_panel(*this, form);
}

void ViewerApplication::store_image_clip(uint64_t serial, const ImageClip& clip) {
    clips_.set_image_clip(serial, clip);
}

void ViewerApplication::store_transform(uint64_t serial, const SensorTransform& transform) {
    transforms_.set_transform(serial, transform);
}

void ViewerApplication::toggle_replay() {
    if (replay.is_running()) {
        report_sdk_error(replay.pause(), "Pause capture failed!");
    } else {
        report_sdk_error(replay.resume(), "Resume capture failed!");
    }
}

// Steps stay within the capture: a seek before its start would be refused,
// and one at its end goes to the last record.
void ViewerApplication::step_replay(float seconds) {
    report_sdk_error(replay.pause(), "Pause capture failed!");
    const float length = replay.get_length();
    report_sdk_error(replay.seek(clamp_float(replay.get_position() + seconds, 0.0f, length)),
                     "Seek capture failed!");
    refresh_frames();
}

void ViewerApplication::seek_replay_fraction(float fraction) {
    fraction = clamp_float(fraction, 0.0f, 1.0f);
    if (toolbar_.replay_slider_dragging) {
        toolbar_.replay_slider_fraction = fraction;
        return;
    }
    report_sdk_error(replay.seek(replay.get_length() * fraction), "Seek capture failed!");
    refresh_frames();
}

void ViewerApplication::open_settings_file(SettingsFileKind kind) {
    switch (kind) {
        case SettingsFileKind::config: return open_config_file();
        case SettingsFileKind::transforms: return open_transforms_file();
        case SettingsFileKind::clips: return open_clips_file();
    }
}

void ViewerApplication::save_settings_file_as(SettingsFileKind kind) {
    switch (kind) {
        case SettingsFileKind::config: return save_config_as();
        case SettingsFileKind::transforms: return save_transforms_as();
        case SettingsFileKind::clips: return save_clips_as();
    }
}

// An empty path names the current file.
void ViewerApplication::reload_settings_file(SettingsFileKind kind) {
    switch (kind) {
        case SettingsFileKind::config: return load_config("", true);
        case SettingsFileKind::transforms: return load_transforms("");
        case SettingsFileKind::clips: return load_clips("");
    }
}

void ViewerApplication::save_settings_file(SettingsFileKind kind) {
    switch (kind) {
        case SettingsFileKind::config: return save_config("", true);
        case SettingsFileKind::transforms: return save_transforms("");
        case SettingsFileKind::clips: return save_clips("");
    }
}

void ViewerApplication::unload_settings_file(SettingsFileKind kind) {
    switch (kind) {
        case SettingsFileKind::config: return unload_config();
        case SettingsFileKind::transforms: return unload_transforms();
        case SettingsFileKind::clips: return unload_clips();
    }
}

void ViewerApplication::reset_settings_file(SettingsFileKind kind) {
    switch (kind) {
        case SettingsFileKind::config: return reset_config();
        case SettingsFileKind::transforms: return reset_transforms();
        case SettingsFileKind::clips: return reset_clips();
    }
}

}  // namespace druvex
