// ViewerApplication: the visibility groups that show and hide panel rows with
// the application's state, and the once-a-frame refresh of its own rows.
#include "viewer_application.h"

#include <string>
#include <tuple>

namespace druvex {

void ViewerApplication::create_visibility_groups() {
    FormHelper& form = *app_form;
    std::tie(toolbar_.advanced_group, toolbar_.basic_group) =
        form.addFlagVisibilityGroups(&config.show_advanced);
    std::tie(toolbar_.recording_group, toolbar_.not_recording_group) =
        form.addVisibilityGroups([this] { return is_recording(); });
    std::tie(toolbar_.replay_group, toolbar_.live_group) =
        form.addVisibilityGroups([this] { return replay.is_open(); });
    std::tie(toolbar_.transforms_on_group, toolbar_.transforms_off_group) =
        form.addFlagVisibilityGroups(&config.enable_transforms);
    std::tie(toolbar_.clips_on_group, toolbar_.clips_off_group) =
        form.addFlagVisibilityGroups(&config.enable_clips);
    std::tie(toolbar_.config_file_group, toolbar_.no_config_file_group) =
        form.addVisibilityGroups([this] { return !config_file_path.empty(); });
    std::tie(toolbar_.transforms_file_group, toolbar_.no_transforms_file_group) =
        form.addVisibilityGroups([this] { return !transforms_.path.empty(); });
    std::tie(toolbar_.clips_file_group, toolbar_.no_clips_file_group) =
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
