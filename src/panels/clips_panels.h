// The Clips panel with its Focus and Ground popups: clipping on and off,
// reset, the clips file, the focus box and the ground clip.
#pragma once

namespace druvex {

class ClipsStore;
class FormHelper;
class SettingsFilesHost;
struct ToolbarState;

void build_clips_panel(SettingsFilesHost& settings, ToolbarState& state, FormHelper& form);
void build_focus_panel(ClipsStore& clips, FormHelper& form);
void build_ground_panel(ClipsStore& clips, ToolbarState& state, FormHelper& form);

}  // namespace druvex
