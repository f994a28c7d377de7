// The Transforms panel: reset, the "Enable" switch and the transforms file.
#pragma once

namespace druvex {

class FormHelper;
class SettingsFilesHost;
struct ToolbarState;

void build_transforms_panel(SettingsFilesHost& settings, ToolbarState& state, FormHelper& form);

}  // namespace druvex
