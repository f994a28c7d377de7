// ViewerApplication: what the views' Control Panels ask of the application.
#include "panels/control_panel.h"
#include "panels/toolbar_panels.h"
#include "viewer_application.h"

#include <nanogui/window.h>

namespace druvex {

std::unique_ptr<ViewPanel> ViewerApplication::make_view_panel(View& view) {
    return std::make_unique<ControlPanel>(view, *this);
}

void ViewerApplication::toggle_help_window() {
    if (help_window != nullptr) help_window->setVisible(!help_window->visible());
}

void ViewerApplication::build_toolbar_panels(FormHelper& form) { build_toolbar(*this, form); }

void ViewerApplication::build_screenshot_demo_rows(FormHelper& form) {
    build_screenshot_demo_panel(*this, form);
}

void ViewerApplication::store_image_clip(uint64_t serial, const ImageClip& clip) {
    clips_.set_image_clip(serial, clip);
}

void ViewerApplication::store_transform(uint64_t serial, const SensorTransform& transform) {
    transforms_.set_transform(serial, transform);
}

}  // namespace druvex
