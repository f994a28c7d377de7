// The Config panel: reset, the viewer config file, the number of viewers, and
// the SDK popup with its control flags and UDP port.
#include "config_panel.h"

#include "platform/sdk_utils.h"
#include "platform/udp_port_probe.h"
#include "settings/viewer_config.h"
#include "toolbar_common.h"
#include "toolbar_host.h"

namespace druvex {

namespace {

// Port 0 would let the system pick one no sensor sends to.
constexpr uint32_t min_port = 1;
constexpr uint32_t max_port = 65535;

void add_viewers_row(ViewerConfig& config, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.transforms_on_group.get());
    FormWidget<uint64_t>* row = form.addVariable<uint64_t>(
        "# Viewers",
        // The field shows a clamped number but passes on what was typed;
        // a thousand viewers would each get a view.
        [&config](const uint64_t& n) { config.n_streams = bounded_group_views(n); },
        [&config] { return config.n_streams; });
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

void build_config_panel(ToolbarHost& host, FormHelper& form) {
    ToolbarState& state = host.toolbar_state();
    auto body = open_collapsible_panel(form, "Config", state.config_expanded);
    form.addButton("Reset", [&host] { host.reset_settings_file(SettingsFileKind::config); });
    add_file_popup(form, state.config_file_group.get(),
                   settings_file_actions(host, SettingsFileKind::config));
    build_sdk_options_panel(host, state, form);
    add_viewers_row(host.viewer_config(), state, form);
}

void build_sdk_options_panel(SdkOptionsHost& sdk, ToolbarState& state, FormHelper& form) {
    auto scope = form.scopedGroup(state.advanced_group.get());
    auto popup = open_popup(form, "SDK");
    add_sdk_flag_checkbox(sdk, form, "No Distance Clip", DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP);
    add_sdk_flag_checkbox(sdk, form, "No Image Clip", DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP);
    add_sdk_flag_checkbox(sdk, form, "Stray Filter", DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER);
    // Wider than a port, so that a number beyond the ports reaches the setter
    // as typed and is refused rather than taken for the largest port.
    FormWidget<uint32_t>* port = form.addVariable<uint32_t>(
        "Port", [&sdk](const uint32_t& value) { set_sdk_port(sdk, value); },
        [] { return uint32_t{druvex_sdk_get_port()}; });
    port->setDefaultValue("8808");
    port->setMinMaxValues(min_port, max_port);
}

nanogui::Widget* add_sdk_flag_checkbox(SdkOptionsHost& sdk, FormHelper& form,
                                       const std::string& caption, uint32_t mask) {
    return form.addVariable<bool>(
        caption,
        [&sdk, mask](const bool& on) {
            set_sdk_control_flag(mask, on);
            sdk.report_sdk_error(last_sdk_error(), "");
            sdk.refresh_frames();
        },
        [mask] { return has_sdk_control_flag(mask); });
}

void set_sdk_port(SdkOptionsHost& sdk, uint32_t port) {
    const std::string context = "Could not listen on port " + std::to_string(port);
    if (SdkError refused = check_port(port); !refused.ok()) {
        sdk.report_sdk_error(refused, context);
        return;
    }
    last_sdk_error();  // a failure stored earlier would answer for this call
    const uint16_t old_port = druvex_sdk_get_port();
    if (druvex_sdk_set_port(static_cast<uint16_t>(port)) == DRUVEX_SUCCESS) return;
    sdk.report_sdk_error(last_sdk_error(), context);  // the log and standard error
    if (druvex_sdk_get_port() != old_port) {
        druvex_sdk_set_port(old_port);
        sdk.report_sdk_error(last_sdk_error(),
                             "Could not listen on port " + std::to_string(old_port) + " again!");
    }
}

}  // namespace druvex
