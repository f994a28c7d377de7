// The Clips panel with its Focus and Ground popups: clipping on and off,
// reset, the clips file, the focus box and the ground clip.
#pragma once

namespace druvex {

class FormHelper;
class ViewerApplication;

void build_clips_panel(ViewerApplication& app, FormHelper& form);
void build_focus_panel(ViewerApplication& app, FormHelper& form);
void build_ground_panel(ViewerApplication& app, FormHelper& form);

}  // namespace druvex
