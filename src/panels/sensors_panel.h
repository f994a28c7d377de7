// The Sensors panel: one switch per sensor of the first view, by serial number.
#pragma once

namespace druvex {

class FormHelper;
class SdkOptionsHost;
class ToolbarHost;
struct ViewerConfig;

void build_sensors_panel(ToolbarHost& host, FormHelper& form);
void build_sensor_row(SdkOptionsHost& sdk, const ViewerConfig& config, FormHelper& form);

}  // namespace druvex
