// The Config panel: reset, the viewer config file, the number of viewers, and
// the SDK popup with its control flags and UDP port.
#include "config_panel.h"

#include "app/viewer_application.h"
#include "toolbar_common.h"

namespace druvex {

namespace {

// Port 0 would let the system pick one no sensor sends to.
constexpr uint16_t min_port = 1;

void add_config_file_popup(ViewerApplication& app, FormHelper& form) {
    FileActions actions;
    actions.load = [&app] { app.open_config_file(); };
    actions.reload = [&app] { app.load_config("", true); };
    actions.save = [&app] { app.save_config("", true); };
    actions.save_as = [&app] { app.save_config_as(); };
    actions.unload = [&app] { app.unload_config(); };
    add_file_popup(form, app.config_file_group.get(), actions);
}

void add_viewers_row(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.transforms_on_group.get());
    FormWidget<uint64_t>* row = form.addVariable<uint64_t>(
        "# Viewers",
        // The field shows a clamped number but passes on what was typed;
        // a thousand viewers would each get a view.
        [&app](const uint64_t& n) { app.config.n_streams = bounded_group_views(n); },
        [&app] { return app.config.n_streams; });
    row->setMinMaxValues(min_group_views, max_group_views);
}

}  // namespace

void build_config_panel(ViewerApplication& app, FormHelper& form) {
    auto body = open_collapsible_panel(form, "Config", app.config_expanded);
    form.addButton("Reset", [&app] { app.reset_config(); });
    add_config_file_popup(app, form);
    build_sdk_options_panel(app, form);
    add_viewers_row(app, form);
}

void build_sdk_options_panel(ViewerApplication& app, FormHelper& form) {
    auto scope = form.scopedGroup(app.advanced_group.get());
    auto popup = open_popup(form, "SDK");
    add_sdk_flag_checkbox(app, form, "No Distance Clip", DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP);
    add_sdk_flag_checkbox(app, form, "No Image Clip", DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP);
    add_sdk_flag_checkbox(app, form, "Stray Filter", DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER);
    FormWidget<uint16_t>* port = form.addVariable<uint16_t>(
        "Port", [&app](const uint16_t& value) { set_sdk_port(app, value); },
        [] { return druvex_sdk_get_port(); });
    port->setDefaultValue("8808");
    port->setMinValue(min_port);
}

nanogui::Widget* add_sdk_flag_checkbox(ViewerApplication& app, FormHelper& form,
                                       const std::string& caption, uint32_t mask) {
    return form.addVariable<bool>(
        caption,
        [&app, mask](const bool& on) {
            set_sdk_control_flag(mask, on);
            app.report_sdk_error(last_sdk_error(), "");
            app.refresh_frames();
        },
        [mask] { return has_sdk_control_flag(mask); });
}

void set_sdk_port(ViewerApplication& app, uint16_t port) {
    port = std::max(port, min_port);
    last_sdk_error();  // a failure stored earlier would answer for this call
    const uint16_t old_port = druvex_sdk_get_port();
    if (druvex_sdk_set_port(port) == DRUVEX_SUCCESS) return;
    const SdkError error = last_sdk_error();
    const std::string context = "Could not listen on port " + std::to_string(port);
    app.report_sdk_error(error, context);  // the log and standard error
    if (druvex_sdk_get_port() != old_port) {
        druvex_sdk_set_port(old_port);
        app.report_sdk_error(last_sdk_error(),
                             "Could not listen on port " + std::to_string(old_port) + " again!");
    }
}

}  // namespace druvex
