// What the Capture panel's replay rows ask of the replay they control.
#pragma once

namespace nanogui {
class Label;
class Slider;
}  // namespace nanogui

namespace druvex {

// What the replay refuses is reported by the host; the rows show the
// position the replay reports next.
class ReplayPanelHost {
public:
    virtual ~ReplayPanelHost() = default;

    virtual bool replay_running() const = 0;
    // Pauses a running replay, resumes a paused one.
    virtual void toggle_replay() = 0;
    // Pauses and moves by `seconds`, within the capture, and refills the views.
    virtual void step_replay(float seconds) = 0;
    // While the slider is dragged only the fraction is kept; otherwise the
    // replay is sought there and the views refilled.
    virtual void seek_replay_fraction(float fraction) = 0;
    virtual float replay_speed() const = 0;
    virtual void set_replay_speed(float speed) = 0;
    // The stop button: the capture is closed and live input comes back.
    virtual void unload_capture() = 0;
    // The open dialog; the answer is loaded by a later frame.
    virtual void open_capture_file() = 0;

    // Refreshed every frame: "MM:SS / MM:SS" with the slider, and the file's name.
    virtual void replay_time_label(nanogui::Label* label, nanogui::Slider* slider) = 0;
    virtual void capture_file_label(nanogui::Label* label) = 0;
};

}  // namespace druvex
