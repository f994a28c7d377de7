// The Tools group's "Screenshot" button and "Demo Mode" choice.
#include "screenshot_demo_panel.h"

#include "app/viewer_application.h"
#include "toolbar_panels.h"

namespace druvex {

const char* const demo_command_line = "python -u -m druvex_util.demo.demo_zuna";

namespace {

// Every choice stops the running demo first, so at most one command runs.
void switch_demo(ViewerApplication& app, IMUEnum mode) {
    app.demo_mode = mode;
    app.imu_reader.stop();
    if (mode == IMUEnum::Tembrix) app.imu_reader.start(demo_command_line);
}

}  // namespace

void build_screenshot_demo_panel(ViewerApplication& app, FormHelper& form) {
    form.addButton("Screenshot", [&app] { app.save_screenshot_as(); });
    auto scope = form.scopedGroup(app.advanced_group.get());
    FormWidget<IMUEnum>* demo = form.addVariable<IMUEnum>(
        "Demo Mode", [&app](const IMUEnum& mode) { app.demo_mode = mode; },
        [&app] { return app.demo_mode; });
    demo->setItems({"None", "Tembrix"}, {"None", "Tembrix"});
    demo->setCallback([&app](const IMUEnum& mode) { switch_demo(app, mode); });
}

}  // namespace druvex
