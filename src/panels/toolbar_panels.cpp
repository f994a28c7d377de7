// The toolbar builder: the first view's application-wide panels in order.
#include "toolbar_panels.h"

#include "capture_panel.h"
#include "clips_panels.h"
#include "config_panel.h"
#include "sensors_panel.h"
#include "toolbar_host.h"
#include "transforms_panel.h"

namespace druvex {

void build_toolbar(ToolbarHost& host, FormHelper& form) {
    build_config_panel(host, form);
    build_transforms_panel(host, host.toolbar_state(), form);
    build_clips_panel(host, host.toolbar_state(), form);
    build_sensors_panel(host, form);
    build_capture_panel(host, form);
}

}  // namespace druvex
