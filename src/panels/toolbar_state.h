// What the toolbar panels show and keep between rebuilds, owned by the application.
#pragma once

#include "widgets/form_helper.h"

namespace druvex {

// The application fills the visibility groups once and follows its own state
// with them; the panels put their rows into them and keep the rest here.
struct ToolbarState {
    // Whether each collapsible toolbar panel is open, kept over a rebuild.
    bool config_expanded = false;
    bool transforms_expanded = false;
    bool clips_expanded = false;
    bool sensors_expanded = false;
    bool capture_expanded = true;
    // Pairs: shown while the condition holds, shown while it does not.
    GroupRef advanced_group, basic_group;
    GroupRef recording_group, not_recording_group;
    GroupRef replay_group, live_group;
    GroupRef transforms_on_group, transforms_off_group;
    GroupRef clips_on_group, clips_off_group;
    GroupRef config_file_group, no_config_file_group;
    GroupRef transforms_file_group, no_transforms_file_group;
    GroupRef clips_file_group, no_clips_file_group;
    // The replay's position slider: while it is dragged the replay is not
    // sought, and the time label shows where the slider is.
    float replay_slider_fraction = 0.0f;
    bool replay_slider_dragging = false;
};

}  // namespace druvex
