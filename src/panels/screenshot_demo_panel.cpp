// The Tools group's "Screenshot" button and "Demo Mode" choice.
#include "screenshot_demo_panel.h"

#include "app/viewer_application.h"
#include "toolbar_panels.h"

namespace druvex {

void build_screenshot_demo_panel(ViewerApplication& app, FormHelper& form) {
    form.addButton("Screenshot", [&app] { app.save_screenshot_as(); });
    auto scope = form.scopedGroup(app.advanced_group.get());
    FormWidget<IMUEnum>* demo = form.addVariable<IMUEnum>(
        "Demo Mode", [&app](const IMUEnum& mode) { app.demo_mode = uint32_t(mode); },
        [&app] { return IMUEnum(app.demo_mode); });
    demo->setItems({"None", "Tembrix"}, {"None", "Tembrix"});
    // Every choice stops the running demo first, so at most one command runs.
    demo->setCallback([&app](const IMUEnum& mode) { app.set_demo_mode(uint32_t(mode)); });
}

}  // namespace druvex
