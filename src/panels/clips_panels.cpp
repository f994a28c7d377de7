// The Clips panel with its Focus and Ground popups.
#include "clips_panels.h"

#include "app/viewer_application.h"
#include "toolbar_common.h"

namespace druvex {

void build_clips_panel(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.advanced_group.get());
    auto body = open_collapsible_panel(form, "Clips", app.clips_expanded);
    form.addButton("Reset", [&app] {
        app.reset_clips();
        app.config.enable_clips = true;
    });
    add_flag_toggle(form, "Enable", app.config.enable_clips);
    FileActions actions;
    actions.load = [&app] { app.open_clips_file(); };
    actions.reload = [&app] { app.load_clips(""); };
    actions.save = [&app] { app.save_clips(""); };
    actions.save_as = [&app] { app.save_clips_as(); };
    actions.unload = [&app] { app.unload_clips(); };
    actions.reload_first = true;
    add_file_popup(form, app.clips_file_group.get(), actions);
    build_focus_panel(app, form);
    build_ground_panel(app, form);
}

void build_focus_panel(ViewerApplication& app, FormHelper& form) {
    auto popup = open_popup(form, "Focus");
    FocusBox& focus = app.clips().focus;
    form.addButton("Clear", [&focus] { focus = FocusBox(); });
    const float far = FocusBox().max_x;
    add_metres_row(form, "Min X", focus.min_x, -far, 1.0f, 0.1f);
    add_metres_row(form, "Max X", focus.max_x, far, 1.0f, 0.1f);
    add_metres_row(form, "Min Y", focus.min_y, -far, 1.0f, 0.1f);
    add_metres_row(form, "Max Y", focus.max_y, far, 1.0f, 0.1f);
    add_metres_row(form, "Min Z", focus.min_z, -far, 1.0f, 0.1f);
    add_metres_row(form, "Max Z", focus.max_z, far, 1.0f, 0.1f);
}

void build_ground_panel(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.advanced_group.get());
    auto popup = open_popup(form, "Ground");
    GroundClip& ground = app.clips().ground;
    form.addButton("Clear", [&ground] { ground = GroundClip(); });
    add_metres_row(form, "Height", ground.height, GroundClip().height, 0.1f, 0.01f);
    add_metres_row(form, "Max Distance", ground.max_distance, 0.0f, 1.0f, 0.1f)
        ->setDefaultValue("0");
}

}  // namespace druvex
