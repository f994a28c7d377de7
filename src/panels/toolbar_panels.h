// The first view's toolbar panels and the Tools group's screenshot and demo rows.
#pragma once

namespace druvex {

class FormHelper;
class ToolbarHost;

// Builds the Config, Transforms, Clips, Sensors and Capture panels into the
// helper's current parent (the first view's Control Panel), leaving the
// helper's parent and group list as it found them.
void build_toolbar(ToolbarHost& host, FormHelper& form);

// The "Screenshot" button and, in advanced mode, the "Demo Mode" row.
void build_screenshot_demo_panel(ToolbarHost& host, FormHelper& form);

}  // namespace druvex
