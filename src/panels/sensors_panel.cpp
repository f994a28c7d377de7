// The Sensors panel: one switch per sensor of the first view, by serial number.
#include "sensors_panel.h"

#include "app/viewer_application.h"
#include "toolbar_common.h"

#include <algorithm>

namespace druvex {

void build_sensors_panel(ViewerApplication& app, FormHelper& form) {
    // Only group views show several sensors; the panel follows the switch at
    // the next rebuild.
    if (!app.config.enable_transforms) return;
    auto scope = form.scopedGroup(app.advanced_group.get());
    auto body = open_collapsible_panel(form, "Sensors", app.sensors_expanded);
    build_sensor_row(app, form);
}

void build_sensor_row(ViewerApplication& app, FormHelper& form) {
    View* view = app.first_view();
    if (!app.config.enable_transforms || view == nullptr) return;
    auto popup = open_popup(form, "Enable");
    std::vector<uint64_t> handles = view->sensor_handles();
    std::sort(handles.begin(), handles.end());
    for (uint64_t handle : handles) {
        DruvexSensorInformation info;
        druvex_sdk_get_sensor_information(handle, &info);
        if (SdkError error = last_sdk_error(); !error.ok()) {
            app.report_sdk_error(error, "Get sensor information failed!");
            return;
        }
        nanogui::Button* button =
            form.addToggleButton(std::to_string(info.serial_number),
                                 [&app, handle](bool on) { app.set_sensor_enabled(handle, on); });
        nanogui::ref<nanogui::Button> ref(button);
        form.addRefreshCallback(
            [&app, ref, handle] { ref->setPushed(app.is_sensor_enabled(handle)); });
    }
}

}  // namespace druvex
