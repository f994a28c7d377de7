// The Clips panel with its Focus and Ground popups.
#include "clips_panels.h"

#include "settings/clips_store.h"
#include "settings/viewer_config.h"
#include "settings_files_host.h"
#include "toolbar_common.h"
#include "toolbar_state.h"

namespace druvex {

void build_clips_panel(SettingsFilesHost& settings, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.advanced_group.get());
    auto body = open_collapsible_panel(form, "Clips", state.clips_expanded);
    form.addButton("Reset", [&settings] {
        settings.reset_settings_file(SettingsFileKind::clips);
        settings.viewer_config().enable_clips = true;
    });
    add_flag_toggle(form, "Enable", settings.viewer_config().enable_clips);
    FileActions actions = settings_file_actions(settings, SettingsFileKind::clips);
    actions.reload_first = true;
    add_file_popup(form, state.clips_file_group.get(), actions);
    build_focus_panel(settings.clips(), form);
    build_ground_panel(settings.clips(), state, form);
}

void build_focus_panel(ClipsStore& clips, FormHelper& form) {
    auto popup = open_popup(form, "Focus");
    FocusBox& focus = clips.focus;
    form.addButton("Clear", [&focus] { focus = FocusBox(); });
    const float far = FocusBox().max_x;
    add_metres_row(form, "Min X", focus.min_x, -far, 1.0f, 0.1f);
    add_metres_row(form, "Max X", focus.max_x, far, 1.0f, 0.1f);
    add_metres_row(form, "Min Y", focus.min_y, -far, 1.0f, 0.1f);
    add_metres_row(form, "Max Y", focus.max_y, far, 1.0f, 0.1f);
    add_metres_row(form, "Min Z", focus.min_z, -far, 1.0f, 0.1f);
    add_metres_row(form, "Max Z", focus.max_z, far, 1.0f, 0.1f);
}

void build_ground_panel(ClipsStore& clips, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.advanced_group.get());
    auto popup = open_popup(form, "Ground");
    GroundClip& ground = clips.ground;
    form.addButton("Clear", [&ground] { ground = GroundClip(); });
    add_metres_row(form, "Height", ground.height, GroundClip().height, 0.1f, 0.01f);
    add_metres_row(form, "Max Distance", ground.max_distance, 0.0f, 1.0f, 0.1f)
        ->setDefaultValue("0");
}

}  // namespace druvex
