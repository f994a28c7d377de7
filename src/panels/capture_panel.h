// The Capture panel: recording, loading a capture, the live pause button and
// the replay's transport, position slider, time label and speed.
#pragma once

#include <string>

namespace druvex {

class FormHelper;
class ReplayPanelHost;
class SdkOptionsHost;
class ToolbarHost;
struct ToolbarState;

void build_capture_panel(ToolbarHost& host, FormHelper& form);
void build_pause_button(SdkOptionsHost& sdk, ToolbarState& state, FormHelper& form);
void build_replay_panel(ReplayPanelHost& replay, ToolbarState& state, FormHelper& form);

// "MM:SS" of whole seconds; hours are dropped (3725.9 gives "02:05").
std::string format_minutes_seconds(float seconds);

}  // namespace druvex
