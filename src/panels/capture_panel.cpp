// The Capture panel: recording, loading a capture, the live pause button and
// the replay's transport, position slider, time label and speed.
#include "capture_panel.h"

#include "platform/sdk_utils.h"
#include "toolbar_common.h"
#include "toolbar_host.h"

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

void add_transport(ReplayPanelHost& replay, FormHelper& form) {
    Toolbar* toolbar = form.addToolbar();
    add_icon_button(toolbar, icon_step_back, [&replay] { replay.step_replay(-1.0f); });
    nanogui::Button* play = add_icon_button(toolbar, 0, [&replay] { replay.toggle_replay(); });
    refresh_icon(
        form, play, [&replay] { return replay.replay_running(); }, icon_pause, icon_play);
    add_icon_button(toolbar, icon_stop, [&replay] { replay.unload_capture(); });
    add_icon_button(toolbar, icon_step_forward, [&replay] { replay.step_replay(1.0f); });
}

void add_position_rows(ReplayPanelHost& replay, ToolbarState& state, FormHelper& form) {
    state.replay_slider_dragging = false;
    auto* slider = new nanogui::Slider(form.window());
    form.addWidget(slider);
    slider->setCallback([&replay, &state](float value) {
        state.replay_slider_dragging = true;
        replay.seek_replay_fraction(value);
    });
    slider->setFinalCallback([&replay, &state](float value) {
        state.replay_slider_dragging = false;
        replay.seek_replay_fraction(value);
    });
    auto* time = new nanogui::Label(form.window(), "", "sans", -1);
    form.addWidget(time);
    time->setHorizontalAlignment(NVG_ALIGN_CENTER);
    nanogui::ref<nanogui::Slider> slider_ref(slider);
    nanogui::ref<nanogui::Label> time_ref(time);
    form.addRefreshCallback([&replay, slider_ref, time_ref] {
        replay.replay_time_label(time_ref.get(), slider_ref.get());
    });
}

void add_speed_row(ReplayPanelHost& replay, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.advanced_group.get());
    FormWidget<float>* speed = form.addVariable<float>(
        "Speed",
        [&replay](const float& value) {
            replay.set_replay_speed(clamp_float(value, min_speed, max_speed));
        },
        [&replay] { return replay.replay_speed(); });
    speed->setDefaultValue("1");
    speed->setStep(0.01f);
    speed->setMinMaxValues(min_speed, max_speed);
}

}  // namespace

void build_capture_panel(ToolbarHost& host, FormHelper& form) {
    ToolbarState& state = host.toolbar_state();
    auto body = open_collapsible_panel(form, "Capture", state.capture_expanded);
    {
        auto scope = form.scopedGroups({state.not_recording_group.get(), state.live_group.get()});
        form.addButton("Start Capture", [&host] { host.start_capture(); });
    }
    {
        auto scope = form.scopedGroup(state.recording_group.get());
        form.addButton("Stop Capture", [&host] { host.stop_capture(); });
    }
    {
        auto scope = form.scopedGroups({state.not_recording_group.get(), state.live_group.get()});
        form.addButton("Load Capture", [&host] { host.open_capture_file(); });
    }
    build_pause_button(host, state, form);
    build_replay_panel(host, state, form);
}

void build_pause_button(SdkOptionsHost& sdk, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.live_group.get());
    Toolbar* toolbar = form.addToolbar();
    nanogui::Button* pause = add_icon_button(toolbar, 0, [&sdk] {
        set_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK,
                             !has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK));
        sdk.report_sdk_error(last_sdk_error(), "");
    });
    refresh_icon(
        form, pause, [] { return !has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK); },
        icon_pause, icon_play);
}

void build_replay_panel(ReplayPanelHost& replay, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.replay_group.get());
    nanogui::Label* file = form.addLabel("");
    file->setHorizontalAlignment(NVG_ALIGN_CENTER);
    nanogui::ref<nanogui::Label> file_ref(file);
    form.addRefreshCallback([&replay, file_ref] { replay.capture_file_label(file_ref.get()); });
    add_transport(replay, form);
    add_position_rows(replay, state, form);
    add_speed_row(replay, state, form);
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
