// The Config panel: reset, the viewer config file, the number of viewers, and
// the SDK popup with its control flags and UDP port.
#pragma once

#include <cstdint>
#include <string>

namespace nanogui {
class Widget;
}

namespace druvex {

class FormHelper;
class SdkOptionsHost;
class ToolbarHost;
struct ToolbarState;

void build_config_panel(ToolbarHost& host, FormHelper& form);
void build_sdk_options_panel(SdkOptionsHost& sdk, ToolbarState& state, FormHelper& form);
// A check box row on one SDK control flag; a change refills a paused replay's views.
nanogui::Widget* add_sdk_flag_checkbox(SdkOptionsHost& sdk, FormHelper& form,
                                       const std::string& caption, uint32_t mask);

// Moves the SDK's listener to `port`. A number that is no port, or a port
// that cannot be bound, is reported and the listener stays on (or goes back
// to) the port it had; with networking off the port is tried at once.
void set_sdk_port(SdkOptionsHost& sdk, uint32_t port);

}  // namespace druvex
