// The Capture panel: recording, loading a capture, the live pause button and
// the replay's transport, position slider, time label and speed.
#include "capture_panel.h"

#include "app/viewer_application.h"
#include "toolbar_common.h"

#include <nanogui/slider.h>

#include <ctime>

namespace druvex {

namespace {

constexpr int icon_pause = 0x2016;
constexpr int icon_play = 0x25B6;
constexpr int icon_stop = 0x25A0;
constexpr int icon_step_back = 0x2B05;
constexpr int icon_step_forward = 0x27A1;
constexpr float min_speed = 0.01f;
constexpr float max_speed = 3.0f;

// Steps stay within the capture: a seek before its start would be refused,
// and one at its end goes to the last record. What the replay refuses is
// said; the panel shows the position the replay reports next.
void step_replay(ViewerApplication& app, float seconds) {
    app.report_sdk_error(app.replay.pause(), "Pause capture failed!");
    const float length = app.replay.get_length();
    app.report_sdk_error(
        app.replay.seek(clamp_float(app.replay.get_position() + seconds, 0.0f, length)),
        "Seek capture failed!");
    app.refresh_frames();
}

void toggle_replay(ViewerApplication& app) {
    if (app.replay.is_running()) {
        app.report_sdk_error(app.replay.pause(), "Pause capture failed!");
    } else {
        app.report_sdk_error(app.replay.resume(), "Resume capture failed!");
    }
}

nanogui::Button* add_icon_button(Toolbar* toolbar, int icon, const std::function<void()>& action) {
    auto* button = new nanogui::Button(toolbar, "", icon);
    button->setCallback(action);
    return button;
}

// Refreshes a button's icon from a predicate: `when_true` while it holds.
void refresh_icon(FormHelper& form, nanogui::Button* button, std::function<bool()> predicate,
                  int when_true, int when_false) {
    nanogui::ref<nanogui::Button> ref(button);
    form.addRefreshCallback([ref, predicate, when_true, when_false] {
        ref->setIcon(predicate() ? when_true : when_false);
    });
}

void add_transport(ViewerApplication& app, FormHelper& form) {
    Toolbar* toolbar = form.addToolbar();
    add_icon_button(toolbar, icon_step_back, [&app] { step_replay(app, -1.0f); });
    nanogui::Button* play = add_icon_button(toolbar, 0, [&app] { toggle_replay(app); });
    refresh_icon(
        form, play, [&app] { return app.replay.is_running(); }, icon_pause, icon_play);
    add_icon_button(toolbar, icon_stop, [&app] { app.unload_capture(); });
    add_icon_button(toolbar, icon_step_forward, [&app] { step_replay(app, 1.0f); });
}

void add_position_rows(ViewerApplication& app, FormHelper& form) {
    app.replay_slider_dragging = false;
    auto* slider = new nanogui::Slider(form.window());
    form.addWidget(slider);
    slider->setCallback([&app](float value) {
        app.replay_slider_dragging = true;
        seek_replay_fraction(app, value);
    });
    slider->setFinalCallback([&app](float value) {
        app.replay_slider_dragging = false;
        seek_replay_fraction(app, value);
    });
    auto* time = new nanogui::Label(form.window(), "", "sans", -1);
    form.addWidget(time);
    time->setHorizontalAlignment(NVG_ALIGN_CENTER);
    nanogui::ref<nanogui::Slider> slider_ref(slider);
    nanogui::ref<nanogui::Label> time_ref(time);
    form.addRefreshCallback(
        [&app, slider_ref, time_ref] { app.replay_time_label(time_ref.get(), slider_ref.get()); });
}

void add_speed_row(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.advanced_group.get());
    FormWidget<float>* speed = form.addVariable<float>(
        "Speed",
        [&app](const float& value) {
            (void)app.replay.set_speed(clamp_float(value, min_speed, max_speed));
        },
        [&app] { return app.replay.get_speed(); });
    speed->setDefaultValue("1");
    speed->setStep(0.01f);
    speed->setMinMaxValues(min_speed, max_speed);
}

}  // namespace

void build_capture_panel(ViewerApplication& app, FormHelper& form) {
    auto body = open_collapsible_panel(form, "Capture", app.capture_expanded);
    {
        auto scope = form.scopedGroups({app.not_recording_group.get(), app.live_group.get()});
        form.addButton("Start Capture", [&app] { app.start_capture(); });
    }
    {
        auto scope = form.scopedGroup(app.recording_group.get());
        form.addButton("Stop Capture", [&app] { app.stop_capture(); });
    }
    {
        auto scope = form.scopedGroups({app.not_recording_group.get(), app.live_group.get()});
        form.addButton("Load Capture", [&app] { app.open_capture_file(); });
    }
    build_pause_button(app, form);
    build_replay_panel(app, form);
}

void build_pause_button(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.live_group.get());
    Toolbar* toolbar = form.addToolbar();
    nanogui::Button* pause = add_icon_button(toolbar, 0, [&app] {
        set_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK,
                             !has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK));
        app.report_sdk_error(last_sdk_error(), "");
    });
    refresh_icon(
        form, pause, [] { return !has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK); },
        icon_pause, icon_play);
}

void build_replay_panel(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.replay_group.get());
    nanogui::Label* file = form.addLabel("");
    file->setHorizontalAlignment(NVG_ALIGN_CENTER);
    nanogui::ref<nanogui::Label> file_ref(file);
    form.addRefreshCallback([&app, file_ref] { app.capture_file_label(file_ref.get()); });
    add_transport(app, form);
    add_position_rows(app, form);
    add_speed_row(app, form);
}

void seek_replay_fraction(ViewerApplication& app, float fraction) {
    fraction = clamp_float(fraction, 0.0f, 1.0f);
    if (app.replay_slider_dragging) {
        app.replay_slider_fraction = fraction;
        return;
    }
    app.report_sdk_error(app.replay.seek(app.replay.get_length() * fraction),
                         "Seek capture failed!");
    app.refresh_frames();
}

std::string format_minutes_seconds(float seconds) {
    // Negative or unreadable times read as the start.
    const std::time_t whole = seconds >= 1.0f && seconds < 9e15f ? std::time_t(seconds) : 0;
    std::tm calendar{};
    gmtime_r(&whole, &calendar);
    char text[100];
    if (std::strftime(text, sizeof text, "%M:%S", &calendar) == 0) return "00:00";
    return text;
}

}  // namespace druvex
