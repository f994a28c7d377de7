// The toolbar panels: the builder and, for now, nothing to build.
#include "toolbar_panels.h"

namespace druvex {

void build_toolbar(ViewerApplication&, FormHelper&) {}

void build_screenshot_demo_panel(ViewerApplication&, FormHelper&) {}

}  // namespace druvex
