// The Transforms panel: reset, the "Enable" switch and the transforms file.
#include "transforms_panel.h"

#include "settings/viewer_config.h"
#include "settings_files_host.h"
#include "toolbar_common.h"
#include "toolbar_state.h"

namespace druvex {

void build_transforms_panel(SettingsFilesHost& settings, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.advanced_group.get());
    auto body = open_collapsible_panel(form, "Transforms", state.transforms_expanded);
    form.addButton("Reset",
                   [&settings] { settings.reset_settings_file(SettingsFileKind::transforms); });
    add_flag_toggle(form, "Enable", settings.viewer_config().enable_transforms);
    add_file_popup(form, state.transforms_file_group.get(),
                   settings_file_actions(settings, SettingsFileKind::transforms));
}

}  // namespace druvex
