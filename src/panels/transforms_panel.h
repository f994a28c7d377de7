// The Transforms panel: reset, the "Enable" switch and the transforms file.
#pragma once

namespace druvex {

class FormHelper;
class ViewerApplication;

void build_transforms_panel(ViewerApplication& app, FormHelper& form);

}  // namespace druvex
