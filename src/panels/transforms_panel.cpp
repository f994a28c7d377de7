// The Transforms panel: reset, the "Enable" switch and the transforms file.
#include "transforms_panel.h"

#include "app/viewer_application.h"
#include "toolbar_common.h"

namespace druvex {

void build_transforms_panel(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.advanced_group.get());
    auto body = open_collapsible_panel(form, "Transforms", app.transforms_expanded);
    form.addButton("Reset", [&app] { app.reset_transforms(); });
    add_flag_toggle(form, "Enable", app.config.enable_transforms);
    FileActions actions;
    actions.load = [&app] { app.open_transforms_file(); };
    actions.reload = [&app] { app.load_transforms(""); };
    actions.save = [&app] { app.save_transforms(""); };
    actions.save_as = [&app] { app.save_transforms_as(); };
    actions.unload = [&app] { app.unload_transforms(); };
    add_file_popup(form, app.transforms_file_group.get(), actions);
}

}  // namespace druvex
