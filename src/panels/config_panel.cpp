// The Config panel: reset, the viewer config file, the number of viewers, and
// the SDK popup with its control flags and UDP port.
#include "config_panel.h"

#include "app/viewer_application.h"
#include "platform/udp_port_probe.h"
#include "toolbar_common.h"

namespace druvex {

namespace {

// Port 0 would let the system pick one no sensor sends to.
constexpr uint32_t min_port = 1;
constexpr uint32_t max_port = 65535;

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

// What stops a port before the SDK is asked. With networking off (a
// replay, the pause button) the SDK only keeps the port for later, so
// whether it can be taken is found out here, at once: the field never shows
// a port that nothing will be able to listen on.
SdkError check_port(uint32_t port) {
    if (port < min_port || port > max_port)
        return SdkError(DRUVEX_ERROR_INVALID_ARGUMENTS, "ports run from 1 to 65535");
    std::string reason;
    if (has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK) &&
        !can_listen_udp(static_cast<uint16_t>(port), &reason)) {
        return SdkError(DRUVEX_ERROR_COMMUNICATION, reason);
    }
    return SdkError();
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
    // Wider than a port, so that a number beyond the ports reaches the setter
    // as typed and is refused rather than taken for the largest port.
    FormWidget<uint32_t>* port = form.addVariable<uint32_t>(
        "Port", [&app](const uint32_t& value) { set_sdk_port(app, value); },
        [] { return uint32_t{druvex_sdk_get_port()}; });
    port->setDefaultValue("8808");
    port->setMinMaxValues(min_port, max_port);
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

void set_sdk_port(ViewerApplication& app, uint32_t port) {
    const std::string context = "Could not listen on port " + std::to_string(port);
    if (SdkError refused = check_port(port); !refused.ok()) {
        app.report_sdk_error(refused, context);
        return;
    }
    last_sdk_error();  // a failure stored earlier would answer for this call
    const uint16_t old_port = druvex_sdk_get_port();
    if (druvex_sdk_set_port(static_cast<uint16_t>(port)) == DRUVEX_SUCCESS) return;
    app.report_sdk_error(last_sdk_error(), context);  // the log and standard error
    if (druvex_sdk_get_port() != old_port) {
        druvex_sdk_set_port(old_port);
        app.report_sdk_error(last_sdk_error(),
                             "Could not listen on port " + std::to_string(old_port) + " again!");
    }
}

}  // namespace druvex
