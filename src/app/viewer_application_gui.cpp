// ViewerApplication: the visibility groups that show and hide panel rows with
// the application's state, and the once-a-frame refresh of its own rows.
#include "viewer_application.h"

#include <string>
#include <tuple>

namespace druvex {

void ViewerApplication::create_visibility_groups() {
    FormHelper& form = *app_form;
    std::tie(advanced_group, basic_group) = form.addFlagVisibilityGroups(&config.show_advanced);
    std::tie(recording_group, not_recording_group) =
        form.addVisibilityGroups([this] { return is_recording(); });
    std::tie(replay_group, live_group) =
        form.addVisibilityGroups([this] { return replay.is_open(); });
    std::tie(transforms_on_group, transforms_off_group) =
        form.addFlagVisibilityGroups(&config.enable_transforms);
    std::tie(clips_on_group, clips_off_group) = form.addFlagVisibilityGroups(&config.enable_clips);
    std::tie(config_file_group, no_config_file_group) =
        form.addVisibilityGroups([this] { return !config_file_path.empty(); });
    std::tie(transforms_file_group, no_transforms_file_group) =
        form.addVisibilityGroups([this] { return !transforms_.path.empty(); });
    std::tie(clips_file_group, no_clips_file_group) =
        form.addVisibilityGroups([this] { return !clips_.path.empty(); });
}

void ViewerApplication::refresh_gui() {
    // Each view's measuring line has a name of its own among the shared line sets.
    const std::vector<View*> views = get_views();
    for (size_t i = 0; i < views.size(); ++i) {
        views[i]->renderer.measure_line_name = "measure" + std::to_string(i + 1);
    }
    app_form->refresh();
}

}  // namespace druvex
