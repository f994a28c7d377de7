// The Sensors panel: one switch per sensor of the first view, by serial number.
#include "sensors_panel.h"

#include "platform/sdk_utils.h"
#include "settings/viewer_config.h"
#include "toolbar_common.h"
#include "toolbar_host.h"
#include "view/view.h"

#include <algorithm>

namespace druvex {

void build_sensors_panel(ToolbarHost& host, FormHelper& form) {
    // Only group views show several sensors; the panel follows the switch at
    // the next rebuild.
    if (!host.viewer_config().enable_transforms) return;
    ToolbarState& state = host.toolbar_state();
    auto scope = form.scopedGroup(state.advanced_group.get());
    auto body = open_collapsible_panel(form, "Sensors", state.sensors_expanded);
    build_sensor_row(host, host.viewer_config(), form);
}

void build_sensor_row(SdkOptionsHost& sdk, const ViewerConfig& config, FormHelper& form) {
    View* view = sdk.first_view();
    if (!config.enable_transforms || view == nullptr) return;
    auto popup = open_popup(form, "Enable");
    std::vector<uint64_t> handles = view->sensor_handles();
    std::sort(handles.begin(), handles.end());
    for (uint64_t handle : handles) {
        DruvexSensorInformation info;
        druvex_sdk_get_sensor_information(handle, &info);
        if (SdkError error = last_sdk_error(); !error.ok()) {
            sdk.report_sdk_error(error, "Get sensor information failed!");
            return;
        }
        nanogui::Button* button =
            form.addToggleButton(std::to_string(info.serial_number),
                                 [&sdk, handle](bool on) { sdk.set_sensor_enabled(handle, on); });
        nanogui::ref<nanogui::Button> ref(button);
        form.addRefreshCallback(
            [&sdk, ref, handle] { ref->setPushed(sdk.is_sensor_enabled(handle)); });
    }
}

}  // namespace druvex
