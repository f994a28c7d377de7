// Everything the first view's toolbar panels ask of the application.
#pragma once

#include "recording_host.h"
#include "replay_panel_host.h"
#include "sdk_options_host.h"
#include "settings_files_host.h"
#include "toolbar_state.h"
#include "tools_host.h"

namespace druvex {

// The application implements it; each panel takes the narrow faces it needs.
class ToolbarHost : public ReplayPanelHost,
                    public RecordingHost,
                    public SettingsFilesHost,
                    public SdkOptionsHost,
                    public ToolsHost {
public:
    virtual ToolbarState& toolbar_state() = 0;
};

}  // namespace druvex
