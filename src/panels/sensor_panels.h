// The per-sensor groups of a view's Control Panel: Info, Monitors, GPS, Clip and Transform.
#pragma once

#include <cstdint>

namespace druvex {

class FormHelper;
class PanelHost;
class View;

// A collapsed group captioned with the stream's name, holding the five popups.
// The rows find their stream by handle on every use, so a stream removed
// before the next rebuild leaves rows that show defaults and store nothing.
void build_advanced_sensor_panels(View& view, uint64_t handle, PanelHost& host, FormHelper& form);

}  // namespace druvex
