// The Tools group's "Screenshot" button and "Demo Mode" choice.
#include "screenshot_demo_panel.h"

#include "toolbar_host.h"
#include "toolbar_panels.h"

namespace druvex {

void build_screenshot_demo_panel(ToolbarHost& host, FormHelper& form) {
    ToolsHost& tools = host;
    form.addButton("Screenshot", [&tools] { tools.save_screenshot_as(); });
    auto scope = form.scopedGroup(host.toolbar_state().advanced_group.get());
    // Every choice stops the running demo first, so at most one command runs.
    FormWidget<IMUEnum>* demo = form.addVariable<IMUEnum>(
        "Demo Mode", [&tools](const IMUEnum& mode) { tools.set_demo_mode(uint32_t(mode)); },
        [&tools] { return IMUEnum(tools.demo_mode()); });
    demo->setItems({"None", "Tembrix"}, {"None", "Tembrix"});
}

}  // namespace druvex
