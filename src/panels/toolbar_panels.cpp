// The toolbar builder: the first view's application-wide panels in order.
#include "toolbar_panels.h"

#include "capture_panel.h"
#include "clips_panels.h"
#include "config_panel.h"
#include "sensors_panel.h"
#include "transforms_panel.h"

namespace druvex {

void build_toolbar(ViewerApplication& app, FormHelper& form) {
    build_config_panel(app, form);
    build_transforms_panel(app, form);
    build_clips_panel(app, form);
    build_sensors_panel(app, form);
    build_capture_panel(app, form);
}

}  // namespace druvex
