// The Capture panel: recording, loading a capture, the live pause button and
// the replay's transport, position slider, time label and speed.
#pragma once

#include <string>

namespace druvex {

class FormHelper;
class ViewerApplication;

void build_capture_panel(ViewerApplication& app, FormHelper& form);
void build_pause_button(ViewerApplication& app, FormHelper& form);
void build_replay_panel(ViewerApplication& app, FormHelper& form);

// While the slider is dragged only the fraction is kept; otherwise the replay
// is sought there and the views refilled.
void seek_replay_fraction(ViewerApplication& app, float fraction);

// "MM:SS" of whole seconds; hours are dropped (3725.9 gives "02:05").
std::string format_minutes_seconds(float seconds);

}  // namespace druvex
