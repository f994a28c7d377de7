// The Sensors panel: one switch per sensor of the first view, by serial number.
#pragma once

namespace druvex {

class FormHelper;
class ViewerApplication;

void build_sensors_panel(ViewerApplication& app, FormHelper& form);
void build_sensor_row(ViewerApplication& app, FormHelper& form);

}  // namespace druvex
